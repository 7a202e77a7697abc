#pragma once

#include "shell/CuePlayer.h"

#include <QPoint>
#include <QString>

#include <functional>

class QWidget;

namespace umbraxis {

class FileSystem;
class MediaPlayer;

// What the main screen shares with every other screen and with the logic:
// the sound cues, the Quake directory found in this run, the version text and
// where the main screen stands. The main screen owns it; nobody else needs the
// main screen itself.
class Shell {
public:
    Shell(MediaPlayer& cuePlayer, const FileSystem& files);
    virtual ~Shell() = default;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    // Plays "sounds\" + name through the one cue player; errors are raised.
    virtual void PlayCue(const QString& name);
    // The player behind the cues, which the briefing stops before its music.
    MediaPlayer& MediaPlayer1() { return m_player; }

    // The main screen's top-left corner on the desktop; every full-window
    // screen moves there when it is shown, so that it covers the menu.
    QPoint mainPosition() const { return m_mainPosition ? m_mainPosition() : QPoint(); }
    void setMainPosition(std::function<QPoint()> position) { m_mainPosition = std::move(position); }
    // The main screen's window: the one a screen opened from the menu stands
    // over (on window systems that place windows themselves, as its child).
    QWidget* mainWindow() const { return m_mainWindow; }
    void setMainWindow(QWidget* window) { m_mainWindow = window; }

    // Shows a document in the viewer, modally over the current screen.
    void ShowDocument(const QString& documentFile);
    void setDocumentViewer(std::function<void(const QString&)> viewer) { m_viewer = std::move(viewer); }

    // The Quake directory found in this run ("c:\quake\"); empty while none
    // is known.
    QString KnownQuakeDir;
    // The program's version, "1.0", as the settings record it and the about
    // screen shows it.
    QString VersionText;

private:
    MediaPlayer& m_player;
    CuePlayer m_cues;
    std::function<QPoint()> m_mainPosition;
    QWidget* m_mainWindow = nullptr;
    std::function<void(const QString&)> m_viewer;
};

} // namespace umbraxis
