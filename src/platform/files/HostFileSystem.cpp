#include "platform/files/HostFileSystem.h"

#include "platform/Descriptor.h"
#include "platform/WinPath.h"
#include "platform/files/DriveWalk.h"
#include "platform/files/FileAttributes.h"
#include "platform/files/HostFile.h"
#include "platform/files/RegularFile.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace umbraxis {

namespace {

std::int64_t freeBytesOf(const QByteArray& host)
{
    struct statvfs fs { };
    if (::statvfs(host.constData(), &fs) != 0)
        return -1;
    constexpr auto most = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    const std::uint64_t blocks = fs.f_bavail;
    const std::uint64_t blockSize = fs.f_frsize;
    if (blockSize != 0 && blocks > most / blockSize)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(blocks * blockSize);
}

bool isReadOnlyVolume(const QByteArray& host)
{
    struct statvfs volume { };
    return ::statvfs(host.constData(), &volume) == 0 && (volume.f_flag & ST_RDONLY);
}

} // namespace

HostFileSystem::HostFileSystem()
    : HostFileSystem(DriveMap::load())
{
}

HostFileSystem::HostFileSystem(DriveMap drives)
    : m_paths(std::move(drives))
{
}

QString HostFileSystem::toHost(const QString& path) const
{
    return QFile::decodeName(resolve(path).host);
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

    const Lookup directory = m_paths.resolve(path);
    if (directory.error != 0 || !S_ISDIR(directory.st.st_mode))
        return entries;

    const unsigned dropped = (faHidden | faSystem | faDirectory) & ~allowed;
    const SystemMounts& mounts = systemMounts();
    const bool nearMounts = mounts.holdsMountPoint(directory.host.toStdString());
    int readOnlyVolume = -1;

    auto add = [&](const QByteArray& name, const struct stat& st) {
        // A host name that holds a backslash cannot be spoken in a program
        // path, where the backslash separates names: "..\x" would read as a
        // climb out of the folder. Listings leave such names out.
        if (name.contains('\\'))
            return;
        if (readOnlyVolume < 0)
            readOnlyVolume = isReadOnlyVolume(directory.host);
        unsigned attributes = attributesOf(name.constData(), st);
        if (S_ISDIR(st.st_mode) && nearMounts && mounts.isMountPoint(joinHost(directory.host, name).toStdString()))
            attributes |= faSystem;
        if (readOnlyVolume > 0)
            attributes |= faReadOnly;
        if (!(attributes & dropped))
            entries.push_back(dirEntryOf(name, attributes, st));
    };

    if (!hasWildcards(wanted)) {
        QByteArray stored = QFile::encodeName(wanted);
        struct stat st { };
        if (::lstat(joinHost(directory.host, stored).constData(), &st) != 0) {
            if (errno != ENOENT)
                return entries;
            stored = m_paths.findIgnoringCase(directory.host, wanted, &directory.st);
            if (stored.isEmpty() || ::lstat(joinHost(directory.host, stored).constData(), &st) != 0)
                return entries;
        }
        add(stored, st);
        return entries;
    }

    const PathResolver::Listing* listing = m_paths.listNames(directory.host, &directory.st);
    const Descriptor dirFd(listing ? ::open(directory.host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1);
    if (!dirFd)
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
        struct stat st { };
        if (::fstatat(dirFd.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            add(name, st);
    }
    return entries;
}

bool HostFileSystem::probeDrive(int driveNumber) const
{
    const QString folder = drives().folder(driveNumber);
    if (folder.isEmpty())
        return false;
    const QByteArray host = QFile::encodeName(folder);
    struct stat st { };
    struct statvfs fs { };
    return ::stat(host.constData(), &st) == 0 && S_ISDIR(st.st_mode) && ::statvfs(host.constData(), &fs) == 0;
}

std::int64_t HostFileSystem::freeSpaceAt(const QString& path) const
{
    // The nearest folder of the path that exists says which file system the
    // path will be written to.
    QByteArray host = resolve(path).host;
    if (host.isEmpty())
        return -1;
    for (;;) {
        struct stat st { };
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
    return walkRootOf(drives(), driveNumber);
}

int HostFileSystem::listDirectory(const WalkDirectory& directory, std::vector<WalkEntry>& entries) const
{
    return listForWalk(directory, systemMounts(), entries);
}

WalkDirectory HostFileSystem::walkInto(const WalkDirectory& parent, const WalkEntry& entry) const
{
    return walkChild(parent, entry);
}

int HostFileSystem::createDirectory(const QString& path)
{
    const Lookup target = resolve(path);
    if (const int error = target.newEntryError())
        return error;
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
        const Lookup found = m_paths.resolve(step);
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

int HostFileSystem::deleteFile(const QString& path)
{
    const Lookup target = resolve(path);
    if (target.error != 0)
        return target.error;
    if (S_ISDIR(target.st.st_mode))
        return EISDIR;
    // unlink removes a symbolic link itself, never what it points to.
    return ::unlink(target.host.constData()) == 0 ? 0 : errno;
}

int HostFileSystem::ensureExactName(const QString& folder, const QString& exactName)
{
    const Lookup parent = resolve(folder);
    if (parent.error != 0 || !S_ISDIR(parent.st.st_mode))
        return parent.error != 0 ? parent.error : ENOTDIR;
    const QByteArray exact = QFile::encodeName(exactName);
    struct stat st { };
    if (::lstat(joinHost(parent.host, exact).constData(), &st) == 0)
        return 0;
    const QByteArray stored = m_paths.findIgnoringCase(parent.host, exactName);
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

int HostFileSystem::linkFile(const QString& existing, const QString& link)
{
    const Lookup source = resolve(existing);
    if (source.error != 0)
        return source.error;
    if (S_ISDIR(source.st.st_mode))
        return EISDIR;
    const Lookup target = resolve(link);
    if (const int error = target.newEntryError())
        return error;
    // Without AT_SYMLINK_FOLLOW a link is given the second name itself,
    // never what it points to.
    return ::linkat(AT_FDCWD, source.host.constData(), AT_FDCWD, target.host.constData(), 0) == 0 ? 0 : errno;
}

int HostFileSystem::probeFolder(const QString& folder) const
{
    const Lookup found = resolve(folder);
    if (found.error != 0)
        return found.error;
    if (!S_ISDIR(found.st.st_mode))
        return ENOTDIR;
    return ::access(found.host.constData(), X_OK) == 0 ? 0 : errno;
}

bool HostFileSystem::isReadOnly(const QString& path) const
{
    const Lookup found = resolve(path);
    if (found.error != 0)
        return false;
    return isReadOnlyEntry(found.st) || isReadOnlyVolume(found.host);
}

bool HostFileSystem::fileStamp(const QString& path, FileStamp& stamp) const
{
    const Lookup found = resolve(path);
    if (found.error != 0)
        return false;
    stampOf(found.st, stamp);
    return true;
}

Opened<Folder> HostFileSystem::openFolder(const QString& path)
{
    const Lookup folder = resolve(path);
    if (folder.error != 0 || folder.host.isEmpty())
        return {nullptr, folder.host.isEmpty() ? ENOENT : folder.error};
    if (!S_ISDIR(folder.st.st_mode))
        return {nullptr, ENOTDIR};
    Descriptor fd(::open(folder.host.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd)
        return {nullptr, errno};
    return {std::make_unique<HostFolder>(std::move(fd)), 0};
}

Opened<File> HostFileSystem::openRead(const QString& path)
{
    const Lookup source = resolve(path);
    if (source.error != 0)
        return {nullptr, source.error};
    int error = 0;
    Descriptor fd = openRegularFile(source.host, error);
    if (!fd)
        return {nullptr, error};
    return {std::make_unique<HostFile>(std::move(fd)), 0};
}

Opened<File> HostFileSystem::create(const QString& path)
{
    const Lookup target = resolve(path);
    if (target.host.isEmpty() || (target.error != 0 && !target.parentOk))
        return {nullptr, target.host.isEmpty() ? ENOENT : target.error};
    int error = 0;
    Descriptor fd = createRegularFile(AT_FDCWD, target.host.constData(), error);
    if (!fd)
        return {nullptr, error};
    return {std::make_unique<HostFile>(std::move(fd)), 0};
}

QString HostFileSystem::currentDirectory() const
{
    return m_paths.currentDirectory();
}

QString HostFileSystem::placeFolder(const QString& hostFolder)
{
    if (!hostFolder.startsWith(QLatin1Char('/')))
        return QString();
    DriveMap& drives = m_paths.drives();
    QString path = drives.fromHost(hostFolder);
    for (int number = 11; path.isEmpty() && number <= 26; ++number) {
        if (!drives.folder(number).isEmpty())
            continue;
        const QChar letter = driveLetter(number);
        drives.setFolder(letter, hostFolder);
        m_placed.insert(letter);
        path = drives.fromHost(hostFolder);
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
    if (!drives().saveDrive(path.drive))
        return false;
    m_placed.remove(path.drive);
    return true;
}

} // namespace umbraxis
