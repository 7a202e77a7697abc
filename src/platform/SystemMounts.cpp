#include "platform/SystemMounts.h"

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

bool isSystemType(const std::string& type)
{
    static const std::unordered_set<std::string> types = {
        // the kernel's own
        "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "debugfs", "tracefs", "securityfs",
        "pstore", "bpf", "configfs", "fusectl", "mqueue", "hugetlbfs", "autofs", "binfmt_misc", "efivarfs",
        // behind a network or a user-space server
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p", "ceph", "glusterfs", "lustre", "davfs",
        "sshfs", "fuse"};
    return types.count(type) > 0 || type.rfind("fuse.", 0) == 0;
}

} // namespace

SystemMounts SystemMounts::parse(const QByteArray& mountInfo)
{
    SystemMounts mounts;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf(QByteArray("-"));
        if (fields.size() < 5 || dash < 0 || dash + 1 >= fields.size())
            continue;
        if (!isSystemType(fields[dash + 1].toStdString()))
            continue;
        const std::string point = unescapeMountField(fields[4].toStdString());
        if (point == "/")
            continue;
        mounts.points.insert(point);
        mounts.parents.insert(parentOf(point));
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
