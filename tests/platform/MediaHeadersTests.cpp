#include "MediaPlayerFixtures.h"

#include "cdgen/AviWriter.h"
#include "platform/MediaHeaders.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace umbraxis {
namespace {

using namespace umbraxis::testing;

struct HeaderRow {
    const char* name;
    QByteArray bytes;
    qint64 lengthMs; // -1: the file must be refused
    const char* formatOrError;
};

MediaHeaderResult parse(const QByteArray& bytes, MediaKind kind)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return readMediaHeader(buffer, kind);
}

void check(const HeaderRow& row, MediaKind kind)
{
    SCOPED_TRACE(row.name);
    const MediaHeaderResult result = parse(row.bytes, kind);
    if (row.lengthMs < 0) {
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, QString::fromLatin1(row.formatOrError));
        return;
    }
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.header.kind, kind);
    EXPECT_EQ(result.header.lengthMs, row.lengthMs);
    EXPECT_EQ(result.header.format, QString::fromLatin1(row.formatOrError));
}

QByteArray wave(const QByteArray& fmt, const QByteArray& body)
{
    return riff("WAVE", chunk("fmt ", fmt) + body);
}

// ADPCM formats with a byte rate that has nothing to do with the length,
// so that a length worked out from it would show.
QByteArray imaFormat(quint16 channels, quint32 rate, quint16 blockAlign, std::optional<quint16> samplesPerBlock)
{
    QByteArray fmt = le16(0x11) + le16(channels) + le32(rate) + le32(1) + le16(blockAlign) + le16(4);
    if (samplesPerBlock)
        fmt += le16(2) + le16(*samplesPerBlock);
    return fmt;
}

QByteArray msAdpcmFormat(quint16 channels, quint32 rate, quint16 blockAlign)
{
    QByteArray extra = le16(quint16((blockAlign - 7 * channels) * 2 / channels + 2)) + le16(7);
    const int coefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    for (const auto& pair : coefficients)
        extra += le16(quint16(qint16(pair[0]))) + le16(quint16(qint16(pair[1])));
    return le16(2) + le16(channels) + le32(rate) + le32(7) + le16(blockAlign) + le16(4) + le16(quint16(extra.size()))
        + extra;
}

const char* const kUnrecognised = "The file cannot be played: unrecognised format";
const char* const kSound = "The file cannot be played: unsupported sound encoding";
const char* const kVideo = "The file cannot be played: unsupported video compression";

