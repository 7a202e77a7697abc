#include "screens/RtfReader.h"

#include "support/QtPrinting.h"

#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

// `body` inside the header word processors write.
QByteArray rtf(const QByteArray& body)
{
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0 " + body + "}";
}

// Every block's text, one a line. Unlike toPlainText() this keeps line
// separators and no-break spaces as they are.
QString blocksText(const QTextDocument& document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines.join(QLatin1Char('\n'));
}

QString readText(const QByteArray& data)
{
    QTextDocument document;
    EXPECT_TRUE(readRtf(data, document));
    return blocksText(document);
}

QList<QTextTable*> tables(const QTextDocument& document)
{
    QList<QTextTable*> found;
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame))
            found << table;
    }
    return found;
}

QString cellText(QTextTable* table, int row, int column)
{
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

struct TextRow {
    const char* name;
    QByteArray data;
    const char* text; // UTF-8
};

void checkText(const TextRow& row)
{
    SCOPED_TRACE(row.name);
    EXPECT_EQ(readText(row.data), QString::fromUtf8(row.text));
}

} // namespace

TEST(RtfReader, RecognisesRichTextByItsFirstBytes)
{
    const struct {
        QByteArray data;
        bool rtf;
    } rows[] = {
        {"{\\rtf1\\ansi x}", true},
        {"{\\rtf", true},
        {" {\\rtf1 x}", false},
        {"\xEF\xBB\xBF{\\rtf1 x}", false},
        {"{\\RTF1 x}", false},
        {"plain text", false},
        {"", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.data.toStdString());
        EXPECT_EQ(looksLikeRtf(row.data), row.rtf);
        QTextDocument document(QStringLiteral("old text"));
        EXPECT_EQ(readRtf(row.data, document), row.rtf);
        if (!row.rtf) {
            EXPECT_TRUE(document.isEmpty());
        }
    }
}

TEST(RtfReader, ReadsTextAndEscapes)
{
    const TextRow rows[] = {
        {"paragraphs; the last mark adds no line", rtf("One\\par Two\\par"), "One\nTwo"},
        {"a space ends a control word and is dropped", rtf("a\\b b\\b0  c"), "ab c"},
        {"a control word ends at any non-letter", rtf("a\\b0,b\\i-x"), "a,b-x"},
        {"a negative parameter", rtf("\\fi-360 x"), "x"},
        {"raw line ends are no text", rtf("a\r\nb\nc\rd"), "abcd"},
        {"a backslash before a line end is a paragraph", rtf("a\\\nb\\\r\nc\\\rd"), "a\nb\nc\nd"},
        {"escaped braces and backslash", rtf("\\{x\\}\\\\"), "{x}\\"},
        {"hex escapes are Windows-1252", rtf("caf\\'e9 \\'93q\\'94 \\'80\\'A9"), "café “q” €©"},
        {"raw 8-bit bytes are Windows-1252", rtf("caf\xE9 \x85"), "café …"},
        {"another ANSI code page", "{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e1}", "Аб"},
        {"a font's charset picks its code page", rtf("{\\fonttbl{\\f1\\fcharset204 Arial;}}\\f1\\'c0{\\f0\\'c0}"),
         "АÀ"},
        {"unicode with one fallback character", rtf("\\u8364?x"), "€x"},
        {"two fallback characters", rtf("\\uc2\\u8364ab!"), "€!"},
        {"no fallback characters", rtf("\\uc0\\u8364!"), "€!"},
        {"a hex escape is one fallback character", rtf("\\u8220\\'93x"), "“x"},
        {"negative values are above U+7FFF", rtf("\\u-10179?\\u-8704?"), "😀"},
        {"fallback skipping stops at the group end", rtf("\\uc3{\\u8364a}bc"), "€bc"},
        {"the fallback length belongs to its group", rtf("{\\uc2\\u8364ab}\\u8364ab"), "€€b"},
        {"special characters", rtf("a\\~b\\-c\\_d\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet"),
         "a\u00A0bc\u2011d—–‘’“”•"},
        {"tab and line break", rtf("a\\tab b\\line c"), "a\tb\u2028c"},
        {"unknown control words are ignored", rtf("\\foo123 x\\bar-4 y\\|\\:z"), "xyz"},
        {"hidden text is not shown", rtf("a{\\v hidden}b\\v c\\v0 d"), "abd"},
        {"a break between paragraphs adds nothing", rtf("a\\par\\page b"), "a\nb"},
        {"a break inside a paragraph ends it", rtf("a\\page b"), "a\nb"},
        {"symbol font bullets", rtf("{\\fonttbl{\\f3\\fcharset2 Symbol;}}{\\f3\\'b7} {\\f3\\u-3913 ?} {\\f3 a}"),
         "• • α"},
        {"Wingdings bullets", rtf("{\\fonttbl{\\f4\\fnil Wingdings;}}{\\f4\\'a7 \\'d8}"), "▪ ➢"},
        {"an extra closing brace is ignored", "{\\rtf1 {a}} b}", "a b"},
        {"missing closing braces", "{\\rtf1 {\\b a", "a"},
        {"binary data is skipped", rtf("a\\bin3 {}}b"), "ab"},
        {"binary data longer than the file", "{\\rtf1 a\\bin999999 xyz", "a"},
    };
    for (const TextRow& row : rows)
        checkText(row);
}

