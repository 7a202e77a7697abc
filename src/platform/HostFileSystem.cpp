#include "platform/HostFileSystem.h"

#include "platform/RegularFile.h"
#include "platform/SystemMounts.h"
#include "platform/WinPath.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <linux/openat2.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace umbraxis {

namespace {

bool isOwnGroup(gid_t group)
{
    static const std::vector<gid_t> groups = [] {
        std::vector<gid_t> list(1, ::getegid());
        const int count = ::getgroups(0, nullptr);
        if (count > 0) {
            std::vector<gid_t> more(static_cast<std::size_t>(count));
            const int got = ::getgroups(count, more.data());
            if (got > 0)
                list.insert(list.end(), more.begin(), more.begin() + got);
        }
        return list;
    }();
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

// Read-only follows the permission bits that apply to this user, the owner's
// for the owner, even for the superuser: like the classic attribute it says
// what the file itself allows, and a superuser sees the same answer as
// anyone else who owns the file.
bool isReadOnly(const struct stat& st)
{
    if (S_ISLNK(st.st_mode))
        return false;
    static const uid_t user = ::geteuid();
    if (st.st_uid == user)
        return !(st.st_mode & S_IWUSR);
    if (isOwnGroup(st.st_gid))
        return !(st.st_mode & S_IWGRP);
    return !(st.st_mode & S_IWOTH);
}

// The attribute bits of an entry from its own stat (not followed); pseudo
// file system mount points are added by the caller, which knows the path.
unsigned attributesOf(const char* name, const struct stat& st)
{
    unsigned attributes = 0;
    if (name[0] == '.')
        attributes |= faHidden;
    if (S_ISDIR(st.st_mode))
        attributes |= faDirectory;
    else if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        attributes |= faSystem;
    if (isReadOnly(st))
        attributes |= faReadOnly;
    return attributes;
}

// True when no name of the path is a symbolic link, the last one aside; on a
// kernel that cannot tell, false, so that the caller looks name by name.
bool isLinkFree(const QByteArray& hostPath)
{
    open_how how {};
    how.flags = O_PATH | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    const long fd = ::syscall(SYS_openat2, AT_FDCWD, hostPath.constData(), &how, sizeof how);
    if (fd < 0)
        return false;
    ::close(static_cast<int>(fd));
    return true;
}

constexpr std::int64_t ListingClockMargin = 100'000'000;

std::int64_t nanoseconds(const timespec& time)
{
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

QByteArray joinHost(const QByteArray& directory, const QByteArray& name)
{
    QByteArray path;
    path.reserve(directory.size() + name.size() + 1);
    path += directory;
    if (!path.endsWith('/'))
        path += '/';
    path += name;
    return path;
}

// A host name that holds a backslash cannot be spoken in a program path,
// where the backslash separates names: "..\x" would read as a climb out of
// the folder. Listings leave such names out.
bool isNameable(const char* name)
{
    return std::strchr(name, '\\') == nullptr;
}

bool isAscii(const QByteArray& bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

void stampOf(const struct stat& st, FileStamp& stamp)
{
    stamp.regular = S_ISREG(st.st_mode);
    stamp.directory = S_ISDIR(st.st_mode);
    stamp.size = stamp.regular ? std::int64_t(st.st_size) : 0;
    stamp.modified = nanoseconds(st.st_mtim);
}

class HostFile : public File {
public:
    explicit HostFile(int fd) : m_fd(fd) {}
    ~HostFile() override { ::close(m_fd); }
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;

    std::int64_t read(char* buffer, std::int64_t count) override
    {
        std::int64_t done = 0;
        while (done < count) {
            const ssize_t n = ::read(m_fd, buffer + done, static_cast<size_t>(count - done));
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

    std::int64_t write(const char* buffer, std::int64_t count) override
    {
        std::int64_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(m_fd, buffer + done, static_cast<size_t>(count - done));
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

    int error() const override { return m_error; }

    bool setModified(std::int64_t nanoseconds) override
    {
        timespec times[2] {};
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = time_t(nanoseconds / 1'000'000'000);
        times[1].tv_nsec = long(nanoseconds % 1'000'000'000);
        if (times[1].tv_nsec < 0) {
            times[1].tv_nsec += 1'000'000'000;
            --times[1].tv_sec;
        }
        return ::futimens(m_fd, times) == 0;
    }

    std::int64_t copyFrom(File& source, char* buffer, std::int64_t bufferSize, std::int64_t count) override
    {
        // Between two files of this file system the kernel copies the data
        // itself, without a trip through the program's memory.
        auto* host = dynamic_cast<HostFile*>(&source);
        if (host && !m_plainCopy) {
            ssize_t n;
            do
                n = ::copy_file_range(host->m_fd, nullptr, m_fd, nullptr, size_t(count), 0);
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

    int descriptor() const { return m_fd; }

private:
    int m_fd;
    int m_error = 0;
    bool m_plainCopy = false;
};

// A directory held open: files in it are reached by name relative to it, and
// its names are listed once, then kept up to date by this handle's own
// changes, so that lookups regardless of letter case cost nothing more.
class HostFolder : public Folder {
public:
    HostFolder(int fd, QByteArray host) : m_fd(fd), m_host(std::move(host)) {}
    ~HostFolder() override { ::close(m_fd); }
    HostFolder(const HostFolder&) = delete;
    HostFolder& operator=(const HostFolder&) = delete;

    std::vector<DirEntry> entries() override
    {
        std::vector<DirEntry> found;
        const int fd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            if (fd >= 0)
                ::close(fd);
            m_error = errno;
            return found;
        }
        while (const dirent* entry = ::readdir(dir)) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            if (!isNameable(name))
                continue;
            struct stat st {};
            if (::fstatat(m_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            const bool sized = S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
            found.push_back({QFile::decodeName(name), attributesOf(name, st), sized ? std::int64_t(st.st_size) : 0});
        }
        ::closedir(dir);
        return found;
    }

    std::unique_ptr<File> openRead(const QString& name) override
    {
        const QByteArray stored = storedName(name);
        // Not blocking, and a regular file only: a fifo would wait for a
        // writer and a device could be read for ever. A link is not read
        // through, so that what is copied from a folder lies in it.
        const int fd
            = ::openat(m_fd, stored.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
        if (fd < 0) {
            m_error = errno;
            return nullptr;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            m_error = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<HostFile>(fd);
    }

    std::unique_ptr<File> create(const QString& name) override
    {
        const QByteArray stored = storedName(name);
        struct stat st {};
        // Only a name the folder holds needs a look at what it is.
        if (m_exact.contains(stored) && ::fstatat(m_fd, stored.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(st.st_mode)) {
                m_error = EISDIR;
                return nullptr;
            }
            // A link is replaced by a new file rather than written through.
            if (!S_ISREG(st.st_mode) && ::unlinkat(m_fd, stored.constData(), 0) != 0) {
                m_error = errno;
                return nullptr;
            }
        }
        const int fd = ::openat(m_fd, stored.constData(),
                                O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666);
        if (fd < 0) {
            m_error = errno;
            return nullptr;
        }
        remember(stored);
        return std::make_unique<HostFile>(fd);
    }

    int replace(const QString& from, const QString& to) override
    {
        const QByteArray source = storedName(from);
        const QByteArray target = storedName(to);
        if (::renameat(m_fd, source.constData(), m_fd, target.constData()) != 0)
            return m_error = errno;
        forget(source);
        remember(target);
        return 0;
    }

    bool remove(const QString& name) override
    {
        const QByteArray stored = storedName(name);
        if (::unlinkat(m_fd, stored.constData(), 0) != 0) {
            m_error = errno;
            return false;
        }
        forget(stored);
        return true;
    }

    bool stamp(const QString& name, FileStamp& stamp) override
    {
        const QByteArray stored = storedName(name);
        struct stat st {};
        // A name this folder does not hold needs no look.
        if (!m_exact.contains(stored) || ::fstatat(m_fd, stored.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        stampOf(st, stamp);
        return true;
    }

    int error() const override { return m_error; }

private:
    void list()
    {
        m_listed = true;
        const int fd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            if (fd >= 0)
                ::close(fd);
            return;
        }
        while (const dirent* entry = ::readdir(dir))
            remember(QByteArray(entry->d_name));
        ::closedir(dir);
    }

    static QString folded(const QByteArray& stored) { return QFile::decodeName(stored).toCaseFolded(); }

    void remember(const QByteArray& stored)
    {
        m_exact.insert(stored);
        const QString key = folded(stored);
        if (!m_byFold.contains(key))
            m_byFold.insert(key, stored);
    }

    void forget(const QByteArray& stored)
    {
        m_exact.remove(stored);
        const QString key = folded(stored);
        if (m_byFold.value(key) == stored) {
            m_byFold.remove(key);
            for (const QByteArray& other : std::as_const(m_exact))
                if (folded(other) == key) {
                    m_byFold.insert(key, other);
                    break;
                }
        }
    }

    // The name as the directory holds it: the exact name first, else one
    // that differs only in letter case, else the name as given.
    QByteArray storedName(const QString& name)
    {
        if (!m_listed)
            list();
        const QByteArray exact = QFile::encodeName(name);
        if (m_exact.contains(exact))
            return exact;
        return m_byFold.value(folded(exact), exact);
    }

    int m_fd;
    QByteArray m_host;
    bool m_listed = false;
    QSet<QByteArray> m_exact;
    QHash<QString, QByteArray> m_byFold;
    int m_error = 0;
};

QByteArray hostCurrentDirectory()
{
    QByteArray buffer(PATH_MAX, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), static_cast<size_t>(buffer.size())))
            return QByteArray(buffer.constData());
        if (errno != ERANGE || buffer.size() > (1 << 20))
            return QByteArray();
        buffer.resize(buffer.size() * 2);
    }
}

QStringList hostNames(const QByteArray& hostPath)
{
    QStringList names;
    for (const QByteArray& part : hostPath.split('/')) {
        if (!part.isEmpty())
            names.append(QFile::decodeName(part));
    }
    return names;
}

} // namespace

HostFileSystem::HostFileSystem() : HostFileSystem(DriveMap::load()) {}

HostFileSystem::HostFileSystem(DriveMap drives) : m_drives(std::move(drives)) {}

HostFileSystem::Lookup HostFileSystem::resolve(const QString& path) const
{
    return resolve(WinPath::parse(path));
}

HostFileSystem::Lookup HostFileSystem::resolve(const WinPath& path) const
{
    Lookup result;

    // Every form of path becomes a host folder to start from and the names
    // to look up beneath it.
    QByteArray start;
    QStringList names;
    if (path.hasDrive() || path.rooted) {
        QChar letter = path.drive;
        if (!path.hasDrive()) {
            const QString current = currentDirectory();
            if (current.isEmpty())
                return result;
            letter = current[0];
        }
        const QString folder = m_drives.folder(letter);
        if (folder.isEmpty())
            return result;
        start = QFile::encodeName(folder);
        if (path.rooted) {
            names = collapseDots(path.names);
        } else {
            // "c:x": relative to the current directory when it lies on that
            // drive, else to the drive's root.
            const QString current = currentDirectory();
            QStringList base;
            if (!current.isEmpty() && current[0] == letter)
                base = WinPath::parse(current).names;
            names = collapseDots(base + path.names);
        }
    } else {
        const QByteArray current = hostCurrentDirectory();
        if (current.isEmpty())
            return result;
        start = "/";
        names = collapseDots(hostNames(current) + path.names);
    }

    if (names.isEmpty()) {
        result.host = start;
        if (::stat(start.constData(), &result.st) == 0) {
            result.error = 0;
            result.parentOk = true;
        } else {
            result.error = errno;
        }
        return result;
    }

    QByteArray host = start;
    bool reachable = true;
    bool usedKnown = false;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const bool last = i == names.size() - 1;
        QByteArray child = joinHost(host, QFile::encodeName(names[i]));
        if (!reachable) {
            host = child;
            continue;
        }
        if (!last && m_knownDirectories.contains(child)) {
            host = child;
            usedKnown = true;
            continue;
        }

        struct stat st {};
        bool found = child.size() < PATH_MAX && ::lstat(child.constData(), &st) == 0;
        bool exact = found;
        int error = found ? 0 : (child.size() >= PATH_MAX ? ENAMETOOLONG : errno);
        if (!found && error == ENOENT) {
            const QByteArray stored = findIgnoringCase(host, names[i]);
            if (!stored.isEmpty()) {
                child = joinHost(host, stored);
                found = ::lstat(child.constData(), &st) == 0;
                error = found ? 0 : errno;
            }
        }
        host = child;

        if (!found) {
            reachable = false;
            result.error = error;
            result.parentOk = last && error == ENOENT;
            continue;
        }
        if (last) {
            result.st = st;
            result.error = 0;
            result.parentOk = true;
        } else if (!S_ISDIR(st.st_mode)) {
            reachable = false;
            result.error = ENOTDIR;
        } else if (exact) {
            rememberDirectory(child);
        }
    }
    // A result never rests on remembered directories alone: one of them may
    // have gone or been replaced by a link since, and then the lookup without
    // them has the last word.
    if (usedKnown) {
        bool trusted = false;
        if (result.error == 0)
            trusted = isLinkFree(host);
        else if (result.parentOk)
            trusted = isLinkFree(host.left(host.lastIndexOf('/')));
        if (!trusted) {
            m_knownDirectories.clear();
            return resolve(path);
        }
    }
    result.host = host;
    return result;
}

void HostFileSystem::rememberDirectory(const QByteArray& hostPath) const
{
    // A bound keeps a long walk from growing the cache without end.
    if (m_knownDirectories.size() >= 8192)
        m_knownDirectories.clear();
    m_knownDirectories.insert(hostPath);
}

const HostFileSystem::Listing* HostFileSystem::listNames(const QByteArray& directory,
                                                        const struct stat* known) const
{
    struct stat st {};
    if (!known) {
        if (::stat(directory.constData(), &st) != 0)
            return nullptr;
        known = &st;
    }
    for (const Listing& listing : m_listings) {
        if (listing.directory == directory && listing.device == known->st_dev
            && listing.inode == known->st_ino && listing.modified == nanoseconds(known->st_mtim))
            return &listing;
    }

    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat before {};
    timespec started {};
    ::clock_gettime(CLOCK_REALTIME, &started);
    DIR* dir = ::fstat(fd, &before) == 0 ? ::fdopendir(fd) : nullptr;
    if (!dir) {
        ::close(fd);
        return nullptr;
    }
    Listing& listing = m_listings[m_nextListing];
    m_nextListing = (m_nextListing + 1) % m_listings.size();
    listing.directory.clear();
    listing.names.clear();
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        listing.names.emplace_back(QByteArray(name), entry->d_type);
    }
    ::closedir(dir);

    // The listing is reused only when the directory's modification time lies
    // clearly before the reading began: a change made afterwards then always
    // gives a different time, however coarse the file system's clock.
    const std::int64_t modified = nanoseconds(before.st_mtim);
    if (modified < nanoseconds(started) - ListingClockMargin) {
        listing.directory = directory;
        listing.device = before.st_dev;
        listing.inode = before.st_ino;
        listing.modified = modified;
    }
    return &listing;
}

QByteArray HostFileSystem::findIgnoringCase(const QByteArray& directory, const QString& name,
                                            const struct stat* known) const
{
    const Listing* listing = listNames(directory, known);
    if (!listing)
        return QByteArray();
    const QByteArray wanted = QFile::encodeName(name);
    const bool ascii = isAscii(wanted);
    for (const auto& [stored, type] : listing->names) {
        if (ascii) {
            if (stored.size() == wanted.size() && ::strcasecmp(stored.constData(), wanted.constData()) == 0)
                return stored;
        } else if (QFile::decodeName(stored).compare(name, Qt::CaseInsensitive) == 0) {
            return stored;
        }
    }
    return QByteArray();
}

QString HostFileSystem::toHost(const QString& path) const
{
    return QFile::decodeName(resolve(path).host);
}

QString HostFileSystem::fromHost(const QString& hostPath) const
{
    if (hostPath.startsWith(QLatin1Char('/')))
        return m_drives.fromHost(hostPath);
    return m_drives.fromHost(QFile::decodeName(hostCurrentDirectory()) + QLatin1Char('/') + hostPath);
}

bool HostFileSystem::fileExists(const QString& path) const
{
    const Lookup found = resolve(path);
    return found.error == 0 && !S_ISDIR(found.st.st_mode);
}

bool HostFileSystem::directoryExists(const QString& path) const
{
    const Lookup found = resolve(path);
    return found.error == 0 && S_ISDIR(found.st.st_mode);
}

std::vector<DirEntry> HostFileSystem::findEntries(const QString& pattern, unsigned allowed) const
{
    std::vector<DirEntry> entries;
    WinPath path = WinPath::parse(pattern);
    if (path.names.isEmpty())
        return entries;
    const QString wanted = path.names.takeLast();
    if (wanted == QLatin1String(".") || wanted == QLatin1String(".."))
        return entries;

    const Lookup directory = resolve(path);
    if (directory.error != 0 || !S_ISDIR(directory.st.st_mode))
        return entries;

    const unsigned dropped = (faHidden | faSystem | faDirectory) & ~allowed;
    const SystemMounts& mounts = systemMounts();
    const bool nearMounts = mounts.holdsMountPoint(directory.host.toStdString());
    int readOnlyVolume = -1;

    auto add = [&](const QByteArray& name, const struct stat& st) {
        if (!isNameable(name.constData()))
            return;
        if (readOnlyVolume < 0) {
            struct statvfs volume {};
            readOnlyVolume = ::statvfs(directory.host.constData(), &volume) == 0
                             && (volume.f_flag & ST_RDONLY);
        }
        unsigned attributes = attributesOf(name.constData(), st);
        if (S_ISDIR(st.st_mode) && nearMounts
            && mounts.isMountPoint(joinHost(directory.host, name).toStdString()))
            attributes |= faSystem;
        if (readOnlyVolume > 0)
            attributes |= faReadOnly;
        if (attributes & dropped)
            return;
        const bool sized = S_ISREG(st.st_mode) || S_ISLNK(st.st_mode);
        entries.push_back({QFile::decodeName(name), attributes, sized ? std::int64_t(st.st_size) : 0});
    };

    if (!hasWildcards(wanted)) {
        QByteArray stored = QFile::encodeName(wanted);
        struct stat st {};
        if (::lstat(joinHost(directory.host, stored).constData(), &st) != 0) {
            if (errno != ENOENT)
                return entries;
            stored = findIgnoringCase(directory.host, wanted, &directory.st);
            if (stored.isEmpty() || ::lstat(joinHost(directory.host, stored).constData(), &st) != 0)
                return entries;
        }
        add(stored, st);
        return entries;
    }

    const Listing* listing = listNames(directory.host, &directory.st);
    const int dirFd = listing ? ::open(directory.host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (dirFd < 0)
        return entries;
    const bool everything = wanted == QLatin1String("*.*") || wanted == QLatin1String("*");
    for (const auto& [name, type] : listing->names) {
        // The type from the listing drops most entries without a stat.
        unsigned early = name.startsWith('.') ? unsigned(faHidden) : 0u;
        if (type == DT_DIR)
            early |= faDirectory;
        else if (type != DT_UNKNOWN && type != DT_REG && type != DT_LNK)
            early |= faSystem;
        if (early & dropped)
            continue;
        if (!everything && !matchesPattern(QFile::decodeName(name), wanted))
            continue;
        struct stat st {};
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            add(name, st);
    }
    ::close(dirFd);
    return entries;
}

bool HostFileSystem::probeDrive(int driveNumber) const
{
    const QString folder = m_drives.folder(driveNumber);
    if (folder.isEmpty())
        return false;
    const QByteArray host = QFile::encodeName(folder);
    struct stat st {};
    struct statvfs fs {};
    return ::stat(host.constData(), &st) == 0 && S_ISDIR(st.st_mode)
           && ::statvfs(host.constData(), &fs) == 0;
}

namespace {

std::int64_t freeBytesOf(const QByteArray& host)
{
    struct statvfs fs {};
    if (::statvfs(host.constData(), &fs) != 0)
        return -1;
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const std::uint64_t blocks = fs.f_bavail;
    const std::uint64_t blockSize = fs.f_frsize;
    if (blockSize != 0 && blocks > most / blockSize)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(blocks * blockSize);
}

} // namespace

std::int64_t HostFileSystem::freeSpace(int driveNumber) const
{
    const QString folder = m_drives.folder(driveNumber);
    if (folder.isEmpty())
        return -1;
    return freeBytesOf(QFile::encodeName(folder));
}

std::int64_t HostFileSystem::freeSpaceAt(const QString& path) const
{
    // The nearest folder of the path that exists says which file system the
    // path will be written to.
    QByteArray host = resolve(path).host;
    if (host.isEmpty())
        return -1;
    for (;;) {
        struct stat st {};
        if (::stat(host.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            return freeBytesOf(host);
        if (host == "/")
            return -1;
        const qsizetype slash = host.lastIndexOf('/');
        host = slash <= 0 ? QByteArray("/") : host.left(slash);
    }
}

const SystemMounts& HostFileSystem::systemMounts() const
{
    if (!m_mounts)
        m_mounts = SystemMounts::current();
    return *m_mounts;
}

WalkDirectory HostFileSystem::walkRoot(int driveNumber) const
{
    // A walk sees the mounts as they are when it begins.
    m_mounts = SystemMounts::current();
    const QChar letter = driveLetter(driveNumber);
    if (letter.isNull())
        return {};
    return {QString(letter) + QStringLiteral(":\\"), QFile::encodeName(m_drives.folder(driveNumber))};
}

bool WalkEntry::isNamed(const char* ascii) const
{
    return ::strcasecmp(stored.c_str(), ascii) == 0;
}

bool HostFileSystem::listDirectory(const WalkDirectory& directory, std::vector<WalkEntry>& entries) const
{
    entries.clear();
    if (directory.place.isEmpty())
        return false;
    // One open and one pass of the directory: what each entry is comes from
    // the listing, and only an entry the file system does not describe
    // there is looked at on its own.
    const int fd = ::open(directory.place.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const SystemMounts& mounts = systemMounts();
    const bool nearMounts = !mounts.parents.empty() && mounts.holdsMountPoint(directory.place.toStdString());
    alignas(8) static thread_local char buffer[32768];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (long at = 0; at < got;) {
            // A record of the kernel's listing: inode (8 bytes), offset (8),
            // record length (2), type (1), then the name, NUL-terminated.
            const char* record = buffer + at;
            unsigned short length = 0;
            std::memcpy(&length, record + 16, sizeof length);
            at += length;
            const unsigned char recordType = static_cast<unsigned char>(record[18]);
            const char* name = record + 19;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            unsigned char type = recordType;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_FIFO;
            }
            WalkEntry& entry = entries.emplace_back();
            entry.stored.assign(name);
            entry.attributes = name[0] == '.' ? unsigned(faHidden) : 0u;
            if (type == DT_DIR) {
                entry.attributes |= faDirectory;
                if (nearMounts && mounts.isMountPoint(joinHost(directory.place, QByteArray(name)).toStdString()))
                    entry.attributes |= faSystem;
            } else if (type != DT_REG && type != DT_LNK) {
                entry.attributes |= faSystem;
            }
        }
    }
    ::close(fd);
    return true;
}

WalkDirectory HostFileSystem::walkInto(const WalkDirectory& parent, const WalkEntry& entry) const
{
    WalkDirectory child;
    const QString name = entry.name();
    child.path.reserve(parent.path.size() + name.size() + 1);
    child.path += parent.path;
    child.path += name;
    child.path += QLatin1Char('\\');
    // Joined as the mount table writes paths (no doubled slash below a
    // drive mapped onto "/"), so that a mount deeper down is recognised.
    child.place = joinHost(parent.place, QByteArray(entry.stored.data(), qsizetype(entry.stored.size())));
    return child;
}

int HostFileSystem::createDirectory(const QString& path)
{
    const Lookup target = resolve(path);
    if (target.host.isEmpty())
        return ENOENT;
    if (target.error == 0)
        return EEXIST;
    if (!target.parentOk)
        return target.error;
    return ::mkdir(target.host.constData(), 0777) == 0 ? 0 : errno;
}

int HostFileSystem::forceDirectories(const QString& path)
{
    const WinPath full = WinPath::parse(path);
    WinPath step = full;
    step.names.clear();
    if (full.names.isEmpty())
        return directoryExists(path) ? 0 : ENOENT;
    for (const QString& name : full.names) {
        step.names.append(name);
        const Lookup found = resolve(step);
        if (found.host.isEmpty())
            return ENOENT;
        if (found.error == 0) {
            if (!S_ISDIR(found.st.st_mode))
                return ENOTDIR;
            continue;
        }
        if (!found.parentOk)
            return found.error;
        if (::mkdir(found.host.constData(), 0777) != 0 && errno != EEXIST)
            return errno;
    }
    return 0;
}

bool HostFileSystem::deleteFile(const QString& path)
{
    const Lookup target = resolve(path);
    if (target.error != 0) {
        m_lastError = target.error;
        return false;
    }
    if (S_ISDIR(target.st.st_mode)) {
        m_lastError = EISDIR;
        return false;
    }
    // unlink removes a symbolic link itself, never what it points to.
    if (::unlink(target.host.constData()) != 0) {
        m_lastError = errno;
        return false;
    }
    return true;
}

std::unique_ptr<Folder> HostFileSystem::openFolder(const QString& path)
{
    const Lookup folder = resolve(path);
    if (folder.error != 0 || folder.host.isEmpty()) {
        m_lastError = folder.host.isEmpty() ? ENOENT : folder.error;
        return nullptr;
    }
    if (!S_ISDIR(folder.st.st_mode)) {
        m_lastError = ENOTDIR;
        return nullptr;
    }
    const int fd = ::open(folder.host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        m_lastError = errno;
        return nullptr;
    }
    return std::make_unique<HostFolder>(fd, folder.host);
}

int HostFileSystem::ensureExactName(const QString& folder, const QString& exactName)
{
    const Lookup parent = resolve(folder);
    if (parent.error != 0 || !S_ISDIR(parent.st.st_mode))
        return parent.error != 0 ? parent.error : ENOTDIR;
    const QByteArray exact = QFile::encodeName(exactName);
    struct stat st {};
    if (::lstat(joinHost(parent.host, exact).constData(), &st) == 0)
        return 0;
    const QByteArray stored = findIgnoringCase(parent.host, exactName);
    if (stored.isEmpty())
        return ENOENT;
    return ::symlink(stored.constData(), joinHost(parent.host, exact).constData()) == 0 ? 0 : errno;
}

int HostFileSystem::replaceFile(const QString& from, const QString& to)
{
    const Lookup source = resolve(from);
    if (source.error != 0)
        return source.error;
    const Lookup target = resolve(to);
    if (target.host.isEmpty() || (target.error != 0 && !target.parentOk))
        return target.host.isEmpty() ? ENOENT : target.error;
    if (target.error == 0 && S_ISDIR(target.st.st_mode))
        return EISDIR;
    return ::rename(source.host.constData(), target.host.constData()) == 0 ? 0 : errno;
}

bool HostFileSystem::isRegularFile(const QString& path) const
{
    const Lookup found = resolve(path);
    return found.error == 0 && S_ISREG(found.st.st_mode);
}

bool HostFileSystem::isReadOnly(const QString& path) const
{
    const Lookup found = resolve(path);
    if (found.error != 0)
        return false;
    if (umbraxis::isReadOnly(found.st))
        return true;
    struct statvfs volume {};
    return ::statvfs(found.host.constData(), &volume) == 0 && (volume.f_flag & ST_RDONLY);
}

bool HostFileSystem::fileStamp(const QString& path, FileStamp& stamp) const
{
    const Lookup found = resolve(path);
    if (found.error != 0)
        return false;
    stampOf(found.st, stamp);
    return true;
}

int HostFileSystem::linkFile(const QString& existing, const QString& link)
{
    const Lookup source = resolve(existing);
    if (source.error != 0)
        return source.error;
    if (S_ISDIR(source.st.st_mode))
        return EISDIR;
    const Lookup target = resolve(link);
    if (target.host.isEmpty())
        return ENOENT;
    if (target.error == 0)
        return EEXIST;
    if (!target.parentOk)
        return target.error;
    // Without AT_SYMLINK_FOLLOW a link is given the second name itself,
    // never what it points to.
    return ::linkat(AT_FDCWD, source.host.constData(), AT_FDCWD, target.host.constData(), 0) == 0 ? 0 : errno;
}

std::unique_ptr<File> HostFileSystem::openRead(const QString& path)
{
    const Lookup source = resolve(path);
    if (source.error != 0) {
        m_lastError = source.error;
        return nullptr;
    }
    const int fd = openRegularFile(source.host, m_lastError);
    if (fd < 0)
        return nullptr;
    return std::make_unique<HostFile>(fd);
}

std::unique_ptr<File> HostFileSystem::create(const QString& path)
{
    const Lookup target = resolve(path);
    if (target.host.isEmpty() || (target.error != 0 && !target.parentOk)) {
        m_lastError = target.host.isEmpty() ? ENOENT : target.error;
        return nullptr;
    }
    if (target.error == 0) {
        if (S_ISDIR(target.st.st_mode)) {
            m_lastError = EISDIR;
            return nullptr;
        }
        // A link is replaced by a new file rather than written through, so
        // that a copy never changes a file outside its target folder.
        if (S_ISLNK(target.st.st_mode) && ::unlink(target.host.constData()) != 0) {
            m_lastError = errno;
            return nullptr;
        }
        if (!S_ISREG(target.st.st_mode) && !S_ISLNK(target.st.st_mode)) {
            m_lastError = EACCES;
            return nullptr;
        }
    }
    const int fd = ::open(target.host.constData(),
                          O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY,
                          0666);
    if (fd < 0) {
        m_lastError = errno;
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_lastError = EACCES;
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return std::make_unique<HostFile>(fd);
}

QString HostFileSystem::currentDirectory() const
{
    const QByteArray host = hostCurrentDirectory();
    if (host.isEmpty())
        return QString();
    const QString hostPath = QFile::decodeName(host);
    QString path = m_drives.fromHost(hostPath);
    if (!path.isEmpty())
        return path;
    for (int number = 26; number > 10; --number) {
        if (m_drives.folder(number).isEmpty()) {
            m_drives.setFolder(driveLetter(number), hostPath);
            return m_drives.fromHost(hostPath);
        }
    }
    return QString();
}

QString HostFileSystem::placeFolder(const QString& hostFolder)
{
    if (!hostFolder.startsWith(QLatin1Char('/')))
        return QString();
    QString path = m_drives.fromHost(hostFolder);
    for (int number = 11; path.isEmpty() && number <= 26; ++number) {
        if (!m_drives.folder(number).isEmpty())
            continue;
        const QChar letter = driveLetter(number);
        m_drives.setFolder(letter, hostFolder);
        m_placed.insert(letter);
        path = m_drives.fromHost(hostFolder);
    }
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('\\')))
        path += QLatin1Char('\\');
    return path;
}

bool HostFileSystem::keepDrive(const QString& programPath)
{
    const WinPath path = WinPath::parse(programPath);
    if (!path.hasDrive() || !m_placed.contains(path.drive))
        return true;
    if (!m_drives.saveDrive(path.drive))
        return false;
    m_placed.remove(path.drive);
    return true;
}

int HostFileSystem::setCurrentDirectory(const QString& path)
{
    const Lookup target = resolve(path);
    if (target.host.isEmpty())
        return ENOENT;
    if (target.error != 0)
        return target.error;
    if (!S_ISDIR(target.st.st_mode))
        return ENOTDIR;
    return ::chdir(target.host.constData()) == 0 ? 0 : errno;
}

namespace {

// The directory held open, so that it is found again by what it is rather
// than by its name.
class HostDirectoryHold : public DirectoryHold {
public:
    HostDirectoryHold()
        : m_fd(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
        , m_openError(m_fd < 0 ? errno : 0)
    {
    }
    ~HostDirectoryHold() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int restore() override
    {
        if (m_fd < 0)
            return m_openError;
        return ::fchdir(m_fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
    int m_openError;
};

} // namespace

std::unique_ptr<DirectoryHold> HostFileSystem::holdCurrentDirectory() const
{
    return std::make_unique<HostDirectoryHold>();
}

} // namespace umbraxis
