// Start, the hub and the end of the real program under every window system
// users run it on.

#include "desktop/DesktopWorld.h"

#include <QSet>

using namespace umbraxis::testing;

namespace {

const QString Menu = QStringLiteral("Umbraxis");
const QString Splash = QStringLiteral("Umbraxis - loading");
const QString Intro = QStringLiteral("Umbraxis - intro");
constexpr QPoint ExitButton(578, 434);
constexpr QPoint ReturnButton(418, 418);

int colourCount(const QImage& picture)
{
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 4)
        for (int x = 0; x < picture.width(); x += 4)
            colours.insert(picture.pixel(x, y));
    return int(colours.size());
}

TEST_P(DesktopWorld, TenStartsInARowEachReachTheMenuAloneAndEndCleanly)
{
    if (isNested())
        GTEST_SKIP() << "counted on the headless compositors";
    for (int run = 1; run <= 10; ++run) {
        SCOPED_TRACE(run);
        QProcess program;
        start(program);
        // Where the test cannot type, the intro plays to its end.
        ASSERT_TRUE(waitUntil([this] { return titles().contains(Menu); }, 30000))
            << "no menu; shown: " << titles().join(", ").toStdString();
        EXPECT_TRUE(waitUntil([this] { return menuAlone(); }, 2000, false))
            << "beside the menu 2 s after it came: " << titles().join(", ").toStdString();
        endProgram(program);
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "the program crashed";
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_TRUE(waitUntil([this] { return titles().isEmpty(); }, 3000, false))
            << "left on the screen: " << titles().join(", ").toStdString();
    }
}

TEST_P(DesktopWorld, ASecondCopyEndsQuietlyAndTheFirstGoesOn)
{
    QProcess first;
    start(first);
    ASSERT_TRUE(waitUntil([this] { return menuAlone(); }, 30000)) << titles().join(", ").toStdString();
    if (canLook()) {
        // Some window managers animate a window coming: the picture is taken
        // once it stands.
        QThread::msleep(800);
        const QList<ShownWindow> shown = windows();
        ASSERT_EQ(shown.size(), 1);
        const QImage menu = screenshot(QStringLiteral("menu"), shown.first().place);
        EXPECT_GT(colourCount(menu), 64) << "the menu is not drawn";
    }

    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(15000)) << "the second copy did not end";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(menuAlone()) << titles().join(", ").toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    endProgram(first);
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
}

// The share of points, looked at every 8 pixels, where two pictures differ.
double differenceBetween(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 1;
    int differ = 0;
    int all = 0;
    for (int y = 0; y < a.height(); y += 8)
        for (int x = 0; x < a.width(); x += 8, ++all) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            differ += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q))
                > 40;
        }
    return double(differ) / all;
}

