#pragma once

#include <QString>

namespace umbraxis {

class FileSystem;
class Progress;
class QuakePlaces;
class SettingsStore;
class Shell;
struct Services;

// Finds the directory that holds Quake: `quake.exe` together with `id1`, or
// game data that a Linux engine can start, `id1` with `pak0.pak` in it (in
// any letter case) in a folder the user can write to. It tries the directory
// known so far (this run's, else the remembered one), then the places where
// the system keeps Quake, and walks drives A: to J: depth-first last. The
// progress port shows the search and says what the status line reads after
// it.
class QuakeLocator {
public:
    QuakeLocator(SettingsStore& settings, FileSystem& files, Shell& shell, Progress& progress,
                 QuakePlaces* places = nullptr);
    // The same, with the ports a screen's services hold.
    QuakeLocator(const Services& services, Shell& shell, Progress& progress);

    // True with the Quake directory ("c:\quake\", ending in a backslash) in
    // `directory`; false with it empty. Writes what it ends with to the
    // remembered "QuakeDir" either way.
    bool SearchForQuake(QString& directory);

    // The number of directories the last search examined; for tests and
    // benchmarks.
    int examined() const { return m_examined; }

private:
    struct Findings;
    // Whether `folder` (ending in a backslash), whose entries `findings`
    // describes, holds Quake.
    bool holdsQuake(const QString& folder, const Findings& findings) const;
    bool holdsGameData(const QString& folder, const Findings& findings) const;
    Findings lookInto(const QString& folder) const;

    SettingsStore& m_settings;
    FileSystem& m_files;
    Shell& m_shell;
    Progress& m_progress;
    QuakePlaces* m_places;
    int m_examined = 0;
};

} // namespace umbraxis
