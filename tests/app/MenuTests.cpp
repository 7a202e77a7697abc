// The menu's cues are heard and its document buttons open the viewer, on the
// real program.

#include "app/ProgramFixture.h"
#include "app/ScreenPoints.h"

#include <sndfile.h>

using namespace umbraxis::testing;

namespace {

constexpr int FrameBytes = 2 * SoundRecorder::Channels;

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(WholeProgram, EveryCueIsHeardWholeOnEveryStart)
{
    SoundServer server;
    ASSERT_TRUE(server.isRunning()) << server.failure().toStdString();
    sound = &server;
    const Audibility own = audibilityOfWave(fileBytes(binaryDir() + "/cd/sounds/guncock.wav"));
    ASSERT_GT(own.audibleMs, 200);

    for (int run = 1; run <= 10; ++run) {
        SCOPED_TRACE(run);
        SoundRecorder recorder(server);
        const qint64 started = recorder.mark();
        QProcess program;
        start(program);
        const QStringList windows = waitForWindows("Umbraxis", 30000);
        ASSERT_EQ(windows.size(), 1);
        QThread::msleep(1200);
        const qint64 helpAt = recorder.mark();
        click(windows.first(), HelpButton.x(), HelpButton.y());
        const QString viewer = waitForNewWindow("Umbraxis", windows, 10000);
        ASSERT_FALSE(viewer.isEmpty()) << "Help did not open the viewer";
        QThread::msleep(1200);
        const qint64 returnAt = recorder.mark();
        click(viewer, MainMenuButton.x(), MainMenuButton.y());
        QThread::msleep(1200);
        const QByteArray heard = recorder.stop();
        stop(program);

        // Each stretch of the recording holds one cue.
        const struct {
            const char* cue;
            qint64 from;
            qint64 to;
        } parts[] = {{"start-up", started, helpAt}, {"Help", helpAt, returnAt}, {"Return", returnAt, heard.size()}};
        for (const auto& part : parts) {
            SCOPED_TRACE(part.cue);
            const qint64 from = part.from / FrameBytes * FrameBytes;
            const Audibility cue = measureAudibility(heard.mid(from, part.to - from), SoundRecorder::Rate,
                                                     SoundRecorder::Channels);
            EXPECT_GE(cue.audibleMs * 10, own.audibleMs * 9)
                << "heard " << cue.audibleMs << " ms of " << own.audibleMs << " ms";
            EXPECT_LE(cue.audibleMs, own.audibleMs + 50);
        }
    }
}

TEST_F(WholeProgram, AnIntroWithASoundTrackCutShortNeverTakesTheStartUpCueAway)
{
    // A disc of the time: the intro carries an 8-bit sound track, the cues
    // are 8-bit at 11025 Hz. The intro plays with its sound for a moment and
    // is cut short by a key; everything heard from the key on is the cue
    // (and at most the last moments of the intro's sound).
    SoundServer server;
    ASSERT_TRUE(server.isRunning()) << server.failure().toStdString();
    sound = &server;
    skipIntro = false;
    const QString cd = binaryDir() + "/cd-intro-sound";
    const Audibility own = audibilityOfWave(fileBytes(cd + "/sounds/guncock.wav"));
    ASSERT_GT(own.audibleMs, 200);

    int heardWhole = 0;
    // The first start warms the media framework's plugin registry.
    for (int run = 0; run <= 20; ++run) {
        SCOPED_TRACE(run);
        SoundRecorder recorder(server);
        QProcess program;
        start(program, cd);
        const QStringList intro = waitForWindows("Umbraxis - intro", 30000);
        ASSERT_EQ(intro.size(), 1);
        QThread::msleep(400);
        const qint64 cutAt = recorder.mark();
        key(intro.first(), "space");
        ASSERT_EQ(waitForWindows("Umbraxis", 30000).size(), 1);
        QThread::msleep(2000);
        const QByteArray heard = recorder.stop();
        stop(program);
        if (run == 0)
            continue;
        const qint64 from = cutAt / FrameBytes * FrameBytes;
        const Audibility cue = measureAudibility(heard.mid(from), SoundRecorder::Rate, SoundRecorder::Channels);
        EXPECT_LE(cue.audibleMs, own.audibleMs + 250) << "the intro's sound went on after the key";
        if (cue.audibleMs * 10 >= own.audibleMs * 9)
            ++heardWhole;
        else
            ADD_FAILURE() << "heard " << cue.audibleMs << " ms of the cue's " << own.audibleMs << " ms";
    }
    EXPECT_EQ(heardWhole, 20);
}

TEST_F(WholeProgram, HelpAndWebSitesOpenTheViewerOverTheMenu)
{
    QProcess program;
    start(program);
    const QStringList windows = waitForWindows("Umbraxis", 30000);
    ASSERT_EQ(windows.size(), 1);
    const QString menu = windows.first();
    const QRect menuPlace = geometryOf(menu);
    EXPECT_EQ(menuPlace.size(), QSize(640, 480));

    const struct {
        QPoint button;
        const char* shot;
    } rows[] = {{WebSitesButton, "viewer-websites"}, {HelpButton, "viewer-help"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shot);
        click(menu, row.button.x(), row.button.y());
        const QString viewer = waitForNewWindow("Umbraxis", windows, 10000);
        ASSERT_FALSE(viewer.isEmpty()) << "no viewer window";
        EXPECT_EQ(geometryOf(viewer), menuPlace) << "the viewer covers the menu exactly";
        QThread::msleep(600);
        const QImage picture = screenshot(viewer, row.shot);
        ASSERT_EQ(picture.size(), QSize(640, 480));
        // The document view holds text: dark letters on its light ground.
        int dark = 0;
        for (int y = 90; y < 380; y += 2)
            for (int x = 40; x < 590; x += 2)
                dark += qGray(picture.pixel(x, y)) < 100;
        EXPECT_GT(dark, 200) << "the view shows no text";
        EXPECT_GT(colourCount(picture, QRect(0, 0, 640, 75)), 30) << "no background picture";
        click(viewer, MainMenuButton.x(), MainMenuButton.y());
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000 && windowsTitled("Umbraxis").size() > 1)
            QThread::msleep(100);
        EXPECT_EQ(windowsTitled("Umbraxis"), windows) << "Return goes back to the menu";
    }
    stop(program);
}

} // namespace
