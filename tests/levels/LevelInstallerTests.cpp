#include "fakes/LevelWorld.h"

#include "platform/AppError.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace umbraxis;
using namespace umbraxis::testing;

namespace {

QByteArray bytes(int size, char seed)
{
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char(seed + i * 7 % 251);
    return data;
}

// What a record notes of a file: its size and modification time.
QString stampOf(const QString& hostPath)
{
    struct stat st { };
    if (::lstat(QFile::encodeName(hostPath).constData(), &st) != 0)
        return QString();
    return QStringLiteral("%1 %2").arg(st.st_size).arg(qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
}

const SampleLevel kFoundry{
    "Rust Foundry",
    "foundry",
    "5000",
    "umbx1",
    {{"umbx1.bsp", bytes(70000, 'a')}, {"umbx1.lit", bytes(3000, 'b')}, {"readme.txt", "Hello\r\n"}}};

class LevelInstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        world = std::make_unique<LevelWorld>(root.path());
        // Directories list their entries in name order in these tests.
        world->files->reorderEntries = [](std::vector<DirEntry>& entries) {
            std::sort(entries.begin(), entries.end(),
                      [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
        };
    }

    void install(const SampleLevel& level, bool expected = true)
    {
        world->addLevel(level);
        world->loadCatalogue();
        world->log.events.clear();
        EXPECT_EQ(world->installer->Install(level.title), expected);
    }

    QString errorOf(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const AppError& error) {
            return error.message();
        }
        return QString();
    }

    QMap<QString, QString> record(const QString& title) { return world->memorySettings.sections.value(title); }

    QTemporaryDir root;
    std::unique_ptr<LevelWorld> world;
};

TEST_F(LevelInstallerTest, InstallsTheLevelsFilesAndRecordsEachOneThenTheMapName)
{
    install(kFoundry);
    EXPECT_EQ(world->mapsFiles(), (QStringList{"readme.txt", "umbx1.bsp", "umbx1.lit"}));
    for (const auto& [name, content] : kFoundry.files)
        EXPECT_EQ(LevelWorld::contentOf(world->mapsPath(name)), content) << name.toStdString();
    // Each file's size and time come with it, under names no older copy
    // reads, and before it: a stamp never names a file of its own.
    EXPECT_EQ(record("Rust Foundry"),
              (QMap<QString, QString>{{"File1", "c:\\quake\\Umbraxis\\maps\\readme.txt"},
                                      {"File2", "c:\\quake\\Umbraxis\\maps\\umbx1.bsp"},
                                      {"File3", "c:\\quake\\Umbraxis\\maps\\umbx1.lit"},
                                      {"Stamp1", stampOf(world->mapsPath("readme.txt"))},
                                      {"Stamp2", stampOf(world->mapsPath("umbx1.bsp"))},
                                      {"Stamp3", stampOf(world->mapsPath("umbx1.lit"))},
                                      {"LevelFileName", "umbx1"}}));
    EXPECT_EQ(world->memorySettings.log.filter("write Rust Foundry/").mid(0, 2),
              (QStringList{"write Rust Foundry/Stamp1=" + record("Rust Foundry")["Stamp1"],
                           "write Rust Foundry/File1=c:\\quake\\Umbraxis\\maps\\readme.txt"}));
    EXPECT_TRUE(world->memorySettings.log.last().contains("LevelFileName")) << "the map name comes last";
    // Cues and status texts in the order the user meets them.
    EXPECT_EQ(world->log.only("cue "), (QStringList{"guncock.wav", "dsight.wav", "bounce.wav"}));
    EXPECT_EQ(world->log.only("status "),
              (QStringList{"Searching for Quake", "", "Installing level", "Installing Rust Foundry", ""}));
    EXPECT_EQ(world->progress.position(), 0);
    ASSERT_EQ(world->shown.size(), 1);
    EXPECT_EQ(world->shown.first().directory, "d:\\levels\\foundry");
    EXPECT_EQ(world->shell->KnownQuakeDir, "c:\\quake\\");
}

TEST_F(LevelInstallerTest, TheSizeMustBeBelowTheFreeSpace)
{
    world->files->freeBytes = 5000;
    install(kFoundry, false);
    EXPECT_EQ(world->progress.status(), "Insufficient disk space");
    EXPECT_EQ(world->progress.position(), 0);
    EXPECT_TRUE(world->mapsFiles().isEmpty());
    EXPECT_FALSE(world->memorySettings.sections.contains("Rust Foundry"));
    EXPECT_EQ(world->log.only("cue "), (QStringList{"guncock.wav", "dsight.wav"})) << "no closing cue";

    world->files->freeBytes = 5001;
    world->log.events.clear();
    EXPECT_TRUE(world->installer->Install("Rust Foundry"));
    // A disk with more than 2 GiB free is no reason to refuse.
    world->files->freeBytes = std::int64_t(5) << 30;
    SampleLevel big = kFoundry;
    big.title = "Huge";
    big.dirSize = "2147483647";
    install(big);
}

TEST_F(LevelInstallerTest, SubdirectoriesAreCopiedAndNumberedWhereTheyAreReached)
{
    SampleLevel level = kFoundry;
    level.files = {{"a.bsp", "A"}, {"sounds/hiss.wav", "S1"}, {"sounds/deep/drip.wav", "S2"}, {"z.txt", "Z"}};
    install(level);
    EXPECT_EQ(world->mapsFiles(), (QStringList{"a.bsp", "sounds/deep/drip.wav", "sounds/hiss.wav", "z.txt"}));
    EXPECT_EQ(record("Rust Foundry").value("File1"), "c:\\quake\\Umbraxis\\maps\\a.bsp");
    EXPECT_EQ(record("Rust Foundry").value("File2"), "c:\\quake\\Umbraxis\\maps\\sounds\\deep\\drip.wav");
    EXPECT_EQ(record("Rust Foundry").value("File3"), "c:\\quake\\Umbraxis\\maps\\sounds\\hiss.wav");
    EXPECT_EQ(record("Rust Foundry").value("File4"), "c:\\quake\\Umbraxis\\maps\\z.txt");
    EXPECT_FALSE(record("Rust Foundry").contains("File5"));
}

TEST_F(LevelInstallerTest, AnExistingFileIsReplacedAndHiddenOrReadOnlySourcesCopyNormally)
{
    LevelWorld::write(world->mapsPath("umbx1.bsp"), "an older copy");
    SampleLevel level = kFoundry;
    level.files = {{"umbx1.bsp", "new"}, {".hidden.cfg", "H"}, {"locked.txt", "L"}};
    world->addLevel(level);
    ASSERT_EQ(::chmod(QFile::encodeName(world->cdPath("levels/foundry/locked.txt")).constData(), 0444), 0);
    world->loadCatalogue();
    ASSERT_TRUE(world->installer->Install("Rust Foundry"));
    EXPECT_EQ(LevelWorld::contentOf(world->mapsPath("umbx1.bsp")), "new");
    EXPECT_EQ(LevelWorld::contentOf(world->mapsPath(".hidden.cfg")), "H");
    EXPECT_TRUE(QFileInfo(world->mapsPath("locked.txt")).permissions() & QFileDevice::WriteOwner);
}

TEST_F(LevelInstallerTest, AFailedInstallationTakesBackWhatItWroteAndSaysWhy)
{
    struct Row {
        const char* what;
        std::function<void(FailingFileSystem&)> arrange;
        QString error;
    } rows[] = {
        {"source cannot be opened", [](FailingFileSystem& files) { files.failOpen = {"umbx1.lit"}; },
         "I/O error 13 (d:\\levels\\foundry\\umbx1.lit)"},
        {"source cannot be read", [](FailingFileSystem& files) { files.failRead = {"umbx1.bsp"}; },
         "I/O error 5 (d:\\levels\\foundry\\umbx1.bsp)"},
        {"target cannot be created", [](FailingFileSystem& files) { files.failCreate = {"umbx1.lit"}; },
         "I/O error 13 (c:\\quake\\Umbraxis\\maps\\umbx1.lit)"},
        {"disk full", [](FailingFileSystem& files) { files.fullAfterBytes = 40000; }, "Insufficient disk space"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir fresh;
        world.reset();
        world = std::make_unique<LevelWorld>(fresh.path());
        world->addLevel(kFoundry);
        world->loadCatalogue();
        row.arrange(*world->files);
        EXPECT_EQ(errorOf([&] { world->installer->Install("Rust Foundry"); }), row.error);
        EXPECT_TRUE(world->mapsFiles().isEmpty()) << world->mapsFiles().join(' ').toStdString();
        EXPECT_FALSE(world->memorySettings.sections.contains("Rust Foundry"));
        EXPECT_TRUE(QFileInfo::exists(world->mapsPath())) << "folders stay";
        EXPECT_FALSE(world->log.only("cue ").contains("bounce.wav"));
    }
}

TEST_F(LevelInstallerTest, AFailingRecordTakesTheInstallationBackToo)
{
    world->addLevel(kFoundry);
    world->loadCatalogue();
    world->memorySettings.writesBeforeFailure = 6; // QuakeDir, two files with their stamps, Stamp3, then File3 fails
    EXPECT_EQ(errorOf([&] { world->installer->Install("Rust Foundry"); }), "Failed to set data for 'File3'");
    EXPECT_TRUE(world->mapsFiles().isEmpty());
}

TEST_F(LevelInstallerTest, ALeftoverOfAnInterruptedInstallationIsReplaced)
{
    LevelWorld::write(world->mapsPath(LevelInstaller::partialName("umbx1.bsp")), "torn");
    install(kFoundry);
    EXPECT_EQ(world->mapsFiles(), (QStringList{"readme.txt", "umbx1.bsp", "umbx1.lit"}));
}

TEST_F(LevelInstallerTest, RefusalsAndOddRecords)
{
    // No catalogue: false, nothing shown, nothing played.
    world->addLevel(kFoundry);
    EXPECT_FALSE(world->installer->Install("Rust Foundry"));
    EXPECT_TRUE(world->log.events.isEmpty());

    // A size that is no number ends the installation before anything is copied.
    SampleLevel odd = kFoundry;
    odd.title = "Odd";
    odd.dirSize = "lots";
    world->addLevel(odd);
    world->loadCatalogue();
    EXPECT_EQ(errorOf([&] { world->installer->Install("Odd"); }), "'lots' is not a valid integer value");
    EXPECT_TRUE(world->mapsFiles().isEmpty());
}

TEST_F(LevelInstallerTest, ALevelWithoutADirectoryCountsAsInstalledWithoutARecord)
{
    SampleLevel empty{"Hollow", "", "10", "umbx9", {}};
    install(empty);
    EXPECT_FALSE(world->memorySettings.sections.contains("Hollow"));
    EXPECT_EQ(world->log.only("cue ").last(), "bounce.wav");
}

TEST_F(LevelInstallerTest, QuakeNotFoundInstallsNothing)
{
    QFile::remove(world->quakePath("quake.exe"));
    install(kFoundry, false);
    EXPECT_EQ(world->log.only("cue ").first(), "guncock.wav");
    EXPECT_FALSE(world->log.only("cue ").contains("dsight.wav"));
    EXPECT_EQ(world->shell->KnownQuakeDir, QString());
}

TEST_F(LevelInstallerTest, AKnownQuakeDirectoryIsTakenWithoutASearch)
{
    world->shell->KnownQuakeDir = "c:\\quake\\";
    install(kFoundry);
    EXPECT_FALSE(world->log.only("status ").contains("Searching for Quake"));
}

class LevelRemovalTest : public LevelInstallerTest { };

TEST_F(LevelRemovalTest, RemovesTheRecordedFilesAndTheRecordButNoFolder)
{
    SampleLevel level = kFoundry;
    level.files.append(qMakePair(QString("sub/extra.dat"), QByteArray("X")));
    install(level);
    world->log.events.clear();
    world->installer->UnInstall("Rust Foundry");
    EXPECT_TRUE(world->mapsFiles().isEmpty());
    EXPECT_TRUE(QFileInfo(world->mapsPath("sub")).isDir()) << "folders stay";
    EXPECT_FALSE(world->memorySettings.sections.contains("Rust Foundry"));
    EXPECT_EQ(world->log.only("cue "), (QStringList{"dsight.wav", "bounce.wav"}));
    EXPECT_EQ(world->log.only("status "), (QStringList{"Uninstalling Rust Foundry", ""}));
    EXPECT_EQ(world->progress.position(), 0);

    // Installing again writes the record afresh from File1.
    EXPECT_TRUE(world->installer->Install("Rust Foundry"));
    EXPECT_EQ(record("Rust Foundry").value("File1"), "c:\\quake\\Umbraxis\\maps\\readme.txt");
}

TEST_F(LevelRemovalTest, StopsAtTheFirstMissingNumberAndErasesTheWholeRecord)
{
    for (const char* name : {"a.bsp", "b.bsp", "d.bsp"})
        LevelWorld::write(world->mapsPath(name), "x");
    world->memorySettings.sections["Gap"] = {{"File1", "c:\\quake\\Umbraxis\\maps\\a.bsp"},
                                             {"File2", "c:\\quake\\Umbraxis\\maps\\b.bsp"},
                                             {"File4", "c:\\quake\\Umbraxis\\maps\\d.bsp"},
                                             {"LevelFileName", "gap"}};
    world->installer->UnInstall("Gap");
    EXPECT_EQ(world->mapsFiles(), QStringList{"d.bsp"});
    EXPECT_FALSE(world->memorySettings.sections.contains("Gap"));
}

TEST_F(LevelRemovalTest, NeverDeletesWhatNoInstallationPutBelowTheMapsFolder)
{
    LevelWorld::write(world->quakePath("id1/pak0.pak"), "the game itself");
    LevelWorld::write(world->quakePath("Umbraxis/config.cfg"), "user settings");
    LevelWorld::write(world->mapsPath("mine.bsp"), "a level installed");
    QDir().mkpath(world->mapsPath("folder"));
    ASSERT_TRUE(QFile::link(world->quakePath("id1/pak0.pak"), world->mapsPath("link.bsp")));
    // A folder below maps that leads elsewhere.
    ASSERT_TRUE(QFile::link(world->quakePath("id1"), world->mapsPath("game")));
    world->memorySettings.sections["Tampered"] = {
        {"File1", "c:\\quake\\id1\\pak0.pak"},
        {"File2", "c:\\quake\\Umbraxis\\maps\\..\\config.cfg"},
        {"File3", "c:\\quake\\Umbraxis\\maps\\..\\..\\id1\\pak0.pak"},
        {"File4", "c:\\quake\\Umbraxis\\maps\\folder"},
        {"File5", "c:\\quake\\Umbraxis\\maps\\link.bsp"},
        {"File6", "d:\\levels.csv"},
        {"File7", "C:\\QUAKE\\umbraxis\\MAPS\\mine.bsp"},
        {"File8", "c:\\quake\\Umbraxis\\maps\\game\\pak0.pak"},
    };
    world->installer->UnInstall("Tampered");
    EXPECT_EQ(world->files->deleted, QStringList{"C:\\QUAKE\\umbraxis\\MAPS\\mine.bsp"});
    EXPECT_EQ(LevelWorld::contentOf(world->quakePath("id1/pak0.pak")), "the game itself");
    EXPECT_TRUE(QFileInfo::exists(world->quakePath("Umbraxis/config.cfg")));
    EXPECT_TRUE(QFileInfo(world->mapsPath("link.bsp")).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(world->mapsPath("mine.bsp")));
    EXPECT_FALSE(world->memorySettings.sections.contains("Tampered"));
}

TEST_F(LevelRemovalTest, QuakeNotFoundRemovesNothing)
{
    LevelWorld::write(world->mapsPath("a.bsp"), "x");
    world->memorySettings.sections["Level"] = {{"File1", "c:\\quake\\Umbraxis\\maps\\a.bsp"}};
    QFile::remove(world->quakePath("quake.exe"));
    world->installer->UnInstall("Level");
    EXPECT_EQ(world->mapsFiles(), QStringList{"a.bsp"});
    EXPECT_TRUE(world->memorySettings.sections.contains("Level"));
    EXPECT_FALSE(world->log.only("cue ").contains("dsight.wav"));
}

// Two levels that bring a file of the same name (spelt differently).
const SampleLevel kVaults{"The Ember Vaults",
                          "vaults",
                          "5000",
                          "umbx2",
                          {{"umbx2.bsp", bytes(9000, 'v')}, {"README.TXT", "Vaults notes\r\n"}}};

TEST_F(LevelRemovalTest, ASharedFileStaysUntilTheLastLevelThatNamesItIsRemoved)
{
    for (const bool firstInstalledFirst : {true, false}) {
        SCOPED_TRACE(firstInstalledFirst ? "removing the first installed first" : "removing the last installed first");
        QTemporaryDir fresh;
        world.reset();
        world = std::make_unique<LevelWorld>(fresh.path());
        install(kFoundry);
        install(kVaults);
        // The shared file holds the last installation's copy, and both
        // records say so.
        EXPECT_EQ(LevelWorld::contentOf(world->mapsPath("readme.txt")), "Vaults notes\r\n");
        EXPECT_EQ(record("Rust Foundry")["Stamp1"], stampOf(world->mapsPath("readme.txt")));
        EXPECT_EQ(record("The Ember Vaults")["Stamp1"], stampOf(world->mapsPath("readme.txt")));
        EXPECT_FALSE(QFileInfo::exists(world->keptPath())) << "a level's file is not kept aside";

        const QString first = firstInstalledFirst ? kFoundry.title : kVaults.title;
        const QString second = firstInstalledFirst ? kVaults.title : kFoundry.title;
        world->installer->UnInstall(first);
        EXPECT_EQ(LevelWorld::contentOf(world->mapsPath("readme.txt")), "Vaults notes\r\n");
        EXPECT_EQ(world->mapsFiles(),
                  (QStringList{"readme.txt", firstInstalledFirst ? "umbx2.bsp" : "umbx1.bsp"}
                   + (firstInstalledFirst ? QStringList() : QStringList{"umbx1.lit"})));
        EXPECT_EQ(world->progress.status(), "");
        world->installer->UnInstall(second);
        EXPECT_TRUE(world->mapsFiles().isEmpty()) << world->mapsFiles().join(' ').toStdString();
        EXPECT_EQ(world->progress.status(), "") << "the shared file was not taken for a changed one";
        EXPECT_TRUE(world->memorySettings.sections.isEmpty()
                    || world->memorySettings.sections.keys() == QStringList{"Main"});
    }
}

TEST_F(LevelRemovalTest, AFileThatWasThereBeforeIsKeptAsideAndPutBack)
{
    for (const bool links : {true, false}) {
        SCOPED_TRACE(links ? "kept under a second name" : "kept as a copy");
        QTemporaryDir fresh;
        world.reset();
        world = std::make_unique<LevelWorld>(fresh.path());
        world->files->refuseLinks = !links;
        // The user's own lighting, and a copy of the notes the same as the
        // level's: both were there before and stay after.
        LevelWorld::write(world->mapsPath("UMBX1.LIT"), "the user's lighting");
        LevelWorld::write(world->mapsPath("readme.txt"), "Hello\r\n");
        const QString readmeStamp = stampOf(world->mapsPath("readme.txt"));
        install(kFoundry);
        EXPECT_EQ(LevelWorld::contentOf(world->mapsPath("UMBX1.LIT")), kFoundry.files[1].second);
        EXPECT_EQ(LevelWorld::filesBelow(world->keptPath()), (QStringList{"readme.txt", "umbx1.lit"}));
        EXPECT_EQ(LevelWorld::contentOf(world->keptPath("umbx1.lit")), "the user's lighting");

        world->installer->UnInstall(kFoundry.title);
        EXPECT_EQ(world->mapsFiles(), (QStringList{"UMBX1.LIT", "readme.txt"}));
        EXPECT_EQ(LevelWorld::contentOf(world->mapsPath("UMBX1.LIT")), "the user's lighting");
        EXPECT_EQ(stampOf(world->mapsPath("readme.txt")), readmeStamp) << "the very file the user had";
        EXPECT_TRUE(LevelWorld::filesBelow(world->keptPath()).isEmpty());
        EXPECT_EQ(world->progress.status(), "");
    }
}

TEST_F(LevelRemovalTest, AFileChangedAfterItsInstallationStaysAndNothingKeptIsLost)
{
    LevelWorld::write(world->mapsPath("umbx1.lit"), "original");
    install(kFoundry);
    LevelWorld::write(world->mapsPath("umbx1.lit"), "edited lighting");
    LevelWorld::write(world->mapsPath("readme.txt"), "Hullo\r\n"); // the same size
    world->installer->UnInstall(kFoundry.title);
    EXPECT_EQ(world->mapsFiles(), (QStringList{"readme.txt", "umbx1.lit"}));
    EXPECT_EQ(LevelWorld::contentOf(world->mapsPath("umbx1.lit")), "edited lighting");
    EXPECT_EQ(LevelWorld::contentOf(world->keptPath("umbx1.lit")), "original");
    EXPECT_EQ(world->progress.status(), "Kept 2 changed files");
    EXPECT_FALSE(world->memorySettings.sections.contains(kFoundry.title));

    // Installed again over the changed files: these are kept aside in turn,
    // the earlier one under a numbered name, and come back at the removal.
    EXPECT_TRUE(world->installer->Install(kFoundry.title));
    world->installer->UnInstall(kFoundry.title);
    EXPECT_EQ(LevelWorld::contentOf(world->mapsPath("umbx1.lit")), "edited lighting");
    EXPECT_EQ(LevelWorld::contentOf(world->mapsPath("readme.txt")), "Hullo\r\n");
    EXPECT_EQ(LevelWorld::filesBelow(world->keptPath()), QStringList{"umbx1.lit.~1~"});
    EXPECT_EQ(LevelWorld::contentOf(world->keptPath("umbx1.lit.~1~")), "original");
    EXPECT_EQ(world->progress.status(), "");
}

TEST_F(LevelRemovalTest, AFailedInstallationPutsBackWhatItReplacedAndLeavesSharedFiles)
{
    install(kFoundry);
    LevelWorld::write(world->mapsPath("mine.cfg"), "bind x");
    SampleLevel level = kVaults;
    level.files = {{"README.TXT", "Vaults notes\r\n"}, {"mine.cfg", "bind y"}, {"zz.bsp", "Z"}};
    world->files->failCreate = {".~umbx-zz.bsp"};
    world->addLevel(level);
    world->loadCatalogue();
    EXPECT_EQ(errorOf([&] { world->installer->Install(level.title); }),
              "I/O error 13 (c:\\quake\\Umbraxis\\maps\\zz.bsp)");
    EXPECT_EQ(world->mapsFiles(), (QStringList{"mine.cfg", "readme.txt", "umbx1.bsp", "umbx1.lit"}));
    EXPECT_EQ(LevelWorld::contentOf(world->mapsPath("mine.cfg")), "bind x");
    EXPECT_TRUE(LevelWorld::filesBelow(world->keptPath()).isEmpty());
    EXPECT_FALSE(world->memorySettings.sections.contains(level.title));
    // The other level still goes whole, and the user's file stays.
    world->installer->UnInstall(kFoundry.title);
    EXPECT_EQ(world->mapsFiles(), QStringList{"mine.cfg"});
    EXPECT_EQ(world->progress.status(), "");
}

} // namespace
