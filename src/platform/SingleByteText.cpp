#include "platform/SingleByteText.h"

namespace umbraxis {

namespace {

// 0x80-0x9F; the five bytes the code page leaves unassigned keep their
// Latin-1 values, as Windows maps them.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QChar windows1252Char(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kHighControls[byte - 0x80]);
    return QChar(char16_t(byte));
}

QString decodeWindows1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes)
        *out++ = windows1252Char(static_cast<unsigned char>(byte));
    return text;
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char hexDigit(unsigned value)
{
    return "0123456789ABCDEF"[value & 15];
}

} // namespace umbraxis
