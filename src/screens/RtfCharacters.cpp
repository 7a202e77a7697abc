#include "screens/RtfCharacters.h"

#include "platform/SingleByteText.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <iterator>
#include <utility>

namespace umbraxis::rtf {

namespace {

CodeTable windows1252()
{
    CodeTable table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] = windows1252Char(uchar(byte)).unicode();
    return table;
}

// The converter name of a single-byte code page. Double-byte code pages are
// left out: their characters are split over two escapes, which are read one
// at a time.
QByteArray converterName(int codePage)
{
    if ((codePage >= 1250 && codePage <= 1258) || codePage == 874)
        return "windows-" + QByteArray::number(codePage);
    switch (codePage) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 10000: return "macintosh";
    default: return {};
    }
}

struct Glyph {
    uchar code;
    char16_t ch;
};

constexpr Glyph kSymbolGlyphs[] = {
    {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212}, {0x40, 0x2245}, {0x5C, 0x2234},
    {0x5E, 0x22A5}, {0x7E, 0x223C}, {0xA2, 0x2032}, {0xA3, 0x2264}, {0xA5, 0x221E}, {0xA7, 0x2663}, {0xA8, 0x2666},
    {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB2, 0x2033},
    {0xB3, 0x2265}, {0xB4, 0x00D7}, {0xB6, 0x2202}, {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBB, 0x2248},
    {0xBC, 0x2026}, {0xC5, 0x2295}, {0xC6, 0x2205}, {0xC7, 0x2229}, {0xC8, 0x222A}, {0xCE, 0x2208}, {0xCF, 0x2209},
    {0xD0, 0x2220}, {0xD2, 0x00AE}, {0xD3, 0x00A9}, {0xD4, 0x2122}, {0xD5, 0x220F}, {0xD6, 0x221A}, {0xD7, 0x22C5},
    {0xD8, 0x00AC}, {0xD9, 0x2227}, {0xDA, 0x2228}, {0xDB, 0x21D4}, {0xDC, 0x21D0}, {0xDD, 0x21D1}, {0xDE, 0x21D2},
    {0xDF, 0x21D3}, {0xE0, 0x25CA}, {0xE5, 0x2211}, {0xF2, 0x222B},
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

} // namespace

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

int charsetCodePage(int charset)
{
    static constexpr std::pair<int, int> kCharsets[] = {
        {77, 10000}, {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256},
        {186, 1257}, {204, 1251}, {222, 874},  {238, 1250}, {255, 437},
    };
    for (const auto& [set, codePage] : kCharsets)
        if (set == charset)
            return codePage;
    return 0;
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
    case SymbolSet::None: break;
    }
    return code;
}

} // namespace umbraxis::rtf
