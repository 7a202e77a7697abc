#pragma once

#include <QImage>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace umbraxis::testing {

class VirtualDisplay;

enum class Compositor {
    // weston on its headless back end, drawing with pixman, its debug
    // interface open (scene graph and screenshots).
    Weston,
    // GNOME's compositor, headless with one virtual monitor, in a session bus
    // of its own.
    Mutter,
};

QString nameOf(Compositor compositor);

// Where the compositor draws.
enum class Output {
    // Nowhere a test can see: no input reaches it.
    Headless,
    // Into a window of a private X server, which takes the pictures and
    // passes on the pointer and the keys a test sends there.
    Nested,
};

// A window as a Wayland compositor shows it: its title and where it stands.
struct MappedWindow {
    QString title;
    QRect place;
};

// A private Wayland compositor for tests that run the real program natively
// on Wayland. Its socket lies in a runtime folder of its own.
class WaylandSession {
public:
    explicit WaylandSession(Compositor compositor, Output output = Output::Headless);
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    bool isRunning() const { return m_running; }
    const QString& failure() const { return m_failure; }
    Compositor compositor() const { return m_compositor; }
    // The runtime folder that holds the compositor's socket.
    QString runtimeDir() const { return m_runtime.path(); }
    // What a program needs to show its windows on this compositor.
    void addTo(QProcessEnvironment& environment) const;

    // What the compositor has mapped, from its own scene graph (weston only;
    // empty elsewhere).
    QList<MappedWindow> sceneGraph() const;
    // The picture of the whole output: from weston itself, or from the X
    // server a nested compositor draws into; null elsewhere.
    QImage screenshot() const;
    // Whether the test can see the output, and whether it can click and type.
    bool canLook() const { return m_compositor == Compositor::Weston || m_nest; }
    bool canTouch() const { return m_nest != nullptr; }
    // A click of the left button and a key, at a point of the output.
    void click(const QPoint& at) const;
    void key(const QString& name) const;

private:
    QString runClient(const QString& program, const QStringList& arguments, const QString& folder = QString()) const;

    Compositor m_compositor;
    std::unique_ptr<VirtualDisplay> m_nest;
    QTemporaryDir m_runtime;
    QProcess m_server;
    QString m_socket = QStringLiteral("umbraxis-test");
    QString m_failure;
    bool m_running = false;
};

// The windows a program's own Wayland protocol log (WAYLAND_DEBUG=client)
// shows mapped at its end: toplevels given a title and configured by the
// compositor, not destroyed since. A window the program hides is destroyed
// on Wayland, so this is what stands on the screen.
QStringList toplevelsInProtocolLog(const QByteArray& log);

// A title as the program set it: Qt adds " — <application name>" to the
// titles it hands some window systems.
QString plainTitle(const QString& shown);

} // namespace umbraxis::testing
