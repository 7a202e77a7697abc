// The briefing text ("text\dethmath.txt"): split into lines and scrolled
// through its text window to the end, frame by frame.

#include "FuzzSupport.h"

#include "screens/BriefingText.h"

using namespace umbraxis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QStringList lines = splitBriefingLines(bytes);
    qsizetype characters = 0;
    for (const QString& line : lines) {
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')) && !line.contains(QChar(0)));
        characters += line.size();
    }
    FUZZ_CHECK(characters <= bytes.size());

    BriefingScroll scroll;
    scroll.lines = BriefingScroll::withLeadIn(lines);
    scroll.start();
    const qint64 frames = qint64(scroll.lines.size()) * scroll.lineHeight;
    for (qint64 frame = 1; !scroll.runOver(); ++frame) {
        FUZZ_CHECK(frame <= frames);
        int previous = -1;
        for (const BriefingScroll::Row& row : scroll.tick()) {
            FUZZ_CHECK(row.index > previous && row.index < scroll.lines.size());
            FUZZ_CHECK(row.y > -scroll.lineHeight && row.y < scroll.windowHeight + scroll.lineHeight);
            previous = row.index;
        }
    }
    return 0;
}
