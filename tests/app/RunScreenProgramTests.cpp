// The run screen of the real program starts Quake on an installed level in
// each of its three modes.

#include "app/ProgramFixture.h"
#include "app/ScreenPoints.h"
#include "platform/files/DriveMap.h"

#include <QSettings>
#include <QtEndian>

#include <unistd.h>

using namespace umbraxis::testing;

namespace {

// The picture the engine checks before it lets a game folder be chosen: a
// registered copy holds exactly this in gfx/pop.lmp (the table is in the
// engine's public source), stored big-endian.
QByteArray registeredPicture()
{
    static const quint16 pop[128] = {
        0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x6600, 0x0000, 0x0000,
        0x0000, 0x6600, 0x0000, 0x0000, 0x0066, 0x0000, 0x0000, 0x0000, 0x0000, 0x0067, 0x0000, 0x0000, 0x6665,
        0x0000, 0x0000, 0x0000, 0x0000, 0x0065, 0x6600, 0x0063, 0x6561, 0x0000, 0x0000, 0x0000, 0x0000, 0x0061,
        0x6563, 0x0064, 0x6561, 0x0000, 0x0000, 0x0000, 0x0000, 0x0061, 0x6564, 0x0064, 0x6564, 0x0000, 0x6469,
        0x6969, 0x6400, 0x0064, 0x6564, 0x0063, 0x6568, 0x6200, 0x0064, 0x6864, 0x0000, 0x6268, 0x6563, 0x0000,
        0x6567, 0x6963, 0x0064, 0x6764, 0x0063, 0x6967, 0x6500, 0x0000, 0x6266, 0x6769, 0x6a68, 0x6768, 0x6a69,
        0x6766, 0x6200, 0x0000, 0x0062, 0x6566, 0x6666, 0x6666, 0x6666, 0x6562, 0x0000, 0x0000, 0x0000, 0x0062,
        0x6364, 0x6664, 0x6362, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0062, 0x6662, 0x0000, 0x0000, 0x0000,
        0x0000, 0x0000, 0x0000, 0x0061, 0x6661, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x6500,
        0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x6400, 0x0000, 0x0000, 0x0000,
    };
    QByteArray bytes(256, '\0');
    for (int i = 0; i < 128; ++i)
        qToBigEndian(pop[i], bytes.data() + 2 * i);
    return bytes;
}

QByteArray littleInts(std::initializer_list<qint32> values)
{
    QByteArray bytes;
    for (const qint32 value : values) {
        char word[4];
        qToLittleEndian(value, word);
        bytes.append(word, 4);
    }
    return bytes;
}

// The least game data the engine starts a level from in its dedicated mode:
// the registered picture, an empty picture archive, and a game program of no
// functions (version 6, with the checksum of the original's field layout).
QByteArray minimalPak()
{
    const int header = 60;
    const int globals = 300;
    const QByteArray progs = littleInts({6, 5927, header, 0, header, 0, header, 0, header, 0, header, 4, header + 4,
                                         globals, globals})
        + QByteArray(4 + 4 * globals, '\0');
    const QList<QPair<QByteArray, QByteArray>> files = {
        {"gfx/pop.lmp", registeredPicture()},
        {"gfx.wad", "WAD2" + littleInts({0, 12})},
        {"progs.dat", progs},
    };
    QByteArray body;
    QByteArray directory;
    for (const auto& [name, content] : files) {
        QByteArray entry = name;
        entry.resize(56, '\0');
        directory += entry + littleInts({qint32(12 + body.size()), qint32(content.size())});
        body += content;
    }
    return "PACK" + littleInts({qint32(12 + body.size()), qint32(directory.size())}) + body + directory;
}

class RunScreenProgram : public WholeProgram {
protected:
    // A Quake installation at `folder` (below the c: drive) whose quake.exe
    // writes down where it ran and what it was given.
    void makeQuake(const QString& folder)
    {
        m_quake = home.path() + "/c/" + folder;
        ASSERT_TRUE(QDir().mkpath(m_quake + "/id1"));
        QFile exe(m_quake + "/quake.exe");
        ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
        exe.write("#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo; } | tr '\\n' '|' >> \""
                  + QFile::encodeName(launches()) + "\"\necho >> \"" + QFile::encodeName(launches()) + "\"\n");
        exe.close();
        exe.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QSettings drives(home.path() + "/config/Corvantide/drives.conf", QSettings::IniFormat);
        drives.setValue("Drives/c", home.path() + "/c");
        drives.setValue("Drives/d", binaryDir() + "/cd");
        drives.sync();
    }

