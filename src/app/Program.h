#pragma once

#include "levels/LevelShelf.h"
#include "platform/Services.h"
#include "shell/Screen.h"

namespace umbraxis {

class Application;
class TfInstall;
class TfRun;
class TfMain;
class TfView;

// The program's screens, created in the order of start-up and owned here
// until the program ends. It wires the menu's buttons to the screens they
// open; only this class knows every screen.
class Program {
public:
    explicit Program(const Services& services);
    ~Program();

    // Brings the program up in its fixed order and runs it until the main
    // menu closes. Returns the program's exit code.
    int run(Application& app);

    TfMain* fMain() const { return m_main.get(); }
    TfView* fView() const { return m_view.get(); }
    TfInstall* fInstall() const { return m_install.get(); }
    TfRun* fRun() const { return m_run.get(); }

private:
    void createScreens();
    void wireScreens();
    void showDocument(const QString& documentFile);

    const Services& m_services;
    // The one level catalogue, loaded by the install screen and walked by
    // the run screen.
    LevelShelf m_shelf;
    // Destroyed in the reverse order: the main screen, whose shell every
    // other screen uses, goes last.
    ScreenPtr<TfMain> m_main;
    ScreenPtr<TfView> m_view;
    ScreenPtr<TfInstall> m_install;
    ScreenPtr<TfRun> m_run;
};

} // namespace umbraxis
