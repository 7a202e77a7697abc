#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>

#include <sys/stat.h>

namespace umbraxis {

// What the host's own description of an entry (its stat, a link not
// followed) says in the program's terms.

// Read-only follows the permission bits that apply to this user, the
// owner's for the owner, even for the superuser: like the classic attribute
// it says what the file itself allows.
bool isReadOnlyEntry(const struct stat& st);

// The attribute bits of an entry called `name`: hidden for a name that
// starts with ".", directory, system for a device, fifo or socket, and
// read-only. Mount points of pseudo file systems are the caller's to add, as
// only it knows the path.
unsigned attributesOf(const char* name, const struct stat& st);

// The listing's entry for `name` with `attributes`; a size for regular files
// and links (a link's is the length of what it points to).
DirEntry dirEntryOf(const QByteArray& name, unsigned attributes, const struct stat& st);

void stampOf(const struct stat& st, FileStamp& stamp);

std::int64_t nanoseconds(const timespec& time);

} // namespace umbraxis
