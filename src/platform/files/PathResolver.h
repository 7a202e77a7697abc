#pragma once

#include "platform/files/DriveMap.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <array>
#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace umbraxis {

struct WinPath;

// `directory` + "/" + `name`, as the mount table writes paths (no doubled
// slash below "/").
QByteArray joinHost(const QByteArray& directory, const QByteArray& name);

// The host's working directory; empty when it cannot be had.
QByteArray hostCurrentDirectory();

// Finds where the program's paths lead on the host: each name is looked up
// exactly first and else regardless of letter case, a path that runs through
// a link or a file does not exist, and relative paths start at the working
// directory. Each drive letter stands for the host folder the drive map
// gives it.
//
// Meant for the one user-interface thread: lookups share small caches of
// directories known to be real and of recent listings, so that a walk of a
// large tree reads each directory about once.
class PathResolver {
public:
    explicit PathResolver(DriveMap drives)
        : m_drives(std::move(drives))
    {
    }

    // Where a program path leads on the host.
    struct Lookup {
        QByteArray host;       // empty when no drive holds the path
        int error = ENOENT;    // 0 when the last name exists
        bool parentOk = false; // every name but the last is a real directory
        struct stat st { };    // of the last name (not followed), when it exists

        // 0 when a new entry may be made at the path (its name is free and
        // the folder it goes into is real), else why not.
        int newEntryError() const;
    };

    Lookup resolve(const QString& path);
    Lookup resolve(const WinPath& path);

    // The name of the entry of `directory` that matches `name` regardless of
    // case, as stored; empty when none does. `known` is the directory's stat
    // when the caller has one at hand.
    QByteArray findIgnoringCase(const QByteArray& directory, const QString& name, const struct stat* known = nullptr);

    // The names in a directory with their types from the listing.
    struct Listing {
        QByteArray directory;
        dev_t device = 0;
        ino_t inode = 0;
        std::int64_t modified = 0;
        std::vector<std::pair<QByteArray, unsigned char>> names;
    };
    // The listing of `directory`, reused while the directory is unchanged;
    // nullptr when it cannot be read.
    const Listing* listNames(const QByteArray& directory, const struct stat* known);

    DriveMap& drives() { return m_drives; }
    // The program path of the working directory. One that lies outside
    // every drive is given a drive of its own (the highest free letter), so
    // that the program's paths always reach it.
    QString currentDirectory();

private:
    void rememberDirectory(const QByteArray& hostPath);

    DriveMap m_drives;
    QSet<QByteArray> m_knownDirectories;
    // The last few listings, for the name lookups and the listing that the
    // walk makes of each directory in turn.
    std::array<Listing, 8> m_listings;
    std::size_t m_nextListing = 0;
};

} // namespace umbraxis
