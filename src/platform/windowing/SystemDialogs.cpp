#include "platform/windowing/SystemDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace umbraxis {

namespace {

// Ctrl+C copies what the box says, caption, text and button, as the
// system's message boxes on Windows do, so that a user can pass an error on
// word for word.
class CopyableMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!event->matches(QKeySequence::Copy)) {
            QMessageBox::keyPressEvent(event);
            return;
        }
        const QString rule = QStringLiteral("---------------------------\n");
        QString copy = rule + windowTitle() + QLatin1Char('\n') + rule + text() + QLatin1Char('\n') + rule;
        for (QAbstractButton* button : buttons())
            copy += button->text().remove(QLatin1Char('&')) + QStringLiteral("   ");
        copy += QLatin1Char('\n') + rule;
        QGuiApplication::clipboard()->setText(copy);
    }
};

} // namespace

void MessageErrorBox::show(const QString& message)
{
    CopyableMessageBox box(QMessageBox::Critical, QStringLiteral("Umbraxis"), message + QLatin1Char('.'),
                           QMessageBox::Ok);
    // The program's windows stay on top during start-up; the error must not
    // hide behind them.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

QtDesktop::~QtDesktop()
{
    if (m_waiting && qGuiApp)
        QGuiApplication::restoreOverrideCursor();
}

void QtDesktop::beep()
{
    QApplication::beep();
}

void QtDesktop::setWaitCursor(bool on)
{
    // One level of override only, however often it is set or cleared.
    if (on == m_waiting)
        return;
    m_waiting = on;
    if (on)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

bool QtDesktop::placesWindowsItself() const
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace umbraxis
