#include "shell/Application.h"
#include "shell/ShellFixture.h"
#include "shell/TfMain.h"

#include <QSignalSpy>
#include <QTest>

using namespace umbraxis;

namespace {

const char* const kButtonNames[] = {"insta", "brief", "run", "web", "help", "about", "exit"};

QColor normalColour(int i)
{
    return QColor::fromHsv(i * 40, 200, 200);
}
QColor pressedColour(int i)
{
    return QColor::fromHsv(i * 40, 200, 90);
}

QRgb shownColour(const ImageButton* image)
{
    const QImage shown = image->shownPicture().toImage();
    return shown.isNull() ? 0 : shown.pixel(1, 1);
}

class TfMainTest : public umbraxis::testing::ShellFixture {
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        addSound("guncock.wav");
        pictures.add("images\\fmain.bmp", {640, 480}, Qt::darkGray);
        for (int i = 0; i < 7; ++i) {
            const QSize size = i == 6 ? QSize(83, 73) : QSize(134, 27);
            pictures.add(QStringLiteral("images\\fbf%1.bmp").arg(kButtonNames[i]), size, normalColour(i));
            pictures.add(QStringLiteral("images\\fbn%1.bmp").arg(kButtonNames[i]), size, pressedColour(i));
        }
        // No application-wide error box: every error must reach the box of
        // the services the screen was given.
        ASSERT_EQ(static_cast<Application*>(qApp)->errorBox(), nullptr);
    }

    // Creates and shows the main screen with every target recording its call
    // together with the media log at that moment.
    ScreenPtr<TfMain> showMain()
    {
        auto main = createScreen<TfMain>(services);
        TfMain::Targets targets;
        targets.install = [this] { record("install"); };
        targets.briefing = [this] { record("briefing"); };
        targets.run = [this] { record("run"); };
        targets.viewer = [this](const QString& document) { record("viewer " + document); };
        targets.about = [this] { record("about"); };
        main->setTargets(targets);
        main->show();
        return main;
    }

    void record(const QString& action)
    {
        actions << action;
        logAtAction = media.log();
    }

    QStringList actions;
    QStringList logAtAction;
};

TEST_F(TfMainTest, CreationChecksForAnotherCopyLoadsPicturesAndRecordsTheVersion)
{
    auto main = createScreen<TfMain>(services);
    EXPECT_EQ(instance.titles, QStringList{"Umbraxis"});
    QStringList expected{"images\\fmain.bmp"};
    for (const char* name : kButtonNames)
        expected << QStringLiteral("images\\fbf%1.bmp").arg(name) << QStringLiteral("images\\fbn%1.bmp").arg(name);
    EXPECT_EQ(pictures.requests, expected);
    EXPECT_EQ(main->shell().VersionText, "1.0");
    EXPECT_EQ(main->shell().KnownQuakeDir, QString());
    EXPECT_EQ(settings.log, QStringList{"write Main/Version=1.0"});
    EXPECT_FALSE(main->endProgram());
    EXPECT_TRUE(errors.messages.isEmpty());
    EXPECT_EQ(main->windowTitle(), "Umbraxis");
    EXPECT_EQ(main->size(), QSize(640, 480));
    EXPECT_TRUE(main->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(TfMainTest, AnotherCopyRunningEndsTheProgramBeforeAnythingElse)
{
    instance.anotherCopyRuns = true;
    auto main = createScreen<TfMain>(services);
    EXPECT_TRUE(main->endProgram());
    EXPECT_TRUE(pictures.requests.isEmpty());
    EXPECT_TRUE(settings.log.isEmpty());
    EXPECT_TRUE(media.log().isEmpty());
}

TEST_F(TfMainTest, ButtonsSitWhereTheMenuNeedsThemWithTheirHints)
{
    struct Row {
        QRect geometry;
        const char* hint;
    } rows[] = {
        {{212, 398, 134, 27}, "Display Levels"},    {{40, 398, 134, 27}, "Display Mission Briefing"},
        {{386, 398, 134, 27}, "Run Quake"},         {{40, 443, 134, 27}, "Display Web Sites & Quake Editors List"},
        {{212, 443, 134, 27}, "Help for Umbraxis"}, {{386, 443, 134, 27}, "About Umbraxis"},
        {{537, 398, 83, 73}, "Exit Umbraxis"},
    };
    auto main = createScreen<TfMain>(services);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(main->panel(i + 1)->geometry(), rows[i].geometry);
        EXPECT_EQ(main->image(i + 1)->geometry(), QRect(QPoint(0, 0), rows[i].geometry.size()));
        EXPECT_EQ(main->image(i + 1)->toolTip(), rows[i].hint);
        EXPECT_EQ(main->panel(i + 1)->objectName(), QStringLiteral("Panel%1").arg(i + 1));
    }
}

TEST_F(TfMainTest, ShowingPlaysTheCueAndGivesEveryButtonItsNormalPicture)
{
    auto main = showMain();
    EXPECT_EQ(media.log(),
              (QStringList{"close", "setFileName sounds\\guncock.wav", "open sounds\\guncock.wav", "play from 0"}));
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(shownColour(main->image(i + 1)), normalColour(i).rgb());
    }
    // The background is drawn at the top-left corner.
    const QImage drawn = main->grab().toImage();
    EXPECT_EQ(drawn.pixelColor(5, 5), QColor(Qt::darkGray));
}

