#pragma once

#include <QImage>
#include <QVector>

namespace umbraxis {

// The 256 colours shared by every picture on the CD: the 16 classic display colours,
// then ramps of cool steel, warm metal, rust, ember, cold night blue and deep red, so that
// one palette serves every screen and the screens never fight over palette entries.
const QVector<QRgb>& cdPalette();

// Maps a true-colour image onto the palette with serpentine Floyd-Steinberg error
// diffusion and returns an 8-bit indexed image that carries the palette as its table.
QImage quantise(const QImage& image, const QVector<QRgb>& palette);

} // namespace umbraxis
