#include "launcher/QuakeLauncher.h"

#include "locator/QuakeLocator.h"
#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/ProcessStarter.h"
#include "platform/SettingsStore.h"
#include "shell/Progress.h"
#include "shell/Shell.h"

namespace umbraxis {

namespace {

// The show flag the game's window is started with.
constexpr int ShowNormally = 5;

AppError directoryError(int code, const QString& path)
{
    return AppError(formatMessage(QStringLiteral("I/O error %d"), QString::number(code)) + QStringLiteral(" (") + path
                    + QLatin1Char(')'));
}

} // namespace

GameCommand GameCommand::build(const QString& quakeDir, const QString& mode, const QString& mapName)
{
    const QString program = quakeDir + QStringLiteral("quake.exe");
    GameCommand command;
    command.line = (program + QStringLiteral(" -game umbraxis ") + mode + QStringLiteral(" +map ") + mapName)
                       .left(MostCharacters);
    command.programLength = std::min<qsizetype>(program.size(), command.line.size());
    return command;
}

QuakeLauncher::QuakeLauncher(Ports ports)
    : m_ports(std::move(ports))
{
}

void QuakeLauncher::RunQuake(const QString& title, const QString& mode)
{
    Progress& progress = m_ports.progress;
    FileSystem& files = m_ports.files;
    QString quake;
    if (!m_ports.locator.SearchForQuake(quake))
        return;
    progress.setStatus(QStringLiteral("Running Quake"));
    progress.setPosition(20);
    progress.repaintNow();
    // Before the directory changes, while the cue's path still leads to it.
    m_ports.shell.PlayCue(QStringLiteral("guncock.wav"));
    const QString previous = files.currentDirectory();
    const std::unique_ptr<DirectoryHold> hold = files.holdCurrentDirectory();
    m_ports.shell.KnownQuakeDir = quake;
    if (const int error = files.setCurrentDirectory(quake))
        throw directoryError(error, quake);
    // The program's own pictures and cues are found from its directory: it
    // goes back there whatever happens, by the hold when the path fails.
    const auto comeBack = [&] {
        const int error = files.setCurrentDirectory(previous);
        if (error)
            hold->restore();
        return error;
    };
    try {
        const QString mapName = m_ports.settings.ReadSetting(title, QStringLiteral("LevelFileName"), QString());
        const GameCommand command = GameCommand::build(quake, mode, mapName);
        // A game that looks up "-game umbraxis" by its exact name finds the
        // game folder "Umbraxis" all the same.
        files.ensureExactName(quake, QStringLiteral("umbraxis"));
        // Whether the game started is not the launch's concern: no message.
        m_ports.processes.startProgram(command.program(), command.arguments(), ShowNormally);
    } catch (...) {
        comeBack();
        throw;
    }
    if (const int error = comeBack())
        throw directoryError(error, previous);
    progress.setStatus(QString());
    progress.setPosition(0);
    progress.repaintNow();
}

} // namespace umbraxis
