#pragma once

#include <QByteArray>

#include <string_view>

namespace umbraxis::rtf {

// One piece of rich text as the format spells it.
struct Token {
    enum class Kind {
        End,        // the data is used up
        OpenGroup,  // '{'
        CloseGroup, // '}'
        Word,       // a control word: '\', letters and an optional number
        Symbol,     // a control symbol: '\' and one character that is not a letter
        Hex,        // \'hh: a byte given by up to two hexadecimal digits
        Byte,       // any other byte of the data but a line end
        Binary,     // \binN, whose N bytes of data have been passed over
    };
    Kind kind = Kind::End;
    std::string_view word; // Word: its name
    // Word: whether a number follows the name; Hex: whether any digit does.
    bool hasParam = false;
    int param = 0;   // Word: the number, held within int
    char symbol = 0; // Symbol: the character after '\'
    uchar byte = 0;  // Hex, Byte
};

// Splits rich text into tokens. Line ends outside control symbols mean
// nothing in the format and are passed over here.
class Tokenizer {
public:
    // `data` must outlive the tokenizer, which reads it in place.
    explicit Tokenizer(const QByteArray& data);

    Token next();

private:
    Token controlSequence();
    Token hexByte();

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

} // namespace umbraxis::rtf