// The journey a user takes through the menu: every screen opens over the
// menu, covering it, and goes back to it. On X11 each screen is a window of
// its own in the menu's place; on Wayland it is shown inside the menu's
// window.
TEST_P(DesktopWorld, EveryScreenOpensOverTheMenuAndGoesBack)
{
    if (!canTouch())
        GTEST_SKIP() << "no input on this window system; see ScreensStandOverTheMenu";
    QProcess program;
    start(program);
    ASSERT_TRUE(waitUntil([this] { return menuAlone(); }, 30000)) << titles().join(", ").toStdString();
    QThread::msleep(800);
    ShownWindow menu = windows().first();
    if (isWayland())
        menu.place = findMenu();
    ASSERT_TRUE(menu.place.isValid()) << "the menu is not to be seen";
    EXPECT_EQ(menu.place.size(), QSize(640, 480));
    const QImage menuPicture = screenshot(QStringLiteral("menu"), menu.place);
    auto showsMenu = [&] { return differenceBetween(screenshot(QString(), menu.place), menuPicture) < 0.03; };

    const struct {
        const char* screen;
        QPoint button;
        QPoint close;
    } screens[] = {
        {"install", {279, 411}, ReturnButton}, {"briefing", {107, 411}, {600, 60}},
        {"run", {453, 411}, ReturnButton},     {"websites", {107, 456}, ReturnButton},
        {"help", {279, 456}, ReturnButton},    {"about", {453, 456}, ReturnButton},
    };
    for (const auto& row : screens) {
        SCOPED_TRACE(row.screen);
        click(menu, row.button.x(), row.button.y());
        ShownWindow opened = menu;
        if (isWayland()) {
            ASSERT_TRUE(waitUntil([&] { return !showsMenu(); }, 10000, false)) << "the screen did not open";
            QThread::msleep(300);
            EXPECT_TRUE(menuAlone()) << "a screen in a window of its own: " << titles().join(", ").toStdString();
        } else {
            opened.id.clear();
            ASSERT_TRUE(waitUntil(
                [&] {
                    for (const ShownWindow& window : windows())
                        if (window.title == Menu && window.id != menu.id)
                            opened = window;
                    return !opened.id.isEmpty();
                },
                10000, false))
                << "the screen did not open";
            EXPECT_EQ(opened.place, menu.place) << "the screen does not cover the menu";
        }
        if (QLatin1String(row.screen) == QLatin1String("about")) {
            QThread::msleep(600);
            EXPECT_GT(colourCount(screenshot(QStringLiteral("about-over-menu"), menu.place)), 64);
        }
        click(opened, row.close.x(), row.close.y());
        if (isWayland())
            EXPECT_TRUE(waitUntil(showsMenu, 10000, false)) << "the screen did not close";
        else
            EXPECT_TRUE(waitUntil([this] { return menuAlone(); }, 10000, false)) << "the screen did not close";
    }
    QThread::msleep(300);
    screenshot(QStringLiteral("menu-after-journey"), menu.place);
    click(menu, ExitButton.x(), ExitButton.y());
    ASSERT_TRUE(program.waitForFinished(15000)) << "Exit did not end the program";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

// Where the test cannot click, the program's About button is pressed by a
// timer in a copy of the program built for it. On X11 the screen is a window
// of its own over the menu; on Wayland, where the compositor places every
// window, it is shown inside the menu's window.
TEST_P(DesktopWorld, ScreensStandOverTheMenu)
{
    if (isNested())
        GTEST_SKIP() << "seen by clicking there";
    QProcess program;
    start(program, binaryDir() + QStringLiteral("/tests/hub_probe"));
    const QStringList expected = isWayland() ? QStringList{Menu} : QStringList{Menu, Menu};
    // The probe presses About a second after its menu stands.
    ASSERT_TRUE(waitUntil([&] { return titles() == expected; }, 30000)) << titles().join(", ").toStdString();
    QThread::msleep(isWayland() ? 2500 : 800);
    EXPECT_EQ(titles(), expected);
    if (canLook()) {
        const QList<ShownWindow> shown = windows();
        const QImage picture = screenshot(QStringLiteral("screen-over-menu"));
        ASSERT_FALSE(picture.isNull());
        for (const ShownWindow& window : shown) {
            EXPECT_EQ(window.place.size(), QSize(640, 480));
            // What stands there is the about screen: its aqua credits.
            const QImage seen = picture.copy(window.place);
            int aqua = 0;
            for (int y = 104; y < 385; ++y)
                for (int x = 48; x < 313; ++x) {
                    const QColor c = seen.pixelColor(x, y);
                    aqua += c.red() < 80 && c.green() > 180 && c.blue() > 180;
                }
            EXPECT_GT(aqua, 100) << "the about screen is not over the menu";
        }
    }
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(15000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(WindowSystems, DesktopWorld,
                         ::testing::Values(World::BareX, World::Openbox, World::MutterX11, World::Weston,
                                           World::MutterWayland, World::MutterNested),
                         [](const ::testing::TestParamInfo<World>& info) {
                             return nameOf(info.param).replace(QLatin1Char('-'), QLatin1Char('_')).toStdString();
                         });

} // namespace
