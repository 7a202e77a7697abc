#include "platform/WaveOutput.h"

#include "platform/MediaThreads.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <sndfile.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace umbraxis {

namespace {

// What the device holds ahead of what it plays. A device given more in one go
// than it asked for stops asking until it runs dry.
constexpr qint64 BufferMs = 200;
constexpr int FeedMs = 20;
// How much silence follows a sound played to its end before its stream lets
// the device go: the device has played the end by then.
constexpr qint64 TailMs = 250;

// What the sound system said about its devices.
std::atomic<AudioPresence> g_presence{AudioPresence::Unknown};

// The one thread that feeds every sound to the device and asks the sound
// system about its devices.
MediaThread g_soundThread("sound");

QThread* soundThread()
{
    return g_soundThread.get();
}

// Runs `work` in the sound thread, after everything asked of it before.
void inSoundThread(std::function<void()> work)
{
    auto* context = new QObject;
    context->moveToThread(soundThread());
    QMetaObject::invokeMethod(
        context,
        [context, work = std::move(work)] {
            work();
            delete context;
        },
        Qt::QueuedConnection);
}

// Never destroyed: a thread may still wait on it when the program ends.
struct PresenceWait {
    std::mutex mutex;
    std::condition_variable known;
};
PresenceWait& presenceWait()
{
    static PresenceWait* wait = new PresenceWait;
    return *wait;
}

} // namespace

AudioPresence audioPresence()
{
    static std::once_flag asked;
    std::call_once(asked, [] {
        inSoundThread([] {
            const AudioPresence presence = QMediaDevices::audioOutputs().isEmpty() ? AudioPresence::Absent
                                                                                   : AudioPresence::Present;
            {
                std::lock_guard lock(presenceWait().mutex);
                g_presence = presence;
            }
            presenceWait().known.notify_all();
        });
    });
    return g_presence;
}

AudioPresence audioPresenceSoFar()
{
    return g_presence;
}

AudioPresence awaitAudioPresence()
{
    audioPresence();
    std::unique_lock lock(presenceWait().mutex);
    presenceWait().known.wait(lock, [] { return g_presence != AudioPresence::Unknown; });
    return g_presence;
}

// One sound's connection to the device, run in the sound thread. It writes
// the sound and then silence, so that the device never runs dry before the
// end has been heard, until the device has played the end and a little more;
// then it lets the device go.
//
// The program's thread never waits for the sound thread: it only posts work
// to it and reads what it publishes. Every start and halt begins a new
// generation; the sound thread publishes only for the generation it serves,
// so that work overtaken by a later command changes nothing the program
// reads.
class SoundStream : public QObject {
public:
    SoundStream() { moveToThread(soundThread()); }

    // Called in the program's thread; each returns at once.
    void start(const QByteArray& pcm, const QAudioFormat& format, qint64 fromByte)
    {
        const bool absent = audioPresence() == AudioPresence::Absent;
        quint64 generation = 0;
        {
            std::lock_guard lock(m_publishing);
            generation = ++m_generation;
            playedUs = 0;
            failed = false;
            noDevice = absent;
            streaming = !absent;
        }
        QMetaObject::invokeMethod(
            this, [=, this] { begin(generation, pcm, format, fromByte); }, Qt::QueuedConnection);
    }
    void halt()
    {
        overtake();
        QMetaObject::invokeMethod(
            this, [this] { end(); }, Qt::QueuedConnection);
    }
    // Ends the stream and deletes it in the sound thread.
    void release()
    {
        overtake();
        QMetaObject::invokeMethod(
            this,
            [this] {
                end();
                deleteLater();
            },
            Qt::QueuedConnection);
    }

    std::atomic<qint64> playedUs{0};
    std::atomic<bool> failed{false};
    std::atomic<bool> streaming{false};
    std::atomic<bool> noDevice{false};

private:
    void overtake()
    {
        std::lock_guard lock(m_publishing);
        ++m_generation;
        streaming = false;
    }

    bool current()
    {
        std::lock_guard lock(m_publishing);
        return m_serving == m_generation;
    }

    // Changes what the program reads, unless a later command has overtaken
    // the stream being served.
    template <typename Change>
    void publish(Change change)
    {
        std::lock_guard lock(m_publishing);
        if (m_serving == m_generation)
            change();
    }

