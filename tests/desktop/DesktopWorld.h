#pragma once

// The real program on the desktops people run: X11 without and with a window
// manager, and native Wayland compositors.

#include "support/VirtualDisplay.h"
#include "support/WaylandSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace umbraxis::testing {

enum class World {
    BareX,
    Openbox,
    MutterX11,
    Weston,
    MutterWayland,
    // GNOME's compositor drawing into a private X server, through which a
    // test can click and type and take pictures. (weston's X11 back end
    // takes no pointer motion from a test's synthetic input.)
    MutterNested,
};

QString nameOf(World world);

// A program's window as the window system shows it.
struct ShownWindow {
    QString id; // the X11 window; empty on Wayland
    QString title;
    QRect place;
};

class DesktopWorld : public ::testing::TestWithParam<World> {
protected:
    void SetUp() override;

    bool isWayland() const { return m_wayland != nullptr; }
    // Whether the test can tell where windows stand and take pictures.
    bool canLook() const { return !isWayland() || m_wayland->canLook(); }
    // Whether the test can click and type.
    bool canTouch() const { return !isWayland() || m_wayland->canTouch(); }
    bool isNested() const { return isWayland() && m_wayland->canTouch(); }

    // Starts `binary` (the program unless given) in the sample CD's root.
    void start(QProcess& program, const QString& binary = QString());
    // The program's windows on the screen now, the latest last.
    QList<ShownWindow> windows() const;
    QStringList titles() const;
    // Waits until `done` holds; meanwhile an intro on the screen is cut short
    // with a key where the test can type.
    bool waitUntil(const std::function<bool()>& done, int timeoutMs, bool cutIntro = true);
    bool menuAlone() const { return titles() == QStringList{QStringLiteral("Umbraxis")}; }

    void click(const ShownWindow& window, int x, int y) const;
    // Where the menu's picture stands on a nested compositor's output, found
    // in a picture of it; invalid when it is not to be seen.
    QRect findMenu() const;
    // What the screen shows, kept in the build's artefacts as
    // "<world>-<name>.png" (not kept without a name); the whole screen where
    // the window system shows no single window's place.
    QImage screenshot(const QString& name, const QRect& area = QRect()) const;
    // Ends the program as its user would: the Exit button where the test
    // can click, else the session's request to end (SIGTERM).
    void endProgram(QProcess& program);

    std::unique_ptr<VirtualDisplay> m_display;
    std::unique_ptr<WaylandSession> m_wayland;
    QTemporaryDir m_home;
    // The protocol logs of the programs started (Wayland).
    QStringList m_protocolLogs;
};

inline QString binaryDir()
{
    return QString::fromLocal8Bit(qgetenv("UMBRAXIS_BINARY_DIR"));
}

} // namespace umbraxis::testing
