// The drive map: the text of drives.conf, then program paths mapped to host
// paths and back. A program path never leads out of its drive's folder.

#include "FuzzSupport.h"

#include "platform/WinPath.h"
#include "platform/files/DriveMap.h"

using namespace umbraxis;

namespace {

bool atOrBelow(const QString& path, const QString& folder)
{
    return folder == QLatin1String("/") ? path.startsWith(QLatin1Char('/'))
                                        : path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::FuzzInput input(data, size);
    const DriveMap map = DriveMap::parse(input.bytes(1024));
    for (int number = 1; number <= 26; ++number) {
        const QString folder = map.folder(number);
        FUZZ_CHECK(folder.isEmpty() || folder.startsWith(QLatin1Char('/')));
    }
    while (!input.atEnd()) {
        const QString path = QString::fromUtf8(input.bytes(200));
        const QString host = map.toHost(path);
        if (!host.isEmpty()) {
            const WinPath parsed = WinPath::parse(path);
            FUZZ_CHECK(parsed.hasDrive() && atOrBelow(host, map.folder(parsed.drive)));
        }
        // A host path comes back as a path on the drive that holds it, which
        // leads to that same place.
        const QString program = map.fromHost(path);
        if (!program.isEmpty()) {
            FUZZ_CHECK(program.size() >= 3 && program[1] == QLatin1Char(':') && program[2] == QLatin1Char('\\'));
            const QString again = map.toHost(program);
            FUZZ_CHECK(atOrBelow(again, map.folder(program[0])));
        }
    }
    return 0;
}
