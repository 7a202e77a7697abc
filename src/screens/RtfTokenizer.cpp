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
        case '{':
            return {Token::Kind::OpenGroup};
        case '}':
            return {Token::Kind::CloseGroup};
        case '\\':
            return controlSequence();
        case '\r':
        case '\n':
            break;
        default: {
            Token token{Token::Kind::Byte};
            token.byte = uchar(c);
            return token;
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
        Token token{Token::Kind::Symbol};
        token.symbol = symbol;
        return token;
    }
    Token token{Token::Kind::Word};
    const qsizetype start = m_pos;
    while (m_pos < m_size && isLetter(m_data[m_pos]))
        ++m_pos;
    token.word = std::string_view(m_data + start, std::size_t(m_pos - start));

    bool negative = false;
    if (m_pos + 1 < m_size && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    long long value = 0;
    while (m_pos < m_size && isDigit(m_data[m_pos])) {
        token.hasParam = true;
        if (value < INT_MAX)
            value = value * 10 + (m_data[m_pos] - '0');
        ++m_pos;
    }
    value = std::min<long long>(value, INT_MAX);
    token.param = int(negative ? -value : value);
    // A space ends the word and belongs to it.
    if (m_pos < m_size && m_data[m_pos] == ' ')
        ++m_pos;
    if (token.word == "bin") {
        // The binary data is passed over whatever destination it is in.
        m_pos += std::clamp<qsizetype>(token.param, 0, m_size - m_pos);
        token.kind = Token::Kind::Binary;
    }
    return token;
}

Token Tokenizer::hexByte()
{
    Token token{Token::Kind::Hex};
    int byte = 0;
    for (int digits = 0; digits < 2 && m_pos < m_size; ++digits) {
        const int value = hexDigitValue(m_data[m_pos]);
        if (value < 0)
            break;
        byte = byte * 16 + value;
        token.hasParam = true;
        ++m_pos;
    }
    token.byte = uchar(byte);
    return token;
}

} // namespace umbraxis::rtf
