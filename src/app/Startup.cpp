#include "app/Startup.h"

#include <QApplication>
#include <QIcon>

namespace umbraxis {

void nameApplication()
{
    QApplication::setApplicationName(QStringLiteral("Umbraxis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Umbraxis"));
    QApplication::setOrganizationName(QStringLiteral("Corvantide"));
    // The name of the installed menu entry and icon, by which desktops tie
    // the program's windows to them.
    QApplication::setDesktopFileName(QStringLiteral("com.corvantide.Umbraxis"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.corvantide.Umbraxis")));
}

} // namespace umbraxis
