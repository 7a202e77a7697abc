#pragma once

// Builders of small but real WAV and AVI files for the media tests.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QtEndian>

#include <optional>

namespace umbraxis::testing {

inline QByteArray le16(quint16 value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

inline QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

inline quint32 fourccValue(const char* text)
{
    return quint32(quint8(text[0])) | quint32(quint8(text[1])) << 8 | quint32(quint8(text[2])) << 16
        | quint32(quint8(text[3])) << 24;
}

// A chunk with its id, size and the pad byte that odd sizes need. A
// `declaredSize` other than the data's own size makes a lying header.
inline QByteArray chunk(const char* id, const QByteArray& data, std::optional<quint32> declaredSize = {})
{
    QByteArray bytes(id, 4);
    bytes += le32(declaredSize.value_or(quint32(data.size())));
    bytes += data;
    if (data.size() % 2)
        bytes += '\0';
    return bytes;
}

inline QByteArray list(const char* type, const QByteArray& content)
{
    return chunk("LIST", QByteArray(type, 4) + content);
}

inline QByteArray riff(const char* form, const QByteArray& content)
{
    return QByteArray("RIFF", 4) + le32(quint32(4 + content.size())) + QByteArray(form, 4) + content;
}

// The fmt chunk body; `extra` follows a cbSize field when given.
inline QByteArray waveFormat(quint16 tag, quint16 channels, quint32 rate, quint16 blockAlign, quint16 bits,
                             std::optional<QByteArray> extra = {})
{
    QByteArray fmt = le16(tag) + le16(channels) + le32(rate) + le32(rate * blockAlign) + le16(blockAlign) + le16(bits);
    if (extra)
        fmt += le16(quint16(extra->size())) + *extra;
    return fmt;
}

// A PCM WAV of `frames` sample frames holding a quiet tone.
inline QByteArray pcmWave(quint16 channels, quint32 rate, quint16 bits, qint64 frames)
{
    const int frameBytes = channels * bits / 8;
    QByteArray data;
    data.reserve(int(frames * frameBytes));
    for (qint64 i = 0; i < frames; ++i) {
        const int level = (i / 20) % 2 ? 2000 : -2000;
        for (int c = 0; c < channels; ++c) {
            if (bits == 8)
                data += char(128 + level / 256);
            else
                data += le16(quint16(qint16(level)));
        }
    }
    return riff("WAVE", chunk("fmt ", waveFormat(1, channels, rate, quint16(frameBytes), bits)) + chunk("data", data));
}

// A mono IMA ADPCM WAV of `samples` samples of silence in blocks of
// `blockAlign` bytes, with a fact chunk. Silence is a valid stream: every
// block starts from predictor 0 at step index 0 and every nibble is 0.
inline QByteArray imaAdpcmWave(quint32 rate, qint64 samples, quint16 blockAlign = 256)
{
    const qint64 perBlock = (blockAlign - 4) * 2 + 1;
    const qint64 fullBlocks = samples / perBlock;
    const qint64 rest = samples % perBlock;
    qint64 bytes = fullBlocks * blockAlign;
    if (rest > 0)
        bytes += 4 + (rest - 1 + 1) / 2;
    QByteArray data(int(bytes), '\0');
    const QByteArray fmt = waveFormat(0x11, 1, rate, blockAlign, 4, le16(quint16(perBlock)));
    return riff("WAVE", chunk("fmt ", fmt) + chunk("fact", le32(quint32(samples))) + chunk("data", data));
}

struct AviLayout {
    quint32 microSecPerFrame = 40000;
    quint32 totalFrames = 10;
    QByteArray handler = "MJPG";
    quint32 compression = fourccValue("MJPG");
    int width = 64;
    int height = 48;
    quint16 bitCount = 24;
    bool withFormat = true;
    bool intraOnly = true; // every frame a key frame, as in MJPEG
    // The movi chunks' data; none gives `totalFrames` empty chunks (frames
    // that repeat the last picture), unless `headerOnly`.
    QList<QByteArray> frames;
    bool headerOnly = false;
};

inline QByteArray aviFile(const AviLayout& layout)
{
    const QByteArray avih = le32(layout.microSecPerFrame) + le32(1000000) + le32(0) + le32(0x10)
        + le32(layout.totalFrames) + le32(0) + le32(1) + le32(0) + le32(quint32(layout.width))
        + le32(quint32(layout.height)) + QByteArray(16, '\0');
    const QByteArray strh = QByteArray("vids") + layout.handler.leftJustified(4, ' ', true) + le32(0) + le16(0)
        + le16(0) + le32(0) + le32(layout.microSecPerFrame) + le32(1000000) + le32(0) + le32(layout.totalFrames)
        + le32(0) + le32(0xFFFFFFFF) + le32(0) + le16(0) + le16(0) + le16(quint16(layout.width))
        + le16(quint16(layout.height));
    const QByteArray strf = le32(40) + le32(quint32(layout.width)) + le32(quint32(layout.height)) + le16(1)
        + le16(layout.bitCount) + le32(layout.compression) + le32(quint32(layout.width * layout.height * 3))
        + QByteArray(16, '\0');
    QByteArray strl = chunk("strh", strh);
    if (layout.withFormat)
        strl += chunk("strf", strf);
    const QByteArray hdrl = list("hdrl", chunk("avih", avih) + list("strl", strl));

    QByteArray movi;
    QByteArray index;
    QList<QByteArray> frames = layout.frames;
    if (frames.isEmpty() && !layout.headerOnly)
        frames.fill(QByteArray(), qsizetype(layout.totalFrames));
    for (const QByteArray& frame : std::as_const(frames)) {
        const quint32 flags = layout.intraOnly || movi.isEmpty() ? 0x10 : 0;
        index += QByteArray("00dc") + le32(flags) + le32(quint32(4 + movi.size())) + le32(quint32(frame.size()));
        movi += chunk("00dc", frame);
    }
    QByteArray content = hdrl;
    if (!layout.headerOnly)
        content += list("movi", movi);
    if (!frames.isEmpty())
        content += chunk("idx1", index);
    return riff("AVI ", content);
}

// A real MJPEG AVI: `frames` frames of a moving bar at `fps`.
inline QByteArray mjpegAvi(int frames, int fps, int width = 64, int height = 48)
{
    AviLayout layout;
    layout.microSecPerFrame = quint32(1000000 / fps);
    layout.totalFrames = quint32(frames);
    layout.width = width;
    layout.height = height;
    for (int i = 0; i < frames; ++i) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(40, 20, 10));
        QPainter painter(&image);
        painter.fillRect(i * width / frames, 0, width / 8 + 1, height, QColor(200, 90, 30));
        painter.end();
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", 80);
        layout.frames.append(jpeg);
    }
    return aviFile(layout);
}

} // namespace umbraxis::testing
