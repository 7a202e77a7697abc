#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;

namespace umbraxis {

class CdFinder;

// The window that asks for the CD when the program finds it neither in its
// working directory nor among the mounted file systems. It is made of plain
// controls, since without the CD there are no pictures to draw it with.
// While it is open it watches the mount table, so that a CD inserted (or a
// disc image opened) now is taken at once; the user may also choose the
// folder that holds the CD's files. Cancel ends the program.
class TfInsertCd : public QDialog {
    Q_OBJECT
public:
    // Asks for a folder; empty when the user changed their mind.
    using ChooseFolder = std::function<QString(QWidget* parent)>;

    // `chooseFolder` empty: the standard folder dialog.
    explicit TfInsertCd(const CdFinder& finder, ChooseFolder chooseFolder = {}, QWidget* parent = nullptr);
    ~TfInsertCd() override;

    // Shows the window until the CD is there; returns its root, or empty when
    // the user cancelled.
    static QString ask(const CdFinder& finder);

    // The root of the CD once the window was accepted.
    const QString& cdRoot() const { return m_cdRoot; }

    // Why `folder` is not the CD's root; empty when it is.
    static QString refusal(const QString& folder);

    void bChooseClick();
    void bCancelClick();
    void tPollTimer();

    QLabel* lTitle = nullptr;
    QLabel* lText = nullptr;
    QLabel* lReason = nullptr;
    QPushButton* bChoose = nullptr;
    QPushButton* bCancel = nullptr;
    QTimer* tPoll = nullptr;

private:
    void createControls();
    void take(const QString& root);

    const CdFinder& m_finder;
    ChooseFolder m_chooseFolder;
    // The mount table as last looked at: the mounts are searched again only
    // when it changes.
    QByteArray m_lastTable;
    bool m_searched = false;
    QString m_cdRoot;
};

} // namespace umbraxis
