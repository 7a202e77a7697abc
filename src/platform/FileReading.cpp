#include "platform/FileReading.h"

#include "platform/AppError.h"
#include "platform/FileSystem.h"

namespace umbraxis {

QByteArray readFileBytes(FileSystem& files, const QString& path)
{
    std::unique_ptr<File> file = files.openRead(path);
    if (!file)
        throw AppError(formatMessage(QStringLiteral("Cannot open file %s"), path));
    QByteArray content;
    constexpr std::int64_t block = 64 * 1024;
    for (;;) {
        const qsizetype at = content.size();
        content.resize(at + block);
        const std::int64_t got = file->read(content.data() + at, block);
        if (got < 0)
            throw AppError(formatMessage(QStringLiteral("Cannot open file %s"), path));
        content.resize(at + qsizetype(got));
        if (got == 0)
            return content;
    }
}

} // namespace umbraxis
