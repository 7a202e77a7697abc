#include "levels/LevelInstaller.h"

#include "levels/LevelShelf.h"
#include "locator/QuakeLocator.h"
#include "platform/AppError.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "shell/Progress.h"
#include "shell/Shell.h"

#include <QElapsedTimer>
#include <QSet>

#include <cerrno>
#include <limits>

namespace umbraxis {

namespace {

const QString kInsufficientSpace = QStringLiteral("Insufficient disk space");
const QString kMapsFolder = QStringLiteral("Umbraxis\\maps\\");
// Beside maps, so that Quake, which looks files up by their path below the
// game folder, never reads what is kept there.
const QString kKeptFolder = QStringLiteral("Umbraxis\\replaced\\maps\\");

QString folderOf(const QString& path)
{
    return path.left(path.lastIndexOf(QLatin1Char('\\')));
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

QString LevelInstaller::keptStatus(int count)
{
    return count == 1 ? QStringLiteral("Kept 1 changed file") : QStringLiteral("Kept %1 changed files").arg(count);
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

    const CatalogueRecord record = shelf.catalogue.record(QStringLiteral("Title"), title);
    const qint32 needed = parseInteger(record.field(QStringLiteral("DirSize")));
    // The space is that of the file system the level goes to, in 64 bits.
    const qint64 free = m_ports.files.freeSpaceAt(game + QStringLiteral("maps"));
    bool result = false;
    if (needed < free) {
        const QString directory = record.field(QStringLiteral("Directory"));
        if (!directory.isEmpty()) {
            const QString mapName = record.field(QStringLiteral("LevelName"));
            // What the CD says is checked before anything is copied.
            requireLevelFolderInside(directory);
            requirePlainMapName(mapName);
            m_fileNumber = 0;
            m_written.clear();
            m_partial.clear();
            m_pendingPath.clear();
            m_keptPartial.clear();
            m_quake = quake;
            try {
                m_records = LevelRecords::read(m_ports.settings);
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
    // Each folder is opened once; its files are reached from it.
    const Opened<Folder> from = files.openFolder(source);
    if (!from.handle)
        throw fileError(from.error, source);
    const Opened<Folder> to = files.openFolder(target);
    if (!to.handle)
        throw fileError(to.error, target);
    const std::vector<DirEntry> entries = files.findEntries(source + QStringLiteral("\\*"), faAnyFile);
    for (const DirEntry& entry : entries) {
        const QString sourcePath = source + QLatin1Char('\\') + entry.name;
        const QString targetPath = target + QLatin1Char('\\') + entry.name;
        if (entry.attributes & faDirectory)
            InstallFiles(sourcePath, targetPath, title);
        else
            copyFile(*from.handle, *to.handle, entry.name, sourcePath, targetPath, title);
        m_ports.progress.ProgressStep();
    }
}

void LevelInstaller::copyFile(Folder& from, Folder& to, const QString& name, const QString& sourcePath,
                              const QString& targetPath, const QString& title)
{
    auto [in, readError] = from.openRead(name);
    if (!in)
        throw fileError(readError, sourcePath);
    const QString partial = partialName(name);
    // A leftover of an interrupted installation under this name is replaced.
    auto [out, createError] = to.create(partial);
    if (!out)
        throw fileError(createError, targetPath);
    m_partial = targetPath.left(targetPath.size() - name.size()) + partial;
    // The bar steps once for every block of 32000 bytes read and written,
    // and once more for the read that finds the end, whether the kernel
    // moves one block at a time or several.
    std::int64_t copied = 0;
    std::int64_t blocksStepped = 0;
    QElapsedTimer burst;
    for (;;) {
        burst.start();
        const std::int64_t moved = out->copyFrom(*in, m_buffer.data(), BlockSize,
                                                 std::int64_t(BlockSize) * m_blocksAtOnce);
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
    FileStamp there;
    if (to.stamp(name, there))
        keepAside(targetPath, there);
    // The file is recorded before it takes its name, so that whatever
    // stands under the name after a crash is accounted for: the file the
    // record names, or the one kept aside. Putting it in place keeps its
    // size and time.
    FileStamp stamp;
    const QString stampText = to.stamp(partial, stamp) ? LevelRecords::stampText(stamp) : QString();
    const int number = ++m_fileNumber;
    // The stamp first: a stamp without its file is never read.
    if (!stampText.isEmpty())
        m_ports.settings.WriteSetting(title, LevelRecords::stampValue(number), stampText);
    m_ports.settings.WriteSetting(title, LevelRecords::fileValue(number), targetPath);
    if (const int error = to.replace(partial, name))
        throw fileError(error, targetPath);
    m_partial.clear();
    m_pendingPath.clear();
    m_written.append({targetPath, stampText});
    if (!stampText.isEmpty()) {
        // A file another level shares holds this level's copy from now on:
        // its removal must not take that for a change of the user's.
        for (const LevelRecords::Claim& other : m_records.restampOthers(targetPath, title, stampText))
            m_ports.settings.WriteSetting(other.title, LevelRecords::stampValue(other.number), stampText);
    }
    m_records.add(targetPath, {title, number, stampText, false});
}

bool LevelInstaller::isRecordedContent(const QString& path, const FileStamp& now) const
{
    if (!now.regular)
        return false;
    const QString stamp = LevelRecords::stampText(now);
    for (const LevelRecords::Claim& claim : m_records.claims(path))
        if (claim.stamp == stamp)
            return true;
    return false;
}

void LevelInstaller::keepAside(const QString& path, const FileStamp& now)
{
    FileSystem& files = m_ports.files;
    // A folder is in the way, which the replace refuses.
    if (now.directory)
        return;
    // A level's file as its record noted it is no one else's.
    if (isRecordedContent(path, now))
        return;
    const QString kept = keptPath(path);
    FileStamp older;
    if (files.fileStamp(kept, older)) {
        // Kept already: the kept file is a second name of this very one (an
        // installation cut short between keeping and replacing it).
        if (LevelRecords::stampText(now) == LevelRecords::stampText(older) && now.regular == older.regular)
            return;
        // What was kept before moves to a numbered name: nothing kept is
        // ever lost.
        QString numbered;
        for (int n = 1;; ++n) {
            numbered = kept + QStringLiteral(".~%1~").arg(n);
            FileStamp taken;
            if (!files.fileStamp(numbered, taken))
                break;
        }
        if (const int error = files.replaceFile(kept, numbered))
            throw fileError(error, kept);
    } else {
        const QString folder = folderOf(kept);
        if (!files.directoryExists(folder)) {
            if (const int error = files.forceDirectories(folder))
                throw fileError(error, folder);
        }
    }
    const int error = files.linkFile(path, kept);
    if (error == EEXIST)
        throw fileError(error, kept);
    // A file system without second names gets a whole copy instead.
    if (error != 0)
        copyWhole(path, kept);
    m_pendingPath = path;
    m_pendingKept = kept;
}

void LevelInstaller::copyWhole(const QString& from, const QString& to)
{
    FileSystem& files = m_ports.files;
    const QString partial = folderOf(to) + QLatin1Char('\\') + partialName(to.mid(folderOf(to).size() + 1));
    auto [in, readError] = files.openRead(from);
    if (!in)
        throw fileError(readError, from);
    auto [out, createError] = files.create(partial);
    if (!out)
        throw fileError(createError, to);
    m_keptPartial = partial;
    for (;;) {
        const std::int64_t moved = out->copyFrom(*in, m_buffer.data(), BlockSize,
                                                 std::int64_t(BlockSize) * MostBlocksAtOnce);
        if (moved < 0)
            throw fileError(in->error() ? in->error() : EIO, from);
        if (out->error())
            throw fileError(out->error(), to);
        if (moved == 0)
            break;
    }
    // The copy stands for the file: it keeps the file's time.
    FileStamp original;
    if (files.fileStamp(from, original))
        out->setModified(original.modified);
    out.reset();
    in.reset();
    if (const int error = files.replaceFile(partial, to))
        throw fileError(error, to);
    m_keptPartial.clear();
}

bool LevelInstaller::release(const QString& path, const QString& stamp)
{
    FileSystem& files = m_ports.files;
    FileStamp now;
    const bool there = files.fileStamp(path, now);
    if (there && now.directory)
        return true;
    if (there && (!now.regular || (!stamp.isEmpty() && stamp != LevelRecords::stampText(now))))
        return false;
    const QString kept = keptPath(path);
    FileStamp keptStamp;
    if (files.fileStamp(kept, keptStamp) && !keptStamp.directory) {
        // One step: the real name holds the level's file or the kept one.
        // One that cannot be put back stays kept, and the level's file with it.
        files.replaceFile(kept, path);
    } else if (there) {
        files.deleteFile(path);
    }
    return true;
}

void LevelInstaller::takeBack(const QString& title)
{
    // Best effort: the error that ended the installation is the one the
    // user is told about.
    FileSystem& files = m_ports.files;
    if (!m_partial.isEmpty())
        files.deleteFile(m_partial);
    if (!m_keptPartial.isEmpty())
        files.deleteFile(m_keptPartial);
    // Kept aside but never replaced: the file is still in its place, and
    // the kept one is a second name or a copy of it.
    if (!m_pendingPath.isEmpty())
        files.deleteFile(m_pendingKept);
    QSet<QString> done;
    for (qsizetype i = m_written.size() - 1; i >= 0; --i) {
        const auto& [path, stamp] = m_written.at(i);
        if (!m_records.namedByOtherInstalled(path, title) && !done.contains(LevelRecords::pathKey(path)))
            release(path, stamp);
        done.insert(LevelRecords::pathKey(path));
    }
    try {
        m_ports.settings.EraseSection(title);
    } catch (const std::exception&) {
    }
    m_written.clear();
    m_partial.clear();
    m_pendingPath.clear();
    m_keptPartial.clear();
}

bool LevelInstaller::isBelowMaps(const QString& path, const QString& quakeDir)
{
    const QString folder = quakeDir + kMapsFolder;
    if (!path.startsWith(folder, Qt::CaseInsensitive) || path.size() == folder.size())
        return false;
    QString names = path;
    names.replace(QLatin1Char('/'), QLatin1Char('\\'));
    for (const QString& name : names.split(QLatin1Char('\\')))
        if (name == QLatin1String(".."))
            return false;
    return true;
}

QString LevelInstaller::keptPath(const QString& path) const
{
    return m_quake + kKeptFolder + path.mid(m_quake.size() + kMapsFolder.size());
}

int LevelInstaller::UnInstall(const QString& title)
{
    Progress& progress = m_ports.progress;
    SettingsStore& settings = m_ports.settings;
    const QString quake = FindQuake();
    if (quake.isEmpty())
        return 0;
    m_ports.shell.PlayCue(QStringLiteral("dsight.wav"));
    progress.setPosition(0);
    progress.setStatus(QStringLiteral("Uninstalling ") + title);
    progress.ProgressStep();
    ShowLevelDetails(title);

    m_quake = quake;
    const LevelRecords records = LevelRecords::read(settings);
    QSet<QString> done;
    int kept = 0;
    int number = 1;
    QString path = settings.ReadSetting(title, LevelRecords::fileValue(number), QString());
    while (!path.isEmpty()) {
        // Only what an installation put below the game's maps folder is
        // touched; any other path (a damaged or edited record) is passed
        // over like a file that cannot be deleted. So is a file another
        // installed level still needs.
        const QString key = LevelRecords::pathKey(path);
        if (isBelowMaps(path, quake) && !records.namedByOtherInstalled(path, title) && !done.contains(key)) {
            done.insert(key);
            if (!release(path, settings.ReadSetting(title, LevelRecords::stampValue(number), QString())))
                ++kept;
        }
        ++number;
        progress.ProgressStep();
        path = settings.ReadSetting(title, LevelRecords::fileValue(number), QString());
    }
    settings.EraseSection(title);
    m_ports.shell.PlayCue(QStringLiteral("bounce.wav"));
    progress.setStatus(kept > 0 ? keptStatus(kept) : QString());
    progress.setPosition(0);
    return kept;
}

} // namespace umbraxis
