#pragma once

#include "platform/Services.h"

#include <memory>

namespace umbraxis {

class InstanceGuard;

// The real platform services of the running program, owned in one place.
class RealServices {
public:
    // Settings that must be made before the application object exists.
    static void prepareProcess();

    // `instance` is made before the services, so that the search for the CD
    // can ask it first.
    explicit RealServices(InstanceGuard& instance);
    ~RealServices();

    const Services& services() const { return m_services; }

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
    Services m_services;
};

} // namespace umbraxis
