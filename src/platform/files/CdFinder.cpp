#include "platform/files/CdFinder.h"

#include "platform/files/SystemMounts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace umbraxis {

namespace {

bool isAtOrBelow(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

bool isOptical(const MountEntry& entry, const QString& source)
{
    return entry.type == "iso9660" || entry.type == "udf" || source.startsWith(QLatin1String("/dev/sr"))
        || source.startsWith(QLatin1String("/dev/cdrom"));
}

// The text of a one-line sysfs attribute; empty when it cannot be read.
QByteArray readAttribute(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64).trimmed();
}

} // namespace

CdRootCheck checkCdRoot(const QString& folder)
{
    QDir dir(folder);
    // The program must be able to make it its working directory, too.
    if (folder.isEmpty() || !dir.exists() || !dir.isReadable() || !QFileInfo(folder).isExecutable())
        return CdRootCheck::Unreadable;
    bool catalogue = false;
    bool images = false;
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (!catalogue && name.compare(QLatin1String("levels.csv"), Qt::CaseInsensitive) == 0 && entry.isFile())
            catalogue = true;
        else if (!images && name.compare(QLatin1String("images"), Qt::CaseInsensitive) == 0 && entry.isDir())
            images = true;
    }
    if (!catalogue)
        return CdRootCheck::NoCatalogue;
    if (!images)
        return CdRootCheck::NoImages;
    return CdRootCheck::Root;
}

QStringList cdCandidates(const QByteArray& mountInfo, const std::function<bool(const QString& device)>& isRemovable)
{
    QStringList candidates;
    for (const MountEntry& entry : mountEntries(mountInfo)) {
        if (isSystemMountType(entry.type))
            continue;
        const QString point = QString::fromStdString(entry.point);
        const QString source = QString::fromStdString(entry.source);
        const bool wanted = isOptical(entry, source) || isAtOrBelow(point, QStringLiteral("/media"))
            || isAtOrBelow(point, QStringLiteral("/run/media")) || isAtOrBelow(point, QStringLiteral("/mnt"))
            || (source.startsWith(QLatin1String("/dev/")) && isRemovable && isRemovable(source));
        if (wanted && !candidates.contains(point))
            candidates.append(point);
    }
    return candidates;
}

bool CdFinder::enter(const QString& folder)
{
    return ::chdir(QFile::encodeName(folder).constData()) == 0;
}

QByteArray CdFinder::mountTable() const
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool CdFinder::isRemovable(const QString& device) const
{
    // "/dev/disk/by-label/X" and the like are links to the device node.
    const QString node = QFileInfo(device).canonicalFilePath();
    if (node.isEmpty())
        return false;
    const QString block = QStringLiteral("/sys/class/block/") + QFileInfo(node).fileName();
    if (QFileInfo::exists(block + QStringLiteral("/removable")))
        return readAttribute(block + QStringLiteral("/removable")) == "1";
    // A partition: the disk it belongs to is the folder above it in sysfs.
    const QString disk = QFileInfo(QFileInfo(block).canonicalFilePath()).path();
    return readAttribute(disk + QStringLiteral("/removable")) == "1";
}

QString CdFinder::findMounted() const
{
    return findMounted(mountTable());
}

QString CdFinder::findMounted(const QByteArray& table) const
{
    const QStringList candidates = cdCandidates(table, [this](const QString& device) { return isRemovable(device); });
    for (const QString& point : candidates)
        if (checkCdRoot(point) == CdRootCheck::Root)
            return point;
    return QString();
}

} // namespace umbraxis