TEST(RtfReader, SkipsGroupsThatAreNotText)
{
    const TextRow rows[] = {
        {"font table",
         rtf("{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1 Times{\\*\\panose 0203}{\\*\\falt Roman};}}Text"),
         "Text"},
        {"font table without groups", rtf("{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\froman Times;}Text"), "Text"},
        {"colour table", rtf("{\\colortbl ;\\red255\\green0\\blue0;}Text"), "Text"},
        {"style sheet", rtf("{\\stylesheet{\\s0 Normal;}{\\s1\\b\\fs32 heading 1;}}Text"), "Text"},
        {"generator", rtf("{\\*\\generator Writer 5.0;}Text"), "Text"},
        {"document information", rtf("{\\info{\\title Secret}{\\author Someone}}Text"), "Text"},
        {"picture data", rtf("{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a}Text"), "Text"},
        {"shape pictures", rtf("{\\*\\shppict{\\pict\\wmetafile8 0100}}{\\nonshppict{\\pict 0100}}Text"), "Text"},
        {"embedded object", rtf("{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0105}{\\result{\\pict 01}}}Text"),
         "Text"},
        {"header and footer", rtf("{\\header\\pard Head\\par}{\\footerl Foot}Text"), "Text"},
        {"footnote", rtf("Text{\\footnote\\pard note}"), "Text"},
        {"a field shows its result", rtf("{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt {\\ul Link}}}"),
         "Link"},
        {"an old field without the star", rtf("{\\field{\\fldinst PAGE}{\\fldrslt 3}}"), "3"},
        {"bookmarks", rtf("{\\*\\bkmkstart b1}Text{\\*\\bkmkend b1}"), "Text"},
        {"an unknown ignorable destination", rtf("{\\*\\mystery hidden {deeper}}Text"), "Text"},
        {"list tables",
         rtf("{\\*\\listtable{\\list{\\listlevel{\\leveltext \\'02\\'00.;}}}}"
             "{\\listoverridetable{\\listoverride\\ls1}}Text"),
         "Text"},
        {"old list definitions", rtf("{\\*\\pn\\pnlvlblt{\\pntxtb \\'b7}}{\\pn{\\pntxtb x}}Text"), "Text"},
        {"later versions' tables",
         rtf("{\\*\\rsidtbl \\rsid1}{\\*\\themedata 504b}{\\*\\colorschememapping 3c3f}"
             "{\\*\\latentstyles\\lsdstimax376{\\lsdlockedexcept Normal;}}{\\*\\datastore 0105}"
             "{\\*\\xmlnstbl{\\xmlns1 http://x}}{\\rsidtbl \\rsid2}{\\xmlnstbl x}Text"),
         "Text"},
        {"list text shows the number", rtf("{\\listtext 1.\\tab}First\\par{\\listtext 2.\\tab}Second"),
         "1.\tFirst\n2.\tSecond"},
        {"list text with its own paragraph properties",
         rtf("{\\fonttbl{\\f3\\fcharset2 Symbol;}}{\\listtext\\pard\\plain\\f3\\'b7\\tab}\\pard\\ls1\\ilvl0 Item\\par"),
         "•\tItem"},
        {"old list text", rtf("{\\pntext\\f1 a)\\tab}{\\*\\pn\\pnlvlbody\\pnlcltr{\\pntxta )}}Item"), "a)\tItem"},
    };
    for (const TextRow& row : rows)
        checkText(row);
}

