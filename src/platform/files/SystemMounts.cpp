#include "platform/files/SystemMounts.h"

#include <QFile>
#include <QList>

namespace umbraxis {

namespace {

std::string unescapeMountField(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::string parentOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return path.substr(0, slash);
}

} // namespace

bool isSystemMountType(const std::string& type)
{
    static const std::unordered_set<std::string> types = {
        // the kernel's own
        "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "debugfs", "tracefs", "securityfs", "pstore", "bpf",
        "configfs", "fusectl", "mqueue", "hugetlbfs", "autofs", "binfmt_misc", "efivarfs",
        // behind a network or a user-space server
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p", "ceph", "glusterfs", "lustre", "davfs", "sshfs",
        "fuse"};
    return types.count(type) > 0 || type.rfind("fuse.", 0) == 0;
}

std::vector<MountEntry> mountEntries(const QByteArray& mountInfo)
{
    // id parent major:minor root point options [optional fields...] - type source super-options
    std::vector<MountEntry> entries;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf(QByteArray("-"));
        if (fields.size() < 5 || dash < 5 || dash + 1 >= fields.size())
            continue;
        MountEntry entry;
        entry.root = unescapeMountField(fields[3].toStdString());
        entry.point = unescapeMountField(fields[4].toStdString());
        entry.type = fields[dash + 1].toStdString();
        if (dash + 2 < fields.size())
            entry.source = unescapeMountField(fields[dash + 2].toStdString());
        entries.push_back(std::move(entry));
    }
    return entries;
}

SystemMounts SystemMounts::parse(const QByteArray& mountInfo)
{
    SystemMounts mounts;
    for (const MountEntry& entry : mountEntries(mountInfo)) {
        if (!isSystemMountType(entry.type) || entry.point == "/")
            continue;
        mounts.points.insert(entry.point);
        mounts.parents.insert(parentOf(entry.point));
    }
    return mounts;
}

SystemMounts SystemMounts::current()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

} // namespace umbraxis
