#pragma once

#include "cdgen/WavWriter.h"

#include <QList>
#include <QString>
#include <QVector>

namespace umbraxis {

// One synthesised sound: its samples (mono) and how it is stored.
struct CdSound {
    QString path; // below the CD root, forward slashes
    QVector<qint16> samples;
    WavFormat format;
};

enum class SoundQuality {
    // 16-bit at 22050 Hz (the radio chirp 8-bit at 11025 Hz).
    Standard,
    // Every sound unsigned 8-bit at 11025 Hz, as the oldest discs had them.
    EightBit11k,
};

// The five cues and the briefing's march loop.
QList<CdSound> synthesiseCdSounds(SoundQuality quality = SoundQuality::Standard);

// A sound track for the logo intro: unsigned 8-bit mono PCM, loud throughout.
QByteArray synthIntroSoundTrack(int rate, double seconds);

QVector<qint16> synthGunCock(int rate);
QVector<qint16> synthRicochet(int rate);
QVector<qint16> synthSightGrowl(int rate);
QVector<qint16> synthBounce(int rate);
QVector<qint16> synthRadioChirp(int rate);
// A march on snare and bass drum whose last sample runs on into its first.
QVector<qint16> synthMarchLoop(int rate, double* seconds = nullptr);

} // namespace umbraxis
