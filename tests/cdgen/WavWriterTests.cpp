#include "CdFixture.h"

#include "cdgen/WavWriter.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace umbraxis;
using namespace umbraxis::test;

namespace {

struct Parsed {
    int formatTag = 0;
    int channels = 0;
    int rate = 0;
    int avgBytes = 0;
    int blockAlign = 0;
    int bits = 0;
    int samplesPerBlock = 0;
    QByteArray fmt;
    qint64 factFrames = -1;
    QByteArray data;
};

Parsed parse(const QByteArray& wav)
{
    Parsed p;
    EXPECT_EQ(wav.left(4), QByteArray("RIFF"));
    EXPECT_EQ(wav.mid(8, 4), QByteArray("WAVE"));
    EXPECT_EQ(le32(wav, 4), quint32(wav.size() - 8));
    RiffChunk fmt;
    RiffChunk data;
    RiffChunk fact;
    EXPECT_TRUE(findChunk(wav, 12, wav.size(), "fmt ", &fmt));
    EXPECT_TRUE(findChunk(wav, 12, wav.size(), "data", &data));
    p.fmt = wav.mid(fmt.data, fmt.size);
    p.formatTag = le16(wav, fmt.data);
    p.channels = le16(wav, fmt.data + 2);
    p.rate = int(le32(wav, fmt.data + 4));
    p.avgBytes = int(le32(wav, fmt.data + 8));
    p.blockAlign = le16(wav, fmt.data + 12);
    p.bits = le16(wav, fmt.data + 14);
    if (fmt.size >= 20)
        p.samplesPerBlock = le16(wav, fmt.data + 18);
    if (findChunk(wav, 12, wav.size(), "fact", &fact))
        p.factFrames = le32(wav, fact.data);
    p.data = wav.mid(data.data, data.size);
    EXPECT_EQ(qsizetype(data.size), p.data.size());
    return p;
}

int clamp16(int v)
{
    return std::clamp(v, -32768, 32767);
}

QVector<qint16> decodeIma(const Parsed& p)
{
    QVector<qint16> out;
    const int ch = p.channels;
    for (qsizetype block = 0; block + p.blockAlign <= p.data.size(); block += p.blockAlign) {
        const QByteArray b = p.data.mid(block, p.blockAlign);
        QVector<QVector<qint16>> channel(ch);
        std::vector<int> pred(ch);
        std::vector<int> index(ch);
        for (int c = 0; c < ch; ++c) {
            pred[c] = qint16(le16(b, 4 * c));
            index[c] = quint8(b[4 * c + 2]);
            channel[c].append(qint16(pred[c]));
        }
        qsizetype at = 4 * ch;
        while (at < b.size()) {
            for (int c = 0; c < ch; ++c) {
                for (int k = 0; k < 8; ++k) {
                    const int n = (quint8(b[at + k / 2]) >> ((k % 2) * 4)) & 15;
                    const int step = kImaStepTable[index[c]];
                    int diff = step >> 3;
                    if (n & 4)
                        diff += step;
                    if (n & 2)
                        diff += step >> 1;
                    if (n & 1)
                        diff += step >> 2;
                    pred[c] = clamp16((n & 8) ? pred[c] - diff : pred[c] + diff);
                    index[c] = std::clamp(index[c] + kImaIndexTable[n], 0, 88);
                    channel[c].append(qint16(pred[c]));
                }
                at += 4;
            }
        }
        for (int i = 0; i < channel[0].size(); ++i)
            for (int c = 0; c < ch; ++c)
                out.append(channel[c][i]);
    }
    return out;
}

QVector<qint16> decodeMs(const Parsed& p)
{
    QVector<qint16> out;
    const int ch = p.channels;
    for (qsizetype block = 0; block + p.blockAlign <= p.data.size(); block += p.blockAlign) {
        const QByteArray b = p.data.mid(block, p.blockAlign);
        std::vector<int> pred(ch), delta(ch), s1(ch), s2(ch);
        for (int c = 0; c < ch; ++c) {
            pred[c] = quint8(b[c]);
            delta[c] = qint16(le16(b, ch + 2 * c));
            s1[c] = qint16(le16(b, 3 * ch + 2 * c));
            s2[c] = qint16(le16(b, 5 * ch + 2 * c));
        }
        for (int c = 0; c < ch; ++c)
            out.append(qint16(s2[c]));
        for (int c = 0; c < ch; ++c)
            out.append(qint16(s1[c]));
        int c = 0;
        for (qsizetype at = 7 * ch; at < b.size(); ++at) {
            for (int shift : {4, 0}) {
                const int code = (quint8(b[at]) >> shift) & 15;
                const int signedCode = code >= 8 ? code - 16 : code;
                const int predicted
                    = (s1[c] * kMsAdpcmCoefficients[pred[c]][0] + s2[c] * kMsAdpcmCoefficients[pred[c]][1]) >> 8;
                const int sample = clamp16(predicted + signedCode * delta[c]);
                s2[c] = s1[c];
                s1[c] = sample;
                delta[c] = std::max(16, (kMsAdpcmAdaptation[code] * delta[c]) >> 8);
                out.append(qint16(sample));
                c = (c + 1) % ch;
            }
        }
    }
    return out;
}

QVector<qint16> testSignal(int frames, int channels, int rate)
{
    QVector<qint16> s;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        for (int c = 0; c < channels; ++c) {
            const double f = c == 0 ? 440.0 : 660.0;
            const double v = 0.6 * std::sin(2 * M_PI * f * t) + 0.2 * std::sin(2 * M_PI * 1234.0 * t);
            s.append(qint16(std::lround(v * 20000.0 * std::min(1.0, t * 20))));
        }
    }
    return s;
}

