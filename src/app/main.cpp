#include "app/Program.h"
#include "app/RealServices.h"
#include "app/Startup.h"
#include "shell/Application.h"

int main(int argc, char** argv)
{
    umbraxis::RealServices::prepareProcess();
    umbraxis::Application app(argc, argv);
    umbraxis::nameApplication();
    umbraxis::RealServices real;
    umbraxis::Program program(real.services());
    return program.run(app);
}