TEST(MediaHeadersTest, WaveLengthsAndEncodings)
{
    const QByteArray pcmFmt = waveFormat(1, 1, 8000, 2, 16);
    QByteArray truncated = wave(pcmFmt, chunk("data", QByteArray(8000, '\0'), 16000));
    truncated.chop(1000); // 7000 bytes of a declared 16000 remain
    const HeaderRow rows[] = {
        {"16-bit mono", pcmWave(1, 22050, 16, 11025), 500, "PCM"},
        {"8-bit stereo", pcmWave(2, 11025, 8, 5512), 500, "PCM"},
        {"8-bit mono", pcmWave(1, 8000, 8, 2000), 250, "PCM"},
        {"16-bit stereo", pcmWave(2, 44100, 16, 44100), 1000, "PCM"},
        {"odd unknown chunks are skipped with their pad byte",
         riff("WAVE",
              chunk("LIST", QByteArray("INFOabc")) + chunk("fmt ", pcmFmt) + chunk("junk", QByteArray(3, 'j'))
                  + chunk("data", QByteArray(4000, '\0'))),
         250, "PCM"},
        {"data before fmt", riff("WAVE", chunk("data", QByteArray(800, '\0')) + chunk("fmt ", pcmFmt)), 50, "PCM"},
        {"a fact chunk does not change PCM",
         wave(pcmFmt, chunk("fact", le32(1)) + chunk("data", QByteArray(1600, '\0'))), 100, "PCM"},
        {"data running past the end of the file", truncated, 438, "PCM"},
        {"stale RIFF size",
         [&] {
             QByteArray bytes = pcmWave(1, 8000, 8, 800);
             bytes.replace(4, 4, le32(4));
             return bytes;
         }(),
         100, "PCM"},
        {"IMA ADPCM: the fact count wins",
         wave(imaFormat(1, 8000, 256, 505), chunk("fact", le32(4000)) + chunk("data", QByteArray(8 * 256, '\0'))), 500,
         "IMA ADPCM"},
        {"IMA ADPCM without fact: whole blocks",
         wave(imaFormat(1, 8000, 256, 505), chunk("data", QByteArray(4 * 256, '\0'))), 253, "IMA ADPCM"},
        {"IMA ADPCM without fact: a partial last block counts its samples",
         wave(imaFormat(1, 8000, 256, 505), chunk("data", QByteArray(4 * 256 + 4 + 50, '\0'))), 265, "IMA ADPCM"},
        {"IMA ADPCM without samples per block: worked out from the block size",
         wave(imaFormat(2, 22050, 1024, std::nullopt), chunk("data", QByteArray(10 * 1024, '\0'))), 461, "IMA ADPCM"},
        {"IMA ADPCM cut short: no more samples than the data holds",
         [&] {
             QByteArray bytes = wave(imaFormat(1, 8000, 256, 505),
                                     chunk("fact", le32(80000)) + chunk("data", QByteArray(2 * 256, '\0'), 200 * 256));
             return bytes;
         }(),
         126, "IMA ADPCM"},
        {"IMA ADPCM whose fact count lies: no more samples than the blocks hold",
         wave(imaFormat(1, 8000, 256, 505),
              chunk("fact", le32(0xffffffffu)) + chunk("data", QByteArray(2 * 256, '\0'))),
         126, "IMA ADPCM"},
        {"MS ADPCM: the fact count wins",
         wave(msAdpcmFormat(1, 11025, 256), chunk("fact", le32(11025)) + chunk("data", QByteArray(23 * 256, '\0'))),
         1000, "MS ADPCM"},
        {"MS ADPCM without fact: whole blocks of 500 samples",
         wave(msAdpcmFormat(1, 8000, 256), chunk("data", QByteArray(8 * 256, '\0'))), 500, "MS ADPCM"},
        {"MS ADPCM stereo without fact", wave(msAdpcmFormat(2, 8000, 512), chunk("data", QByteArray(16 * 512, '\0'))),
         1000, "MS ADPCM"},
        {"not RIFF", QByteArray("RIFX\0\0\0\0WAVE", 12) + chunk("fmt ", pcmFmt), -1, kUnrecognised},
        {"an AVI", mjpegAvi(2, 10), -1, kUnrecognised},
        {"empty", QByteArray(), -1, kUnrecognised},
        {"no data chunk", riff("WAVE", chunk("fmt ", pcmFmt)), -1, kUnrecognised},
        {"no fmt chunk", riff("WAVE", chunk("data", QByteArray(100, '\0'))), -1, kUnrecognised},
        {"short fmt chunk", riff("WAVE", chunk("fmt ", pcmFmt.left(12)) + chunk("data", QByteArray(10, '\0'))), -1,
         kUnrecognised},
        {"zero sample rate", wave(waveFormat(1, 1, 0, 2, 16), chunk("data", QByteArray(10, '\0'))), -1, kUnrecognised},
        {"24-bit PCM", wave(waveFormat(1, 1, 8000, 3, 24), chunk("data", QByteArray(30, '\0'))), -1, kSound},
        {"a rate no device plays", wave(waveFormat(1, 1, 0x80000000u, 2, 16), chunk("data", QByteArray(10, '\0'))), -1,
         kSound},
        {"three channels", wave(waveFormat(1, 3, 8000, 6, 16), chunk("data", QByteArray(60, '\0'))), -1, kSound},
        {"MPEG layer 3", wave(waveFormat(0x55, 1, 8000, 1, 0), chunk("data", QByteArray(60, '\0'))), -1, kSound},
        {"IMA ADPCM block too small", wave(imaFormat(2, 8000, 8, std::nullopt), chunk("data", QByteArray(64, '\0'))),
         -1, kSound},
    };
    for (const HeaderRow& row : rows)
        check(row, MediaKind::Wave);
}

