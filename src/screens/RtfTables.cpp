#include "screens/RtfTables.h"

#include <algorithm>

namespace umbraxis::rtf {

void FontTable::beginTable()
{
    m_entryNumber = -1;
    m_entryName.clear();
}

void FontTable::tableWord(Key key, int param)
{
    switch (key) {
    case Key::Font:
        endEntry();
        m_entryNumber = std::max(0, param);
        m_entry = FontEntry();
        break;
    case Key::Charset:
        if (param == 2)
            m_entry.symbols = SymbolSet::Other;
        else
            m_entry.codePage = charsetCodePage(param);
        break;
    case Key::FontCodePage: m_entry.codePage = std::max(0, param); break;
    default: break;
    }
}

void FontTable::tableCharacter(char16_t ch)
{
    if (ch == u';')
        endEntry();
    else
        m_entryName.append(QChar(ch));
}

void FontTable::endEntry()
{
    const QString family = m_entryName.trimmed();
    m_entryName.clear();
    if (m_entryNumber < 0 || family.isEmpty())
        return;
    FontEntry entry = m_entry;
    entry.family = family;
    // Some writers leave out the symbol charset of the usual symbol fonts.
    if (family.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0)
        entry.symbols = SymbolSet::Symbol;
    else if (family.compare(QLatin1String("Wingdings"), Qt::CaseInsensitive) == 0)
        entry.symbols = SymbolSet::Wingdings;
    m_fonts[m_entryNumber] = entry;
    m_entryNumber = -1;
    m_decodingFont = INT_MIN;
}

void FontTable::setCodePage(int codePage)
{
    m_codePage = codePage;
    m_decodingFont = INT_MIN;
}

void FontTable::setDefaultFont(int font)
{
    m_defaultFont = std::max(0, font);
    m_decodingFont = INT_MIN;
}

const FontEntry* FontTable::entry(int font) const
{
    const auto found = m_fonts.find(number(font));
    return found == m_fonts.end() ? nullptr : &found->second;
}

char16_t FontTable::decode(uchar byte, int font)
{
    if (m_decodingFont != number(font)) {
        m_decodingFont = number(font);
        const FontEntry* found = entry(font);
        m_decodingSymbols = found ? found->symbols : SymbolSet::None;
        m_decodingTable = &codeTable(found && found->codePage > 0 ? found->codePage : m_codePage);
    }
    if (m_decodingSymbols != SymbolSet::None)
        return symbolGlyph(m_decodingSymbols, byte);
    return (*m_decodingTable)[byte];
}

const CodeTable& FontTable::codeTable(int codePage)
{
    auto found = m_tables.find(codePage);
    if (found == m_tables.end())
        found = m_tables.emplace(codePage, codeTableFor(codePage)).first;
    return found->second;
}

void ColorTable::beginTable()
{
    m_set = false;
    m_red = m_green = m_blue = 0;
}

void ColorTable::tableWord(Key key, int param)
{
    int* component = key == Key::Red ? &m_red : key == Key::Green ? &m_green : key == Key::Blue ? &m_blue : nullptr;
    if (!component)
        return;
    *component = std::clamp(param, 0, 255);
    m_set = true;
}

void ColorTable::tableCharacter(char16_t ch)
{
    if (ch != u';')
        return;
    // An entry with no colour given is the default colour.
    m_colors.append(m_set ? QColor(m_red, m_green, m_blue) : QColor());
    beginTable();
}

QColor ColorTable::color(int index) const
{
    return index > 0 && index < m_colors.size() ? m_colors.at(index) : QColor();
}

} // namespace umbraxis::rtf