TEST(RtfReader, AnyLineEndReadsTheSame)
{
    const QByteArray lines[] = {
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}",
        "\\pard\\qc{\\b Title}\\par",
        "\\pard Some text that goes on",
        "to the next line.\\par",
        "Last\\",
        "line}",
    };
    QString expected;
    for (const char* end : {"\n", "\r\n", "\r"}) {
        SCOPED_TRACE(end[1] ? "CR LF" : end[0] == '\n' ? "LF" : "CR");
        QByteArray data;
        for (const QByteArray& line : lines)
            data += line + end;
        QTextDocument document;
        ASSERT_TRUE(readRtf(data, document));
        const QString text = blocksText(document);
        EXPECT_EQ(text, QStringLiteral("Title\nSome text that goes onto the next line.\nLast\nline"));
        EXPECT_EQ(document.find(QStringLiteral("Title")).charFormat().fontWeight(), QFont::Bold);
        EXPECT_EQ(document.begin().blockFormat().alignment(), Qt::AlignHCenter);
    }
}

TEST(RtfReader, CharacterFormats)
{
    const QByteArray data = rtf("{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
                                "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                                "\\pard plain {\\b bold {\\i bolditalic} boldagain} after \\b on\\b0  off "
                                "{\\ul under\\ulnone  nounder} {\\uldb dbl\\ul0  single} {\\strike gone} "
                                "\\fs36 heading\\fs24  normal {\\f1 mono} {\\cf1 red} {\\cf2 blue} {\\cf0 auto} "
                                "\\b\\i\\ul\\fs40\\f1\\cf1 \\plain reset\\par");
    QTextDocument document;
    ASSERT_TRUE(readRtf(data, document));

    const struct {
        const char* word;
        bool bold;
        bool italic;
        bool underline;
        double points; // 0: the base font's size
        const char* family;
        QColor color; // invalid: the default colour
        bool strike = false;
    } rows[] = {
        {"plain", false, false, false, 0, "Arial", {}},
        {"bold", true, false, false, 0, "Arial", {}},
        {"bolditalic", true, true, false, 0, "Arial", {}},
        {"boldagain", true, false, false, 0, "Arial", {}},
        {"after", false, false, false, 0, "Arial", {}},
        {"on", true, false, false, 0, "Arial", {}},
        {"off", false, false, false, 0, "Arial", {}},
        {"under", false, false, true, 0, "Arial", {}},
        {"nounder", false, false, false, 0, "Arial", {}},
        {"dbl", false, false, true, 0, "Arial", {}},
        {"single", false, false, false, 0, "Arial", {}},
        {"gone", false, false, false, 0, "Arial", {}, true},
        {"heading", false, false, false, 18, "Arial", {}},
        {"normal", false, false, false, 12, "Arial", {}},
        {"mono", false, false, false, 12, "Courier New", {}},
        {"red", false, false, false, 12, "Arial", QColor(255, 0, 0)},
        {"blue", false, false, false, 12, "Arial", QColor(0, 0, 255)},
        {"auto", false, false, false, 12, "Arial", {}},
        {"reset", false, false, false, 0, "Arial", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.word);
        const QTextCursor found = document.find(QString::fromLatin1(row.word), 0,
                                                QTextDocument::FindCaseSensitively | QTextDocument::FindWholeWords);
        ASSERT_FALSE(found.isNull());
        const QTextCharFormat format = found.charFormat();
        EXPECT_EQ(format.fontWeight() == QFont::Bold, row.bold);
        EXPECT_EQ(format.fontItalic(), row.italic);
        EXPECT_EQ(format.fontUnderline(), row.underline);
        EXPECT_EQ(format.fontStrikeOut(), row.strike);
        EXPECT_EQ(format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : 0.0, row.points);
        EXPECT_EQ(format.fontFamilies().toStringList().value(0), QString::fromLatin1(row.family));
        if (row.color.isValid())
            EXPECT_EQ(format.foreground().color(), row.color);
        else
            EXPECT_FALSE(format.hasProperty(QTextFormat::ForegroundBrush));
    }
}

TEST(RtfReader, KeepsTheBaseFontWhereTheDocumentNamesNone)
{
    QFont base(QStringLiteral("Courier New"));
    base.setPixelSize(11);
    QTextDocument document;
    document.setDefaultFont(base);
    ASSERT_TRUE(readRtf("{\\rtf1 {\\b x} {\\fonttbl{\\f3\\fcharset2 Symbol;}}\\f3\\'b7}", document));
    EXPECT_EQ(document.defaultFont().pixelSize(), 11);
    EXPECT_EQ(document.defaultFont().family(), QStringLiteral("Courier New"));
    // Neither a missing font table entry nor a symbol font sets a family.
    for (QTextBlock::iterator it = document.begin().begin(); !it.atEnd(); ++it) {
        EXPECT_FALSE(it.fragment().charFormat().hasProperty(QTextFormat::FontFamilies));
        EXPECT_FALSE(it.fragment().charFormat().hasProperty(QTextFormat::FontPointSize));
    }
}

