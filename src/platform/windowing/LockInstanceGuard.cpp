#include "platform/windowing/LockInstanceGuard.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace umbraxis {

namespace {

constexpr int kTalkTimeoutMs = 1000;
constexpr int kMaxTokenLength = 512;

// The token a desktop hands a program it starts, by which the program may
// bring a window to the front on Wayland; a later copy passes it on to the
// first, which has the window.
QString activationToken()
{
    const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return isPlainToken(token) ? token : QString();
}

} // namespace

bool isPlainToken(const QString& token)
{
    if (token.isEmpty() || token.size() > kMaxTokenLength)
        return false;
    for (const QChar c : token) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f)
            return false;
    }
    return true;
}

LockInstanceGuard::LockInstanceGuard(const QString& runtimeDir)
    : m_dir(runtimeDir)
    , m_prefix(QStringLiteral("Umbraxis-SemaphoreName"))
{
    if (m_dir.isEmpty())
        m_dir = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (m_dir.isEmpty()) {
        // /tmp is shared by every user: keep one user's lock apart from another's.
        m_dir = QStringLiteral("/tmp");
        m_prefix += QStringLiteral("-%1").arg(::getuid());
    }
}

LockInstanceGuard::~LockInstanceGuard()
{
    if (m_server)
        m_server->close();
}

QString LockInstanceGuard::lockPath() const
{
    return m_dir + QLatin1Char('/') + m_prefix + QStringLiteral(".lock");
}

QString LockInstanceGuard::socketPath() const
{
    return m_dir + QLatin1Char('/') + m_prefix + QStringLiteral(".sock");
}

bool LockInstanceGuard::ActivatePreviousInstance(const QString& windowTitle)
{
    if (m_lock)
        return false; // this process already is the first copy

    const QByteArray path = lockPath().toLocal8Bit();
    Descriptor fd(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd)
        return false; // no lock can be had: run as the only copy
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
        m_lock = std::move(fd);
        listen();
        return false;
    }
    if (errno != EWOULDBLOCK)
        return false;
    fd.reset();
    tellFirstCopy(socketPath(), windowTitle);
    return true;
}

void LockInstanceGuard::listen()
{
    // Holding the lock proves that any socket left behind is stale.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath()))
        return; // later copies then still end; they only cannot raise this one
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                while (socket->canReadLine()) {
                    // "<title>" or "<title>\t<activation token>"
                    const QString line = QString::fromUtf8(socket->readLine()).trimmed();
                    const QString token = line.section(QLatin1Char('\t'), 1);
                    m_lastToken = isPlainToken(token) ? token : QString();
                    ++m_requestsHeard;
                    activateWindowTitled(line.section(QLatin1Char('\t'), 0, 0), m_lastToken);
                }
            });
        }
    });
}

void LockInstanceGuard::tellFirstCopy(const QString& socketPath, const QString& windowTitle)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(kTalkTimeoutMs))
        return;
    QByteArray line = windowTitle.toUtf8();
    if (const QString token = activationToken(); !token.isEmpty())
        line += '\t' + token.toUtf8();
    socket.write(line + '\n');
    socket.waitForBytesWritten(kTalkTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kTalkTimeoutMs);
}

void LockInstanceGuard::activateWindowTitled(const QString& title, const QString& token)
{
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget* widget : widgets) {
        if (widget->windowTitle() != title || !widget->isVisible())
            continue;
        // On Wayland the activation goes through the compositor's activation
        // protocol, with the token the later copy was started with, where
        // there is one (the toolkit takes it from the environment and clears
        // it); the compositor decides.
        const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
        if (wayland && !token.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        if (widget->isMinimized()) {
            widget->showNormal();
        } else {
            widget->raise();
        }
        widget->activateWindow();
        return;
    }
}

} // namespace umbraxis