TEST_F(TfMainTest, AnyMouseButtonPressesButOnlyALeftClickInsideActs)
{
    auto main = showMain();
    ImageButton* install = main->image(1);
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(int(button));
        QTest::mousePress(install, button, {}, QPoint(10, 10));
        EXPECT_EQ(shownColour(install), pressedColour(0).rgb());
        EXPECT_TRUE(install->isShowingPressed());
        // Released outside the picture: no action.
        QTest::mouseRelease(install, button, {}, QPoint(200, 10));
        EXPECT_EQ(shownColour(install), normalColour(0).rgb());
    }
    media.clearLog();
    QTest::mouseClick(install, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseClick(install, Qt::MiddleButton, {}, QPoint(10, 10));
    EXPECT_TRUE(actions.isEmpty());
    EXPECT_TRUE(media.log().isEmpty()) << "no cue for other buttons";
}

TEST_F(TfMainTest, ALeftClickPlaysTheCueBeforeItsActionWhileTheButtonLooksPressed)
{
    auto main = showMain();
    const char* expected[] = {"install", "briefing", "run", "viewer text\\websites.txt", "viewer help.rtf", "about"};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(expected[i]);
        actions.clear();
        media.advance(1000); // the previous cue has finished
        media.clearLog();
        bool pressedDuringAction = false;
        auto targets = TfMain::Targets{};
        const auto note = [&, i](const QString& what) {
            record(what);
            pressedDuringAction = main->image(i + 1)->isShowingPressed();
        };
        targets.install = [&] { note("install"); };
        targets.briefing = [&] { note("briefing"); };
        targets.run = [&] { note("run"); };
        targets.viewer = [&](const QString& document) { note("viewer " + document); };
        targets.about = [&] { note("about"); };
        main->setTargets(targets);

        QTest::mouseClick(main->image(i + 1), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(actions, QStringList{expected[i]});
        EXPECT_EQ(logAtAction, QStringList{"play from 0"}) << "the cue plays first";
        EXPECT_TRUE(pressedDuringAction);
        EXPECT_FALSE(main->image(i + 1)->isShowingPressed());
    }
}

TEST_F(TfMainTest, ExitPlaysTheCueAndClosesTheMainScreen)
{
    auto main = showMain();
    QSignalSpy closed(main.get(), &TfMain::closed);
    media.advance(1000);
    media.clearLog();
    QTest::mouseClick(main->image(7), Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(media.log(), QStringList{"play from 0"});
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(main->isVisible());
}

TEST_F(TfMainTest, AFailingCueStopsTheButtonsAction)
{
    QFile::remove(cd.path() + "/sounds/guncock.wav");
    auto main = showMain();
    // The show handler's cue failed: one error, the screen shown all the
    // same, the buttons without pictures.
    EXPECT_EQ(errors.messages, QStringList{"No MCI device open"});
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(shownColour(main->image(1)), 0u);

    QTest::mouseClick(main->image(1), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(main->image(7), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(actions.isEmpty());
    EXPECT_TRUE(main->isVisible()) << "Exit must not run either";
    EXPECT_EQ(errors.messages.size(), 3);
    // The press and release still show the pictures.
    EXPECT_EQ(shownColour(main->image(1)), normalColour(0).rgb());
}

TEST_F(TfMainTest, AMissingBackgroundStopsCreationWithOneError)
{
    pictures.pictures.remove("images\\fmain.bmp");
    auto main = showMain();
    EXPECT_EQ(errors.messages, QStringList{"Cannot open file images\\fmain.bmp"});
    EXPECT_EQ(pictures.requests, QStringList{"images\\fmain.bmp"});
    EXPECT_FALSE(settings.log.join('\n').contains("Version"));
    EXPECT_TRUE(main->isVisible());
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(shownColour(main->image(i)), 0u);
    EXPECT_EQ(main->grab().toImage().pixelColor(320, 200), QColor(Qt::black));
}

TEST_F(TfMainTest, EveryActivationAsksForTheSplashToBeRetired)
{
    auto main = showMain();
    int retired = 0;
    main->setRetireSplash([&retired] { ++retired; });
    main->FormActivate();
    main->FormActivate();
    EXPECT_EQ(retired, 2) << "every activation asks; the owner retires the splash once";
}

} // namespace

namespace {

TEST_F(TfMainTest, DraggingTheBareBackgroundMovesTheScreenButNotFromAButton)
{
    auto main = showMain();
    main->move(100, 100);
    QTest::mousePress(main.get(), Qt::LeftButton, {}, QPoint(300, 20));
    QMouseEvent move(QEvent::MouseMove, QPointF(340, 50), main->mapToGlobal(QPointF(340, 50)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main.get(), &move);
    QTest::mouseRelease(main.get(), Qt::LeftButton, {}, QPoint(340, 50));
    EXPECT_EQ(main->pos(), QPoint(140, 130));

    // A press on a button is the button's, not a drag.
    QTest::mousePress(main->image(1), Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent overButton(QEvent::MouseMove, QPointF(60, 20), main->image(1)->mapToGlobal(QPointF(60, 20)),
                           Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(main->image(1), &overButton);
    QTest::mouseRelease(main->image(1), Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(main->pos(), QPoint(140, 130));
}

} // namespace

namespace {

TEST_F(TfMainTest, AStoreThatCannotBeWrittenIsReportedAndStartUpGoesOn)
{
    settings.failCreate = true;
    auto main = showMain();
    EXPECT_EQ(errors.messages, QStringList{"Failed to create key Main"});
    EXPECT_EQ(main->shell().VersionText, "1.0");
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(shownColour(main->image(1)), normalColour(0).rgb());
}

} // namespace
