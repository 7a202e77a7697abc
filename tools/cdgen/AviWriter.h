#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace umbraxis {

// A sound track: unsigned 8-bit mono PCM at `sampleRate`.
struct AviSoundTrack {
    QByteArray samples;
    int sampleRate = 11025;
};

// Writes the frames (all of one size) as a motion-JPEG video in a RIFF AVI file with
// one video stream, every frame a key frame, and an 'idx1' index. With a sound track,
// a second stream carries it, its chunks interleaved with the frames ('01wb', each
// holding the sound of one frame's time).
QByteArray encodeMjpegAvi(const QList<QImage>& frames, int framesPerSecond, int jpegQuality = 85,
                          const AviSoundTrack* sound = nullptr);

// One frame as a baseline JPEG, as stored in the video's '00dc' chunks.
QByteArray encodeJpeg(const QImage& frame, int quality);

} // namespace umbraxis
