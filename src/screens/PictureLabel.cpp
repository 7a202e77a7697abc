#include "screens/PictureLabel.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

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
    // Only what can show is laid out, so that a text of megabytes (a tips
    // file of one endless line) draws as fast as a short one: each line the
    // label has room for shows at most one character a pixel across, or two
    // with the ampersands that are not drawn.
    const QFontMetrics metrics(font());
    const qsizetype lines = height() / std::max(1, metrics.lineSpacing()) + 2;
    const qsizetype visible = lines * (width() + 1) * 2;
    // A line end of the text is CR LF, a lone CR or a lone LF.
    QString shown = m_text.left(visible);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QPainter painter(this);
    painter.setClipRect(rect());
    painter.setFont(font());
    painter.setPen(m_colour);
    painter.drawText(
        rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs | Qt::TextShowMnemonic, shown);
}

} // namespace umbraxis
