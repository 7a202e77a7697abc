#pragma once

#include <string_view>

namespace umbraxis::rtf {

// What a control word does, for the words the reader knows.
enum class Key {
    // The document: its code page, default font, page and Unicode fallback.
    CharacterSet,
    CodePage,
    DefaultFont,
    PaperWidth,
    LeftMargin,
    RightMargin,
    FallbackLength,
    Unicode,
    // Destinations.
    FontTable,
    ColorTable,
    SkipGroup,
    // Inside the font and colour tables.
    Font,
    Charset,
    FontCodePage,
    Red,
    Green,
    Blue,
    // Character properties (Font above too).
    Plain,
    Bold,
    Italic,
    Underline,
    NoUnderline,
    Strike,
    FontSize,
    Color,
    Hidden,
    Vertical,
    Caps,
    // Paragraphs and the characters named by words.
    Pard,
    Par,
    Char,
    SoftBreak,
    Align,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    InTable,
    TableLevel,
    RightToLeft,
    // Tables.
    RowDefaults,
    RowLeft,
    RowAlign,
    CellEdge,
    Cell,
    Row,
    NestedCell,
    BorderSide,
    BorderStyle,
};

struct KeyInfo {
    Key key;
    // What the word stands for beyond its key: the character of a Char, the
    // code page of a CharacterSet, the alignment of an Align, Vertical,
    // RowAlign or Caps, whether a RightToLeft is on, and whether a
    // BorderSide is a cell's or a row's (1) or a paragraph's (0).
    int value = 0;
};

// The word of that name; null for a word the reader does not know, which
// it passes over.
const KeyInfo* findKeyword(std::string_view name);

} // namespace umbraxis::rtf
