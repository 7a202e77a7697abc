#pragma once

#include "platform/PictureLoader.h"

namespace umbraxis {

class FileSystem;

// Loads BMP pictures (1-, 4-, 8-bit palettised, RLE4/RLE8, 24-bit, OS/2
// headers) through the file system's case-insensitive name lookup.
class PictureFiles : public PictureLoader {
public:
    explicit PictureFiles(const FileSystem& files) : m_files(files) {}
    QImage load(const QString& path) override;

private:
    const FileSystem& m_files;
};

} // namespace umbraxis
