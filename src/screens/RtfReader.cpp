#include "screens/RtfReader.h"

#include <QColor>
#include <QList>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <array>
#include <climits>
#include <iterator>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace umbraxis {

namespace {

// Lengths are given in twips (1440 an inch); the screen has 96 pixels an inch.
constexpr double kTwipsPerPixel = 15.0;

// Groups nested deeper than this are counted but get no state of their own,
// so that a file of nothing but '{' cannot use up memory.
constexpr std::size_t kMaxDepth = 1000;

// More columns than any real table has; damaged data asking for more would
// otherwise build a table too wide to lay out.
constexpr int kMaxColumns = 64;

// Half-points; anything bigger is damage, and huge fonts are slow to draw.
constexpr int kMaxFontSize = 2000;

// Merging cells re-indexes the whole table each time, so a table of many
// uneven rows stops merging after this many cell visits and leaves the short
// rows' missing cells empty instead.
constexpr long long kMergeBudget = 2'000'000;

// The page the format assumes when the document gives none: Letter paper
// with 1.25 inch side margins.
constexpr int kDefaultPaperWidth = 12240;
constexpr int kDefaultSideMargin = 1800;

using CodeTable = std::array<char16_t, 256>;

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five codes it
// leaves undefined map to themselves, as Windows maps them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

CodeTable windows1252()
{
    CodeTable table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] = byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t(byte);
    return table;
}

// The converter name of a single-byte code page. Double-byte code pages are
// left out: their characters are split over two escapes, which are read one
// at a time here.
QByteArray converterName(int codePage)
{
    if ((codePage >= 1250 && codePage <= 1258) || codePage == 874)
        return "windows-" + QByteArray::number(codePage);
    switch (codePage) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 10000:
        return "macintosh";
    default:
        return {};
    }
}

// A code page the system cannot convert is read as 1252, which is right for
// the ASCII half and close for much of the rest.
CodeTable codeTableFor(int codePage)
{
    const QByteArray name = codePage == 1252 ? QByteArray() : converterName(codePage);
    if (!name.isEmpty()) {
        QStringDecoder decoder(name.constData());
        if (decoder.isValid()) {
            CodeTable table{};
            for (int byte = 0; byte < 256; ++byte) {
                const char c = char(byte);
                const QString text = decoder(QByteArrayView(&c, 1));
                decoder.resetState();
                table[byte] = text.size() == 1 ? text.at(0).unicode() : char16_t(QChar::ReplacementCharacter);
            }
            return table;
        }
    }
    return windows1252();
}

// The code page of a font's \fcharset; 0 leaves the document's own.
int charsetCodePage(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 255:
        return 437;
    default:
        return 0;
    }
}

// Symbol fonts put their own glyphs on the byte codes. Bullets in lists are
// written in them, so the common ones are shown as the Unicode characters
// they look like rather than as the letters the codes stand for elsewhere.
enum class SymbolSet { None, Symbol, Wingdings, Other };

struct Glyph {
    uchar code;
    char16_t ch;
};

constexpr Glyph kSymbolGlyphs[] = {
    {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212}, {0x40, 0x2245},
    {0x5C, 0x2234}, {0x5E, 0x22A5}, {0x7E, 0x223C}, {0xA2, 0x2032}, {0xA3, 0x2264}, {0xA5, 0x221E},
    {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAC, 0x2190}, {0xAD, 0x2191},
    {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB2, 0x2033}, {0xB3, 0x2265}, {0xB4, 0x00D7}, {0xB6, 0x2202},
    {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBB, 0x2248}, {0xBC, 0x2026}, {0xC5, 0x2295},
    {0xC6, 0x2205}, {0xC7, 0x2229}, {0xC8, 0x222A}, {0xCE, 0x2208}, {0xCF, 0x2209}, {0xD0, 0x2220},
    {0xD2, 0x00AE}, {0xD3, 0x00A9}, {0xD4, 0x2122}, {0xD5, 0x220F}, {0xD6, 0x221A}, {0xD7, 0x22C5},
    {0xD8, 0x00AC}, {0xD9, 0x2227}, {0xDA, 0x2228}, {0xDB, 0x21D4}, {0xDC, 0x21D0}, {0xDD, 0x21D1},
    {0xDE, 0x21D2}, {0xDF, 0x21D3}, {0xE0, 0x25CA}, {0xE5, 0x2211}, {0xF2, 0x222B},
};

// Greek letters sit where the Latin ones are.
constexpr char16_t kSymbolUpper[26] = {
    0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C,
    0x039D, 0x039F, 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396,
};
constexpr char16_t kSymbolLower[26] = {
    0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC,
    0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6,
};

constexpr Glyph kWingdingsGlyphs[] = {
    {0x6C, 0x25CF}, {0x6E, 0x25A0}, {0x6F, 0x25A1}, {0x71, 0x2751}, {0x75, 0x25C6},
    {0x76, 0x2756}, {0xA7, 0x25AA}, {0xD8, 0x27A2}, {0xFC, 0x2714},
};

