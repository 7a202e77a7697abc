#include "screens/DocumentText.h"

#include "platform/SingleByteText.h"

namespace umbraxis {

std::optional<QString> plainDocumentText(const QByteArray& data)
{
    if (data.contains('\0'))
        return std::nullopt;
    QString text = decodeWindows1252(data);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace umbraxis
