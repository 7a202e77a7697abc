#include "screens/AboutTexts.h"

#include "support/QtPrinting.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

// The lines of a text whose breaks are all CR LF; a lone CR or LF fails.
QStringList crLfLines(const QString& text)
{
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    for (const QString& line : lines)
        EXPECT_FALSE(line.contains('\r') || line.contains('\n')) << line.toStdString();
    return lines;
}

} // namespace

TEST(AboutTexts, ContactLinesEachEndWithCrLf)
{
    const QStringList lines = crLfLines(aboutInfoText());
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[9], QString()) << "the last line ends with a break too";
    EXPECT_EQ(lines[0], "Corvantide");
    EXPECT_EQ(lines[4], QString());
    const QStringList prefixes = {"tech: ", "sales: ", "web: ", "email: "};
    for (int i = 0; i < prefixes.size(); ++i) {
        SCOPED_TRACE(i + 6);
        EXPECT_TRUE(lines[5 + i].startsWith(prefixes[i]) && lines[5 + i].size() > prefixes[i].size());
    }
}

TEST(AboutTexts, CreditsListRolesNamesAndTheDisclaimer)
{
    const QStringList lines = crLfLines(aboutCreditsText());
    ASSERT_EQ(lines.size(), 17) << "no break after the last line";
    EXPECT_EQ(
        (QStringList{lines[0], lines[2], lines[4], lines[6], lines[10], lines[11]}),
        (QStringList{"Producer", "Project Manager", "Lead Programmer", "Level Researchers and Developers", "", ""}));
    for (const int name : {1, 3, 5, 7, 8, 9}) {
        SCOPED_TRACE(name + 1);
        EXPECT_TRUE(lines[name].startsWith("    ") && lines[name].size() > 4 && lines[name][4] != QChar(' '));
    }
    EXPECT_EQ(lines[7], lines[3]) << "the project manager is also a level researcher";
    EXPECT_EQ(
        lines.mid(12),
        (QStringList{"This program and levels are in no way", "associated with id Software other",
                     "than that the levels require id's", "Quake game (registered version) in", "order to run."}));
}