char16_t findGlyph(const Glyph* begin, const Glyph* end, uchar code)
{
    const Glyph* found = std::find_if(begin, end, [code](const Glyph& glyph) { return glyph.code == code; });
    return found == end ? 0 : found->ch;
}

char16_t symbolGlyph(SymbolSet set, uchar code)
{
    switch (set) {
    case SymbolSet::Symbol:
        if (code >= 'A' && code <= 'Z')
            return kSymbolUpper[code - 'A'];
        if (code >= 'a' && code <= 'z')
            return kSymbolLower[code - 'a'];
        if (const char16_t ch = findGlyph(std::begin(kSymbolGlyphs), std::end(kSymbolGlyphs), code))
            return ch;
        return code;
    case SymbolSet::Wingdings:
        // Whatever else a Wingdings code is, in running text it is some kind of bullet.
        if (const char16_t ch = findGlyph(std::begin(kWingdingsGlyphs), std::end(kWingdingsGlyphs), code))
            return ch;
        return code > 0x20 ? char16_t(0x2022) : char16_t(code);
    case SymbolSet::Other:
    case SymbolSet::None:
        break;
    }
    return code;
}

struct FontEntry {
    QString family;
    int codePage = 0;  // 0: the document's code page
    SymbolSet symbols = SymbolSet::None;
};

struct CharProps {
    int font = -1;        // -1: the document's default font
    int halfPoints = 0;   // 0: the size of the base font
    int color = 0;        // 0: the default colour
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    QTextCharFormat::VerticalAlignment vertical = QTextCharFormat::AlignNormal;
    QFont::Capitalization caps = QFont::MixedCase;

    bool operator==(const CharProps&) const = default;
};

enum class Align { Left, Center, Right, Justify };

struct ParaProps {
    Align align = Align::Left;
    int leftIndent = 0;  // twips, like the rest
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    bool inTable = false;
    bool rightToLeft = false;
};

enum class Destination { Text, Skip, FontTable, ColorTable };

// What a group saves when it opens and gets back when it ends.
struct GroupState {
    CharProps chars;
    ParaProps para;
    Destination destination = Destination::Text;
    int fallbackLength = 1;  // characters that follow a \u for readers without Unicode
};

struct Run {
    CharProps props;
    QString text;
};

struct Paragraph {
    ParaProps para;
    CharProps mark;  // the paragraph mark's format, which sizes an empty line
    std::vector<Run> runs;
};

struct TableCell {
    std::vector<Paragraph> paragraphs;
};

struct TableRow {
    std::vector<TableCell> cells;
    std::vector<int> edges;  // right edges of the cells, twips
    int left = 0;
    bool borders = false;
    Qt::Alignment alignment = Qt::AlignLeft;
};

enum class Key {
    Ansi, Mac, Pc, Pca, CodePage, DefaultFont, PaperWidth, LeftMargin, RightMargin,
    FallbackLength, Unicode, Binary,
    FontTable, ColorTable, SkipGroup,
    Font, Charset, FontCodePage, Red, Green, Blue,
    Plain, Bold, Italic, Underline, NoUnderline, Strike, FontSize, Color, Hidden,
    Superscript, Subscript, NoSuperSub, Caps, SmallCaps,
    Pard, Par, Char, SoftBreak, AlignLeft, AlignCenter, AlignRight, AlignJustify,
    LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter, InTable, TableLevel,
    RightToLeft, LeftToRight,
    RowDefaults, RowLeft, RowCenter, RowRight, CellEdge, Cell, Row, NestedCell,
    TableBorderSide, ParagraphBorderSide, BorderStyle,
};

struct KeyInfo {
    Key key;
    char16_t ch = 0;  // the character a Key::Char stands for
};

