#pragma once

class QKeyEvent;

namespace umbraxis {

// Whether the key pressed is the one that types `letter` (a lower-case ASCII
// letter) on the current keyboard layout, whatever modifiers are held. On a
// layout where no key types the letter, no key is it.
bool isKeyOfLetter(const QKeyEvent& event, char letter);

} // namespace umbraxis
