#include "MediaPlayerFixtures.h"

#include "platform/AppError.h"
#include "platform/QtMediaPlayer.h"
#include "platform/VideoPipeline.h"
#include "platform/VideoSurface.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoFrame>
#include <QVideoSink>
#include <QWidget>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace umbraxis {
namespace {

using namespace umbraxis::testing;

// The tests play through the same backend the program uses.
QtMediaFactory& mediaBackendChosen()
{
    static QtMediaFactory factory;
    return factory;
}

class MediaPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mediaBackendChosen();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("sounds")));
        // Program paths are resolved inside the temporary folder.
        m_player = std::make_unique<QtMediaPlayer>([this](const QString& programPath) {
            return m_dir.filePath(QString(programPath).replace(QLatin1Char('\\'), QLatin1Char('/')));
        });
        m_player->setOnNotify([this] { m_notifications.append(m_player->notifyResult()); });
    }

    void write(const QString& programPath, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(QString(programPath).replace(QLatin1Char('\\'), QLatin1Char('/'))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    void openFile(const QString& programPath)
    {
        m_player->setFileName(programPath);
        m_player->open();
    }

    QString openError(const QString& programPath)
    {
        m_player->setFileName(programPath);
        try {
            m_player->open();
        } catch (const AppError& error) {
            return error.message();
        }
        return QStringLiteral("(opened)");
    }

    // Plays with a notification asked for and waits, within a bound, for
    // the player to report the end.
    void playToEnd(qint64 boundMs)
    {
        m_player->setWait(false);
        m_player->setNotify(true);
        QElapsedTimer took;
        took.start();
        m_player->play();
        EXPECT_LT(took.elapsed(), 250) << "play must return at once";
        EXPECT_EQ(m_player->mode(), MediaMode::Playing);
        EXPECT_TRUE(QTest::qWaitFor([this] { return m_player->mode() == MediaMode::Stopped; }, int(boundMs)));
        EXPECT_GE(took.elapsed() + 5, m_player->length()) << "the end came early";
        EXPECT_EQ(m_player->position(), m_player->length());
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_notifications.isEmpty(); }, 1000));
        EXPECT_EQ(m_notifications, QList<MediaNotify>{MediaNotify::Successful});
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QtMediaPlayer> m_player;
    QList<MediaNotify> m_notifications;
};

TEST_F(MediaPlayerTest, PcmWaveOpensWithItsLengthAndPlaysToTheEnd)
{
    write(QStringLiteral("sounds\\cue.wav"), pcmWave(1, 22050, 16, 22050 * 2 / 5));
    openFile(QStringLiteral("sounds\\cue.wav"));
    EXPECT_TRUE(m_player->isOpen());
    EXPECT_EQ(m_player->length(), 400);
    EXPECT_EQ(m_player->position(), 0);
    EXPECT_EQ(m_player->mode(), MediaMode::Stopped);
    playToEnd(3000);
}

TEST_F(MediaPlayerTest, ImaAdpcmWaveTakesItsLengthFromTheSampleCount)
{
    write(QStringLiteral("sounds\\adpcm.wav"), imaAdpcmWave(11025, 11025 * 3 / 10));
    openFile(QStringLiteral("sounds\\adpcm.wav"));
    EXPECT_EQ(m_player->header().format, QStringLiteral("IMA ADPCM"));
    EXPECT_EQ(m_player->length(), 300);
    playToEnd(3000);
}

TEST_F(MediaPlayerTest, StopKeepsThePositionAndPlayGoesOnFromThere)
{
    write(QStringLiteral("sounds\\cue.wav"), pcmWave(2, 11025, 16, 11025));
    openFile(QStringLiteral("sounds\\cue.wav"));
    m_player->setNotify(true);
    m_player->play();
    QTest::qWait(150);
    m_player->stop();
    const qint64 stoppedAt = m_player->position();
    EXPECT_GE(stoppedAt, 140);
    EXPECT_LT(stoppedAt, 1000);
    EXPECT_EQ(m_player->mode(), MediaMode::Stopped);
    EXPECT_TRUE(m_notifications.isEmpty()) << "the notification must not come from inside stop";
    QTest::qWait(100);
    EXPECT_EQ(m_player->position(), stoppedAt);
    EXPECT_EQ(m_notifications, QList<MediaNotify>{MediaNotify::Aborted});

    m_player->play();
    QTest::qWait(50);
    EXPECT_GT(m_player->position(), stoppedAt);
    EXPECT_EQ(m_player->mode(), MediaMode::Playing);
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_player->mode() == MediaMode::Stopped; }, 3000));
    EXPECT_EQ(m_notifications, QList<MediaNotify>{MediaNotify::Aborted}) << "notify applies to one command only";
}