const std::unordered_map<std::string_view, KeyInfo>& keywords()
{
    static const std::unordered_map<std::string_view, KeyInfo> table = [] {
        std::unordered_map<std::string_view, KeyInfo> map = {
            {"ansi", {Key::Ansi}}, {"mac", {Key::Mac}}, {"pc", {Key::Pc}}, {"pca", {Key::Pca}},
            {"ansicpg", {Key::CodePage}}, {"deff", {Key::DefaultFont}}, {"paperw", {Key::PaperWidth}},
            {"margl", {Key::LeftMargin}}, {"margr", {Key::RightMargin}}, {"uc", {Key::FallbackLength}},
            {"u", {Key::Unicode}}, {"bin", {Key::Binary}},
            {"fonttbl", {Key::FontTable}}, {"colortbl", {Key::ColorTable}},
            {"f", {Key::Font}}, {"fcharset", {Key::Charset}}, {"cpg", {Key::FontCodePage}},
            {"red", {Key::Red}}, {"green", {Key::Green}}, {"blue", {Key::Blue}},
            {"plain", {Key::Plain}}, {"b", {Key::Bold}}, {"i", {Key::Italic}}, {"ulnone", {Key::NoUnderline}},
            {"strike", {Key::Strike}}, {"striked", {Key::Strike}}, {"fs", {Key::FontSize}}, {"cf", {Key::Color}},
            {"v", {Key::Hidden}}, {"super", {Key::Superscript}}, {"sub", {Key::Subscript}},
            {"nosupersub", {Key::NoSuperSub}}, {"caps", {Key::Caps}}, {"scaps", {Key::SmallCaps}},
            {"pard", {Key::Pard}}, {"par", {Key::Par}}, {"page", {Key::SoftBreak}}, {"sect", {Key::SoftBreak}},
            {"column", {Key::SoftBreak}}, {"ql", {Key::AlignLeft}}, {"qc", {Key::AlignCenter}},
            {"qr", {Key::AlignRight}}, {"qj", {Key::AlignJustify}}, {"qd", {Key::AlignJustify}},
            {"li", {Key::LeftIndent}}, {"ri", {Key::RightIndent}}, {"fi", {Key::FirstIndent}},
            {"sb", {Key::SpaceBefore}}, {"sa", {Key::SpaceAfter}}, {"intbl", {Key::InTable}},
            {"itap", {Key::TableLevel}}, {"rtlpar", {Key::RightToLeft}}, {"ltrpar", {Key::LeftToRight}},
            {"trowd", {Key::RowDefaults}}, {"trleft", {Key::RowLeft}}, {"trqc", {Key::RowCenter}},
            {"trqr", {Key::RowRight}}, {"cellx", {Key::CellEdge}}, {"cell", {Key::Cell}}, {"row", {Key::Row}},
            {"nestcell", {Key::NestedCell}},
            {"tab", {Key::Char, u'\t'}}, {"line", {Key::Char, 0x2028}}, {"emdash", {Key::Char, 0x2014}},
            {"endash", {Key::Char, 0x2013}}, {"lquote", {Key::Char, 0x2018}}, {"rquote", {Key::Char, 0x2019}},
            {"ldblquote", {Key::Char, 0x201C}}, {"rdblquote", {Key::Char, 0x201D}},
            {"bullet", {Key::Char, 0x2022}}, {"emspace", {Key::Char, 0x2003}}, {"enspace", {Key::Char, 0x2002}},
            {"qmspace", {Key::Char, 0x2005}}, {"zwj", {Key::Char, 0x200D}}, {"zwnj", {Key::Char, 0x200C}},
            {"ltrmark", {Key::Char, 0x200E}}, {"rtlmark", {Key::Char, 0x200F}},
            {"brdrt", {Key::ParagraphBorderSide}}, {"brdrl", {Key::ParagraphBorderSide}},
            {"brdrb", {Key::ParagraphBorderSide}}, {"brdrr", {Key::ParagraphBorderSide}},
            {"brdrbtw", {Key::ParagraphBorderSide}}, {"brdrbar", {Key::ParagraphBorderSide}},
            {"box", {Key::ParagraphBorderSide}},
        };
        // Every kind of underline reads as an underline here.
        for (const char* name : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash",
                                 "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash",
                                 "ululdbwave", "ulw", "ulwave"})
            map.emplace(name, KeyInfo{Key::Underline});
        for (const char* name : {"clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr", "trbrdrt", "trbrdrl", "trbrdrb",
                                 "trbrdrr", "trbrdrh", "trbrdrv"})
            map.emplace(name, KeyInfo{Key::TableBorderSide});
        for (const char* name : {"brdrs", "brdrth", "brdrsh", "brdrdb", "brdrdot", "brdrdash", "brdrhair",
                                 "brdrinset", "brdroutset", "brdrtriple", "brdrdashsm", "brdrdashd",
                                 "brdrdashdd", "brdrwavy", "brdrwavydb", "brdremboss", "brdrengrave",
                                 "brdrframe"})
            map.emplace(name, KeyInfo{Key::BorderStyle});
        // Groups whose content is not text: document properties, pictures,
        // embedded objects, page furniture, field codes, bookmarks and the
        // tables of later format versions. Most are written behind \* as
        // well, but older writers leave that out.
        for (const char* name :
             {"stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf", "footer",
              "footerl", "footerr", "footerf", "footnote", "fldinst", "xmlnstbl", "listtable",
              "listoverridetable", "rsidtbl", "themedata", "colorschememapping", "latentstyles", "datastore",
              "bkmkstart", "bkmkend", "pn", "pntxta", "pntxtb", "nonshppict", "shp", "shpgrp", "filetbl",
              "revtbl", "generator", "annotation", "atnid", "atnauthor", "atrfstart", "atrfend", "atndate",
              "xe", "tc", "txe", "rxe", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn",
              "template", "userprops", "docvar", "fchars", "lchars", "pgdsctbl", "objdata", "protusertbl",
              "passwordhash", "mmathPr", "wgrffmtfilter", "listpicture", "fldtype", "blipuid", "picprop",
              "comment", "author", "operator", "title", "subject", "keywords", "company", "doccomm"})
            map.emplace(name, KeyInfo{Key::SkipGroup});
        return map;
    }();
    return table;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isBlank(const std::vector<Run>& runs)
{
    return std::all_of(runs.begin(), runs.end(), [](const Run& run) { return run.text.trimmed().isEmpty(); });
}

