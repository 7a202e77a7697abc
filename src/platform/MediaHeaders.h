#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class QIODevice;

namespace umbraxis {

enum class MediaKind { Wave, Video };

// What a media file's own header says about it. The length is taken from
// the header rather than from a decoder, because decoders misjudge the
// duration of compressed sound (their estimate rests on the byte rate).
struct MediaHeader {
    MediaKind kind = MediaKind::Wave;
    qint64 lengthMs = 0;
    // A short name of the encoding: "PCM", "IMA ADPCM", "MS ADPCM" for
    // sound; "Cinepak", "MS Video 1", "MS RLE", "MJPEG", "Uncompressed" for
    // video.
    QString format;
    // Sample frames of a sound: what the data holds, or the exact count the
    // file gives when the data's last block is only partly used.
    qint64 frames = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    int width = 0;
    int height = 0;
};

// Either a header or the text that tells why the file cannot be played.
struct MediaHeaderResult {
    bool ok = false;
    MediaHeader header;
    QString error;
};

// Reads the header of a RIFF WAVE file from the start of `device`. Only the
// encodings the player can decode are accepted: 8- and 16-bit PCM, IMA ADPCM
// and MS ADPCM, in mono or stereo.
MediaHeaderResult readWaveHeader(QIODevice& device);

// Reads the header of a RIFF AVI file from the start of `device`. The first
// video stream must be Cinepak, MS Video 1, MS RLE, MJPEG or uncompressed.
MediaHeaderResult readAviHeader(QIODevice& device);

// The first sound stream of a RIFF AVI file as a complete RIFF WAVE file in
// memory (the stream's own format, its chunks in file order), for the
// program's own sound path; none when the video has no sound stream or the
// stream holds nothing. At most `limitBytes` of sound are taken.
std::optional<QByteArray> aviSoundTrackAsWave(QIODevice& device, qint64 limitBytes = 64 << 20);

// The kind of device a program path ("sounds\\cue.wav", "logo.avi") opens,
// chosen by its extension; none for other extensions.
std::optional<MediaKind> mediaKindForPath(const QString& programPath);

// Reads the header the file's kind calls for; other kinds fail.
MediaHeaderResult readMediaHeader(QIODevice& device, MediaKind kind);

} // namespace umbraxis