TEST_F(MediaPlayerTest, PlayAtTheEndStartsAgainFromTheBeginning)
{
    write(QStringLiteral("sounds\\cue.wav"), pcmWave(1, 8000, 8, 8000 * 3 / 10));
    openFile(QStringLiteral("sounds\\cue.wav"));
    playToEnd(3000);
    m_notifications.clear();
    m_player->play();
    EXPECT_EQ(m_player->mode(), MediaMode::Playing);
    EXPECT_LT(m_player->position(), 100);
    playToEnd(3000);
}

TEST_F(MediaPlayerTest, WaitingPlayReturnsAtTheEnd)
{
    write(QStringLiteral("sounds\\cue.wav"), pcmWave(1, 8000, 16, 8000 * 3 / 10));
    openFile(QStringLiteral("sounds\\cue.wav"));
    QElapsedTimer took;
    took.start();
    m_player->setWait(true);
    m_player->play();
    EXPECT_GE(took.elapsed(), 295);
    EXPECT_EQ(m_player->mode(), MediaMode::Stopped);
    EXPECT_EQ(m_player->position(), 300);
}

TEST_F(MediaPlayerTest, CloseLeavesNoDeviceAndSendsNoLateNotification)
{
    write(QStringLiteral("sounds\\cue.wav"), pcmWave(1, 8000, 16, 8000));
    openFile(QStringLiteral("sounds\\cue.wav"));
    m_player->setNotify(true);
    m_player->play();
    m_player->close();
    EXPECT_FALSE(m_player->isOpen());
    EXPECT_EQ(m_player->mode(), MediaMode::NotReady);
    EXPECT_EQ(m_player->length(), 0);
    QTest::qWait(50);
    EXPECT_TRUE(m_notifications.isEmpty());
    m_player->close();
    EXPECT_EQ(m_player->fileName(), QStringLiteral("sounds\\cue.wav"));
}

TEST_F(MediaPlayerTest, FailuresAtOpenCarryTheMediaSystemsText)
{
    write(QStringLiteral("garbage.wav"), QByteArray("this is not a sound at all"));
    write(QStringLiteral("garbage.avi"), QByteArray(300, 'x'));
    write(QStringLiteral("song.mp3"), QByteArray(300, 'x'));
    write(QStringLiteral("sound-as-video.avi"), pcmWave(1, 8000, 8, 800));
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("folder.wav")));
    const struct {
        const char* path;
        const char* error;
    } rows[] = {
        {"sounds\\missing.wav", "The specified file cannot be found"},
        {"folder.wav", "The specified file cannot be found"},
        {"", "The specified file cannot be found"},
        {"garbage.wav", "The file cannot be played: unrecognised format"},
        {"garbage.avi", "The file cannot be played: unrecognised format"},
        {"sound-as-video.avi", "The file cannot be played: unrecognised format"},
        {"song.mp3", "The file cannot be played: unsupported file type"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(openError(QString::fromLatin1(row.path)), QString::fromLatin1(row.error));
        EXPECT_FALSE(m_player->isOpen());
    }
}

TEST_F(MediaPlayerTest, FailedOpenClosesTheDeviceThatWasOpen)
{
    write(QStringLiteral("sounds\\cue.wav"), pcmWave(1, 8000, 8, 800));
    openFile(QStringLiteral("sounds\\cue.wav"));
    EXPECT_EQ(openError(QStringLiteral("sounds\\missing.wav")), QStringLiteral("The specified file cannot be found"));
    EXPECT_FALSE(m_player->isOpen());
    EXPECT_EQ(m_player->mode(), MediaMode::NotReady);
}

TEST_F(MediaPlayerTest, CommandsWithoutADeviceFail)
{
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"play", [this] { m_player->play(); }},
        {"stop", [this] { m_player->stop(); }},
        {"rewind", [this] { m_player->rewind(); }},
        {"setPosition", [this] { m_player->setPosition(10); }},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        try {
            command();
            ADD_FAILURE() << "no error";
        } catch (const AppError& error) {
            EXPECT_EQ(error.message(), QStringLiteral("No MCI device open"));
        }
    }
    EXPECT_EQ(m_player->mode(), MediaMode::NotReady);
    EXPECT_EQ(m_player->position(), 0);
}

TEST_F(MediaPlayerTest, AFifoOrDeviceUnderASoundsNameFailsAtOnce)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("sounds/pipe.wav"))).constData(), 0644), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("pipe.avi"))).constData(), 0644), 0);
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(openError(QStringLiteral("sounds\\pipe.wav")), QStringLiteral("The specified file cannot be opened"));
    EXPECT_EQ(openError(QStringLiteral("pipe.avi")), QStringLiteral("The specified file cannot be opened"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), m_dir.filePath(QStringLiteral("sounds/zero.wav"))));
    EXPECT_EQ(openError(QStringLiteral("sounds\\zero.wav")), QStringLiteral("The specified file cannot be opened"));
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_FALSE(m_player->isOpen());
}