QByteArray avi(const char* fourcc, quint32 compression, quint32 microSecPerFrame = 50000, quint32 frames = 20)
{
    AviLayout layout;
    layout.handler = fourcc;
    layout.compression = compression;
    layout.microSecPerFrame = microSecPerFrame;
    layout.totalFrames = frames;
    return aviFile(layout);
}

TEST(MediaHeadersTest, AviLengthsAndCodecs)
{
    AviLayout noFormat;
    noFormat.handler = "cvid";
    noFormat.compression = 0;
    noFormat.withFormat = false;
    noFormat.microSecPerFrame = 66667;
    noFormat.totalFrames = 30;
    AviLayout timed;
    timed.microSecPerFrame = 40000;
    timed.totalFrames = 12;
    QByteArray noTiming = aviFile(timed);
    noTiming.replace(32, 4, le32(0)); // the main header's frame time
    QByteArray audioOnly = avi("MJPG", fourccValue("MJPG"));
    audioOnly.replace(audioOnly.indexOf("vids"), 4, "auds");
    QByteArray junkFirst = avi("MJPG", fourccValue("MJPG"));
    junkFirst.insert(12, chunk("JUNK", QByteArray(101, '\0')));
    // Headers that promise ten hours: a video lasts as long as its frames.
    AviLayout lying;
    lying.totalFrames = 900000;
    lying.frames = {"a", "b", "c"};
    QByteArray lyingStream = aviFile(lying);
    lyingStream.replace(32, 4, le32(0)); // the main header's frame time
    AviLayout headerOnly;
    headerOnly.totalFrames = 100;
    headerOnly.headerOnly = true;
    AviLayout huge;
    huge.microSecPerFrame = 0xFFFFFFFF;
    huge.totalFrames = 0xFFFFFFFF;
    huge.frames = {"a"};
    const HeaderRow rows[] = {
        {"Cinepak", avi("cvid", fourccValue("cvid")), 1000, "Cinepak"},
        {"Cinepak in capitals", avi("CVID", fourccValue("CVID")), 1000, "Cinepak"},
        {"MS Video 1 as CRAM", avi("CRAM", fourccValue("CRAM")), 1000, "MS Video 1"},
        {"MS Video 1 as MSVC", avi("MSVC", fourccValue("MSVC")), 1000, "MS Video 1"},
        {"MS Video 1 as msvc", avi("msvc", fourccValue("msvc")), 1000, "MS Video 1"},
        {"MS Video 1 as WHAM", avi("WHAM", fourccValue("WHAM")), 1000, "MS Video 1"},
        {"MS RLE as compression 1", avi("\0\0\0\0", 1), 1000, "MS RLE"},
        {"MS RLE as mrle", avi("mrle", fourccValue("mrle")), 1000, "MS RLE"},
        {"MS RLE as 'RLE '", avi("RLE ", fourccValue("RLE ")), 1000, "MS RLE"},
        {"MJPEG", avi("MJPG", fourccValue("MJPG"), 40000, 75), 3000, "MJPEG"},
        {"MJPEG in lower case", avi("mjpg", fourccValue("mjpg")), 1000, "MJPEG"},
        {"uncompressed", avi("DIB ", 0), 1000, "Uncompressed"},
        {"a full MJPEG file", mjpegAvi(7, 10), 700, "MJPEG"},
        {"frame time in microseconds is rounded once", avi("MJPG", fourccValue("MJPG"), 66667, 3), 200, "MJPEG"},
        {"the format's compression decides, not the handler", avi("cvid", fourccValue("MJPG")), 1000, "MJPEG"},
        {"without a stream format the handler decides", aviFile(noFormat), 2000, "Cinepak"},
        {"without main timing the stream's rate gives the length", noTiming, 480, "MJPEG"},
        {"a chunk before the header list", junkFirst, 1000, "MJPEG"},
        {"ten hours promised, three frames held", aviFile(lying), 120, "MJPEG"},
        {"ten hours promised by the stream, three frames held", lyingStream, 120, "MJPEG"},
        {"a header without frames lasts no time", aviFile(headerOnly), 0, "MJPEG"},
        {"the largest frame time and count", aviFile(huge), 4294967, "MJPEG"},
        {"XviD", avi("XVID", fourccValue("XVID")), -1, kVideo},
        {"H.264", avi("H264", fourccValue("H264")), -1, kVideo},
        {"Indeo", avi("IV50", fourccValue("IV50")), -1, kVideo},
        {"no video stream", audioOnly, -1, kUnrecognised},
        {"a WAVE file", pcmWave(1, 8000, 8, 800), -1, kUnrecognised},
        {"header list cut off", mjpegAvi(3, 10).left(60), -1, kUnrecognised},
        {"garbage", QByteArray(500, 'x'), -1, kUnrecognised},
    };
    for (const HeaderRow& row : rows)
        check(row, MediaKind::Video);
}

