#pragma once

#include "platform/MediaPlayer.h"
#include "platform/MediaTransport.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <memory>

namespace umbraxis {

class RecordingMediaPlayer;

// A media system for tests: no files are read and nothing is heard, but the
// players keep exactly the rules of the real player (they share its device
// logic): "No MCI device open" without a device, play at the end rewinds
// first, stop keeps the position, wait and notify apply to the next command.
//
// Typical use:
//
//     RecordingMediaFactory media;
//     media.setLength("sounds\\ric3.wav", 500);
//     media.failOpen("sounds\\bad.wav", "The file cannot be played: unrecognised format");
//     services.media = &media;
//     ... exercise the code under test ...
//     media.advance(200);                      // 200 ms pass
//     EXPECT_EQ(media.log(), (QStringList{"setFileName sounds\\ric3.wav",
//                                         "open sounds\\ric3.wav", "play from 0"}));
//
// The log has one line per command of any player (a label set on a player
// prefixes its lines with "label: "):
//
//     setFileName <path>          open <path>          open <path> failed: <text>
//     close                       play from <ms>       stop at <ms>
//     rewind                      setPosition <ms>     <command> failed: <text>
//     setDisplay                  setDisplayRect <x>,<y> <w>x<h>
//     notify successful|superseded|aborted             (when the handler is called)
//
// A command asked to wait or to notify carries " wait" or " notify" at the
// end of its line ("play from 0 notify").
//
// Time stands still until the test moves it with advance(); a play that
// reaches its end then stops at the end and its notification handler is
// called at once. Notifications that a command causes (stop aborting a
// play, a command's own notify) arrive through the event loop, as with the
// real player: process events (QCoreApplication::processEvents()) to get them.
class RecordingMediaFactory : public MediaFactory {
public:
    RecordingMediaFactory();
    ~RecordingMediaFactory() override;

    std::unique_ptr<MediaPlayer> createPlayer() override;

    // Every command of every player, oldest first.
    QStringList log() const;
    void clearLog();

    // The length `fileName` opens with; files not named here have the
    // default length, 1000 ms unless changed.
    void setLength(const QString& fileName, qint64 ms);
    void setDefaultLength(qint64 ms);
    // Opening `fileName` fails with `message`; an empty message stands for
    // a failure without text ("Unknown error code").
    void failOpen(const QString& fileName, const QString& message = QString::fromLatin1(MediaText::NotFound));

    // Moves the clock of all players on by `ms`.
    void advance(qint64 ms);
    // The current time on that clock, from 0.
    qint64 now() const;

    // The players made so far that still exist, oldest first.
    QList<RecordingMediaPlayer*> players() const;
    // The newest existing player, or null.
    RecordingMediaPlayer* lastPlayer() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

class RecordingMediaPlayer : public MediaPlayer, private MediaTransport::Host {
public:
    explicit RecordingMediaPlayer(std::shared_ptr<RecordingMediaFactory::State> state);
    ~RecordingMediaPlayer() override;

    // Prefixes this player's log lines with "label: ".
    void setLabel(const QString& label) { m_label = label; }
    // Lets the running play reach its end now (moves the shared clock).
    void finish();

    QWidget* display() const { return m_display; }
    QRect displayRect() const { return m_displayRect; }
    const std::function<void()>& onNotify() const { return m_handler; }

    QString fileName() const override { return m_fileName; }
    void setFileName(const QString& path) override;

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

    void setWait(bool wait) override;
    void setNotify(bool notify) override;
    void setOnNotify(std::function<void()> handler) override { m_handler = std::move(handler); }
    MediaNotify notifyResult() const override { return m_transport.notifyResult(); }

    void setDisplay(QWidget* display) override;
    void setDisplayRect(const QRect& rect) override;

    // Called by the factory when its clock moves.
    void update() { m_transport.update(); }

private:
    qint64 now() const override;
    void sleep(qint64 ms) override;
    void started(qint64 fromMs) override { m_startedFrom = fromMs; }
    void halted(qint64) override { }

    void record(const QString& line);
    QString requestSuffix() const;
    // Runs a command, logging `describe()` on success and the error text on
    // failure; the wait and notify requests are used up either way.
    template <typename Command, typename Describe>
    void run(const QString& name, Command&& command, Describe&& describe);

    std::shared_ptr<RecordingMediaFactory::State> m_state;
    QString m_label;
    QString m_fileName;
    QWidget* m_display = nullptr;
    QRect m_displayRect;
    bool m_wait = false;
    bool m_notify = false;
    qint64 m_startedFrom = 0;
    std::function<void()> m_handler;
    MediaTransport m_transport;
};

} // namespace umbraxis
