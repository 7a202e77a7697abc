// A video's sound track, taken out of the AVI as a WAVE file of its own and
// decoded whole by the sound library, as the intro does before it plays.

#include "FuzzSupport.h"

#include "platform/MediaHeaders.h"
#include "platform/WaveOutput.h"

#include <QBuffer>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <unistd.h>

using namespace umbraxis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = fuzz::bytesOf(data, size);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const std::optional<QByteArray> wave = aviSoundTrackAsWave(buffer);
    if (!wave)
        return 0;
    // The track holds what the file held, and a header to say what it is.
    FUZZ_CHECK(wave->size() <= bytes.size() + 64);
    FUZZ_CHECK(wave->startsWith("RIFF") && wave->mid(8, 8) == "WAVEfmt ");

    const int fd = ::memfd_create("umbraxis-fuzz-track", MFD_CLOEXEC);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::write(fd, wave->constData(), size_t(wave->size())) == wave->size());
    FUZZ_CHECK(::lseek(fd, 0, SEEK_SET) == 0);
    const std::unique_ptr<WaveOutput> sound = WaveOutput::decode(fd, std::numeric_limits<qint64>::max());
    FUZZ_CHECK(::fcntl(fd, F_GETFD) == -1 && errno == EBADF);
    // The track's format tag and whether the sound library read it.
    const unsigned tag = quint8(wave->at(20)) | quint8(wave->at(21)) << 8;
    fuzz::noteOutcome((tag % 512) * 2 + (sound != nullptr));
    if (sound) {
        FUZZ_CHECK(sound->channels() >= 1 && sound->channels() <= 2);
        fuzz::noteOutcome(2000 + fuzz::magnitude(sound->frames()));
    }
    return 0;
}
