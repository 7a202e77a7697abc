#pragma once

#include <QByteArray>
#include <QString>

namespace umbraxis {

class FileSystem;

// Reads the whole content of a file named by a program path
// ("text\dethmath.txt") through the file system into `content`: 0, or the
// system's code when it is missing, is not a regular file or cannot be read.
int readWholeFile(FileSystem& files, const QString& path, QByteArray& content);

// The same, raising "Cannot open file %s" with the path as given on failure.
QByteArray readFileBytes(FileSystem& files, const QString& path);

} // namespace umbraxis
