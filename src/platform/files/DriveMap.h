#pragma once

#include <QChar>
#include <QString>
#include <array>
#include <map>

namespace umbraxis {

// Which host folder stands for each drive letter. The user's map lives in
// "$XDG_CONFIG_HOME/Corvantide/drives.conf" (section [Drives], keys a..z,
// values absolute host folders); without that file, c: is "/".
class DriveMap {
public:
    // No drive mapped.
    DriveMap() = default;
    // Letters in either case; folders must be absolute host paths, others
    // are left out.
    explicit DriveMap(const std::map<QChar, QString>& folders);

    // The user's map, or c: = "/" when the file does not exist.
    static DriveMap load();
    static QString defaultConfigFile();
    // The map of one file; a missing or unreadable file gives the default.
    static DriveMap fromFile(const QString& configFile);
    // The map the text of a drives.conf gives (UTF-8; lines, [Drives], a=/x).
    static DriveMap parse(const QByteArray& text);

    // The host folder of a drive letter (either case), empty when unmapped.
    QString folder(QChar letter) const;
    QString folder(int driveNumber) const;
    bool isMapped(QChar letter) const { return !folder(letter).isEmpty(); }
    // Maps a letter (either case) to an absolute host folder.
    void setFolder(QChar letter, const QString& folder);

    // The file the map was read from; empty for a map made by the program,
    // and for the default map of a user who has no file.
    QString file() const { return m_file; }
    // Adds the drive `letter` = `folder` to the map's file, after what the
    // file holds, so that later runs see it too. The file is replaced as a
    // whole in one step, never left half-written. False when the map has no
    // file, the letter is unmapped, or the file could not be written.
    bool saveDrive(QChar letter) const;

    // "c:\x\y" to "<folder of c>/x/y", taken literally: letter case is kept
    // and nothing is looked up. Empty when the path has no mapped drive.
    QString toHost(const QString& programPath) const;
    // An absolute host path to the program path of the drive whose folder is
    // its longest prefix ("/" + "home/x" = "c:\home\x"), with a lower-case
    // letter; empty when no drive holds it.
    QString fromHost(const QString& hostPath) const;

private:
    std::array<QString, 26> m_folders;
    QString m_file;
};

} // namespace umbraxis
