#include "screens/RtfKeywords.h"

#include "screens/RtfGroupState.h"

#include <QTextCharFormat>

#include <unordered_map>

namespace umbraxis::rtf {

namespace {

using KeywordMap = std::unordered_map<std::string_view, KeyInfo>;

constexpr int align(Align alignment)
{
    return int(alignment);
}

KeywordMap makeKeywords()
{
    KeywordMap map = {
        {"ansi", {Key::CharacterSet, 1252}},
        {"mac", {Key::CharacterSet, 10000}},
        {"pc", {Key::CharacterSet, 437}},
        {"pca", {Key::CharacterSet, 850}},
        {"ansicpg", {Key::CodePage}},
        {"deff", {Key::DefaultFont}},
        {"paperw", {Key::PaperWidth}},
        {"margl", {Key::LeftMargin}},
        {"margr", {Key::RightMargin}},
        {"uc", {Key::FallbackLength}},
        {"u", {Key::Unicode}},
        {"fonttbl", {Key::FontTable}},
        {"colortbl", {Key::ColorTable}},
        {"f", {Key::Font}},
        {"fcharset", {Key::Charset}},
        {"cpg", {Key::FontCodePage}},
        {"red", {Key::Red}},
        {"green", {Key::Green}},
        {"blue", {Key::Blue}},
        {"plain", {Key::Plain}},
        {"b", {Key::Bold}},
        {"i", {Key::Italic}},
        {"ulnone", {Key::NoUnderline}},
        {"strike", {Key::Strike}},
        {"striked", {Key::Strike}},
        {"fs", {Key::FontSize}},
        {"cf", {Key::Color}},
        {"v", {Key::Hidden}},
        {"super", {Key::Vertical, QTextCharFormat::AlignSuperScript}},
        {"sub", {Key::Vertical, QTextCharFormat::AlignSubScript}},
        {"nosupersub", {Key::Vertical, QTextCharFormat::AlignNormal}},
        {"caps", {Key::Caps, QFont::AllUppercase}},
        {"scaps", {Key::Caps, QFont::SmallCaps}},
        {"pard", {Key::Pard}},
        {"par", {Key::Par}},
        {"page", {Key::SoftBreak}},
        {"sect", {Key::SoftBreak}},
        {"column", {Key::SoftBreak}},
        {"ql", {Key::Align, align(Align::Left)}},
        {"qc", {Key::Align, align(Align::Center)}},
        {"qr", {Key::Align, align(Align::Right)}},
        {"qj", {Key::Align, align(Align::Justify)}},
        {"qd", {Key::Align, align(Align::Justify)}},
        {"li", {Key::LeftIndent}},
        {"ri", {Key::RightIndent}},
        {"fi", {Key::FirstIndent}},
        {"sb", {Key::SpaceBefore}},
        {"sa", {Key::SpaceAfter}},
        {"intbl", {Key::InTable}},
        {"itap", {Key::TableLevel}},
        {"rtlpar", {Key::RightToLeft, 1}},
        {"ltrpar", {Key::RightToLeft, 0}},
        {"trowd", {Key::RowDefaults}},
        {"trleft", {Key::RowLeft}},
        {"trqc", {Key::RowAlign, Qt::AlignHCenter}},
        {"trqr", {Key::RowAlign, Qt::AlignRight}},
        {"cellx", {Key::CellEdge}},
        {"cell", {Key::Cell}},
        {"row", {Key::Row}},
        {"nestcell", {Key::NestedCell}},
        {"tab", {Key::Char, u'\t'}},
        {"line", {Key::Char, 0x2028}},
        {"emdash", {Key::Char, 0x2014}},
        {"endash", {Key::Char, 0x2013}},
        {"lquote", {Key::Char, 0x2018}},
        {"rquote", {Key::Char, 0x2019}},
        {"ldblquote", {Key::Char, 0x201C}},
        {"rdblquote", {Key::Char, 0x201D}},
        {"bullet", {Key::Char, 0x2022}},
        {"emspace", {Key::Char, 0x2003}},
        {"enspace", {Key::Char, 0x2002}},
        {"qmspace", {Key::Char, 0x2005}},
        {"zwj", {Key::Char, 0x200D}},
        {"zwnj", {Key::Char, 0x200C}},
        {"ltrmark", {Key::Char, 0x200E}},
        {"rtlmark", {Key::Char, 0x200F}},
    };
    // Every kind of underline reads as an underline here.
    for (const char* name :
         {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd", "ulthdash",
          "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
        map.emplace(name, KeyInfo{Key::Underline});
    // The sides of a cell's or a row's border, and of a paragraph's.
    for (const char* name :
         {"clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr", "trbrdrt", "trbrdrl", "trbrdrb", "trbrdrr", "trbrdrh", "trbrdrv"})
        map.emplace(name, KeyInfo{Key::BorderSide, 1});
    for (const char* name : {"brdrt", "brdrl", "brdrb", "brdrr", "brdrbtw", "brdrbar", "box"})
        map.emplace(name, KeyInfo{Key::BorderSide, 0});
    for (const char* name : {"brdrs", "brdrth", "brdrsh", "brdrdb", "brdrdot", "brdrdash", "brdrhair", "brdrinset",
                             "brdroutset", "brdrtriple", "brdrdashsm", "brdrdashd", "brdrdashdd", "brdrwavy",
                             "brdrwavydb", "brdremboss", "brdrengrave", "brdrframe"})
        map.emplace(name, KeyInfo{Key::BorderStyle});
    // Groups whose content is not text: document properties, pictures,
    // embedded objects, page furniture, field codes, bookmarks and the
    // tables of later format versions. Most are written behind \* as well,
    // but older writers leave that out.
    for (const char* name : {"stylesheet",
                             "info",
                             "pict",
                             "object",
                             "header",
                             "headerl",
                             "headerr",
                             "headerf",
                             "footer",
                             "footerl",
                             "footerr",
                             "footerf",
                             "footnote",
                             "fldinst",
                             "xmlnstbl",
                             "listtable",
                             "listoverridetable",
                             "rsidtbl",
                             "themedata",
                             "colorschememapping",
                             "latentstyles",
                             "datastore",
                             "bkmkstart",
                             "bkmkend",
                             "pn",
                             "pntxta",
                             "pntxtb",
                             "nonshppict",
                             "shp",
                             "shpgrp",
                             "filetbl",
                             "revtbl",
                             "generator",
                             "annotation",
                             "atnid",
                             "atnauthor",
                             "atrfstart",
                             "atrfend",
                             "atndate",
                             "xe",
                             "tc",
                             "txe",
                             "rxe",
                             "ftnsep",
                             "ftnsepc",
                             "ftncn",
                             "aftnsep",
                             "aftnsepc",
                             "aftncn",
                             "template",
                             "userprops",
                             "docvar",
                             "fchars",
                             "lchars",
                             "pgdsctbl",
                             "objdata",
                             "protusertbl",
                             "passwordhash",
                             "mmathPr",
                             "wgrffmtfilter",
                             "listpicture",
                             "fldtype",
                             "blipuid",
                             "picprop",
                             "comment",
                             "author",
                             "operator",
                             "title",
                             "subject",
                             "keywords",
                             "company",
                             "doccomm"})
        map.emplace(name, KeyInfo{Key::SkipGroup});
    return map;
}

} // namespace

const KeyInfo* findKeyword(std::string_view name)
{
    static const KeywordMap keywords = makeKeywords();
    const auto found = keywords.find(name);
    return found == keywords.end() ? nullptr : &found->second;
}

} // namespace umbraxis::rtf
