#pragma once

#include <QByteArray>

namespace umbraxis {

// How replacing a file whole went.
enum class ReplaceResult {
    Done,
    CannotCreate, // the new file could not be made beside the old one
    CannotWrite,  // the new file could not be written whole, or not renamed over the old one
};

// Replaces the host file at `hostPath` with `content` in one step: the
// content goes into a new file beside it ("<name>.new", never through a
// link, with the old file's permissions or else rw-r--r--), which is then
// renamed over the old one, so that a crash at any moment leaves the old
// file or the new one whole, never a torn one. A link at `hostPath` is
// replaced, not written through. The new file is not flushed to the disk
// first. On failure nothing new is left and the old file is as it was.
ReplaceResult replaceFileWhole(const QByteArray& hostPath, const QByteArray& content);

} // namespace umbraxis
