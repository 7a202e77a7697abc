// What the user sees and hears of the presentation screens: the splash and
// the intro at start-up, the briefing and the about screen.

#include "app/ProgramFixture.h"
#include "app/ScreenPoints.h"

#include <sndfile.h>

#include <functional>

using namespace umbraxis::testing;

namespace {

constexpr int FrameBytes = 2 * SoundRecorder::Channels;

qint64 msOf(qint64 bytes)
{
    return bytes / FrameBytes * 1000 / SoundRecorder::Rate;
}

// Rows of the picture that hold more than a few colours: a picture, not a
// flat frame.
int busyRows(const QImage& picture)
{
    int busy = 0;
    for (int y = 0; y < picture.height(); y += 8) {
        QSet<QRgb> colours;
        for (int x = 0; x < picture.width(); x += 4)
            colours.insert(picture.pixel(x, y));
        busy += colours.size() > 8;
    }
    return busy;
}

// How many pixels of `area`, looked at every `step` pixels, have a colour
// that `like` accepts: text of a colour the picture does not have.
int pixelsLike(const QImage& picture, const QRect& area, int step, const std::function<bool(const QColor&)>& like)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); y += step)
        for (int x = area.left(); x <= area.right(); x += step)
            count += like(picture.pixelColor(x, y));
    return count;
}

bool isAqua(const QColor& c)
{
    return c.red() < 80 && c.green() > 180 && c.blue() > 180;
}

TEST_F(WholeProgram, TheSplashAndTheIntroComeFirstAndAKeyCutsTheIntroShort)
{
    skipIntro = false;
    QProcess program;
    start(program);
    const QStringList splash = waitForWindows("Umbraxis - loading", 30000);
    ASSERT_EQ(splash.size(), 1) << "no splash";
    EXPECT_EQ(geometryOf(splash.first()).size(), QSize(420, 160));
    const QStringList intro = waitForWindows("Umbraxis - intro", 30000);
    ASSERT_EQ(intro.size(), 1) << "no intro";
    EXPECT_EQ(geometryOf(intro.first()).size(), QSize(640, 480));
    QThread::msleep(1800);
    const QImage introShot = screenshot(intro.first(), "intro");
    ASSERT_EQ(introShot.size(), QSize(640, 480));
    EXPECT_GT(busyRows(introShot), 10) << "the intro shows no video";
    EXPECT_TRUE(windowsTitled("Umbraxis").isEmpty()) << "the menu waits for the intro";

    // The splash stays under the intro, painted: brought in front for a
    // moment, it shows its picture with the notice, the tip and "Please
    // Wait, loading ..." over it.
    display.run("xdotool", {"windowraise", splash.first()});
    QThread::msleep(300);
    const QImage splashShot = screenshot(splash.first(), "splash");
    ASSERT_EQ(splashShot.size(), QSize(420, 160));
    EXPECT_GT(busyRows(splashShot), 5) << "the splash shows no picture";
    const QRect whole = splashShot.rect();
    const int aqua = pixelsLike(splashShot, whole, 1, isAqua);
    const int red = pixelsLike(splashShot, whole, 1,
                               [](const QColor& c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; });
    const int yellow = pixelsLike(splashShot, whole, 1,
                                  [](const QColor& c) { return c.red() > 200 && c.green() > 200 && c.blue() < 80; });
    EXPECT_GT(aqua, 40) << "no \"Please Wait, loading ...\"";
    EXPECT_GT(red, 30) << "no \"Quake Tip of the Day\"";
    EXPECT_GT(yellow, 30) << "no notice";
    display.run("xdotool", {"windowraise", intro.first()});

    key(intro.first(), "space");
    // Almost three seconds of the intro were still to play: it goes at once.
    QElapsedTimer cut;
    cut.start();
    while (cut.elapsed() < 1500 && !windowsTitled("Umbraxis - intro").isEmpty())
        QThread::msleep(20);
    EXPECT_TRUE(windowsTitled("Umbraxis - intro").isEmpty()) << "the key did not cut the intro short";
    const QStringList menu = waitForWindows("Umbraxis", 15000);
    ASSERT_EQ(menu.size(), 1) << "no menu after the key";
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000 && !windowsTitled("Umbraxis - loading").isEmpty())
        QThread::msleep(100);
    EXPECT_TRUE(windowsTitled("Umbraxis - loading").isEmpty()) << "the splash stayed";
    EXPECT_TRUE(windowsTitled("Umbraxis - intro").isEmpty());
    stop(program);
}

