#include "support/WaylandSession.h"

#include "support/VirtualDisplay.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QThread>

namespace umbraxis::testing {

QString nameOf(Compositor compositor)
{
    return compositor == Compositor::Weston ? QStringLiteral("weston") : QStringLiteral("mutter-wayland");
}

WaylandSession::WaylandSession(Compositor compositor, Output output)
    : m_compositor(compositor)
{
    if (!m_runtime.isValid()) {
        m_failure = QStringLiteral("no runtime folder");
        return;
    }
    QFile::setPermissions(m_runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
        environment.remove(QString::fromLatin1(name));
    const bool nested = output == Output::Nested;
    if (nested) {
        m_nest = std::make_unique<VirtualDisplay>(WindowManager::None);
        if (!m_nest->isRunning()) {
            m_failure = m_nest->failure();
            return;
        }
        environment.insert(QStringLiteral("DISPLAY"), m_nest->name());
        // The size of the nested compositor's one output.
        environment.insert(QStringLiteral("MUTTER_DEBUG_DUMMY_MODE_SPECS"), QStringLiteral("1024x768"));
    }
    m_server.setProcessEnvironment(environment);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.setStandardOutputFile(m_runtime.filePath(QStringLiteral("compositor.log")));
    if (compositor == Compositor::Weston) {
        startInOwnGroup(
            m_server, QStringLiteral("weston"),
            {nested ? QStringLiteral("--backend=x11-backend.so") : QStringLiteral("--backend=headless-backend.so"),
             QStringLiteral("--use-pixman"), QStringLiteral("--debug"), QStringLiteral("--idle-time=0"),
             QStringLiteral("--width=1024"), QStringLiteral("--height=768"), QStringLiteral("--socket=") + m_socket});
    } else {
        QStringList arguments{QStringLiteral("--"), QStringLiteral("mutter"), QStringLiteral("--wayland"),
                              QStringLiteral("--no-x11"), QStringLiteral("--wayland-display=") + m_socket};
        if (nested)
            arguments << QStringLiteral("--nested");
        else
            arguments << QStringLiteral("--headless") << QStringLiteral("--virtual-monitor")
                      << QStringLiteral("1024x768");
        startInOwnGroup(m_server, QStringLiteral("dbus-run-session"), arguments);
    }
    if (!m_server.waitForStarted(5000)) {
        m_failure = nameOf(compositor) + QStringLiteral(" cannot be started: ") + m_server.errorString();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000 && m_server.state() == QProcess::Running) {
        if (QFile::exists(m_runtime.filePath(m_socket))) {
            // The socket comes before the shell; a moment more for it.
            QThread::msleep(500);
            m_running = true;
            return;
        }
        QThread::msleep(50);
    }
    QFile log(m_runtime.filePath(QStringLiteral("compositor.log")));
    log.open(QIODevice::ReadOnly);
    m_failure = nameOf(compositor) + QStringLiteral(" did not open its socket: ")
        + QString::fromLocal8Bit(log.readAll().right(2000));
    stopGroup(m_server);
}

WaylandSession::~WaylandSession()
{
    stopGroup(m_server);
    m_nest.reset();
}

void WaylandSession::addTo(QProcessEnvironment& environment) const
{
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
}

QString WaylandSession::runClient(const QString& program, const QStringList& arguments, const QString& folder) const
{
    QProcess client;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    addTo(environment);
    client.setProcessEnvironment(environment);
    if (!folder.isEmpty())
        client.setWorkingDirectory(folder);
    client.start(program, arguments);
    if (!client.waitForFinished(10000)) {
        client.kill();
        client.waitForFinished(3000);
        return QString();
    }
    return QString::fromUtf8(client.readAllStandardOutput());
}

QList<MappedWindow> WaylandSession::sceneGraph() const
{
    QList<MappedWindow> windows;
    if (m_compositor != Compositor::Weston)
        return windows;
    // View 0 (role xdg_toplevel, PID 1, surface ID 23, top-level window 'T' of app, 0x...):
    //         position: (105, 147) -> (745, 627)
    static const QRegularExpression view(QStringLiteral(
        "top-level window '(.*)' of [^\\n]*\\n\\s*position: \\((-?\\d+), (-?\\d+)\\) -> \\((-?\\d+), (-?\\d+)\\)"));
    const QString graph = runClient(QStringLiteral("weston-debug"), {QStringLiteral("scene-graph")});
    for (auto match = view.globalMatch(graph); match.hasNext();) {
        const auto found = match.next();
        const QPoint from(found.captured(2).toInt(), found.captured(3).toInt());
        const QPoint to(found.captured(4).toInt(), found.captured(5).toInt());
        windows.append({plainTitle(found.captured(1)), QRect(from, QSize(to.x() - from.x(), to.y() - from.y()))});
    }
    return windows;
}

QImage WaylandSession::screenshot() const
{
    if (m_nest) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("output.png"));
        m_nest->run(QStringLiteral("import"),
                    {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                     QStringLiteral("1024x768+0+0"), QStringLiteral("+repage"), path},
                    20000);
        return QImage(path);
    }
    if (m_compositor != Compositor::Weston)
        return QImage();
    QTemporaryDir folder;
    runClient(QStringLiteral("weston-screenshooter"), {}, folder.path());
    const QStringList shots = QDir(folder.path()).entryList({QStringLiteral("*.png")}, QDir::Files);
    return shots.isEmpty() ? QImage() : QImage(folder.filePath(shots.first()));
}

