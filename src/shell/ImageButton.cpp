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

void ImageButton::setPictures(const QPixmap* normal, const QPixmap* pressed)
{
    m_normal = normal;
    m_pressed = pressed;
}

void ImageButton::showNormalPicture()
{
    show(m_normal, false);
}

void ImageButton::showPressedPicture()
{
    show(m_pressed, true);
}

void ImageButton::show(const QPixmap* picture, bool pressed)
{
    m_shown = picture ? picture->copy() : QPixmap();
    m_pressedShown = pressed;
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
    if (!canPress || canPress())
        showPressedPicture();
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const bool click = event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    // A failing action ends there and is reported; the normal picture comes
    // back all the same, so that a button is never left looking pressed.
    if (click && onClick)
        runGuarded(applicationErrorBox(), onClick);
    showNormalPicture();
}

} // namespace umbraxis
