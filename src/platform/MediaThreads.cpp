#include "platform/MediaThreads.h"

#include "platform/WaveOutput.h"

#include <QCoreApplication>
#include <QMutex>
#include <QThread>

#include <atomic>
#include <vector>

namespace umbraxis {

namespace {

// How long the end of the program waits for each media thread.
constexpr unsigned long StopMs = 3000;

std::atomic<bool> g_leftBehind{false};

// The media threads running, in the order they were started.
QMutex g_guard;
std::vector<MediaThread*> g_running;

} // namespace

QThread* MediaThread::get()
{
    QMutexLocker lock(&g_guard);
    if (!m_thread) {
        if (g_running.empty())
            qAddPostRoutine(stopAll);
        m_thread = new QThread;
        m_thread->setObjectName(QString::fromLatin1(m_name));
        m_thread->start();
        g_running.push_back(this);
    }
    return m_thread;
}

void MediaThread::stopAll()
{
    std::vector<MediaThread*> stopping;
    {
        QMutexLocker lock(&g_guard);
        stopping.swap(g_running);
    }
    for (MediaThread* media : stopping) {
        QThread* thread = media->m_thread;
        thread->quit();
        // A thread still waiting for the sound system's answer about its
        // devices is held for as long as the sound server keeps silent.
        if (audioPresenceSoFar() != AudioPresence::Unknown && thread->wait(StopMs))
            delete thread;
        else
            g_leftBehind = true;
        QMutexLocker lock(&g_guard);
        media->m_thread = nullptr;
    }
}

bool mediaThreadLeftBehind()
{
    return g_leftBehind;
}

} // namespace umbraxis
