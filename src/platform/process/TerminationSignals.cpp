#include "platform/process/TerminationSignals.h"

#include "platform/Descriptor.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace umbraxis {

namespace {

constexpr int Handled[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe a signal handler writes into; the only thing a handler may touch.
Descriptor g_reader;
Descriptor g_writer;
struct sigaction g_previous[std::size(Handled)];

extern "C" void noteSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up: nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(g_writer.get(), &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : m_onSignal(std::move(onSignal))
{
    int ends[2];
    if (g_reader || ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_reader.reset(ends[0]);
    g_writer.reset(ends[1]);
    m_notifier = new QSocketNotifier(g_reader.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { drain(); });
    struct sigaction action { };
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(Handled); ++i)
        ::sigaction(Handled[i], &action, &g_previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < std::size(Handled); ++i)
        ::sigaction(Handled[i], &g_previous[i], nullptr);
    delete m_notifier;
    g_reader.reset();
    g_writer.reset();
}

void TerminationSignals::drain()
{
    char bytes[16];
    bool signalled = false;
    while (::read(g_reader.get(), bytes, sizeof bytes) > 0)
        signalled = true;
    if (signalled && m_onSignal)
        m_onSignal();
}

} // namespace umbraxis