TEST_F(MediaPlayerTest, UnreadableFileFailsAtOpen)
{
    write(QStringLiteral("locked.wav"), pcmWave(1, 8000, 8, 800));
    QFile::setPermissions(m_dir.filePath(QStringLiteral("locked.wav")), QFileDevice::Permissions());
    if (QFile(m_dir.filePath(QStringLiteral("locked.wav"))).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "running with rights that read any file";
    EXPECT_EQ(openError(QStringLiteral("locked.wav")), QStringLiteral("The specified file cannot be opened"));
}

class MediaVideoTest : public MediaPlayerTest {
protected:
    void SetUp() override
    {
        MediaPlayerTest::SetUp();
        m_display.resize(320, 240);
        m_display.show();
        m_player->setDisplay(&m_display);
    }

    void expectPlaysInDisplay(const QString& programPath, const QString& format, qint64 length)
    {
        openFile(programPath);
        EXPECT_EQ(m_player->header().format, format);
        EXPECT_EQ(m_player->length(), length);
        m_player->setDisplayRect(QRect(0, 0, 320, 240));
        VideoSurface* video = m_player->videoWidget();
        ASSERT_NE(video, nullptr);
        EXPECT_EQ(video->parentWidget(), &m_display);
        EXPECT_EQ(video->geometry(), QRect(0, 0, 320, 240));
        playToEnd(length + 3000);
        EXPECT_GT(video->framesShown(), 0) << "the decoder showed no picture";
        EXPECT_FALSE(video->picture().isNull());
        ASSERT_NE(m_player->pipeline(), nullptr);
        EXPECT_FALSE(m_player->pipeline()->failed()) << m_player->pipeline()->errorText().toStdString();
        m_player->close();
        EXPECT_EQ(m_player->videoWidget(), nullptr);
    }

    // Encodes ten frames at 20 per second with the system's GStreamer
    // tools, one file per frame, and wraps them in an AVI of our own
    // (GStreamer's muxers take neither codec).
    std::optional<QByteArray> encode(const QString& encoder, const QByteArray& fourcc, quint16 bitCount)
    {
        const QString launcher = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
        if (launcher.isEmpty())
            return std::nullopt;
        QTemporaryDir frames;
        QProcess process;
        process.start(launcher,
                      {QStringLiteral("-q"), QStringLiteral("videotestsrc"), QStringLiteral("num-buffers=10"),
                       QStringLiteral("!"), QStringLiteral("video/x-raw,width=160,height=120,framerate=20/1"),
                       QStringLiteral("!"), QStringLiteral("videoconvert"), QStringLiteral("!"), encoder,
                       QStringLiteral("!"), QStringLiteral("multifilesink"),
                       QStringLiteral("location=") + frames.filePath(QStringLiteral("%03d.bin"))});
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return std::nullopt;
        AviLayout layout;
        layout.microSecPerFrame = 50000;
        layout.totalFrames = 10;
        layout.handler = fourcc;
        layout.compression = fourccValue(fourcc.constData());
        layout.width = 160;
        layout.height = 120;
        layout.bitCount = bitCount;
        layout.intraOnly = false;
        for (int i = 0; i < 10; ++i) {
            QFile frame(frames.filePath(QStringLiteral("%1.bin").arg(i, 3, 10, QLatin1Char('0'))));
            if (!frame.open(QIODevice::ReadOnly))
                return std::nullopt;
            layout.frames.append(frame.readAll());
        }
        return aviFile(layout);
    }

    QWidget m_display;
};

TEST_F(MediaVideoTest, MjpegVideoPlaysInTheDisplayToTheEnd)
{
    write(QStringLiteral("logo.avi"), mjpegAvi(10, 20));
    expectPlaysInDisplay(QStringLiteral("logo.avi"), QStringLiteral("MJPEG"), 500);
}

TEST_F(MediaVideoTest, EncodedVideoPlaysToTheEnd)
{
    const struct {
        const char* encoder;
        const char* fourcc;
        quint16 bitCount;
        const char* format;
    } rows[] = {{"avenc_cinepak", "cvid", 24, "Cinepak"}, {"avenc_msvideo1", "CRAM", 16, "MS Video 1"}};
    int played = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.encoder);
        const QString name = QString::fromLatin1(row.encoder) + QStringLiteral(".avi");
        const std::optional<QByteArray> clip = encode(QString::fromLatin1(row.encoder), row.fourcc, row.bitCount);
        if (!clip)
            continue;
        write(name, *clip);
        m_notifications.clear();
        expectPlaysInDisplay(name, QString::fromLatin1(row.format), 500);
        ++played;
    }
    if (played == 0)
        GTEST_SKIP() << "gst-launch-1.0 with avenc_cinepak or avenc_msvideo1 is not installed";
}

