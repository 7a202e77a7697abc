#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace umbraxis {

// Attribute bits in the classic file system's numbering.
enum FileAttribute : unsigned {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSystem = 0x04,
    faVolumeId = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faAnyFile = 0x3F,
};

// What an entry is and when it last changed, as its own entry says (a link
// is not followed). Enough to tell a file written by the program from the
// same file changed since.
struct FileStamp {
    std::int64_t size = 0;     // bytes, for a regular file
    std::int64_t modified = 0; // nanoseconds since 1970-01-01 UTC
    bool regular = false;
    bool directory = false;
};

struct DirEntry {
    QString name;        // as the file system stores it
    unsigned attributes; // FileAttribute bits
    std::int64_t size;
};

// An open file; closed when destroyed.
class File {
public:
    virtual ~File() = default;
    // Returns the number of bytes read or written; -1 on error. A write
    // that returns less than `count` stopped on an error.
    virtual std::int64_t read(char* buffer, std::int64_t count) = 0;
    virtual std::int64_t write(const char* buffer, std::int64_t count) = 0;
    // The system's code of the last failed read or write, 0 when none.
    virtual int error() const = 0;
    // Gives the file the modification time `nanoseconds` (since 1970 UTC),
    // as a copy that stands for the original takes it; false on failure.
    virtual bool setModified(std::int64_t nanoseconds) = 0;
    // Copies up to `count` bytes from where `source` stands to here, as
    // reads of up to `bufferSize` bytes into `buffer` and their writes would;
    // returns the bytes copied, 0 at the source's end, -1 when a read fails.
    // A copy that stopped on a write error says so in error().
    virtual std::int64_t copyFrom(File& source, char* buffer, std::int64_t bufferSize, std::int64_t count);
};

// A handle a file system operation opened, or why it could not: `handle`
// is null exactly when `error` holds the system's code (an errno value).
template <class Handle>
struct Opened {
    std::unique_ptr<Handle> handle;
    int error = 0;
};

// A directory opened once, so that many files can be read, written and put
// in place in it without looking its path up again. Names are matched
// regardless of letter case (an exact match first), as the file system's
// own lookups are. Failures are reported as the file system's are.
class Folder {
public:
    virtual ~Folder() = default;
    virtual Opened<File> openRead(const QString& name) = 0;
    // Creates the file, replacing one of that name; never writes through a
    // link.
    virtual Opened<File> create(const QString& name) = 0;
    // Puts the file `from` in the place of `to` in one step; 0 or the
    // system's code.
    virtual int replace(const QString& from, const QString& to) = 0;
    // 0 or the system's code.
    virtual int remove(const QString& name) = 0;
    // The stamp of the entry `name`; false when there is none.
    virtual bool stamp(const QString& name, FileStamp& stamp) = 0;
};

// One entry of a directory as a walk sees it: what it is comes from the
// listing itself, without looking at the entry. A walk meets hundreds of
// thousands of them, so the name stays as the file system holds it (short
// names need no allocation) and is decoded only when asked for.
struct WalkEntry {
    std::string stored;
    unsigned attributes = 0; // faDirectory, faHidden, faSystem

    QString name() const { return QString::fromLocal8Bit(stored.data(), qsizetype(stored.size())); }
    // Whether the name is `ascii`, regardless of letter case.
    bool isNamed(const char* ascii) const;
};

// A directory a walk has reached: its program path ("c:\games", always
// ending in a backslash) and where the file system finds it again.
struct WalkDirectory {
    QString path;
    QByteArray place;
};

// The file system seen through Windows-style paths ("c:\quake\id1",
// "images\fmain.bmp"). Drive letters map to host folders; relative paths are
// relative to the current directory. Names match regardless of letter case
// (an exact match first). Symbolic links are reported as plain files and are
// never entered.
//
// Every operation that can fail says why in one way: it returns the
// system's error code (an errno value), 0 when it succeeded, on its own or
// beside the handle it opens (Opened). Questions (does it exist, what is
// in it, how much space is left) answer "no", "nothing" or -1 instead.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The host path for a program path, resolving each name regardless of
    // case; names that do not exist are kept as given. Empty when the drive
    // is not mapped.
    virtual QString toHost(const QString& path) const = 0;

    // A non-directory entry of that name exists (hidden and read-only count).
    virtual bool fileExists(const QString& path) const = 0;
    virtual bool directoryExists(const QString& path) const = 0;

    // The listing of a folder: the entries matching the last component of
    // `pattern` ("*.*", "*", a plain name, wildcards * and ?) whose
    // attributes pass: entries with hidden, system or directory bits not in
    // `allowed` are dropped, like the classic attribute-filtered find. "."
    // and ".." are never returned. An unreadable directory gives no entries.
    virtual std::vector<DirEntry> findEntries(const QString& pattern, unsigned allowed) const = 0;

    // True when the drive (1 = a:, 3 = c:) is mapped and its folder exists.
    virtual bool probeDrive(int driveNumber) const = 0;
    // Free bytes where `path` lies: on the file system of its nearest
    // existing folder (one drive may span several). -1 when unknown.
    virtual std::int64_t freeSpaceAt(const QString& path) const = 0;

    // The walk of a drive: its root ("c:"), then each directory listed
    // once, by a listing of its own that is quicker than findEntries: it
    // gives every entry but "." and "..", in the file system's own order,
    // with what each entry is taken from the listing alone. 0, or the
    // system's code for a directory that cannot be listed (no entries).
    virtual WalkDirectory walkRoot(int driveNumber) const = 0;
    virtual int listDirectory(const WalkDirectory& directory, std::vector<WalkEntry>& entries) const = 0;
    virtual WalkDirectory walkInto(const WalkDirectory& parent, const WalkEntry& entry) const = 0;

    // Create one directory.
    virtual int createDirectory(const QString& path) = 0;
    // Create a directory and every missing one above it.
    virtual int forceDirectories(const QString& path) = 0;
    // Deletes a file or a link (never what it points to), never a folder.
    virtual int deleteFile(const QString& path) = 0;
    // Makes sure that `exactName`, spelled as given, reaches the entry of
    // `folder` whose name matches it regardless of case, for programs that
    // look names up exactly: when no entry has exactly that name, a link of
    // that name to the matching entry is made. ENOENT when nothing matches.
    virtual int ensureExactName(const QString& folder, const QString& exactName) = 0;
    // Puts the file `from` in the place of `to` in one step, replacing what
    // was there.
    virtual int replaceFile(const QString& from, const QString& to) = 0;
    // Gives the file `existing` a second name, `link`, in one step, without
    // copying it: later replacing either name leaves the other as it was.
    // EEXIST when `link` names an entry already (a file system without
    // such names refuses with a code of its own).
    virtual int linkFile(const QString& existing, const QString& link) = 0;
    // Whether a program could be started in `folder`: 0 when it is a
    // directory this user may enter.
    virtual int probeFolder(const QString& folder) const = 0;

    // True when the entry at `path` exists and may not be written: its own
    // permission bits deny this user writing (the superuser included, as the
    // read-only attribute says), or it lies on a read-only file system. A
    // read-only folder takes no new entries.
    virtual bool isReadOnly(const QString& path) const = 0;
    // The stamp of the entry `path` names; false when there is none.
    virtual bool fileStamp(const QString& path, FileStamp& stamp) const = 0;

    virtual Opened<Folder> openFolder(const QString& path) = 0;
    virtual Opened<File> openRead(const QString& path) = 0;
    virtual Opened<File> create(const QString& path) = 0;

    // The program path of the program's working directory.
    virtual QString currentDirectory() const = 0;
};

} // namespace umbraxis
