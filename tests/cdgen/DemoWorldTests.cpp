#include "CdFixture.h"

#include "cdgen/DemoWorld.h"
#include "cdgen/SampleCd.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace umbraxis;
using namespace umbraxis::test;

TEST(DemoWorld, MapsTheDrivesAndHoldsAStandInGame)
{
    QTemporaryDir temp;
    const QString demo = temp.filePath(QStringLiteral("demo"));
    const QString cd = temp.filePath(QStringLiteral("cd"));
    writeDemoWorld(demo, cd);

    QSettings drives(demo + QStringLiteral("/config/Corvantide/drives.conf"), QSettings::IniFormat);
    EXPECT_EQ(drives.value(QStringLiteral("Drives/c")).toString(), QDir(demo).absoluteFilePath(QStringLiteral("c")));
    EXPECT_EQ(drives.value(QStringLiteral("Drives/d")).toString(), QFileInfo(cd).absoluteFilePath());

    const QFileInfo game(demo + QStringLiteral("/c/quake/quake.exe"));
    ASSERT_TRUE(game.isFile());
    EXPECT_TRUE(game.isExecutable());
    EXPECT_TRUE(readAll(game.filePath()).startsWith("#!/bin/sh\n"));
    EXPECT_TRUE(QFileInfo(demo + QStringLiteral("/c/quake/id1")).isDir());
    EXPECT_TRUE(readAll(demo + QStringLiteral("/c/quake/id1/pak0.pak")).startsWith("PACK"));

    // The drive search must meet other folders, and a quake.exe without id1, first.
    EXPECT_TRUE(QFileInfo::exists(demo + QStringLiteral("/c/games/oldquake/quake.exe")));
    EXPECT_FALSE(QFileInfo::exists(demo + QStringLiteral("/c/games/oldquake/id1")));
    int folders = 0;
    QDirIterator it(demo + QStringLiteral("/c"), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++folders;
    }
    EXPECT_GE(folders, 10);
}

TEST(DemoWorld, KeepsTheUsersSettingsAndIsRepeatable)
{
    QTemporaryDir temp;
    const QString demo = temp.filePath(QStringLiteral("demo"));
    const QString settings = demo + QStringLiteral("/config/Corvantide/Umbraxis.conf");
    writeFileAtomically(settings, "[Main]\nQuakeDir=c:\\\\quake\\\\\n");
    const QByteArray before = readAll(settings);
    writeDemoWorld(demo, temp.filePath(QStringLiteral("cd")));
    writeDemoWorld(demo, temp.filePath(QStringLiteral("cd")));
    EXPECT_EQ(readAll(settings), before);
}

TEST(DemoWorld, StandInGameReportsItsCommandLineWithoutAnEngine)
{
    QTemporaryDir temp;
    const QString demo = temp.filePath(QStringLiteral("demo"));
    writeDemoWorld(demo, temp.filePath(QStringLiteral("cd")));
    QProcess game;
    QProcessEnvironment env;
    // A PATH with the shell's tools but no game engine, and no display for a message box.
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    game.setProcessEnvironment(env);
    game.setWorkingDirectory(demo + QStringLiteral("/c/quake"));
    const QString engine = QStringLiteral("/usr/bin/quakespasm");
    if (QFileInfo::exists(engine) || QFileInfo::exists(QStringLiteral("/bin/quakespasm")))
        GTEST_SKIP() << "a real engine is installed and would start";
    game.start(demo + QStringLiteral("/c/quake/quake.exe"),
               {QStringLiteral("-game"), QStringLiteral("umbraxis"), QStringLiteral("+map"), QStringLiteral("umbx1")});
    ASSERT_TRUE(game.waitForFinished(10000));
    EXPECT_EQ(game.exitCode(), 0);
    EXPECT_TRUE(game.readAllStandardOutput().contains("-game umbraxis +map umbx1"));
}
