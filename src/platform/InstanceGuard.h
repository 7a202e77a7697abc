#pragma once

#include <QString>

namespace umbraxis {

// Makes sure one copy of the program runs at a time.
class InstanceGuard {
public:
    virtual ~InstanceGuard() = default;

    // True when another copy already runs; that copy's window titled
    // `windowTitle` has then been asked to come forward. False makes this
    // process the only copy for the rest of its life.
    virtual bool ActivatePreviousInstance(const QString& windowTitle) = 0;
};

} // namespace umbraxis
