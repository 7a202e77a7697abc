#include "screens/TfBrief.h"

#include "platform/FileReading.h"
#include "platform/MediaPlayer.h"
#include "shell/Shell.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace umbraxis {

namespace {

// The text window shows the frame composed for it and paints nothing else.
class FrameBox : public QWidget {
public:
    FrameBox(QWidget* parent, const QPixmap& frame)
        : QWidget(parent)
        , m_frame(frame)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_frame);
    }

private:
    const QPixmap& m_frame;
};

} // namespace

TfBrief::TfBrief(const Services& services, Shell& shell, QWidget* parent)
    : Screen(services, &shell, QSize(640, 480), parent)
    , MediaPlayer1(services.media->createPlayer())
{
    setObjectName(QStringLiteral("fBrief"));
    setWindowTitle(QStringLiteral("Umbraxis"));
    // The frame and its font exist from the start, so that a showing after a
    // creation that stopped early still scrolls its text over black.
    m_frame = QPixmap(TextWindow.size());
    m_frame.fill(Qt::black);
    m_textFont = fontOf({"Arial", 16, Qt::red, true});
    PaintBox1 = new FrameBox(this, m_frame);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(TextWindow);
    PaintBox1->installEventFilter(this);
    Timer1.setInterval(100);
    Timer1.setSingleShot(false);
    connect(&Timer1, &QTimer::timeout, this, [this] { guard([this] { Timer1Timer(); }); });
    MediaPlayer1->setOnNotify([this] { guard([this] { MediaPlayer1Notify(); }); });
    // Named here, so that the music plays even when creation stopped at a
    // missing picture.
    MediaPlayer1->setFileName(QStringLiteral("sounds\\military.wav"));
    setFocusPolicy(Qt::StrongFocus);
}

TfBrief::~TfBrief() = default;

void TfBrief::FormCreate()
{
    setBlackBackground();
    setBackground(loadPicture(QStringLiteral("images\\fbrief.bmp")));
    // The text window's font is 20 pixels high: one line every 21.
    m_scroll.lineHeight = 1 - (-20);
    m_scroll.windowHeight = TextWindow.height();
}

void TfBrief::FormShow()
{
    m_scroll.lines.clear();
    // The part of the picture behind the text, ready to be drawn under every
    // frame while the screen is on view.
    m_backdrop = background().isNull() ? QPixmap() : QPixmap::fromImage(background().copy(TextWindow));
    // The text window starts as its part of the picture: neither a black
    // box nor the last frame of an earlier showing stands there when the
    // text cannot be read.
    composeFrame({});
    m_scroll.lines = splitBriefingLines(readFileBytes(*services().files, QStringLiteral("text\\dethmath.txt")));
    m_scroll.lines = BriefingScroll::withLeadIn(m_scroll.lines);
    m_scroll.start();
    // The first frame is drawn before the screen becomes visible.
    Timer1Timer();
    Timer1.start();
    MediaPlayer1->open();
    shell().MediaPlayer1().stop();
    MediaPlayer1->setWait(false);
    MediaPlayer1->setNotify(true);
    MediaPlayer1->play();
    PlaceOverMain();
}

void TfBrief::Timer1Timer()
{
    Timer1.stop();
    composeFrame(m_scroll.tick());
    PaintBox1->repaint();
    const bool over = m_scroll.runOver();
    Timer1.start();
    if (over)
        Close();
}

void TfBrief::composeFrame(const QList<BriefingScroll::Row>& rows)
{
    QPainter painter(&m_frame);
    if (m_backdrop.isNull())
        painter.fillRect(m_frame.rect(), Qt::black);
    else
        painter.drawPixmap(0, 0, m_backdrop);
    painter.setFont(m_textFont);
    painter.setPen(QColor(255, 0, 0));
    const int ascent = QFontMetrics(m_textFont).ascent();
    for (const BriefingScroll::Row& row : rows)
        painter.drawText(0, row.y + ascent, m_scroll.lines.at(row.index));
}

void TfBrief::MediaPlayer1Notify()
{
    // Only a play that ran to its end starts again; the stop at hiding, or a
    // play that replaced another, does not.
    if (MediaPlayer1->notifyResult() != MediaNotify::Successful)
        return;
    MediaPlayer1->setWait(false);
    MediaPlayer1->setNotify(true);
    MediaPlayer1->play();
}

void TfBrief::FormClick()
{
    Close();
}

void TfBrief::PaintBox1Click()
{
    Close();
}

void TfBrief::FormKeyPress()
{
    Close();
}

void TfBrief::FormHide()
{
    m_backdrop = QPixmap();
    m_scroll.lines.clear();
    Timer1.stop();
    MediaPlayer1->stop();
    MediaPlayer1->close();
}

void TfBrief::FormDestroy()
{
    m_frame = QPixmap();
    setBackground(QImage());
}

void TfBrief::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        guard([this] { FormClick(); });
    Screen::mouseReleaseEvent(event);
}

void TfBrief::keyPressEvent(QKeyEvent* event)
{
    // Only a key that types a character closes the screen; arrows and
    // function keys do not.
    if (typesCharacter(*event)) {
        guard([this] { FormKeyPress(); });
        return;
    }
    Screen::keyPressEvent(event);
}

bool TfBrief::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PaintBox1 && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && PaintBox1->rect().contains(mouse->position().toPoint())) {
            guard([this] { PaintBox1Click(); });
            return true;
        }
    }
    return Screen::eventFilter(watched, event);
}

} // namespace umbraxis
