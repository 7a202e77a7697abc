#include "shell/Screen.h"

#include "platform/PictureLoader.h"

#include <QPainter>

namespace umbraxis {

Screen::Screen(const Services& services, const QSize& size, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_services(services)
{
    setFixedSize(size);
    setAutoFillBackground(true);
    setBlackBackground();
}

QPixmap Screen::loadPicture(const QString& path) const
{
    return QPixmap::fromImage(m_services.pictures->load(path));
}

void Screen::setBackground(const QPixmap& picture)
{
    m_background = picture;
    update();
}

void Screen::setBlackBackground()
{
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
}

void Screen::paintEvent(QPaintEvent*)
{
    if (m_background.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

} // namespace umbraxis
