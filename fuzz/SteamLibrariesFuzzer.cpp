// Steam's libraryfolders.vdf, read for the libraries that may hold Quake.

#include "FuzzSupport.h"

#include "platform/files/HostQuakePlaces.h"

#include <QSet>

using namespace umbraxis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList libraries = HostQuakePlaces::steamLibraries(fuzz::bytesOf(data, size));
    FUZZ_CHECK(QSet<QString>(libraries.begin(), libraries.end()).size() == libraries.size());
    for (const QString& library : libraries)
        FUZZ_CHECK(!library.isEmpty());
    return 0;
}
