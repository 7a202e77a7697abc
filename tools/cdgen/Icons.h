#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace umbraxis {

// The sizes at which the program's icon is drawn for the desktop's icon theme.
const QList<int>& appIconSizes();

// The program's icon at `size` x `size` pixels: a rusted steel plate with the
// rift burning across it and the U of the title over it, transparent around
// its rounded corners.
QImage drawAppIcon(int size);

// Writes the icon at every size as `<folder>/hicolor/<n>x<n>/apps/<name>.png`.
// Raises AppError on a write failure.
void writeAppIcons(const QString& folder, const QString& name);

} // namespace umbraxis
