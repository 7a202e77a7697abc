// The recording player shares the real player's device rules; these tests
// pin those rules down on a clock the test controls, and the log format
// other tests rely on.

#include "fakes/RecordingMediaPlayer.h"

#include "platform/AppError.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace umbraxis {
namespace {

class RecordingMediaPlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_player = m_media.createPlayer();
        m_player->setOnNotify([this] { m_notifications.append(m_player->notifyResult()); });
    }

    void openFile(const QString& path)
    {
        m_player->setFileName(path);
        m_player->open();
    }

    QString error(const std::function<void()>& command)
    {
        try {
            command();
        } catch (const AppError& failure) {
            return failure.message();
        }
        return QStringLiteral("(no error)");
    }

    RecordingMediaFactory m_media;
    std::unique_ptr<MediaPlayer> m_player;
    QList<MediaNotify> m_notifications;
};

TEST_F(RecordingMediaPlayerTest, LogsEveryCommandAsALine)
{
    m_media.setLength(QStringLiteral("sounds\\ric3.wav"), 500);
    m_player->close();
    openFile(QStringLiteral("sounds\\ric3.wav"));
    m_player->setWait(false);
    m_player->play();
    m_media.advance(120);
    m_player->stop();
    m_player->setPosition(40);
    m_player->rewind();
    m_player->setNotify(true);
    m_player->play();
    m_player->setDisplayRect(QRect(0, 0, 640, 480));
    m_media.advance(500);
    EXPECT_EQ(m_media.log(),
              (QStringList{
                  QStringLiteral("close"),
                  QStringLiteral("setFileName sounds\\ric3.wav"),
                  QStringLiteral("open sounds\\ric3.wav"),
                  QStringLiteral("play from 0"),
                  QStringLiteral("stop at 120"),
                  QStringLiteral("setPosition 40"),
                  QStringLiteral("rewind"),
                  QStringLiteral("play from 0 notify"),
                  QStringLiteral("setDisplayRect 0,0 640x480"),
                  QStringLiteral("notify successful"),
              }));
}

TEST_F(RecordingMediaPlayerTest, CommandsWithoutADeviceFailAndAreLogged)
{
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"play", [this] { m_player->play(); }},
        {"stop", [this] { m_player->stop(); }},
        {"rewind", [this] { m_player->rewind(); }},
        {"setPosition", [this] { m_player->setPosition(5); }},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        EXPECT_EQ(error(command), QStringLiteral("No MCI device open"));
        EXPECT_EQ(m_media.log().last(), QString::fromLatin1(name) + QStringLiteral(" failed: No MCI device open"));
    }
    EXPECT_EQ(m_player->mode(), MediaMode::NotReady);
    EXPECT_NO_THROW(m_player->close());
}

TEST_F(RecordingMediaPlayerTest, PositionAndModeFollowTheClock)
{
    m_media.setLength(QStringLiteral("a.wav"), 300);
    openFile(QStringLiteral("a.wav"));
    EXPECT_EQ(m_player->length(), 300);
    EXPECT_EQ(m_player->mode(), MediaMode::Stopped);
    m_player->play();
    const struct {
        qint64 step;
        qint64 position;
        MediaMode mode;
    } rows[] = {
        {0, 0, MediaMode::Playing},   {100, 100, MediaMode::Playing}, {199, 299, MediaMode::Playing},
        {1, 300, MediaMode::Stopped}, {500, 300, MediaMode::Stopped},
    };
    for (const auto& row : rows) {
        m_media.advance(row.step);
        SCOPED_TRACE(m_media.now());
        EXPECT_EQ(m_player->position(), row.position);
        EXPECT_EQ(m_player->mode(), row.mode);
    }
}

TEST_F(RecordingMediaPlayerTest, StopKeepsThePositionAndPlayGoesOn)
{
    openFile(QStringLiteral("a.wav"));
    m_player->play();
    m_media.advance(250);
    m_player->stop();
    m_media.advance(400);
    EXPECT_EQ(m_player->position(), 250);
    m_player->play();
    EXPECT_EQ(m_media.log().last(), QStringLiteral("play from 250"));
    m_media.advance(100);
    EXPECT_EQ(m_player->position(), 350);
}

