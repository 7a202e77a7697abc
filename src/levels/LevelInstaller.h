#pragma once

#include "levels/LevelCatalogue.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace umbraxis {

class FileSystem;
class Folder;
class Progress;
class QuakeLocator;
class SettingsStore;
class Shell;
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
class LevelInstaller {
public:
    struct Ports {
        SettingsStore& settings;
        FileSystem& files;
        Shell& shell;
        Progress& progress;
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
    // Deletes the level's recorded files and erases its record.
    void UnInstall(const QString& title);

    // Copies `source` with its subdirectories into `target`, recording each
    // copied file in the section `title`.
    void InstallFiles(const QString& source, const QString& target, const QString& title);

    // The name a file is written under until it is complete.
    static QString partialName(const QString& name);

private:
    void ShowLevelDetails(const QString& title);
    void copyFile(Folder& from, Folder& to, const QString& name, const QString& sourcePath, const QString& targetPath,
                  const QString& title);
    // Takes back what the failed installation of `title` wrote.
    void takeBack(const QString& title);
    // Whether a recorded path is one of the files installations put below
    // the game directory of `quakeDir`: only those are ever deleted.
    bool isRemovable(const QString& path, const QString& quakeDir) const;

    Ports m_ports;
    int m_fileNumber = 0;
    QStringList m_written;
    QString m_partial;
    // How many blocks one copy moves: more while copies are quick (a
    // cached CD), fewer on a slow drive, so that the bar keeps moving.
    int m_blocksAtOnce = 32;
    std::array<char, BlockSize> m_buffer{};
};

} // namespace umbraxis
