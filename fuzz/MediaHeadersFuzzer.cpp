// The sound and video headers read when a player opens a file: a WAV's
// length comes from the data it holds, whatever its header claims, and no
// header value makes a length overflow.

#include "FuzzSupport.h"

#include "platform/MediaHeaders.h"

#include <QBuffer>

using namespace umbraxis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = fuzz::bytesOf(data, size);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);

    const MediaHeaderResult wave = readWaveHeader(buffer);
    FUZZ_CHECK(wave.ok == wave.error.isEmpty());
    if (wave.ok) {
        const MediaHeader& header = wave.header;
        FUZZ_CHECK(header.channels >= 1 && header.channels <= 2 && header.sampleRate > 0);
        // At most two samples a byte (4-bit ADPCM in mono).
        FUZZ_CHECK(header.frames >= 0 && header.frames <= 2 * qint64(size));
        FUZZ_CHECK(header.lengthMs >= 0);
    }

    const MediaHeaderResult video = readAviHeader(buffer);
    FUZZ_CHECK(video.ok == video.error.isEmpty());
    if (video.ok)
        FUZZ_CHECK(video.header.lengthMs >= 0 && video.header.height >= 0);
    return 0;
}
