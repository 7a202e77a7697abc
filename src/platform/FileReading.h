#pragma once

#include <QByteArray>
#include <QString>

namespace umbraxis {

class FileSystem;

// The whole content of a file named by a program path ("text\dethmath.txt"),
// read through the file system. A file that is missing, is not a regular
// file or cannot be read raises "Cannot open file %s" with the path as given.
QByteArray readFileBytes(FileSystem& files, const QString& path);

} // namespace umbraxis
