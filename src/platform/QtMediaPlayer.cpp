#include "platform/QtMediaPlayer.h"

#include "platform/AppError.h"
#include "platform/RegularFile.h"
#include "platform/VideoPipeline.h"
#include "platform/VideoSurface.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <limits>
#include <sys/mman.h>
#include <unistd.h>

namespace umbraxis {

namespace {

// A device that has played nothing new for this long has failed.
constexpr qint64 StallMs = 3000;
// How often a play that follows its device looks at it near the end, and at
// the most while it is far from it.
constexpr int PollMs = 10;
constexpr qint64 FarPollMs = 250;
// How often a video's sound track, waiting for the first picture, looks for
// it, and how long it waits at the most.
constexpr int TrackLookMs = 5;
constexpr qint64 TrackWaitMs = 1000;
// How often a wait for closed decoders looks at them.
constexpr unsigned long ReleaseLookMs = 5;

// The sound track of the video open on `fd`, decoded for the program's own
// sound path; null when there is none or it is in an encoding the program's
// decoder cannot read.
std::unique_ptr<WaveOutput> decodeSoundTrack(int fd)
{
    QFile file;
    if (::lseek(fd, 0, SEEK_SET) != 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return nullptr;
    const std::optional<QByteArray> wave = aviSoundTrackAsWave(file);
    file.close();
    if (!wave)
        return nullptr;
    const int memory = ::memfd_create("umbraxis-sound-track", MFD_CLOEXEC);
    if (memory < 0)
        return nullptr;
    qsizetype written = 0;
    while (written < wave->size()) {
        const ssize_t n = ::write(memory, wave->constData() + written, size_t(wave->size() - written));
        if (n <= 0) {
            ::close(memory);
            return nullptr;
        }
        written += n;
    }
    ::lseek(memory, 0, SEEK_SET);
    // The decoder closes the descriptor.
    return WaveOutput::decode(memory, std::numeric_limits<qint64>::max());
}

QString defaultResolve(const QString& programPath)
{
    QString host = programPath;
    host.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return host;
}

} // namespace

QtMediaPlayer::QtMediaPlayer(MediaPathResolver resolver)
    : m_resolver(resolver ? std::move(resolver) : MediaPathResolver(defaultResolve))
    , m_transport(*this)
{
    m_clock.start();
    m_endTimer.setSingleShot(true);
    m_endTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_endTimer, &QTimer::timeout, [this] { endTimerFired(); });
    m_trackTimer.setInterval(TrackLookMs);
    m_trackTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_trackTimer, &QTimer::timeout, [this] { startTrackWithPictures(); });
}

void QtMediaPlayer::startTrackWithPictures()
{
    // The sound track sets out with the first new picture, so that the two
    // begin together; a decoder that shows nothing for a second is not
    // waited for.
    if (!m_track || !m_video) {
        m_trackTimer.stop();
        return;
    }
    if (m_video->framesDelivered() <= m_trackFramesAt && now() - m_trackAskedAt < TrackWaitMs)
        return;
    m_trackTimer.stop();
    m_track->start(m_playFrom);
}

VideoSurface* QtMediaPlayer::videoWidget() const
{
    return m_surface;
}

QtMediaPlayer::~QtMediaPlayer()
{
    m_endTimer.stop();
    destroyBackend();
}

void QtMediaPlayer::open()
{
    if (m_transport.isOpen()) {
        m_transport.closeDevice();
        destroyBackend();
    }
    int fd = -1;
    try {
        if (m_fileName.isEmpty())
            throw AppError(QString::fromLatin1(MediaText::NotFound));
        const std::optional<MediaKind> kind = mediaKindForPath(m_fileName);
        if (!kind)
            throw AppError(QString::fromLatin1(MediaText::UnknownType));
        const QString hostPath = m_resolver(m_fileName);
        const QFileInfo info(hostPath);
        if (hostPath.isEmpty() || !info.exists() || info.isDir())
            throw AppError(QString::fromLatin1(MediaText::NotFound));
        int error = 0;
        fd = openRegularFile(QFile::encodeName(hostPath), error);
        if (fd < 0)
            throw AppError(QString::fromLatin1(MediaText::CannotOpen));
        QFile file;
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            throw AppError(QString::fromLatin1(MediaText::CannotOpen));
        const MediaHeaderResult result = readMediaHeader(file, *kind);
        file.close();
        if (!result.ok)
            throw AppError(result.error.isEmpty() ? QString::fromLatin1(MediaText::UnknownError) : result.error);
        m_header = result.header;
        createBackend(info.absoluteFilePath(), *kind, fd);
        fd = -1;
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        m_transport.openFailed();
        throw;
    }
    m_transport.open(m_header.lengthMs);
}

