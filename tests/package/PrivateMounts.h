#pragma once

namespace umbraxis::testing {

// True when this test process has a mount namespace of its own, so that it
// may mount file systems (as root) that only it and its children see.
extern bool privateMounts;

} // namespace umbraxis::testing
