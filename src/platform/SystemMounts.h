#pragma once

#include <QByteArray>

#include <string>
#include <unordered_set>

namespace umbraxis {

// The mount points that count as system entries: the kernel's pseudo file
// systems, which no walk may descend into, and network or user-space mounts
// (nfs, cifs, fuse.*, 9p, ...), which a dead server could keep from ever
// answering. A drive letter mapped straight onto one is still searched; only
// such mounts found inside a tree are passed over.
struct SystemMounts {
    std::unordered_set<std::string> points;
    // The folders that hold one, so that most listings need no lookup.
    std::unordered_set<std::string> parents;

    bool isMountPoint(const std::string& path) const { return points.count(path) > 0; }
    bool holdsMountPoint(const std::string& folder) const { return parents.count(folder) > 0; }

    // From the text of /proc/self/mountinfo.
    static SystemMounts parse(const QByteArray& mountInfo);
    // The mounts of this process now.
    static SystemMounts current();
};

} // namespace umbraxis