TEST(MediaHeadersTest, AVideosSoundTrackBecomesAWaveOfItsOwnFormat)
{
    QList<QImage> frames(6, QImage(16, 16, QImage::Format_RGB32));
    for (QImage& frame : frames)
        frame.fill(Qt::darkRed);
    AviSoundTrack track;
    track.sampleRate = 11025;
    for (int i = 0; i < 4410; ++i)
        track.samples.append(char(128 + (i % 50)));
    const QByteArray withSound = encodeMjpegAvi(frames, 15, 80, &track);
    const struct {
        const char* name;
        QByteArray video;
        qint64 frames; // -1: no sound track
    } rows[] = {
        {"whole", withSound, 4410},
        {"cut off in the middle", withSound.left(withSound.size() / 2), -2},
        {"no sound stream", encodeMjpegAvi(frames, 15, 80), -1},
        {"header list only", withSound.left(withSound.indexOf("movi")), -1},
        {"a WAVE file", pcmWave(1, 8000, 8, 800), -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QByteArray copy = row.video;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        const std::optional<QByteArray> wave = aviSoundTrackAsWave(buffer);
        if (row.frames == -1) {
            EXPECT_FALSE(wave);
            continue;
        }
        ASSERT_TRUE(wave);
        const MediaHeaderResult header = parse(*wave, MediaKind::Wave);
        ASSERT_TRUE(header.ok) << header.error.toStdString();
        EXPECT_EQ(header.header.format, "PCM");
        EXPECT_EQ(header.header.sampleRate, 11025);
        EXPECT_EQ(header.header.bitsPerSample, 8);
        if (row.frames > 0) {
            EXPECT_EQ(header.header.frames, row.frames);
            EXPECT_TRUE(wave->endsWith(track.samples.right(100))) << "the chunks in file order";
        } else {
            EXPECT_GT(header.header.frames, 0);
            EXPECT_LT(header.header.frames, 4410);
        }
    }
    // A limit bounds what is taken, whatever the file holds.
    QByteArray copy = withSound;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_EQ(parse(*aviSoundTrackAsWave(buffer, 1000), MediaKind::Wave).header.frames, 1000);
}

TEST(MediaHeadersTest, DeviceKindFollowsTheExtension)
{
    const struct {
        const char* path;
        std::optional<MediaKind> kind;
    } rows[] = {
        {"sounds\\guncock.wav", MediaKind::Wave},
        {"SOUNDS\\TALK.WAV", MediaKind::Wave},
        {"logo.avi", MediaKind::Video},
        {"c:\\cd/Logo.Avi", MediaKind::Video},
        {"song.mp3", std::nullopt},
        {"sounds.wav\\readme", std::nullopt},
        {"wav", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(mediaKindForPath(QString::fromLatin1(row.path)), row.kind);
    }
}

} // namespace
} // namespace umbraxis
