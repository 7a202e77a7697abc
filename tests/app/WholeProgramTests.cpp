// Runs the real program on the sample CD under a private X server.

#include "app/ProgramFixture.h"

#include <QSettings>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace umbraxis::testing;

namespace {

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
    const QImage picture = screenshot(window, "main-menu");
    ASSERT_FALSE(picture.isNull()) << "no screenshot";
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

TEST_F(WholeProgram, ASoundServerThatNeverAnswersHoldsUpNeitherTheMenuNorTheEnd)
{
    // A server that takes every connection and never says a word: whoever
    // waits for its answer waits half a minute.
    const QByteArray path = QFile::encodeName(home.path() + "/run/silent-server");
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 64), 0);
    soundServerAddress = "unix:" + QFile::decodeName(path);

    QProcess program;
    QElapsedTimer clock;
    clock.start();
    start(program);
    const QStringList windows = waitForWindows("Umbraxis", 25000);
    const qint64 menuAfter = clock.elapsed();
    ASSERT_EQ(windows.size(), 1) << "the main menu did not appear";
    EXPECT_LT(menuAfter, 8000) << "the menu waited for the sound server";

    // The menu answers: Help opens its viewer over it, and its Return goes
    // back.
    click(windows.first(), 279, 456);
    const QString viewer = waitForNewWindow("Umbraxis", windows, 5000);
    ASSERT_FALSE(viewer.isEmpty()) << "Help did not open";
    click(viewer, 418, 418);
    QElapsedTimer back;
    back.start();
    while (back.elapsed() < 5000 && windowsTitled("Umbraxis").size() > 1)
        QThread::msleep(100);
    EXPECT_EQ(windowsTitled("Umbraxis"), windows) << "Return did not go back to the menu";

    clock.restart();
    click(windows.first(), 578, 434);
    const bool ended = program.waitForFinished(20000);
    if (!ended)
        stop(program);
    ::close(server);
    ASSERT_TRUE(ended) << "Exit did not end the program";
    EXPECT_LT(clock.elapsed(), 10000) << "the end waited for the sound server";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

} // namespace
