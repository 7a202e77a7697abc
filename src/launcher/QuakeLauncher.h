#pragma once

#include <QString>

namespace umbraxis {

class FileSystem;
class ProcessStarter;
class Progress;
class QuakeLocator;
class SettingsStore;
class Shell;

// The line Quake is started with: the Quake directory (ending in a
// backslash), "quake.exe -game umbraxis ", the mode argument, " +map " and the
// map name, cut to its first 255 characters as the start call takes it.
struct GameCommand {
    static constexpr int MostCharacters = 255;

    QString line;
    // How much of the line names the program: the Quake directory and
    // "quake.exe", whatever blanks they hold.
    qsizetype programLength = 0;

    static GameCommand build(const QString& quakeDir, const QString& mode, const QString& mapName);
    QString program() const { return line.left(programLength); }
    QString arguments() const { return line.mid(programLength); }
};

namespace GameMode {
inline const QString SinglePlayer;
inline const QString Deathmatch = QStringLiteral("+deathmatch 1");
inline const QString Cooperative = QStringLiteral("+coop 1");
} // namespace GameMode

// Starts Quake on an installed level. It finds Quake first, then switches to
// the Quake directory only for the moment of the start, and never waits for
// the game.
class QuakeLauncher {
public:
    struct Ports {
        SettingsStore& settings;
        FileSystem& files;
        Shell& shell;
        Progress& progress;
        QuakeLocator& locator;
        ProcessStarter& processes;
    };

    explicit QuakeLauncher(Ports ports);

    void RunQuake(const QString& title, const QString& mode);

private:
    Ports m_ports;
};

} // namespace umbraxis
