#include "screens/BriefingText.h"

#include "support/QtPrinting.h"

#include <gtest/gtest.h>

using namespace umbraxis;

TEST(BriefingLines, SplitAtEveryKindOfLineEnd)
{
    struct Row {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    };
    const Row rows[] = {
        {"CR", "one\rtwo\r", {"one", "two"}},
        {"LF", "one\ntwo\n", {"one", "two"}},
        {"CR LF is one break", "one\r\ntwo\r\n", {"one", "two"}},
        {"LF CR is two breaks", "one\n\rtwo", {"one", "", "two"}},
        {"mixed, with empty lines", "a\r\n\r\nb\n\nc\r\rd", {"a", "", "b", "", "c", "", "d"}},
        {"no final break", "one\r\ntwo", {"one", "two"}},
        {"NUL ends the text", QByteArray("one\r\ntw\0o\r\nthree", 16), {"one", "tw"}},
        {"NUL first", QByteArray("\0one", 4), {}},
        {"only a break", "\r\n", {""}},
        {"empty", "", {}},
        {"Latin-1, spaces kept", "  caf\xE9 \t", {QString::fromLatin1("  caf\xE9 \t")}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(splitBriefingLines(row.bytes), row.lines);
    }
}

TEST(BriefingScroll, FirstFrameShowsTheFileEnteringFromBelow)
{
    BriefingScroll scroll;
    scroll.lines = BriefingScroll::withLeadIn({"first", "second", "third"});
    ASSERT_EQ(scroll.lines.size(), 10);
    EXPECT_EQ(scroll.lines[7], "first");
    scroll.start();

    const QList<BriefingScroll::Row> rows = scroll.tick();
    ASSERT_EQ(rows.size(), 9);
    EXPECT_EQ(rows.front(), (BriefingScroll::Row{0, -1}));
    EXPECT_EQ(rows[7], (BriefingScroll::Row{7, 146}));
    EXPECT_EQ(rows[8], (BriefingScroll::Row{8, 167}));
}

TEST(BriefingScroll, RunsUntilTheLastLineHasLeftTheWindow)
{
    for (const int fileLines : {0, 1, 3, 40}) {
        SCOPED_TRACE(fileLines);
        BriefingScroll scroll;
        scroll.lines = BriefingScroll::withLeadIn(QStringList(fileLines, QStringLiteral("x")));
        // A second showing starts from the top again.
        for (int showing = 0; showing < 2; ++showing) {
            scroll.start();
            int ticks = 0;
            QList<BriefingScroll::Row> rows;
            while (!scroll.runOver() && ticks < 100000) {
                rows = scroll.tick();
                ++ticks;
                // Each line moves up with the text and only existing lines are drawn.
                for (const BriefingScroll::Row& row : rows) {
                    ASSERT_EQ(row.y, row.index * 21 - scroll.scrollOffset);
                    ASSERT_LT(row.index, scroll.lines.size());
                }
            }
            EXPECT_EQ(ticks, (7 + fileLines) * 21);
            EXPECT_TRUE(rows.isEmpty()) << "the last frame shows only the picture";
        }
    }
}
