#pragma once

namespace umbraxis {

class FileSystem;
class Progress;
class SettingsStore;
class Shell;

// What the installer and the launcher reach the world through, besides
// what each needs of its own: the settings, the files, the shell's cues and
// known Quake directory, and the status line with its bar.
struct LogicPorts {
    SettingsStore& settings;
    FileSystem& files;
    Shell& shell;
    Progress& progress;
};

} // namespace umbraxis
