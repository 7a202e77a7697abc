#pragma once

#include "screens/BriefingText.h"
#include "shell/Screen.h"

#include <QPixmap>
#include <QTimer>

#include <memory>

namespace umbraxis {

class MediaPlayer;

// The mission briefing: the lines of "text\dethmath.txt" scroll up through a
// window in the screen's picture, one pixel a tick, while a sound loops. The
// screen closes when the last line has left the window, or at a left click or
// a key that types a character.
class TfBrief : public Screen {
    Q_OBJECT
public:
    static constexpr QRect TextWindow{55, 268, 402, 173};

    TfBrief(const Services& services, Shell& shell, QWidget* parent = nullptr);
    ~TfBrief() override;

    void FormCreate() override;
    void FormShow() override;
    void FormHide() override;
    void FormDestroy() override;
    void Timer1Timer();
    void MediaPlayer1Notify();
    void FormClick();
    void PaintBox1Click();
    void FormKeyPress();

    QWidget* PaintBox1 = nullptr;
    QTimer Timer1;
    std::unique_ptr<MediaPlayer> MediaPlayer1;

    const BriefingScroll& scroll() const { return m_scroll; }
    const QPixmap& FrameBitmap() const { return m_frame; }
    int LineHeight() const { return m_scroll.lineHeight; }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void composeFrame(const QList<BriefingScroll::Row>& rows);

    QPixmap m_frame;
    QPixmap m_backdrop;
    QFont m_textFont;
    BriefingScroll m_scroll;
};

} // namespace umbraxis
