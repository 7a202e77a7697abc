// The package tests mount discs of their own. They do it in a mount
// namespace of this process, made before any thread exists (the kernel
// refuses it later), so that nobody else ever sees those mounts.

#include "package/PrivateMounts.h"
#include "shell/Application.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>

namespace umbraxis::testing {

bool privateMounts = false;

} // namespace umbraxis::testing

int main(int argc, char** argv)
{
    umbraxis::testing::privateMounts = ::unshare(CLONE_NEWNS) == 0
        && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    umbraxis::Application app(argc, argv);
    return RUN_ALL_TESTS();
}
