// A catalogue that lies: names that lead out of the CD and map names that
// would carry further arguments are refused before anything is read, copied
// or recorded.

#include "fakes/LevelWorld.h"

#include "platform/AppError.h"

using namespace umbraxis;
using namespace umbraxis::testing;

namespace {

TEST(LyingCatalogueTest, NamesThatLeadOutAndMapNamesThatSayMore)
{
    const struct {
        const char* name;
        bool inside;
    } names[] = {
        {"keep", true},       {"keep\\sub", true}, {"keep/sub", true}, {"keep\\.", true},    {"a..b", true},
        {"...", true},        {"", true},          {"..", false},      {"..\\..\\", false},  {"keep\\..\\..\\x", false},
        {"keep/../x", false}, {"\\etc", false},    {"/etc", false},    {"c:\\quake", false}, {"c:quake", false},
        {"D:", false},
    };
    for (const auto& row : names) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(leadsInside(QString::fromLatin1(row.name)), row.inside);
    }

    const struct {
        const char* name;
        bool plain;
    } maps[] = {
        {"umbx1", true},
        {"e1m1", true},
        {"dm_3-b.v2", true},
        {"", true},
        {"e1m1 +exec x.cfg", false},
        {"e1m1;quit", false},
        {"-dedicated", false},
        {"+connect", false},
        {"\"e1m1\"", false},
        {"e1m1\nquit", false},
        {"$(touch x)", false},
        {"..\\x", false},
        {"a/b", false},
        {".hidden", false},
        {"caf\u00e9", false},
    };
    for (const auto& row : maps) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(isPlainMapName(QString::fromUtf8(row.name)), row.plain);
    }
}

class LyingInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        world = std::make_unique<LevelWorld>(root.path());
        // What the CD holds outside its levels folder, and what lies beside
        // the CD's own folder.
        LevelWorld::write(world->cdPath("outside/secret.txt"), "not a level");
        LevelWorld::write(root.path() + "/beside/secret.txt", "not the CD's");
        LevelWorld::write(world->cdPath("levels/keep/keep.bsp"), "map");
        LevelWorld::write(world->cdPath("levels/desc/ka.txt"), "Made by someone.\r\n");
    }

    // Loads a catalogue of one record.
    void catalogue(const QByteArray& directory, const QByteArray& mapName, const QByteArray& author = "ka")
    {
        LevelWorld::write(world->cdPath("levels.csv"),
                          "Title,Directory,AuthorFile,DescFile,DirSize,LevelName\r\n"
                          "Liar,"
                              + directory + "," + author + ",,10," + mapName + "\r\n");
        world->shelf.UnloadCatalogue();
        world->shelf.CatalogueName.clear();
        world->shelf.readWorkingDir(*world->files);
        world->shelf.LoadCatalogue(*world->files, *world->settings, QStringLiteral("levels"));
    }

    QString installError()
    {
        try {
            world->installer->Install("Liar");
        } catch (const AppError& error) {
            return error.message();
        }
        return QString();
    }

    QTemporaryDir root;
    std::unique_ptr<LevelWorld> world;
};

TEST_F(LyingInstallTest, AFolderOutsideTheLevelsFolderIsRefusedBeforeAnythingIsCopied)
{
    for (const char* directory :
         {"..\\outside", "..\\..\\beside", "keep\\..\\..\\outside", "\\outside", "d:\\outside"}) {
        SCOPED_TRACE(directory);
        catalogue(directory, "umbx1");
        EXPECT_EQ(installError(),
                  QStringLiteral("The level's folder \"%1\" lies outside the CD's levels folder").arg(directory));
        EXPECT_TRUE(world->mapsFiles().isEmpty());
        EXPECT_FALSE(world->memorySettings.sections.contains("Liar"));
    }
}

TEST_F(LyingInstallTest, AMapNameThatWouldSayMoreThanOneWordIsRefusedBeforeAnythingIsCopied)
{
    catalogue("keep", "\"umbx1 +exec evil.cfg\"");
    EXPECT_EQ(installError(), "The level's map name \"umbx1 +exec evil.cfg\" cannot be given to Quake");
    EXPECT_TRUE(world->mapsFiles().isEmpty());
    EXPECT_FALSE(world->memorySettings.sections.contains("Liar"));

    catalogue("keep", "umbx1");
    EXPECT_EQ(installError(), QString());
    EXPECT_EQ(world->mapsFiles(), QStringList{"keep.bsp"});
}

TEST_F(LyingInstallTest, AnAuthorTextOutsideTheDescriptionFolderReadsAsOneThatCannotBeOpened)
{
    catalogue("keep", "umbx1", "..\\..\\outside\\secret");
    EXPECT_EQ(installError(), "Cannot open file levels\\desc\\..\\..\\outside\\secret.txt");
    EXPECT_TRUE(world->mapsFiles().isEmpty());
}

} // namespace