    void begin(quint64 generation, const QByteArray& pcm, const QAudioFormat& format, qint64 fromByte)
    {
        end();
        {
            std::lock_guard lock(m_publishing);
            // A later start or a halt has overtaken this one.
            if (generation != m_generation)
                return;
            m_serving = generation;
        }
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull()) {
            // Without a device the sound is only timed, and that is no
            // failure.
            publish([this] {
                noDevice = true;
                streaming = false;
            });
            return;
        }
        m_pcm = pcm;
        m_next = fromByte;
        m_soundUs = format.durationForBytes(qint32(std::min<qsizetype>(pcm.size(), INT32_MAX)));
        m_silence = QByteArray(
            qsizetype(format.bytesForDuration(BufferMs * 1000) / format.bytesPerFrame() * format.bytesPerFrame()),
            '\0');
        m_sink = std::make_unique<QAudioSink>(device, format);
        m_sink->setBufferSize(qsizetype(format.bytesForDuration(BufferMs * 1000)));
        m_io = m_sink->start();
        if (!m_io || isBroken()) {
            publish([this] { failed = true; });
            end();
            return;
        }
        feed();
        if (!m_io)
            return;
        m_feeder = new QTimer(this);
        m_feeder->setInterval(FeedMs);
        m_feeder->setTimerType(Qt::PreciseTimer);
        connect(m_feeder, &QTimer::timeout, this, [this] { feed(); });
        m_feeder->start();
    }

    void feed()
    {
        if (!m_sink || !m_io)
            return;
        if (!current()) {
            end();
            return;
        }
        qint64 room = m_sink->bytesFree();
        while (room > 0) {
            const bool inSound = m_next < m_pcm.size();
            const char* data = inSound ? m_pcm.constData() + m_next : m_silence.constData();
            const qint64 available = inSound ? m_pcm.size() - m_next : m_silence.size();
            const qint64 written = m_io->write(data, std::min(room, available));
            if (written <= 0)
                break;
            if (inSound)
                m_next += written;
            room -= written;
        }
        const qint64 played = m_sink->processedUSecs();
        const bool broken = isBroken();
        publish([&] {
            playedUs = played;
            if (broken)
                failed = true;
        });
        if (!broken && m_next >= m_pcm.size() && played >= m_soundUs + TailMs * 1000)
            end();
    }

    bool isBroken() const
    {
        const QAudio::Error error = m_sink->error();
        return error == QAudio::OpenError || error == QAudio::IOError || error == QAudio::FatalError;
    }

    void end()
    {
        publish([this] { streaming = false; });
        // It may be the feeder's own tick that ends the stream.
        if (m_feeder) {
            m_feeder->stop();
            m_feeder->deleteLater();
        }
        m_feeder = nullptr;
        if (m_sink) {
            m_sink->stop();
            m_sink.reset();
        }
        m_io = nullptr;
    }

    // The newest command's generation and the one the sound thread serves;
    // what the program reads changes under this lock, held only for the
    // changes themselves.
    std::mutex m_publishing;
    quint64 m_generation = 0;
    quint64 m_serving = 0;

    QByteArray m_pcm;
    QByteArray m_silence;
    qint64 m_next = 0;
    qint64 m_soundUs = 0;
    std::unique_ptr<QAudioSink> m_sink;
    QIODevice* m_io = nullptr;
    QTimer* m_feeder = nullptr;
};

std::unique_ptr<WaveOutput> WaveOutput::decode(int fd, qint64 frames)
{
    SF_INFO info{};
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_TRUE);
    if (!file)
        return nullptr;
    std::unique_ptr<WaveOutput> sound;
    if (info.channels >= 1 && info.channels <= 2 && info.samplerate > 0 && info.frames >= 0
        && info.frames < qint64(1) << 30) {
        // The header's count is exact where the decoder would also play the
        // unused end of the last block.
        const sf_count_t wanted = std::clamp<sf_count_t>(frames, 0, info.frames);
        QByteArray pcm(qsizetype(wanted) * info.channels * qsizetype(sizeof(short)), Qt::Uninitialized);
        const sf_count_t got = sf_readf_short(file, reinterpret_cast<short*>(pcm.data()), wanted);
        if (got >= 0) {
            // What the decoder could read is the sound, whatever the header
            // promised.
            pcm.resize(qsizetype(got) * info.channels * qsizetype(sizeof(short)));
            QAudioFormat format;
            format.setSampleRate(info.samplerate);
            format.setChannelCount(info.channels);
            format.setSampleFormat(QAudioFormat::Int16);
            sound.reset(new WaveOutput(std::move(pcm), format));
        }
    }
    sf_close(file);
    return sound;
}

WaveOutput::WaveOutput(QByteArray pcm, const QAudioFormat& format)
    : m_pcm(std::move(pcm))
    , m_format(format)
{
}

WaveOutput::~WaveOutput()
{
    if (m_stream)
        m_stream->release();
}

qint64 WaveOutput::frames() const
{
    return m_pcm.size() / m_format.bytesPerFrame();
}

void WaveOutput::start(qint64 fromMs)
{
    if (!m_stream)
        m_stream = new SoundStream;
    const int frameBytes = m_format.bytesPerFrame();
    const qint64 from = std::min<qint64>(m_format.bytesForDuration(fromMs * 1000) / frameBytes * frameBytes,
                                         m_pcm.size());
    m_stream->start(m_pcm, m_format, from);
}

void WaveOutput::halt()
{
    if (m_stream)
        m_stream->halt();
}

qint64 WaveOutput::playedMs() const
{
    return m_stream ? m_stream->playedUs / 1000 : 0;
}

bool WaveOutput::failed() const
{
    return m_stream && m_stream->failed;
}

bool WaveOutput::noDevice() const
{
    return m_stream && m_stream->noDevice;
}

bool WaveOutput::streaming() const
{
    return m_stream && m_stream->streaming;
}

} // namespace umbraxis
