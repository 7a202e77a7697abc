#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace umbraxis {

// Length and rate of the logo intro.
constexpr int kLogoFramesPerSecond = 15;
constexpr double kLogoSeconds = 4.6;

enum class CdVariant {
    Standard,
    // The intro carries an 8-bit sound track and every sound is 8-bit at
    // 11025 Hz, as on discs of the time.
    IntroWithSoundTrack,
};

// Writes the complete sample CD tree below `root`: pictures, sounds, texts, the help
// document, the logo video and still, the catalogue and the level directories.
// Existing files of the same names are replaced. Raises AppError on a write failure.
void writeSampleCd(const QString& root, CdVariant variant = CdVariant::Standard);

// The logo intro as an MJPEG AVI (320 x 240), with its sound track if asked.
QByteArray logoVideo(bool withSound = false);

// Writes `data` to `path`, creating missing parent directories, all or nothing.
void writeFileAtomically(const QString& path, const QByteArray& data);

} // namespace umbraxis
