#pragma once

#include "shell/Screen.h"

#include <memory>

namespace umbraxis {

class MediaPlayer;

// The logo intro: "logo.avi" played over the whole of a window in front,
// from the program's start until the video ends or the user cuts it short
// with a click or a key that types a character.
class TfLogo : public Screen {
    Q_OBJECT
public:
    TfLogo(const Services& services, QWidget* parent = nullptr);
    ~TfLogo() override;

    void FormCreate() override;
    // The activation lets the intro play.
    void FormActivate() override;
    // Plays the video to its end (or until it is cut short), handling the
    // program's events meanwhile; it runs once.
    void PlayToEnd();
    void FormDestroy() override;
    void FormClick();
    void FormKeyPress();
    void MediaPlayer1Notify();

    // Shows the screen and plays the intro; returns when it is over.
    void ShowAndPlay();
    // Ends the intro as a click would, for the program ending meanwhile.
    void CutShort() { stopPlaying(); }
    bool played() const { return m_played; }

    std::unique_ptr<MediaPlayer> MediaPlayer1;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stopPlaying();

    QPixmap m_logo;
    bool m_activated = false;
    bool m_played = false;
    bool m_playing = false;
    bool m_cutShort = false;
    bool m_over = false;
};

} // namespace umbraxis
