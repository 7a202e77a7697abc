#pragma once

#include "platform/PictureLoader.h"

#include <QByteArray>

namespace umbraxis {

// The picture a file's bytes hold, its format told by its content; a null
// image when they hold none that can be read.
QImage readPicture(const QByteArray& data);

class FileSystem;

// Loads BMP pictures (1-, 4-, 8-bit palettised, RLE4/RLE8, 24-bit, OS/2
// headers) through the file system's case-insensitive name lookup. Only
// regular files are read, so a fifo or device under a picture's name fails
// at once instead of hanging the program.
class PictureFiles : public PictureLoader {
public:
    explicit PictureFiles(FileSystem& files)
        : m_files(files)
    {
    }
    QImage load(const QString& path) override;

private:
    FileSystem& m_files;
};

} // namespace umbraxis
