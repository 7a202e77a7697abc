#include "support/SoundServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <sndfile.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace umbraxis::testing {

namespace {

bool serverAnswers(const QProcessEnvironment& environment)
{
    QProcess info;
    info.setProcessEnvironment(environment);
    info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    if (!info.waitForFinished(3000)) {
        info.kill();
        info.waitForFinished(1000);
        return false;
    }
    return info.exitStatus() == QProcess::NormalExit && info.exitCode() == 0;
}

// The latency the null sink runs at now, from the server's own report.
qint64 sinkLatencyUs(const QProcessEnvironment& environment)
{
    QProcess list;
    list.setProcessEnvironment(environment);
    list.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sinks")});
    if (!list.waitForFinished(3000)) {
        list.kill();
        list.waitForFinished(1000);
        return -1;
    }
    const QString text = QString::fromLocal8Bit(list.readAllStandardOutput());
    const qsizetype at = text.indexOf(QStringLiteral("Latency:"));
    if (at < 0)
        return -1;
    bool ok = false;
    const qint64 value = text.mid(at + 8).trimmed().section(QLatin1Char(' '), 0, 0).toLongLong(&ok);
    return ok ? value : -1;
}

} // namespace

SoundServer::SoundServer()
{
    const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (pulseaudio.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty()) {
        m_failure = QStringLiteral("pulseaudio and parec are not installed");
        return;
    }
    if (!m_folder.isValid() || !QDir(m_folder.path()).mkpath(QStringLiteral("pulse"))) {
        m_failure = QStringLiteral("no temporary folder");
        return;
    }
    QFile::setPermissions(m_folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString socket = m_folder.path() + QStringLiteral("/pulse/native");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_folder.path());
    environment.insert(QStringLiteral("HOME"), m_folder.path());
    environment.insert(QStringLiteral("PULSE_RUNTIME_PATH"), m_folder.path() + QStringLiteral("/pulse"));
    environment.remove(QStringLiteral("PULSE_SERVER"));
    m_server.setProcessEnvironment(environment);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(pulseaudio,
                   {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                    QStringLiteral("--use-pid-file=no"), QStringLiteral("--disallow-module-loading=no"),
                    QStringLiteral("-n"), QStringLiteral("--log-level=error"),
                    QStringLiteral("--load=module-null-sink sink_name=%1 rate=44100").arg(sinkName()),
                    QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=%1").arg(socket)});
    if (!m_server.waitForStarted(5000)) {
        m_failure = QStringLiteral("pulseaudio cannot be started: ") + m_server.errorString();
        return;
    }
    QProcessEnvironment client = environment;
    client.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000 && m_server.state() == QProcess::Running) {
        if (QFile::exists(socket) && serverAnswers(client)) {
            m_address = QStringLiteral("unix:") + socket;
            keepSinkQuick(client);
            return;
        }
        QThread::msleep(50);
    }
    m_failure = QStringLiteral("pulseaudio did not answer: ") + QString::fromLocal8Bit(m_server.readAll());
}

void SoundServer::keepSinkQuick(const QProcessEnvironment& client)
{
    // A null sink renders in long blocks until something asks for a short
    // latency, and takes seconds to follow a new request; a reader that asks
    // from the start keeps it playing in real time for every test.
    m_keeper.setProcessEnvironment(client);
    m_keeper.setStandardOutputFile(QProcess::nullDevice());
    m_keeper.start(QStringLiteral("parec"),
                   {QStringLiteral("--latency-msec=10"), QStringLiteral("-d"), sinkName() + QStringLiteral(".monitor"),
                    QStringLiteral("--raw")});
    m_keeper.waitForStarted(5000);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 8000) {
        const qint64 latency = sinkLatencyUs(client);
        if (latency >= 0 && latency < 100000)
            return;
        QThread::msleep(100);
    }
}

SoundServer::~SoundServer()
{
    if (m_keeper.state() != QProcess::NotRunning) {
        m_keeper.kill();
        m_keeper.waitForFinished(3000);
    }
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(3000);
        }
    }
}

void SoundServer::addTo(QProcessEnvironment& environment) const
{
    environment.insert(QStringLiteral("PULSE_SERVER"), m_address);
}

SoundRecorder::SoundRecorder(const SoundServer& server)
    : m_file(m_folder.filePath(QStringLiteral("heard.raw")))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    server.addTo(environment);
    m_recorder.setProcessEnvironment(environment);
    m_recorder.setStandardOutputFile(m_file);
    // A short latency keeps the null sink running in real time.
    m_recorder.start(QStringLiteral("parec"),
                     {QStringLiteral("--latency-msec=10"), QStringLiteral("-d"),
                      server.sinkName() + QStringLiteral(".monitor"), QStringLiteral("--format=s16le"),
                      QStringLiteral("--rate=%1").arg(Rate), QStringLiteral("--channels=%1").arg(Channels),
                      QStringLiteral("--raw")});
    m_recorder.waitForStarted(5000);
    // The monitor delivers nothing until the stream is connected.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000 && QFileInfo(m_file).size() == 0)
        QThread::msleep(10);
}

SoundRecorder::~SoundRecorder()
{
    if (m_recorder.state() != QProcess::NotRunning) {
        m_recorder.kill();
        m_recorder.waitForFinished(3000);
    }
}

