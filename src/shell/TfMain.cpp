#include "shell/TfMain.h"

#include "platform/InstanceGuard.h"
#include "platform/MediaPlayer.h"
#include "platform/SettingsStore.h"
#include "shell/Application.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QWindow>

namespace umbraxis {

namespace {

struct MenuButton {
    int left;
    int top;
    int width;
    int height;
    const char* hint;
    const char* name; // the picture files are "images\fbf" / "images\fbn" + name + ".bmp"
};

constexpr std::array<MenuButton, TfMain::kButtons> kMenu{{
    {212, 398, 134, 27, "Display Levels", "insta"},
    {40, 398, 134, 27, "Display Mission Briefing", "brief"},
    {386, 398, 134, 27, "Run Quake", "run"},
    {40, 443, 134, 27, "Display Web Sites & Quake Editors List", "web"},
    {212, 443, 134, 27, "Help for Umbraxis", "help"},
    {386, 443, 134, 27, "About Umbraxis", "about"},
    {537, 398, 83, 73, "Exit Umbraxis", "exit"},
}};

} // namespace

TfMain::TfMain(const Services& services, QWidget* parent)
    : Screen(services, QSize(640, 480), parent)
{
    setWindowTitle(QStringLiteral("Umbraxis"));
    setObjectName(QStringLiteral("fMain"));
    createControls();
    runGuarded(services.errors, [this] { FormCreate(); });
}

TfMain::~TfMain()
{
    FormDestroy();
}

void TfMain::createControls()
{
    MediaPlayer1 = services().media->createPlayer();
    m_cues = std::make_unique<CuePlayer>(*MediaPlayer1, *services().files);

    const std::array<void (TfMain::*)(), kButtons> clicks{
        &TfMain::Image1Click, &TfMain::Image2Click, &TfMain::Image3Click, &TfMain::Image4Click,
        &TfMain::Image5Click, &TfMain::Image6Click, &TfMain::Image7Click};
    for (int i = 0; i < kButtons; ++i) {
        const MenuButton& button = kMenu[i];
        auto* panel = new QWidget(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setGeometry(button.left, button.top, button.width, button.height);
        panel->setAutoFillBackground(true);
        QPalette black = panel->palette();
        black.setColor(QPalette::Window, Qt::black);
        panel->setPalette(black);

        auto* image = new ImageButton(panel);
        image->setObjectName(QStringLiteral("Image%1").arg(i + 1));
        image->setGeometry(0, 0, button.width, button.height);
        image->setToolTip(QString::fromUtf8(button.hint));
        image->setPictures(&m_normal[i], &m_pressed[i]);
        image->onClick = [this, click = clicks[i]] { (this->*click)(); };

        m_panels[i] = panel;
        m_images[i] = image;
    }
}

void TfMain::FormCreate()
{
    if (services().instance->ActivatePreviousInstance(windowTitle())) {
        m_endProgram = true;
        return;
    }
    setBlackBackground();
    setBackground(loadPicture(QStringLiteral("images\\fmain.bmp")));
    for (int i = 0; i < kButtons; ++i) {
        const QString name = QString::fromLatin1(kMenu[i].name);
        m_normal[i] = loadPicture(QStringLiteral("images\\fbf%1.bmp").arg(name));
        m_pressed[i] = loadPicture(QStringLiteral("images\\fbn%1.bmp").arg(name));
    }
    KnownQuakeDir.clear();
    VersionText = QStringLiteral("1.0");
    services().settings->WriteSetting(QStringLiteral("Main"), QStringLiteral("Version"), VersionText);
}

void TfMain::FormShow()
{
    PlayCue(QStringLiteral("guncock.wav"));
    for (ImageButton* image : m_images)
        image->showNormalPicture();
}

void TfMain::FormActivate()
{
    if (m_splash && m_splash->isVisible()) {
        QWidget* splash = m_splash;
        splash->hide();
        m_splash = nullptr;
        delete splash;
    }
}

void TfMain::FormDestroy()
{
    setBackground(QPixmap());
    for (int i = 0; i < kButtons; ++i) {
        m_normal[i] = QPixmap();
        m_pressed[i] = QPixmap();
    }
}

void TfMain::PlayCue(const QString& name)
{
    m_cues->PlayCue(name);
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

void TfMain::showEvent(QShowEvent* event)
{
    Screen::showEvent(event);
    if (!event->spontaneous())
        runGuarded(services().errors, [this] { FormShow(); });
}

bool TfMain::event(QEvent* event)
{
    const bool handled = Screen::event(event);
    if (event->type() == QEvent::WindowActivate)
        runGuarded(services().errors, [this] { FormActivate(); });
    return handled;
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
