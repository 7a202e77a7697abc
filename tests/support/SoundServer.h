#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace umbraxis::testing {

// A private sound server for tests that must hear what the program plays:
// PulseAudio with one null sink, reachable only through its own socket in a
// temporary runtime folder. Programs get it through PULSE_SERVER.
class SoundServer {
public:
    SoundServer();
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    const QString& failure() const { return m_failure; }
    // "unix:<folder>/pulse/native"
    const QString& address() const { return m_address; }
    QString sinkName() const { return QStringLiteral("umbraxis_test"); }
    // The environment of a program that plays through this server.
    void addTo(QProcessEnvironment& environment) const;

private:
    void keepSinkQuick(const QProcessEnvironment& client);

    QTemporaryDir m_folder;
    QProcess m_server;
    QProcess m_keeper;
    QString m_address;
    QString m_failure;
};

// Records what the server's sink plays, from its monitor, as 16-bit stereo
// at 44100 Hz. The recording ends when stop() is called.
class SoundRecorder {
public:
    static constexpr int Rate = 44100;
    static constexpr int Channels = 2;

    explicit SoundRecorder(const SoundServer& server);
    ~SoundRecorder();

    bool isRecording() const;
    // Bytes recorded so far: marks a moment of the recording.
    qint64 mark();
    // Stops gently, so that the recorder writes out what it still buffers.
    QByteArray stop();

private:
    // parec writes into a file, so that a test that sleeps never stalls it.
    QTemporaryDir m_folder;
    QString m_file;
    QProcess m_recorder;
};

// How long a recording (or a sound) is audible: the time of the short windows
// whose loudest sample passes `threshold` (16-bit units).
struct Audibility {
    qint64 audibleMs = 0;
    qint64 firstMs = -1;
    qint64 lastMs = -1;
    // Stretches of sound separated by at least `gapMs` of silence.
    QList<QPair<qint64, qint64>> stretches;
};

constexpr int AudibleWindowMs = 5;
constexpr int AudibleThreshold = 600;

Audibility measureAudibility(const QByteArray& samples16, int rate, int channels, int threshold = AudibleThreshold,
                             qint64 gapMs = 60);

// A tone of `ms` milliseconds with 40 ms of silence before and after it,
// written by the system's sound library in one of the formats a CD carries.
enum class WaveFlavour { Pcm8Mono11025, Pcm16Stereo22050, ImaAdpcm, MsAdpcm };
QByteArray toneWave(WaveFlavour flavour, int ms);
// The audibility of a wave file, decoded, by the same measure as a recording.
Audibility audibilityOfWave(const QByteArray& wave);

} // namespace umbraxis::testing
