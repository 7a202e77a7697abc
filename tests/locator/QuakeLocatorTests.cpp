#include "fakes/Fakes.h"
#include "fakes/LogicFakes.h"
#include "fakes/RecordingMediaPlayer.h"
#include "locator/QuakeLocator.h"
#include "platform/files/HostQuakePlaces.h"
#include "platform/files/SystemMounts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace umbraxis;

namespace {

class QuakeLocatorTest : public ::testing::Test {
protected:
    // Drives a:, c:, d: and e: are folders of the temporary folder; only
    // those given are mapped.
    void mapDrives(const QString& letters)
    {
        std::map<QChar, QString> map;
        for (const QChar letter : letters) {
            const QString folder = root.path() + "/" + letter;
            QDir().mkpath(folder);
            map[letter] = folder;
        }
        files = std::make_unique<FailingFileSystem>(DriveMap(map));
        // Listings in name order, so that the walk's order is known.
        files->reorderWalk = [](std::vector<WalkEntry>& entries) {
            std::sort(entries.begin(), entries.end(),
                      [](const WalkEntry& a, const WalkEntry& b) { return a.stored < b.stored; });
        };
        player = media.createPlayer();
        shell = std::make_unique<RecordingShell>(*player, *files, log);
        addCue("talk.wav");
    }

    void addCue(const QString& name)
    {
        QDir().mkpath(QDir::currentPath() + "/sounds");
        QFile cue(QDir::currentPath() + "/sounds/" + name);
        ASSERT_TRUE(cue.open(QIODevice::WriteOnly));
    }

