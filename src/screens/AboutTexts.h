#pragma once

#include <QString>

namespace umbraxis {

// The maker's contact lines for the about screen: nine lines, each ending in
// CR LF.
QString aboutInfoText();

// The credits and the disclaimer for the about screen: seventeen lines
// separated by CR LF, with no line end after the last. Roles stand at the
// left and names are indented by four spaces.
QString aboutCreditsText();

// The one-line legal notice at the foot of the about screen; it fits that
// screen's narrow label.
QString aboutLegalNotice();

// The one-line legal notice of the splash screen.
QString splashLegalNotice();

} // namespace umbraxis