    QString launches() const { return home.path() + "/launches.txt"; }

    QStringList launched() const
    {
        QFile file(launches());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    bool installed(const QString& title)
    {
        return QSettings(home.path() + "/config/Corvantide/Umbraxis.conf", QSettings::IniFormat)
            .contains(title + "/LevelFileName");
    }

    // Installs the levels at the rows of the available list given, from the
    // install screen, and goes back to the menu.
    void installThroughTheScreen(const QString& menu, const QStringList& menuWindows, const QList<int>& rows,
                                 const QStringList& titles)
    {
        click(menu, DisplayLevelsButton.x(), DisplayLevelsButton.y());
        const QString screen = waitForNewWindow("Umbraxis", menuWindows, 10000);
        ASSERT_FALSE(screen.isEmpty());
        QThread::msleep(400);
        for (int i = 0; i < rows.size(); ++i) {
            click(screen, 72, 96 + 2 + 13 * rows[i] + 6);
            QThread::msleep(300);
            click(screen, InstallSelectedArrow.x(), InstallSelectedArrow.y());
            ASSERT_TRUE(waitFor([&] { return installed(titles[i]); })) << titles[i].toStdString();
        }
        click(screen, MainMenuButton.x(), MainMenuButton.y());
        ASSERT_TRUE(waitFor([&] { return windowsTitled("Umbraxis") == menuWindows; }, 5000));
    }

    void runAllModes(const QString& shot = QString())
    {
        QProcess program;
        start(program);
        const QStringList windows = waitForWindows("Umbraxis", 30000);
        ASSERT_EQ(windows.size(), 1);
        installThroughTheScreen(windows.first(), windows, {4, 6}, {"Rust Foundry", "Umbral Gate"});
        click(windows.first(), RunQuakeButton.x(), RunQuakeButton.y());
        const QString run = waitForNewWindow("Umbraxis", windows, 10000);
        ASSERT_FALSE(run.isEmpty()) << "Run Quake opened nothing";
        QThread::msleep(500);
        if (!shot.isEmpty()) {
            const QImage picture = screenshot(run, shot);
            EXPECT_EQ(picture.size(), QSize(640, 480));
            EXPECT_GT(colourCount(picture, QRect(48, 88, 201, 60)), 2) << "the list is empty";
        }
        for (const QPoint button : {SinglePlayer, Deathmatch, Cooperative}) {
            const int before = int(launched().size());
            click(run, button.x(), button.y());
            ASSERT_TRUE(waitFor([&] { return launched().size() > before; })) << "the game was not started";
        }
        const QString folder = QFileInfo(m_quake).canonicalFilePath();
        const QStringList lines = launched();
        ASSERT_EQ(lines.size(), 3);
        // Rust Foundry is the first installed level and selected.
        EXPECT_EQ(lines[0], folder + "|[-game][umbraxis][+map][umbx1]|");
        EXPECT_EQ(lines[1], folder + "|[-game][umbraxis][+deathmatch][1][+map][umbx1]|");
        EXPECT_EQ(lines[2], folder + "|[-game][umbraxis][+coop][1][+map][umbx1]|");
        EXPECT_TRUE(QFileInfo(m_quake + "/umbraxis").isSymLink()) << "the game folder has its lower-case name";
        stop(program);
    }

    QString m_quake;
};

// A Steam user's Quake on Linux: in Steam's own library under the home
// folder, which no drive of the user's map holds, spelled Id1/PAK0.PAK, with
// no quake.exe; Debian's quakespasm is the engine. A stand-in of that name on
// the PATH runs the real engine in its dedicated mode, which needs no video,
// kills it should it not end, and keeps what it printed.
TEST_F(RunScreenProgram, AnInstalledEngineStartsTheLevelOnASteamCopyOfQuake)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "the engine's own files are kept out of the home folder by a mount, which needs the superuser";
    const QString engine = "/usr/games/quakespasm";
    ASSERT_TRUE(QFileInfo(engine).isExecutable()) << "quakespasm is not installed: run scripts/deps.sh";
    const QString user = home.path() + "/user";
    const QString quake = user + "/.local/share/Steam/steamapps/common/Quake";
    ASSERT_TRUE(QDir().mkpath(quake + "/Id1"));
    QFile pak(quake + "/Id1/PAK0.PAK");
    ASSERT_TRUE(pak.open(QIODevice::WriteOnly));
    pak.write(minimalPak());
    pak.close();
    QDir().mkpath(home.path() + "/c");
    QFile drives(home.path() + "/config/Corvantide/drives.conf");
    ASSERT_TRUE(drives.open(QIODevice::WriteOnly));
    drives.write("[Drives]\nc=" + QFile::encodeName(home.path()) + "/c\nd=" + QFile::encodeName(binaryDir()) + "/cd\n");
    drives.close();

