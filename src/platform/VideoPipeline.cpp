#include "platform/VideoPipeline.h"

#include "platform/MediaThreads.h"
#include "platform/VideoSurface.h"
#include "platform/WaveOutput.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

#include <atomic>
#include <mutex>

namespace umbraxis {

namespace {

// How often a playing decoder's position is read.
constexpr int PositionMs = 10;

// The decoder's thread, and the thread its pictures are handed over in. The
// decoder's sink hands each picture to the thread the sink belongs to and
// waits for that thread to take it; kept apart from the decoder's thread,
// which waits on the decoder whenever it stops or closes it, the sink never
// keeps the decoder waiting.
MediaThread g_mediaThread("media");
MediaThread g_framesThread("frames");
// Decoders that have decoded pictures and not yet let them go.
std::atomic<int> g_decodersHolding{0};

// An object of the pictures' thread, to run work there.
QObject* framesThreadAnchor()
{
    static QPointer<QObject> anchor;
    if (!anchor) {
        anchor = new QObject;
        QThread* thread = g_framesThread.get();
        anchor->moveToThread(thread);
        QObject::connect(thread, &QThread::finished, anchor, &QObject::deleteLater);
    }
    return anchor;
}

} // namespace

struct VideoPipeline::State {
    std::atomic<qint64> position{0};
    std::atomic<bool> atEnd{false};
    std::atomic<bool> failed{false};
    std::atomic<int> frames{0};
    // The pipeline's owner has let it go: work not yet begun is not done.
    std::atomic<bool> abandoned{false};

    std::mutex mutex;
    QString errorText;
    VideoSurface* surface = nullptr;
    QVideoFrame latest;
    bool posted = false;
    // Whether the decoder counts among those holding pictures, and whether
    // it has let them go for good.
    bool holding = false;
    bool released = false;

    // In the pictures' thread: keeps the newest picture and, unless one is on
    // its way already, asks the surface's thread to show it.
    static void offer(const std::shared_ptr<State>& state, const QVideoFrame& frame)
    {
        if (!frame.isValid())
            return;
        ++state->frames;
        std::lock_guard lock(state->mutex);
        if (!state->holding && !state->released) {
            state->holding = true;
            ++g_decodersHolding;
        }
        state->latest = frame;
        if (state->surface && !state->posted) {
            state->posted = true;
            QMetaObject::invokeMethod(
                state->surface, [weak = std::weak_ptr<State>(state)] { deliver(weak); }, Qt::QueuedConnection);
        }
    }

    // In the surface's thread.
    static void deliver(const std::weak_ptr<State>& weak)
    {
        const std::shared_ptr<State> state = weak.lock();
        if (!state)
            return;
        QVideoFrame frame;
        VideoSurface* surface = nullptr;
        {
            std::lock_guard lock(state->mutex);
            frame = std::move(state->latest);
            state->latest = QVideoFrame();
            state->posted = false;
            surface = state->surface;
        }
        if (surface)
            surface->showFrame(frame);
    }
};

// The part that lives in the media thread. Every member function but the
// constructor runs there.
class VideoPipeline::Worker : public QObject {
public:
    explicit Worker(std::shared_ptr<State> state)
        : m_state(std::move(state))
    {
    }

    ~Worker() override
    {
        // The player goes first, while its sink is still there.
        delete m_player;
        if (m_sink)
            m_sink->deleteLater();
        delete m_audio;
        std::lock_guard lock(m_state->mutex);
        m_state->released = true;
        if (m_state->holding) {
            m_state->holding = false;
            --g_decodersHolding;
        }
    }

