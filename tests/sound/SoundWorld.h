#pragma once

#include "support/SoundServer.h"

#include <QByteArray>

namespace umbraxis::testing {

// The server every sound test of this program plays through.
extern SoundServer* soundServer;

// A tone of `ms` milliseconds with 40 ms of silence before and after it,
// written by the system's sound library in one of the formats a CD carries.
enum class WaveFlavour { Pcm8Mono11025, Pcm16Stereo22050, ImaAdpcm, MsAdpcm };
QByteArray toneWave(WaveFlavour flavour, int ms);
// The audibility of a wave file, decoded, by the same measure as a recording.
Audibility audibilityOfWave(const QByteArray& wave);

} // namespace umbraxis::testing
