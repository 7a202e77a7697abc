#pragma once

#include <QByteArray>

#include <string>
#include <unordered_set>
#include <vector>

namespace umbraxis {

// One line of /proc/self/mountinfo, with the kernel's octal escapes
// (`\040` for a blank) undone.
struct MountEntry {
    std::string root;   // the folder of the file system shown there (not "/" for a bind mount of a folder)
    std::string point;  // where it is mounted
    std::string type;   // "iso9660", "ext4", "fuse.sshfs", ...
    std::string source; // "/dev/sr0", "tmpfs", "server:/share", ...
};

// Every well-formed line of the text of /proc/self/mountinfo, in its order.
std::vector<MountEntry> mountEntries(const QByteArray& mountInfo);

// A pseudo file system of the kernel, or one behind a network or a
// user-space server: never entered by a search.
bool isSystemMountType(const std::string& type);

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
