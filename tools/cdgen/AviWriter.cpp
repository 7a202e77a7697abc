#include "cdgen/AviWriter.h"

#include "cdgen/ByteWriter.h"
#include "platform/AppError.h"

#include <QBuffer>

#include <algorithm>

namespace umbraxis {

QByteArray encodeJpeg(const QImage& frame, int quality)
{
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!frame.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPG", quality))
        throw AppError(QStringLiteral("Cannot encode a video frame as JPEG"));
    return jpeg;
}

QByteArray encodeMjpegAvi(const QList<QImage>& frames, int framesPerSecond, int jpegQuality, const AviSoundTrack* sound)
{
    if (frames.isEmpty() || framesPerSecond <= 0)
        throw AppError(QStringLiteral("A video needs at least one frame and a positive frame rate"));
    const QSize size = frames.first().size();
    QList<QByteArray> jpegs;
    quint32 largest = 0;
    qint64 total = 0;
    for (const QImage& frame : frames) {
        if (frame.size() != size)
            throw AppError(QStringLiteral("All video frames must have the same size"));
        jpegs.append(encodeJpeg(frame, jpegQuality));
        largest = std::max(largest, quint32(jpegs.last().size()));
        total += jpegs.last().size();
    }
    const quint32 frameCount = quint32(jpegs.size());
    const quint32 microSecPerFrame = quint32(1000000 / framesPerSecond);
    const quint32 maxBytesPerSec = quint32(total * framesPerSecond / frameCount + 1);

    ByteWriter out;
    out.bytes("RIFF");
    out.u32(0);
    out.bytes("AVI ");

    out.bytes("LIST");
    const qsizetype hdrlSize = out.size();
    out.u32(0);
    out.bytes("hdrl");

    out.bytes("avih");
    out.u32(56);
    out.u32(microSecPerFrame);
    out.u32(maxBytesPerSec);
    out.u32(0);
    out.u32(0x110); // AVIF_HASINDEX | AVIF_ISINTERLEAVED
    out.u32(frameCount);
    out.u32(0);
    out.u32(sound ? 2 : 1);
    out.u32(largest + 8);
    out.u32(quint32(size.width()));
    out.u32(quint32(size.height()));
    for (int i = 0; i < 4; ++i)
        out.u32(0);

    out.bytes("LIST");
    const qsizetype strlSize = out.size();
    out.u32(0);
    out.bytes("strl");

    out.bytes("strh");
    out.u32(56);
    out.bytes("vids");
    out.bytes("MJPG");
    out.u32(0);
    out.u16(0);
    out.u16(0);
    out.u32(0);
    out.u32(1);
    out.u32(quint32(framesPerSecond));
    out.u32(0);
    out.u32(frameCount);
    out.u32(largest + 8);
    out.u32(0xFFFFFFFFu);
    out.u32(0);
    out.u16(0);
    out.u16(0);
    out.u16(quint16(size.width()));
    out.u16(quint16(size.height()));

    out.bytes("strf");
    out.u32(40);
    out.u32(40);
    out.i32(size.width());
    out.i32(size.height());
    out.u16(1);
    out.u16(24);
    out.bytes("MJPG");
    out.u32(quint32(size.width() * size.height() * 3));
    out.i32(0);
    out.i32(0);
    out.u32(0);
    out.u32(0);

    out.patchU32(strlSize, quint32(out.size() - strlSize - 4));

    // The sound of frame i: the samples from i/fps to (i+1)/fps seconds.
    auto soundOfFrame = [&](int i) {
        if (!sound)
            return QByteArray();
        const qint64 from = qint64(i) * sound->sampleRate / framesPerSecond;
        const qint64 to = i + 1 == int(frameCount) ? sound->samples.size()
                                                   : qint64(i + 1) * sound->sampleRate / framesPerSecond;
        return sound->samples.mid(std::min<qint64>(from, sound->samples.size()), std::max<qint64>(to - from, 0));
    };
    if (sound) {
        out.bytes("LIST");
        const qsizetype audioSize = out.size();
        out.u32(0);
        out.bytes("strl");
        out.bytes("strh");
        out.u32(56);
        out.bytes("auds");
        out.u32(0);
        out.u32(0);
        out.u16(0);
        out.u16(0);
        out.u32(0);
        out.u32(1);                              // scale
        out.u32(quint32(sound->sampleRate));     // rate: samples per second
        out.u32(0);                              // start
        out.u32(quint32(sound->samples.size())); // length in samples
        out.u32(quint32(sound->sampleRate / framesPerSecond + 2));
        out.u32(0xFFFFFFFFu);
        out.u32(1); // sample size
        out.u16(0);
        out.u16(0);
        out.u16(0);
        out.u16(0);
        out.bytes("strf");
        out.u32(16);
        out.u16(1); // PCM
        out.u16(1); // mono
        out.u32(quint32(sound->sampleRate));
        out.u32(quint32(sound->sampleRate)); // bytes per second
        out.u16(1);                          // block align
        out.u16(8);                          // bits per sample
        out.patchU32(audioSize, quint32(out.size() - audioSize - 4));
    }
    out.patchU32(hdrlSize, quint32(out.size() - hdrlSize - 4));

    out.bytes("LIST");
    const qsizetype moviSize = out.size();
    out.u32(0);
    const qsizetype moviStart = out.size();
    out.bytes("movi");
    struct IndexEntry {
        const char* id;
        quint32 offset;
        quint32 size;
    };
    QList<IndexEntry> index;
    auto chunk = [&](const char* id, const QByteArray& data) {
        index.append({id, quint32(out.size() - moviStart), quint32(data.size())});
        out.bytes(id);
        out.u32(quint32(data.size()));
        out.bytes(data);
        if (data.size() % 2)
            out.u8(0);
    };
    for (int i = 0; i < jpegs.size(); ++i) {
        if (sound)
            chunk("01wb", soundOfFrame(i));
        chunk("00dc", jpegs[i]);
    }
    out.patchU32(moviSize, quint32(out.size() - moviSize - 4));

    out.bytes("idx1");
    out.u32(quint32(16 * index.size()));
    for (const IndexEntry& entry : index) {
        out.bytes(entry.id);
        out.u32(0x10); // AVIIF_KEYFRAME
        out.u32(entry.offset);
        out.u32(entry.size);
    }
    out.patchU32(4, quint32(out.size() - 8));
    return out.data();
}

} // namespace umbraxis
