#pragma once

#include "platform/MediaPlayer.h"

#include <QObject>

#include <functional>

namespace umbraxis {

// The media system's texts for failures that every player reports alike.
namespace MediaText {
inline constexpr char NoDevice[] = "No MCI device open";
inline constexpr char NotFound[] = "The specified file cannot be found";
inline constexpr char CannotOpen[] = "The specified file cannot be opened";
inline constexpr char UnknownType[] = "The file cannot be played: unsupported file type";
inline constexpr char UnknownError[] = "Unknown error code";
} // namespace MediaText

// The device state of a classic media-control player, shared by the real
// player and the test double so that both keep exactly the same rules:
// position and mode follow the player's own clock, play at the end first
// rewinds, stop keeps the position, wait and notify apply to the next
// command only, and notifications are never delivered from inside a
// command (they are posted to the event loop instead).
class MediaTransport {
public:
    // What the transport needs from its owner: a clock, a way to wait, and
    // to be told when sound or picture should start and halt.
    class Host {
    public:
        virtual ~Host() = default;
        // Milliseconds on a monotonic clock.
        virtual qint64 now() const = 0;
        // Milliseconds played since the play that began at `startedAt` on
        // that clock; the clock's own count unless the host follows a device.
        virtual qint64 played(qint64 startedAt) const { return now() - startedAt; }
        // Blocks for a waiting command; never longer than the rest of a play.
        virtual void sleep(qint64 ms) = 0;
        virtual void started(qint64 fromMs) = 0;
        virtual void halted(qint64 atMs) = 0;
    };

    explicit MediaTransport(Host& host);
    MediaTransport(const MediaTransport&) = delete;
    MediaTransport& operator=(const MediaTransport&) = delete;

    void setWait(bool wait) { m_wait = wait; }
    void setNotify(bool notify) { m_notify = notify; }
    void setOnNotify(std::function<void()> handler) { m_handler = std::move(handler); }
    MediaNotify notifyResult() const { return m_result; }

    // The device has been opened on a sound or video of `lengthMs`.
    void open(qint64 lengthMs);
    // An open that failed: its wait and notify requests are used up all the same.
    void openFailed();
    // Closes the device (nothing when none is open). A closed device sends
    // no further notifications, not even those already posted.
    void close();
    // Closes without using up the next command's requests; for reopening.
    void closeDevice();

    void play();
    void stop();
    void rewind();
    void seek(qint64 ms);

    bool isOpen() const { return m_open; }
    MediaMode mode() const;
    qint64 position() const;
    qint64 length() const { return m_open ? m_length : 0; }
    // Milliseconds until a running play reaches the end; -1 when not playing.
    qint64 remaining() const;

    // Called from the event loop when time has passed: ends a play that has
    // reached the end and calls the notification handler directly.
    void update();
    // Called from the event loop when the device failed during a play: the
    // play ends at the end and its notification reports Failure.
    void fail();

private:
    struct Request {
        bool wait = false;
        bool notify = false;
    };

    Request takeRequest();
    void requireOpen() const;
    bool reachedEnd() const;
    // Ends a play that has reached its end; true when a notification is due.
    bool endAtLength();
    // Inside a command: a play whose time is up ends, its notification posted.
    void settle();
    void halt(qint64 at, MediaNotify pendingResult);
    void post(MediaNotify result);
    void deliver(MediaNotify result);

    Host& m_host;
    QObject m_context;
    bool m_open = false;
    bool m_playing = false;
    qint64 m_length = 0;
    qint64 m_position = 0; // while playing: where the play began
    qint64 m_startedAt = 0;
    bool m_wait = false;
    bool m_notify = false;
    bool m_playNotify = false;
    quint64 m_generation = 0;
    std::function<void()> m_handler;
    MediaNotify m_result = MediaNotify::Successful;
};

} // namespace umbraxis
