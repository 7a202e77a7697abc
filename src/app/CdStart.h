#pragma once

#include <QString>

#include <functional>

namespace umbraxis {

class CdFinder;
class InstanceGuard;

// Before anything else the program makes the root of the Umbraxis CD its
// working directory: the one it was started in when that is a CD root (then
// nothing else is looked at), else the first CD root among the mounted file
// systems, else the one `askForCd` gives (empty: the user cancelled). Before
// it asks, a copy of the program already running (from a folder chosen in its
// own window, say) is brought forward instead, when `anotherCopyRuns` says so.
// Returns false when the program is to end.
bool enterCdRoot(CdFinder& finder, const std::function<QString()>& askForCd,
                 const std::function<bool()>& anotherCopyRuns = {});

// The same on this machine, asking through the insert-CD window.
bool enterCdRoot(InstanceGuard& instance);

} // namespace umbraxis
