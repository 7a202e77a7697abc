#include "support/VirtualDisplay.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <signal.h>
#include <unistd.h>

namespace umbraxis::testing {

WindowManager windowManagerFromEnvironment()
{
    const QByteArray name = qgetenv("UMBRAXIS_TEST_WINDOW_MANAGER");
    if (name == "openbox")
        return WindowManager::Openbox;
    if (name == "mutter")
        return WindowManager::Mutter;
    return WindowManager::None;
}

QString nameOf(WindowManager manager)
{
    switch (manager) {
    case WindowManager::Openbox: return QStringLiteral("openbox");
    case WindowManager::Mutter: return QStringLiteral("mutter-x11");
    case WindowManager::None: break;
    }
    return QStringLiteral("no window manager");
}

void startInOwnGroup(QProcess& process, const QString& program, const QStringList& arguments)
{
    process.setChildProcessModifier([] { ::setsid(); });
    process.start(program, arguments);
}

void stopGroup(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    const pid_t group = pid_t(process.processId());
    ::kill(-group, SIGTERM);
    if (!process.waitForFinished(5000)) {
        ::kill(-group, SIGKILL);
        process.waitForFinished(3000);
    }
    // What the group's leader left behind goes as well.
    ::kill(-group, SIGKILL);
}

VirtualDisplay::VirtualDisplay(WindowManager manager)
    : m_manager(manager)
{
    for (int number = 91; number < 140 && m_name.isEmpty(); ++number) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))
            || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            continue;
        const QString name = QStringLiteral(":%1").arg(number);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(QStringLiteral("Xvfb"),
                       {name, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                        // Without a reset when the last client goes, a program
                        // started right after another always finds the server.
                        QStringLiteral("-noreset")});
        if (!m_server.waitForStarted(5000)) {
            m_failure = QStringLiteral("Xvfb cannot be started: ") + m_server.errorString();
            return;
        }
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000 && m_server.state() == QProcess::Running) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))) {
                m_name = name;
                break;
            }
            QThread::msleep(50);
        }
        if (m_name.isEmpty()) {
            m_server.kill();
            m_server.waitForFinished(3000);
        }
    }
    if (m_name.isEmpty() && m_failure.isEmpty())
        m_failure = QStringLiteral("no free display for Xvfb");
    if (!m_name.isEmpty() && m_manager != WindowManager::None && !startWindowManager())
        m_name.clear();
}

bool VirtualDisplay::startWindowManager()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_name);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    m_windowManager.setProcessEnvironment(environment);
    m_windowManager.setProcessChannelMode(QProcess::MergedChannels);
    m_windowManager.setStandardOutputFile(QProcess::nullDevice());
    if (m_manager == WindowManager::Openbox)
        startInOwnGroup(m_windowManager, QStringLiteral("openbox"), {});
    else
        startInOwnGroup(m_windowManager, QStringLiteral("dbus-run-session"),
                        {QStringLiteral("--"), QStringLiteral("mutter"), QStringLiteral("--x11"),
                         QStringLiteral("--replace"), QStringLiteral("--sm-disable")});
    if (!m_windowManager.waitForStarted(5000)) {
        m_failure = nameOf(m_manager) + QStringLiteral(" cannot be started: ") + m_windowManager.errorString();
        return false;
    }
    // A window manager is at work once it has announced itself on the root
    // window.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000 && m_windowManager.state() == QProcess::Running) {
        const QString check = run(QStringLiteral("xprop"),
                                  {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        if (check.contains(QStringLiteral("window id")))
            return true;
        QThread::msleep(100);
    }
    m_failure = nameOf(m_manager) + QStringLiteral(" did not take over the display");
    stopGroup(m_windowManager);
    return false;
}

VirtualDisplay::~VirtualDisplay()
{
    stopGroup(m_windowManager);
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(3000);
        }
    }
}

QString VirtualDisplay::run(const QString& program, const QStringList& arguments, int timeoutMs, int* exitCode) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_name);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(3000);
        if (exitCode)
            *exitCode = -1;
        return QString();
    }
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace umbraxis::testing
