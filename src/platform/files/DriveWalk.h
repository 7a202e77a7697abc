#pragma once

#include "platform/FileSystem.h"

#include <vector>

namespace umbraxis {

class DriveMap;
struct SystemMounts;

// The drive walk's side of the host file system, made to beat `find`: each
// directory is opened once and listed in one pass, what each entry is comes
// from the listing itself (an entry is looked at on its own only where the
// file system does not say), and names stay as stored.

// The root of a drive ("c:\"), empty when the drive is not mapped.
WalkDirectory walkRootOf(const DriveMap& drives, int driveNumber);

// The entries of `directory`: links are plain files and never entered;
// hidden is a name starting with "."; devices, fifos, sockets and the
// `mounts` that count as system are system entries. 0, or the system's code
// when the directory cannot be listed (then no entries).
int listForWalk(const WalkDirectory& directory, const SystemMounts& mounts, std::vector<WalkEntry>& entries);

// The subdirectory `entry` of `parent`.
WalkDirectory walkChild(const WalkDirectory& parent, const WalkEntry& entry);

} // namespace umbraxis
