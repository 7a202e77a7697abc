#include "launcher/QuakeLauncher.h"

#include "levels/LevelCatalogue.h"
#include "locator/QuakeLocator.h"
#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/InstalledPrograms.h"
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

// Engines look game data up by its exact lower-case names, while copies of
// Quake from the DOS days and from stores spell them ID1 or Id1, PAK0.PAK.
// Each name an engine would miss gets a link of its spelling beside the
// entry; nothing is renamed.
void linkGameData(FileSystem& files, const QString& quake)
{
    // The folder an engine will read: one named exactly id1, else the one
    // whose name differs only in letter case.
    QString id1;
    for (const DirEntry& entry : files.findEntries(quake + QStringLiteral("*"), faDirectory))
        if ((entry.attributes & faDirectory) && entry.name.compare(QLatin1String("id1"), Qt::CaseInsensitive) == 0
            && id1 != QLatin1String("id1"))
            id1 = entry.name;
    if (id1.isEmpty())
        return;
    // An engine reads pak0.pak, pak1.pak, ... and stops at the first missing.
    for (int number = 0; number < 100; ++number)
        if (files.ensureExactName(quake + id1, QStringLiteral("pak%1.pak").arg(number)) != 0)
            break;
    files.ensureExactName(quake, QStringLiteral("id1"));
}

} // namespace

const QStringList QuakeEngine::Names = {
    QStringLiteral("quakespasm"), QStringLiteral("ironwail"), QStringLiteral("vkquake"),
    QStringLiteral("darkplaces"), QStringLiteral("fteqw"),
};

const QString QuakeEngine::NoneInstalled = QStringLiteral("Install quakespasm to play");

std::optional<QuakeEngine> QuakeEngine::find(const InstalledPrograms& programs)
{
    for (const QString& name : Names) {
        QString program = programs.onPath(name);
        if (program.isEmpty())
            program = programs.flatpak(name);
        if (!program.isEmpty())
            return QuakeEngine{name, program};
    }
    return std::nullopt;
}

QStringList QuakeEngine::arguments(const QString& hostFolder, const QString& mode, const QString& mapName)
{
    const QString line = QStringLiteral("-game umbraxis ") + mode + QStringLiteral(" +map ") + mapName;
    return QStringList{QStringLiteral("-basedir"), hostFolder} + line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

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
    const QString exe = quake + QStringLiteral("quake.exe");
    std::optional<QuakeEngine> engine;
    if (!files.fileExists(exe) && !files.directoryExists(exe)) {
        if (m_ports.programs)
            engine = QuakeEngine::find(*m_ports.programs);
        if (!engine) {
            m_ports.shell.KnownQuakeDir = quake;
            progress.setStatus(QuakeEngine::NoneInstalled);
            progress.setPosition(0);
            progress.repaintNow();
            return;
        }
    }
    progress.setStatus(QStringLiteral("Running Quake"));
    progress.setPosition(20);
    progress.repaintNow();
    m_ports.shell.PlayCue(QStringLiteral("guncock.wav"));
    m_ports.shell.KnownQuakeDir = quake;
    // The game starts in the Quake directory, while the program stays where
    // its own pictures and cues are found.
    if (const int error = files.probeFolder(quake))
        throw directoryError(error, quake);
    const QString mapName = m_ports.settings.ReadSetting(title, QStringLiteral("LevelFileName"), QString());
    // The record may have been written by hand: a map name is one word and
    // never more arguments or console commands.
    requirePlainMapName(mapName);
    // A game that looks up "-game umbraxis" by its exact name finds the game
    // folder "Umbraxis" all the same.
    files.ensureExactName(quake, QStringLiteral("umbraxis"));
    // Whether the game started is not the launch's concern: no message.
    if (engine) {
        linkGameData(files, quake);
        m_ports.processes.startHostProgram(engine->program, QuakeEngine::arguments(files.toHost(quake), mode, mapName),
                                           quake);
    } else {
        const GameCommand command = GameCommand::build(quake, mode, mapName);
        m_ports.processes.startProgram(command.program(), command.arguments(), quake, ShowNormally);
    }
    progress.setStatus(QString());
    progress.setPosition(0);
    progress.repaintNow();
}

} // namespace umbraxis
