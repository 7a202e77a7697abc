#pragma once

#include "support/SoundServer.h"

namespace umbraxis::testing {

// The server every sound test of this program plays through.
extern SoundServer* soundServer;

} // namespace umbraxis::testing
