#include "platform/windowing/SystemDialogs.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

namespace umbraxis {

void MessageErrorBox::show(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Umbraxis"),
                    message + QLatin1Char('.'), QMessageBox::Ok);
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
