#include "platform/files/HostFile.h"

#include "platform/files/DirectoryReader.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/RegularFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace umbraxis {

std::int64_t HostFile::read(char* buffer, std::int64_t count)
{
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(m_fd.get(), buffer + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_error = errno;
            return done > 0 ? done : -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

std::int64_t HostFile::write(const char* buffer, std::int64_t count)
{
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd.get(), buffer + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_error = n < 0 ? errno : ENOSPC;
            return done > 0 ? done : -1;
        }
        done += n;
    }
    return done;
}

bool HostFile::setModified(std::int64_t nanoseconds)
{
    timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(nanoseconds / 1'000'000'000);
    times[1].tv_nsec = long(nanoseconds % 1'000'000'000);
    if (times[1].tv_nsec < 0) {
        times[1].tv_nsec += 1'000'000'000;
        --times[1].tv_sec;
    }
    return ::futimens(m_fd.get(), times) == 0;
}

std::int64_t HostFile::copyFrom(File& source, char* buffer, std::int64_t bufferSize, std::int64_t count)
{
    // Between two files of this file system the kernel copies the data
    // itself, without a trip through the program's memory.
    auto* host = dynamic_cast<HostFile*>(&source);
    if (host && !m_plainCopy) {
        ssize_t n;
        do
            n = ::copy_file_range(host->m_fd.get(), nullptr, m_fd.get(), nullptr, size_t(count), 0);
        while (n < 0 && errno == EINTR);
        if (n >= 0)
            return n;
        const bool unsupported = errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP
            || errno == EBADF;
        if (unsupported)
            m_plainCopy = true;
        // Otherwise a plain read and write of a block tells which side
        // failed, and why.
    }
    return File::copyFrom(source, buffer, bufferSize, std::min(count, bufferSize));
}

Opened<File> HostFolder::openRead(const QString& name)
{
    int error = 0;
    // A link is not read through, so that what is copied from a folder lies
    // in it.
    Descriptor fd = openRegularFile(m_fd.get(), storedName(name).constData(), error, O_NOFOLLOW);
    if (!fd)
        return {nullptr, error};
    return {std::make_unique<HostFile>(std::move(fd)), 0};
}

Opened<File> HostFolder::create(const QString& name)
{
    const QByteArray stored = storedName(name);
    int error = 0;
    Descriptor fd = createRegularFile(m_fd.get(), stored.constData(), error);
    if (!fd)
        return {nullptr, error};
    remember(stored);
    return {std::make_unique<HostFile>(std::move(fd)), 0};
}

int HostFolder::replace(const QString& from, const QString& to)
{
    const QByteArray source = storedName(from);
    const QByteArray target = storedName(to);
    if (::renameat(m_fd.get(), source.constData(), m_fd.get(), target.constData()) != 0)
        return errno;
    forget(source);
    remember(target);
    return 0;
}

int HostFolder::remove(const QString& name)
{
    const QByteArray stored = storedName(name);
    if (::unlinkat(m_fd.get(), stored.constData(), 0) != 0)
        return errno;
    forget(stored);
    return 0;
}

bool HostFolder::stamp(const QString& name, FileStamp& stamp)
{
    const QByteArray stored = storedName(name);
    struct stat st { };
    // A name this folder does not hold needs no look.
    if (!m_exact.count(stored) || ::fstatat(m_fd.get(), stored.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    stampOf(st, stamp);
    return true;
}

void HostFolder::list()
{
    m_listed = true;
    // A descriptor of its own, which the listing moves to the end.
    const Descriptor fd(::openat(m_fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        readDirectory(fd.get(), [this](const char* name, unsigned char) { remember(QByteArray(name)); });
}

namespace {

// The name in one letter case, as bytes. Most names are plain ASCII,
// which folds without a trip through decoded text.
QByteArray folded(const QByteArray& stored)
{
    const bool ascii = std::all_of(stored.begin(), stored.end(), [](char c) { return uchar(c) < 0x80; });
    return ascii ? stored.toLower() : QFile::decodeName(stored).toCaseFolded().toUtf8();
}

} // namespace

void HostFolder::remember(const QByteArray& stored)
{
    if (m_exact.insert(stored).second)
        m_byFold[folded(stored)].append(stored);
}

void HostFolder::forget(const QByteArray& stored)
{
    if (!m_exact.erase(stored))
        return;
    const QByteArray key = folded(stored);
    const auto sameFold = m_byFold.find(key);
    if (sameFold == m_byFold.end())
        return;
    sameFold->second.removeOne(stored);
    if (sameFold->second.isEmpty())
        m_byFold.erase(sameFold);
}

QByteArray HostFolder::storedName(const QString& name)
{
    if (!m_listed)
        list();
    const QByteArray exact = QFile::encodeName(name);
    if (m_exact.count(exact))
        return exact;
    const auto sameFold = m_byFold.find(folded(exact));
    return sameFold == m_byFold.end() ? exact : sameFold->second.first();
}

} // namespace umbraxis
