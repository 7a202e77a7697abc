#pragma once

#include <QtGlobal>

#include <array>

namespace umbraxis::rtf {

// The character of each byte in a single-byte code page.
using CodeTable = std::array<char16_t, 256>;

// The table of a code page number (1252, 437, 10000...). A code page the
// system cannot convert is read as 1252, which is right for the ASCII half
// and close for much of the rest.
CodeTable codeTableFor(int codePage);

// The code page of a font's \fcharset; 0 leaves the document's own.
int charsetCodePage(int charset);

// Symbol fonts put their own glyphs on the byte codes. Bullets in lists are
// written in them, so the common ones are shown as the Unicode characters
// they look like rather than as the letters the codes stand for elsewhere.
enum class SymbolSet { None, Symbol, Wingdings, Other };
char16_t symbolGlyph(SymbolSet set, uchar code);

} // namespace umbraxis::rtf
