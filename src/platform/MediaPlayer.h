#pragma once

#include <QRect>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace umbraxis {

enum class MediaMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

// Why a notification was sent: the command finished (Successful), a later
// command that asked for its own notification replaced it (Superseded), a
// later command cut it short (Aborted, as stop does to a play), or the
// device failed (Failure).
enum class MediaNotify { Successful, Superseded, Aborted, Failure };

// A media player in the manner of a classic media-control player: it is
// given a file name, opens a device for it (the device type chosen from the
// extension: ".wav" sound, ".avi" video), plays without blocking, and reports
// mode, position and length in milliseconds. Errors raise AppError with the
// media system's text; commands that need an open device raise
// "No MCI device open" when there is none.
class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;

    virtual QString fileName() const = 0;
    virtual void setFileName(const QString& path) = 0;

    // Opens the device for fileName(). Synchronous: a missing, unreadable or
    // unrecognised file fails here, and length() is known when it returns.
    virtual void open() = 0;
    // Closes the device; does nothing when none is open.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Starts playing at the current position and returns at once; when the
    // position is at the end, it first goes back to the start.
    virtual void play() = 0;
    // Stops playing and keeps the position, like a pause.
    virtual void stop() = 0;
    // Goes back to the start.
    virtual void rewind() = 0;

    virtual MediaMode mode() const = 0;
    virtual qint64 position() const = 0;
    virtual void setPosition(qint64 ms) = 0;
    virtual qint64 length() const = 0;

    // The next command returns at once (false) or waits for its end (true).
    virtual void setWait(bool wait) = 0;
    // Ask for a completion notification for the next command.
    virtual void setNotify(bool notify) = 0;
    // Called when playback started with notify set ends or is interrupted.
    virtual void setOnNotify(std::function<void()> handler) = 0;
    // The reason for the notification being delivered; read it inside the
    // handler (a looping sound restarts only after a Successful one).
    virtual MediaNotify notifyResult() const { return MediaNotify::Successful; }

    // Where video is drawn, and the part of it that the picture fills.
    virtual void setDisplay(QWidget* display) = 0;
    virtual void setDisplayRect(const QRect& rect) = 0;
};

class MediaFactory {
public:
    virtual ~MediaFactory() = default;
    virtual std::unique_ptr<MediaPlayer> createPlayer() = 0;

    // Waits at most `withinMs`, handling events meanwhile, until the players
    // closed so far have let go of what their decoders hold (a video's
    // decoded pictures); false when they have not. Players whose closing
    // frees everything at once have nothing to wait for.
    virtual bool awaitReleased(int withinMs)
    {
        (void)withinMs;
        return true;
    }
};

} // namespace umbraxis
