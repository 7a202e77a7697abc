#pragma once

#include <QPoint>

namespace umbraxis::testing {

// Where a user clicks on the program's 640x480 screens.

// The main menu's buttons.
constexpr QPoint BriefingButton(107, 411);
constexpr QPoint DisplayLevelsButton(279, 411);
constexpr QPoint RunQuakeButton(453, 411);
constexpr QPoint WebSitesButton(107, 456);
constexpr QPoint HelpButton(279, 456);
constexpr QPoint AboutButton(453, 456);
constexpr QPoint ExitButton(578, 434);
// The button back to the main menu, at the same place on every other screen.
constexpr QPoint MainMenuButton(418, 418);

// The install screen's arrows.
constexpr QPoint InstallSelectedArrow(165, 141);
constexpr QPoint UninstallSelectedArrow(165, 221);
constexpr QPoint UninstallAllArrow(165, 261);

// The run screen's game modes.
constexpr QPoint SinglePlayer(422, 120);
constexpr QPoint Deathmatch(422, 195);
constexpr QPoint Cooperative(422, 270);

} // namespace umbraxis::testing
