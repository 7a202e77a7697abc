#include "screens/TfLogo.h"

#include "platform/MediaPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

namespace umbraxis {

namespace {

// How long to wait for the window system to show and activate the intro.
constexpr int ShowingMs = 3000;
// How long the intro may stand on the screen unactivated before it plays.
constexpr int UnactivatedMs = 250;
// The wait loop looks at the video at least this often: within a frame.
constexpr int LookMs = 10;

} // namespace

TfLogo::TfLogo(const Services& services, QWidget* parent)
    : Screen(services, nullptr, QSize(640, 480), parent)
    , MediaPlayer1(services.media->createPlayer())
{
    setObjectName(QStringLiteral("fLogo"));
    setWindowTitle(QStringLiteral("Umbraxis - intro"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFocusPolicy(Qt::StrongFocus);
    MediaPlayer1->setOnNotify([this] { guard([this] { MediaPlayer1Notify(); }); });
    // Key presses reach the screen first, whichever part has the focus.
    qApp->installEventFilter(this);
}

TfLogo::~TfLogo()
{
    qApp->removeEventFilter(this);
}

void TfLogo::FormCreate()
{
    setBlackBackground();
    m_logo = loadPixmap(QStringLiteral("logo.bmp"));
    MediaPlayer1->setDisplay(this);
    MediaPlayer1->setFileName(QStringLiteral("logo.avi"));
    MediaPlayer1->open();
}

void TfLogo::ShowAndPlay()
{
    show();
    raise();
    activateWindow();
    // The activation plays the intro, once the toolkit has delivered it: the
    // intro's wait handles the program's events, and must not run inside the
    // delivery of one. A window system that never activates the window (none
    // at all, or one that keeps the focus where it was) gets the intro all
    // the same, a moment after the window is on the screen.
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer exposed;
    while (!m_activated && !m_cutShort && clock.elapsed() < ShowingMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const QWindow* window = windowHandle();
        if (!exposed.isValid() && window && window->isExposed())
            exposed.start();
        if (exposed.isValid() && exposed.elapsed() >= UnactivatedMs)
            break;
    }
    guard([this] { PlayToEnd(); });
}

void TfLogo::FormActivate()
{
    m_activated = true;
}

void TfLogo::PlayToEnd()
{
    if (m_played)
        return;
    m_played = true;
    repaint();
    MediaPlayer1->setDisplayRect(QRect(0, 0, 640, 480));
    MediaPlayer1->setNotify(true);
    MediaPlayer1->setWait(false);
    MediaPlayer1->play();
    m_playing = true;
    // A click or key that came while the intro was being put on the screen
    // counts as well.
    if (m_cutShort)
        stopPlaying();
    // The wait handles every event that comes, the player's and the user's,
    // and sleeps between them; the timer makes sure the end is noticed
    // within a frame.
    QTimer look;
    look.start(LookMs);
    while (MediaPlayer1->position() < MediaPlayer1->length() && MediaPlayer1->mode() != MediaMode::Stopped)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    m_playing = false;
    m_over = true;
    MediaPlayer1->setNotify(false);
    MediaPlayer1->close();
}

void TfLogo::stopPlaying()
{
    m_cutShort = true;
    if (m_playing && MediaPlayer1->isOpen() && MediaPlayer1->mode() == MediaMode::Playing)
        MediaPlayer1->stop();
}

void TfLogo::FormClick()
{
    stopPlaying();
}

void TfLogo::FormKeyPress()
{
    stopPlaying();
}

void TfLogo::MediaPlayer1Notify()
{
    stopPlaying();
}

void TfLogo::FormDestroy()
{
    m_logo = QPixmap();
}

void TfLogo::paintEvent(QPaintEvent*)
{
    // Nothing of its own: the black ground and the video.
}

void TfLogo::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        guard([this] { FormClick(); });
    Screen::mouseReleaseEvent(event);
}

void TfLogo::keyPressEvent(QKeyEvent* event)
{
    Screen::keyPressEvent(event);
}

bool TfLogo::eventFilter(QObject* watched, QEvent* event)
{
    // Any key that types a character (Space, Enter, Escape, a letter) cuts
    // the intro short; arrows and function keys type none.
    if (!m_over && event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this) {
        if (typesCharacter(*static_cast<QKeyEvent*>(event))) {
            guard([this] { FormKeyPress(); });
            return true;
        }
    }
    return Screen::eventFilter(watched, event);
}

} // namespace umbraxis