TEST_F(MediaVideoTest, DisplayRectPlacesThePictureAndFollowsLaterChanges)
{
    write(QStringLiteral("logo.avi"), mjpegAvi(4, 20));
    m_player->setDisplayRect(QRect(10, 20, 100, 50));
    openFile(QStringLiteral("logo.avi"));
    ASSERT_NE(m_player->videoWidget(), nullptr);
    EXPECT_EQ(m_player->videoWidget()->geometry(), QRect(10, 20, 100, 50));
    QWidget other;
    m_player->setDisplay(&other);
    ASSERT_NE(m_player->videoWidget(), nullptr);
    EXPECT_EQ(m_player->videoWidget()->parentWidget(), &other);
    m_player->setDisplay(nullptr);
    EXPECT_EQ(m_player->videoWidget(), nullptr);
}

TEST_F(MediaVideoTest, DisplayDestroyedWhileTheVideoIsOpen)
{
    write(QStringLiteral("logo.avi"), mjpegAvi(4, 20));
    auto display = std::make_unique<QWidget>();
    display->resize(64, 48);
    m_player->setDisplay(display.get());
    openFile(QStringLiteral("logo.avi"));
    m_player->play();
    QTest::qWait(30);
    display.reset();
    EXPECT_EQ(m_player->videoWidget(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_player->mode() == MediaMode::Stopped; }, 3000));
    m_player->close();
}

TEST_F(MediaVideoTest, AClosedVideoLetsGoOfItsPicturesAndTheWaitForThatEnds)
{
    QtMediaFactory& factory = mediaBackendChosen();
    // Videos of earlier tests may still be letting go.
    ASSERT_TRUE(factory.awaitReleased(5000));
    ASSERT_EQ(videoDecodersHoldingPictures(), 0);
    write(QStringLiteral("logo.avi"), mjpegAvi(40, 20));

    // Closed at once, before or after its decoder got going.
    openFile(QStringLiteral("logo.avi"));
    m_player->close();
    EXPECT_TRUE(factory.awaitReleased(5000));
    EXPECT_EQ(videoDecodersHoldingPictures(), 0);

    // Playing, it holds what it has decoded ahead, until it is closed.
    openFile(QStringLiteral("logo.avi"));
    m_player->setWait(false);
    m_player->play();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return m_player->videoWidget() && m_player->videoWidget()->framesShown() >= 3; }, 5000));
    EXPECT_EQ(videoDecodersHoldingPictures(), 1);
    EXPECT_FALSE(factory.awaitReleased(50));
    EXPECT_EQ(m_player->mode(), MediaMode::Playing) << "the wait went on handling the player's events";
    m_player->stop();
    m_player->close();
    EXPECT_TRUE(factory.awaitReleased(5000));
    EXPECT_EQ(videoDecodersHoldingPictures(), 0);
}

TEST(MediaFactoryTest, ChoosesTheGStreamerBackendUnlessOneIsSet)
{
    const QByteArray saved = qgetenv("QT_MEDIA_BACKEND");
    qunsetenv("QT_MEDIA_BACKEND");
    QtMediaFactory first;
    EXPECT_EQ(qgetenv("QT_MEDIA_BACKEND"), QByteArray("gstreamer"));
    qputenv("QT_MEDIA_BACKEND", "other");
    QtMediaFactory second;
    EXPECT_EQ(qgetenv("QT_MEDIA_BACKEND"), QByteArray("other"));
    if (saved.isEmpty())
        qunsetenv("QT_MEDIA_BACKEND");
    else
        qputenv("QT_MEDIA_BACKEND", saved);
    EXPECT_NE(first.createPlayer(), nullptr);
}

TEST(MediaFactoryTest, DefaultResolverTurnsBackslashesIntoSlashes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("sounds")));
    QFile file(dir.filePath(QStringLiteral("sounds/cue.wav")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pcmWave(1, 8000, 8, 400));
    file.close();
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    std::unique_ptr<MediaPlayer> player = QtMediaFactory().createPlayer();
    player->setFileName(QStringLiteral("sounds\\cue.wav"));
    EXPECT_NO_THROW(player->open());
    EXPECT_EQ(player->length(), 50);
    QDir::setCurrent(saved);
}

} // namespace
} // namespace umbraxis
