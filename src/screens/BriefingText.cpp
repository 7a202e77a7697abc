#include "screens/BriefingText.h"

namespace umbraxis {

QStringList splitBriefingLines(const QByteArray& bytes)
{
    QStringList lines;
    // The text ends at a NUL as well as at the end of the bytes.
    qsizetype end = bytes.indexOf('\0');
    if (end < 0)
        end = bytes.size();
    qsizetype at = 0;
    while (at < end) {
        qsizetype stop = at;
        while (stop < end && bytes[stop] != '\r' && bytes[stop] != '\n')
            ++stop;
        lines.append(QString::fromLatin1(bytes.constData() + at, stop - at));
        at = stop;
        if (at < end && bytes[at] == '\r')
            ++at;
        if (at < end && bytes[at] == '\n')
            ++at;
    }
    return lines;
}

QStringList BriefingScroll::withLeadIn(const QStringList& fileLines)
{
    QStringList all(LeadInLines, QString());
    all.append(fileLines);
    return all;
}

QList<BriefingScroll::Row> BriefingScroll::tick()
{
    ++scrollOffset;
    const int first = scrollOffset / lineHeight;
    const int shift = scrollOffset % lineHeight;
    QList<Row> rows;
    for (int i = 0; i <= windowHeight / lineHeight; ++i) {
        if (first + i >= lines.size())
            break;
        rows.append(Row{first + i, i * lineHeight - shift});
    }
    return rows;
}

} // namespace umbraxis
