#include "screens/PictureLabel.h"

#include <QPainter>

namespace umbraxis {

PictureLabel::PictureLabel(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

void PictureLabel::setText(const QString& text)
{
    m_text = text;
    update();
}

void PictureLabel::setColour(const QColor& colour)
{
    m_colour = colour;
    update();
}

void PictureLabel::paintEvent(QPaintEvent*)
{
    // A line end of the text is CR LF, a lone CR or a lone LF.
    QString shown = m_text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QPainter painter(this);
    painter.setClipRect(rect());
    painter.setFont(font());
    painter.setPen(m_colour);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs | Qt::TextShowMnemonic,
                     shown);
}

} // namespace umbraxis
