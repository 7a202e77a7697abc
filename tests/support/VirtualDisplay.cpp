#include "support/VirtualDisplay.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace umbraxis::testing {

VirtualDisplay::VirtualDisplay()
{
    for (int number = 91; number < 140 && m_name.isEmpty(); ++number) {
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))
            || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            continue;
        const QString name = QStringLiteral(":%1").arg(number);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(QStringLiteral("Xvfb"), {name, QStringLiteral("-screen"), QStringLiteral("0"),
                                                QStringLiteral("1024x768x24"),
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
}

VirtualDisplay::~VirtualDisplay()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(3000);
        }
    }
}

QString VirtualDisplay::run(const QString& program, const QStringList& arguments, int timeoutMs,
                            int* exitCode) const
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