    // Makes a folder (ending in "/") or a file on a drive: "c/games/quake.exe".
    void make(const QString& relative)
    {
        const QString path = root.path() + "/" + relative;
        if (relative.endsWith('/')) {
            ASSERT_TRUE(QDir().mkpath(path));
            return;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    void write(const QString& relative, const QByteArray& content)
    {
        make(relative);
        QFile file(root.path() + "/" + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    void makeQuake(const QString& folder)
    {
        make(folder + "/quake.exe");
        make(folder + "/id1/");
    }

    // Game data as a store installs it: an id1 folder with pak0.pak and no
    // quake.exe, the names spelled as given.
    void makeGameData(const QString& folder, const QString& id1 = "id1", const QString& pak0 = "pak0.pak")
    {
        make(folder + "/" + id1 + "/" + pak0);
    }

    // A search as the install screen makes it ("Ready" after it: as the run
    // screen makes it).
    bool search(QString& directory, const QString& afterSearch = QString(), QuakePlaces* places = nullptr)
    {
        progress.afterSearch = afterSearch;
        QuakeLocator locator(settings, *files, *shell, progress, places);
        log.events.clear();
        return locator.SearchForQuake(directory);
    }

    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(cd.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(cd.path());
    }
    void TearDown() override { QDir::setCurrent(previous); }

    QTemporaryDir root;
    QTemporaryDir cd;
    QString previous;
    std::unique_ptr<FailingFileSystem> files;
    MemorySettingsStore settings;
    RecordingMediaFactory media;
    std::unique_ptr<MediaPlayer> player;
    EventLog log;
    RecordingProgress progress{log};
    std::unique_ptr<RecordingShell> shell;
};

TEST_F(QuakeLocatorTest, TheFirstDriveIsSearchedFirstAndTheOthersFromTheHighestLetterDown)
{
    const struct {
        const char* drives;
        QStringList order;
    } rows[] = {
        {"cde", {"c:\\", "e:\\", "d:\\"}},
        {"acde", {"a:\\", "e:\\", "d:\\", "c:\\"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.drives);
        mapDrives(row.drives);
        QString directory = "x";
        EXPECT_FALSE(search(directory));
        EXPECT_EQ(directory, QString());
        EXPECT_EQ(files->listed, row.order);
        // Running out leaves the last directory examined remembered.
        EXPECT_EQ(settings.ReadSetting("Main", "QuakeDir", ""), row.order.last());
    }
}

TEST_F(QuakeLocatorTest, TheWalkIsDepthFirstInTheReverseOfTheListingOrder)
{
    mapDrives("c");
    for (const char* folder : {"c/a/x/", "c/a/y/", "c/b/", "c/c/z/"})
        make(folder);
    QString directory;
    search(directory);
    EXPECT_EQ(files->listed,
              (QStringList{"c:\\", "c:\\c\\", "c:\\c\\z\\", "c:\\b\\", "c:\\a\\", "c:\\a\\y\\", "c:\\a\\x\\"}));
}

TEST_F(QuakeLocatorTest, FindsQuakeWithId1AndRemembersIt)
{
    mapDrives("cd");
    makeQuake("d/Games/Quake");
    make("c/other/");
    QString directory;
    EXPECT_TRUE(search(directory));
    EXPECT_EQ(directory, "d:\\Games\\Quake\\") << "names as the file system reports them";
    EXPECT_EQ(settings.ReadSetting("Main", "QuakeDir", ""), "d:\\Games\\Quake\\");
    // The directory where quake.exe is found makes no step of its own, and
    // its subdirectories are never listed.
    EXPECT_FALSE(files->listed.contains("d:\\Games\\Quake\\id1\\"));
    EXPECT_EQ(progress.steps, files->listed.size() - 1);
}

TEST_F(QuakeLocatorTest, ADriveRootCanBeTheAnswer)
{
    mapDrives("cd");
    makeQuake("d");
    QString directory;
    EXPECT_TRUE(search(directory));
    EXPECT_EQ(directory, "d:\\");
}

TEST_F(QuakeLocatorTest, QuakeExeWithoutId1IsRejectedWithItsWholeSubtree)
{
    mapDrives("c");
    make("c/old/quake.exe");
    makeQuake("c/old/inside");
    QString directory;
    EXPECT_FALSE(search(directory));
    EXPECT_FALSE(files->listed.contains("c:\\old\\inside\\"));
}

TEST_F(QuakeLocatorTest, AFolderNamedQuakeExeCountsInTheWalkButNotInTheQuickCheck)
{
    mapDrives("c");
    make("c/odd/quake.exe/");
    make("c/odd/id1/");
    QString directory;
    EXPECT_TRUE(search(directory));
    EXPECT_EQ(directory, "c:\\odd\\");

    // The remembered value is taken as it is, but only a file passes.
    shell->KnownQuakeDir.clear();
    files->listed.clear();
    search(directory);
    EXPECT_FALSE(files->listed.isEmpty()) << "the quick check wants a file, so the walk ran again";
}

TEST_F(QuakeLocatorTest, HiddenAndSystemEntriesAreNeverEnteredAndDoNotCount)
{
    mapDrives("c");
    makeQuake("c/.hidden/quake");
    make("c/game/quake.exe");
    make("c/game/.id1/");
    // An id1 that is a fifo is a system entry.
    make("c/piped/quake.exe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(root.path() + "/c/piped/id1").constData(), 0644), 0);
    QString directory;
    EXPECT_FALSE(search(directory));
    EXPECT_FALSE(files->listed.contains("c:\\.hidden\\"));
    EXPECT_TRUE(files->listed.contains("c:\\game\\"));
}

TEST_F(QuakeLocatorTest, PseudoFileSystemsInsideADriveAreNotEntered)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting needs the superuser";
    mapDrives("c");
    make("c/proc/");
    makeQuake("c/plain");
    if (::mount("proc", QFile::encodeName(root.path() + "/c/proc").constData(), "proc", 0, nullptr) != 0)
        GTEST_SKIP() << "this machine does not allow mounting";
    QString directory;
    const bool found = search(directory);
    ::umount(QFile::encodeName(root.path() + "/c/proc").constData());
    EXPECT_TRUE(found);
    EXPECT_FALSE(files->listed.contains("c:\\proc\\"));
}

TEST_F(QuakeLocatorTest, GameDataAnEngineStartsIsFoundInTheWalkOrderBesideQuakeExe)
{
    // Listings are in name order and taken from the back: z before a.
    const struct {
        const char* name;
        QStringList tree; // "exe:" a quake.exe folder, "data:" id1/pak0.pak, "ro:" read-only game data
        const char* found;
    } rows[] = {
        {"store spelling", {"data:c/Steam/Quake/Id1/PAK0.PAK"}, "c:\\Steam\\Quake\\"},
        {"id1 without pak0.pak", {"c/Quake/id1/pak1.pak"}, ""},
        {"pak0.pak a folder", {"c/Quake/id1/pak0.pak/"}, ""},
        {"read-only copy passed over", {"ro:c/z/quake/ID1/pak0.pak", "data:c/a/quake/id1/PAK0.PAK"}, "c:\\a\\quake\\"},
        {"quake.exe first in walk order", {"exe:c/z/quake", "data:c/a/quake/id1/pak0.pak"}, "c:\\z\\quake\\"},
        {"game data first in walk order", {"exe:c/a/quake", "data:c/z/quake/id1/pak0.pak"}, "c:\\z\\quake\\"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(QDir(root.path() + "/c").removeRecursively());
        settings.sections.clear();
        mapDrives("c");
        for (const QString& entrySpelling : row.tree) {
            const QString entry = entrySpelling.section(':', -1);
            if (entrySpelling.startsWith("exe:")) {
                makeQuake(entry);
            } else {
                make(entry);
                if (entrySpelling.startsWith("ro:"))
                    QFile::setPermissions(root.path() + "/" + entry.section('/', 0, 2),
                                          QFile::ReadOwner | QFile::ExeOwner);
            }
        }
        QString directory;
        EXPECT_EQ(search(directory), *row.found != 0);
        EXPECT_EQ(directory, QString::fromLatin1(row.found));
        if (QString(row.name).startsWith("read-only")) {
            EXPECT_TRUE(files->listed.contains("c:\\z\\quake\\ID1\\")) << "the walk went on below it";
            QFile::setPermissions(root.path() + "/c/z/quake", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        if (*row.found) {
            EXPECT_FALSE(files->listed.contains(directory + "id1\\")) << "a folder that holds Quake is not entered";
        }
    }
}

TEST_F(QuakeLocatorTest, RememberedGameDataPassesTheQuickCheckWithTheLinksALaunchLeaves)
{
    mapDrives("c");
    makeGameData("c/Steam/Quake", "Id1", "PAK0.PAK");
    // What a launch adds for an engine: links of the lower-case names.
    ASSERT_TRUE(QFile::link("PAK0.PAK", root.path() + "/c/Steam/Quake/Id1/pak0.pak"));
    ASSERT_TRUE(QFile::link("Id1", root.path() + "/c/Steam/Quake/id1"));
    settings.WriteSetting("Main", "QuakeDir", "c:\\Steam\\Quake\\");
    QString directory;
    EXPECT_TRUE(search(directory));
    EXPECT_EQ(directory, "c:\\Steam\\Quake\\");
    EXPECT_TRUE(files->listed.isEmpty()) << "no walk";

    // Once the folder turns read-only, nothing more could be installed there.
    QFile::setPermissions(root.path() + "/c/Steam/Quake", QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(search(directory));
    EXPECT_FALSE(files->listed.isEmpty());
    QFile::setPermissions(root.path() + "/c/Steam/Quake", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class QuakePlacesTest : public QuakeLocatorTest {
protected:
    // A home folder whose Steam lists two libraries, its own and one on
    // another disk; only the second holds Quake, spelled as Steam ships it.
    void makeSteam()
    {
        player = media.createPlayer();
        addCue("talk.wav");
        home = root.path() + "/home/me";
        make("home/me/.local/share/Steam/steamapps/common/Half-Life/hl.exe");
        const QByteArray vdf = "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + QFile::encodeName(home)
            + "/.local/share/Steam\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"70\"\t\"1\"\n\t\t}\n\t}\n"
              "\t\"1\"\n\t{\n\t\t\"path\"\t\t\""
            + QFile::encodeName(root.path()) + "/games/SteamLibrary\"\n\t}\n}\n";
        write("home/me/.local/share/Steam/steamapps/libraryfolders.vdf", vdf);
        makeGameData("games/SteamLibrary/steamapps/common/Quake", "Id1", "PAK0.PAK");
        // Found later in the order of places.
        makeGameData("home/me/GOG Games/Quake", "id1", "PAK0.PAK");
    }

    HostQuakePlaces::Roots roots() const { return {home, home + "/.local/share", {}}; }

    QString home;
};

TEST_F(QuakePlacesTest, SteamLibrariesAreTriedBeforeAnyDriveIsWalked)
{
    makeSteam();
    files = std::make_unique<FailingFileSystem>(DriveMap({{QChar('c'), root.path()}}));
    shell = std::make_unique<RecordingShell>(*player, *files, log);
    HostQuakePlaces places(*files, roots());
    EXPECT_EQ(places.folders(),
              (QStringList{"c:\\games\\SteamLibrary\\steamapps\\common\\Quake\\", "c:\\home\\me\\GOG Games\\Quake\\"}));
    QString directory;
    progress.quietSteps = true;
    EXPECT_TRUE(search(directory, "Ready", &places));
    EXPECT_EQ(directory, "c:\\games\\SteamLibrary\\steamapps\\common\\Quake\\");
    EXPECT_TRUE(files->listed.isEmpty()) << "no drive walked";
    EXPECT_EQ(log.only("status "), (QStringList{"Searching for Quake", "Ready"}));
    EXPECT_EQ(settings.ReadSetting("Main", "QuakeDir", ""), directory);
}

TEST_F(QuakePlacesTest, AFifoInPlaceOfSteamsSecondListHoldsNothingUp)
{
    makeSteam();
    QDir().mkpath(home + "/.local/share/Steam/config");
    ASSERT_EQ(::mkfifo(QFile::encodeName(home + "/.local/share/Steam/config/libraryfolders.vdf").constData(), 0600), 0);
    files = std::make_unique<FailingFileSystem>(DriveMap({{QChar('c'), root.path()}}));
    HostQuakePlaces places(*files, roots());
    EXPECT_EQ(places.folders(),
              (QStringList{"c:\\games\\SteamLibrary\\steamapps\\common\\Quake\\", "c:\\home\\me\\GOG Games\\Quake\\"}));
}

TEST_F(QuakePlacesTest, APlaceNoDriveHoldsGetsADriveThatLaterRunsKeep)
{
    makeSteam();
    const QString config = root.path() + "/drives.conf";
    write("drives.conf", "; my drives\n[Drives]\nc=" + QFile::encodeName(root.path()) + "/c\n");
    QDir().mkpath(root.path() + "/c");
    files = std::make_unique<FailingFileSystem>(DriveMap::fromFile(config));
    shell = std::make_unique<RecordingShell>(*player, *files, log);
    HostQuakePlaces places(*files, roots());
    QString directory;
    progress.quietSteps = true;
    ASSERT_TRUE(search(directory, QString(), &places));
    EXPECT_EQ(directory, "k:\\") << "the lowest letter the drive walk never reaches";

    // The next run reads the drive from the file, and the remembered
    // directory passes its quick check without a search of the places.
    const DriveMap later = DriveMap::fromFile(config);
    EXPECT_EQ(later.folder(QChar('c')), root.path() + "/c") << "what the user wrote stays";
    EXPECT_EQ(later.folder(QChar('k')),
              QFileInfo(root.path() + "/games/SteamLibrary/steamapps/common/Quake").canonicalFilePath());
    EXPECT_TRUE(later.folder(QChar('l')).isEmpty()) << "a place not settled on is not kept";
    files = std::make_unique<FailingFileSystem>(later);
    shell = std::make_unique<RecordingShell>(*player, *files, log);
    EXPECT_TRUE(search(directory));
    EXPECT_EQ(directory, "k:\\");
    EXPECT_TRUE(files->listed.isEmpty());
}

TEST(SteamLibrariesTest, EveryLibraryOfBothFormsIsRead)
{
    const struct {
        const char* vdf;
        QStringList libraries;
    } rows[] = {
        {"\"libraryfolders\" { \"0\" { \"path\" \"/home/me/.local/share/Steam\" \"apps\" { \"2310\" \"1\" } }\n"
         "  \"1\" { \"label\" \"\" \"path\" \"/mnt/My Games\\\\Steam\" } }",
         {"/home/me/.local/share/Steam", "/mnt/My Games\\Steam"}},
        // The older form: numbered values of the top-level section.
        {"\"LibraryFolders\"\n{\n// comment\n\t\"TimeNextStatsReport\"\t\"1690000000\"\n\t\"1\"\t\"/mnt/games\"\n}",
         {"/mnt/games"}},
        {"", {}},
        {"\"libraryfolders\" { \"0\" { \"path\" ", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.vdf);
        EXPECT_EQ(HostQuakePlaces::steamLibraries(row.vdf), row.libraries);
    }
}

TEST(SystemMountsTest, NetworkAndUserSpaceMountsCountAsSystem)
{
    const QByteArray info = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                            "30 22 0:5 / /proc rw - proc proc rw\n"
                            "40 22 0:40 / /mnt/share rw - cifs //server/share rw\n"
                            "41 22 0:41 / /home/me/nfs\\040dir rw - nfs4 server:/x rw\n"
                            "42 22 0:42 / /home/me/cloud rw - fuse.sshfs me@host: rw\n"
                            "43 22 8:2 / /media/usb rw - vfat /dev/sdb1 rw\n";
    const SystemMounts mounts = SystemMounts::parse(info);
    for (const char* point : {"/proc", "/mnt/share", "/home/me/nfs dir", "/home/me/cloud"}) {
        SCOPED_TRACE(point);
        EXPECT_TRUE(mounts.isMountPoint(point));
    }
    EXPECT_FALSE(mounts.isMountPoint("/media/usb"));
    EXPECT_FALSE(mounts.isMountPoint("/"));
    EXPECT_TRUE(mounts.holdsMountPoint("/home/me"));
    EXPECT_FALSE(mounts.holdsMountPoint("/media"));
}

TEST_F(QuakeLocatorTest, TalkPlaysWheneverTheDirectoriesLeftAreAMultipleOfTen)
{
    mapDrives("c");
    // The root leaves 25 folders pending; each later step takes one away:
    // 24, 23, ..., 1, 0, and the last step finds the list empty (0 again).
    for (int i = 0; i < 25; ++i)
        make(QStringLiteral("c/d%1/").arg(i, 2, 10, QLatin1Char('0')));
    QString directory;
    search(directory);
    EXPECT_EQ(files->listed.size(), 26);
    EXPECT_EQ(log.only("cue ").count("talk.wav"), 4) << "at 20, 10, 0 and the final 0";
    // The walk's last step plays it, right before the end status.
    const qsizetype last = log.events.lastIndexOf("cue talk.wav");
    EXPECT_EQ(log.events.mid(last + 1), (QStringList{"status ", "position 0"}));
}

TEST_F(QuakeLocatorTest, TheKnownDirectoryAnswersAtOnceAndIsRememberedAgain)
{
    mapDrives("c");
    make("c/quake/quake.exe"); // no id1: the quick check does not ask
    shell->KnownQuakeDir = "c:\\quake\\";
    QString directory;
    EXPECT_TRUE(search(directory));
    EXPECT_EQ(directory, "c:\\quake\\");
    EXPECT_TRUE(files->listed.isEmpty());
    EXPECT_EQ(progress.steps, 0);
    EXPECT_FALSE(log.only("cue ").contains("talk.wav"));
    EXPECT_EQ(settings.log.filter("read").size(), 0) << "the cache is used, the store not read";
    EXPECT_EQ(settings.ReadSetting("Main", "QuakeDir", ""), "c:\\quake\\");
}

TEST_F(QuakeLocatorTest, ARememberedDirectoryWithoutItsBackslashFailsTheQuickCheck)
{
    mapDrives("c");
    makeQuake("c/quake");
    settings.WriteSetting("Main", "QuakeDir", "c:\\quake");
    QString directory;
    EXPECT_TRUE(search(directory));
    EXPECT_FALSE(files->listed.isEmpty()) << "walked";
    EXPECT_EQ(directory, "c:\\quake\\");
}

TEST_F(QuakeLocatorTest, StatusTextsOfBothScreens)
{
    mapDrives("c");
    QString directory;
    progress.quietSteps = true;
    search(directory, "Ready");
    EXPECT_EQ(log.only("status "), (QStringList{"Searching for Quake", "Ready"}));
    EXPECT_EQ(progress.position(), 0);
    search(directory);
    EXPECT_EQ(log.only("status "), (QStringList{"Searching for Quake", ""}));
    EXPECT_EQ(log.events.first(), "status Searching for Quake");
    EXPECT_EQ(log.events.at(1), "position 0");
}

TEST_F(QuakeLocatorTest, NoDriveAtAllIsQuakeNotFound)
{
    files = std::make_unique<FailingFileSystem>(DriveMap());
    player = media.createPlayer();
    shell = std::make_unique<RecordingShell>(*player, *files, log);
    QString directory = "x";
    EXPECT_FALSE(search(directory));
    EXPECT_EQ(directory, QString());
    EXPECT_EQ(settings.ReadSetting("Main", "QuakeDir", "unset"), QString());
}

} // namespace
