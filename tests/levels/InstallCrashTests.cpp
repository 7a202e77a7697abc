// Installations killed at any moment leave nothing torn under a real name,
// a settings file that still reads, and a state from which the next
// installation completes with an exact record. Also the real full disk.

#include "fakes/LevelWorld.h"

#include "platform/AppError.h"
#include "platform/IniSettingsStore.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <csignal>
#include <sys/mount.h>
#include <unistd.h>

using namespace umbraxis;
using namespace umbraxis::testing;

namespace {

QByteArray pattern(int size, int seed)
{
    QByteArray data(size, '\0');
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        data[i] = char(x >> 24);
    }
    return data;
}

SampleLevel crashLevel()
{
    return {"Cinder Keep", "cinder", "100", "umbx3",
            // The map is larger than what one call of the copy moves, so
            // that kills land in the middle of its data.
            {{"umbx3.bsp", pattern(3000000, 1)}, {"umbx3.lit", pattern(90000, 2)}, {"sounds/lava.wav", pattern(70000, 3)},
             {"readme.txt", pattern(500, 4)}, {"sounds/drip.wav", pattern(33000, 5)}}};
}

// Counts the bar's steps and kills its own process at the chosen one.
class CrashingProgress : public RecordingProgress {
public:
    CrashingProgress(EventLog& log, int killAt) : RecordingProgress(log), m_killAt(killAt) {}
    void ProgressStep() override
    {
        RecordingProgress::ProgressStep();
        if (steps == m_killAt)
            ::raise(SIGKILL);
    }

private:
    int m_killAt;
};

QString settingsFile(const QString& root)
{
    return root + "/config/Umbraxis.conf";
}

// The child: one installation in the world at $UMBRAXIS_CRASH_WORLD, killed
// at step $UMBRAXIS_CRASH_AT. Only the crash test runs it.
TEST(InstallCrashChild, DISABLED_InstallsUntilKilled)
{
    const QString root = qEnvironmentVariable("UMBRAXIS_CRASH_WORLD");
    if (root.isEmpty())
        GTEST_SKIP() << "run by the crash test only";
    LevelWorld world(root);
    world.addLevel(crashLevel());
    IniSettingsStore store(settingsFile(root));
    world.useSettings(store);
    CrashingProgress progress(world.log, qEnvironmentVariableIntValue("UMBRAXIS_CRASH_AT"));
    progress.quietSteps = true;
    QuakeLocator locator(store, *world.files, *world.shell, progress, QuakeLocator::Variant::InstallScreen);
    LevelInstaller installer(
        {store, *world.files, *world.shell, progress, world.shelf, locator, [](const LevelDetails&) {}});
    world.loadCatalogue();
    installer.Install("Cinder Keep");
}

class InstallCrashTest : public ::testing::Test {
protected:
    // The files below maps that carry a real name, each the whole of its
    // source; partial files are the only others allowed.
    void expectNothingTorn(const LevelWorld& world)
    {
        for (const QString& relative : world.mapsFiles()) {
            const QString name = QFileInfo(relative).fileName();
            if (name.startsWith(LevelInstaller::partialName(QString())))
                continue;
            bool known = false;
            for (const auto& [source, content] : crashLevel().files) {
                if (source == relative) {
                    known = true;
                    EXPECT_EQ(LevelWorld::contentOf(world.mapsPath(relative)), content)
                        << relative.toStdString() << " is torn";
                }
            }
            EXPECT_TRUE(known) << relative.toStdString();
        }
    }
};

TEST_F(InstallCrashTest, KilledAnywhereTheNextInstallationCompletesExactly)
{
    // How many steps a whole installation takes.
    int total = 0;
    {
        QTemporaryDir dry;
        LevelWorld world(dry.path());
        world.addLevel(crashLevel());
        world.loadCatalogue();
        ASSERT_TRUE(world.installer->Install("Cinder Keep"));
        total = world.progress.steps;
    }
    ASSERT_GT(total, 30);
    const int kills = 24;
    for (int k = 0; k < kills; ++k) {
        const int killAt = 1 + (total - 1) * k / (kills - 1);
        SCOPED_TRACE(killAt);
        QTemporaryDir dir;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("UMBRAXIS_CRASH_WORLD", dir.path());
        environment.insert("UMBRAXIS_CRASH_AT", QString::number(killAt));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=InstallCrashChild.DISABLED_InstallsUntilKilled", "--gtest_also_run_disabled_tests"});
        ASSERT_TRUE(child.waitForFinished(30000));
        const bool killed = child.exitStatus() == QProcess::CrashExit;
        if (killAt < total) {
            EXPECT_TRUE(killed) << "the child was to be killed at step " << killAt;
        }

        LevelWorld world(dir.path());
        world.addLevel(crashLevel());
        expectNothingTorn(world);
        // The settings file still reads, for this program and the toolkit.
        IniSettingsStore store(settingsFile(dir.path()));
        EXPECT_NO_THROW(store.ReadSetting("Cinder Keep", "File1", ""));
        QSettings toolkit(settingsFile(dir.path()), QSettings::IniFormat);
        EXPECT_EQ(toolkit.status(), QSettings::NoError);
        EXPECT_TRUE(toolkit.value("Cinder Keep/LevelFileName").toString().isEmpty() || !killed);

        // The next installation completes and records every file once.
        world.useSettings(store);
        world.loadCatalogue();
        ASSERT_TRUE(world.installer->Install("Cinder Keep"));
        QStringList recorded;
        for (int n = 1; n <= 10; ++n) {
            const QString path = store.ReadSetting("Cinder Keep", QStringLiteral("File%1").arg(n), "");
            if (!path.isEmpty())
                recorded << path;
        }
        recorded.sort();
        QStringList expected;
        for (const auto& [source, content] : crashLevel().files)
            expected << "c:\\quake\\Umbraxis\\maps\\" + QString(source).replace('/', '\\');
        expected.sort();
        EXPECT_EQ(recorded, expected);
        EXPECT_EQ(store.ReadSetting("Cinder Keep", "LevelFileName", ""), "umbx3");
        EXPECT_EQ(world.mapsFiles().size(), crashLevel().files.size()) << "no partial file is left";
        expectNothingTorn(world);
    }
}

TEST_F(InstallCrashTest, ARealFullDiskIsReportedAndLeavesNothingBehind)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small disk needs the superuser";
    QTemporaryDir dir;
    const QString disk = dir.path() + "/small";
    QDir().mkpath(disk);
    if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "this machine does not allow mounting";
    {
        LevelWorld world(dir.path(), disk);
        // The catalogue claims a small level; the files do not fit.
        SampleLevel level = crashLevel();
        level.dirSize = "1000";
        world.addLevel(level);
        world.loadCatalogue();
        QString error;
        try {
            world.installer->Install("Cinder Keep");
        } catch (const AppError& failure) {
            error = failure.message();
        }
        EXPECT_EQ(error, "Insufficient disk space");
        EXPECT_TRUE(world.mapsFiles().isEmpty()) << world.mapsFiles().join(' ').toStdString();
        EXPECT_FALSE(world.memorySettings.sections.contains("Cinder Keep"));
    }
    ::umount(QFile::encodeName(disk).constData());
}

} // namespace
