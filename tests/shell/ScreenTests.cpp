#include "platform/AppError.h"
#include "shell/Application.h"
#include "shell/Screen.h"
#include "shell/Shell.h"
#include "shell/ShellFixture.h"
#include "shell/StatusProgress.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace umbraxis;

namespace {

// A screen that records its handlers and can be told to fail in one.
class ProbeScreen : public Screen {
public:
    ProbeScreen(const Services& services, Shell* shell, QStringList& log)
        : Screen(services, shell, QSize(200, 100))
        , m_log(log)
    {
        createButtons({
            {1, {10, 10, 40, 20}, "First", "one", [this] { m_log << "click 1"; }},
            {2, {60, 10, 27, 27}, nullptr, nullptr, [this] { m_log << "click 2"; }, true},
        });
    }

    void FormCreate() override { step("create"); }
    void FormShow() override { step("show"); }
    void FormActivate() override { step("activate"); }
    void FormHide() override { step("hide"); }
    void FormDestroy() override { step("destroy"); }

    void loadPictures()
    {
        loadNormalPicture(1);
        loadPressedPicture(1);
    }
    void place() { PlaceOverMain(); }
    void useBackground(const QImage& picture) { setBackground(picture); }

    QString failIn;
    std::function<void()> onShow;

private:
    void step(const QString& name)
    {
        m_log << name;
        if (name == "show" && onShow)
            onShow();
        if (name == failIn)
            throw AppError("failed in " + name);
    }

    QStringList& m_log;
};

class ScreenTest : public umbraxis::testing::ShellFixture {
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        player = media.createPlayer();
        shell = std::make_unique<Shell>(*player, *files);
        shell->setMainPosition([this] { return mainAt; });
    }

    std::unique_ptr<MediaPlayer> player;
    std::unique_ptr<Shell> shell;
    QPoint mainAt{120, 80};
    QStringList log;
};

TEST_F(ScreenTest, HandlersRunUnderTheGuardAndTheScreenCarriesOn)
{
    for (const char* failing : {"", "create", "show", "hide", "destroy"}) {
        SCOPED_TRACE(failing);
        log.clear();
        errors.messages.clear();
        {
            ScreenPtr<ProbeScreen> screen(new ProbeScreen(services, shell.get(), log));
            screen->failIn = failing;
            screen->guard([&] { screen->FormCreate(); });
            screen->show();
            screen->hide();
        }
        EXPECT_EQ(log, (QStringList{"create", "show", "hide", "destroy"}));
        if (*failing)
            EXPECT_EQ(errors.messages, QStringList{QStringLiteral("failed in %1").arg(failing)});
        else
            EXPECT_TRUE(errors.messages.isEmpty());
    }
}