void WaylandSession::click(const QPoint& at) const
{
    // The compositor passes the pointer's place on to its client with the
    // next motion: a second motion, and a moment, before the press make
    // sure the client knows where the press is.
    const QString x = QString::number(at.x());
    const QString y = QString::number(at.y());
    m_nest->run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x() + 1), y});
    m_nest->run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), x, y});
    QThread::msleep(150);
    m_nest->run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), x, y});
    m_nest->run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
}

void WaylandSession::key(const QString& name) const
{
    m_nest->run(QStringLiteral("xdotool"), {QStringLiteral("key"), name});
}

QStringList toplevelsInProtocolLog(const QByteArray& log)
{
    // [ 4033.6]  -> xdg_toplevel@14.set_title("Umbraxis - loading — Umbraxis")
    // [ 4035.5] xdg_toplevel@14.configure(0, 0, array[0])
    // [ 4084.2]  -> xdg_toplevel@14.destroy()
    static const QRegularExpression line(
        QStringLiteral("\\]\\s+(-> )?xdg_toplevel@(\\d+)\\.(set_title|configure|destroy)\\((.*)\\)\\s*$"));
    struct Toplevel {
        QString title;
        bool configured = false;
    };
    QHash<QString, Toplevel> live;
    QStringList order;
    for (const QByteArray& raw : log.split('\n')) {
        const auto found = line.match(QString::fromUtf8(raw));
        if (!found.hasMatch())
            continue;
        const QString id = found.captured(2);
        const QString what = found.captured(3);
        if (what == QLatin1String("destroy")) {
            live.remove(id);
            order.removeAll(id);
        } else if (what == QLatin1String("set_title")) {
            QString title = found.captured(4);
            if (title.startsWith(QLatin1Char('"')) && title.endsWith(QLatin1Char('"')))
                title = title.mid(1, title.size() - 2);
            live[id].title = plainTitle(title);
            if (!order.contains(id))
                order.append(id);
        } else if (found.captured(1).isEmpty()) {
            live[id].configured = true;
        }
    }
    QStringList titles;
    for (const QString& id : order) {
        if (live.value(id).configured)
            titles.append(live.value(id).title);
    }
    return titles;
}

QString plainTitle(const QString& shown)
{
    const QString suffix = QStringLiteral(" \u2014 Umbraxis");
    return shown.endsWith(suffix) ? shown.left(shown.size() - suffix.size()) : shown;
}

} // namespace umbraxis::testing
