#include "screens/ScreenFixture.h"

#include "screens/PictureLabel.h"
#include "screens/TfAbout.h"
#include "screens/TfBrief.h"
#include "screens/TfLogo.h"
#include "screens/TfSplash.h"
#include "screens/Tips.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace umbraxis;

namespace {

// Delete as X11 delivers it: with the text of the DEL control character.
void pressDelete(QWidget& widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    QApplication::sendEvent(&widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    QApplication::sendEvent(&widget, &release);
}

class PresentationTest : public umbraxis::testing::ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        addSound("military.wav");
        write("text/dethmath.txt", "First line\r\nSecond line\r\nThird\r\n");
        QByteArray tips;
        for (int i = 0; i < 12; ++i)
            tips += "Tip number " + QByteArray::number(i) + " tells you something useful about the game.\r\n";
        write("text/tips.txt", tips);
        media.setLength("sounds\\military.wav", 6000);
        media.setLength("logo.avi", 4000);
        write("logo.avi", "RIFF");
        pictures.add("images\\fbrief.bmp", {640, 480}, Qt::darkRed);
        pictures.add("logo.bmp", {320, 240}, Qt::gray);
        shell->VersionText = "1.0";
        // The main screen's cue player has a cue open, as after a click.
        shell->PlayCue("guncock.wav");
        media.clearLog();
    }

    ScreenPtr<TfBrief> showBriefing()
    {
        auto brief = createScreen<TfBrief>(services, *shell);
        brief->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(brief.get()));
        return brief;
    }

    TipRandom random{7};
};

TEST_F(PresentationTest, TheBriefingDrawsItsFirstFrameBeforeShowingAndStartsItsMusic)
{
    auto brief = showBriefing();
    EXPECT_EQ(brief->PaintBox1->geometry(), QRect(55, 268, 402, 173));
    EXPECT_EQ(brief->LineHeight(), 21);
    EXPECT_EQ(brief->scroll().scrollOffset, 1);
    EXPECT_EQ(brief->scroll().lines.size(), 7 + 3);
    EXPECT_TRUE(brief->Timer1.isActive());
    EXPECT_EQ(brief->Timer1.interval(), 100);
    EXPECT_EQ(brief->pos(), mainPosition);
    // The cue player is stopped before the music starts.
    const QStringList log = media.log();
    EXPECT_EQ(log,
              (QStringList{"setFileName sounds\\military.wav", "open sounds\\military.wav", "stop at 0",
                           "play from 0 notify"}));
    // The text is red over the picture behind the window.
    const QImage frame = brief->FrameBitmap().toImage();
    EXPECT_EQ(frame.pixelColor(300, 5), QColor(Qt::darkRed));
    bool red = false;
    for (int y = 146; y < 167 && !red; ++y)
        for (int x = 0; x < 60 && !red; ++x)
            red = frame.pixelColor(x, y).red() > 200 && frame.pixelColor(x, y).green() < 60;
    EXPECT_TRUE(red) << "the first line is drawn at y = 146";
}

