#pragma once

#include <QString>

#include <functional>

namespace umbraxis {

class CdFinder;

// Before anything else the program makes the root of the Umbraxis CD its
// working directory: the one it was started in when that is a CD root (then
// nothing else is looked at), else the first CD root among the mounted file
// systems, else the one `askForCd` gives (empty: the user cancelled).
// Returns false when the program is to end.
bool enterCdRoot(CdFinder& finder, const std::function<QString()>& askForCd);

// The same on this machine, asking through the insert-CD window.
bool enterCdRoot();

} // namespace umbraxis
