#include "shell/TfMain.h"

#include "platform/InstanceGuard.h"
#include "platform/MediaPlayer.h"
#include "platform/SettingsStore.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QWindow>

namespace umbraxis {

TfMain::TfMain(const Services& services, QWidget* parent)
    : Screen(services, nullptr, QSize(640, 480), parent)
    , MediaPlayer1(services.media->createPlayer())
    , m_shell(std::make_unique<Shell>(*MediaPlayer1, *services.files))
{
    setShell(m_shell.get());
    m_shell->setMainPosition([this] { return pos(); });
    m_shell->setMainWindow(this);
    setWindowTitle(QStringLiteral("Umbraxis"));
    setObjectName(QStringLiteral("fMain"));
    createButtons({
        {1, {212, 398, 134, 27}, "Display Levels", "insta", [this] { Image1Click(); }},
        {2, {40, 398, 134, 27}, "Display Mission Briefing", "brief", [this] { Image2Click(); }},
        {3, {386, 398, 134, 27}, "Run Quake", "run", [this] { Image3Click(); }},
        {4, {40, 443, 134, 27}, "Display Web Sites & Quake Editors List", "web", [this] { Image4Click(); }},
        {5, {212, 443, 134, 27}, "Help for Umbraxis", "help", [this] { Image5Click(); }},
        {6, {386, 443, 134, 27}, "About Umbraxis", "about", [this] { Image6Click(); }},
        {7, {537, 398, 83, 73}, "Exit Umbraxis", "exit", [this] { Image7Click(); }},
    });
}

void TfMain::FormCreate()
{
    if (services().instance->ActivatePreviousInstance(windowTitle())) {
        m_endProgram = true;
        return;
    }
    setBlackBackground();
    setBackground(loadPicture(QStringLiteral("images\\fmain.bmp")));
    for (int number = 1; number <= kButtons; ++number) {
        loadNormalPicture(number);
        loadPressedPicture(number);
    }
    shell().KnownQuakeDir.clear();
    shell().VersionText = QStringLiteral("1.0");
    services().settings->WriteSetting(QStringLiteral("Main"), QStringLiteral("Version"), shell().VersionText);
}

void TfMain::FormShow()
{
    PlayCue(QStringLiteral("guncock.wav"));
    showNormalPictures();
}

void TfMain::FormActivate()
{
    if (m_retireSplash)
        m_retireSplash();
}

void TfMain::FormDestroy()
{
    setBackground(QImage());
    freeButtonPictures();
}

void TfMain::Image1Click()
{
    PlayCue(QStringLiteral("guncock.wav"));
    if (m_targets.install)
        m_targets.install();
}

void TfMain::Image2Click()
{
    PlayCue(QStringLiteral("guncock.wav"));
    if (m_targets.briefing)
        m_targets.briefing();
}

void TfMain::Image3Click()
{
    PlayCue(QStringLiteral("guncock.wav"));
    if (m_targets.run)
        m_targets.run();
}

void TfMain::Image4Click()
{
    PlayCue(QStringLiteral("guncock.wav"));
    if (m_targets.viewer)
        m_targets.viewer(QStringLiteral("text\\websites.txt"));
}

void TfMain::Image5Click()
{
    PlayCue(QStringLiteral("guncock.wav"));
    if (m_targets.viewer)
        m_targets.viewer(QStringLiteral("help.rtf"));
}

void TfMain::Image6Click()
{
    PlayCue(QStringLiteral("guncock.wav"));
    if (m_targets.about)
        m_targets.about();
}

void TfMain::Image7Click()
{
    PlayCue(QStringLiteral("guncock.wav"));
    close();
}

void TfMain::mousePressEvent(QMouseEvent* event)
{
    // The bare background works as a title bar. Where the window system
    // cannot move the window itself, the screen follows the mouse.
    if (event->button() != Qt::LeftButton) {
        Screen::mousePressEvent(event);
        return;
    }
    event->accept();
    m_dragging = !(windowHandle() && windowHandle()->startSystemMove());
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void TfMain::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    Screen::mouseMoveEvent(event);
}

void TfMain::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    Screen::mouseReleaseEvent(event);
}

void TfMain::closeEvent(QCloseEvent* event)
{
    Screen::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace umbraxis
