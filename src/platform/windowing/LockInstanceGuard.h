#pragma once

#include "platform/Descriptor.h"
#include "platform/InstanceGuard.h"

#include <QObject>
#include <QString>

class QLocalServer;

namespace umbraxis {

// One copy at a time: the first copy holds an exclusive lock on a file in
// the user's runtime folder for its whole life (the kernel drops it when the
// process ends, however it ends) and listens on a local socket beside it. A
// later copy fails to take the lock, asks the first through the socket to
// bring its window forward, and reports that another copy runs.
class LockInstanceGuard : public QObject, public InstanceGuard {
    Q_OBJECT
public:
    // `runtimeDir` empty: $XDG_RUNTIME_DIR, else /tmp.
    explicit LockInstanceGuard(const QString& runtimeDir = QString());
    ~LockInstanceGuard() override;

    bool ActivatePreviousInstance(const QString& windowTitle) override;

    // The activation token the latest later copy passed on (empty: none,
    // or one that was not plain).
    const QString& lastActivationToken() const { return m_lastToken; }
    int requestsHeard() const { return m_requestsHeard; }

    QString lockPath() const;
    QString socketPath() const;

    // Brings the top-level window titled `title` forward: shown normally
    // when minimised, else raised and activated. Hidden windows are left
    // alone (the program is still starting).
    static void activateWindowTitled(const QString& title, const QString& token = QString());

private:
    void listen();
    static void tellFirstCopy(const QString& socketPath, const QString& windowTitle);

    QString m_dir;
    QString m_prefix;
    // The lock, held for the program's whole life.
    Descriptor m_lock;
    QLocalServer* m_server = nullptr;
    QString m_lastToken;
    int m_requestsHeard = 0;
};

// Whether an activation token is one line of visible ASCII of sensible
// length, as desktops make them; anything else is not passed on.
bool isPlainToken(const QString& token);

} // namespace umbraxis
