#include "shell/ImageButton.h"

#include "shell/Application.h"

#include <QMouseEvent>
#include <QPainter>

namespace umbraxis {

ImageButton::ImageButton(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageButton::setSplitPicture(const QPixmap& picture)
{
    m_split = true;
    m_splitSource = picture;
    m_shown = picture.copy();
    m_pressedShown = false;
    update();
}

void ImageButton::freePictures()
{
    m_normal = QPixmap();
    m_pressed = QPixmap();
    m_splitSource = QPixmap();
}

void ImageButton::showNormalPicture()
{
    if (m_split) {
        copyHalf(false);
        return;
    }
    m_shown = m_normal.isNull() ? QPixmap() : m_normal.copy();
    m_pressedShown = false;
    update();
}

void ImageButton::showPressedPicture()
{
    if (m_split) {
        copyHalf(true);
        return;
    }
    m_shown = m_pressed.isNull() ? QPixmap() : m_pressed.copy();
    m_pressedShown = true;
    update();
}

void ImageButton::copyHalf(bool pressedHalf)
{
    m_pressedShown = pressedHalf;
    if (m_shown.isNull() || m_splitSource.isNull())
        return;
    const int height = m_shown.height();
    const int half = m_shown.width() / 2;
    QPainter painter(&m_shown);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawPixmap(QRect(0, 0, half, height), m_splitSource, QRect(pressedHalf ? half : 0, 0, half, height));
    painter.end();
    update();
}

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!m_shown.isNull())
        painter.drawPixmap(0, 0, m_shown);
}

void ImageButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    m_secondClickOfDouble = false;
    if (!canPress || canPress())
        showPressedPicture();
}

void ImageButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click looks like a press, but its release
    // is not a click: the first click already ran the action, and running it
    // again would install twice or open a screen that was just closed.
    mousePressEvent(event);
    m_secondClickOfDouble = true;
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const bool click = event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())
        && !m_secondClickOfDouble;
    m_secondClickOfDouble = false;
    // A failing action ends there and is reported; the normal look comes
    // back all the same, so that a button is never left looking pressed.
    if (click && onClick)
        runGuarded(m_errors, onClick);
    showNormalPicture();
}

} // namespace umbraxis
