// Sounds played through the real player are heard, whole, on a real sound
// server.

#include "cdgen/AviWriter.h"
#include "platform/QtMediaPlayer.h"
#include "platform/VideoPipeline.h"
#include "sound/SoundWorld.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

namespace umbraxis {
namespace {

using namespace umbraxis::testing;

class WavePlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(soundServer && soundServer->isRunning())
            << (soundServer ? soundServer->failure().toStdString() : std::string("no server"));
        ASSERT_TRUE(m_dir.isValid());
        QtMediaFactory factory; // picks the program's media backend
        m_player = std::make_unique<QtMediaPlayer>([this](const QString& path) {
            return m_dir.filePath(QString(path).replace(QLatin1Char('\\'), QLatin1Char('/')));
        });
        m_player->setOnNotify([this] { m_notifications << m_player->notifyResult(); });
    }

    void write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    // Plays `name` to its end while recording the sink, and returns what was
    // heard.
    Audibility playAndHear(const QString& name, qint64* tookMs = nullptr)
    {
        SoundRecorder recorder(*soundServer);
        m_player->setFileName(name);
        m_player->open();
        m_player->setNotify(true);
        QElapsedTimer clock;
        clock.start();
        m_player->play();
        EXPECT_LT(clock.elapsed(), 250) << "play must return at once";
        EXPECT_TRUE(QTest::qWaitFor([this] { return m_player->mode() == MediaMode::Stopped; }, 10000));
        if (tookMs)
            *tookMs = clock.elapsed();
        EXPECT_EQ(m_player->position(), m_player->length());
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_notifications.isEmpty(); }, 1000));
        QTest::qWait(300);
        return measureAudibility(recorder.stop(), SoundRecorder::Rate, SoundRecorder::Channels);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QtMediaPlayer> m_player;
    QList<MediaNotify> m_notifications;
};

TEST_F(WavePlaybackTest, EveryFlavourOnTheCdIsHeardWhole)
{
    const struct {
        WaveFlavour flavour;
        const char* name;
    } rows[] = {
        {WaveFlavour::Pcm8Mono11025, "pcm8.wav"},
        {WaveFlavour::Pcm16Stereo22050, "pcm16.wav"},
        {WaveFlavour::ImaAdpcm, "ima.wav"},
        {WaveFlavour::MsAdpcm, "ms.wav"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_notifications.clear();
        const QByteArray wave = toneWave(row.flavour, 400);
        ASSERT_FALSE(wave.isEmpty());
        write(QString::fromLatin1(row.name), wave);
        const Audibility own = audibilityOfWave(wave);
        ASSERT_GT(own.audibleMs, 350);
        const Audibility heard = playAndHear(QString::fromLatin1(row.name));
        EXPECT_GE(heard.audibleMs * 10, own.audibleMs * 9)
            << "heard " << heard.audibleMs << " ms of " << own.audibleMs << " ms";
        EXPECT_LE(heard.audibleMs, own.audibleMs + 40) << "played more than once?";
        EXPECT_EQ(m_notifications, QList<MediaNotify>{MediaNotify::Successful});
        ASSERT_NE(m_player->wave(), nullptr) << "the sound went to the device";
        EXPECT_FALSE(m_player->clockStandsIn());
        // A sound heard to its end lets the device go: an idle program does
        // not keep feeding it silence.
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_player->wave()->streaming(); }, 1000));
        m_player->close();
    }
}

TEST_F(WavePlaybackTest, ASoundPlaysOnWhileTheProgramIsBusy)
{
    // A cue during a long drive walk: the program's thread does not come
    // back to its event loop until the sound is over.
    const QByteArray wave = toneWave(WaveFlavour::Pcm16Stereo22050, 700);
    write(QStringLiteral("talk.wav"), wave);
    SoundRecorder recorder(*soundServer);
    m_player->setFileName(QStringLiteral("talk.wav"));
    m_player->open();
    m_player->play();
    QThread::msleep(1200);
    EXPECT_EQ(m_player->mode(), MediaMode::Stopped);
    QTest::qWait(300);
    const Audibility heard = measureAudibility(recorder.stop(), SoundRecorder::Rate, SoundRecorder::Channels);
    const Audibility own = audibilityOfWave(wave);
    EXPECT_GE(heard.audibleMs * 10, own.audibleMs * 9) << "heard " << heard.audibleMs << " of " << own.audibleMs;
    EXPECT_EQ(heard.stretches.size(), 1) << "the sound broke off while the program was busy";
}

