#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>

namespace umbraxis {

// The BMP layouts the picture loader has to cope with. Palettised flavours take the
// image's own colour table when it is indexed and small enough, otherwise the colours
// are mapped to a fixed palette of the right size.
enum class BmpFlavour {
    Indexed1,    // BITMAPINFOHEADER, 1 bit per pixel
    Indexed4,    // BITMAPINFOHEADER, 4 bits per pixel
    Rle4,        // BITMAPINFOHEADER, 4 bits per pixel, BI_RLE4
    Indexed8,    // BITMAPINFOHEADER, 8 bits per pixel
    Rle8,        // BITMAPINFOHEADER, 8 bits per pixel, BI_RLE8
    Rgb24,       // BITMAPINFOHEADER, 24 bits per pixel
    Os2Indexed1, // BITMAPCOREHEADER, 1 bit per pixel
    Os2Indexed4, // BITMAPCOREHEADER, 4 bits per pixel
    Os2Indexed8, // BITMAPCOREHEADER, 8 bits per pixel
    Os2Rgb24,    // BITMAPCOREHEADER, 24 bits per pixel
};

// Encodes the image as a complete .bmp file (bottom-up rows, each padded to 4 bytes).
QByteArray encodeBmp(const QImage& image, BmpFlavour flavour);

// Bits per pixel and compression code as stored in the header for a flavour.
int bmpBitsPerPixel(BmpFlavour flavour);
int bmpCompression(BmpFlavour flavour);
bool bmpIsOs2(BmpFlavour flavour);

// Reduces the image to an indexed image with at most 2^bits colours: an indexed image
// whose table already fits is kept as it is; anything else is mapped to the nearest
// colours of a standard palette (black and white for 1 bit, the 16 classic display
// colours for 4 bits, Qt's own palette choice for 8 bits).
QImage toIndexed(const QImage& image, int bits);

} // namespace umbraxis
