#pragma once

#include "levels/LevelShelf.h"
#include "platform/Services.h"
#include "screens/Tips.h"
#include "shell/Screen.h"

namespace umbraxis {

class Application;
class TfAbout;
class TfBrief;
class TfInstall;
class TfLogo;
class TfMain;
class TfRun;
class TfSplash;
class TfView;

// The program's screens, created in the order of start-up and owned here
// until the program ends; the splash and the logo intro only until the
// main menu takes over. It wires the menu's buttons to the screens they
// open; only this class knows every screen.
class Program {
public:
    explicit Program(const Services& services);
    ~Program();

    // Brings the program up in its fixed order and runs it until the main
    // menu closes. Returns the program's exit code.
    int run(Application& app);
    // Ends the program as its Exit button does, from whatever step it is in:
    // an intro that plays is cut short, open screens close, and run()
    // returns 0.
    void endAtOnce();

    TfMain* fMain() const { return m_main.get(); }
    TfSplash* fSplash() const { return m_splash.get(); }
    TfAbout* fAbout() const { return m_about.get(); }
    TfView* fView() const { return m_view.get(); }
    TfInstall* fInstall() const { return m_install.get(); }
    TfBrief* fBrief() const { return m_brief.get(); }
    TfRun* fRun() const { return m_run.get(); }

private:
    void showSplash();
    void playIntro();
    void createScreens();
    void wireScreens();
    void showDocument(const QString& documentFile);
    // At the main menu's activation: the splash goes, once.
    void retireSplash();
    // Retires the splash where the menu is never activated.
    void watchForMenu();

    const Services& m_services;
    // The one level catalogue, loaded by the install screen and walked by
    // the run screen.
    LevelShelf m_shelf;
    // The program's one pseudo-random generator, for the tips.
    TipRandom m_random;
    // Destroyed in the reverse order: the main screen, whose shell every
    // other screen uses, goes last.
    ScreenPtr<TfMain> m_main;
    ScreenPtr<TfSplash> m_splash;
    ScreenPtr<TfAbout> m_about;
    ScreenPtr<TfView> m_view;
    ScreenPtr<TfInstall> m_install;
    ScreenPtr<TfBrief> m_brief;
    ScreenPtr<TfRun> m_run;
    bool m_splashRetiring = false;
    bool m_ending = false;
    // The intro while it plays.
    TfLogo* m_logo = nullptr;
};

} // namespace umbraxis
