#pragma once

// Small pieces the benchmarks share.

#include "shell/Progress.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
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

// Times `ours` against `cp -r source target` in turns: each run starts from
// the state `takeBack` restores (and `target` removed), with nothing left to
// be written back; odd rounds run ours first, even rounds the copy first.
constexpr unsigned long RecentlyFreedSeconds = 6;

struct PairedTimes {
    std::vector<double> ours;
    std::vector<double> copies;
};

inline PairedTimes timeAgainstCopy(int rounds, const std::function<void()>& takeBack, const std::function<void()>& ours,
                                   const QString& source, const QString& target,
                                   const std::function<void(int, double, double)>& report)
{
    PairedTimes times;
    const auto settle = [&] {
        takeBack();
        QDir(target).removeRecursively();
        ::sync();
        // Past the file system's commit interval (5 s), so that the blocks
        // and inodes the clearing up freed are free again for whichever
        // side comes next: the benchmark's own clearing up is charged to
        // neither.
        QThread::sleep(RecentlyFreedSeconds);
    };
    const auto runOurs = [&] {
        settle();
        QElapsedTimer clock;
        clock.start();
        ours();
        return double(clock.nsecsElapsed()) / 1e6;
    };
    const auto runCopy = [&] {
        settle();
        return timeCommand(QStringLiteral("cp"), {QStringLiteral("-r"), source, target});
    };
    // Warms the page cache with the source for both alike.
    runCopy();
    for (int round = 1; round <= rounds; ++round) {
        double oursMs = 0;
        double copyMs = 0;
        if (round % 2) {
            oursMs = runOurs();
            copyMs = runCopy();
        } else {
            copyMs = runCopy();
            oursMs = runOurs();
        }
        times.ours.push_back(oursMs);
        times.copies.push_back(copyMs);
        report(round, oursMs, copyMs);
    }
    settle();
    return times;
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

// A progress port that only counts, so that a benchmark times the work and
// the port's own arithmetic.
class CountingProgress : public Progress {
public:
    void setStatus(const QString& text) override { m_status = text; }
    QString status() const override { return m_status; }
    void ProgressStep() override
    {
        m_position = (m_position + 10) % 100;
        ++steps;
    }
    void setPosition(int position) override { m_position = position; }
    int position() const override { return m_position; }
    void repaintNow() override { }
    int steps = 0;

private:
    QString m_status;
    int m_position = 0;
};

// 10 directories, 10 beneath each, 10 beneath those and 50 beneath every one
// of the third level: 51,110 directories, each holding five empty files.
inline int buildTree(const QByteArray& root)
{
    int directories = 0;
    std::vector<QByteArray> level{root};
    for (int width : {10, 10, 10, 50}) {
        std::vector<QByteArray> next;
        for (const QByteArray& parent : level) {
            for (int i = 0; i < width; ++i) {
                const QByteArray dir = parent + "/Dir" + QByteArray::number(i);
                if (::mkdir(dir.constData(), 0755) != 0)
                    return -1;
                ++directories;
                for (const char* name : {"/readme.txt", "/Map.bsp", "/notes.doc", "/data.bin", "/CONFIG.CFG"}) {
                    const int fd = ::open((dir + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                    if (fd < 0)
                        return -1;
                    ::close(fd);
                }
                next.push_back(dir);
            }
        }
        level = std::move(next);
    }
    return directories;
}

inline bool writeFile(const QString& path, qint64 size, std::mt19937& random)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, '\0');
    while (size > 0) {
        for (char& byte : block)
            byte = char(random());
        const qint64 n = std::min<qint64>(size, block.size());
        if (file.write(block.constData(), n) != n)
            return false;
        size -= n;
    }
    return true;
}

// The level: four files of 48 MB, and 300 files of 2 to 40 kB, 100 of them
// in a subfolder. Returns its size in bytes.
inline qint64 buildLevel(const QString& folder)
{
    std::mt19937 random(7);
    qint64 total = 0;
    QDir().mkpath(folder + QStringLiteral("/sounds"));
    for (int i = 0; i < 4; ++i) {
        if (!writeFile(folder + QStringLiteral("/map%1.bsp").arg(i), 48 << 20, random))
            return -1;
        total += 48 << 20;
    }
    for (int i = 0; i < 300; ++i) {
        const qint64 size = 2048 + qint64(random() % 38912);
        const QString name = i < 100 ? QStringLiteral("/sounds/s%1.wav").arg(i) : QStringLiteral("/t%1.tex").arg(i);
        if (!writeFile(folder + name, size, random))
            return -1;
        total += size;
    }
    return total;
}

} // namespace umbraxis::bench