double snrDb(const QVector<qint16>& want, const QVector<qint16>& got)
{
    double signal = 0;
    double noise = 0;
    for (qsizetype i = 0; i < want.size(); ++i) {
        signal += double(want[i]) * want[i];
        const double e = double(want[i]) - (i < got.size() ? got[i] : 0);
        noise += e * e;
    }
    return 10 * std::log10(signal / std::max(noise, 1.0));
}

} // namespace

TEST(WavWriter, PcmHeadersDescribeTheSamples)
{
    const QVector<qint16> samples = {-32768, -1, 0, 1, 32767, 256};
    WavFormat f;
    f.encoding = WavEncoding::Pcm16;
    f.sampleRate = 22050;
    f.channels = 2;
    Parsed p = parse(encodeWav(samples, f));
    EXPECT_EQ(p.formatTag, 1);
    EXPECT_EQ(p.channels, 2);
    EXPECT_EQ(p.rate, 22050);
    EXPECT_EQ(p.blockAlign, 4);
    EXPECT_EQ(p.avgBytes, 22050 * 4);
    EXPECT_EQ(p.bits, 16);
    EXPECT_EQ(p.factFrames, -1);
    ASSERT_EQ(p.data.size(), 12);
    EXPECT_EQ(qint16(le16(p.data, 0)), -32768);
    EXPECT_EQ(qint16(le16(p.data, 8)), 32767);

    f.encoding = WavEncoding::Pcm8;
    f.sampleRate = 11025;
    f.channels = 1;
    p = parse(encodeWav(samples, f));
    EXPECT_EQ(p.bits, 8);
    EXPECT_EQ(p.blockAlign, 1);
    EXPECT_EQ(p.avgBytes, 11025);
    ASSERT_EQ(p.data.size(), 6);
    // Unsigned 8-bit: silence is 128, the extremes are 0 and 255.
    EXPECT_EQ(quint8(p.data[0]), 0);
    EXPECT_EQ(quint8(p.data[2]), 128);
    EXPECT_EQ(quint8(p.data[4]), 255);
    // An odd data chunk is padded to keep the next chunk aligned, outside its size.
    EXPECT_EQ(encodeWav(samples.mid(0, 5), f).size() % 2, 0);
}

TEST(WavWriter, AdpcmEncodingsDecodeBackToTheSignal)
{
    struct Case {
        WavEncoding encoding;
        int formatTag;
        int channels;
        int rate;
    } cases[] = {
        {WavEncoding::ImaAdpcm, 0x11, 1, 22050},
        {WavEncoding::ImaAdpcm, 0x11, 2, 11025},
        {WavEncoding::MsAdpcm, 0x02, 1, 22050},
        {WavEncoding::MsAdpcm, 0x02, 2, 11025},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << c.formatTag << ", " << c.channels << " channel(s)");
        const int frames = 5000;
        const QVector<qint16> signal = testSignal(frames, c.channels, c.rate);
        WavFormat f;
        f.encoding = c.encoding;
        f.sampleRate = c.rate;
        f.channels = c.channels;
        const Parsed p = parse(encodeWav(signal, f));
        EXPECT_EQ(p.formatTag, c.formatTag);
        EXPECT_EQ(p.channels, c.channels);
        EXPECT_EQ(p.bits, 4);
        EXPECT_EQ(p.factFrames, frames);
        ASSERT_GT(p.blockAlign, 0);
        EXPECT_EQ(p.data.size() % p.blockAlign, 0);
        const int perBlock = c.encoding == WavEncoding::ImaAdpcm ? imaSamplesPerBlock(p.blockAlign, c.channels)
                                                                 : msAdpcmSamplesPerBlock(p.blockAlign, c.channels);
        EXPECT_EQ(p.samplesPerBlock, perBlock);
        EXPECT_EQ(p.data.size() / p.blockAlign, (frames + perBlock - 1) / perBlock);
        EXPECT_NEAR(p.avgBytes, double(c.rate) * p.blockAlign / perBlock, 1.0);
        if (c.encoding == WavEncoding::MsAdpcm) {
            ASSERT_EQ(p.fmt.size(), 50);
            EXPECT_EQ(le16(p.fmt, 20), 7);
        }

        const QVector<qint16> decoded = c.encoding == WavEncoding::ImaAdpcm ? decodeIma(p) : decodeMs(p);
        ASSERT_GE(decoded.size(), signal.size());
        EXPECT_GT(snrDb(signal, decoded.mid(0, signal.size())), 20.0);
    }
}

TEST(WavWriter, AdpcmFilesPlayThroughGStreamer)
{
    const QString gst = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (gst.isEmpty())
        GTEST_SKIP() << "gst-launch-1.0 is not installed";
    QTemporaryDir dir;
    for (WavEncoding encoding : {WavEncoding::ImaAdpcm, WavEncoding::MsAdpcm}) {
        WavFormat f;
        f.encoding = encoding;
        const QString path = dir.filePath(encoding == WavEncoding::ImaAdpcm ? "ima.wav" : "ms.wav");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(encodeWav(testSignal(8000, 1, f.sampleRate), f));
        file.close();
        QProcess process;
        process.start(gst,
                      {QStringLiteral("-q"), QStringLiteral("filesrc"), QStringLiteral("location=") + path,
                       QStringLiteral("!"), QStringLiteral("wavparse"), QStringLiteral("!"),
                       QStringLiteral("decodebin"), QStringLiteral("!"), QStringLiteral("fakesink")});
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << path.toStdString() << ": " << process.readAllStandardError().toStdString();
    }
}
