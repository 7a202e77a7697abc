// The run screen of the real program starts Quake on an installed level in
// each of its three modes.

#include "app/ProgramFixture.h"

#include <QSettings>

using namespace umbraxis::testing;

namespace {

constexpr QPoint DisplayLevelsButton(279, 411);
constexpr QPoint RunQuakeButton(453, 411);
constexpr QPoint InstallSelectedArrow(165, 141);
constexpr QPoint InstallScreenMain(418, 418);
constexpr QPoint SinglePlayer(422, 120);
constexpr QPoint Deathmatch(422, 195);
constexpr QPoint Cooperative(422, 270);

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
        exe.write("#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo; } | tr '\\n' '|' >> \"" +
                  QFile::encodeName(launches()) + "\"\necho >> \"" + QFile::encodeName(launches()) + "\"\n");
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

    bool waitFor(const std::function<bool()>& condition, int timeoutMs = 15000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs && !condition())
            QThread::msleep(100);
        return condition();
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
        click(screen, InstallScreenMain.x(), InstallScreenMain.y());
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
