#pragma once

#include <QStringList>

namespace umbraxis {

// The folders where this system's stores and users keep Quake, which the
// search for Quake tries before it walks the drives.
class QuakePlaces {
public:
    virtual ~QuakePlaces() = default;

    // Existing folders that may hold Quake, most likely first, as program
    // paths ending in a backslash.
    virtual QStringList folders() = 0;
    // The search settled on `folder`, one of folders(): a folder that was
    // given a drive of its own keeps it in later runs.
    virtual void keep(const QString& folder) = 0;
};

} // namespace umbraxis
