#include "platform/FileReplace.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace umbraxis {

namespace {

bool writeAll(int fd, const QByteArray& content)
{
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

ReplaceResult replaceFileWhole(const QByteArray& hostPath, const QByteArray& content)
{
    const QByteArray temporary = hostPath + ".new";
    struct stat old { };
    const mode_t mode = ::stat(hostPath.constData(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) {
        // Nothing else makes that name: whatever stands there is a leftover.
        ::unlink(temporary.constData());
        return ReplaceResult::CannotCreate;
    }
    // On the disk before the rename, so that a crash of the machine leaves
    // the old file or the new one, never an empty one.
    const bool written = writeAll(fd, content) && ::fdatasync(fd) == 0;
    // The rename replaces the old file in one step. Closing is checked: a
    // network or full file system may report a lost write only here.
    if (::close(fd) != 0 || !written || ::rename(temporary.constData(), hostPath.constData()) != 0) {
        ::unlink(temporary.constData());
        return ReplaceResult::CannotWrite;
    }
    return ReplaceResult::Done;
}

} // namespace umbraxis
