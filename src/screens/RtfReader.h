#pragma once

#include <QByteArray>

class QTextDocument;

namespace umbraxis {

// True when `data` starts with "{\rtf" (with no bytes before it). Data that
// does not is not rich text, and the caller shows it as plain text instead.
bool looksLikeRtf(const QByteArray& data);

// Replaces the content of `document` with the rich text in `data`, built as
// blocks, character formats and tables. Text the document gives no font or
// size for keeps the document's default font, so the caller sets that (the
// viewer's own font) before reading. Returns false, leaving the document
// empty, when the data is not rich text.
//
// The reader never fails on damaged data: unbalanced braces, unknown control
// words and binary garbage give whatever text can be made of them.
bool readRtf(const QByteArray& data, QTextDocument& document);

} // namespace umbraxis
