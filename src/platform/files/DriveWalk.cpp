#include "platform/files/DriveWalk.h"

#include "platform/Descriptor.h"
#include "platform/WinPath.h"
#include "platform/files/DirectoryReader.h"
#include "platform/files/DriveMap.h"
#include "platform/files/PathResolver.h"
#include "platform/files/SystemMounts.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace umbraxis {

WalkDirectory walkRootOf(const DriveMap& drives, int driveNumber)
{
    const QChar letter = driveLetter(driveNumber);
    if (letter.isNull())
        return {};
    return {QString(letter) + QStringLiteral(":\\"), QFile::encodeName(drives.folder(driveNumber))};
}

int listForWalk(const WalkDirectory& directory, const SystemMounts& mounts, std::vector<WalkEntry>& entries)
{
    entries.clear();
    if (directory.place.isEmpty())
        return ENOENT;
    const Descriptor fd(::open(directory.place.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd)
        return errno;
    const bool nearMounts = !mounts.parents.empty() && mounts.holdsMountPoint(directory.place.toStdString());
    return readDirectory(fd.get(), [&](const char* name, unsigned char type) {
        if (type == DT_UNKNOWN) {
            struct stat st { };
            if (::fstatat(fd.get(), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                return;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : S_ISLNK(st.st_mode) ? DT_LNK : DT_FIFO;
        }
        WalkEntry& entry = entries.emplace_back();
        entry.stored.assign(name);
        entry.attributes = name[0] == '.' ? unsigned(faHidden) : 0u;
        if (type == DT_DIR) {
            entry.attributes |= faDirectory;
            if (nearMounts && mounts.isMountPoint(joinHost(directory.place, QByteArray(name)).toStdString()))
                entry.attributes |= faSystem;
        } else if (type != DT_REG && type != DT_LNK) {
            entry.attributes |= faSystem;
        }
    });
}

WalkDirectory walkChild(const WalkDirectory& parent, const WalkEntry& entry)
{
    WalkDirectory child;
    const QString name = entry.name();
    child.path.reserve(parent.path.size() + name.size() + 1);
    child.path += parent.path;
    child.path += name;
    child.path += QLatin1Char('\\');
    // Joined as the mount table writes paths (no doubled slash below a
    // drive mapped onto "/"), so that a mount deeper down is recognised.
    child.place = joinHost(parent.place, QByteArray(entry.stored.data(), qsizetype(entry.stored.size())));
    return child;
}

} // namespace umbraxis
