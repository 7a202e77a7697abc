#include "shell/StatusProgress.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>

#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <algorithm>

namespace umbraxis {

namespace {

// About one frame of a 60 Hz display.
constexpr qint64 FrameMs = 16;

} // namespace

ProgressBar::ProgressBar(QWidget* parent)
    : QWidget(parent)
{
}

void ProgressBar::setValue(int value)
{
    value = std::clamp(value, minimum(), maximum());
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void ProgressBar::paintEvent(QPaintEvent*)
{
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.minimum = minimum();
    option.maximum = maximum();
    option.progress = m_value;
    option.textVisible = false;
    QPainter painter(this);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}

StatusProgress::StatusProgress(QWidget* screen, const QRect& statusPlace, const QRect& barPlace,
                               const QString& afterSearch)
    : m_screen(screen)
    , m_status(new QLabel(screen))
    , m_bar(new ProgressBar(screen))
    , m_afterSearch(afterSearch)
{
    m_status->setObjectName(QStringLiteral("lStatus"));
    m_status->setGeometry(statusPlace);
    // Level titles are shown as they are written, never read as markup.
    m_status->setTextFormat(Qt::PlainText);
    m_status->setText(QStringLiteral("Ready"));
    m_status->setAttribute(Qt::WA_TranslucentBackground);
    QFont font = m_status->font();
    font.setFamily(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(15);
    m_status->setFont(font);
    QPalette red = m_status->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_status->setPalette(red);

    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setGeometry(barPlace);
    m_sincePaint.start();
}

void StatusProgress::setStatus(const QString& text)
{
    m_status->setText(text);
    paint();
}

QString StatusProgress::status() const
{
    return m_status->text();
}

void StatusProgress::ProgressStep()
{
    m_bar->setValue((m_bar->value() + 10) % 100);
    if (m_sincePaint.elapsed() >= FrameMs)
        paint();
}

void StatusProgress::setPosition(int position)
{
    m_bar->setValue(position);
    paint();
}

int StatusProgress::position() const
{
    return m_bar->value();
}

void StatusProgress::repaintNow()
{
    // Whatever else changed on the screen (the details of a level) is
    // painted too.
    m_screen->repaint();
    m_sincePaint.restart();
    ++m_paints;
}

void StatusProgress::paint()
{
    // Painted now, without waiting for the event loop, which a long
    // operation does not return to.
    m_status->repaint();
    m_bar->repaint();
    m_sincePaint.restart();
    ++m_paints;
}

} // namespace umbraxis
