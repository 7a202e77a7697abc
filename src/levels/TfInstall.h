#pragma once

#include "levels/LevelInstaller.h"
#include "locator/QuakeLocator.h"
#include "shell/Screen.h"
#include "shell/StatusProgress.h"

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace umbraxis {

class LevelList;
struct LevelShelf;

// The install screen: the levels on the CD and those installed, side by
// side, with the details of the current one; arrows and drags between the
// lists install and remove levels, and a status line with a bar shows the
// work as it happens.
class TfInstall : public Screen {
    Q_OBJECT
public:
    TfInstall(const Services& services, Shell& shell, LevelShelf& shelf, QWidget* parent = nullptr);
    ~TfInstall() override;

    void FormCreate() override;
    void FormShow() override;
    void FormDestroy() override;

    void Image1Click(); // install the selected levels
    void Image2Click(); // install all levels
    void Image3Click(); // remove the selected levels
    void Image7Click(); // remove all levels
    void Image5Click(); // help
    void Image6Click(); // back to the main menu
    void lbAvailableClick(LevelList* list);
    void lbAvailableDragDrop(LevelList* source);
    void lbInstalledDragDrop(LevelList* source);

    void LoadCatalogue(const QString& baseName);
    void ShowLevelDetails(const QString& title);
    bool SearchForQuake(QString& directory) { return m_locator.SearchForQuake(directory); }

    LevelList* lbAvailable = nullptr;       // levels on the CD not installed
    LevelList* lbInstalled = nullptr;       // levels installed
    QPlainTextEdit* mAuthor = nullptr;      // the current level's author text
    QPlainTextEdit* mDescription = nullptr; // the current level's description
    QLineEdit* eLevelName = nullptr;        // the current level's folder on the CD, in lower case
    QLabel* lStatus() const { return m_progress.lStatus(); }
    ProgressBar* ProgressBar1() const { return m_progress.ProgressBar1(); }
    StatusProgress& progress() { return m_progress; }
    LevelInstaller& installer() { return m_installer; }

private:
    void createLabels();
    void createLists();
    void createDetails();
    void showDetails(const LevelDetails& details);
    // The Quake directory for an action; empty ends it.
    QString findQuake() { return m_installer.FindQuake(); }
    // After an error ended an action midway: the level being handled, at
    // `row` of `from` and already added to `to`, is left in the one list its
    // record says it belongs in.
    void putBack(const QString& title, LevelList* from, int row, LevelList* to);
    // The status line after removals that left `kept` changed files.
    void showKept(int kept);

    LevelShelf& m_shelf;
    StatusProgress m_progress;
    QuakeLocator m_locator;
    LevelInstaller m_installer;
    QPixmap m_arrows[4];
};

} // namespace umbraxis
