#pragma once

#include "levels/LevelCatalogue.h"

#include <QString>

#include <optional>

namespace umbraxis {

class FileSystem;
class SettingsStore;

// The program's one level catalogue together with what the install screen
// keeps about it: under which name it was loaded, whether it was, and the
// working directory (the CD's root) that level paths start from.
struct LevelShelf {
    LevelCatalogue catalogue;
    QString CatalogueName;
    bool CatalogueLoaded = false;
    // The working directory without a trailing backslash ("d:").
    QString WorkingDir;

    // Reads `baseName` + ".csv" from the working directory and sorts its
    // titles into available and installed levels. Nothing happens (and no
    // lists come back) when the file does not exist or when that catalogue
    // is already loaded. A file that cannot be read raises AppError.
    std::optional<CatalogueLists> LoadCatalogue(FileSystem& files, SettingsStore& settings, const QString& baseName);
    void UnloadCatalogue();

    // Reads the working directory again.
    void readWorkingDir(const FileSystem& files);

    // What the screen shows about `title`, the cursor left on its record;
    // nothing while no catalogue is loaded.
    std::optional<LevelDetails> details(FileSystem& files, const QString& title);
};

} // namespace umbraxis
