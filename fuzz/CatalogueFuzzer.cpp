// The level catalogue: levels.csv as the CD holds it, walked and searched the
// way the install and run screens do, with the checks every level's folder
// and map name pass before anything is copied or started.

#include "FuzzSupport.h"

#include "levels/LevelCatalogue.h"
#include "platform/AppError.h"
#include "platform/SettingsStore.h"
#include "platform/files/DriveMap.h"

#include <QSet>

using namespace umbraxis;

namespace {

// Levels whose title has an even length count as installed.
class HalfInstalled : public SettingsStore {
public:
    QString ReadSetting(const QString& section, const QString& name, const QString& defaultValue) override
    {
        if (name == QLatin1String("LevelFileName") && section.size() % 2 == 0)
            return QStringLiteral("map");
        return defaultValue;
    }
    void WriteSetting(const QString&, const QString&, const QString&) override { }
    void EraseSection(const QString&) override { }
    QStringList ReadSections() override { return {}; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const CatalogueData parsed = parseCatalogue(bytes);
    // A line is read up to 512 characters, and the header and every record
    // but the last end at a CR.
    FUZZ_CHECK(parsed.records.size() <= bytes.count('\r'));
    for (const QString& column : parsed.columns)
        FUZZ_CHECK(column.size() <= 512);
    for (const QStringList& record : parsed.records)
        for (const QString& value : record)
            FUZZ_CHECK(value.size() <= 512);

    LevelCatalogue catalogue;
    catalogue.CatalogueOpen(bytes);
    FUZZ_CHECK(catalogue.recordCount() == parsed.records.size());
    HalfInstalled settings;
    const CatalogueLists lists = sortCatalogue(catalogue, settings);
    FUZZ_CHECK(lists.available.size() + lists.installed.size() == catalogue.recordCount());

    // The run screen's walk, and the install screen's look-up by title.
    const DriveMap drives({{QChar('d'), QStringLiteral("/cd")}});
    for (catalogue.CatalogueFirst(); !catalogue.CatalogueAtEnd(); catalogue.CatalogueNext()) {
        const QString title = catalogue.CatalogueField(QStringLiteral("Title"));
        const QString directory = catalogue.CatalogueField(QStringLiteral("Directory"));
        const QString mapName = catalogue.CatalogueField(QStringLiteral("LevelName"));
        const int at = catalogue.cursor();
        catalogue.CatalogueLocate(QStringLiteral("Title"), title);
        FUZZ_CHECK(catalogue.cursor() <= at);
        FUZZ_CHECK(catalogue.CatalogueField(QStringLiteral("Title")) == title);
        while (catalogue.cursor() < at)
            catalogue.CatalogueNext();

        // A folder that passes the check is found below the CD's levels
        // folder, whatever it says.
        if (leadsInside(directory)) {
            const QString host = drives.toHost(QStringLiteral("d:\\levels\\") + directory);
            FUZZ_CHECK(host == QLatin1String("/cd/levels") || host.startsWith(QLatin1String("/cd/levels/")));
        } else {
            bool raised = false;
            try {
                requireLevelFolderInside(directory);
            } catch (const AppError&) {
                raised = true;
            }
            FUZZ_CHECK(raised);
        }
        // A map name that passes is one word the game reads as a map name.
        if (isPlainMapName(mapName)) {
            FUZZ_CHECK(!mapName.contains(QLatin1Char(' ')) && !mapName.contains(QLatin1Char(';'))
                       && !mapName.contains(QLatin1Char('"')) && !mapName.startsWith(QLatin1Char('+'))
                       && !mapName.startsWith(QLatin1Char('-')));
        }
    }
    catalogue.CatalogueClose();
    FUZZ_CHECK(catalogue.CatalogueAtEnd() && catalogue.CatalogueField(QStringLiteral("Title")).isEmpty());
    return 0;
}
