#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace umbraxis {

// The lines of the briefing text. A CR, an LF or a CR LF ends a line, a NUL
// ends the text, a last line without a line end still counts and a final
// line end adds no empty line. Bytes are Latin-1; lines are kept as they are.
QStringList splitBriefingLines(const QByteArray& bytes);

// Where the briefing's lines stand in its text window as the text scrolls up
// one pixel per tick. It only computes positions; the screen draws.
struct BriefingScroll {
    // Empty lines in front of the file's lines, so that the text enters the
    // window from below rather than starting at its top.
    static constexpr int LeadInLines = 7;

    // One line drawn in a frame: its index in `lines` and the top of its text
    // cell in the window, which may be above the window's top.
    struct Row {
        int index;
        int y;
        bool operator==(const Row&) const = default;
    };

    // The file's lines behind the lead-in of empty lines.
    static QStringList withLeadIn(const QStringList& fileLines);

    QStringList lines;
    int lineHeight = 21;
    int windowHeight = 173;
    int scrollOffset = 0;

    // Back to the top for a new showing.
    void start() { scrollOffset = 0; }

    // Moves the text up by one pixel and gives the rows of this frame, top
    // first: one more than fit the window whole, so that a partly visible
    // line at the bottom is drawn too. Rows past the last line are left out.
    QList<Row> tick();

    // Every line has left the top of the window.
    bool runOver() const { return qsizetype(lines.size()) * lineHeight <= scrollOffset; }
};

} // namespace umbraxis
