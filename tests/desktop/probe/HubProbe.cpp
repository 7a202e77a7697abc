// The real program, whose About button is pressed by a timer once its menu
// stands on the screen: for window systems on which a test cannot click,
// this shows how a screen stands over the menu there.

#include "app/Program.h"
#include "app/RealServices.h"
#include "app/Startup.h"
#include "platform/process/TerminationSignals.h"
#include "platform/windowing/LockInstanceGuard.h"
#include "shell/Application.h"
#include "shell/TfMain.h"

#include <QTimer>
#include <QWindow>

int main(int argc, char** argv)
{
    umbraxis::RealServices::prepareProcess();
    umbraxis::Application app(argc, argv);
    umbraxis::nameApplication();
    umbraxis::LockInstanceGuard instance;
    umbraxis::RealServices real(instance);
    umbraxis::Program program(real.services());
    umbraxis::TerminationSignals ending([&program] { program.endAtOnce(); });
    QTimer press;
    press.setInterval(100);
    QObject::connect(&press, &QTimer::timeout, [&] {
        umbraxis::TfMain* menu = program.fMain();
        if (!menu || !menu->windowHandle() || !menu->windowHandle()->isExposed() || !program.fAbout())
            return;
        press.stop();
        // As a click on About would, after the menu has settled.
        QTimer::singleShot(1000, menu, [menu] { menu->Image6Click(); });
    });
    press.start();
    return program.run(app);
}