    void create(const QString& hostPath, bool withSound)
    {
        // An intro cut short at once needs no decoder at all.
        if (m_state->abandoned)
            return;
        // The media system's devices are set up once, by the sound thread's
        // question; the decoder is made when that has been answered.
        const bool soundDevice = awaitAudioPresence() == AudioPresence::Present;
        if (m_state->abandoned)
            return;
        m_player = new QMediaPlayer;
        // The sink is made in the thread that takes its pictures, and
        // belongs to it.
        QVideoSink* sink = nullptr;
        QMetaObject::invokeMethod(
            framesThreadAnchor(), [&sink] { sink = new QVideoSink; }, Qt::BlockingQueuedConnection);
        m_sink = sink;
        std::weak_ptr<State> weak = m_state;
        QObject::connect(m_sink, &QVideoSink::videoFrameChanged, m_sink, [weak](const QVideoFrame& frame) {
            if (const std::shared_ptr<State> state = weak.lock())
                State::offer(state, frame);
        });
        m_player->setVideoSink(m_sink);
        if (withSound && soundDevice) {
            m_audio = new QAudioOutput;
            m_player->setAudioOutput(m_audio);
        }
        QObject::connect(m_player, &QMediaPlayer::mediaStatusChanged, m_player,
                         [this](QMediaPlayer::MediaStatus status) {
                             if (status == QMediaPlayer::EndOfMedia)
                                 m_state->atEnd = true;
                         });
        QObject::connect(m_player, &QMediaPlayer::errorOccurred, m_player,
                         [this](QMediaPlayer::Error, const QString& text) {
                             {
                                 std::lock_guard lock(m_state->mutex);
                                 m_state->errorText = text;
                             }
                             m_state->failed = true;
                         });
        m_poll = new QTimer(m_player);
        m_poll->setInterval(PositionMs);
        QObject::connect(m_poll, &QTimer::timeout, m_player, [this] { readPosition(); });
        if (!m_state->abandoned)
            m_player->setSource(QUrl::fromLocalFile(hostPath));
    }

    void play(qint64 fromMs)
    {
        if (!m_player)
            return;
        m_state->atEnd = false;
        m_player->setPosition(fromMs);
        m_player->play();
        m_poll->start();
    }

    void pause()
    {
        if (!m_player)
            return;
        m_poll->stop();
        // A decoder that has run out is left as it is, so that its last
        // picture stays on screen instead of the first coming back.
        if (!m_state->atEnd)
            m_player->pause();
        readPosition();
    }

    void seek(qint64 ms)
    {
        if (!m_player)
            return;
        m_state->atEnd = false;
        m_player->setPosition(ms);
    }

private:
    void readPosition()
    {
        if (m_player->mediaStatus() == QMediaPlayer::EndOfMedia)
            m_state->atEnd = true;
        m_state->position = m_player->position();
    }

    std::shared_ptr<State> m_state;
    QMediaPlayer* m_player = nullptr;
    QVideoSink* m_sink = nullptr;
    QAudioOutput* m_audio = nullptr;
    QTimer* m_poll = nullptr;
};

VideoPipeline::VideoPipeline(const QString& hostPath, bool withSound)
    : m_state(std::make_shared<State>())
    , m_worker(new Worker(m_state))
{
    m_worker->moveToThread(g_mediaThread.get());
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, hostPath, withSound] { worker->create(hostPath, withSound); }, Qt::QueuedConnection);
}

VideoPipeline::~VideoPipeline()
{
    m_state->abandoned = true;
    showIn(nullptr);
    m_worker->deleteLater();
}

void VideoPipeline::showIn(VideoSurface* surface)
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->surface == surface)
        return;
    if (m_state->surface)
        m_state->surface->setOnGone({});
    m_state->surface = surface;
    m_state->posted = false;
    if (surface) {
        std::weak_ptr<State> weak = m_state;
        surface->setOnGone([weak, surface] {
            if (const std::shared_ptr<State> state = weak.lock()) {
                std::lock_guard lock(state->mutex);
                if (state->surface == surface) {
                    state->surface = nullptr;
                    state->posted = false;
                }
            }
        });
    }
}

void VideoPipeline::play(qint64 fromMs)
{
    m_state->atEnd = false;
    m_state->position = fromMs;
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, fromMs] { worker->play(fromMs); }, Qt::QueuedConnection);
}

void VideoPipeline::pause()
{
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker] { worker->pause(); }, Qt::QueuedConnection);
}

void VideoPipeline::seek(qint64 ms)
{
    m_state->atEnd = false;
    m_state->position = ms;
    Worker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, ms] { worker->seek(ms); }, Qt::QueuedConnection);
}

qint64 VideoPipeline::position() const
{
    return m_state->position;
}

bool VideoPipeline::atEnd() const
{
    return m_state->atEnd;
}

bool VideoPipeline::failed() const
{
    return m_state->failed;
}

QString VideoPipeline::errorText() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->errorText;
}

int VideoPipeline::framesDelivered() const
{
    return m_state->frames;
}

int videoDecodersHoldingPictures()
{
    return g_decodersHolding;
}

} // namespace umbraxis
