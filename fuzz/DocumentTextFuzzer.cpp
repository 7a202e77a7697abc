// A document the viewer shows as plain text ("text\websites.txt", or a
// "help.rtf" that is no rich text): decoded, put into the view's document and
// laid out at the view's width.

#include "FuzzSupport.h"

#include "screens/DocumentText.h"

#include <QFont>
#include <QTextDocument>

using namespace umbraxis;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ensureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const std::optional<QString> text = plainDocumentText(bytes);
    FUZZ_CHECK(text.has_value() == !bytes.contains('\0'));
    if (!text)
        return 0;
    FUZZ_CHECK(!text->contains(QLatin1Char('\r')) && text->size() <= bytes.size());
    QTextDocument document;
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(11);
    document.setDefaultFont(font);
    document.setPlainText(*text);
    document.setTextWidth(569);
    FUZZ_CHECK(document.size().height() >= 0);
    return 0;
}