TEST_F(WholeProgram, AnIntroLeftAlonePlaysToItsEndAndTheMenuFollows)
{
    skipIntro = false;
    QProcess program;
    start(program);
    const QStringList intro = waitForWindows("Umbraxis - intro", 30000);
    ASSERT_EQ(intro.size(), 1);
    QElapsedTimer clock;
    clock.start();
    const QStringList menu = waitForWindows("Umbraxis", 20000);
    ASSERT_EQ(menu.size(), 1);
    // The sample intro runs 4.6 seconds.
    EXPECT_GT(clock.elapsed(), 3000) << "the intro ended early";
    EXPECT_LT(clock.elapsed(), 12000);
    stop(program);
}

TEST_F(WholeProgram, TheBriefingsMusicLoopsAndStopsWithIt)
{
    SoundServer server;
    ASSERT_TRUE(server.isRunning()) << server.failure().toStdString();
    sound = &server;
    QProcess program;
    start(program);
    const QStringList menu = waitForWindows("Umbraxis", 30000);
    ASSERT_EQ(menu.size(), 1);
    QThread::msleep(800);
    SoundRecorder recorder(server);
    const qint64 opened = recorder.mark();
    click(menu.first(), BriefingButton.x(), BriefingButton.y());
    const QString briefing = waitForNewWindow("Umbraxis", menu, 10000);
    ASSERT_FALSE(briefing.isEmpty()) << "no briefing";
    QThread::msleep(4500);
    const QImage shot = screenshot(briefing, "briefing");
    ASSERT_EQ(shot.size(), QSize(640, 480));
    const int red = pixelsLike(shot, {55, 268, 402, 173}, 2,
                               [](const QColor& c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; });
    EXPECT_GT(red, 50) << "no text in the briefing's window";
    QThread::msleep(4000);
    const qint64 closed = recorder.mark();
    click(briefing, 600, 60);
    QThread::msleep(2000);
    const QByteArray heard = recorder.stop();
    EXPECT_EQ(windowsTitled("Umbraxis"), menu) << "the click closed the briefing";
    stop(program);

    QFile file(binaryDir() + "/cd/sounds/military.wav");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const Audibility own = audibilityOfWave(file.readAll());
    const qint64 from = opened / FrameBytes * FrameBytes;
    const Audibility music = measureAudibility(heard.mid(from), SoundRecorder::Rate, SoundRecorder::Channels);
    ASSERT_FALSE(music.stretches.isEmpty());
    const qint64 closedMs = msOf(closed - from);
    EXPECT_GT(music.audibleMs, own.audibleMs + 500) << "heard " << music.audibleMs << " ms: the music did not loop";
    EXPECT_LE(music.lastMs, closedMs + 1000) << "still heard " << music.lastMs - closedMs << " ms after closing";
}

TEST_F(WholeProgram, TheAboutScreenShowsItsTextsOverItsPicture)
{
    QProcess program;
    start(program);
    const QStringList menu = waitForWindows("Umbraxis", 30000);
    ASSERT_EQ(menu.size(), 1);
    click(menu.first(), AboutButton.x(), AboutButton.y());
    const QString about = waitForNewWindow("Umbraxis", menu, 10000);
    ASSERT_FALSE(about.isEmpty()) << "no about screen";
    QThread::msleep(600);
    const QImage shot = screenshot(about, "about");
    ASSERT_EQ(shot.size(), QSize(640, 480));
    // The credits are aqua, the tip white.
    const int aqua = pixelsLike(shot, {48, 104, 265, 281}, 1, isAqua);
    const int white = pixelsLike(shot, {344, 211, 262, 158}, 1,
                                 [](const QColor& c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; });
    EXPECT_GT(aqua, 100) << "no credits";
    EXPECT_GT(white, 50) << "no tip";
    click(about, MainMenuButton.x(), MainMenuButton.y());
    stop(program);
}

} // namespace