    const QByteArray output = QFile::encodeName(home.path() + "/engine");
    QDir().mkpath(home.path() + "/bin");
    QFile standIn(home.path() + "/bin/quakespasm");
    ASSERT_TRUE(standIn.open(QIODevice::WriteOnly));
    // The engine keeps files of its own in the home folder of the account,
    // whatever HOME says: it runs with the test's folder mounted over that
    // one, in a mount namespace of its own.
    standIn.write("#!/bin/sh\n"
                  "printf '%s\\n' \"$PWD\" \"$@\" > '"
                  + output
                  + ".args'\n"
                    "account=$(getent passwd \"$(id -u)\" | cut -d: -f6)\n"
                    "unshare --mount --propagation private sh -c "
                    "'mount --bind \"$1\" \"$2\" && shift 2 && exec \"$@\"' sh '"
                  + QFile::encodeName(user) + "' \"$account\" timeout -s KILL 30 " + QFile::encodeName(engine)
                  + " -dedicated +path \"$@\" < /dev/null > '" + output
                  + ".log' 2>&1\n"
                    "echo $? > '"
                  + output + ".part' && mv '" + output + ".part' '" + output + ".end'\n");
    standIn.close();
    standIn.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environmentChanges["HOME"] = user;
    environmentChanges["PATH"] = home.path() + "/bin:" + qEnvironmentVariable("PATH");

    QProcess program;
    start(program);
    const QStringList windows = waitForWindows("Umbraxis", 30000);
    ASSERT_EQ(windows.size(), 1);
    installThroughTheScreen(windows.first(), windows, {4}, {"Rust Foundry"});
    EXPECT_TRUE(QFileInfo(quake + "/Umbraxis/maps/umbx1.bsp").isFile()) << "installed into Steam's copy";
    click(windows.first(), RunQuakeButton.x(), RunQuakeButton.y());
    const QString run = waitForNewWindow("Umbraxis", windows, 10000);
    ASSERT_FALSE(run.isEmpty()) << "Run Quake opened nothing";
    QThread::msleep(500);
    click(run, SinglePlayer.x(), SinglePlayer.y());
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(output + ".end"); }, 45000)) << "the engine never ended";
    stop(program);

    const QString folder = QFileInfo(quake).canonicalFilePath();
    QFile args(output + ".args");
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(args.readAll()).split('\n', Qt::SkipEmptyParts),
              (QStringList{folder, "-basedir", folder, "-game", "umbraxis", "+map", "umbx1"}));
    QFile log(output + ".log");
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(log.readAll()).split('\n');
    const QString said = lines.join("\n  ");
    // The engine read the registered picture through the links of its own
    // spelling, searched the pack's game folder first and opened the map
    // there: the placeholder map is no real one, which ends the engine.
    EXPECT_TRUE(lines.contains("Playing registered version.")) << said.toStdString();
    const qsizetype searchPath = lines.indexOf("Current search path:");
    ASSERT_GE(searchPath, 0) << said.toStdString();
    EXPECT_TRUE(lines.mid(searchPath + 1, 2).contains(folder + "/umbraxis")) << said.toStdString();
    EXPECT_TRUE(lines.contains(folder + "/id1/pak0.pak (3 files)")) << said.toStdString();
    EXPECT_TRUE(said.contains("maps/umbx1.bsp")) << said.toStdString();
    EXPECT_FALSE(said.contains("Couldn't spawn server")) << "the map was not found: " << said.toStdString();
    EXPECT_TRUE(QFileInfo(user + "/.quakespasm").isDir()) << "the engine kept its own files in the test's folder";
    // The folder no drive held has a drive of its own, kept for later runs.
    EXPECT_EQ(QSettings(home.path() + "/config/Corvantide/Umbraxis.conf", QSettings::IniFormat).value("Main/QuakeDir"),
              "k:\\");
    EXPECT_EQ(umbraxis::DriveMap::fromFile(home.path() + "/config/Corvantide/drives.conf").folder(QChar('k')), folder);
}

TEST_F(RunScreenProgram, StartsQuakeInEachModeInItsOwnDirectory)
{
    makeQuake("quake");
    runAllModes("run-screen");
}

TEST_F(RunScreenProgram, AQuakeDirectoryWithABlankInItsPathStartsAllTheSame)
{
    makeQuake("My Games/Quake One");
    runAllModes();
}

} // namespace
