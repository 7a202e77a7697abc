#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace umbraxis {

// The session asking the program to end (SIGTERM at logout or shutdown,
// SIGHUP when its terminal goes, SIGINT from Ctrl+C): `onSignal` runs in the
// program's thread, from its event loop, so that the program ends the way its
// Exit button ends it. The signals' earlier handling comes back when this
// object goes.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    void drain();

    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace umbraxis