TEST_F(ScreenTest, CreateScreenRunsTheCreationHandlerOnce)
{
    auto screen = createScreen<ProbeScreen>(services, shell.get(), log);
    EXPECT_EQ(log, QStringList{"create"});
    EXPECT_TRUE(screen->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(screen->size(), QSize(200, 100));
    screen.reset();
    EXPECT_EQ(log, (QStringList{"create", "destroy"}));
}

namespace {

QImage palettised(QColor colour)
{
    QImage picture(200, 100, QImage::Format_Indexed8);
    picture.setColorTable({colour.rgb()});
    picture.fill(0);
    return picture;
}

} // namespace

TEST_F(ScreenTest, OnlyAScreenOnViewHoldsADrawableBackground)
{
    auto screen = createScreen<ProbeScreen>(services, shell.get(), log);
    screen->useBackground(palettised(Qt::darkCyan));
    EXPECT_EQ(screen->background().format(), QImage::Format_Indexed8) << "kept as the file holds it";
    EXPECT_FALSE(screen->holdsDrawnBackground());

    screen->show();
    EXPECT_EQ(screen->grab().toImage().pixelColor(150, 80), QColor(Qt::darkCyan));
    EXPECT_TRUE(screen->holdsDrawnBackground());
    screen->hide();
    EXPECT_FALSE(screen->holdsDrawnBackground());

    // A background replaced while hidden or on view is the one drawn next.
    screen->useBackground(palettised(Qt::darkMagenta));
    screen->show();
    EXPECT_EQ(screen->grab().toImage().pixelColor(150, 80), QColor(Qt::darkMagenta));
    screen->useBackground(palettised(Qt::darkYellow));
    EXPECT_EQ(screen->grab().toImage().pixelColor(150, 80), QColor(Qt::darkYellow));
}

TEST_F(ScreenTest, ButtonsComeFromTheTableWithPanelsHintsAndPictures)
{
    pictures.add("images\\fbfone.bmp", {40, 20}, Qt::green);
    pictures.add("images\\fbnone.bmp", {40, 20}, Qt::darkGreen);
    auto screen = createScreen<ProbeScreen>(services, shell.get(), log);
    ASSERT_NE(screen->panel(1), nullptr);
    EXPECT_EQ(screen->panel(1)->objectName(), "Panel1");
    EXPECT_EQ(screen->panel(1)->geometry(), QRect(10, 10, 40, 20));
    EXPECT_EQ(screen->image(1)->objectName(), "Image1");
    EXPECT_EQ(screen->image(1)->geometry(), QRect(0, 0, 40, 20));
    EXPECT_EQ(screen->image(1)->toolTip(), "First");
    // A bare button sits on the screen itself.
    EXPECT_EQ(screen->panel(2), nullptr);
    EXPECT_EQ(screen->image(2)->parentWidget(), screen.get());
    EXPECT_EQ(screen->image(2)->geometry(), QRect(60, 10, 27, 27));

    screen->loadPictures();
    EXPECT_EQ(pictures.requests, (QStringList{"images\\fbfone.bmp", "images\\fbnone.bmp"}));
    screen->show();
    QTest::mouseClick(screen->image(1), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(log.last(), "click 1");
    EXPECT_EQ(screen->image(1)->shownPicture().toImage().pixelColor(1, 1), QColor(Qt::green));
}

TEST_F(ScreenTest, ShowModalRunsUntilCloseAndReturnsToTheOpener)
{
    auto opener = createScreen<ProbeScreen>(services, shell.get(), log);
    opener->show();
    QApplication::setActiveWindow(opener.get());
    auto screen = createScreen<ProbeScreen>(services, shell.get(), log);
    screen->onShow = [&] { screen->place(); };
    log.clear();

    bool modalWhileShown = false;
    QTimer::singleShot(0, screen.get(), [&] {
        modalWhileShown = screen->isVisible() && screen->isModal() && screen->isShownModal();
        log << "inside";
        screen->Close();
        log << "closed";
    });
    screen->ShowModal();
    log << "returned";
    EXPECT_TRUE(modalWhileShown);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(screen->pos(), mainAt);
    // The close takes effect once the handler that asked for it returns.
    log.removeAll("activate");
    EXPECT_EQ(log, (QStringList{"show", "inside", "closed", "hide", "returned"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == opener.get(); }, 1000));
}

TEST_F(ScreenTest, ScreensStandOverTheScreenBeneathAsItsChildOrInsideTheMenusWindow)
{
    // Where the program places its windows, a screen is a window of its own,
    // the child of the one beneath; where the window system places them, it
    // is shown inside the menu's window, over whatever stands there.
    for (const bool systemPlaces : {false, true}) {
        SCOPED_TRACE(systemPlaces);
        desktop.placesWindows = systemPlaces;
        auto menu = createScreen<ProbeScreen>(services, shell.get(), log);
        shell->setMainWindow(menu.get());
        menu->show();
        auto first = createScreen<ProbeScreen>(services, shell.get(), log);
        auto second = createScreen<ProbeScreen>(services, shell.get(), log);
        first->onShow = [&] { first->place(); };
        second->onShow = [&] { second->place(); };
        int pressesOnMenu = 0;
        struct Counter : QObject {
            int* count;
            bool eventFilter(QObject*, QEvent* event) override
            {
                *count += event->type() == QEvent::MouseButtonPress;
                return false;
            }
        } counter;
        counter.count = &pressesOnMenu;
        menu->installEventFilter(&counter);

        bool checked = false;
        QTimer::singleShot(0, first.get(), [&] {
            QTimer::singleShot(0, second.get(), [&] {
                if (systemPlaces) {
                    EXPECT_EQ(second->parentWidget(), menu.get());
                    EXPECT_EQ(second->pos(), QPoint(0, 0));
                    QTest::mouseClick(second.get(), Qt::LeftButton, {}, QPoint(150, 80));
                    EXPECT_EQ(pressesOnMenu, 0) << "a click on the screen reached the menu";
                } else {
                    EXPECT_TRUE(second->isWindow());
                    EXPECT_EQ(second->pos(), mainAt);
                    ASSERT_TRUE(second->windowHandle() && first->windowHandle());
                    EXPECT_EQ(second->windowHandle()->transientParent(), first->windowHandle());
                }
                checked = true;
                second->Close();
            });
            second->ShowModal();
            if (systemPlaces)
                EXPECT_TRUE(first->isAncestorOf(QApplication::focusWidget())
                            || QApplication::focusWidget() == first.get());
            first->Close();
        });
        first->ShowModal();
        EXPECT_TRUE(checked);
        EXPECT_FALSE(first->isVisible());
        EXPECT_FALSE(second->isVisible());
        shell->setMainWindow(nullptr);
    }
}

TEST_F(ScreenTest, CloseDuringTheShowHandlerEndsTheShowingAtOnce)
{
    auto screen = createScreen<ProbeScreen>(services, shell.get(), log);
    screen->onShow = [&] { screen->Close(); };
    screen->ShowModal();
    EXPECT_FALSE(screen->isVisible());
    EXPECT_FALSE(screen->isShownModal());
}

TEST_F(ScreenTest, ButtonErrorsReachTheServicesErrorBoxWithoutAnApplicationBox)
{
    ASSERT_EQ(static_cast<Application*>(qApp)->errorBox(), nullptr);
    auto screen = createScreen<ProbeScreen>(services, shell.get(), log);
    screen->image(1)->onClick = [] { throw AppError("Cannot open file sounds\\x.wav"); };
    screen->show();
    QTest::mouseClick(screen->image(1), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(errors.messages, QStringList{"Cannot open file sounds\\x.wav"});
    EXPECT_FALSE(screen->image(1)->isShowingPressed());
}

TEST_F(ScreenTest, ADoubleClickRunsTheActionOnce)
{
    auto screen = createScreen<ProbeScreen>(services, shell.get(), log);
    screen->show();
    log.clear();
    ImageButton* button = screen->image(1);
    const auto send = [button](QEvent::Type type) {
        QMouseEvent event(type, QPointF(3, 3), button->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &event);
    };
    // Window systems deliver the second press of a double click either as a
    // press followed by a double click, or as the double click alone.
    const QList<QList<QEvent::Type>> sequences = {
        {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress, QEvent::MouseButtonDblClick,
         QEvent::MouseButtonRelease},
        {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease},
    };
    for (const auto& sequence : sequences) {
        SCOPED_TRACE(sequence.size());
        log.clear();
        bool pressedAtSecond = false;
        for (QEvent::Type type : sequence) {
            send(type);
            if (type == QEvent::MouseButtonDblClick)
                pressedAtSecond = button->isShowingPressed();
        }
        EXPECT_EQ(log, QStringList{"click 1"});
        EXPECT_TRUE(pressedAtSecond);
        EXPECT_FALSE(button->isShowingPressed());
    }
    log = QStringList{"click 1"};
    // The next single click acts again.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(log, (QStringList{"click 1", "click 1"}));
}

TEST_F(ScreenTest, SplitPictureButtonsCopyTheRightHalfOnPressAndTheLeftOnRelease)
{
    QImage arrow(54, 27, QImage::Format_RGB32);
    arrow.fill(Qt::blue);
    for (int y = 0; y < 27; ++y)
        for (int x = 27; x < 54; ++x)
            arrow.setPixelColor(x, y, Qt::yellow);
    auto screen = createScreen<ProbeScreen>(services, shell.get(), log);
    ImageButton* button = screen->image(2);
    button->setSplitPicture(QPixmap::fromImage(arrow));
    screen->show();
    auto shownAt = [button](int x) { return button->shownPicture().toImage().pixelColor(x, 5); };
    EXPECT_EQ(shownAt(3), QColor(Qt::blue));
    for (Qt::MouseButton mouse : {Qt::LeftButton, Qt::RightButton}) {
        SCOPED_TRACE(int(mouse));
        QTest::mousePress(button, mouse, {}, QPoint(3, 3));
        EXPECT_EQ(shownAt(3), QColor(Qt::yellow));
        EXPECT_EQ(shownAt(30), QColor(Qt::yellow)) << "the right half of the copy is untouched";
        QTest::mouseRelease(button, mouse, {}, QPoint(3, 3));
        EXPECT_EQ(shownAt(3), QColor(Qt::blue));
    }
    // Giving the picture again undoes a pressed look left behind.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(3, 3));
    button->setSplitPicture(QPixmap::fromImage(arrow));
    EXPECT_EQ(shownAt(3), QColor(Qt::blue));
    // The control shows the left part of its picture, unscaled.
    EXPECT_EQ(button->grab().toImage().pixelColor(20, 5), QColor(Qt::blue));
}

TEST_F(ScreenTest, ProgressStepsCycleByTensAndTextsShowAtOnce)
{
    QWidget screen;
    screen.resize(300, 100);
    StatusProgress progress(&screen, {10, 10, 201, 17}, {10, 40, 257, 15});
    EXPECT_EQ(progress.status(), "Ready");
    EXPECT_EQ(progress.lStatus()->geometry(), QRect(10, 10, 201, 17));
    EXPECT_EQ(progress.ProgressBar1()->geometry(), QRect(10, 40, 257, 15));
    QList<int> positions;
    progress.setPosition(70);
    for (int i = 0; i < 5; ++i) {
        progress.ProgressStep();
        positions << progress.position();
    }
    EXPECT_EQ(positions, (QList<int>{80, 90, 0, 10, 20}));
    const int before = progress.paints();
    progress.setStatus("Searching for Quake");
    progress.setPosition(0);
    EXPECT_EQ(progress.paints(), before + 2) << "a text or a position is painted before the call returns";
    EXPECT_EQ(progress.lStatus()->text(), "Searching for Quake");
    // A title that looks like markup is shown as written.
    EXPECT_EQ(progress.lStatus()->textFormat(), Qt::PlainText);
}

TEST_F(ScreenTest, ManyStepsArePaintedAtMostOnceAFrame)
{
    QWidget screen;
    StatusProgress progress(&screen, {0, 0, 100, 17}, {0, 20, 100, 15});
    progress.setPosition(0);
    const int before = progress.paints();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 20000; ++i)
        progress.ProgressStep();
    const qint64 took = clock.elapsed();
    EXPECT_LE(progress.paints() - before, took / 16 + 1);
    EXPECT_EQ(progress.position(), 0);
}

} // namespace

namespace {

TEST(ScreenFonts, TheNamedFontsResolveToMetricCompatibleOnes)
{
    const struct {
        const char* named;
        const char* resolved;
    } rows[] = {{"MS Sans Serif", "Liberation Sans"}, {"Arial", "Liberation Sans"}, {"Courier New", "Liberation Mono"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.named);
        QFont font(QString::fromLatin1(row.named));
        font.setPixelSize(13);
        EXPECT_EQ(QFontInfo(font).family(), QString::fromLatin1(row.resolved));
    }
}

} // namespace
