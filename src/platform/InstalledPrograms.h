#pragma once

#include <QString>

namespace umbraxis {

// Which programs are installed, for the game engines the run screen starts.
class InstalledPrograms {
public:
    virtual ~InstalledPrograms() = default;

    // The host path of an executable file named `name` in a folder of the
    // program search path, the first one in its order; empty when none.
    virtual QString onPath(const QString& name) const = 0;
    // The host path of the launcher of an installed Flatpak application
    // whose ID ends in "." + `name`, in any letter case; empty when none.
    virtual QString flatpak(const QString& name) const = 0;
};

} // namespace umbraxis
