#include "CdFixture.h"

#include <QDir>
#include <QFontMetrics>
#include <QSet>

#include <gtest/gtest.h>

using namespace umbraxis;
using namespace umbraxis::test;

namespace {

QByteArray cdText(const char* relative)
{
    return readAll(QDir(sampleCdRoot()).filePath(QLatin1String(relative)));
}

// Splits CR LF text; fails on a carriage return or line feed standing alone.
QList<QByteArray> crlfLines(const QByteArray& text)
{
    EXPECT_TRUE(text.endsWith("\r\n"));
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();
    for (QByteArray& line : lines) {
        EXPECT_TRUE(line.endsWith('\r')) << line.toStdString();
        line.chop(1);
        EXPECT_FALSE(line.contains('\r')) << line.toStdString();
    }
    return lines;
}

} // namespace

TEST(CdTexts, TipsAreManyLongCrLfLines)
{
    const QByteArray tips = cdText("text/tips.txt");
    EXPECT_GT(tips.size(), 128);
    const QList<QByteArray> lines = crlfLines(tips);
    EXPECT_GE(lines.size(), 30);
    for (const QByteArray& line : lines) {
        EXPECT_FALSE(line.trimmed().isEmpty());
        // A label would take a single ampersand as a mnemonic marker and swallow it.
        EXPECT_FALSE(line.contains('&')) << line.toStdString();
        EXPECT_FALSE(line.contains('\x1a'));
    }
}

TEST(CdTexts, EveryTipCanBePicked)
{
    // The tip of the day is the first line whose reading needs the first byte of a
    // chosen 128-byte block (a line's reading needs its bytes, its carriage return and
    // the byte after that). Every line has to be the first to need some block start.
    const QByteArray tips = cdText("text/tips.txt");
    const qsizetype blocks = tips.size() / 128;
    QList<qsizetype> starts = {0};
    for (qsizetype i = 0; i + 1 < tips.size(); ++i)
        if (tips[i] == '\r' && tips[i + 1] == '\n' && i + 2 < tips.size())
            starts.append(i + 2);
    QSet<int> chosen;
    for (qsizetype k = 1; k <= blocks; ++k) {
        const qsizetype needed = 128 * (k - 1);
        for (int line = 0; line < starts.size(); ++line) {
            const qsizetype cr = tips.indexOf('\r', starts[line]);
            if (needed >= starts[line] && needed <= cr + 1) {
                chosen.insert(line);
                break;
            }
        }
    }
    for (int line = 0; line < starts.size(); ++line)
        EXPECT_TRUE(chosen.contains(line)) << "tip " << line + 1 << " can never be shown";
}

TEST(CdTexts, BriefingHasFortyLinesThatFitTheTextWindow)
{
    const QList<QByteArray> lines = crlfLines(cdText("text/dethmath.txt"));
    EXPECT_GE(lines.size(), 40);
    // The briefing draws bold 16-pixel Arial into a 402-pixel window without wrapping.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(16);
    font.setBold(true);
    const QFontMetrics metrics(font);
    for (const QByteArray& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(QString::fromLatin1(line)), 402) << line.toStdString();
}

TEST(CdTexts, WebSitesUseReservedExampleDomains)
{
    const QList<QByteArray> lines = crlfLines(cdText("text/websites.txt"));
    EXPECT_GE(lines.size(), 10);
    int addresses = 0;
    for (const QByteArray& line : lines) {
        const qsizetype at = line.indexOf("http://");
        if (at < 0)
            continue;
        ++addresses;
        const QByteArray host = line.mid(at + 7).split('/').first();
        EXPECT_TRUE(host.endsWith(".example.com") || host.endsWith(".example.org") || host.endsWith(".example.net"))
            << host.toStdString();
    }
    EXPECT_GE(addresses, 8);
}

TEST(CdTexts, HelpIsWellFormedRichText)
{
    const QByteArray rtf = cdText("help.rtf");
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    int depth = 0;
    int minimum = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i; // an escaped brace or backslash is text
            continue;
        }
        if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}')
            --depth;
        minimum = std::min(minimum, depth);
        if (depth == 0 && i + 1 < rtf.size()) {
            EXPECT_TRUE(rtf.mid(i + 1).trimmed().isEmpty()) << "text after the closing brace";
            break;
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(minimum, 0);
    for (const char* word : {"\\fonttbl", "\\colortbl", "\\par", "\\b ", "\\b0", "\\i ", "\\i0", "\\fs", "\\li",
                             "\\fi-", "\\tab", "\\'95"})
        EXPECT_TRUE(rtf.contains(word)) << word;
    for (const char* topic : {"Install", "Deathmatch", "Cooperative", "Briefing", "Ctrl+F", "quake.exe", "id1",
                              "Insufficient disk space", "Troubleshooting"})
        EXPECT_TRUE(rtf.contains(topic)) << topic;
}
