#include "platform/MediaHeaders.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <limits>
#include <optional>

namespace umbraxis {

namespace {

const char* const kUnrecognised = "The file cannot be played: unrecognised format";
const char* const kUnsupportedSound = "The file cannot be played: unsupported sound encoding";
const char* const kUnsupportedVideo = "The file cannot be played: unsupported video compression";

constexpr quint32 fourcc(const char (&text)[5])
{
    return quint32(quint8(text[0])) | quint32(quint8(text[1])) << 8 | quint32(quint8(text[2])) << 16
        | quint32(quint8(text[3])) << 24;
}

quint16 u16(const QByteArray& bytes, qsizetype at)
{
    if (at + 2 > bytes.size())
        return 0;
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32(const QByteArray& bytes, qsizetype at)
{
    if (at + 4 > bytes.size())
        return 0;
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

MediaHeaderResult failure(const char* text)
{
    MediaHeaderResult result;
    result.error = QString::fromLatin1(text);
    return result;
}

struct Chunk {
    quint32 id = 0;
    quint32 size = 0;     // as declared
    qint64 data = 0;      // offset of the chunk's data
    qint64 available = 0; // bytes of data actually present inside the parent
};

// Walks the chunks between `pos` and `end`. Chunk data is padded to an even
// length; a chunk that claims more bytes than its parent holds is cut at the
// parent's end, which is how a truncated file is read.
class ChunkWalker {
public:
    ChunkWalker(QIODevice& device, qint64 begin, qint64 end)
        : m_device(device)
        , m_pos(begin)
        , m_end(end)
    {
    }

    bool next(Chunk& chunk)
    {
        if (m_pos + 8 > m_end || !m_device.seek(m_pos))
            return false;
        const QByteArray head = m_device.read(8);
        if (head.size() < 8)
            return false;
        chunk.id = u32(head, 0);
        chunk.size = u32(head, 4);
        chunk.data = m_pos + 8;
        chunk.available = std::min<qint64>(chunk.size, m_end - chunk.data);
        m_pos = chunk.data + qint64(chunk.size) + (chunk.size & 1);
        return true;
    }

    QByteArray read(const Chunk& chunk, qint64 limit) const
    {
        if (!m_device.seek(chunk.data))
            return {};
        return m_device.read(std::min(chunk.available, limit));
    }

private:
    QIODevice& m_device;
    qint64 m_pos;
    qint64 m_end;
};

// Reads the 12-byte RIFF header and checks its form type. The declared RIFF
// size is not trusted: some writers leave it zero or stale, so the file's
// own size bounds the walk.
bool readRiff(QIODevice& device, quint32 formType)
{
    if (!device.seek(0))
        return false;
    const QByteArray head = device.read(12);
    return head.size() == 12 && u32(head, 0) == fourcc("RIFF") && u32(head, 8) == formType;
}

qint64 adpcmSamples(qint64 dataBytes, qint64 blockAlign, qint64 samplesPerBlock, qint64 headerBytes,
                    qint64 headerSamples, int channels)
{
    const qint64 blocks = dataBytes / blockAlign;
    const qint64 rest = dataBytes % blockAlign;
    qint64 samples = blocks * samplesPerBlock;
    if (rest >= headerBytes)
        samples += std::min(samplesPerBlock, headerSamples + (rest - headerBytes) * 2 / channels);
    return samples;
}

} // namespace

MediaHeaderResult readWaveHeader(QIODevice& device)
{
    if (!readRiff(device, fourcc("WAVE")))
        return failure(kUnrecognised);

    std::optional<QByteArray> fmt;
    std::optional<Chunk> data;
    std::optional<quint32> factSamples;
    ChunkWalker walker(device, 12, device.size());
    Chunk chunk;
    while (walker.next(chunk)) {
        if (chunk.id == fourcc("fmt ") && !fmt)
            fmt = walker.read(chunk, 1024);
        else if (chunk.id == fourcc("data") && !data)
            data = chunk;
        else if (chunk.id == fourcc("fact") && chunk.available >= 4 && !factSamples)
            factSamples = u32(walker.read(chunk, 4), 0);
    }
    if (!fmt || fmt->size() < 16 || !data)
        return failure(kUnrecognised);

    const quint16 tag = u16(*fmt, 0);
    const int channels = u16(*fmt, 2);
    const quint32 rate = u32(*fmt, 4);
    const int blockAlign = u16(*fmt, 12);
    const int bits = u16(*fmt, 14);
    const quint16 extraSize = fmt->size() >= 18 ? u16(*fmt, 16) : 0;
    const quint16 declaredSamplesPerBlock = extraSize >= 2 ? u16(*fmt, 18) : 0;
    if (rate == 0)
        return failure(kUnrecognised);
    // Above the highest rate any sound device plays, a rate is damage.
    if (channels < 1 || channels > 2 || rate > 384000)
        return failure(kUnsupportedSound);

    const qint64 dataBytes = data->available;
    MediaHeader header;
    header.kind = MediaKind::Wave;
    header.channels = channels;
    header.sampleRate = int(rate);
    header.bitsPerSample = bits;
    qint64 samples = 0;

    if (tag == 0x0001) {
        if (bits != 8 && bits != 16)
            return failure(kUnsupportedSound);
        header.format = QStringLiteral("PCM");
        samples = dataBytes / (channels * bits / 8);
    } else if (tag == 0x0011 || tag == 0x0002) {
        const bool ima = tag == 0x0011;
        // IMA blocks open with 4 bytes per channel that carry one sample; MS
        // ADPCM blocks with 7 bytes per channel that carry two.
        const qint64 headerBytes = (ima ? 4 : 7) * channels;
        const qint64 headerSamples = ima ? 1 : 2;
        if (bits != 4 || blockAlign <= headerBytes)
            return failure(kUnsupportedSound);
        const qint64 computedPerBlock = headerSamples + (blockAlign - headerBytes) * 2 / channels;
        const qint64 perBlock = declaredSamplesPerBlock > 0
            ? std::min<qint64>(declaredSamplesPerBlock, computedPerBlock)
            : computedPerBlock;
        header.format = ima ? QStringLiteral("IMA ADPCM") : QStringLiteral("MS ADPCM");
        samples = adpcmSamples(dataBytes, blockAlign, perBlock, headerBytes, headerSamples, channels);
        // The fact chunk holds the exact count (the last block is usually
        // only partly used), but never more than the blocks can hold: a
        // cut-off file or a lying count must not promise hours of sound.
        if (factSamples)
            samples = std::min<qint64>(*factSamples, samples);
    } else {
        return failure(kUnsupportedSound);
    }

    header.frames = samples;
    header.lengthMs = (samples * 1000 + rate / 2) / rate;
    return {true, header, {}};
}

namespace {

QString videoFormatName(quint32 compression)
{
    switch (compression) {
    case 0: // BI_RGB
    case 3: // BI_BITFIELDS
    case fourcc("DIB "):
    case fourcc("RGB "):
    case fourcc("RAW "): return QStringLiteral("Uncompressed");
    case 1: // BI_RLE8
    case 2: // BI_RLE4
    case fourcc("mrle"):
    case fourcc("MRLE"):
    case fourcc("RLE "): return QStringLiteral("MS RLE");
    case fourcc("cvid"):
    case fourcc("CVID"): return QStringLiteral("Cinepak");
    case fourcc("CRAM"):
    case fourcc("cram"):
    case fourcc("MSVC"):
    case fourcc("msvc"):
    case fourcc("WHAM"):
    case fourcc("wham"): return QStringLiteral("MS Video 1");
    case fourcc("MJPG"):
    case fourcc("mjpg"): return QStringLiteral("MJPEG");
    default: return {};
    }
}

struct VideoStream {
    QByteArray strh;
    std::optional<QByteArray> strf;
};

} // namespace

namespace {

// a * b / divisor, rounded to the nearest, without overflow (the largest
// length at the most); 0 for a zero divisor.
qint64 scaled(quint64 a, quint64 b, quint64 divisor)
{
    if (divisor == 0)
        return 0;
    __extension__ typedef unsigned __int128 Wide;
    const Wide product = Wide(a) * b;
    const Wide result = (product + divisor / 2) / divisor;
    return result > Wide(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max() : qint64(result);
}

// The id of stream `number`'s chunks of kind `kind` ("dc"): "00dc", "01wb".
quint32 streamChunkId(int number, const char (&kind)[3])
{
    return quint32('0' + number / 10 % 10) | quint32('0' + number % 10) << 8 | quint32(quint8(kind[0])) << 16
        | quint32(quint8(kind[1])) << 24;
}

// Counts the frame chunks of the video stream `number` below `begin`..`end`
// (and in its 'rec ' lists), stopping at `most`; `depth` bounds the nesting.
qint64 countFrames(QIODevice& device, qint64 begin, qint64 end, int number, qint64 most, int depth = 0)
{
    const quint32 compressed = streamChunkId(number, "dc");
    const quint32 uncompressed = streamChunkId(number, "db");
    ChunkWalker walker(device, begin, end);
    Chunk chunk;
    qint64 count = 0;
    while (count < most && walker.next(chunk)) {
        if (chunk.id == compressed || chunk.id == uncompressed)
            ++count;
        else if (chunk.id == fourcc("LIST") && depth < 4 && chunk.available >= 4
                 && u32(walker.read(chunk, 4), 0) == fourcc("rec "))
            count += countFrames(device, chunk.data + 4, chunk.data + chunk.available, number, most - count, depth + 1);
    }
    return count;
}

} // namespace

MediaHeaderResult readAviHeader(QIODevice& device)
{
    if (!readRiff(device, fourcc("AVI ")))
        return failure(kUnrecognised);

    std::optional<QByteArray> avih;
    std::optional<VideoStream> video;
    int videoNumber = 0;
    ChunkWalker top(device, 12, device.size());
    Chunk chunk;
    while (!avih && top.next(chunk)) {
        if (chunk.id != fourcc("LIST") || chunk.available < 4 || u32(top.read(chunk, 4), 0) != fourcc("hdrl"))
            continue;
        ChunkWalker hdrl(device, chunk.data + 4, chunk.data + chunk.available);
        Chunk item;
        int streams = 0;
        while (hdrl.next(item)) {
            if (item.id == fourcc("avih") && !avih) {
                avih = hdrl.read(item, 56);
            } else if (item.id == fourcc("LIST") && !video && item.available >= 4
                       && u32(hdrl.read(item, 4), 0) == fourcc("strl")) {
                ChunkWalker strl(device, item.data + 4, item.data + item.available);
                VideoStream stream;
                Chunk part;
                while (strl.next(part)) {
                    if (part.id == fourcc("strh") && stream.strh.isEmpty())
                        stream.strh = strl.read(part, 56);
                    else if (part.id == fourcc("strf") && !stream.strf)
                        stream.strf = strl.read(part, 40);
                }
                if (stream.strh.size() >= 8 && u32(stream.strh, 0) == fourcc("vids")) {
                    video = stream;
                    videoNumber = streams;
                }
                ++streams;
            }
        }
        if (!avih)
            return failure(kUnrecognised);
    }
    if (!avih || avih->size() < 40 || !video)
        return failure(kUnrecognised);

    // The stream format's compression names the decoder; the stream header's
    // handler is only a hint, used when the format is missing.
    const bool hasFormat = video->strf && video->strf->size() >= 20;
    const quint32 compression = hasFormat ? u32(*video->strf, 16) : u32(video->strh, 4);
    MediaHeader header;
    header.kind = MediaKind::Video;
    header.format = videoFormatName(compression);
    if (header.format.isEmpty())
        return failure(kUnsupportedVideo);

    header.width = int(qMin<quint32>(u32(*avih, 32), INT_MAX));
    header.height = int(qMin<quint32>(u32(*avih, 36), INT_MAX));
    if (hasFormat) {
        // The format's height is negative for a picture stored top down.
        const qint64 width = qint32(u32(*video->strf, 4));
        const qint64 height = qint32(u32(*video->strf, 8));
        header.width = int(std::clamp<qint64>(width, INT_MIN, INT_MAX));
        header.height = int(std::min<qint64>(height < 0 ? -height : height, INT_MAX));
        header.bitsPerSample = u16(*video->strf, 14);
    }

    // A header may promise any number of frames; the video lasts only as long
    // as the frames the file holds, so that a lying header never means an
    // hour-long wait for a picture that does not come.
    const quint32 microSecPerFrame = u32(*avih, 0);
    const quint32 mainFrames = u32(*avih, 16);
    const quint32 streamFrames = u32(video->strh, 32);
    const qint64 most = std::max(mainFrames, streamFrames);
    qint64 present = 0;
    while (present < most && top.next(chunk)) {
        if (chunk.available < 4)
            continue;
        const quint32 type = u32(top.read(chunk, 4), 0);
        if (chunk.id == fourcc("LIST") && type == fourcc("movi")) {
            present += countFrames(device, chunk.data + 4, chunk.data + chunk.available, videoNumber, most - present);
        } else if (chunk.id == fourcc("RIFF") && type == fourcc("AVIX")) {
            // A file over a gigabyte goes on in further RIFF lists, each with
            // a movi list of its own.
            ChunkWalker extension(device, chunk.data + 4, chunk.data + chunk.available);
            Chunk part;
            while (present < most && extension.next(part)) {
                if (part.id == fourcc("LIST") && part.available >= 4
                    && u32(extension.read(part, 4), 0) == fourcc("movi"))
                    present += countFrames(device, part.data + 4, part.data + part.available, videoNumber,
                                           most - present);
            }
        }
    }
    header.lengthMs = scaled(microSecPerFrame, std::min<qint64>(mainFrames, present), 1000);
    if (header.lengthMs == 0) {
        // Some writers leave the main header's timing empty; the video
        // stream's own rate and length then give the duration.
        const quint32 scale = u32(video->strh, 20);
        const quint32 rate = u32(video->strh, 24);
        header.lengthMs = scaled(std::min<qint64>(streamFrames, present) * quint64(scale), 1000, rate);
    }
    return {true, header, {}};
}

namespace {

// The number of the first sound stream and its format, from the header list.
std::optional<std::pair<int, QByteArray>> aviSoundStream(QIODevice& device, const Chunk& hdrlList)
{
    ChunkWalker hdrl(device, hdrlList.data + 4, hdrlList.data + hdrlList.available);
    Chunk item;
    int number = 0;
    while (hdrl.next(item)) {
        if (item.id != fourcc("LIST") || item.available < 4 || u32(hdrl.read(item, 4), 0) != fourcc("strl"))
            continue;
        ChunkWalker strl(device, item.data + 4, item.data + item.available);
        QByteArray strh;
        QByteArray strf;
        Chunk part;
        while (strl.next(part)) {
            if (part.id == fourcc("strh") && strh.isEmpty())
                strh = strl.read(part, 56);
            else if (part.id == fourcc("strf") && strf.isEmpty())
                strf = strl.read(part, 1024);
        }
        if (strh.size() >= 8 && u32(strh, 0) == fourcc("auds") && strf.size() >= 16)
            return std::make_pair(number, strf);
        if (++number > 99)
            break;
    }
    return std::nullopt;
}

// Appends the data of the chunks `id` below `begin`..`end` (and in its 'rec '
// lists) to `sound`, up to `limit` bytes; `depth` bounds the nesting.
void collectChunks(QIODevice& device, qint64 begin, qint64 end, quint32 id, QByteArray& sound, qint64 limit,
                   int depth = 0)
{
    ChunkWalker walker(device, begin, end);
    Chunk chunk;
    while (sound.size() < limit && walker.next(chunk)) {
        if (chunk.id == id) {
            sound += walker.read(chunk, limit - sound.size());
        } else if (chunk.id == fourcc("LIST") && depth < 4 && chunk.available >= 4
                   && u32(walker.read(chunk, 4), 0) == fourcc("rec ")) {
            collectChunks(device, chunk.data + 4, chunk.data + chunk.available, id, sound, limit, depth + 1);
        }
    }
}

void putU32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

std::optional<QByteArray> aviSoundTrackAsWave(QIODevice& device, qint64 limitBytes)
{
    if (!readRiff(device, fourcc("AVI ")))
        return std::nullopt;
    std::optional<std::pair<int, QByteArray>> stream;
    QByteArray sound;
    ChunkWalker top(device, 12, device.size());
    Chunk chunk;
    while (top.next(chunk)) {
        if (chunk.id != fourcc("LIST") || chunk.available < 4)
            continue;
        const quint32 type = u32(top.read(chunk, 4), 0);
        if (type == fourcc("hdrl") && !stream) {
            stream = aviSoundStream(device, chunk);
            if (!stream)
                return std::nullopt;
        } else if (type == fourcc("movi") && stream) {
            // The stream's chunks are named by its number: "01wb".
            const quint32 id = streamChunkId(stream->first, "wb");
            collectChunks(device, chunk.data + 4, chunk.data + chunk.available, id, sound, limitBytes);
            break;
        }
    }
    if (!stream || sound.isEmpty())
        return std::nullopt;
    const QByteArray& format = stream->second;
    QByteArray wave("RIFF");
    putU32(wave, 0);
    wave += "WAVEfmt ";
    putU32(wave, quint32(format.size()));
    wave += format;
    if (format.size() % 2)
        wave += '\0';
    wave += "data";
    putU32(wave, quint32(sound.size()));
    wave += sound;
    if (sound.size() % 2)
        wave += '\0';
    qToLittleEndian(quint32(wave.size() - 8), wave.data() + 4);
    return wave;
}

std::optional<MediaKind> mediaKindForPath(const QString& programPath)
{
    const qsizetype slash = std::max(programPath.lastIndexOf(QLatin1Char('\\')),
                                     programPath.lastIndexOf(QLatin1Char('/')));
    const QString name = programPath.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1).toLower();
    if (extension == QLatin1String("wav"))
        return MediaKind::Wave;
    if (extension == QLatin1String("avi"))
        return MediaKind::Video;
    return std::nullopt;
}

MediaHeaderResult readMediaHeader(QIODevice& device, MediaKind kind)
{
    return kind == MediaKind::Wave ? readWaveHeader(device) : readAviHeader(device);
}

} // namespace umbraxis
