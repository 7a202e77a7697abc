#pragma once

namespace umbraxis {

class SettingsStore;
class FileSystem;
class PictureLoader;
class MediaFactory;
class InstanceGuard;
class ErrorBox;
class Desktop;
class ProcessStarter;
class QuakePlaces;
class InstalledPrograms;

// Everything screens and logic need from the operating system, handed to
// them at construction so that tests can substitute any part.
struct Services {
    SettingsStore* settings = nullptr;
    FileSystem* files = nullptr;
    PictureLoader* pictures = nullptr;
    MediaFactory* media = nullptr;
    InstanceGuard* instance = nullptr;
    ErrorBox* errors = nullptr;
    Desktop* desktop = nullptr;
    ProcessStarter* processes = nullptr;
    // Where the system keeps Quake, and which game engines it has; without
    // them only the drives are searched and only quake.exe is started.
    QuakePlaces* places = nullptr;
    InstalledPrograms* programs = nullptr;
};

} // namespace umbraxis
