#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace umbraxis {

// The text the viewer shows for a document that is not rich text: the bytes
// read as the Western code page, with CR LF and a lone CR made line feeds.
// None when the data is no text at all (it holds a NUL byte).
std::optional<QString> plainDocumentText(const QByteArray& data);

} // namespace umbraxis
