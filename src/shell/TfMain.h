#pragma once

#include "shell/CuePlayer.h"
#include "shell/ImageButton.h"
#include "shell/Screen.h"

#include <QPointer>
#include <array>
#include <functional>
#include <memory>

namespace umbraxis {

class MediaPlayer;

// The main menu: the hub that opens every other screen, and the owner of
// what the whole program shares (the cue player, the Quake directory found
// in this run, the version text).
class TfMain : public Screen {
    Q_OBJECT
public:
    static constexpr int kButtons = 7;

    // Runs the creation handler; errors in it are shown in the error box.
    explicit TfMain(const Services& services, QWidget* parent = nullptr);
    ~TfMain() override;

    // True when the creation found another copy of the program running: the
    // program must end at once, showing nothing.
    bool endProgram() const { return m_endProgram; }

    void PlayCue(const QString& name);

    // What the menu buttons open; a target not set only plays the cue.
    struct Targets {
        std::function<void()> install;
        std::function<void()> briefing;
        std::function<void()> run;
        std::function<void(const QString& documentFile)> viewer;
        std::function<void()> about;
    };
    void setTargets(Targets targets) { m_targets = std::move(targets); }

    // The splash screen to retire at the first activation.
    void setSplash(QWidget* splash) { m_splash = splash; }
    QWidget* splash() const { return m_splash; }

    ImageButton* image(int number) const { return m_images.at(number - 1); }
    QWidget* panel(int number) const { return m_panels.at(number - 1); }

    std::unique_ptr<MediaPlayer> MediaPlayer1;
    QString KnownQuakeDir;
    QString VersionText;

    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormDestroy();
    void Image1Click();
    void Image2Click();
    void Image3Click();
    void Image4Click();
    void Image5Click();
    void Image6Click();
    void Image7Click();

signals:
    // The main screen was closed: the program ends.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();

    std::unique_ptr<CuePlayer> m_cues;
    std::array<QWidget*, kButtons> m_panels{};
    std::array<ImageButton*, kButtons> m_images{};
    std::array<QPixmap, kButtons> m_normal;
    std::array<QPixmap, kButtons> m_pressed;
    Targets m_targets;
    QPointer<QWidget> m_splash;
    bool m_endProgram = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

} // namespace umbraxis
