#include "platform/PictureFiles.h"

#include "platform/AppError.h"
#include "platform/FileReading.h"
#include "platform/FileSystem.h"

#include <QBuffer>
#include <QImageReader>

namespace umbraxis {

QImage PictureFiles::load(const QString& path)
{
    QByteArray data = readFileBytes(m_files, path);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    QImage image = reader.read();
    if (image.isNull())
        throw AppError(formatMessage(QStringLiteral("Cannot open file %s"), path));
    return image;
}

} // namespace umbraxis
