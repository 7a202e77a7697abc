#include "platform/AppError.h"
#include "shell/CuePlayer.h"
#include "shell/ShellFixture.h"

using namespace umbraxis;

namespace {

class CuePlayerTest : public umbraxis::testing::ShellFixture {
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        player = media.createPlayer();
        cues = std::make_unique<CuePlayer>(*player, *files);
        media.setLength("sounds\\ric3.wav", 500);
        media.setLength("sounds\\guncock.wav", 800);
    }

    QString errorOf(const QString& cue)
    {
        try {
            cues->PlayCue(cue);
        } catch (const AppError& error) {
            return error.message();
        }
        return QString();
    }

    std::unique_ptr<MediaPlayer> player;
    std::unique_ptr<CuePlayer> cues;
};

TEST_F(CuePlayerTest, TheSameCueAfterItFinishedStartsOver)
{
    addSound("ric3.wav");
    cues->PlayCue("ric3.wav");
    media.advance(600);
    EXPECT_EQ(player->mode(), MediaMode::Stopped);
    media.clearLog();

    cues->PlayCue("ric3.wav");
    EXPECT_EQ(media.log(), QStringList{"play from 0"});
    EXPECT_EQ(player->mode(), MediaMode::Playing);
}

TEST_F(CuePlayerTest, TheSameCueWhilePlayingContinuesWhereItStopped)
{
    addSound("ric3.wav");
    cues->PlayCue("ric3.wav");
    media.advance(200);
    media.clearLog();

    cues->PlayCue("ric3.wav");
    EXPECT_EQ(media.log(), (QStringList{"stop at 200", "play from 200"}));
}

TEST_F(CuePlayerTest, ADifferentCueCutsOffTheFirstAndStartsFromItsBeginning)
{
    addSound("ric3.wav");
    addSound("guncock.wav");
    cues->PlayCue("ric3.wav");
    media.advance(100);
    media.clearLog();

    cues->PlayCue("guncock.wav");
    EXPECT_EQ(media.log(),
              (QStringList{"stop at 100", "close", "setFileName sounds\\guncock.wav", "open sounds\\guncock.wav",
                           "play from 0"}));
    EXPECT_EQ(player->fileName(), "sounds\\guncock.wav");
}

TEST_F(CuePlayerTest, AMissingCuePlaysThePreviousOneAgain)
{
    addSound("ric3.wav");
    cues->PlayCue("ric3.wav");
    media.advance(600);
    media.clearLog();

    cues->PlayCue("missing.wav");
    EXPECT_EQ(media.log(), QStringList{"play from 0"});
    EXPECT_EQ(player->fileName(), "sounds\\ric3.wav");
}

TEST_F(CuePlayerTest, NothingEverOpenedGivesNoDeviceOpen)
{
    EXPECT_EQ(errorOf("missing.wav"), "No MCI device open");
    EXPECT_EQ(player->fileName(), QString());
}

TEST_F(CuePlayerTest, AnUnopenableCueIsRememberedAndThenHasNoDevice)
{
    addSound("ric3.wav");
    addSound("bad.wav");
    media.failOpen("sounds\\bad.wav", "The file cannot be played: unrecognised format");
    cues->PlayCue("ric3.wav");

    EXPECT_EQ(errorOf("bad.wav"), "The file cannot be played: unrecognised format");
    EXPECT_EQ(player->fileName(), "sounds\\bad.wav");
    EXPECT_FALSE(player->isOpen());

    media.clearLog();
    EXPECT_EQ(errorOf("bad.wav"), "No MCI device open");
    EXPECT_FALSE(media.log().join('\n').contains("open sounds\\bad.wav"));

    // A different cue opens afresh.
    EXPECT_EQ(errorOf("ric3.wav"), QString());
    EXPECT_EQ(player->mode(), MediaMode::Playing);
}

TEST_F(CuePlayerTest, CueNamesAreComparedExactlyButFoundRegardlessOfCase)
{
    addSound("RIC3.WAV");
    cues->PlayCue("ric3.wav");
    EXPECT_EQ(player->fileName(), "sounds\\ric3.wav");
    media.advance(600);
    media.clearLog();
    // Another spelling is another file name: the player reopens.
    cues->PlayCue("Ric3.wav");
    EXPECT_TRUE(media.log().contains("open sounds\\Ric3.wav"));
}

} // namespace
