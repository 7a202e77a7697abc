#pragma once

#include <QString>

namespace umbraxis {

class FileSystem;
class MediaPlayer;

// Plays the short sound cues ("sounds\" + name) through one shared player.
class CuePlayer {
public:
    CuePlayer(MediaPlayer& player, const FileSystem& files);

    // Stops a cue still playing; opens the cue's file when it differs from
    // the one open (and exists); then plays without waiting. The same cue
    // again continues where it was stopped, or starts over once it has
    // finished; a missing file plays the previous cue again. Errors are
    // raised to the caller.
    void PlayCue(const QString& name);

    MediaPlayer& player() { return m_player; }

private:
    MediaPlayer& m_player;
    const FileSystem& m_files;
};

} // namespace umbraxis