TEST_F(WavePlaybackTest, AskingForTheSameCueAgainAndAgainWhileItPlaysGoesOnWithoutABreak)
{
    // As a walk does: the cue player stops the cue and plays it again from
    // where it stood, many times, without the event loop in between.
    const QByteArray wave = toneWave(WaveFlavour::Pcm16Stereo22050, 600);
    write(QStringLiteral("talk.wav"), wave);
    SoundRecorder recorder(*soundServer);
    m_player->setFileName(QStringLiteral("talk.wav"));
    m_player->open();
    m_player->play();
    QElapsedTimer clock;
    clock.start();
    int restarts = 0;
    while (clock.elapsed() < 1000) {
        if (m_player->mode() == MediaMode::Playing) {
            m_player->stop();
            m_player->play();
            ++restarts;
        }
        QThread::msleep(10);
    }
    EXPECT_GT(restarts, 20);
    QTest::qWait(400);
    const Audibility heard = measureAudibility(recorder.stop(), SoundRecorder::Rate, SoundRecorder::Channels);
    const Audibility own = audibilityOfWave(wave);
    EXPECT_EQ(heard.stretches.size(), 1) << "the sound broke off";
    EXPECT_GE(heard.audibleMs * 10, own.audibleMs * 9) << "heard " << heard.audibleMs << " of " << own.audibleMs;
    EXPECT_LE(heard.audibleMs, own.audibleMs + 40);
}

TEST_F(WavePlaybackTest, ASoundStoppedAndStartedAgainFromItsBeginningIsHeardWholeTheLastTime)
{
    // Starts and stops return before the device has carried them out; the
    // last one asked for is what is heard.
    const QByteArray wave = toneWave(WaveFlavour::Pcm16Stereo22050, 600);
    write(QStringLiteral("again.wav"), wave);
    SoundRecorder recorder(*soundServer);
    m_player->setFileName(QStringLiteral("again.wav"));
    m_player->open();
    m_player->setNotify(true);
    m_player->play();
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_player->position() >= 200; }, 5000));
    m_player->stop();
    QTest::qWait(200);
    // Several starts from the beginning in one breath, each overtaking the
    // one before.
    for (int i = 0; i < 5; ++i) {
        m_player->stop();
        m_player->setPosition(0);
        m_player->setNotify(true);
        m_player->play();
    }
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_player->mode() == MediaMode::Stopped; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_player->wave()->streaming(); }, 1000));
    QTest::qWait(200);
    const Audibility heard = measureAudibility(recorder.stop(), SoundRecorder::Rate, SoundRecorder::Channels);
    const Audibility own = audibilityOfWave(wave);
    ASSERT_EQ(heard.stretches.size(), 2) << "heard " << heard.audibleMs << " ms";
    const qint64 last = heard.stretches[1].second - heard.stretches[1].first;
    EXPECT_GE(last * 10, own.audibleMs * 9) << "the last start was heard for " << last << " of " << own.audibleMs;
    EXPECT_LE(last, own.audibleMs + 40) << "played more than once?";
    EXPECT_FALSE(m_player->clockStandsIn());
    EXPECT_EQ(m_notifications.back(), MediaNotify::Successful);
}

TEST_F(WavePlaybackTest, AHeaderThatPromisesMoreThanTheFileHoldsPlaysWhatItHoldsAndEnds)
{
    QByteArray wave = toneWave(WaveFlavour::Pcm16Stereo22050, 300);
    // The data chunk claims ten minutes.
    const qsizetype data = wave.indexOf("data");
    ASSERT_GT(data, 0);
    qToLittleEndian<quint32>(22050 * 4 * 600, wave.data() + data + 4);
    write(QStringLiteral("liar.wav"), wave);
    qint64 took = 0;
    const Audibility heard = playAndHear(QStringLiteral("liar.wav"), &took);
    EXPECT_LE(m_player->length(), 400);
    EXPECT_LT(took, 3000);
    EXPECT_GE(heard.audibleMs * 10, 300 * 9);
}

