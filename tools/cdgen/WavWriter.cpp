#include "cdgen/WavWriter.h"

#include "cdgen/ByteWriter.h"
#include "platform/AppError.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace umbraxis {

const int kMsAdpcmCoefficients[7][2] = {
    {256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232},
};

const int kMsAdpcmAdaptation[16] = {
    230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230,
};

const int kImaStepTable[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767,
};

const int kImaIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

namespace {

int clamp16(int v)
{
    return std::clamp(v, -32768, 32767);
}

int defaultBlockAlign(const WavFormat& f)
{
    if (f.adpcmBlockAlign > 0)
        return f.adpcmBlockAlign;
    const int perChannel = f.sampleRate <= 11025 ? 256 : (f.sampleRate <= 22050 ? 512 : 1024);
    return perChannel * f.channels;
}

// Sample `i` of channel `c`, with silence past the end (padding of the last block).
qint16 sampleAt(const QVector<qint16>& s, int channels, qsizetype frame, int c)
{
    const qsizetype at = frame * channels + c;
    return at < s.size() ? s[at] : 0;
}

struct ImaState {
    int predictor = 0;
    int index = 0;
};

int imaEncodeNibble(ImaState& st, int sample)
{
    const int step = kImaStepTable[st.index];
    int diff = sample - st.predictor;
    int nibble = 0;
    if (diff < 0) {
        nibble = 8;
        diff = -diff;
    }
    int delta = step >> 3;
    if (diff >= step) {
        nibble |= 4;
        diff -= step;
        delta += step;
    }
    if (diff >= step >> 1) {
        nibble |= 2;
        diff -= step >> 1;
        delta += step >> 1;
    }
    if (diff >= step >> 2) {
        nibble |= 1;
        delta += step >> 2;
    }
    st.predictor = clamp16((nibble & 8) ? st.predictor - delta : st.predictor + delta);
    st.index = std::clamp(st.index + kImaIndexTable[nibble], 0, 88);
    return nibble;
}

int firstImaIndex(int firstSample, int secondSample)
{
    const int diff = std::abs(secondSample - firstSample);
    int index = 0;
    while (index < 88 && kImaStepTable[index] < diff)
        ++index;
    return index;
}

QByteArray encodeImaData(const QVector<qint16>& s, int channels, int blockAlign, qsizetype frames)
{
    const int perBlock = imaSamplesPerBlock(blockAlign, channels);
    QByteArray out;
    std::vector<ImaState> state(channels);
    for (qsizetype start = 0; start < frames; start += perBlock) {
        QByteArray block;
        for (int c = 0; c < channels; ++c) {
            const int first = sampleAt(s, channels, start, c);
            state[c].predictor = first;
            state[c].index = firstImaIndex(first, sampleAt(s, channels, start + 1, c));
            block.append(char(first & 0xFF));
            block.append(char((first >> 8) & 0xFF));
            block.append(char(state[c].index));
            block.append('\0');
        }
        // After the header sample, each channel contributes words of 8 nibbles in turn.
        for (int group = 0; group < (perBlock - 1) / 8; ++group) {
            for (int c = 0; c < channels; ++c) {
                for (int k = 0; k < 8; k += 2) {
                    const qsizetype frame = start + 1 + group * 8 + k;
                    const int lo = imaEncodeNibble(state[c], sampleAt(s, channels, frame, c));
                    const int hi = imaEncodeNibble(state[c], sampleAt(s, channels, frame + 1, c));
                    block.append(char(lo | (hi << 4)));
                }
            }
        }
        out.append(block);
    }
    return out;
}

struct MsState {
    int sample1 = 0;
    int sample2 = 0;
    int delta = 16;
};

int msEncodeNibble(MsState& st, int c1, int c2, int sample, long long* errorSum)
{
    const int predicted = (st.sample1 * c1 + st.sample2 * c2) >> 8;
    const int diff = sample - predicted;
    int nibble = diff >= 0 ? (diff + st.delta / 2) / st.delta : -((-diff + st.delta / 2) / st.delta);
    nibble = std::clamp(nibble, -8, 7);
    const int decoded = clamp16(predicted + nibble * st.delta);
    if (errorSum) {
        const long long e = sample - decoded;
        *errorSum += e * e;
    }
    st.sample2 = st.sample1;
    st.sample1 = decoded;
    const int code = nibble & 15;
    st.delta = std::max(16, (kMsAdpcmAdaptation[code] * st.delta) >> 8);
    return code;
}

// Picks the predictor and starting step size that reproduce one channel of a block best.
void chooseMsPredictor(const QVector<qint16>& s, int channels, qsizetype start, int perBlock, int c, int* predictor,
                       int* initialDelta)
{
    long long best = LLONG_MAX;
    for (int p = 0; p < 7; ++p) {
        for (int d = 16; d <= 8192; d *= 2) {
            MsState st;
            st.sample2 = sampleAt(s, channels, start, c);
            st.sample1 = sampleAt(s, channels, start + 1, c);
            st.delta = d;
            long long error = 0;
            for (int i = 2; i < perBlock && error < best; ++i)
                msEncodeNibble(st, kMsAdpcmCoefficients[p][0], kMsAdpcmCoefficients[p][1],
                               sampleAt(s, channels, start + i, c), &error);
            if (error < best) {
                best = error;
                *predictor = p;
                *initialDelta = d;
            }
        }
    }
}

QByteArray encodeMsData(const QVector<qint16>& s, int channels, int blockAlign, qsizetype frames)
{
    const int perBlock = msAdpcmSamplesPerBlock(blockAlign, channels);
    QByteArray out;
    for (qsizetype start = 0; start < frames; start += perBlock) {
        std::vector<int> predictor(channels, 0);
        std::vector<MsState> state(channels);
        ByteWriter header;
        for (int c = 0; c < channels; ++c) {
            int delta = 16;
            chooseMsPredictor(s, channels, start, perBlock, c, &predictor[c], &delta);
            state[c].delta = delta;
            state[c].sample2 = sampleAt(s, channels, start, c);
            state[c].sample1 = sampleAt(s, channels, start + 1, c);
        }
        for (int c = 0; c < channels; ++c)
            header.u8(quint8(predictor[c]));
        for (int c = 0; c < channels; ++c)
            header.i16(qint16(state[c].delta));
        for (int c = 0; c < channels; ++c)
            header.i16(qint16(state[c].sample1));
        for (int c = 0; c < channels; ++c)
            header.i16(qint16(state[c].sample2));
        QByteArray block = header.data();
        // Nibbles follow in frame order, channels interleaved, high nibble first.
        int pending = -1;
        for (int i = 2; i < perBlock; ++i) {
            for (int c = 0; c < channels; ++c) {
                const int code = msEncodeNibble(state[c], kMsAdpcmCoefficients[predictor[c]][0],
                                                kMsAdpcmCoefficients[predictor[c]][1],
                                                sampleAt(s, channels, start + i, c), nullptr);
                if (pending < 0) {
                    pending = code;
                } else {
                    block.append(char((pending << 4) | code));
                    pending = -1;
                }
            }
        }
        if (pending >= 0)
            block.append(char(pending << 4));
        block.append(QByteArray(std::max<qsizetype>(0, blockAlign - block.size()), '\0'));
        out.append(block);
    }
    return out;
}

} // namespace

