#include "platform/files/RegularFile.h"

#include <cerrno>
#include <sys/stat.h>

namespace umbraxis {

namespace {

// What `fd`, opened without blocking, is: a regular file is made blocking
// again and kept; anything else is closed and refused.
Descriptor keepRegular(Descriptor fd, int& error)
{
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
        return Descriptor();
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    error = 0;
    return fd;
}

} // namespace

Descriptor openRegularFile(int directoryFd, const char* name, int& error)
{
    Descriptor fd(::openat(directoryFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd) {
        error = errno;
        return fd;
    }
    return keepRegular(std::move(fd), error);
}

Descriptor createRegularFile(int directoryFd, const char* name, int& error)
{
    struct stat st {};
    if (::fstatat(directoryFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error = EISDIR;
            return Descriptor();
        }
        if (S_ISLNK(st.st_mode) && ::unlinkat(directoryFd, name, 0) != 0) {
            error = errno;
            return Descriptor();
        }
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
            error = EACCES;
            return Descriptor();
        }
    }
    Descriptor fd(::openat(directoryFd, name,
                           O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666));
    if (!fd) {
        error = errno;
        return fd;
    }
    // Not a regular file after all: something took the name between the
    // look and the open.
    return keepRegular(std::move(fd), error);
}

} // namespace umbraxis
