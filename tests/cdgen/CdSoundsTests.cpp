#include "CdFixture.h"

#include <QDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace umbraxis::test;

namespace {

struct Pcm {
    int rate = 0;
    int bits = 0;
    QVector<double> samples; // -1 .. 1
};

Pcm readPcm(const QString& path)
{
    Pcm pcm;
    const QByteArray wav = readAll(path);
    EXPECT_EQ(wav.left(4), QByteArray("RIFF"));
    EXPECT_EQ(wav.mid(8, 4), QByteArray("WAVE"));
    EXPECT_EQ(le32(wav, 4), quint32(wav.size() - 8));
    RiffChunk fmt;
    RiffChunk data;
    if (!findChunk(wav, 12, wav.size(), "fmt ", &fmt) || !findChunk(wav, 12, wav.size(), "data", &data)) {
        ADD_FAILURE() << "missing fmt or data chunk";
        return pcm;
    }
    EXPECT_EQ(le16(wav, fmt.data), 1) << "PCM";
    EXPECT_EQ(le16(wav, fmt.data + 2), 1) << "mono";
    pcm.rate = int(le32(wav, fmt.data + 4));
    pcm.bits = le16(wav, fmt.data + 14);
    EXPECT_EQ(le16(wav, fmt.data + 12), pcm.bits / 8);
    EXPECT_EQ(le32(wav, fmt.data + 8), quint32(pcm.rate * pcm.bits / 8));
    EXPECT_LE(qsizetype(data.data + data.size), wav.size());
    if (pcm.bits == 8) {
        for (quint32 i = 0; i < data.size; ++i)
            pcm.samples.append((quint8(wav[data.data + i]) - 128) / 128.0);
    } else {
        for (quint32 i = 0; i + 1 < data.size; i += 2)
            pcm.samples.append(qint16(le16(wav, data.data + i)) / 32768.0);
    }
    return pcm;
}

double peak(const QVector<double>& s)
{
    double p = 0;
    for (double v : s)
        p = std::max(p, std::abs(v));
    return p;
}

} // namespace

TEST(CdSounds, CuesAreShortAudibleMonoPcm)
{
    const char* const cues[] = {"guncock.wav", "ric3.wav", "dsight.wav", "bounce.wav", "talk.wav"};
    for (const char* cue : cues) {
        SCOPED_TRACE(cue);
        const Pcm pcm = readPcm(QDir(sampleCdRoot()).filePath(QStringLiteral("sounds/") + QLatin1String(cue)));
        EXPECT_TRUE(pcm.rate == 11025 || pcm.rate == 22050);
        EXPECT_TRUE(pcm.bits == 8 || pcm.bits == 16);
        ASSERT_GT(pcm.rate, 0);
        const double seconds = double(pcm.samples.size()) / pcm.rate;
        EXPECT_GE(seconds, 0.2);
        EXPECT_LE(seconds, 1.0);
        EXPECT_GT(peak(pcm.samples), 0.5);
        EXPECT_LT(peak(pcm.samples), 1.0) << "no clipping";
    }
}

TEST(CdSounds, MarchLoopsWithoutASeam)
{
    const Pcm pcm = readPcm(QDir(sampleCdRoot()).filePath(QStringLiteral("sounds/military.wav")));
    ASSERT_GT(pcm.rate, 0);
    const double seconds = double(pcm.samples.size()) / pcm.rate;
    EXPECT_GE(seconds, 4.0);
    EXPECT_LE(seconds, 8.0);
    EXPECT_GT(peak(pcm.samples), 0.5);

    // The step from the last sample back to the first is no larger than the steps that
    // occur in quiet passages of the loop itself.
    EXPECT_LT(std::abs(pcm.samples.last() - pcm.samples.first()), 0.02);
    double tailEnergy = 0;
    const int tail = pcm.rate / 50;
    for (int i = 0; i < tail; ++i)
        tailEnergy += pcm.samples[pcm.samples.size() - 1 - i] * pcm.samples[pcm.samples.size() - 1 - i];
    EXPECT_LT(std::sqrt(tailEnergy / tail), 0.02) << "the loop should end in a quiet moment";
}