TEST(RtfReader, ParagraphFormats)
{
    const QByteArray data = rtf("\\pard\\qc Centre\\par\\pard Left\\par\\qr Right\\par\\pard\\qj Justified\\par"
                                "\\pard Late\\qc\\par\\pard\\li1440\\ri720\\fi-360\\sb240\\sa120 Indented\\par"
                                "\\pard{\\qc Grouped}\\par\\pard\\fs48\\par\\pard Last");
    QTextDocument document;
    ASSERT_TRUE(readRtf(data, document));
    ASSERT_EQ(document.blockCount(), 9);

    const struct {
        const char* text;
        Qt::Alignment alignment;
    } rows[] = {
        {"Centre", Qt::AlignHCenter},
        {"Left", Qt::AlignLeft},
        {"Right", Qt::AlignRight},
        {"Justified", Qt::AlignJustify},
        // A paragraph's properties are those at its end.
        {"Late", Qt::AlignHCenter},
        {"Indented", Qt::AlignLeft},
        // Paragraph properties, like the rest, end with their group.
        {"Grouped", Qt::AlignLeft},
        {"", Qt::AlignLeft},
        {"Last", Qt::AlignLeft},
    };
    QTextBlock block = document.begin();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(block.text(), QString::fromLatin1(row.text));
        EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, row.alignment);
        block = block.next();
    }

    const QTextBlockFormat indented = document.findBlockByNumber(5).blockFormat();
    EXPECT_EQ(indented.leftMargin(), 96);
    EXPECT_EQ(indented.rightMargin(), 48);
    EXPECT_EQ(indented.textIndent(), -24);
    EXPECT_EQ(indented.topMargin(), 16);
    EXPECT_EQ(indented.bottomMargin(), 8);
    EXPECT_EQ(document.findBlockByNumber(6).blockFormat().leftMargin(), 0);
    // An empty line is as tall as its paragraph mark's font.
    EXPECT_EQ(document.findBlockByNumber(7).charFormat().fontPointSize(), 24);
}