void QtMediaPlayer::close()
{
    m_transport.close();
    destroyBackend();
}

void QtMediaPlayer::play()
{
    m_transport.play();
}

void QtMediaPlayer::stop()
{
    m_transport.stop();
}

void QtMediaPlayer::rewind()
{
    m_transport.rewind();
}

void QtMediaPlayer::setPosition(qint64 ms)
{
    m_transport.seek(ms);
    if (m_video)
        m_video->seek(m_transport.position());
}

void QtMediaPlayer::setOnNotify(std::function<void()> handler)
{
    m_transport.setOnNotify(std::move(handler));
}

void QtMediaPlayer::setDisplay(QWidget* display)
{
    m_display = display;
    placeVideo();
}

void QtMediaPlayer::setDisplayRect(const QRect& rect)
{
    m_displayRect = rect;
    placeVideo();
}

qint64 QtMediaPlayer::played(qint64 startedAt) const
{
    if (!followsDevice())
        return now() - startedAt;
    if (!m_wave)
        return decodedPosition() - m_playFrom;
    // The device counts from where its stream began, which a play resumed
    // without a new stream lies behind.
    return m_streamFrom + m_wave->playedMs() - m_playFrom;
}

qint64 QtMediaPlayer::decodedPosition() const
{
    // A decoder that has run out has shown the whole video, whatever its
    // last position said.
    if (m_video->atEnd())
        return m_header.lengthMs;
    return m_video->position();
}

void QtMediaPlayer::sleep(qint64 ms)
{
    if (!followsDevice()) {
        if (ms > 0)
            QThread::msleep(static_cast<unsigned long>(ms));
        return;
    }
    // The device plays on by itself; the wait ends when it has played the
    // sound (or fails, and the clock takes over).
    while (followsDevice() && m_transport.remaining() > 0) {
        watchDevice();
        QThread::msleep(PollMs / 2);
    }
}

void QtMediaPlayer::started(qint64 fromMs)
{
    if (m_wave) {
        // A stop followed at once by a play from the same place (the same
        // cue asked for again while it plays) leaves the stream running: the
        // sound goes on without a break, and the device is spared a restart
        // for every step of a long walk.
        const bool resume = m_haltPending && fromMs == m_haltedAt && !m_clockStandsIn;
        m_haltPending = false;
        m_playFrom = fromMs;
        if (!resume) {
            m_clockStandsIn = false;
            m_streamFrom = fromMs;
            m_wave->start(fromMs);
            m_lastPlayed = 0;
            m_lastProgressAt = now();
        }
        watchDevice();
    }
    if (m_video) {
        m_playFrom = fromMs;
        m_clockStandsIn = false;
        m_lastPlayed = -1;
        m_lastProgressAt = now();
        m_video->play(fromMs);
        if (m_track) {
            m_trackFramesAt = m_video->framesDelivered();
            m_trackAskedAt = now();
            m_trackTimer.start();
        }
    }
    m_endTimer.start(int(followsDevice() ? devicePollMs() : std::max<qint64>(m_transport.remaining(), 0)));
}

void QtMediaPlayer::watchDevice()
{
    if (!followsDevice())
        return;
    const qint64 played = m_wave ? m_wave->playedMs() : decodedPosition();
    if (played > m_lastPlayed) {
        m_lastPlayed = played;
        m_lastProgressAt = now();
    }
    const bool broken = m_wave ? m_wave->failed() : m_video->failed();
    if (broken || now() - m_lastProgressAt > StallMs) {
        m_clockStandsIn = true;
        if (m_wave)
            m_wave->halt();
    }
}

qint64 QtMediaPlayer::devicePollMs() const
{
    // Seldom while the end is far, often once it is near: the end is
    // noticed within a poll, and a device that stops moving within a
    // quarter of a second of its stall limit.
    return std::clamp<qint64>(m_transport.remaining(), PollMs, FarPollMs);
}

