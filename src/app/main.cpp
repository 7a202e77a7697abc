#include "app/CdStart.h"
#include "app/Program.h"
#include "app/RealServices.h"
#include "app/Startup.h"
#include "platform/MediaThreads.h"
#include "platform/process/TerminationSignals.h"
#include "platform/windowing/LockInstanceGuard.h"
#include "shell/Application.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    umbraxis::RealServices::prepareProcess();
    int code = 0;
    {
        umbraxis::Application app(argc, argv);
        umbraxis::nameApplication();
        umbraxis::LockInstanceGuard instance;
        if (!umbraxis::enterCdRoot(instance))
            return 0;
        umbraxis::RealServices real(instance);
        umbraxis::Program program(real.services());
        umbraxis::TerminationSignals ending([&program] { program.endAtOnce(); });
        code = program.run(app);
    }
    // Everything of the program's own is closed and written by now.
    if (umbraxis::mediaThreadLeftBehind()) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
