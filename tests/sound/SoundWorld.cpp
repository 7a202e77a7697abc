#include "sound/SoundWorld.h"

#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace umbraxis::testing {

namespace {

// The sound library reads and writes through these, over a byte array.
struct Memory {
    QByteArray bytes;
    sf_count_t at = 0;
};

sf_count_t memoryLength(void* data) { return static_cast<Memory*>(data)->bytes.size(); }

sf_count_t memorySeek(sf_count_t offset, int whence, void* data)
{
    auto* memory = static_cast<Memory*>(data);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? memory->at : memory->bytes.size();
    memory->at = std::max<sf_count_t>(0, base + offset);
    return memory->at;
}

sf_count_t memoryRead(void* buffer, sf_count_t count, void* data)
{
    auto* memory = static_cast<Memory*>(data);
    const sf_count_t available = std::max<sf_count_t>(0, memory->bytes.size() - memory->at);
    const sf_count_t n = std::min(count, available);
    std::memcpy(buffer, memory->bytes.constData() + memory->at, size_t(n));
    memory->at += n;
    return n;
}

sf_count_t memoryWrite(const void* buffer, sf_count_t count, void* data)
{
    auto* memory = static_cast<Memory*>(data);
    if (memory->at + count > memory->bytes.size())
        memory->bytes.resize(qsizetype(memory->at + count));
    std::memcpy(memory->bytes.data() + memory->at, buffer, size_t(count));
    memory->at += count;
    return count;
}

sf_count_t memoryTell(void* data) { return static_cast<Memory*>(data)->at; }

SF_VIRTUAL_IO memoryIo() { return {memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell}; }

} // namespace

QByteArray toneWave(WaveFlavour flavour, int ms)
{
    SF_INFO info {};
    switch (flavour) {
    case WaveFlavour::Pcm8Mono11025:
        info = {0, 11025, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 0, 0};
        break;
    case WaveFlavour::Pcm16Stereo22050:
        info = {0, 22050, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
        break;
    case WaveFlavour::ImaAdpcm:
        info = {0, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 0, 0};
        break;
    case WaveFlavour::MsAdpcm:
        info = {0, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 0, 0};
        break;
    }
    const int rate = info.samplerate;
    const int silence = rate * 40 / 1000;
    const int tone = rate * ms / 1000;
    std::vector<short> samples(size_t(silence * 2 + tone) * size_t(info.channels), 0);
    for (int i = 0; i < tone; ++i) {
        const auto value = short(std::lround(12000 * std::sin(2 * M_PI * 440.0 * i / rate)));
        for (int c = 0; c < info.channels; ++c)
            samples[size_t(silence + i) * size_t(info.channels) + size_t(c)] = value;
    }
    Memory memory;
    SF_VIRTUAL_IO io = memoryIo();
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    if (!file)
        return {};
    sf_writef_short(file, samples.data(), sf_count_t(samples.size() / size_t(info.channels)));
    sf_close(file);
    return memory.bytes;
}

Audibility audibilityOfWave(const QByteArray& wave)
{
    Memory memory{wave, 0};
    SF_VIRTUAL_IO io = memoryIo();
    SF_INFO info {};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &memory);
    if (!file)
        return {};
    QByteArray samples(qsizetype(info.frames) * info.channels * 2, '\0');
    const sf_count_t got = sf_readf_short(file, reinterpret_cast<short*>(samples.data()), info.frames);
    sf_close(file);
    samples.resize(qsizetype(got) * info.channels * 2);
    return measureAudibility(samples, info.samplerate, info.channels);
}

} // namespace umbraxis::testing