TEST_F(RecordingMediaPlayerTest, PlayAtTheEndRewindsFirst)
{
    m_media.setDefaultLength(200);
    openFile(QStringLiteral("a.wav"));
    m_player->play();
    m_media.advance(300);
    m_player->play();
    EXPECT_EQ(m_media.log().last(), QStringLiteral("play from 0"));
    EXPECT_EQ(m_player->mode(), MediaMode::Playing);

    // Also when the end was reached by moving the position there.
    m_player->setPosition(200);
    m_player->play();
    EXPECT_EQ(m_media.log().last(), QStringLiteral("play from 0"));
}

TEST_F(RecordingMediaPlayerTest, EndOfPlayNotifiesOnceAndOnlyWhenAsked)
{
    openFile(QStringLiteral("a.wav"));
    m_player->setNotify(true);
    m_player->play();
    m_media.advance(999);
    EXPECT_TRUE(m_notifications.isEmpty());
    m_media.advance(1);
    EXPECT_EQ(m_notifications, QList<MediaNotify>{MediaNotify::Successful});
    m_media.advance(1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_notifications.size(), 1);

    m_player->play(); // notify was for the previous command only
    m_media.advance(1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_notifications.size(), 1);
}

TEST_F(RecordingMediaPlayerTest, InterruptionsNotifyThroughTheEventLoop)
{
    const struct {
        const char* name;
        std::function<void(MediaPlayer&)> interrupt;
        QList<MediaNotify> expected;
    } rows[] = {
        {"stop", [](MediaPlayer& p) { p.stop(); }, {MediaNotify::Aborted}},
        {"seek", [](MediaPlayer& p) { p.setPosition(10); }, {MediaNotify::Aborted}},
        {"rewind", [](MediaPlayer& p) { p.rewind(); }, {MediaNotify::Aborted}},
        {"play", [](MediaPlayer& p) { p.play(); }, {MediaNotify::Aborted}},
        {"play with notify",
         [](MediaPlayer& p) {
             p.setNotify(true);
             p.play();
         },
         {MediaNotify::Superseded}},
        {"stop with notify",
         [](MediaPlayer& p) {
             p.setNotify(true);
             p.stop();
         },
         {MediaNotify::Aborted, MediaNotify::Successful}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        openFile(QStringLiteral("a.wav"));
        m_notifications.clear();
        m_player->setNotify(true);
        m_player->play();
        m_media.advance(100);
        row.interrupt(*m_player);
        EXPECT_TRUE(m_notifications.isEmpty()) << "notified from inside the command";
        QCoreApplication::processEvents();
        EXPECT_EQ(m_notifications, row.expected);
        m_player->close();
    }
}

TEST_F(RecordingMediaPlayerTest, CloseDropsNotificationsNotYetDelivered)
{
    openFile(QStringLiteral("a.wav"));
    m_player->setNotify(true);
    m_player->play();
    m_player->stop();
    m_player->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_notifications.isEmpty());
    EXPECT_EQ(m_player->mode(), MediaMode::NotReady);
    EXPECT_EQ(m_player->position(), 0);
    EXPECT_EQ(m_player->length(), 0);
}

TEST_F(RecordingMediaPlayerTest, AnEndPassedUnnoticedIsSettledByTheNextCommand)
{
    openFile(QStringLiteral("a.wav"));
    m_player->setNotify(true);
    m_player->play();
    // Another player's waiting play moves the shared clock past this one's
    // end without anyone telling it.
    auto other = m_media.createPlayer();
    m_media.setLength(QStringLiteral("b.wav"), 2000);
    other->setFileName(QStringLiteral("b.wav"));
    other->open();
    other->setWait(true);
    other->play();
    EXPECT_EQ(m_player->mode(), MediaMode::Stopped);
    EXPECT_EQ(m_player->position(), 1000);
    EXPECT_TRUE(m_notifications.isEmpty());

    m_player->play();
    EXPECT_EQ(m_media.log().last(), QStringLiteral("play from 0"));
    EXPECT_TRUE(m_notifications.isEmpty()) << "notified from inside play";
    QCoreApplication::processEvents();
    EXPECT_EQ(m_notifications, QList<MediaNotify>{MediaNotify::Successful});
}

