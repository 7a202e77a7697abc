#include "fakes/Fakes.h"
#include "fakes/LogicFakes.h"
#include "fakes/RecordingMediaPlayer.h"
#include "locator/QuakeLocator.h"
#include "platform/SystemMounts.h"

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

    void makeQuake(const QString& folder)
    {
        make(folder + "/quake.exe");
        make(folder + "/id1/");
    }

    bool search(QString& directory, QuakeLocator::Variant variant = QuakeLocator::Variant::InstallScreen)
    {
        QuakeLocator locator(settings, *files, *shell, progress, variant);
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
    EXPECT_EQ(files->listed, (QStringList{"c:\\", "c:\\c\\", "c:\\c\\z\\", "c:\\b\\", "c:\\a\\", "c:\\a\\y\\",
                                          "c:\\a\\x\\"}));
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
    make("c/quake/quake.exe");  // no id1: the quick check does not ask
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
    search(directory, QuakeLocator::Variant::RunScreen);
    EXPECT_EQ(log.only("status "), (QStringList{"Searching for Quake", "Ready"}));
    EXPECT_EQ(progress.position(), 0);
    search(directory, QuakeLocator::Variant::InstallScreen);
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
