#pragma once

#include <QImage>
#include <QString>

namespace umbraxis {

// Loads a picture file named by a program path such as "images\fmain.bmp".
// A missing or unreadable file raises "Cannot open file %s" with the path
// as given.
class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    virtual QImage load(const QString& path) = 0;
};

} // namespace umbraxis
