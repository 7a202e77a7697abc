#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace umbraxis {

// Writes the frames (all of one size) as a motion-JPEG video in a RIFF AVI file with
// one video stream, every frame a key frame, and an 'idx1' index.
QByteArray encodeMjpegAvi(const QList<QImage>& frames, int framesPerSecond, int jpegQuality = 85);

// One frame as a baseline JPEG, as stored in the video's '00dc' chunks.
QByteArray encodeJpeg(const QImage& frame, int quality);

} // namespace umbraxis
