#pragma once

#include "platform/MediaPlayer.h"
#include "shell/Screen.h"
#include "shell/Shell.h"

#include <functional>
#include <memory>

namespace umbraxis {

// The main menu: the hub that opens every other screen, and the owner of
// what the whole program shares (the Shell: cue player, the Quake directory
// found in this run, the version text, its own position).
class TfMain : public Screen {
    Q_OBJECT
public:
    static constexpr int kButtons = 7;

    explicit TfMain(const Services& services, QWidget* parent = nullptr);

    // True when the creation found another copy of the program running: the
    // program must end at once, showing nothing.
    bool endProgram() const { return m_endProgram; }

    void PlayCue(const QString& name) { shell().PlayCue(name); }

    // What the menu buttons open; a target not set only plays the cue.
    struct Targets {
        std::function<void()> install;
        std::function<void()> briefing;
        std::function<void()> run;
        std::function<void(const QString& documentFile)> viewer;
        std::function<void()> about;
    };
    void setTargets(Targets targets) { m_targets = std::move(targets); }

    // Called at every activation: hides and destroys the splash screen while
    // it is still there.
    void setRetireSplash(std::function<void()> retire) { m_retireSplash = std::move(retire); }

    std::unique_ptr<MediaPlayer> MediaPlayer1;

    void FormCreate() override;
    void FormShow() override;
    void FormActivate() override;
    void FormDestroy() override;
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
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Shell> m_shell;
    Targets m_targets;
    std::function<void()> m_retireSplash;
    bool m_endProgram = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

} // namespace umbraxis