class RtfReader {
public:
    RtfReader(const QByteArray& data, QTextDocument& document)
        : m_data(data.constData()), m_size(data.size()), m_cursor(&document)
    {
    }

    void read()
    {
        m_cursor.beginEditBlock();
        while (m_pos < m_size) {
            const char c = m_data[m_pos++];
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                closeGroup();
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                break;
            default:
                rawByte(uchar(c));
                break;
            }
        }
        finish();
        m_cursor.endEditBlock();
    }

private:
    // --- Tokens ---

    void openGroup()
    {
        m_fallbackLeft = 0;
        if (m_stack.size() >= kMaxDepth) {
            ++m_overflow;
            return;
        }
        m_stack.push_back(m_state);
    }

    void closeGroup()
    {
        m_fallbackLeft = 0;
        if (m_overflow > 0) {
            --m_overflow;
            return;
        }
        // A closing brace with no group open is damage; reading goes on.
        if (m_stack.empty())
            return;
        // The last font of a table may end with its group instead of ';'.
        if (m_state.destination == Destination::FontTable)
            commitFont();
        m_state = m_stack.back();
        m_stack.pop_back();
    }

    void controlSequence()
    {
        if (m_pos >= m_size)
            return;
        if (!isLetter(m_data[m_pos])) {
            controlSymbol(m_data[m_pos++]);
            return;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_size && isLetter(m_data[m_pos]))
            ++m_pos;
        const std::string_view name(m_data + start, std::size_t(m_pos - start));

        bool negative = false;
        if (m_pos + 1 < m_size && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        bool hasParam = false;
        long long value = 0;
        while (m_pos < m_size && isDigit(m_data[m_pos])) {
            hasParam = true;
            if (value < INT_MAX)
                value = value * 10 + (m_data[m_pos] - '0');
            ++m_pos;
        }
        value = std::min<long long>(value, INT_MAX);
        // A space ends the word and belongs to it.
        if (m_pos < m_size && m_data[m_pos] == ' ')
            ++m_pos;
        controlWord(name, hasParam, int(negative ? -value : value));
    }

    void controlSymbol(char c)
    {
        if (c == '\'') {
            hexEscape();
            return;
        }
        if (skipFallback())
            return;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            character(char16_t(c));
            break;
        case '*':
            // A destination marked ignorable: nothing in it is shown.
            m_state.destination = Destination::Skip;
            break;
        case '~':
            special(QChar::Nbsp);
            break;
        case '_':
            special(0x2011);
            break;
        case '\t':
            special(u'\t');
            break;
        case '\r':
        case '\n':
            if (m_state.destination == Destination::Text)
                endParagraph();
            break;
        default:
            // Optional hyphens (\-) and the index and formula symbols show nothing.
            break;
        }
    }

    void hexEscape()
    {
        int byte = 0;
        int digits = 0;
        while (digits < 2 && m_pos < m_size) {
            const int value = hexValue(m_data[m_pos]);
            if (value < 0)
                break;
            byte = byte * 16 + value;
            ++digits;
            ++m_pos;
        }
        if (skipFallback() || digits == 0)
            return;
        character(decode(uchar(byte)));
    }

    void rawByte(uchar byte)
    {
        if (skipFallback())
            return;
        if (byte == '\t') {
            special(u'\t');
            return;
        }
        if (byte < 0x20)
            return;
        character(decode(byte));
    }

    // After \uN the next characters are the text for readers without
    // Unicode; they are dropped, each escape or control word counting as one.
    bool skipFallback()
    {
        if (m_fallbackLeft <= 0)
            return false;
        --m_fallbackLeft;
        return true;
    }

    void controlWord(std::string_view name, bool hasParam, int param)
    {
        const auto& table = keywords();
        const auto found = table.find(name);
        if (found != table.end() && found->second.key == Key::Binary) {
            // The binary data is skipped whatever destination it is in.
            const qsizetype length = std::clamp<qsizetype>(param, 0, m_size - m_pos);
            m_pos += length;
            skipFallback();
            return;
        }
        if (skipFallback() || found == table.end() || m_state.destination == Destination::Skip)
            return;
        const KeyInfo info = found->second;
        const bool on = !hasParam || param != 0;

        switch (info.key) {
        case Key::FontTable:
            m_state.destination = Destination::FontTable;
            m_fontNumber = -1;
            m_fontName.clear();
            return;
        case Key::ColorTable:
            m_state.destination = Destination::ColorTable;
            m_colorSet = false;
            m_red = m_green = m_blue = 0;
            return;
        case Key::SkipGroup:
            m_state.destination = Destination::Skip;
            return;
        case Key::Unicode:
            if (hasParam)
                unicode(param);
            return;
        default:
            break;
        }

        if (m_state.destination == Destination::FontTable) {
            fontTableWord(info.key, param);
            return;
        }
        if (m_state.destination == Destination::ColorTable) {
            colorTableWord(info.key, param);
            return;
        }

        CharProps& chars = m_state.chars;
        ParaProps& para = m_state.para;
        switch (info.key) {
        case Key::Ansi:
            setCodePage(1252);
            break;
        case Key::Mac:
            setCodePage(10000);
            break;
        case Key::Pc:
            setCodePage(437);
            break;
        case Key::Pca:
            setCodePage(850);
            break;
        case Key::CodePage:
            setCodePage(param > 0 ? param : 1252);
            break;
        case Key::DefaultFont:
            m_defaultFont = std::max(0, param);
            m_decodingFont = INT_MIN;
            break;
        case Key::PaperWidth:
            m_paperWidth = param;
            break;
        case Key::LeftMargin:
            m_leftMargin = param;
            break;
        case Key::RightMargin:
            m_rightMargin = param;
            break;
        case Key::FallbackLength:
            m_state.fallbackLength = std::max(0, param);
            break;
        case Key::Plain:
            chars = CharProps();
            break;
        case Key::Font:
            chars.font = std::max(0, param);
            break;
        case Key::FontSize:
            chars.halfPoints = std::clamp(param, 0, kMaxFontSize);
            break;
        case Key::Color:
            chars.color = std::max(0, param);
            break;
        case Key::Bold:
            chars.bold = on;
            break;
        case Key::Italic:
            chars.italic = on;
            break;
        case Key::Underline:
            chars.underline = on;
            break;
        case Key::NoUnderline:
            chars.underline = false;
            break;
        case Key::Strike:
            chars.strike = on;
            break;
        case Key::Hidden:
            chars.hidden = on;
            break;
        case Key::Superscript:
            chars.vertical = QTextCharFormat::AlignSuperScript;
            break;
        case Key::Subscript:
            chars.vertical = QTextCharFormat::AlignSubScript;
            break;
        case Key::NoSuperSub:
            chars.vertical = QTextCharFormat::AlignNormal;
            break;
        case Key::Caps:
            chars.caps = on ? QFont::AllUppercase : QFont::MixedCase;
            break;
        case Key::SmallCaps:
            chars.caps = on ? QFont::SmallCaps : QFont::MixedCase;
            break;
        case Key::Pard:
            para = ParaProps();
            break;
        case Key::Par:
        case Key::NestedCell:
            // Nested tables are flattened: each of their cells is a paragraph of the outer cell.
            endParagraph();
            break;
        case Key::SoftBreak:
            // Page, section and column breaks mean nothing on screen, but
            // text on both sides of one must not run together.
            if (!m_runs.empty())
                endParagraph();
            break;
        case Key::Char:
            special(info.ch);
            break;
        case Key::AlignLeft:
            para.align = Align::Left;
            break;
        case Key::AlignCenter:
            para.align = Align::Center;
            break;
        case Key::AlignRight:
            para.align = Align::Right;
            break;
        case Key::AlignJustify:
            para.align = Align::Justify;
            break;
        case Key::LeftIndent:
            para.leftIndent = param;
            break;
        case Key::RightIndent:
            para.rightIndent = param;
            break;
        case Key::FirstIndent:
            para.firstIndent = param;
            break;
        case Key::SpaceBefore:
            para.spaceBefore = std::max(0, param);
            break;
        case Key::SpaceAfter:
            para.spaceAfter = std::max(0, param);
            break;
        case Key::InTable:
            para.inTable = true;
            break;
        case Key::TableLevel:
            para.inTable = param > 0;
            break;
        case Key::RightToLeft:
            para.rightToLeft = true;
            break;
        case Key::LeftToRight:
            para.rightToLeft = false;
            break;
        case Key::RowDefaults:
            m_rowEdges.clear();
            m_rowLeft = 0;
            m_rowBorders = false;
            m_rowAlignment = Qt::AlignLeft;
            m_tableBorderSide = false;
            break;
        case Key::RowLeft:
            m_rowLeft = param;
            break;
        case Key::RowCenter:
            m_rowAlignment = Qt::AlignHCenter;
            break;
        case Key::RowRight:
            m_rowAlignment = Qt::AlignRight;
            break;
        case Key::CellEdge:
            if (m_rowEdges.size() < std::size_t(kMaxColumns))
                m_rowEdges.push_back(param);
            break;
        case Key::Cell:
            endCell();
            break;
        case Key::Row:
            endRow();
            break;
        case Key::TableBorderSide:
            m_tableBorderSide = true;
            break;
        case Key::ParagraphBorderSide:
            m_tableBorderSide = false;
            break;
        case Key::BorderStyle:
            // Only a cell's or row's border draws the table's lines.
            if (m_tableBorderSide)
                m_rowBorders = true;
            break;
        default:
            break;
        }
    }

    void unicode(int param)
    {
        // The parameter is a signed 16-bit value: characters above U+7FFF are written negative.
        char16_t ch = char16_t(param & 0xFFFF);
        // Symbol fonts' glyphs are also written at U+F000 plus their byte code.
        if (ch >= 0xF020 && ch <= 0xF0FF) {
            const FontEntry* font = currentFont();
            if (font && font->symbols != SymbolSet::None)
                ch = symbolGlyph(font->symbols, uchar(ch & 0xFF));
        }
        character(ch);
        m_fallbackLeft = m_state.fallbackLength;
    }

    // --- Font and colour tables ---

    void fontTableWord(Key key, int param)
    {
        switch (key) {
        case Key::Font:
            commitFont();
            m_fontNumber = std::max(0, param);
            m_fontEntry = FontEntry();
            break;
        case Key::Charset:
            if (param == 2)
                m_fontEntry.symbols = SymbolSet::Other;
            else
                m_fontEntry.codePage = charsetCodePage(param);
            break;
        case Key::FontCodePage:
            m_fontEntry.codePage = std::max(0, param);
            break;
        default:
            break;
        }
    }

    void commitFont()
    {
        const QString family = m_fontName.trimmed();
        m_fontName.clear();
        if (m_fontNumber < 0 || family.isEmpty())
            return;
        FontEntry entry = m_fontEntry;
        entry.family = family;
        // Some writers leave out the symbol charset of the usual symbol fonts.
        if (family.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0)
            entry.symbols = SymbolSet::Symbol;
        else if (family.compare(QLatin1String("Wingdings"), Qt::CaseInsensitive) == 0)
            entry.symbols = SymbolSet::Wingdings;
        m_fonts[m_fontNumber] = entry;
        m_fontNumber = -1;
        m_decodingFont = INT_MIN;
    }

    void colorTableWord(Key key, int param)
    {
        const int value = std::clamp(param, 0, 255);
        switch (key) {
        case Key::Red:
            m_red = value;
            m_colorSet = true;
            break;
        case Key::Green:
            m_green = value;
            m_colorSet = true;
            break;
        case Key::Blue:
            m_blue = value;
            m_colorSet = true;
            break;
        default:
            break;
        }
    }

    // --- Characters ---

    // A character of the data, in whatever destination is current.
    void character(char16_t ch)
    {
        switch (m_state.destination) {
        case Destination::Text:
            addText(ch);
            break;
        case Destination::FontTable:
            if (ch == u';')
                commitFont();
            else
                m_fontName.append(QChar(ch));
            break;
        case Destination::ColorTable:
            if (ch == u';') {
                // An entry with no colour given is the default colour.
                m_colors.append(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
                m_colorSet = false;
                m_red = m_green = m_blue = 0;
            }
            break;
        case Destination::Skip:
            break;
        }
    }

    // A character named by a control word, which is text only in text.
    void special(char16_t ch)
    {
        if (m_state.destination == Destination::Text)
            addText(ch);
    }

    void addText(char16_t ch)
    {
        if (m_state.chars.hidden)
            return;
        if (m_runs.empty() || !(m_runs.back().props == m_state.chars))
            m_runs.push_back({m_state.chars, QString()});
        m_runs.back().text.append(QChar(ch));
    }

    void setCodePage(int codePage)
    {
        m_codePage = codePage;
        m_decodingFont = INT_MIN;
    }

    const CodeTable& codeTable(int codePage)
    {
        auto found = m_tables.find(codePage);
        if (found == m_tables.end())
            found = m_tables.emplace(codePage, codeTableFor(codePage)).first;
        return found->second;
    }

    int currentFontNumber() const
    {
        return m_state.chars.font >= 0 ? m_state.chars.font : m_defaultFont;
    }

    const FontEntry* currentFont() const
    {
        const auto found = m_fonts.find(currentFontNumber());
        return found == m_fonts.end() ? nullptr : &found->second;
    }

    // Bytes are decoded by the current font's code page, looked up again
    // only when the font changes.
    char16_t decode(uchar byte)
    {
        if (m_decodingFont != currentFontNumber()) {
            m_decodingFont = currentFontNumber();
            const FontEntry* font = currentFont();
            m_decodingSymbols = font ? font->symbols : SymbolSet::None;
            m_decodingTable = &codeTable(font && font->codePage > 0 ? font->codePage : m_codePage);
        }
        if (m_decodingSymbols != SymbolSet::None)
            return symbolGlyph(m_decodingSymbols, byte);
        return (*m_decodingTable)[byte];
    }

    // --- Paragraphs and tables ---

    Paragraph takeParagraph()
    {
        Paragraph paragraph{m_state.para, m_state.chars, std::move(m_runs)};
        m_runs.clear();
        return paragraph;
    }

    // A paragraph's properties are those in force at its end, so its text
    // is held until then; only then is it known whether it is in a table.
    void endParagraph()
    {
        if (m_state.para.inTable) {
            m_cell.paragraphs.push_back(takeParagraph());
            return;
        }
        writeTable();
        writeParagraph(takeParagraph());
    }

    void endCell()
    {
        m_cell.paragraphs.push_back(takeParagraph());
        TableRow& row = m_row;
        // A row of more cells than any table has: the rest join the last cell.
        if (row.cells.size() >= std::size_t(kMaxColumns)) {
            auto& last = row.cells.back().paragraphs;
            std::move(m_cell.paragraphs.begin(), m_cell.paragraphs.end(), std::back_inserter(last));
        } else {
            row.cells.push_back(std::move(m_cell));
        }
        m_cell = TableCell();
    }

    void endRow()
    {
        // Writers put the row's properties again just before \row; stray
        // spaces among them are not a cell.
        if (isBlank(m_runs))
            m_runs.clear();
        if (!m_runs.empty() || !m_cell.paragraphs.empty())
            endCell();
        if (m_row.cells.empty())
            return;
        m_row.edges = m_rowEdges;
        m_row.left = m_rowLeft;
        m_row.borders = m_rowBorders;
        m_row.alignment = m_rowAlignment;
        m_rows.push_back(std::move(m_row));
        m_row = TableRow();
    }

    void writeParagraph(const Paragraph& paragraph)
    {
        if (m_blockUsed)
            m_cursor.insertBlock();
        m_cursor.setBlockFormat(blockFormat(paragraph.para));
        m_cursor.setBlockCharFormat(charFormat(paragraph.mark));
        for (const Run& run : paragraph.runs)
            m_cursor.insertText(run.text, charFormat(run.props));
        m_blockUsed = true;
    }

    // The rows read so far become one table. It is built whole, because a
    // table grown a row at a time re-indexes all its cells on every row.
    void writeTable()
    {
        if (!m_row.cells.empty() || !m_cell.paragraphs.empty())
            endRow();
        if (m_rows.empty())
            return;

        int columns = 1;
        for (const TableRow& row : m_rows)
            columns = std::max(columns, int(row.cells.size()));
        QTextTable* table = m_cursor.insertTable(int(m_rows.size()), columns, tableFormat(columns));

        for (std::size_t r = 0; r < m_rows.size(); ++r) {
            const TableRow& row = m_rows[r];
            for (std::size_t c = 0; c < row.cells.size(); ++c) {
                m_cursor = table->cellAt(int(r), int(c)).firstCursorPosition();
                m_blockUsed = false;
                for (const Paragraph& paragraph : row.cells[c].paragraphs)
                    writeParagraph(paragraph);
            }
        }
        // A row of fewer cells has wider ones; its last cell spans the rest.
        const long long cellCount = (long long)(m_rows.size()) * columns;
        long long spent = 0;
        for (std::size_t r = 0; r < m_rows.size(); ++r) {
            const int used = int(m_rows[r].cells.size());
            if (used >= columns)
                continue;
            spent += cellCount;
            if (spent > kMergeBudget)
                break;
            table->mergeCells(int(r), used - 1, 1, columns - used + 1);
        }

        m_cursor.setPosition(table->lastPosition() + 1);
        m_blockUsed = false;
        m_rows.clear();
    }

    QTextTableFormat tableFormat(int columns) const
    {
        QTextTableFormat format;
        format.setCellPadding(3);
        format.setCellSpacing(0);
        format.setBorderCollapse(true);
        const bool borders = std::any_of(m_rows.begin(), m_rows.end(), [](const TableRow& row) { return row.borders; });
        format.setBorder(borders ? 1 : 0);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setAlignment(m_rows.front().alignment);

        // Column widths come from the first row that has every column, as
        // shares of the row; the table is as wide, against the page's text
        // width, as the document made it.
        const auto model = std::find_if(m_rows.begin(), m_rows.end(), [columns](const TableRow& row) {
            return int(row.cells.size()) == columns && int(row.edges.size()) == columns;
        });
        if (model == m_rows.end())
            return format;
        const int total = model->edges.back() - model->left;
        int previous = model->left;
        QList<QTextLength> widths;
        for (const int edge : model->edges) {
            if (edge <= previous || total <= 0)
                return format;
            widths.append(QTextLength(QTextLength::PercentageLength, 100.0 * (edge - previous) / total));
            previous = edge;
        }
        format.setColumnWidthConstraints(widths);
        const int textWidth = m_paperWidth - m_leftMargin - m_rightMargin;
        if (textWidth > 0)
            format.setWidth(QTextLength(QTextLength::PercentageLength, std::min(100.0, 100.0 * total / textWidth)));
        return format;
    }

    void finish()
    {
        // Spaces or line ends after the last paragraph are no paragraph.
        if (isBlank(m_runs))
            m_runs.clear();
        if (!m_runs.empty())
            endParagraph();
        writeTable();
    }

    // --- Formats ---

    QTextCharFormat charFormat(const CharProps& props) const
    {
        QTextCharFormat format;
        const auto font = m_fonts.find(props.font >= 0 ? props.font : m_defaultFont);
        // Symbol fonts are not used by name: their characters have been
        // turned into Unicode ones, which the usual fonts have.
        if (font != m_fonts.end() && font->second.symbols == SymbolSet::None)
            format.setFontFamilies(QStringList{font->second.family});
        if (props.halfPoints > 0)
            format.setFontPointSize(props.halfPoints / 2.0);
        if (props.bold)
            format.setFontWeight(QFont::Bold);
        if (props.italic)
            format.setFontItalic(true);
        if (props.underline)
            format.setFontUnderline(true);
        if (props.strike)
            format.setFontStrikeOut(true);
        if (props.color > 0 && props.color < m_colors.size() && m_colors.at(props.color).isValid())
            format.setForeground(m_colors.at(props.color));
        if (props.vertical != QTextCharFormat::AlignNormal)
            format.setVerticalAlignment(props.vertical);
        if (props.caps != QFont::MixedCase)
            format.setFontCapitalization(props.caps);
        return format;
    }

    static QTextBlockFormat blockFormat(const ParaProps& para)
    {
        QTextBlockFormat format;
        // Left and right are meant as on the page, also in right-to-left paragraphs.
        const Qt::Alignment absolute = para.rightToLeft ? Qt::AlignAbsolute : Qt::Alignment();
        switch (para.align) {
        case Align::Left:
            format.setAlignment(Qt::AlignLeft | absolute);
            break;
        case Align::Center:
            format.setAlignment(Qt::AlignHCenter);
            break;
        case Align::Right:
            format.setAlignment(Qt::AlignRight | absolute);
            break;
        case Align::Justify:
            format.setAlignment(Qt::AlignJustify);
            break;
        }
        if (para.rightToLeft)
            format.setLayoutDirection(Qt::RightToLeft);
        if (para.leftIndent != 0)
            format.setLeftMargin(para.leftIndent / kTwipsPerPixel);
        if (para.rightIndent != 0)
            format.setRightMargin(para.rightIndent / kTwipsPerPixel);
        if (para.firstIndent != 0)
            format.setTextIndent(para.firstIndent / kTwipsPerPixel);
        // A hanging first line (a bullet or a number before a list item) has
        // a tab stop at the paragraph's own indent, so that its text lines up
        // with the lines below it. Tab stops count from the first line's start.
        if (para.firstIndent < 0)
            format.setTabPositions({QTextOption::Tab(-para.firstIndent / kTwipsPerPixel, QTextOption::LeftTab)});
        if (para.spaceBefore != 0)
            format.setTopMargin(para.spaceBefore / kTwipsPerPixel);
        if (para.spaceAfter != 0)
            format.setBottomMargin(para.spaceAfter / kTwipsPerPixel);
        return format;
    }

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    QTextCursor m_cursor;
    bool m_blockUsed = false;  // the cursor's block already holds a paragraph

    GroupState m_state;
    std::vector<GroupState> m_stack;
    int m_overflow = 0;
    int m_fallbackLeft = 0;

    int m_codePage = 1252;
    int m_defaultFont = 0;
    std::unordered_map<int, FontEntry> m_fonts;
    std::unordered_map<int, CodeTable> m_tables;
    int m_decodingFont = INT_MIN;
    SymbolSet m_decodingSymbols = SymbolSet::None;
    const CodeTable* m_decodingTable = nullptr;

    int m_fontNumber = -1;
    FontEntry m_fontEntry;
    QString m_fontName;

    QList<QColor> m_colors;
    bool m_colorSet = false;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;

    int m_paperWidth = kDefaultPaperWidth;
    int m_leftMargin = kDefaultSideMargin;
    int m_rightMargin = kDefaultSideMargin;

    std::vector<Run> m_runs;  // the text of the paragraph being read

    // The row definition in force; writers give it before a row's cells and
    // again before its \row.
    std::vector<int> m_rowEdges;
    int m_rowLeft = 0;
    bool m_rowBorders = false;
    Qt::Alignment m_rowAlignment = Qt::AlignLeft;
    bool m_tableBorderSide = false;  // the last border named was a cell's or a row's

    TableCell m_cell;
    TableRow m_row;
    std::vector<TableRow> m_rows;
};

} // namespace

bool looksLikeRtf(const QByteArray& data)
{
    return data.startsWith("{\\rtf");
}

bool readRtf(const QByteArray& data, QTextDocument& document)
{
    document.clear();
    if (!looksLikeRtf(data))
        return false;
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    RtfReader(data, document).read();
    document.setUndoRedoEnabled(undo);
    return true;
}

} // namespace umbraxis
