#pragma once

#include "levels/LevelCatalogue.h"
#include "levels/LevelRecords.h"
#include "shell/LogicPorts.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

namespace umbraxis {

class Folder;
struct FileStamp;
class QuakeLocator;
struct LevelShelf;

// Puts levels from the CD into the Quake installation and takes them out
// again, recording every file it copies in the level's settings section so
// that removal deletes exactly those.
//
// Files are numbered File1, File2, ... in the order they are copied: the
// level's directory is copied entry by entry in the order the file system
// lists it, and a subdirectory's files take their numbers when that
// subdirectory is reached, before the entries listed after it.
//
// Nothing of the user's is lost or damaged on the way: each file is written
// under a temporary name beside its target and put in place whole, so that a
// crash never leaves a torn file under a real name; an installation that
// fails takes back every file it wrote and its record, and reports why.
//
// Levels share the one maps folder, and several may bring a file of the same
// name. A file that no record accounts for (the user's own, or one an older
// copy of the pack left) is kept aside under "Umbraxis\replaced\maps" before
// an installation replaces it, where Quake never looks; it gets a second name
// there first, so that a crash at any moment leaves it under one name or the
// other. Removal takes a file away only when no other installed level names
// it; the last one that does puts the kept file back, or deletes the file. A
// file whose size or time no longer match what its record noted was changed
// after it was installed, and stays.
class LevelInstaller {
public:
    struct Ports : LogicPorts {
        LevelShelf& shelf;
        QuakeLocator& locator;
        // Shows a level's details on the screen (and repaints at once).
        std::function<void(const LevelDetails&)> showDetails;
    };

    static constexpr int BlockSize = 32000;
    // The most blocks the kernel may move in one go; the bar still steps
    // once per block.
    static constexpr int MostBlocksAtOnce = 1024;

    explicit LevelInstaller(Ports ports);

    // The Quake directory known in this run, else the locator's answer,
    // which becomes the known one (an empty answer too).
    QString FindQuake();

    // True when the level is installed; false when it was refused (no
    // catalogue, no Quake, not enough space). Errors are raised after the
    // installation has been taken back.
    bool Install(const QString& title);
    // Takes the level's recorded files away (see above) and erases its
    // record; returns how many changed files were left in place.
    int UnInstall(const QString& title);

    // Copies `source` with its subdirectories into `target`, recording each
    // copied file in the section `title`. Run by Install.
    void InstallFiles(const QString& source, const QString& target, const QString& title);

    // The name a file is written under until it is complete.
    static QString partialName(const QString& name);
    // The status line after removals that left `count` changed files.
    static QString keptStatus(int count);

private:
    void ShowLevelDetails(const QString& title);
    void copyFile(Folder& from, Folder& to, const QString& name, const QString& sourcePath, const QString& targetPath,
                  const QString& title);
    // Before `path`, which stands there as `now`, is replaced: keeps it
    // aside unless a record accounts for it.
    void keepAside(const QString& path, const FileStamp& now);
    bool isRecordedContent(const QString& path, const FileStamp& now) const;
    void copyWhole(const QString& from, const QString& to);
    // Takes one file of a level away: puts back what was kept aside for it,
    // else deletes it. False when the file was changed after `stamp` was
    // noted (empty: not known) and stays as it is.
    bool release(const QString& path, const QString& stamp);
    // Takes back what the failed installation of `title` wrote.
    void takeBack(const QString& title);
    // Whether a recorded path is one of the files installations put below
    // the game directory of `quakeDir`: only those are ever touched.
    static bool isBelowMaps(const QString& path, const QString& quakeDir);
    // Where the file at `path` below the maps folder is kept aside.
    QString keptPath(const QString& path) const;

    Ports m_ports;
    QString m_quake;
    LevelRecords m_records;
    int m_fileNumber = 0;
    // The files this installation put in place, with their stamps.
    QList<QPair<QString, QString>> m_written;
    QString m_partial;
    // A file kept aside for a replace that has not happened yet, and where.
    QString m_pendingPath;
    QString m_pendingKept;
    QString m_keptPartial;
    // How many blocks one copy moves: more while copies are quick (a
    // cached CD), fewer on a slow drive, so that the bar keeps moving.
    int m_blocksAtOnce = 32;
    std::array<char, BlockSize> m_buffer{};
};

} // namespace umbraxis
