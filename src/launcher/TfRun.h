#pragma once

#include "launcher/QuakeLauncher.h"
#include "locator/QuakeLocator.h"
#include "shell/Screen.h"
#include "shell/StatusProgress.h"

class QLabel;

namespace umbraxis {

class LevelList;
struct LevelShelf;

// The run screen: the installed levels, and three buttons that start Quake
// on the selected one alone, in deathmatch or in cooperative play. The screen
// stays open while the game runs.
class TfRun : public Screen {
    Q_OBJECT
public:
    TfRun(const Services& services, Shell& shell, LevelShelf& shelf, QWidget* parent = nullptr);

    void FormCreate() override;
    void FormShow() override;
    void FormDestroy() override;

    void Image1Click(); // single player
    void Image2Click(); // deathmatch
    void Image5Click(); // cooperative
    void Image3Click(); // help
    void Image4Click(); // back to the main menu
    void ListBox1Click();

    void RunQuake(const QString& title, const QString& mode);
    bool SearchForQuake(QString& directory) { return m_locator.SearchForQuake(directory); }

    LevelList* ListBox1 = nullptr; // the installed levels
    QLabel* Label1 = nullptr;      // "NO LEVELS INSTALLED", shown while the list is empty
    QLabel* lStatus() const { return m_progress.lStatus(); }
    ProgressBar* ProgressBar1() const { return m_progress.ProgressBar1(); }
    StatusProgress& progress() { return m_progress; }

private:
    // Runs Quake on the selected level, when one is.
    void runSelected(const QString& mode);

    LevelShelf& m_shelf;
    StatusProgress m_progress;
    QuakeLocator m_locator;
    QuakeLauncher m_launcher;
};

} // namespace umbraxis
