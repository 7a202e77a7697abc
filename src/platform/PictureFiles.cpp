#include "platform/PictureFiles.h"

#include "platform/AppError.h"
#include "platform/FileSystem.h"

#include <QImageReader>

namespace umbraxis {

QImage PictureFiles::load(const QString& path)
{
    const QString host = m_files.toHost(path);
    if (!host.isEmpty() && m_files.fileExists(path)) {
        QImageReader reader(host);
        reader.setDecideFormatFromContent(true);
        QImage image = reader.read();
        if (!image.isNull())
            return image;
    }
    throw AppError(formatMessage(QStringLiteral("Cannot open file %s"), path));
}

} // namespace umbraxis
