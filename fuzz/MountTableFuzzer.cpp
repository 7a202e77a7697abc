// The mount table (/proc/self/mountinfo) as the drive walk and the search for
// the CD read it.

#include "FuzzSupport.h"

#include "platform/files/CdFinder.h"
#include "platform/files/SystemMounts.h"

#include <QSet>

using namespace umbraxis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray table = fuzz::bytesOf(data, size);
    const std::vector<MountEntry> entries = mountEntries(table);
    FUZZ_CHECK(entries.size() <= std::size_t(table.count('\n')) + 1);
    const SystemMounts mounts = SystemMounts::parse(table);
    for (const std::string& point : mounts.points)
        FUZZ_CHECK(point != "/" && mounts.points.size() <= entries.size());

    const QStringList candidates = cdCandidates(table, [](const QString& device) { return device.size() % 2 == 0; });
    FUZZ_CHECK(QSet<QString>(candidates.begin(), candidates.end()).size() == candidates.size());
    return 0;
}
