// The sound tests play through a private sound server started before the
// application object, so that the audio system finds it from the start.

#include "shell/Application.h"
#include "sound/SoundWorld.h"

#include <gtest/gtest.h>

namespace umbraxis::testing {

SoundServer* soundServer = nullptr;

} // namespace umbraxis::testing

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    umbraxis::testing::SoundServer server;
    if (server.isRunning())
        qputenv("PULSE_SERVER", server.address().toLocal8Bit());
    umbraxis::testing::soundServer = &server;
    umbraxis::Application app(argc, argv);
    return RUN_ALL_TESTS();
}
