#include "platform/FileSystem.h"

#include <algorithm>
#include <strings.h>

namespace umbraxis {

std::int64_t File::copyFrom(File& source, char* buffer, std::int64_t bufferSize, std::int64_t count)
{
    std::int64_t done = 0;
    while (done < count) {
        const std::int64_t read = source.read(buffer, std::min(bufferSize, count - done));
        if (read < 0)
            return done > 0 ? done : -1;
        if (read == 0)
            break;
        const std::int64_t written = write(buffer, read);
        if (written > 0)
            done += written;
        if (written != read)
            break;
    }
    return done;
}

bool WalkEntry::isNamed(const char* ascii) const
{
    return ::strcasecmp(stored.c_str(), ascii) == 0;
}

} // namespace umbraxis