bool SoundRecorder::isRecording() const
{
    return m_recorder.state() == QProcess::Running;
}

qint64 SoundRecorder::mark()
{
    return QFileInfo(m_file).size();
}

QByteArray SoundRecorder::stop()
{
    if (m_recorder.state() == QProcess::Running) {
        ::kill(pid_t(m_recorder.processId()), SIGINT);
        if (!m_recorder.waitForFinished(5000)) {
            m_recorder.kill();
            m_recorder.waitForFinished(3000);
        }
    }
    QFile file(m_file);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

Audibility measureAudibility(const QByteArray& samples16, int rate, int channels, int threshold, qint64 gapMs)
{
    Audibility result;
    const auto* samples = reinterpret_cast<const qint16*>(samples16.constData());
    const qint64 frames = samples16.size() / (2 * channels);
    const qint64 window = std::max<qint64>(1, qint64(rate) * AudibleWindowMs / 1000);
    qint64 stretchStart = -1;
    qint64 stretchEnd = -1;
    for (qint64 start = 0; start < frames; start += window) {
        const qint64 end = std::min(frames, start + window);
        int peak = 0;
        for (qint64 i = start * channels; i < end * channels; ++i)
            peak = std::max(peak, std::abs(int(samples[i])));
        if (peak <= threshold)
            continue;
        const qint64 at = start * 1000 / rate;
        const qint64 until = end * 1000 / rate;
        result.audibleMs += until - at;
        if (result.firstMs < 0)
            result.firstMs = at;
        result.lastMs = until;
        if (stretchStart >= 0 && at - stretchEnd >= gapMs) {
            result.stretches.append({stretchStart, stretchEnd});
            stretchStart = -1;
        }
        if (stretchStart < 0)
            stretchStart = at;
        stretchEnd = until;
    }
    if (stretchStart >= 0)
        result.stretches.append({stretchStart, stretchEnd});
    return result;
}

namespace {

// The sound library reads and writes through these, over a byte array.
struct Memory {
    QByteArray bytes;
    sf_count_t at = 0;
};

sf_count_t memoryLength(void* data)
{
    return static_cast<Memory*>(data)->bytes.size();
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* data)
{
    auto* memory = static_cast<Memory*>(data);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? memory->at : memory->bytes.size();
    memory->at = std::max<sf_count_t>(0, base + offset);
    return memory->at;
}

sf_count_t memoryRead(void* buffer, sf_count_t count, void* data)
{
    auto* memory = static_cast<Memory*>(data);
    const sf_count_t available = std::max<sf_count_t>(0, memory->bytes.size() - memory->at);
    const sf_count_t n = std::min(count, available);
    std::memcpy(buffer, memory->bytes.constData() + memory->at, size_t(n));
    memory->at += n;
    return n;
}

sf_count_t memoryWrite(const void* buffer, sf_count_t count, void* data)
{
    auto* memory = static_cast<Memory*>(data);
    if (memory->at + count > memory->bytes.size())
        memory->bytes.resize(qsizetype(memory->at + count));
    std::memcpy(memory->bytes.data() + memory->at, buffer, size_t(count));
    memory->at += count;
    return count;
}

sf_count_t memoryTell(void* data)
{
    return static_cast<Memory*>(data)->at;
}

SF_VIRTUAL_IO memoryIo()
{
    return {memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
}

} // namespace

QByteArray toneWave(WaveFlavour flavour, int ms)
{
    SF_INFO info{};
    switch (flavour) {
    case WaveFlavour::Pcm8Mono11025: info = {0, 11025, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 0, 0}; break;
    case WaveFlavour::Pcm16Stereo22050: info = {0, 22050, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0}; break;
    case WaveFlavour::ImaAdpcm: info = {0, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 0, 0}; break;
    case WaveFlavour::MsAdpcm: info = {0, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 0, 0}; break;
    }
    const int rate = info.samplerate;
    const int silence = rate * 40 / 1000;
    const int tone = rate * ms / 1000;
    std::vector<short> samples(size_t(silence * 2 + tone) * size_t(info.channels), 0);
    for (int i = 0; i < tone; ++i) {
        const auto value = short(std::lround(12000 * std::sin(2 * M_PI * 440.0 * i / rate)));
        for (int c = 0; c < info.channels; ++c)
            samples[size_t(silence + i) * size_t(info.channels) + size_t(c)] = value;
    }
    Memory memory;
    SF_VIRTUAL_IO io = memoryIo();
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    if (!file)
        return {};
    sf_writef_short(file, samples.data(), sf_count_t(samples.size() / size_t(info.channels)));
    sf_close(file);
    return memory.bytes;
}

Audibility audibilityOfWave(const QByteArray& wave)
{
    Memory memory{wave, 0};
    SF_VIRTUAL_IO io = memoryIo();
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &memory);
    if (!file)
        return {};
    QByteArray samples(qsizetype(info.frames) * info.channels * 2, '\0');
    const sf_count_t got = sf_readf_short(file, reinterpret_cast<short*>(samples.data()), info.frames);
    sf_close(file);
    samples.resize(qsizetype(got) * info.channels * 2);
    return measureAudibility(samples, info.samplerate, info.channels);
}

} // namespace umbraxis::testing
