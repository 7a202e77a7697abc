#include "platform/FileReading.h"

#include "platform/AppError.h"
#include "platform/FileSystem.h"

#include <cerrno>

namespace umbraxis {

int readWholeFile(FileSystem& files, const QString& path, QByteArray& content)
{
    content.clear();
    const Opened<File> file = files.openRead(path);
    if (!file.handle)
        return file.error;
    constexpr std::int64_t block = 64 * 1024;
    for (;;) {
        const qsizetype at = content.size();
        content.resize(at + block);
        const std::int64_t got = file.handle->read(content.data() + at, block);
        if (got < 0) {
            content.clear();
            return file.handle->error() ? file.handle->error() : EIO;
        }
        content.resize(at + qsizetype(got));
        if (got == 0)
            return 0;
    }
}

QByteArray readFileBytes(FileSystem& files, const QString& path)
{
    QByteArray content;
    if (readWholeFile(files, path, content) != 0)
        throw AppError(formatMessage(QStringLiteral("Cannot open file %s"), path));
    return content;
}

} // namespace umbraxis
