#include "platform/PictureFiles.h"

#include "platform/AppError.h"
#include "platform/FileReading.h"
#include "platform/FileSystem.h"

#include <QBuffer>
#include <QImageReader>

namespace umbraxis {

QImage readPicture(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

QImage PictureFiles::load(const QString& path)
{
    const QImage image = readPicture(readFileBytes(m_files, path));
    if (image.isNull())
        throw AppError(formatMessage(QStringLiteral("Cannot open file %s"), path));
    return image;
}

} // namespace umbraxis
