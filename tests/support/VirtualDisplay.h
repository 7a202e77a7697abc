#pragma once

#include <QProcess>
#include <QString>

namespace umbraxis::testing {

// What manages the windows of a private X server.
enum class WindowManager {
    None,
    Openbox,
    // GNOME's window manager, in a session bus of its own.
    Mutter,
};

// The window manager named by UMBRAXIS_TEST_WINDOW_MANAGER ("openbox",
// "mutter"; anything else or nothing: none), so that one test program can run
// in several worlds.
WindowManager windowManagerFromEnvironment();
QString nameOf(WindowManager manager);

// Starts `process` in a process group of its own, so that stopGroup() ends
// it with everything it started (a session bus and its children, say).
void startInOwnGroup(QProcess& process, const QString& program, const QStringList& arguments);
void stopGroup(QProcess& process);

// A private X server (Xvfb) for tests that run the real program, with the
// window manager asked for already managing it.
class VirtualDisplay {
public:
    explicit VirtualDisplay(WindowManager manager = windowManagerFromEnvironment());
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool isRunning() const { return !m_name.isEmpty(); }
    // ":N"
    const QString& name() const { return m_name; }
    const QString& failure() const { return m_failure; }
    WindowManager windowManager() const { return m_manager; }

    // Runs a command against this display and returns its standard output;
    // gives up after `timeoutMs`.
    QString run(const QString& program, const QStringList& arguments, int timeoutMs = 10000,
                int* exitCode = nullptr) const;

private:
    bool startWindowManager();

    WindowManager m_manager;
    QProcess m_server;
    QProcess m_windowManager;
    QString m_name;
    QString m_failure;
};

} // namespace umbraxis::testing
