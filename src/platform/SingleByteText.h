#pragma once

#include <QByteArray>
#include <QString>

namespace umbraxis {

// Text files on the CD are single-byte text written on Windows: the Western
// code page, in which bytes 0x80-0x9F are typographic characters (curly
// quotes, dashes, the euro sign) rather than control codes.
QString decodeWindows1252(const QByteArray& bytes);
QChar windows1252Char(unsigned char byte);

// The value of a hexadecimal digit in either letter case; -1 for any other
// character.
int hexDigitValue(char c);
// The upper-case hexadecimal digit of the low four bits of `value`.
char hexDigit(unsigned value);

} // namespace umbraxis
