#include "app/Program.h"

#include "launcher/TfRun.h"
#include "levels/TfInstall.h"
#include "platform/MediaPlayer.h"
#include "screens/TfAbout.h"
#include "screens/TfBrief.h"
#include "screens/TfLogo.h"
#include "screens/TfSplash.h"
#include "screens/TfView.h"
#include "shell/Application.h"
#include "shell/TfMain.h"

#include <QElapsedTimer>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace umbraxis {

namespace {

// How long the start waits for the intro's decoder to let go.
constexpr int ReleaseMs = 1000;
// How long the menu may stand on the screen without being activated before
// the splash goes all the same (a compositor that activates no window, focus
// stealing prevention that keeps the focus elsewhere).
constexpr int SplashGraceMs = 700;
constexpr int LookForMenuMs = 100;

void centreOnScreen(QWidget& window)
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        window.move(area.center() - window.rect().center());
    }
}

} // namespace

Program::Program(const Services& services)
    : m_services(services)
{
}

Program::~Program()
{
    m_run.reset();
    m_brief.reset();
    m_install.reset();
    m_view.reset();
    m_about.reset();
    m_splash.reset();
    m_main.reset();
}

int Program::run(Application& app)
{
    app.setErrorBox(m_services.errors);
    // The program ends when the main menu closes, not when its last visible
    // window goes away (modal screens hide it from view).
    app.setQuitOnLastWindowClosed(false);

    m_main = createScreen<TfMain>(m_services);
    if (m_main->endProgram())
        return 0;
    QObject::connect(m_main.get(), &TfMain::closed, &app, [] { QCoreApplication::exit(0); });

    showSplash();
    playIntro();
    if (m_ending)
        return 0;
    createScreens();
    wireScreens();
    if (m_ending)
        return 0;

    centreOnScreen(*m_main);
    m_main->show();
    m_main->raise();
    m_main->activateWindow();
    watchForMenu();
    return app.exec();
}

void Program::endAtOnce()
{
    m_ending = true;
    if (m_logo)
        m_logo->CutShort();
    QCoreApplication::exit(0);
}

void Program::watchForMenu()
{
    // The menu's first activation retires the splash. Where no activation
    // comes, the splash goes once the menu has stood on the screen for a
    // moment: it never stays beside the menu.
    auto* look = new QTimer(m_main.get());
    auto exposedFor = std::make_shared<QElapsedTimer>();
    QObject::connect(look, &QTimer::timeout, m_main.get(), [this, look, exposedFor] {
        if (!m_splash || !m_splash->isVisible()) {
            look->deleteLater();
            return;
        }
        const QWindow* window = m_main->windowHandle();
        if (!window || !window->isExposed())
            return;
        if (!exposedFor->isValid())
            exposedFor->start();
        else if (exposedFor->elapsed() >= SplashGraceMs)
            retireSplash();
    });
    look->start(LookForMenuMs);
}

void Program::showSplash()
{
    m_splash = createScreen<TfSplash>(m_services, m_random);
    centreOnScreen(*m_splash);
    m_splash->show();
    m_splash->raise();
    // Drawn now, before the long steps that follow: once the window system
    // has put the window on the screen.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000 && !(m_splash->windowHandle() && m_splash->windowHandle()->isExposed()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    m_splash->repaint();
}

void Program::playIntro()
{
    ScreenPtr<TfLogo> logo = createScreen<TfLogo>(m_services);
    centreOnScreen(*logo);
    m_logo = logo.get();
    if (!m_ending)
        logo->ShowAndPlay();
    m_logo = nullptr;
    logo->hide();
    if (m_splash)
        m_splash->repaint();
    logo.reset();
    // An intro cut short leaves its decoder with a second or two of decoded
    // pictures; they go before the screens' pictures are loaded, so that the
    // two are never held at once.
    if (m_services.media)
        m_services.media->awaitReleased(ReleaseMs);
}

void Program::createScreens()
{
    Shell& shell = m_main->shell();
    m_about = createScreen<TfAbout>(m_services, shell, m_random);
    m_view = createScreen<TfView>(m_services, shell);
    m_install = createScreen<TfInstall>(m_services, shell, m_shelf);
    m_brief = createScreen<TfBrief>(m_services, shell);
    m_run = createScreen<TfRun>(m_services, shell, m_shelf);
}

void Program::wireScreens()
{
    Shell& shell = m_main->shell();
    shell.setDocumentViewer([this](const QString& documentFile) { showDocument(documentFile); });
    m_main->setRetireSplash([this] { retireSplash(); });

    TfMain::Targets targets;
    targets.install = [this] { m_install->ShowModal(); };
    targets.briefing = [this] { m_brief->ShowModal(); };
    targets.run = [this] { m_run->ShowModal(); };
    targets.viewer = [this](const QString& documentFile) { showDocument(documentFile); };
    targets.about = [this] { m_about->ShowModal(); };
    m_main->setTargets(std::move(targets));
}

void Program::showDocument(const QString& documentFile)
{
    m_view->DocumentFile = documentFile;
    m_view->ShowModal();
}

void Program::retireSplash()
{
    // Called from the menu's activation, which the toolkit goes on to
    // deliver to the window that was active before, the splash maybe: the
    // splash goes once that delivery is over, never while it is under way.
    if (!m_splash || m_splashRetiring)
        return;
    m_splashRetiring = true;
    QMetaObject::invokeMethod(
        m_main.get(),
        [this] {
            m_splashRetiring = false;
            if (!m_splash || !m_splash->isVisible())
                return;
            m_splash->hide();
            m_splash->destroyScreen();
            m_splash.release()->deleteLater();
        },
        Qt::QueuedConnection);
}

} // namespace umbraxis
