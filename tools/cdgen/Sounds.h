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

// The five cues and the briefing's march loop.
QList<CdSound> synthesiseCdSounds();

QVector<qint16> synthGunCock(int rate);
QVector<qint16> synthRicochet(int rate);
QVector<qint16> synthSightGrowl(int rate);
QVector<qint16> synthBounce(int rate);
QVector<qint16> synthRadioChirp(int rate);
// A march on snare and bass drum whose last sample runs on into its first.
QVector<qint16> synthMarchLoop(int rate, double* seconds = nullptr);

} // namespace umbraxis
