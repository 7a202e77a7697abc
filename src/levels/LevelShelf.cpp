#include "levels/LevelShelf.h"

#include "platform/FileSystem.h"

namespace umbraxis {

std::optional<CatalogueLists> LevelShelf::LoadCatalogue(FileSystem& files, SettingsStore& settings,
                                                        const QString& baseName)
{
    const QString fileName = baseName + QStringLiteral(".csv");
    if (!files.fileExists(fileName))
        return std::nullopt;
    if (baseName == CatalogueName)
        return std::nullopt;
    CatalogueName = baseName;
    catalogue.CatalogueOpen(files, fileName);
    CatalogueLists lists = sortCatalogue(catalogue, settings);
    CatalogueLoaded = true;
    return lists;
}

void LevelShelf::UnloadCatalogue()
{
    catalogue.CatalogueClose();
    CatalogueLoaded = false;
}

void LevelShelf::readWorkingDir(const FileSystem& files)
{
    WorkingDir = files.currentDirectory();
    if (WorkingDir.endsWith(QLatin1Char('\\')))
        WorkingDir.chop(1);
}

std::optional<LevelDetails> LevelShelf::details(FileSystem& files, const QString& title)
{
    if (!CatalogueLoaded)
        return std::nullopt;
    return levelDetails(catalogue, files, WorkingDir, CatalogueName, title);
}

} // namespace umbraxis
