#pragma once

namespace umbraxis {

// Names the application; done before any window exists, so that the window
// title the single-instance guard looks for is already in place.
void nameApplication();

} // namespace umbraxis
