#include "app/Startup.h"

#include "shell/Application.h"
#include "shell/TfMain.h"

#include <QScreen>
#include <memory>

namespace umbraxis {

void nameApplication()
{
    QApplication::setApplicationName(QStringLiteral("Umbraxis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Umbraxis"));
    QApplication::setOrganizationName(QStringLiteral("Corvantide"));
}

namespace {

void centreOnScreen(QWidget& window)
{
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window.move(area.center() - window.rect().center());
    }
}

} // namespace

int runProgram(Application& app, const Services& services)
{
    app.setErrorBox(services.errors);
    // The program ends when the main menu closes, not when its last visible
    // window goes away (modal screens hide it from view).
    app.setQuitOnLastWindowClosed(false);

    auto fMain = std::make_unique<TfMain>(services);
    if (fMain->endProgram())
        return 0;
    QObject::connect(fMain.get(), &TfMain::closed, &app, [] { QCoreApplication::exit(0); });

    centreOnScreen(*fMain);
    fMain->show();
    return app.exec();
}

} // namespace umbraxis
