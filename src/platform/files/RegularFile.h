#pragma once

#include "platform/Descriptor.h"

#include <QByteArray>

#include <fcntl.h>
#include <optional>

namespace umbraxis {

// The only ways the program opens a file's data. Neither ever blocks: a fifo
// would wait for a writer and a device could be read for ever, so only a
// regular file is accepted. `name` lies in the directory `directoryFd`, or
// is a host path with AT_FDCWD. The descriptor comes back blocking again and
// closed on exec; an empty one with the reason in `error` (an errno value).

// Opens a regular file for reading (EISDIR for a directory, EACCES for
// anything else that is not a regular file). `moreFlags` (O_NOFOLLOW) are
// added to the open's.
Descriptor openRegularFile(int directoryFd, const char* name, int& error, int moreFlags = 0);
inline Descriptor openRegularFile(const QByteArray& hostPath, int& error)
{
    return openRegularFile(AT_FDCWD, hostPath.constData(), error);
}

// Creates a regular file for writing, or empties the one of that name. A
// link of that name is replaced by the new file rather than written through,
// so that a copy never changes a file outside its folder; a directory
// (EISDIR) or anything else that is not a regular file (EACCES) is refused.
Descriptor createRegularFile(int directoryFd, const char* name, int& error);

// The whole of the regular file at `hostPath`, when it holds at most
// `largest` bytes (a settings file of a few kilobytes); nothing for
// anything else or a failed read.
std::optional<QByteArray> readSmallRegularFile(const QByteArray& hostPath, qint64 largest);

} // namespace umbraxis
