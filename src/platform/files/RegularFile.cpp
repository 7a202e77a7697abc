#include "platform/files/RegularFile.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace umbraxis {

namespace {

// What `fd`, opened without blocking, is: a regular file is made blocking
// again and kept; anything else is closed and refused.
Descriptor keepRegular(Descriptor fd, int& error)
{
    struct stat st { };
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
        return Descriptor();
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    error = 0;
    return fd;
}

} // namespace

Descriptor openRegularFile(int directoryFd, const char* name, int& error, int moreFlags)
{
    Descriptor fd(::openat(directoryFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | moreFlags));
    if (!fd) {
        error = errno;
        return fd;
    }
    return keepRegular(std::move(fd), error);
}

std::optional<QByteArray> readSmallRegularFile(const QByteArray& hostPath, qint64 largest)
{
    int error = 0;
    const Descriptor fd = openRegularFile(hostPath, error);
    struct stat st { };
    if (!fd || ::fstat(fd.get(), &st) != 0 || st.st_size > largest)
        return std::nullopt;
    QByteArray content;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return content;
        content.append(buffer, n);
        // A file that grows while it is read is no more a small one.
        if (content.size() > largest)
            return std::nullopt;
    }
}

Descriptor createRegularFile(int directoryFd, const char* name, int& error)
{
    // Most names are new: a file made new is regular, with nothing to check.
    Descriptor made(::openat(directoryFd, name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666));
    if (made)
        return made;
    if (errno != EEXIST) {
        error = errno;
        return made;
    }
    struct stat st { };
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
    Descriptor fd(
        ::openat(directoryFd, name, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666));
    if (!fd) {
        error = errno;
        return fd;
    }
    // Not a regular file after all: something took the name between the
    // look and the open.
    return keepRegular(std::move(fd), error);
}

} // namespace umbraxis
