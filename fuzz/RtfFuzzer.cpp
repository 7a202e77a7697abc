// The RTF reader, as the viewer uses it on "help.rtf": the document is read
// into the view's document with the view's font and then laid out at the
// view's width, as showing it does.

#include "FuzzSupport.h"

#include "screens/RtfReader.h"

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
    QTextDocument document;
    QFont font(QStringLiteral("Courier New"));
    font.setPixelSize(11);
    document.setDefaultFont(font);
    const bool read = readRtf(bytes, document);
    FUZZ_CHECK(read == looksLikeRtf(bytes));
    if (!read) {
        FUZZ_CHECK(document.isEmpty());
        return 0;
    }
    document.setTextWidth(569);
    const QSizeF laidOut = document.size();
    FUZZ_CHECK(laidOut.width() >= 0 && laidOut.height() >= 0);
    return 0;
}
