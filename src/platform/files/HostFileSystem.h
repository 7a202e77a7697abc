#pragma once

#include "platform/FileSystem.h"
#include "platform/files/DriveMap.h"
#include "platform/files/PathResolver.h"
#include "platform/files/SystemMounts.h"

#include <QSet>

#include <optional>

namespace umbraxis {

// The file system over POSIX calls and a drive map. Names are looked up
// regardless of letter case (an exact match first), symbolic links are
// reported as plain files and never entered, and a path that runs through
// a link or a file does not exist. Error codes are errno values. Read-only
// follows the permission bits that apply to this user (or a read-only
// mount); hidden means a name starting with "."; system marks devices, fifos,
// sockets and the mount points of the kernel's pseudo file systems.
//
// Meant for the one user-interface thread (see PathResolver).
class HostFileSystem : public FileSystem {
public:
    // The user's drive map (see DriveMap::load).
    HostFileSystem();
    explicit HostFileSystem(DriveMap drives);

    const DriveMap& drives() const { return m_paths.drives(); }

    QString toHost(const QString& path) const override;

    bool fileExists(const QString& path) const override;
    bool directoryExists(const QString& path) const override;

    std::vector<DirEntry> findEntries(const QString& pattern, unsigned allowed) const override;

    bool probeDrive(int driveNumber) const override;
    std::int64_t freeSpaceAt(const QString& path) const override;

    WalkDirectory walkRoot(int driveNumber) const override;
    int listDirectory(const WalkDirectory& directory, std::vector<WalkEntry>& entries) const override;
    WalkDirectory walkInto(const WalkDirectory& parent, const WalkEntry& entry) const override;

    int createDirectory(const QString& path) override;
    int forceDirectories(const QString& path) override;
    int deleteFile(const QString& path) override;
    int ensureExactName(const QString& folder, const QString& exactName) override;
    int replaceFile(const QString& from, const QString& to) override;
    int linkFile(const QString& existing, const QString& link) override;
    int probeFolder(const QString& folder) const override;
    bool isReadOnly(const QString& path) const override;
    bool fileStamp(const QString& path, FileStamp& stamp) const override;

    Opened<Folder> openFolder(const QString& path) override;
    Opened<File> openRead(const QString& path) override;
    Opened<File> create(const QString& path) override;

    // A working directory that lies outside every drive is given a drive of
    // its own (the highest free letter), so that the program's paths always
    // reach it.
    QString currentDirectory() const override;

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
    using Lookup = PathResolver::Lookup;
    Lookup resolve(const QString& path) const { return m_paths.resolve(path); }
    const SystemMounts& systemMounts() const;

    mutable PathResolver m_paths;
    // Letters placeFolder gave in this run.
    QSet<QChar> m_placed;
    mutable std::optional<SystemMounts> m_mounts;
};

} // namespace umbraxis
