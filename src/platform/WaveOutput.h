#pragma once

#include <QAudioFormat>
#include <QByteArray>

#include <atomic>
#include <memory>

namespace umbraxis {

class SoundStream;

// Whether the system has a sound output device. The sound system is asked
// once, in the sound thread, when this is first called, and the answer is
// Unknown until it has answered: a sound server that does not answer holds
// whoever asks it for half a minute, and that is never the program's thread.
enum class AudioPresence { Unknown, Present, Absent };
AudioPresence audioPresence();
// What the sound system has answered so far, without asking it.
AudioPresence audioPresenceSoFar();
// Waits until the sound system has answered. Only for threads that may be
// held up (the video decoder's), never the program's or the sound thread.
AudioPresence awaitAudioPresence();

// A wave sound decoded whole into memory and played through the audio
// device. The device is fed from a thread of its own, so that a sound plays
// on while the program is busy (a cue during a long drive walk). The position
// of a play is what the device reports as played, so a play ends when the
// sound has been heard, however late the device started.
class WaveOutput {
public:
    // Decodes the sound file open as `fd` (taken over and closed), at most
    // `frames` sample frames of it; null when the decoder cannot read it.
    static std::unique_ptr<WaveOutput> decode(int fd, qint64 frames);
    ~WaveOutput();
    WaveOutput(const WaveOutput&) = delete;
    WaveOutput& operator=(const WaveOutput&) = delete;

    int channels() const { return m_format.channelCount(); }
    int sampleRate() const { return m_format.sampleRate(); }
    qint64 frames() const;

    // Starts the device at `fromMs`, cutting off whatever it still plays.
    // Returns at once; the sound thread opens the device.
    void start(qint64 fromMs);
    // Stops the device at once, without waiting for the sound thread.
    void halt();
    // Milliseconds played since the last start.
    qint64 playedMs() const;
    // The device refused the sound or stopped on an error: the play can only
    // be timed from now on.
    bool failed() const;
    // The system has no output device: the sound is only timed, which is no
    // failure.
    bool noDevice() const;
    // The device is held for this sound: it is being played, or was stopped
    // so lately that a play from the same place may still go on with it. A
    // sound heard to its end lets the device go shortly after.
    bool streaming() const;

private:
    WaveOutput(QByteArray pcm, const QAudioFormat& format);

    QByteArray m_pcm;
    QAudioFormat m_format;
    // Lives in the sound thread, which deletes it.
    SoundStream* m_stream = nullptr;
};

} // namespace umbraxis
