#pragma once

#include <QString>

namespace umbraxis {

class FileSystem;
class Progress;
class SettingsStore;
class Shell;

// Finds the directory that holds Quake: `quake.exe` together with `id1`.
// It tries the directory known so far (this run's, else the remembered
// one), and walks drives A: to J: depth-first when `quake.exe` is not there.
// The two screens that search show different status texts around the walk.
class QuakeLocator {
public:
    enum class Variant { RunScreen, InstallScreen };

    QuakeLocator(SettingsStore& settings, FileSystem& files, Shell& shell, Progress& progress, Variant variant);

    // True with the Quake directory ("c:\quake\", ending in a backslash) in
    // `directory`; false with it empty. Writes what it ends with to the
    // remembered "QuakeDir" either way.
    bool SearchForQuake(QString& directory);

    // The number of directories the last search examined; for tests and
    // benchmarks.
    int examined() const { return m_examined; }

private:
    SettingsStore& m_settings;
    FileSystem& m_files;
    Shell& m_shell;
    Progress& m_progress;
    Variant m_variant;
    int m_examined = 0;
};

} // namespace umbraxis
