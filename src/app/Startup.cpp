#include "app/Startup.h"

#include <QApplication>

namespace umbraxis {

void nameApplication()
{
    QApplication::setApplicationName(QStringLiteral("Umbraxis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Umbraxis"));
    QApplication::setOrganizationName(QStringLiteral("Corvantide"));
}

} // namespace umbraxis
