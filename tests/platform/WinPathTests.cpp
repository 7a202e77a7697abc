#include "platform/WinPath.h"

#include <gtest/gtest.h>

using namespace umbraxis;

TEST(WinPath, ParsesEveryForm)
{
    struct Row {
        const char* text;
        char drive;
        bool rooted;
        QStringList names;
        const char* spelled;
    };
    const Row rows[] = {
        {"c:\\quake\\id1", 'c', true, {"quake", "id1"}, "c:\\quake\\id1"},
        {"C:/Quake/", 'c', true, {"Quake"}, "c:\\Quake"},
        {"d:\\", 'd', true, {}, "d:\\"},
        {"e:maps", 'e', false, {"maps"}, "e:maps"},
        {"images\\fmain.bmp", 0, false, {"images", "fmain.bmp"}, "images\\fmain.bmp"},
        {"\\levels\\\\one", 0, true, {"levels", "one"}, "\\levels\\one"},
        {"..\\x", 0, false, {"..", "x"}, "..\\x"},
        {"1:\\x", 0, false, {"1:", "x"}, "1:\\x"},
        {"", 0, false, {}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const WinPath path = WinPath::parse(QString::fromLatin1(row.text));
        EXPECT_EQ(path.drive, row.drive ? QChar(QLatin1Char(row.drive)) : QChar());
        EXPECT_EQ(path.rooted, row.rooted);
        EXPECT_EQ(path.names, row.names);
        EXPECT_EQ(path.toString(), QString::fromLatin1(row.spelled));
    }
}

TEST(WinPath, MatchesFindPatternsRegardlessOfCase)
{
    struct Row {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Row rows[] = {
        {"README", "*.*", true},
        {"quake.exe", "*.*", true},
        {".hidden", "*", true},
        {"QUAKE.EXE", "quake.exe", true},
        {"quake.exe", "*.EXE", true},
        {"quake.exe.bak", "*.exe", false},
        {"e1m1.bsp", "e?m?.bsp", true},
        {"e1m10.bsp", "e?m?.bsp", false},
        {"e1m.bsp", "e?m?.bsp", false},
        {"level", "level.*", true},
        {"level.txt", "level.*", true},
        {"levels", "level.*", false},
        {"abcabd", "*abd", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*c", false},
        {"", "*", true},
        {"x", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " ~ " + row.pattern);
        EXPECT_EQ(matchesPattern(QString::fromLatin1(row.name), QString::fromLatin1(row.pattern)), row.matches);
    }
    EXPECT_TRUE(hasWildcards(QStringLiteral("*.bsp")));
    EXPECT_TRUE(hasWildcards(QStringLiteral("e?m1")));
    EXPECT_FALSE(hasWildcards(QStringLiteral("quake.exe")));
}
