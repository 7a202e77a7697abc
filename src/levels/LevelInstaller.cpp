#include "levels/LevelInstaller.h"

#include "levels/LevelShelf.h"
#include "locator/QuakeLocator.h"
#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "shell/Progress.h"
#include "shell/Shell.h"

#include <QElapsedTimer>

#include <cerrno>
#include <limits>

namespace umbraxis {

namespace {

const QString kInsufficientSpace = QStringLiteral("Insufficient disk space");

QString fileValue(int number)
{
    return QStringLiteral("File%1").arg(number);
}

// The error of a failed file operation, with the path it failed on.
AppError fileError(int code, const QString& path)
{
    if (code == ENOSPC || code == EDQUOT)
        return AppError(kInsufficientSpace);
    return AppError(formatMessage(QStringLiteral("I/O error %d"), QString::number(code)) + QStringLiteral(" (") + path
                    + QLatin1Char(')'));
}

// A decimal 32-bit integer, as the catalogue's sizes are written.
qint32 parseInteger(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        throw AppError(formatMessage(QStringLiteral("'%s' is not a valid integer value"), text));
    return qint32(value);
}

} // namespace

LevelInstaller::LevelInstaller(Ports ports)
    : m_ports(std::move(ports))
{
}

QString LevelInstaller::partialName(const QString& name)
{
    return QStringLiteral(".~umbx-") + name;
}

QString LevelInstaller::FindQuake()
{
    Shell& shell = m_ports.shell;
    if (!shell.KnownQuakeDir.isEmpty())
        return shell.KnownQuakeDir;
    QString directory;
    m_ports.locator.SearchForQuake(directory);
    shell.KnownQuakeDir = directory;
    return directory;
}

void LevelInstaller::ShowLevelDetails(const QString& title)
{
    const std::optional<LevelDetails> details = m_ports.shelf.details(m_ports.files, title);
    if (details && m_ports.showDetails)
        m_ports.showDetails(*details);
    m_ports.progress.repaintNow();
}

bool LevelInstaller::Install(const QString& title)
{
    LevelShelf& shelf = m_ports.shelf;
    Progress& progress = m_ports.progress;
    if (!shelf.CatalogueLoaded)
        return false;
    m_ports.shell.PlayCue(QStringLiteral("guncock.wav"));
    const QString quake = FindQuake();
    if (quake.isEmpty())
        return false;
    m_ports.shell.PlayCue(QStringLiteral("dsight.wav"));
    progress.setStatus(QStringLiteral("Installing level"));
    progress.setPosition(0);

    QString game = quake + QStringLiteral("Umbraxis");
    if (!m_ports.files.directoryExists(game)) {
        if (const int error = m_ports.files.createDirectory(game))
            throw fileError(error, game);
    }
    game += QLatin1Char('\\');

    QString working = m_ports.files.currentDirectory();
    if (working.endsWith(QLatin1Char('\\')))
        working.chop(1);
    // Level paths start at the working directory; one that no drive holds
    // would make every source path miss.
    if (working.isEmpty())
        throw AppError(QStringLiteral("The folder the program runs in lies on no drive"));

    progress.setStatus(QStringLiteral("Installing ") + title);
    progress.ProgressStep();
    ShowLevelDetails(title);

    LevelCatalogue& catalogue = shelf.catalogue;
    const qint32 needed = parseInteger(catalogue.CatalogueField(QStringLiteral("DirSize")));
    // The space is that of the file system the level goes to, in 64 bits.
    const qint64 free = m_ports.files.freeSpaceAt(game + QStringLiteral("maps"));
    bool result = false;
    if (needed < free) {
        const QString directory = catalogue.CatalogueField(QStringLiteral("Directory"));
        if (!directory.isEmpty()) {
            const QString mapName = catalogue.CatalogueField(QStringLiteral("LevelName"));
            m_fileNumber = 0;
            m_written.clear();
            m_partial.clear();
            try {
                InstallFiles(working + QLatin1Char('\\') + shelf.CatalogueName + QLatin1Char('\\') + directory,
                             game + QStringLiteral("maps"), title);
                m_ports.settings.WriteSetting(title, QStringLiteral("LevelFileName"), mapName);
            } catch (...) {
                takeBack(title);
                progress.setPosition(0);
                throw;
            }
        }
        m_ports.shell.PlayCue(QStringLiteral("bounce.wav"));
        result = true;
    } else {
        progress.setStatus(kInsufficientSpace);
        progress.repaintNow();
    }
    if (result)
        progress.setStatus(QString());
    progress.setPosition(0);
    return result;
}

void LevelInstaller::InstallFiles(const QString& source, const QString& target, const QString& title)
{
    FileSystem& files = m_ports.files;
    m_ports.progress.ProgressStep();
    if (!files.directoryExists(target)) {
        if (const int error = files.forceDirectories(target))
            throw fileError(error, target);
    }
    // Each folder is looked up once; its files are reached from it.
    const std::unique_ptr<Folder> from = files.openFolder(source);
    if (!from)
        throw fileError(files.lastError(), source);
    const std::unique_ptr<Folder> to = files.openFolder(target);
    if (!to)
        throw fileError(files.lastError(), target);
    const std::vector<DirEntry> entries = from->entries();
    for (const DirEntry& entry : entries) {
        const QString sourcePath = source + QLatin1Char('\\') + entry.name;
        const QString targetPath = target + QLatin1Char('\\') + entry.name;
        if (entry.attributes & faDirectory)
            InstallFiles(sourcePath, targetPath, title);
        else
            copyFile(*from, *to, entry.name, sourcePath, targetPath, title);
        m_ports.progress.ProgressStep();
    }
}

void LevelInstaller::copyFile(Folder& from, Folder& to, const QString& name, const QString& sourcePath,
                              const QString& targetPath, const QString& title)
{
    std::unique_ptr<File> in = from.openRead(name);
    if (!in)
        throw fileError(from.error(), sourcePath);
    const QString partial = partialName(name);
    // A leftover of an interrupted installation under this name is replaced.
    std::unique_ptr<File> out = to.create(partial);
    if (!out)
        throw fileError(to.error(), targetPath);
    m_partial = targetPath.left(targetPath.size() - name.size()) + partial;
    // The bar steps once for every block of 32000 bytes read and written,
    // and once more for the read that finds the end, whether the kernel
    // moves one block at a time or several.
    std::int64_t copied = 0;
    std::int64_t blocksStepped = 0;
    QElapsedTimer burst;
    for (;;) {
        burst.start();
        const std::int64_t moved
            = out->copyFrom(*in, m_buffer.data(), BlockSize, std::int64_t(BlockSize) * m_blocksAtOnce);
        const qint64 tookMs = burst.elapsed();
        if (tookMs < 4 && moved == std::int64_t(BlockSize) * m_blocksAtOnce)
            m_blocksAtOnce = std::min(m_blocksAtOnce * 2, MostBlocksAtOnce);
        else if (tookMs > 16)
            m_blocksAtOnce = std::max(m_blocksAtOnce / 2, 1);
        if (moved < 0)
            throw fileError(in->error() ? in->error() : EIO, sourcePath);
        copied += moved;
        const std::int64_t blocks = (copied + BlockSize - 1) / BlockSize;
        for (; blocksStepped < blocks; ++blocksStepped)
            m_ports.progress.ProgressStep();
        if (out->error())
            throw fileError(out->error(), targetPath);
        if (moved == 0) {
            m_ports.progress.ProgressStep();
            break;
        }
    }
    out.reset();
    in.reset();
    if (const int error = to.replace(partial, name))
        throw fileError(error, targetPath);
    m_partial.clear();
    m_written.append(targetPath);
    m_ports.settings.WriteSetting(title, fileValue(++m_fileNumber), targetPath);
}

void LevelInstaller::takeBack(const QString& title)
{
    // Best effort: the error that ended the installation is the one the
    // user is told about.
    FileSystem& files = m_ports.files;
    if (!m_partial.isEmpty())
        files.deleteFile(m_partial);
    for (const QString& path : std::as_const(m_written))
        files.deleteFile(path);
    try {
        m_ports.settings.EraseSection(title);
    } catch (const std::exception&) {
    }
    m_written.clear();
    m_partial.clear();
}

bool LevelInstaller::isRemovable(const QString& path, const QString& quakeDir) const
{
    const QString folder = quakeDir + QStringLiteral("Umbraxis\\maps\\");
    if (!path.startsWith(folder, Qt::CaseInsensitive) || path.size() == folder.size())
        return false;
    QString names = path;
    names.replace(QLatin1Char('/'), QLatin1Char('\\'));
    for (const QString& name : names.split(QLatin1Char('\\')))
        if (name == QLatin1String(".."))
            return false;
    return m_ports.files.isRegularFile(path);
}

void LevelInstaller::UnInstall(const QString& title)
{
    Progress& progress = m_ports.progress;
    const QString quake = FindQuake();
    if (quake.isEmpty())
        return;
    m_ports.shell.PlayCue(QStringLiteral("dsight.wav"));
    progress.setPosition(0);
    progress.setStatus(QStringLiteral("Uninstalling ") + title);
    progress.ProgressStep();
    ShowLevelDetails(title);

    int number = 1;
    QString path = m_ports.settings.ReadSetting(title, fileValue(number), QString());
    while (!path.isEmpty()) {
        // Only what an installation put below the game's maps folder is
        // deleted; any other path (a damaged or edited record) is passed
        // over like a file that cannot be deleted.
        if (isRemovable(path, quake))
            m_ports.files.deleteFile(path);
        ++number;
        progress.ProgressStep();
        path = m_ports.settings.ReadSetting(title, fileValue(number), QString());
    }
    m_ports.settings.EraseSection(title);
    m_ports.shell.PlayCue(QStringLiteral("bounce.wav"));
    progress.setStatus(QString());
    progress.setPosition(0);
}

} // namespace umbraxis
