#include "platform/files/PathResolver.h"

#include "platform/Descriptor.h"
#include "platform/WinPath.h"
#include "platform/files/DirectoryReader.h"
#include "platform/files/FileAttributes.h"

#include <QFile>
#include <QStringList>

#include <climits>
#include <ctime>
#include <fcntl.h>
#include <linux/openat2.h>
#include <strings.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace umbraxis {

namespace {

// A listing is reused only when its directory last changed this long before
// the listing was read.
constexpr std::int64_t ListingClockMargin = 100'000'000;

// True when no name of the path is a symbolic link, the last one aside; on a
// kernel that cannot tell, false, so that the caller looks name by name.
bool isLinkFree(const QByteArray& hostPath)
{
    open_how how{};
    how.flags = O_PATH | O_NOFOLLOW | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    const Descriptor fd(int(::syscall(SYS_openat2, AT_FDCWD, hostPath.constData(), &how, sizeof how)));
    return bool(fd);
}

bool isAscii(const QByteArray& bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
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

int PathResolver::Lookup::newEntryError() const
{
    if (host.isEmpty())
        return ENOENT;
    if (error == 0)
        return EEXIST;
    return parentOk ? 0 : error;
}

PathResolver::Lookup PathResolver::resolve(const QString& path)
{
    return resolve(WinPath::parse(path));
}

PathResolver::Lookup PathResolver::resolve(const WinPath& path)
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

        struct stat st { };
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

void PathResolver::rememberDirectory(const QByteArray& hostPath)
{
    // A bound keeps a long walk from growing the cache without end.
    if (m_knownDirectories.size() >= 8192)
        m_knownDirectories.clear();
    m_knownDirectories.insert(hostPath);
}

const PathResolver::Listing* PathResolver::listNames(const QByteArray& directory, const struct stat* known)
{
    struct stat st { };
    if (!known) {
        if (::stat(directory.constData(), &st) != 0)
            return nullptr;
        known = &st;
    }
    for (const Listing& listing : m_listings) {
        if (listing.directory == directory && listing.device == known->st_dev && listing.inode == known->st_ino
            && listing.modified == nanoseconds(known->st_mtim))
            return &listing;
    }

    const Descriptor fd(::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return nullptr;
    timespec started{};
    ::clock_gettime(CLOCK_REALTIME, &started);
    struct stat before { };
    if (::fstat(fd.get(), &before) != 0)
        return nullptr;
    Listing& listing = m_listings[m_nextListing];
    m_nextListing = (m_nextListing + 1) % m_listings.size();
    listing.directory.clear();
    listing.names.clear();
    readDirectory(fd.get(), [&listing](const char* name, unsigned char type) {
        listing.names.emplace_back(QByteArray(name), type);
    });

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

QByteArray PathResolver::findIgnoringCase(const QByteArray& directory, const QString& name, const struct stat* known)
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

QString PathResolver::currentDirectory()
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

} // namespace umbraxis
