#pragma once

#include "platform/InstalledPrograms.h"

#include <QStringList>

namespace umbraxis {

// Installed programs as the host shows them: executable files in the folders
// of PATH, and then in /usr/local/games and /usr/games, where Debian puts its
// games and which a desktop's PATH does not always hold; Flatpak applications
// by the launchers Flatpak exports for them, the user's own before the
// system's. Nothing is run to find them.
class HostInstalledPrograms : public InstalledPrograms {
public:
    struct Folders {
        QStringList path;    // searched in order; relative entries are ignored
        QStringList flatpak; // folders of exported launchers
        // This user's: $PATH and the two game folders; the exports in
        // ~/.local/share/flatpak and /var/lib/flatpak.
        static Folders current();
    };

    explicit HostInstalledPrograms(Folders folders = Folders::current());

    QString onPath(const QString& name) const override;
    QString flatpak(const QString& name) const override;

private:
    Folders m_folders;
};

} // namespace umbraxis
