#pragma once

#include <QProcess>
#include <QString>

namespace umbraxis::testing {

// A private X server (Xvfb) for tests that run the real program.
class VirtualDisplay {
public:
    VirtualDisplay();
    ~VirtualDisplay();

    bool isRunning() const { return !m_name.isEmpty(); }
    // ":N"
    const QString& name() const { return m_name; }
    const QString& failure() const { return m_failure; }

    // Runs a command against this display and returns its standard output;
    // gives up after `timeoutMs`.
    QString run(const QString& program, const QStringList& arguments, int timeoutMs = 10000,
                int* exitCode = nullptr) const;

private:
    QProcess m_server;
    QString m_name;
    QString m_failure;
};

} // namespace umbraxis::testing
