#pragma once

// Small pieces the benchmarks share.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace umbraxis::bench {

inline double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Runs a reference command to its end, its output discarded, and returns
// the milliseconds it took.
inline double timeCommand(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    process.waitForFinished(-1);
    return double(clock.nsecsElapsed()) / 1e6;
}


// A short silent cue (8-bit mono at 22050 Hz) at `path`.
inline bool writeSilentCue(const QString& path)
{
    const QByteArray samples(2205, char(0x80));
    QByteArray wave = "RIFF" + QByteArray::fromHex("00000000") + "WAVEfmt "
        + QByteArray::fromHex("1000000001000100225600002256000001000800") + "data";
    const quint32 size = quint32(samples.size());
    wave += QByteArray(reinterpret_cast<const char*>(&size), 4) + samples;
    QFile cue(path);
    return cue.open(QIODevice::WriteOnly) && cue.write(wave) == wave.size();
}

} // namespace umbraxis::bench
