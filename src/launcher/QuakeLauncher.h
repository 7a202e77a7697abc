#pragma once

#include "shell/LogicPorts.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace umbraxis {

class InstalledPrograms;
class ProcessStarter;
class QuakeLocator;

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

// A Linux engine that starts Quake where no quake.exe does.
struct QuakeEngine {
    // The engines looked for, in the order they are preferred. Each counts
    // when a program of that name is on the search path, or a Flatpak
    // application whose ID ends in its name is installed.
    static const QStringList Names;
    // What the run screen says when a folder holds no quake.exe and no
    // engine is installed: the Debian package that would start it, in a line
    // that fits the status label.
    static const QString NoneInstalled;

    QString name;
    QString program; // host path

    // The first engine of Names that is installed, on the search path before
    // a Flatpak of the same engine.
    static std::optional<QuakeEngine> find(const InstalledPrograms& programs);
    // "-basedir" and the Quake folder's host path, then the arguments of the
    // game's command line, one a word.
    static QStringList arguments(const QString& hostFolder, const QString& mode, const QString& mapName);
};

namespace GameMode {
inline const QString SinglePlayer;
inline const QString Deathmatch = QStringLiteral("+deathmatch 1");
inline const QString Cooperative = QStringLiteral("+coop 1");
} // namespace GameMode

// Starts Quake on an installed level. It finds Quake first, starts the game
// in the Quake directory, and never waits for it. A Quake directory with
// quake.exe starts it; one without starts the first installed engine on it.
class QuakeLauncher {
public:
    struct Ports : LogicPorts {
        QuakeLocator& locator;
        ProcessStarter& processes;
        // No engine at all when none is given.
        InstalledPrograms* programs = nullptr;
    };

    explicit QuakeLauncher(Ports ports);

    void RunQuake(const QString& title, const QString& mode);

private:
    Ports m_ports;
};

} // namespace umbraxis
