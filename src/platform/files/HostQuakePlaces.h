#pragma once

#include "platform/QuakePlaces.h"

#include <QByteArray>
#include <QString>

namespace umbraxis {

class HostFileSystem;

// Where Quake lies on a Linux system, in this order:
//   1. Steam: every library listed in libraryfolders.vdf of each Steam
//      installation (native, the ~/.steam links, Flatpak, Snap), and the
//      installation itself, each at steamapps/common/Quake;
//   2. GOG: ~/GOG Games/Quake, ~/GOG Games/Quake The Offering,
//      ~/Games/Heroic/Quake and Wine's ~/.wine/drive_c/GOG Games/Quake;
//   3. the home folder: ~/Quake, ~/Games/Quake;
//   4. the system's games: /usr/share/games/quake, /usr/local/games/quake,
//      /opt/quake.
// Names are matched regardless of letter case. A folder reached through a
// link is given by its real path, and each folder is given once.
class HostQuakePlaces : public QuakePlaces {
public:
    struct Roots {
        QString home;
        QString dataHome;   // $XDG_DATA_HOME, by default home/.local/share
        QStringList system; // the system's own folders of item 4
        // The roots of the user running the program.
        static Roots current();
    };

    explicit HostQuakePlaces(HostFileSystem& files, Roots roots = Roots::current());

    QStringList folders() override;
    void keep(const QString& folder) override;

    // The host folders of the list above that exist.
    QStringList hostFolders() const;

    // The library folders that a Steam libraryfolders.vdf lists, in its
    // order: the "path" of each library, or in the older form each numbered
    // value of the top-level section.
    static QStringList steamLibraries(const QByteArray& vdf);

private:
    HostFileSystem& m_files;
    Roots m_roots;
};

} // namespace umbraxis
