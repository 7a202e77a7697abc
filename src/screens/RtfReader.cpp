#include "screens/RtfReader.h"

#include "screens/RtfDocumentWriter.h"
#include "screens/RtfGroupState.h"
#include "screens/RtfKeywords.h"
#include "screens/RtfTables.h"
#include "screens/RtfTokenizer.h"

#include <QTextDocument>

#include <algorithm>

namespace umbraxis {

namespace {

using namespace rtf;

// Reads the tokens of the data in order: each group's state, the font and
// colour tables, and the text and paragraphs the writer builds the document
// from.
class RtfReader {
public:
    RtfReader(const QByteArray& data, QTextDocument& document)
        : m_tokens(data)
        , m_writer(document, m_fonts, m_colors)
    {
    }

    void read()
    {
        m_writer.begin();
        for (Token token = m_tokens.next(); token.kind != Token::Kind::End; token = m_tokens.next())
            take(token);
        m_writer.finish(state());
    }

private:
    GroupState& state() { return m_groups.current(); }

    void take(const Token& token)
    {
        switch (token.kind) {
        case Token::Kind::OpenGroup:
            m_fallbackLeft = 0;
            m_groups.open();
            break;
        case Token::Kind::CloseGroup:
            m_fallbackLeft = 0;
            // The last font of a table may end with its group instead of ';'.
            if (m_groups.close() == Destination::FontTable)
                m_fonts.endEntry();
            break;
        case Token::Kind::Word: controlWord(token); break;
        case Token::Kind::Symbol: controlSymbol(token.symbol); break;
        case Token::Kind::Hex:
            if (!skipFallback() && token.hasParam)
                character(m_fonts.decode(token.byte, state().chars.font));
            break;
        case Token::Kind::Byte: rawByte(token.byte); break;
        case Token::Kind::Binary: skipFallback(); break;
        case Token::Kind::End: break;
        }
    }

    void rawByte(uchar byte)
    {
        if (skipFallback())
            return;
        if (byte == '\t')
            special(u'\t');
        else if (byte >= 0x20)
            character(m_fonts.decode(byte, state().chars.font));
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

    void controlSymbol(char c)
    {
        if (skipFallback())
            return;
        switch (c) {
        case '\\':
        case '{':
        case '}': character(char16_t(c)); break;
        case '*':
            // A destination marked ignorable: nothing in it is shown.
            state().destination = Destination::Skip;
            break;
        case '~': special(QChar::Nbsp); break;
        case '_': special(0x2011); break;
        case '\t': special(u'\t'); break;
        case '\r':
        case '\n':
            if (state().destination == Destination::Text)
                m_writer.endParagraph(state());
            break;
        default:
            // Optional hyphens (\-) and the index and formula symbols show nothing.
            break;
        }
    }

    void controlWord(const Token& token)
    {
        const KeyInfo* info = findKeyword(token.word);
        if (skipFallback() || !info || state().destination == Destination::Skip)
            return;
        switch (info->key) {
        case Key::FontTable:
            state().destination = Destination::FontTable;
            m_fonts.beginTable();
            return;
        case Key::ColorTable:
            state().destination = Destination::ColorTable;
            m_colors.beginTable();
            return;
        case Key::SkipGroup: state().destination = Destination::Skip; return;
        case Key::Unicode:
            if (token.hasParam)
                unicode(token.param);
            return;
        default: break;
        }
        if (state().destination == Destination::FontTable)
            m_fonts.tableWord(info->key, token.param);
        else if (state().destination == Destination::ColorTable)
            m_colors.tableWord(info->key, token.param);
        else if (!applyCharacterWord(state().chars, *info, token.hasParam, token.param)
                 && !applyParagraphWord(state().para, *info, token.param) && !m_writer.layoutWord(*info, token.param))
            textWord(*info, token.param);
    }

    // The words that are neither formats nor layout: the document's code
    // page and default font, and the ends of paragraphs, cells and rows.
    void textWord(const KeyInfo& info, int param)
    {
        switch (info.key) {
        case Key::CharacterSet: m_fonts.setCodePage(info.value); break;
        case Key::CodePage: m_fonts.setCodePage(param > 0 ? param : 1252); break;
        case Key::DefaultFont: m_fonts.setDefaultFont(param); break;
        case Key::FallbackLength: state().fallbackLength = std::max(0, param); break;
        case Key::Par:
        case Key::NestedCell:
            // Nested tables are flattened: each of their cells is a paragraph of the outer cell.
            m_writer.endParagraph(state());
            break;
        case Key::SoftBreak:
            // Page, section and column breaks mean nothing on screen, but
            // text on both sides of one must not run together.
            if (m_writer.hasText())
                m_writer.endParagraph(state());
            break;
        case Key::Char: special(char16_t(info.value)); break;
        case Key::Cell: m_writer.endCell(state()); break;
        case Key::Row: m_writer.endRow(state()); break;
        default: break;
        }
    }

    void unicode(int param)
    {
        // The parameter is a signed 16-bit value: characters above U+7FFF are written negative.
        char16_t ch = char16_t(param & 0xFFFF);
        // Symbol fonts' glyphs are also written at U+F000 plus their byte code.
        if (ch >= 0xF020 && ch <= 0xF0FF) {
            const FontEntry* font = m_fonts.entry(state().chars.font);
            if (font && font->symbols != SymbolSet::None)
                ch = symbolGlyph(font->symbols, uchar(ch & 0xFF));
        }
        character(ch);
        m_fallbackLeft = state().fallbackLength;
    }

    // A character of the data, in whatever destination is current.
    void character(char16_t ch)
    {
        switch (state().destination) {
        case Destination::Text: m_writer.addText(state().chars, ch); break;
        case Destination::FontTable: m_fonts.tableCharacter(ch); break;
        case Destination::ColorTable: m_colors.tableCharacter(ch); break;
        case Destination::Skip: break;
        }
    }

    // A character named by a control word, which is text only in text.
    void special(char16_t ch)
    {
        if (state().destination == Destination::Text)
            m_writer.addText(state().chars, ch);
    }

    Tokenizer m_tokens;
    GroupStack m_groups;
    FontTable m_fonts;
    ColorTable m_colors;
    DocumentWriter m_writer; // after the tables, which it reads
    int m_fallbackLeft = 0;
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