TEST_F(PresentationTest, TheBriefingClosesOnALeftClickOrACharacterKeyOnly)
{
    const struct {
        const char* what;
        std::function<void(TfBrief&)> act;
        bool closes;
    } rows[] = {
        {"left click on the picture", [](TfBrief& b) { QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(600, 40)); },
         true},
        {"left click in the text window",
         [](TfBrief& b) { QTest::mouseClick(b.PaintBox1, Qt::LeftButton, {}, QPoint(20, 20)); }, true},
        {"a character key", [](TfBrief& b) { QTest::keyClick(&b, Qt::Key_A); }, true},
        {"right click", [](TfBrief& b) { QTest::mouseClick(&b, Qt::RightButton, {}, QPoint(600, 40)); }, false},
        {"right click in the text window",
         [](TfBrief& b) { QTest::mouseClick(b.PaintBox1, Qt::RightButton, {}, QPoint(20, 20)); }, false},
        {"an arrow key", [](TfBrief& b) { QTest::keyClick(&b, Qt::Key_Down); }, false},
        {"a function key", [](TfBrief& b) { QTest::keyClick(&b, Qt::Key_F5); }, false},
        {"Delete, which types no character", [](TfBrief& b) { pressDelete(b); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        auto brief = showBriefing();
        row.act(*brief);
        EXPECT_EQ(brief->isVisible(), !row.closes);
        if (row.closes) {
            EXPECT_FALSE(brief->Timer1.isActive());
            EXPECT_FALSE(brief->MediaPlayer1->isOpen()) << "the music is stopped and closed";
        }
    }
}

TEST_F(PresentationTest, TheMusicStartsAgainOnlyAfterAPlayRanToItsEnd)
{
    auto brief = showBriefing();
    media.clearLog();
    media.advance(6000);
    QCoreApplication::processEvents();
    EXPECT_EQ(media.log(), (QStringList{"notify successful", "play from 0 notify"})) << "it loops";
    // A play that is stopped while the screen shows is not started again.
    media.clearLog();
    media.advance(100);
    brief->MediaPlayer1->stop();
    QCoreApplication::processEvents();
    EXPECT_TRUE(media.log().contains("notify aborted")) << media.log().join(", ").toStdString();
    EXPECT_FALSE(media.log().contains("play from 100 notify")) << media.log().join(", ").toStdString();
    media.clearLog();
    brief->hide();
    QCoreApplication::processEvents();
    EXPECT_FALSE(media.log().contains("play from 0 notify")) << "the stop at hiding does not restart it";
}

TEST_F(PresentationTest, ReopeningTheBriefingStartsFromTheTopWithTheMusicFromItsStart)
{
    auto brief = showBriefing();
    for (int i = 0; i < 30; ++i)
        brief->Timer1Timer();
    EXPECT_EQ(brief->scroll().scrollOffset, 31);
    brief->hide();
    media.clearLog();
    brief->show();
    EXPECT_EQ(brief->scroll().scrollOffset, 1);
    EXPECT_TRUE(media.log().contains("play from 0 notify"));
}

TEST_F(PresentationTest, TheBriefingClosesByItselfAfterItsLastLine)
{
    write("text/dethmath.txt", "");
    auto brief = showBriefing();
    int ticks = 1;
    while (brief->isVisible() && ticks < 1000) {
        brief->Timer1Timer();
        ++ticks;
    }
    EXPECT_EQ(ticks, 147) << "an empty text runs seven empty lines";
}

TEST_F(PresentationTest, TheBriefingWithoutItsPictureScrollsOverBlackAndClosesAsUsual)
{
    pictures.pictures.remove("images\\fbrief.bmp");
    auto brief = createScreen<TfBrief>(services, *shell);
    EXPECT_EQ(errors.messages, QStringList{"Cannot open file images\\fbrief.bmp"});
    brief->show();
    EXPECT_TRUE(brief->isVisible());
    EXPECT_EQ(errors.messages.size(), 1) << "the showing itself goes well";
    EXPECT_FALSE(media.log().filter("play").isEmpty()) << "the music plays";
    EXPECT_EQ(brief->FrameBitmap().toImage().pixelColor(300, 5), QColor(Qt::black));
    for (int i = 0; i < 50; ++i)
        brief->Timer1Timer();
    EXPECT_EQ(brief->scroll().scrollOffset, 51);
    QTest::keyClick(brief.get(), Qt::Key_Space);
    EXPECT_FALSE(brief->isVisible());
}

TEST_F(PresentationTest, AMissingBriefingTextLeavesThePictureWaitingForAClick)
{
    QFile::remove(cd.path() + "/text/dethmath.txt");
    auto brief = showBriefing();
    EXPECT_EQ(errors.messages, QStringList{"Cannot open file text\\dethmath.txt"});
    EXPECT_FALSE(brief->Timer1.isActive());
    EXPECT_TRUE(media.log().filter("play").isEmpty()) << "no music";
    // The text window shows the picture behind it, not a black box.
    const QImage picture = brief->background();
    const QImage frame = brief->FrameBitmap().toImage();
    for (const QPoint at : {QPoint(0, 0), QPoint(200, 80), QPoint(401, 172)})
        EXPECT_EQ(frame.pixelColor(at), picture.pixelColor(at + TfBrief::TextWindow.topLeft()));
    QTest::mouseClick(brief.get(), Qt::LeftButton, {}, QPoint(600, 40));
    EXPECT_FALSE(brief->isVisible());
}

TEST_F(PresentationTest, TheAboutScreenShowsItsVersionCreditsContactsAndATip)
{
    auto about = createScreen<TfAbout>(services, *shell, random);
    EXPECT_EQ(about->lVersion->text(), "version 1.0");
    EXPECT_EQ(about->lVersion->pos(), QPoint(36, 83));
    about->show();
    EXPECT_TRUE(about->lTip->text().startsWith("Tip number ")) << about->lTip->text().toStdString();
    EXPECT_EQ(about->lInfo->text().count("\r\n"), 9);
    EXPECT_EQ(about->lCredits->text().count("\r\n"), 16);
    EXPECT_EQ(about->lCredits->geometry(), QRect(48, 104, 265, 281));
    EXPECT_EQ(about->lInfo->geometry(), QRect(336, 12, 273, 173));
    EXPECT_EQ(about->lTip->geometry(), QRect(344, 211, 262, 158));
    EXPECT_EQ(about->lTip->toolTip(), "Click For Another Tip");
    EXPECT_TRUE(about->image(1)->toolTip().isEmpty()) << "the buttons show no hint";
    EXPECT_TRUE(about->image(2)->toolTip().isEmpty());
    EXPECT_EQ(about->pos(), mainPosition);
    // Showing again rebuilds the texts; nothing accumulates.
    const QString credits = about->lCredits->text();
    about->hide();
    about->show();
    EXPECT_EQ(about->lCredits->text(), credits);
    EXPECT_EQ(about->lVersion->text(), "version 1.0");
}

TEST_F(PresentationTest, AClickOnTheTipDrawsTheNextNumberWithoutReseeding)
{
    auto about = createScreen<TfAbout>(services, *shell, random);
    about->show();
    // What the running sequence gives next, from a copy of the generator.
    TipRandom copy = random;
    const QString expected = PickTip(*files, copy);
    QTest::mouseClick(about->lTip, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(about->lTip->text(), expected);
    // The screen's generator went on from where it was: no new seed.
    EXPECT_EQ(random.next(), copy.next());
}

TEST_F(PresentationTest, AMissingTipsFileStopsTheAboutShowingAtItsTip)
{
    QFile::remove(cd.path() + "/text/tips.txt");
    auto about = createScreen<TfAbout>(services, *shell, random);
    about->show();
    EXPECT_EQ(errors.messages, QStringList{"File not found"});
    EXPECT_EQ(about->lTip->text(), "lTip");
    EXPECT_EQ(about->lInfo->text(), "lInfo");
    EXPECT_EQ(about->lCredits->text(), "lCredits");
    EXPECT_TRUE(about->isVisible());
}

TEST_F(PresentationTest, TheAboutButtonsOpenHelpAndGoBack)
{
    auto about = createScreen<TfAbout>(services, *shell, random);
    about->show();
    QTest::mouseClick(about->image(1), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(documentsShown, QStringList{"help.rtf"});
    QTest::mouseClick(about->image(2), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(cues(), (QStringList{"guncock.wav", "guncock.wav"}));
}

TEST_F(PresentationTest, TheSplashSetsTheWaitCursorUntilItIsHidden)
{
    auto splash = createScreen<TfSplash>(services, random);
    EXPECT_EQ(splash->size(), QSize(420, 160));
    EXPECT_TRUE(splash->windowFlags() & Qt::WindowStaysOnTopHint);
    splash->show();
    EXPECT_TRUE(desktop.waitCursor);
    EXPECT_TRUE(splash->lTip->text().startsWith("Tip number "));
    EXPECT_EQ(splash->lTip->geometry(), QRect(232, 24, 185, 129));
    splash->hide();
    EXPECT_FALSE(desktop.waitCursor);
    EXPECT_EQ(desktop.changes, (QList<bool>{true, false}));
}

TEST_F(PresentationTest, TheSplashShowsAllTheSameWhenTheTipsCannotBeRead)
{
    QFile::remove(cd.path() + "/text/tips.txt");
    auto splash = createScreen<TfSplash>(services, random);
    splash->show();
    EXPECT_EQ(errors.messages, QStringList{"File not found"});
    EXPECT_TRUE(desktop.waitCursor) << "the hourglass came first";
    EXPECT_EQ(splash->lTip->text(), "lTip");
    EXPECT_TRUE(splash->isVisible());
}

TEST_F(PresentationTest, TheIntroEndsOnAClickOrACharacterKeyButNotAnArrow)
{
    const struct {
        const char* what;
        std::function<void(TfLogo&)> act;
        bool ends;
    } rows[] = {
        {"click", [](TfLogo& l) { QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(300, 200)); }, true},
        {"space", [](TfLogo& l) { QTest::keyClick(&l, Qt::Key_Space); }, true},
        {"escape", [](TfLogo& l) { QTest::keyClick(&l, Qt::Key_Escape); }, true},
        {"arrow", [](TfLogo& l) { QTest::keyClick(&l, Qt::Key_Left); }, false},
        {"Delete", [](TfLogo& l) { pressDelete(l); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        auto logo = createScreen<TfLogo>(services);
        media.clearLog();
        bool acted = false;
        qint64 endedAt = -1;
        QTimer::singleShot(50, logo.get(), [&] {
            row.act(*logo);
            acted = true;
            // Time moves on, so that an intro that was not cut short ends.
            QTimer::singleShot(20, logo.get(), [&] { media.advance(4000); });
        });
        logo->ShowAndPlay();
        endedAt = media.now();
        EXPECT_TRUE(acted);
        if (row.ends) {
            EXPECT_LT(endedAt, 4000) << "cut short";
            EXPECT_TRUE(media.log().filter("stop at").size() > 0);
        } else {
            EXPECT_GE(endedAt, 4000) << "played to its end";
        }
        EXPECT_TRUE(media.log().contains("close"));
    }
}

TEST_F(PresentationTest, AKeyPressedBeforeTheIntroPlaysStillCutsItShort)
{
    auto logo = createScreen<TfLogo>(services);
    media.clearLog();
    // A user who presses a key as soon as the window appears, before its
    // activation has started the video.
    QTest::keyClick(logo.get(), Qt::Key_Space);
    QTimer::singleShot(300, logo.get(), [&] { media.advance(4000); });
    logo->ShowAndPlay();
    EXPECT_LT(media.now(), 4000) << "cut short";
    EXPECT_TRUE(media.log().filter("play").size() > 0);
    EXPECT_TRUE(media.log().filter("stop at").size() > 0);
    EXPECT_TRUE(media.log().contains("close"));
}

TEST_F(PresentationTest, AMissingIntroGivesTwoErrorsAndStartUpGoesOn)
{
    media.failOpen("logo.avi", "The specified file cannot be found");
    auto logo = createScreen<TfLogo>(services);
    logo->ShowAndPlay();
    EXPECT_EQ(errors.messages, (QStringList{"The specified file cannot be found", "No MCI device open"}));
    EXPECT_TRUE(logo->played());
}

TEST_F(PresentationTest, PictureLabelsWrapBreakAndTreatAmpersandsAsMarks)
{
    PictureLabel label;
    label.resize(120, 60);
    label.setFont(QFont("Liberation Sans", 10));
    const auto width = [&](const QString& text) {
        label.setText(text);
        const QImage drawn = label.grab().toImage();
        int right = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                if (qAlpha(drawn.pixel(x, y)) > 0)
                    right = std::max(right, x);
        return right;
    };
    // "A&&B" shows three characters, "A&B" two.
    EXPECT_GT(width("A&&B"), width("A&B"));
    label.setText("a long tip that goes on past the right edge of the label, and on");
    const QImage wrapped = label.grab().toImage();
    int lastRow = 0;
    for (int y = 0; y < wrapped.height(); ++y)
        for (int x = 0; x < wrapped.width(); ++x)
            if (qAlpha(wrapped.pixel(x, y)) > 0)
                lastRow = y;
    EXPECT_GT(lastRow, 20) << "the text went on to further lines";
}

} // namespace
