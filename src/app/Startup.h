#pragma once

#include "platform/Services.h"

namespace umbraxis {

class Application;

// Brings the program up in its fixed order and runs it until the main menu
// closes. Returns the program's exit code.
int runProgram(Application& app, const Services& services);

// Names the application; done before any window exists, so that the window
// title the single-instance guard looks for is already in place.
void nameApplication();

} // namespace umbraxis
