#pragma once

#include "platform/Descriptor.h"
#include "platform/MediaHeaders.h"
#include "platform/MediaPlayer.h"
#include "platform/MediaTransport.h"
#include "platform/WaveOutput.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace umbraxis {

class VideoPipeline;
class VideoSurface;

// Turns a program path ("sounds\guncock.wav") into a host path.
using MediaPathResolver = std::function<QString(const QString&)>;

// The media player over Qt Multimedia. A wave sound is decoded whole and
// played through the audio device, and its position is what the device has
// played, so that every sound is heard to its end. Without an audio device a
// sound plays silently on the player's own clock, and the clock also stands
// in when the device fails or never starts (the play then ends after the
// sound's length and reports Failure). Video is decoded by Qt Multimedia in a
// media thread and drawn by the processor into a surface over the display
// window; its length comes from the file's own header.
class QtMediaPlayer : public MediaPlayer, private MediaTransport::Host {
public:
    explicit QtMediaPlayer(MediaPathResolver resolver);
    ~QtMediaPlayer() override;

    QString fileName() const override { return m_fileName; }
    void setFileName(const QString& path) override { m_fileName = path; }

    void open() override;
    void close() override;
    bool isOpen() const override { return m_transport.isOpen(); }

    void play() override;
    void stop() override;
    void rewind() override;

    MediaMode mode() const override { return m_transport.mode(); }
    qint64 position() const override { return m_transport.position(); }
    void setPosition(qint64 ms) override;
    qint64 length() const override { return m_transport.length(); }

    void setWait(bool wait) override { m_transport.setWait(wait); }
    void setNotify(bool notify) override { m_transport.setNotify(notify); }
    void setOnNotify(std::function<void()> handler) override;
    MediaNotify notifyResult() const override { return m_transport.notifyResult(); }

    void setDisplay(QWidget* display) override;
    void setDisplayRect(const QRect& rect) override;

    // What the open file's header said; meaningful while a device is open.
    const MediaHeader& header() const { return m_header; }
    // The video decoder behind the open device, or null. For diagnostics and
    // tests.
    const VideoPipeline* pipeline() const { return m_video.get(); }
    // The decoded sound behind the open device, or null when the sound plays
    // silently.
    const WaveOutput* wave() const { return m_wave.get(); }
    // A video's sound track, decoded and played beside the video; null when
    // the video has none or the video decoder plays it.
    const WaveOutput* soundTrack() const { return m_track.get(); }
    // The device of the current play failed, and the clock times it.
    bool clockStandsIn() const { return m_clockStandsIn; }
    // The widget the video is drawn in, or null.
    VideoSurface* videoWidget() const;

private:
    qint64 now() const override { return m_clock.elapsed(); }
    qint64 played(qint64 startedAt) const override;
    void sleep(qint64 ms) override;
    void started(qint64 fromMs) override;
    void halted(qint64 atMs) override;

    void createBackend(const QString& hostPath, MediaKind kind, Descriptor fd);
    // Whether position and end follow the decoder of a sound (what the
    // device played) or of a video (what it showed); otherwise the clock.
    bool followsDevice() const
    {
        return ((m_wave && !m_wave->noDevice()) || (m_video && m_header.kind == MediaKind::Video)) && !m_clockStandsIn;
    }
    qint64 decodedPosition() const;
    // How long until a play that follows its device is looked at again.
    qint64 devicePollMs() const;
    // Checks the device of a running play; switches to the clock when it
    // failed or has stopped moving.
    void watchDevice();
    void carryOutHalt();
    void destroyBackend();
    void placeVideo();
    void endTimerFired();
    void startTrackWithPictures();

    MediaPathResolver m_resolver;
    QString m_fileName;
    MediaHeader m_header;
    QElapsedTimer m_clock;
    QTimer m_endTimer;
    std::unique_ptr<WaveOutput> m_wave;
    bool m_clockStandsIn = false;
    qint64 m_lastPlayed = 0;
    qint64 m_lastProgressAt = 0;
    // Where the device's stream began, and where the current play began.
    qint64 m_streamFrom = 0;
    qint64 m_playFrom = 0;
    bool m_haltPending = false;
    qint64 m_haltedAt = 0;
    std::unique_ptr<VideoPipeline> m_video;
    std::unique_ptr<WaveOutput> m_track;
    QTimer m_trackTimer;
    int m_trackFramesAt = 0;
    qint64 m_trackAskedAt = 0;
    QPointer<QWidget> m_display;
    QPointer<VideoSurface> m_surface;
    QRect m_displayRect;
    // Declared last: it may call back into the members above until it is gone.
    MediaTransport m_transport;
};

// Qt Multimedia picks its backend once, at first use; the program's video is
// meant for GStreamer. This chooses it unless the user's QT_MEDIA_BACKEND
// names another, and must run before anything touches Qt Multimedia.
void chooseMediaBackend();

// Makes QtMediaPlayers. Constructing it chooses the media backend, so it
// must exist before anything else touches Qt Multimedia.
class QtMediaFactory : public MediaFactory {
public:
    // Without a resolver, program paths are used with '\' turned into '/'.
    explicit QtMediaFactory(MediaPathResolver resolver = {});

    std::unique_ptr<MediaPlayer> createPlayer() override;
    bool awaitReleased(int withinMs) override;

private:
    MediaPathResolver m_resolver;
};

} // namespace umbraxis