TEST_F(RecordingMediaPlayerTest, FailedOpensCarryTheirTextAndLeaveNoDevice)
{
    m_media.failOpen(QStringLiteral("sounds\\bad.wav"),
                     QStringLiteral("The file cannot be played: unrecognised format"));
    m_media.failOpen(QStringLiteral("sounds\\mute.wav"), QString());
    m_media.failOpen(QStringLiteral("sounds\\gone.wav"));
    const struct {
        const char* path;
        const char* error;
    } rows[] = {
        {"sounds\\bad.wav", "The file cannot be played: unrecognised format"},
        {"sounds\\mute.wav", "Unknown error code"},
        {"sounds\\gone.wav", "The specified file cannot be found"},
        {"sounds\\song.mp3", "The file cannot be played: unsupported file type"},
        {"", "The specified file cannot be found"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        openFile(QStringLiteral("sounds\\ok.wav"));
        m_player->setFileName(QString::fromLatin1(row.path));
        EXPECT_EQ(error([this] { m_player->open(); }), QString::fromLatin1(row.error));
        EXPECT_EQ(m_media.log().last(),
                  QStringLiteral("open ") + QString::fromLatin1(row.path) + QStringLiteral(" failed: ")
                      + QString::fromLatin1(row.error));
        EXPECT_FALSE(m_player->isOpen());
        EXPECT_EQ(error([this] { m_player->play(); }), QStringLiteral("No MCI device open"));
    }
}

TEST_F(RecordingMediaPlayerTest, WaitingPlayEndsBeforeItReturns)
{
    m_media.setDefaultLength(700);
    openFile(QStringLiteral("a.wav"));
    m_player->setWait(true);
    m_player->setNotify(true);
    m_player->play();
    EXPECT_EQ(m_media.log().last(), QStringLiteral("play from 0 wait notify"));
    EXPECT_EQ(m_media.now(), 700);
    EXPECT_EQ(m_player->mode(), MediaMode::Stopped);
    EXPECT_EQ(m_player->position(), 700);
    EXPECT_TRUE(m_notifications.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_notifications, QList<MediaNotify>{MediaNotify::Successful});
}

TEST_F(RecordingMediaPlayerTest, LoopingFromTheNotificationRestartsFromTheStart)
{
    m_media.setDefaultLength(100);
    openFile(QStringLiteral("music.wav"));
    int restarts = 0;
    m_player->setOnNotify([&] {
        if (m_player->notifyResult() != MediaNotify::Successful)
            return;
        ++restarts;
        m_player->setNotify(true);
        m_player->play();
    });
    m_player->setNotify(true);
    m_player->play();
    for (int i = 0; i < 3; ++i)
        m_media.advance(100);
    EXPECT_EQ(restarts, 3);
    m_player->stop();
    QCoreApplication::processEvents();
    m_media.advance(1000);
    EXPECT_EQ(restarts, 3) << "a stopped loop stays stopped";
    EXPECT_EQ(m_media.log().count(QStringLiteral("play from 0 notify")), 4);
}

TEST_F(RecordingMediaPlayerTest, HandlerMayDestroyThePlayer)
{
    openFile(QStringLiteral("a.wav"));
    m_player->setOnNotify([this] { m_player.reset(); });
    m_player->setNotify(true);
    m_player->play();
    m_media.advance(1000);
    EXPECT_EQ(m_player, nullptr);
    EXPECT_TRUE(m_media.players().isEmpty());
}

TEST_F(RecordingMediaPlayerTest, PlayersShareTheLogAndTheClock)
{
    auto second = m_media.createPlayer();
    auto* cue = m_media.players().first();
    auto* music = m_media.lastPlayer();
    ASSERT_EQ(music, second.get());
    cue->setLabel(QStringLiteral("cue"));
    music->setLabel(QStringLiteral("music"));
    m_media.setLength(QStringLiteral("sounds\\military.wav"), 5000);
    openFile(QStringLiteral("sounds\\guncock.wav"));
    m_player->play();
    second->setFileName(QStringLiteral("sounds\\military.wav"));
    second->open();
    m_media.advance(80);
    m_player->stop();
    second->play();
    music->finish();
    EXPECT_EQ(second->mode(), MediaMode::Stopped);
    EXPECT_EQ(m_media.now(), 5080);
    EXPECT_EQ(m_media.log(),
              (QStringList{
                  QStringLiteral("cue: setFileName sounds\\guncock.wav"),
                  QStringLiteral("cue: open sounds\\guncock.wav"),
                  QStringLiteral("cue: play from 0"),
                  QStringLiteral("music: setFileName sounds\\military.wav"),
                  QStringLiteral("music: open sounds\\military.wav"),
                  QStringLiteral("cue: stop at 80"),
                  QStringLiteral("music: play from 0"),
              }));
}

} // namespace
} // namespace umbraxis
