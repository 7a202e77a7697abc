#include "platform/MediaTransport.h"

#include "platform/AppError.h"

#include <QTimer>

#include <algorithm>

namespace umbraxis {

MediaTransport::MediaTransport(Host& host)
    : m_host(host)
{
}

MediaTransport::Request MediaTransport::takeRequest()
{
    const Request request{m_wait, m_notify};
    m_wait = false;
    m_notify = false;
    return request;
}

void MediaTransport::requireOpen() const
{
    if (!m_open)
        throw AppError(QString::fromLatin1(MediaText::NoDevice));
}

void MediaTransport::open(qint64 lengthMs)
{
    const Request request = takeRequest();
    closeDevice();
    m_open = true;
    m_length = std::max<qint64>(lengthMs, 0);
    m_position = 0;
    if (request.notify)
        post(MediaNotify::Successful);
}

void MediaTransport::openFailed()
{
    takeRequest();
}

void MediaTransport::close()
{
    const Request request = takeRequest();
    closeDevice();
    if (request.notify)
        post(MediaNotify::Successful);
}

void MediaTransport::closeDevice()
{
    if (!m_open)
        return;
    if (m_playing) {
        m_playing = false;
        m_host.halted(position());
    }
    ++m_generation;
    m_open = false;
    m_playNotify = false;
    m_length = 0;
    m_position = 0;
}

void MediaTransport::play()
{
    const Request request = takeRequest();
    requireOpen();
    settle();
    if (m_playing) {
        // A new play replaces the running one, which then will never send its
        // own notification.
        m_position = position();
        m_playing = false;
        if (m_playNotify)
            post(request.notify ? MediaNotify::Superseded : MediaNotify::Aborted);
        m_playNotify = false;
    }
    if (m_position >= m_length)
        m_position = 0;
    m_playing = true;
    m_playNotify = request.notify;
    m_startedAt = m_host.now();
    m_host.started(m_position);
    if (request.wait) {
        m_host.sleep(remaining());
        // The clock may have fallen just short of the end when the sleep
        // returns; a waiting play always ends at the end.
        if (m_playing)
            m_startedAt -= remaining();
        settle();
    }
}

void MediaTransport::stop()
{
    const Request request = takeRequest();
    requireOpen();
    settle();
    if (m_playing)
        halt(position(), MediaNotify::Aborted);
    if (request.notify)
        post(MediaNotify::Successful);
}

void MediaTransport::rewind()
{
    seek(0);
}

void MediaTransport::seek(qint64 ms)
{
    const Request request = takeRequest();
    requireOpen();
    settle();
    // Moving the position ends a running play, as with the classic seek.
    if (m_playing)
        halt(position(), MediaNotify::Aborted);
    m_position = std::clamp<qint64>(ms, 0, m_length);
    if (request.notify)
        post(MediaNotify::Successful);
}

MediaMode MediaTransport::mode() const
{
    if (!m_open)
        return MediaMode::NotReady;
    return m_playing && !reachedEnd() ? MediaMode::Playing : MediaMode::Stopped;
}

qint64 MediaTransport::position() const
{
    if (!m_open)
        return 0;
    if (!m_playing)
        return m_position;
    return std::min(m_length, m_position + std::max<qint64>(m_host.played(m_startedAt), 0));
}

qint64 MediaTransport::remaining() const
{
    if (!m_open || !m_playing)
        return -1;
    return m_length - position();
}

bool MediaTransport::reachedEnd() const
{
    return m_playing && position() >= m_length;
}

bool MediaTransport::endAtLength()
{
    if (!reachedEnd())
        return false;
    const bool notify = m_playNotify;
    m_playNotify = false;
    m_playing = false;
    m_position = m_length;
    m_host.halted(m_length);
    return notify;
}

void MediaTransport::settle()
{
    if (endAtLength())
        post(MediaNotify::Successful);
}

void MediaTransport::halt(qint64 at, MediaNotify pendingResult)
{
    m_playing = false;
    m_position = at;
    m_host.halted(at);
    if (m_playNotify)
        post(pendingResult);
    m_playNotify = false;
}

void MediaTransport::update()
{
    // The handler may close or even destroy this player, so nothing of it is
    // touched afterwards.
    if (endAtLength())
        deliver(MediaNotify::Successful);
}

void MediaTransport::fail()
{
    if (!m_playing)
        return;
    const bool notify = m_playNotify;
    m_playNotify = false;
    m_playing = false;
    m_position = m_length;
    m_host.halted(m_length);
    if (notify)
        deliver(MediaNotify::Failure);
}

void MediaTransport::post(MediaNotify result)
{
    const quint64 generation = m_generation;
    QTimer::singleShot(0, &m_context, [this, generation, result] {
        if (generation == m_generation)
            deliver(result);
    });
}

void MediaTransport::deliver(MediaNotify result)
{
    m_result = result;
    const std::function<void()> handler = m_handler;
    if (handler)
        handler();
}

} // namespace umbraxis