int imaSamplesPerBlock(int blockAlign, int channels)
{
    return (blockAlign - 4 * channels) * 8 / (4 * channels) + 1;
}

int msAdpcmSamplesPerBlock(int blockAlign, int channels)
{
    return (blockAlign - 7 * channels) * 8 / (4 * channels) + 2;
}

QByteArray encodeWav(const QVector<qint16>& samples, const WavFormat& f)
{
    if (f.channels < 1 || f.channels > 2 || f.sampleRate <= 0)
        throw AppError(QStringLiteral("Unsupported wave format"));
    if (samples.size() % f.channels != 0)
        throw AppError(QStringLiteral("Sample count is not a whole number of frames"));
    const qsizetype frames = samples.size() / f.channels;

    int formatTag = 1;
    int bitsPerSample = 16;
    int blockAlign = 2 * f.channels;
    int avgBytes = f.sampleRate * blockAlign;
    QByteArray extra;
    QByteArray data;

    switch (f.encoding) {
    case WavEncoding::Pcm8: {
        bitsPerSample = 8;
        blockAlign = f.channels;
        avgBytes = f.sampleRate * blockAlign;
        data.reserve(samples.size());
        for (qint16 v : samples)
            data.append(char(std::clamp((int(v) + 32768 + 128) >> 8, 0, 255)));
        break;
    }
    case WavEncoding::Pcm16: {
        ByteWriter w;
        for (qint16 v : samples)
            w.i16(v);
        data = w.data();
        break;
    }
    case WavEncoding::ImaAdpcm: {
        formatTag = 0x11;
        bitsPerSample = 4;
        blockAlign = defaultBlockAlign(f);
        if (blockAlign % (4 * f.channels) != 0 || blockAlign <= 4 * f.channels)
            throw AppError(QStringLiteral("Unsupported ADPCM block size"));
        const int perBlock = imaSamplesPerBlock(blockAlign, f.channels);
        avgBytes = int(qint64(f.sampleRate) * blockAlign / perBlock);
        ByteWriter x;
        x.u16(quint16(perBlock));
        extra = x.data();
        data = encodeImaData(samples, f.channels, blockAlign, frames);
        break;
    }
    case WavEncoding::MsAdpcm: {
        formatTag = 0x02;
        bitsPerSample = 4;
        blockAlign = defaultBlockAlign(f);
        if (blockAlign <= 7 * f.channels)
            throw AppError(QStringLiteral("Unsupported ADPCM block size"));
        const int perBlock = msAdpcmSamplesPerBlock(blockAlign, f.channels);
        avgBytes = int(qint64(f.sampleRate) * blockAlign / perBlock);
        ByteWriter x;
        x.u16(quint16(perBlock));
        x.u16(7);
        for (const auto& pair : kMsAdpcmCoefficients) {
            x.i16(qint16(pair[0]));
            x.i16(qint16(pair[1]));
        }
        extra = x.data();
        data = encodeMsData(samples, f.channels, blockAlign, frames);
        break;
    }
    }

    const bool compressed = formatTag != 1;
    ByteWriter out;
    out.bytes("RIFF");
    out.u32(0);
    out.bytes("WAVE");
    out.bytes("fmt ");
    out.u32(quint32(16 + (compressed ? 2 + extra.size() : 0)));
    out.u16(quint16(formatTag));
    out.u16(quint16(f.channels));
    out.u32(quint32(f.sampleRate));
    out.u32(quint32(avgBytes));
    out.u16(quint16(blockAlign));
    out.u16(quint16(bitsPerSample));
    if (compressed) {
        out.u16(quint16(extra.size()));
        out.bytes(extra);
        out.bytes("fact");
        out.u32(4);
        out.u32(quint32(frames));
    }
    out.bytes("data");
    out.u32(quint32(data.size()));
    out.bytes(data);
    if (data.size() % 2)
        out.u8(0);
    out.patchU32(4, quint32(out.size() - 8));
    return out.data();
}

} // namespace umbraxis
