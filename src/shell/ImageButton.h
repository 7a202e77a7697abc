#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>

namespace umbraxis {

class ErrorBox;

// A picture that works as a button, the one mechanism behind every button of
// every screen. A press with any mouse button shows the pressed look (when
// `canPress` allows it) and the release shows the normal look again; a left
// click, released inside, runs `onClick` first, so an action that opens a
// modal screen runs while the button still looks pressed. The widget keeps
// the mouse from press to release. An error raised by the action goes to the
// error box the button was given.
//
// A button shows either one of two whole pictures (normal and pressed), or
// one split picture whose left half is the normal look and whose right half
// the pressed one: then a press copies the right half over the left half of
// the button's own copy, and a release copies the left half back.
class ImageButton : public QWidget {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    void setErrorBox(ErrorBox* errors) { m_errors = errors; }

    void setNormalPicture(const QPixmap& picture) { m_normal = picture; }
    void setPressedPicture(const QPixmap& picture) { m_pressed = picture; }
    // Makes this a split-picture button and gives it a fresh copy of
    // `picture`, which undoes any pressed look.
    void setSplitPicture(const QPixmap& picture);
    void freePictures();

    void showNormalPicture();
    void showPressedPicture();

    const QPixmap& shownPicture() const { return m_shown; }
    bool isShowingPressed() const { return m_pressedShown; }
    bool isSplit() const { return m_split; }

    std::function<void()> onClick;
    // Whether a press shows the pressed look; always when unset.
    std::function<bool()> canPress;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void copyHalf(bool pressedHalf);

    QPixmap m_normal;
    QPixmap m_pressed;
    QPixmap m_splitSource;
    QPixmap m_shown;
    bool m_split = false;
    bool m_pressedShown = false;
    bool m_secondClickOfDouble = false;
    ErrorBox* m_errors = nullptr;
};

} // namespace umbraxis
