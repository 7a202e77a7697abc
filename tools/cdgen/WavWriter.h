#pragma once

#include <QByteArray>
#include <QVector>

namespace umbraxis {

enum class WavEncoding {
    Pcm8,     // unsigned 8-bit PCM
    Pcm16,    // signed 16-bit PCM
    ImaAdpcm, // IMA/DVI ADPCM, format tag 0x0011, 4 bits per sample
    MsAdpcm,  // Microsoft ADPCM, format tag 0x0002, 4 bits per sample
};

struct WavFormat {
    WavEncoding encoding = WavEncoding::Pcm16;
    int sampleRate = 22050;
    int channels = 1;
    // Bytes per ADPCM block for all channels together; 0 picks the customary size
    // (256 bytes per channel up to 11025 Hz, 512 up to 22050 Hz, 1024 above).
    int adpcmBlockAlign = 0;
};

// Encodes interleaved 16-bit samples (frames of `channels` samples) as a complete RIFF
// WAVE file. ADPCM files carry a 'fact' chunk with the true number of sample frames;
// their last block is padded with silence.
QByteArray encodeWav(const QVector<qint16>& samples, const WavFormat& format);

// Samples per channel held by one ADPCM block of the given size.
int imaSamplesPerBlock(int blockAlign, int channels);
int msAdpcmSamplesPerBlock(int blockAlign, int channels);

// The seven predictor coefficient pairs written into every MS ADPCM header.
extern const int kMsAdpcmCoefficients[7][2];
extern const int kMsAdpcmAdaptation[16];
extern const int kImaStepTable[89];
extern const int kImaIndexTable[16];

} // namespace umbraxis
