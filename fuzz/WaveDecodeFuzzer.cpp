// A sound file as a player opens it: its header read first, then, when the
// header is one the player accepts, the file decoded whole by the sound
// library, at most as many frames as the header counts.

#include "FuzzSupport.h"

#include "platform/MediaHeaders.h"
#include "platform/WaveOutput.h"

#include <QBuffer>

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace umbraxis;

namespace {

// The bytes as a file of their own, at its start; -1 when none can be made.
int fileOf(const QByteArray& bytes)
{
    const int fd = ::memfd_create("umbraxis-fuzz-sound", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() || ::lseek(fd, 0, SEEK_SET) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = fuzz::bytesOf(data, size);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const MediaHeaderResult header = readWaveHeader(buffer);
    if (!header.ok)
        return 0;
    const int fd = fileOf(bytes);
    FUZZ_CHECK(fd >= 0);
    const std::unique_ptr<WaveOutput> sound = WaveOutput::decode(fd, header.header.frames);
    // The decoder takes the file over and closes it, whether it could read it
    // or not.
    FUZZ_CHECK(::fcntl(fd, F_GETFD) == -1 && errno == EBADF);
    const MediaHeader& format = header.header;
    fuzz::noteOutcome(unsigned(format.format.size()) * 64 + unsigned(format.channels) * 8
                      + (unsigned(format.bitsPerSample) / 4 & 7));
    if (!sound) {
        fuzz::noteOutcome(1000);
        return 0;
    }
    FUZZ_CHECK(sound->frames() <= format.frames);
    fuzz::noteOutcome(2000 + fuzz::magnitude(sound->frames()) * 2 + (sound->frames() == format.frames));
    return 0;
}
