#pragma once

#include <cerrno>
#include <cstring>
#include <sys/syscall.h>
#include <unistd.h>

namespace umbraxis {

// Reads the open directory `directoryFd` from where it stands to its end in
// one pass of the kernel's listing, and calls `onEntry(name, type)` for every
// entry but "." and ".." in the file system's own order: the name as stored
// (NUL-terminated, valid during the call) and its type as the listing gives
// it (DT_DIR, DT_REG, DT_LNK, ..., or DT_UNKNOWN where the file system does
// not say). Returns 0, or the system's code when the listing broke off.
template <class OnEntry>
int readDirectory(int directoryFd, OnEntry&& onEntry)
{
    alignas(8) char buffer[32768];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, directoryFd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        for (long at = 0; at < got;) {
            // A record of the kernel's listing: inode (8 bytes), offset (8),
            // record length (2), type (1), then the name, NUL-terminated.
            const char* record = buffer + at;
            unsigned short length = 0;
            std::memcpy(&length, record + 16, sizeof length);
            at += length;
            const unsigned char type = static_cast<unsigned char>(record[18]);
            const char* name = record + 19;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            onEntry(name, type);
        }
    }
}

} // namespace umbraxis
