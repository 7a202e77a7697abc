#pragma once

#include "platform/DriveMap.h"
#include "platform/FileSystem.h"
#include "platform/SystemMounts.h"

#include <QByteArray>
#include <QSet>
#include <array>
#include <optional>
#include <cerrno>
#include <utility>
#include <sys/stat.h>

namespace umbraxis {

struct WinPath;

// The file system over POSIX calls and a drive map. Names are looked up
// regardless of letter case (an exact match first), symbolic links are
// reported as plain files and never entered, and a path that runs through
// a link or a file does not exist. Error codes are errno values. Read-only
// follows the permission bits that apply to this user (or a read-only
// mount); hidden means a name starting with "."; system marks devices, fifos,
// sockets and the mount points of the kernel's pseudo file systems.
//
// Meant for the one user-interface thread: lookups share small caches of
// directories known to be real and of recent listings, so that a walk of a
// large tree reads each directory about once.
class HostFileSystem : public FileSystem {
public:
    // The user's drive map (see DriveMap::load).
    HostFileSystem();
    explicit HostFileSystem(DriveMap drives);

    const DriveMap& drives() const { return m_drives; }

    QString toHost(const QString& path) const override;
    QString fromHost(const QString& hostPath) const override;

    bool fileExists(const QString& path) const override;
    bool directoryExists(const QString& path) const override;

    std::vector<DirEntry> findEntries(const QString& pattern, unsigned allowed) const override;

    bool probeDrive(int driveNumber) const override;
    std::int64_t freeSpace(int driveNumber) const override;
    std::int64_t freeSpaceAt(const QString& path) const override;

    WalkDirectory walkRoot(int driveNumber) const override;
    bool listDirectory(const WalkDirectory& directory, std::vector<WalkEntry>& entries) const override;
    WalkDirectory walkInto(const WalkDirectory& parent, const WalkEntry& entry) const override;

    int createDirectory(const QString& path) override;
    int forceDirectories(const QString& path) override;
    bool deleteFile(const QString& path) override;
    int ensureExactName(const QString& folder, const QString& exactName) override;
    int replaceFile(const QString& from, const QString& to) override;
    bool isRegularFile(const QString& path) const override;
    bool isReadOnly(const QString& path) const override;
    bool fileStamp(const QString& path, FileStamp& stamp) const override;
    int linkFile(const QString& existing, const QString& link) override;

    std::unique_ptr<Folder> openFolder(const QString& path) override;
    std::unique_ptr<File> openRead(const QString& path) override;
    std::unique_ptr<File> create(const QString& path) override;
    int lastError() const override { return m_lastError; }

    // A working directory that lies outside every drive is given a drive of
    // its own (the highest free letter), so that the program's paths always
    // reach it.
    QString currentDirectory() const override;
    int setCurrentDirectory(const QString& path) override;
    std::unique_ptr<DirectoryHold> holdCurrentDirectory() const override;

    // The program path of a host folder ("c:\home\me\quake\"), ending in a
    // backslash. A folder that no drive holds is given a drive of its own for
    // this run: the lowest free letter after j:, which the drive walk never
    // reaches. Empty when the path is not absolute or every letter is taken.
    QString placeFolder(const QString& hostFolder);
    // Writes a drive that placeFolder gave into the drive map's file, so that
    // the folder keeps its letter in later runs and what was recorded under
    // it still names the same files. True when the drive of `programPath`
    // needs no writing or was written.
    bool keepDrive(const QString& programPath);

private:
    // Where a program path leads on the host.
    struct Lookup {
        QByteArray host;      // empty when no drive holds the path
        int error = ENOENT;   // 0 when the last name exists
        bool parentOk = false; // every name but the last is a real directory
        struct stat st {};    // of the last name (not followed), when it exists
    };

    Lookup resolve(const WinPath& path) const;
    Lookup resolve(const QString& path) const;
    // The names in a directory with their types from the listing.
    struct Listing {
        QByteArray directory;
        dev_t device = 0;
        ino_t inode = 0;
        std::int64_t modified = 0;
        std::vector<std::pair<QByteArray, unsigned char>> names;
    };
    // The listing of `directory`, reused while the directory is unchanged;
    // nullptr when it cannot be read. `known` is the directory's stat when the
    // caller has one at hand.
    const Listing* listNames(const QByteArray& directory, const struct stat* known) const;
    QByteArray findIgnoringCase(const QByteArray& directory, const QString& name,
                                const struct stat* known = nullptr) const;
    void rememberDirectory(const QByteArray& hostPath) const;
    const SystemMounts& systemMounts() const;

    mutable DriveMap m_drives;
    // Letters placeFolder gave in this run.
    QSet<QChar> m_placed;
    mutable std::optional<SystemMounts> m_mounts;
    int m_lastError = 0;
    mutable QSet<QByteArray> m_knownDirectories;
    // The last few listings, for the name lookups and the listing that the
    // walk makes of each directory in turn.
    mutable std::array<Listing, 8> m_listings;
    mutable std::size_t m_nextListing = 0;
};

} // namespace umbraxis
