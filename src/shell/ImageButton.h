#pragma once

#include <QPixmap>
#include <QWidget>
#include <functional>

namespace umbraxis {

// A picture that works as a button. It shows a copy of its normal or its
// pressed picture. A press with any mouse button shows the pressed picture
// (when `canPress` allows it) and the release shows the normal one again; a
// left click, released inside, runs `onClick` before the normal picture
// comes back, so an action that opens a modal screen runs while the button
// still looks pressed. The widget keeps the mouse from press to release.
class ImageButton : public QWidget {
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr);

    // The pictures stay owned by the screen; the button shows copies.
    void setPictures(const QPixmap* normal, const QPixmap* pressed);
    void showNormalPicture();
    void showPressedPicture();
    const QPixmap& shownPicture() const { return m_shown; }
    bool isShowingPressed() const { return m_pressedShown; }

    std::function<void()> onClick;
    // Whether a press shows the pressed picture; always when unset.
    std::function<bool()> canPress;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void show(const QPixmap* picture, bool pressed);

    const QPixmap* m_normal = nullptr;
    const QPixmap* m_pressed = nullptr;
    QPixmap m_shown;
    bool m_pressedShown = false;
};

} // namespace umbraxis