void QtMediaPlayer::halted(qint64 atMs)
{
    m_endTimer.stop();
    // A sound that was played to its end is left to the device, which still
    // holds its last moments; anything else is cut off, as soon as it is
    // clear that no play from the same place follows in the same breath.
    if (m_wave && atMs < m_transport.length()) {
        m_haltPending = true;
        m_haltedAt = atMs;
        QTimer::singleShot(0, &m_endTimer, [this] { carryOutHalt(); });
    }
    if (m_video)
        m_video->pause();
    m_trackTimer.stop();
    if (m_track)
        m_track->halt();
}

void QtMediaPlayer::carryOutHalt()
{
    if (!m_haltPending)
        return;
    m_haltPending = false;
    if (m_wave)
        m_wave->halt();
}

void QtMediaPlayer::endTimerFired()
{
    watchDevice();
    const qint64 remaining = m_transport.remaining();
    if (remaining > 0) {
        // A device plays at its own pace: it is looked at again soon.
        m_endTimer.start(int(followsDevice() ? devicePollMs() : remaining));
        return;
    }
    // Last: the notification handler may destroy this player.
    if (m_clockStandsIn)
        m_transport.fail();
    else
        m_transport.update();
}

void QtMediaPlayer::createBackend(const QString& hostPath, MediaKind kind, int fd)
{
    // Not yet known at the very start of the program: the sound is then
    // made ready for a device, and timed if there turns out to be none.
    const bool audioDevice = audioPresence() != AudioPresence::Absent;
    if (kind == MediaKind::Wave) {
        // Without an output device a sound is only timed, never decoded:
        // the clock is what callers rely on.
        if (!audioDevice) {
            ::close(fd);
            return;
        }
        ::lseek(fd, 0, SEEK_SET);
        m_wave = WaveOutput::decode(fd, m_header.frames);
        // A sound the decoder cannot read is timed by the clock, and its
        // plays report Failure.
        m_clockStandsIn = !m_wave;
        return;
    }
    // A video's sound track is played the way every sound of the program is,
    // beside the decoder, so that it can never hold up or silence the sound
    // that follows it. A track the program cannot decode itself is left to
    // the video decoder.
    if (audioDevice)
        m_track = decodeSoundTrack(fd);
    ::close(fd);
    m_video = std::make_unique<VideoPipeline>(hostPath, audioDevice && !m_track);
    placeVideo();
}

void QtMediaPlayer::destroyBackend()
{
    m_endTimer.stop();
    // The decoder is taken down in its own thread; this does not wait.
    m_video.reset();
    m_trackTimer.stop();
    m_track.reset();
    m_haltPending = false;
    m_wave.reset();
    m_clockStandsIn = false;
    delete m_surface.data();
    m_header = MediaHeader();
}

void QtMediaPlayer::placeVideo()
{
    const bool wantVideo = m_video && m_header.kind == MediaKind::Video && m_display;
    if (m_surface && (!wantVideo || m_surface->parentWidget() != m_display)) {
        if (m_video)
            m_video->showIn(nullptr);
        delete m_surface.data();
    }
    if (!wantVideo)
        return;
    if (!m_surface) {
        m_surface = new VideoSurface(m_display);
        // Clicks on the picture belong to the display window, which may
        // use them to cut the video short.
        m_surface->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_video->showIn(m_surface.data());
    }
    m_surface->setGeometry(m_displayRect.isValid() ? m_displayRect : m_display->rect());
    m_surface->show();
}

void chooseMediaBackend()
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
}

QtMediaFactory::QtMediaFactory(MediaPathResolver resolver)
    : m_resolver(std::move(resolver))
{
    chooseMediaBackend();
    // The sound system is asked about its devices now, in the background,
    // so that the answer is there by the first sound.
    audioPresence();
}

std::unique_ptr<MediaPlayer> QtMediaFactory::createPlayer()
{
    return std::make_unique<QtMediaPlayer>(m_resolver);
}

bool QtMediaFactory::awaitReleased(int withinMs)
{
    QElapsedTimer clock;
    clock.start();
    while (videoDecodersHoldingPictures() > 0) {
        // A decoder still waiting for the sound system's answer holds nothing
        // yet, and a silent sound server would keep it waiting for ever.
        if (audioPresenceSoFar() == AudioPresence::Unknown || clock.elapsed() >= withinMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(ReleaseLookMs);
    }
    return true;
}

} // namespace umbraxis
