#include "fakes/LevelWorld.h"

#include <QDirIterator>

namespace umbraxis::testing {

LevelWorld::LevelWorld(const QString& root, const QString& quakeDrive)
    : m_root(root)
    , m_quake(quakeDrive.isEmpty() ? root + "/c" : quakeDrive)
{
    QDir().mkpath(m_root + "/cd/levels/desc");
    QDir().mkpath(m_root + "/cd/sounds");
    QDir().mkpath(m_quake + "/quake/id1");
    write(m_quake + "/quake/quake.exe", "MZ stand-in");
    for (const char* cue : {"guncock.wav", "dsight.wav", "bounce.wav", "talk.wav", "ric3.wav"})
        write(m_root + "/cd/sounds/" + cue, "RIFF");
    m_previous = QDir::currentPath();
    QDir::setCurrent(m_root + "/cd");
    files = std::make_unique<FailingFileSystem>(DriveMap({{QChar('c'), m_quake}, {QChar('d'), m_root + "/cd"}}));
    player = media.createPlayer();
    shell = std::make_unique<RecordingShell>(*player, *files, log);
    useSettings(memorySettings);
}

LevelWorld::~LevelWorld()
{
    QDir::setCurrent(m_previous);
}

void LevelWorld::useSettings(SettingsStore& store)
{
    settings = &store;
    locator = std::make_unique<QuakeLocator>(store, *files, *shell, progress);
    installer = std::make_unique<LevelInstaller>(LevelInstaller::Ports{
        store, *files, *shell, progress, shelf, *locator, [this](const LevelDetails& details) { shown << details; }});
}

void LevelWorld::addLevel(const SampleLevel& level)
{
    levels << level;
    for (const auto& [relative, content] : level.files)
        write(m_root + "/cd/levels/" + level.directory + "/" + relative, content);
    write(m_root + "/cd/levels/desc/" + level.directory + "a.txt", "Made by someone.\r\n");
    write(m_root + "/cd/levels/desc/" + level.directory + "d.txt", "A level.\r\n");
    if (level.files.isEmpty() && !level.directory.isEmpty())
        QDir().mkpath(m_root + "/cd/levels/" + level.directory);
}

void LevelWorld::loadCatalogue()
{
    QByteArray csv = "Title,Directory,AuthorFile,DescFile,DirSize,LevelName\r\n";
    for (const SampleLevel& level : std::as_const(levels)) {
        const QByteArray base = level.directory.toLatin1();
        csv += '"' + level.title.toLatin1() + "\"," + base + ',' + base + "a," + base + "d," + level.dirSize.toLatin1()
            + ',' + level.levelName.toLatin1() + "\r\n";
    }
    write(m_root + "/cd/levels.csv", csv);
    shelf.UnloadCatalogue();
    shelf.CatalogueName.clear();
    shelf.readWorkingDir(*files);
    shelf.LoadCatalogue(*files, *settings, QStringLiteral("levels"));
}

QStringList LevelWorld::filesBelow(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

QByteArray LevelWorld::contentOf(const QString& hostPath)
{
    QFile file(hostPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void LevelWorld::write(const QString& hostPath, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    QFile file(hostPath);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
}

} // namespace umbraxis::testing
