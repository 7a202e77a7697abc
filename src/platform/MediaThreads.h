#pragma once

namespace umbraxis {

// The sound and video threads are stopped when the application object goes.
// One still held up by the sound system then (a sound server that does not
// answer) is left behind, and so is the media library's lock it holds: the
// library's own clean-up at the end of the process would wait for that lock
// for ever, so such a program ends without it.
void noteMediaThreadLeftBehind();
bool mediaThreadLeftBehind();

} // namespace umbraxis
