#pragma once

#include <QByteArray>
#include <QString>

namespace umbraxis {

// Text files on the CD are single-byte text written on Windows: the Western
// code page, in which bytes 0x80-0x9F are typographic characters (curly
// quotes, dashes, the euro sign) rather than control codes.
QString decodeWindows1252(const QByteArray& bytes);
QChar windows1252Char(unsigned char byte);

} // namespace umbraxis
