#include "screens/RtfTokenizer.h"

#include "platform/SingleByteText.h"

#include <algorithm>
#include <climits>

namespace umbraxis::rtf {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

Token token(Token::Kind kind)
{
    Token made;
    made.kind = kind;
    return made;
}

} // namespace

Tokenizer::Tokenizer(const QByteArray& data)
    : m_data(data.constData())
    , m_size(data.size())
{
}

Token Tokenizer::next()
{
    while (m_pos < m_size) {
        const char c = m_data[m_pos++];
        switch (c) {
        case '{': return token(Token::Kind::OpenGroup);
        case '}': return token(Token::Kind::CloseGroup);
        case '\\': return controlSequence();
        case '\r':
        case '\n': break;
        default: {
            Token raw = token(Token::Kind::Byte);
            raw.byte = uchar(c);
            return raw;
        }
        }
    }
    return {};
}

Token Tokenizer::controlSequence()
{
    // A lone '\' at the very end says nothing.
    if (m_pos >= m_size)
        return {};
    if (!isLetter(m_data[m_pos])) {
        const char symbol = m_data[m_pos++];
        if (symbol == '\'')
            return hexByte();
        Token control = token(Token::Kind::Symbol);
        control.symbol = symbol;
        return control;
    }
    Token word = token(Token::Kind::Word);
    const qsizetype start = m_pos;
    while (m_pos < m_size && isLetter(m_data[m_pos]))
        ++m_pos;
    word.word = std::string_view(m_data + start, std::size_t(m_pos - start));

    bool negative = false;
    if (m_pos + 1 < m_size && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    long long value = 0;
    while (m_pos < m_size && isDigit(m_data[m_pos])) {
        word.hasParam = true;
        if (value < INT_MAX)
            value = value * 10 + (m_data[m_pos] - '0');
        ++m_pos;
    }
    value = std::min<long long>(value, INT_MAX);
    word.param = int(negative ? -value : value);
    // A space ends the word and belongs to it.
    if (m_pos < m_size && m_data[m_pos] == ' ')
        ++m_pos;
    if (word.word == "bin") {
        // The binary data is passed over whatever destination it is in.
        m_pos += std::clamp<qsizetype>(word.param, 0, m_size - m_pos);
        word.kind = Token::Kind::Binary;
    }
    return word;
}

Token Tokenizer::hexByte()
{
    Token hex = token(Token::Kind::Hex);
    int byte = 0;
    for (int digits = 0; digits < 2 && m_pos < m_size; ++digits) {
        const int value = hexDigitValue(m_data[m_pos]);
        if (value < 0)
            break;
        byte = byte * 16 + value;
        hex.hasParam = true;
        ++m_pos;
    }
    hex.byte = uchar(byte);
    return hex;
}

} // namespace umbraxis::rtf