TEST(RtfReader, Tables)
{
    struct Row {
        const char* name;
        QByteArray data;
        int tables;
        int rows;
        int columns;
        QStringList cells; // row by row; the first table's
        const char* text;  // the blocks, cells included
    };
    const QByteArray twoByTwo
        = "Before\\par"
          "\\trowd\\trgaph108\\cellx2000\\cellx4000\r\n\\pard\\intbl A1\\cell B1\\cell\\row\r\n"
          "\\trowd\\trgaph108\\cellx2000\\cellx4000\r\n\\pard\\intbl A2\\cell\\pard\\intbl B2\\cell\\row\r\n"
          "\\pard After\\par";
    // As word processors write it: the list text ahead of the paragraph's
    // own \pard, and the row definition again in a group before \row.
    const QByteArray wordStyle = "{\\fonttbl{\\f3\\fcharset2 Symbol;}}"
                                 "\\trowd\\irow0\\trbrdrt\\brdrs\\brdrw10\\cellx3000\\cellx6000"
                                 "{\\listtext\\pard\\plain\\f3\\'b7\\tab}\\pard\\plain\\intbl\\ls1 Item\\cell"
                                 "\\pard\\intbl Two\\par lines\\cell "
                                 "\\pard\\plain\\intbl{\\trowd\\irow0\\trbrdrt\\brdrs\\cellx3000\\cellx6000\\row }"
                                 "\\pard Done\\par";
    const QByteArray uneven = "\\trowd\\cellx3000\\cellx6000\\intbl a\\cell b\\cell\\row"
                              "\\trowd\\cellx2000\\cellx4000\\cellx6000\\intbl c\\cell d\\cell e\\cell\\row\\pard";
    const QByteArray twoTables
        = "\\trowd\\cellx3000\\intbl one\\cell\\row\\pard Between\\par\\trowd\\cellx3000\\intbl two\\cell\\row";
    const QByteArray nested = "\\trowd\\cellx6000\\pard\\intbl Outer\\par\\itap2 in1\\nestcell in2\\nestcell"
                              "{\\*\\nesttableprops\\trowd\\cellx2000\\cellx4000\\nestrow}\\itap1 \\cell\\row";
    const Row rows[] = {
        {"two by two", twoByTwo, 1, 2, 2, {"A1", "B1", "A2", "B2"}, "Before\nA1\nB1\nA2\nB2\nAfter"},
        {"word processor style", wordStyle, 1, 1, 2, {"•\tItem", "Two\nlines"}, "\n•\tItem\nTwo\nlines\nDone"},
        {"a row of more cells widens the table", uneven, 1, 2, 3, {"a", "b", "", "c", "d", "e"}, "\na\nb\nc\nd\ne\n"},
        {"rows apart are tables apart", twoTables, 2, 1, 1, {"one"}, "\none\nBetween\ntwo\n"},
        {"nested tables are flattened", nested, 1, 1, 1, {"Outer\nin1\nin2\n"}, "\nOuter\nin1\nin2\n\n"},
        {"a cell with no table definition", "\\intbl lone\\cell", 1, 1, 1, {"lone"}, "\nlone\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTextDocument document;
        ASSERT_TRUE(readRtf(rtf(row.data), document));
        EXPECT_EQ(blocksText(document), QString::fromUtf8(row.text));
        const QList<QTextTable*> found = tables(document);
        ASSERT_EQ(found.size(), row.tables);
        QTextTable* table = found.first();
        ASSERT_EQ(table->rows(), row.rows);
        ASSERT_EQ(table->columns(), row.columns);
        QStringList cells;
        for (int r = 0; r < table->rows(); ++r) {
            for (int c = 0; c < table->columns(); ++c)
                cells << (table->cellAt(r, c).column() == c ? cellText(table, r, c) : QString());
        }
        EXPECT_EQ(cells, row.cells);
    }

    QTextDocument document;
    ASSERT_TRUE(readRtf(rtf(uneven), document));
    EXPECT_EQ(tables(document).first()->cellAt(0, 1).columnSpan(), 2);
    ASSERT_TRUE(readRtf(rtf(wordStyle), document));
    EXPECT_EQ(tables(document).first()->format().border(), 1);
    ASSERT_TRUE(readRtf(rtf(twoByTwo), document));
    EXPECT_EQ(tables(document).first()->format().border(), 0);
}

TEST(RtfReader, DamagedDataNeverBreaksTheReader)
{
    QRandomGenerator random(20240611);
    const QByteArray sample = rtf(
        "{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}\\pard\\qc{\\b\\cf1 Title}\\par"
        "{\\listtext 1.\\tab}\\u8364?\\'e9\\trowd\\cellx100\\intbl x\\cell\\row{\\pict 0a0b}\\bin4 \x01\x02\x03\x04 "
        "end");
    for (int round = 0; round < 300; ++round) {
        QByteArray data;
        if (round % 2 == 0) {
            data = "{\\rtf1 " + QByteArray(int(random.bounded(4000)), Qt::Uninitialized);
            for (qsizetype i = 7; i < data.size(); ++i)
                data[i] = char(random.bounded(256));
        } else {
            data = sample;
            for (int flips = 0; flips < 8; ++flips)
                data[qsizetype(7 + random.bounded(int(data.size()) - 7))] = "{}\\ ;'-0a"[random.bounded(9)];
        }
        QTextDocument document;
        EXPECT_TRUE(readRtf(data, document));
    }

    // Deep nesting, endless cells and rows of absurd widths.
    QTextDocument document;
    ASSERT_TRUE(readRtf("{\\rtf1" + QByteArray(100000, '{') + "\\b deep" + QByteArray(10, '}'), document));
    EXPECT_EQ(document.toPlainText(), QStringLiteral("deep"));
    QByteArray wide = "{\\rtf1\\trowd";
    for (int i = 0; i < 1000; ++i)
        wide += "\\cellx" + QByteArray::number(i * 10) + " ";
    for (int i = 0; i < 1000; ++i)
        wide += "\\intbl c\\cell";
    ASSERT_TRUE(readRtf(wide + "\\row}", document));
    ASSERT_EQ(tables(document).size(), 1);
    EXPECT_LE(tables(document).first()->columns(), 64);
    EXPECT_EQ(document.toPlainText().count(QLatin1Char('c')), 1000);
}

TEST(RtfReader, ReadsAMegabyteDocumentWhole)
{
    QByteArray body = "{\\fonttbl{\\f0 Arial;}}";
    while (body.size() < 700 * 1024)
        body += "\\pard\\li720 Some {\\b bold} and {\\i italic\\'e9} text\\u8364?, in a paragraph.\\par\r\n";
    while (body.size() < 1024 * 1024)
        body += "\\trowd\\cellx2000\\cellx4000\\cellx6000\\pard\\intbl one\\cell two\\cell three\\cell\\row\r\n";
    QTextDocument document;
    ASSERT_TRUE(readRtf(rtf(body + "\\pard end"), document));
    EXPECT_GT(document.blockCount(), 8000);
    ASSERT_EQ(tables(document).size(), 1);
    EXPECT_GT(tables(document).first()->rows(), 3000);
}
