#pragma once

#include "screens/RtfCharacters.h"
#include "screens/RtfKeywords.h"

#include <QColor>
#include <QList>
#include <QString>

#include <climits>
#include <unordered_map>

namespace umbraxis::rtf {

struct FontEntry {
    QString family;
    int codePage = 0; // 0: the document's code page
    SymbolSet symbols = SymbolSet::None;
};

// The fonts of the document's font table, and the characters that bytes
// written in each of them stand for.
class FontTable {
public:
    // A font table begins; its entries follow as words and characters.
    void beginTable();
    void tableWord(Key key, int param);
    // Each entry's name ends with ';'.
    void tableCharacter(char16_t ch);
    // Ends the entry being read. The last of a table may end with the
    // table's group instead of ';'.
    void endEntry();

    void setCodePage(int codePage);
    void setDefaultFont(int font);

    // The entry of a font number (-1: the default font); null when the
    // table has none.
    const FontEntry* entry(int font) const;
    // The character `byte` stands for in that font.
    char16_t decode(uchar byte, int font);

private:
    int number(int font) const { return font >= 0 ? font : m_defaultFont; }
    const CodeTable& codeTable(int codePage);

    int m_codePage = 1252;
    int m_defaultFont = 0;
    std::unordered_map<int, FontEntry> m_fonts;
    std::unordered_map<int, CodeTable> m_tables;

    // Bytes are decoded by the font's code page, looked up again only when
    // the font changes.
    int m_decodingFont = INT_MIN;
    SymbolSet m_decodingSymbols = SymbolSet::None;
    const CodeTable* m_decodingTable = nullptr;

    // The entry being read.
    int m_entryNumber = -1;
    FontEntry m_entry;
    QString m_entryName;
};

// The colours of the document's colour table.
class ColorTable {
public:
    // A colour table begins; its entries follow as words, each ending with ';'.
    void beginTable();
    void tableWord(Key key, int param);
    void tableCharacter(char16_t ch);

    // The colour of a number; invalid for the default colour.
    QColor color(int index) const;

private:
    QList<QColor> m_colors;
    bool m_set = false;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
};

} // namespace umbraxis::rtf
