// Runs the real program on the sample CD under a private X server.

#include "support/VirtualDisplay.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using umbraxis::testing::VirtualDisplay;

namespace {

QString binaryDir()
{
    return QString::fromLocal8Bit(qgetenv("UMBRAXIS_BINARY_DIR"));
}

class WholeProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(binaryDir().isEmpty()) << "UMBRAXIS_BINARY_DIR is not set";
        ASSERT_TRUE(display.isRunning()) << display.failure().toStdString();
        ASSERT_TRUE(QDir(home.path()).mkpath("config"));
        ASSERT_TRUE(QDir(home.path()).mkpath("run"));
        QFile::setPermissions(home.path() + "/run", QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                        | QFileDevice::ExeOwner);
    }

    void start(QProcess& program)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display.name());
        environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
        environment.insert("XDG_RUNTIME_DIR", home.path() + "/run");
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("WAYLAND_DISPLAY");
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(binaryDir() + "/cd");
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(binaryDir() + "/src/app/umbraxis", {});
        ASSERT_TRUE(program.waitForStarted(5000));
    }

    QStringList windowsTitled(const QString& title)
    {
        const QString out = display.run("xdotool", {"search", "--onlyvisible", "--name",
                                                    "^" + title + "$"});
        return out.split('\n', Qt::SkipEmptyParts);
    }

    QStringList waitForWindows(const QString& title, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        QStringList found;
        while (clock.elapsed() < timeoutMs && (found = windowsTitled(title)).isEmpty())
            QThread::msleep(200);
        return found;
    }

    static void stop(QProcess& program)
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    VirtualDisplay display;
    QTemporaryDir home;
};

TEST_F(WholeProgram, StartsOnceShowsTheMenuAndExitsCleanly)
{
    QProcess first;
    start(first);
    const QStringList windows = waitForWindows("Umbraxis", 30000);
    ASSERT_EQ(windows.size(), 1) << "the main menu did not appear";
    const QString window = windows.first();

    const QString geometry = display.run("xdotool", {"getwindowgeometry", window});
    EXPECT_TRUE(geometry.contains("Geometry: 640x480")) << geometry.toStdString();

    QSettings stored(home.path() + "/config/Corvantide/Umbraxis.conf", QSettings::IniFormat);
    EXPECT_EQ(stored.value("Main/Version").toString(), "1.0");

    // A picture of the menu, kept with the build for people to look at.
    QThread::msleep(500);
    const QString shot = binaryDir() + "/artifacts/main-menu.png";
    QDir().mkpath(binaryDir() + "/artifacts");
    QFile::remove(shot);
    display.run("import", {"-window", window, shot}, 20000);
    QImage picture(shot);
    ASSERT_FALSE(picture.isNull()) << "no screenshot at " << shot.toStdString();
    EXPECT_EQ(picture.size(), QSize(640, 480));
    // The background and the buttons are drawn: many distinct colours, and
    // the button areas are not black.
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 4)
        for (int x = 0; x < picture.width(); x += 4)
            colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 64);
    for (const QPoint centre : {QPoint(279, 411), QPoint(107, 411), QPoint(453, 411), QPoint(107, 456),
                                QPoint(279, 456), QPoint(453, 456), QPoint(578, 434)}) {
        int lit = 0;
        for (int dx = -40; dx <= 40; dx += 4)
            lit += qGray(picture.pixel(centre + QPoint(qBound(-30, dx, 30), 0))) > 24;
        EXPECT_GT(lit, 3) << "button at " << centre.x() << "," << centre.y() << " looks empty";
    }

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(15000)) << "the second copy did not end";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(windowsTitled("Umbraxis").size(), 1);

    display.run("xdotool", {"mousemove", "--window", window, "578", "434"});
    display.run("xdotool", {"click", "1"});
    const bool ended = first.waitForFinished(15000);
    if (!ended)
        stop(first);
    ASSERT_TRUE(ended) << "Exit did not end the program";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
}

TEST_F(WholeProgram, AStaleLockOrSocketNeverBlocksAStart)
{
    // Leave behind what a copy that died would leave: the lock file and a
    // socket file nobody listens on.
    QFile lock(home.path() + "/run/Umbraxis-SemaphoreName.lock");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();
    QFile socket(home.path() + "/run/Umbraxis-SemaphoreName.sock");
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();

    QProcess program;
    start(program);
    EXPECT_EQ(waitForWindows("Umbraxis", 30000).size(), 1);
    stop(program);
}

} // namespace