TEST_F(WavePlaybackTest, StopCutsTheSoundAndPlayGoesOnFromThere)
{
    write(QStringLiteral("long.wav"), toneWave(WaveFlavour::Pcm16Stereo22050, 1500));
    SoundRecorder recorder(*soundServer);
    m_player->setFileName(QStringLiteral("long.wav"));
    m_player->open();
    m_player->play();
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_player->position() >= 400; }, 5000));
    m_player->stop();
    const qint64 stoppedAt = m_player->position();
    QTest::qWait(400);
    EXPECT_EQ(m_player->position(), stoppedAt);
    m_player->play();
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_player->mode() == MediaMode::Stopped; }, 10000));
    QTest::qWait(300);
    const Audibility heard = measureAudibility(recorder.stop(), SoundRecorder::Rate, SoundRecorder::Channels);
    // Two stretches with the pause between them, together about the sound.
    ASSERT_EQ(heard.stretches.size(), 2);
    EXPECT_GE(heard.stretches[1].first - heard.stretches[0].second, 300);
    EXPECT_GE(heard.audibleMs, 1500 * 9 / 10);
    EXPECT_LE(heard.audibleMs, 1500 + 150);
}

TEST_F(WavePlaybackTest, ASoundTheDecoderRefusesIsTimedAndReportsFailure)
{
    // A header the player can time around data the decoder will not read:
    // ADPCM blocks that claim to hold no samples.
    QByteArray wave = toneWave(WaveFlavour::ImaAdpcm, 300);
    const qsizetype fmt = wave.indexOf("fmt ");
    ASSERT_GT(fmt, 0);
    qToLittleEndian<quint16>(0, wave.data() + fmt + 8 + 18);
    write(QStringLiteral("odd.wav"), wave);
    m_player->setFileName(QStringLiteral("odd.wav"));
    m_player->open();
    EXPECT_EQ(m_player->wave(), nullptr);
    EXPECT_GT(m_player->length(), 300);
    m_player->setNotify(true);
    QElapsedTimer clock;
    clock.start();
    m_player->play();
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_player->mode() == MediaMode::Stopped; }, 5000));
    EXPECT_GE(clock.elapsed() + 5, m_player->length());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_notifications.isEmpty(); }, 1000));
    EXPECT_EQ(m_notifications, QList<MediaNotify>{MediaNotify::Failure});
}

TEST_F(WavePlaybackTest, AVideosSoundTrackIsHeardWithItsPicturesAndStopsWithThem)
{
    QList<QImage> frames(30, QImage(32, 24, QImage::Format_RGB32));
    for (QImage& frame : frames)
        frame.fill(Qt::darkBlue);
    AviSoundTrack track;
    for (int i = 0; i < 2 * track.sampleRate; ++i)
        track.samples.append(char(i % 40 < 20 ? 228 : 28));
    write(QStringLiteral("intro.avi"), encodeMjpegAvi(frames, 15, 80, &track));
    SoundRecorder recorder(*soundServer);
    m_player->setFileName(QStringLiteral("intro.avi"));
    m_player->open();
    ASSERT_NE(m_player->soundTrack(), nullptr) << "the program plays the track itself";
    const qint64 playedAt = recorder.mark();
    m_player->play();
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_player->position() >= 600; }, 5000));
    const int shownBeforeSound = m_player->pipeline()->framesDelivered();
    const qint64 stoppedAt = recorder.mark();
    m_player->stop();
    QTest::qWait(600);
    const QByteArray heard = recorder.stop();
    const qint64 from = playedAt / 4 * 4;
    const Audibility sound = measureAudibility(heard.mid(from), SoundRecorder::Rate, SoundRecorder::Channels);
    const qint64 stopMs = (stoppedAt - from) / 4 * 1000 / SoundRecorder::Rate;
    EXPECT_GT(shownBeforeSound, 0);
    EXPECT_GE(sound.audibleMs, 400) << "the track was not heard while the pictures played";
    EXPECT_LE(sound.lastMs, stopMs + 150) << "the track went on after the stop";
}

} // namespace
} // namespace umbraxis
