#include "app/CdStart.h"

#include "platform/InstanceGuard.h"
#include "platform/files/CdFinder.h"
#include "screens/TfInsertCd.h"

namespace umbraxis {

bool enterCdRoot(CdFinder& finder, const std::function<QString()>& askForCd,
                 const std::function<bool()>& anotherCopyRuns)
{
    if (checkCdRoot(QStringLiteral(".")) == CdRootCheck::Root)
        return true;
    QString root = finder.findMounted();
    if (root.isEmpty()) {
        if (anotherCopyRuns && anotherCopyRuns())
            return false;
        root = askForCd();
    }
    if (root.isEmpty())
        return false;
    // A folder gone since it was looked at leaves the program where it is,
    // and every file it then misses is reported as anywhere else.
    finder.enter(root);
    return true;
}

bool enterCdRoot(InstanceGuard& instance)
{
    CdFinder finder;
    return enterCdRoot(
        finder, [&finder] { return TfInsertCd::ask(finder); },
        [&instance] { return instance.ActivatePreviousInstance(QStringLiteral("Umbraxis")); });
}

} // namespace umbraxis
