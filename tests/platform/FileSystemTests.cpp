#include "platform/files/HostFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace umbraxis;

namespace {

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = QFileInfo(m_temp.path()).canonicalFilePath();
        ASSERT_TRUE(QDir(m_root).mkpath(QStringLiteral("c")));
        ASSERT_TRUE(QDir(m_root).mkpath(QStringLiteral("d")));
        m_files = std::make_unique<HostFileSystem>(DriveMap(
            {{QLatin1Char('c'), host("c")}, {QLatin1Char('d'), host("d")}, {QLatin1Char('e'), host("missing")}}));
        m_savedDirectory = QDir::currentPath();
    }

    void TearDown() override { QDir::setCurrent(m_savedDirectory); }

    QString host(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }

    void makeDir(const QString& relative) { ASSERT_TRUE(QDir(m_root).mkpath(relative)); }

    void makeFile(const QString& relative, const QByteArray& content = "x")
    {
        QFile file(host(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << relative.toStdString();
        file.write(content);
    }

    void makeLink(const QString& relative, const char* target)
    {
        ASSERT_EQ(::symlink(target, QFile::encodeName(host(relative)).constData()), 0);
    }

    QByteArray readHost(const QString& relative) const
    {
        QFile file(host(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    std::map<QString, DirEntry> find(const QString& pattern, unsigned allowed) const
    {
        std::map<QString, DirEntry> byName;
        for (const DirEntry& entry : m_files->findEntries(pattern, allowed))
            byName[entry.name] = entry;
        return byName;
    }

    QTemporaryDir m_temp;
    QString m_root;
    QString m_savedDirectory;
    std::unique_ptr<HostFileSystem> m_files;
};

constexpr unsigned WalkFilter = faReadOnly | faDirectory | faArchive;

} // namespace

TEST_F(FileSystemTest, LooksUpNamesRegardlessOfCaseAndKeepsMissingOnes)
{
    makeDir(QStringLiteral("c/Quake/ID1"));
    makeFile(QStringLiteral("c/Quake/ID1/Pak0.pak"));

    EXPECT_EQ(m_files->toHost(QStringLiteral("c:\\quake\\id1\\PAK0.PAK")), host("c/Quake/ID1/Pak0.pak"));
    EXPECT_EQ(m_files->toHost(QStringLiteral("C:/QUAKE/Umbraxis/maps")), host("c/Quake/Umbraxis/maps"));
    EXPECT_EQ(m_files->toHost(QStringLiteral("c:\\")), host("c"));
    EXPECT_TRUE(m_files->toHost(QStringLiteral("f:\\quake")).isEmpty());

    EXPECT_TRUE(m_files->fileExists(QStringLiteral("c:\\QUAKE\\id1\\pak0.PAK")));
    EXPECT_FALSE(m_files->directoryExists(QStringLiteral("c:\\QUAKE\\id1\\pak0.PAK")));
    EXPECT_TRUE(m_files->directoryExists(QStringLiteral("c:\\quake\\Id1\\")));
    EXPECT_FALSE(m_files->fileExists(QStringLiteral("c:\\quake\\id1")));
    EXPECT_FALSE(m_files->fileExists(QStringLiteral("c:\\quake\\id1\\pak1.pak")));
    EXPECT_TRUE(m_files->directoryExists(QStringLiteral("c:\\")));
    EXPECT_FALSE(m_files->directoryExists(QStringLiteral("e:\\")));

    const auto found = find(QStringLiteral("c:\\QUAKE\\*.*"), faAnyFile);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found.begin()->first, QStringLiteral("ID1"));
}

TEST_F(FileSystemTest, PrefersTheExactNameOverOtherCases)
{
    makeDir(QStringLiteral("c/MAPS"));
    makeDir(QStringLiteral("c/maps"));
    makeDir(QStringLiteral("c/Maps"));
    EXPECT_EQ(m_files->toHost(QStringLiteral("c:\\maps")), host("c/maps"));
    EXPECT_EQ(m_files->toHost(QStringLiteral("c:\\Maps")), host("c/Maps"));
    EXPECT_EQ(m_files->toHost(QStringLiteral("c:\\MAPS")), host("c/MAPS"));
}

TEST_F(FileSystemTest, ReportsAttributesOfEveryKindOfEntry)
{
    makeFile(QStringLiteral("c/plain.txt"), "hello");
    makeFile(QStringLiteral("c/.hidden"));
    makeFile(QStringLiteral("c/readonly.txt"), "ro");
    ASSERT_EQ(::chmod(QFile::encodeName(host("c/readonly.txt")).constData(), 0444), 0);
    makeDir(QStringLiteral("c/Sub"));
    makeFile(QStringLiteral("c/Sub/inside.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(host("c/pipe")).constData(), 0644), 0);
    makeLink(QStringLiteral("c/link"), "Sub");
    makeLink(QStringLiteral("c/broken"), "nowhere");

    struct Row {
        const char* name;
        unsigned attributes;
        std::int64_t size;
    };
    const Row rows[] = {
        {"plain.txt", 0, 5},     {".hidden", faHidden, 1}, {"readonly.txt", faReadOnly, 2},
        {"Sub", faDirectory, 0}, {"pipe", faSystem, 0},    {"link", 0, 3},
        {"broken", 0, 7},
    };
    const auto found = find(QStringLiteral("c:\\*.*"), faAnyFile);
    EXPECT_EQ(found.size(), std::size(rows));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto it = found.find(QString::fromLatin1(row.name));
        ASSERT_NE(it, found.end());
        EXPECT_EQ(it->second.attributes, row.attributes);
        EXPECT_EQ(it->second.size, row.size);
    }

    EXPECT_TRUE(m_files->fileExists(QStringLiteral("c:\\link")));
    EXPECT_FALSE(m_files->directoryExists(QStringLiteral("c:\\link")));
    EXPECT_TRUE(m_files->fileExists(QStringLiteral("c:\\.hidden")));
    EXPECT_TRUE(m_files->fileExists(QStringLiteral("c:\\READONLY.TXT")));
}

TEST_F(FileSystemTest, FiltersEntriesByAttributeLikeTheClassicFind)
{
    makeFile(QStringLiteral("c/plain.txt"));
    makeFile(QStringLiteral("c/.hidden"));
    makeDir(QStringLiteral("c/.git"));
    makeDir(QStringLiteral("c/Sub"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(host("c/pipe")).constData(), 0644), 0);
    makeLink(QStringLiteral("c/link"), "Sub");

    struct Row {
        unsigned allowed;
        std::vector<QString> names;
    };
    const Row rows[] = {
        {faAnyFile, {".git", ".hidden", "Sub", "link", "pipe", "plain.txt"}},
        {WalkFilter, {"Sub", "link", "plain.txt"}},
        {0, {"link", "plain.txt"}},
        {faHidden, {".hidden", "link", "plain.txt"}},
        {faHidden | faDirectory, {".git", ".hidden", "Sub", "link", "plain.txt"}},
        {faSystem, {"link", "pipe", "plain.txt"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.allowed);
        std::vector<QString> names;
        for (const auto& [name, entry] : find(QStringLiteral("c:\\*.*"), row.allowed))
            names.push_back(name);
        EXPECT_EQ(names, row.names);
    }
}

TEST_F(FileSystemTest, FindsByWildcardsAndPlainNames)
{
    makeDir(QStringLiteral("c/Maps"));
    for (const char* name : {"E1M1.bsp", "e1m2.BSP", "e1m10.bsp", "readme", "start.bsp.txt"})
        makeFile(QStringLiteral("c/Maps/") + QString::fromLatin1(name));

    struct Row {
        const char* pattern;
        std::vector<QString> names;
    };
    const Row rows[] = {
        {"c:\\maps\\*.bsp", {"E1M1.bsp", "e1m10.bsp", "e1m2.BSP"}},
        {"c:\\maps\\e?m?.bsp", {"E1M1.bsp", "e1m2.BSP"}},
        {"c:\\maps\\*.*", {"E1M1.bsp", "e1m10.bsp", "e1m2.BSP", "readme", "start.bsp.txt"}},
        {"c:\\maps\\readme.*", {"readme"}},
        {"c:\\MAPS\\E1M2.bsp", {"e1m2.BSP"}},
        {"c:\\maps\\e1m3.bsp", {}},
        {"c:\\maps", {"Maps"}},
        {"c:\\nothing\\*.*", {}},
        {"c:\\maps\\readme\\*.*", {}},
        {"c:\\", {}},
        {"c:\\maps\\..", {}},
        {"f:\\*.*", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pattern);
        std::vector<QString> names;
        for (const auto& [name, entry] : find(QString::fromLatin1(row.pattern), faAnyFile))
            names.push_back(name);
        EXPECT_EQ(names, row.names);
    }
}

TEST_F(FileSystemTest, NeverEntersSymbolicLinksSoNoWalkLoops)
{
    makeDir(QStringLiteral("c/loop/real/deeper"));
    makeLink(QStringLiteral("c/loop/self"), ".");
    makeLink(QStringLiteral("c/loop/real/up"), "..");
    makeLink(QStringLiteral("c/loop/a"), "b");
    makeLink(QStringLiteral("c/loop/b"), "a");

    // The locator's depth-first walk with its own stack.
    std::vector<QString> pending{QStringLiteral("c:\\")};
    QStringList visited;
    while (!pending.empty() && visited.size() < 100) {
        const QString current = pending.back();
        pending.pop_back();
        visited.append(current);
        for (const DirEntry& entry : m_files->findEntries(current + QLatin1String("*.*"), WalkFilter)) {
            if (entry.attributes & faDirectory)
                pending.push_back(current + entry.name + QLatin1Char('\\'));
        }
    }
    visited.sort();
    EXPECT_EQ(visited, QStringList({"c:\\", "c:\\loop\\", "c:\\loop\\real\\", "c:\\loop\\real\\deeper\\"}));

    EXPECT_TRUE(m_files->fileExists(QStringLiteral("c:\\loop\\self")));
    EXPECT_TRUE(m_files->fileExists(QStringLiteral("c:\\loop\\a")));
    EXPECT_FALSE(m_files->directoryExists(QStringLiteral("c:\\loop\\self")));
    EXPECT_FALSE(m_files->directoryExists(QStringLiteral("c:\\loop\\self\\real")));
    EXPECT_FALSE(m_files->fileExists(QStringLiteral("c:\\loop\\real\\up\\self")));
    EXPECT_TRUE(m_files->findEntries(QStringLiteral("c:\\loop\\self\\*.*"), faAnyFile).empty());
    EXPECT_NE(m_files->probeFolder(QStringLiteral("c:\\loop\\self")), 0);
}

TEST_F(FileSystemTest, PathsTooLongForTheHostGiveNothing)
{
    const QString name(200, QLatin1Char('n'));
    QString deep = QStringLiteral("c:");
    for (int i = 0; i < 25; ++i)
        deep += QLatin1Char('\\') + name;

    EXPECT_NE(m_files->forceDirectories(deep), 0);
    EXPECT_TRUE(m_files->findEntries(deep + QLatin1String("\\*.*"), faAnyFile).empty());
    EXPECT_FALSE(m_files->fileExists(deep));
    EXPECT_FALSE(m_files->directoryExists(deep));
    EXPECT_EQ(m_files->openRead(deep).handle, nullptr);
    EXPECT_EQ(m_files->create(deep).handle, nullptr);
}

TEST_F(FileSystemTest, ProbesDrivesAndMeasuresTheirFreeSpace)
{
    EXPECT_TRUE(m_files->probeDrive(3));
    EXPECT_TRUE(m_files->probeDrive(4));
    EXPECT_FALSE(m_files->probeDrive(5)) << "mapped to a folder that does not exist";
    EXPECT_FALSE(m_files->probeDrive(1));
    EXPECT_FALSE(m_files->probeDrive(0));
    EXPECT_FALSE(m_files->probeDrive(27));

    EXPECT_GT(m_files->freeSpaceAt(QStringLiteral("c:\\")), 0);
    EXPECT_EQ(m_files->freeSpaceAt(QStringLiteral("z:\\")), -1);
}

TEST_F(FileSystemTest, CreatesDirectoriesOneOrManyLevels)
{
    makeDir(QStringLiteral("c/Quake"));
    makeFile(QStringLiteral("c/Quake/file"));

    EXPECT_EQ(m_files->createDirectory(QStringLiteral("c:\\QUAKE\\Umbraxis")), 0);
    EXPECT_TRUE(QFileInfo(host("c/Quake/Umbraxis")).isDir());
    EXPECT_EQ(m_files->createDirectory(QStringLiteral("c:\\quake\\umbraxis")), EEXIST);
    EXPECT_EQ(m_files->createDirectory(QStringLiteral("c:\\quake\\no\\maps")), ENOENT);
    EXPECT_EQ(m_files->createDirectory(QStringLiteral("c:\\quake\\file\\maps")), ENOTDIR);
    EXPECT_EQ(m_files->createDirectory(QStringLiteral("f:\\maps")), ENOENT);

    EXPECT_EQ(m_files->forceDirectories(QStringLiteral("c:\\QUAKE\\umbraxis\\maps\\sub\\deeper")), 0);
    EXPECT_TRUE(QFileInfo(host("c/Quake/Umbraxis/maps/sub/deeper")).isDir());
    EXPECT_EQ(m_files->forceDirectories(QStringLiteral("c:\\quake\\umbraxis\\maps")), 0);
    EXPECT_EQ(m_files->forceDirectories(QStringLiteral("c:\\quake\\file\\x")), ENOTDIR);
    EXPECT_EQ(m_files->forceDirectories(QStringLiteral("e:\\x")), ENOENT);
    EXPECT_FALSE(QFileInfo::exists(host("missing")));
}

TEST_F(FileSystemTest, CopiesBlockByBlockAndReadsItBack)
{
    QByteArray data(100000, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 + i / 256);

    {
        auto target = m_files->create(QStringLiteral("c:\\Out.bin")).handle;
        ASSERT_NE(target, nullptr);
        for (qsizetype at = 0; at < data.size(); at += 32000) {
            const qsizetype count = std::min<qsizetype>(32000, data.size() - at);
            EXPECT_EQ(target->write(data.constData() + at, count), count);
        }
    }
    auto source = m_files->openRead(QStringLiteral("c:\\OUT.BIN")).handle;
    ASSERT_NE(source, nullptr);
    QByteArray back;
    char buffer[32000];
    std::int64_t got = 0;
    std::vector<std::int64_t> counts;
    while ((got = source->read(buffer, sizeof buffer)) > 0) {
        counts.push_back(got);
        back.append(buffer, got);
    }
    EXPECT_EQ(got, 0);
    EXPECT_EQ(counts, (std::vector<std::int64_t>{32000, 32000, 32000, 4000}));
    EXPECT_EQ(back, data);
}

TEST_F(FileSystemTest, CreateReplacesFilesAndLinksButNotWhatLinksPointTo)
{
    makeFile(QStringLiteral("c/Old.txt"), "a much longer old content");
    {
        auto file = m_files->create(QStringLiteral("c:\\old.TXT")).handle;
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->write("new", 3), 3);
    }
    EXPECT_EQ(readHost(QStringLiteral("c/Old.txt")), QByteArray("new"));

    makeDir(QStringLiteral("outside"));
    makeFile(QStringLiteral("outside/target.txt"), "keep");
    makeLink(QStringLiteral("c/link.txt"), "../outside/target.txt");
    {
        auto file = m_files->create(QStringLiteral("c:\\link.txt")).handle;
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->write("copy", 4), 4);
    }
    EXPECT_EQ(readHost(QStringLiteral("outside/target.txt")), QByteArray("keep"));
    EXPECT_FALSE(QFileInfo(host("c/link.txt")).isSymLink());
    EXPECT_EQ(readHost(QStringLiteral("c/link.txt")), QByteArray("copy"));
}

TEST_F(FileSystemTest, OpenAndCreateFailWithTheSystemsCode)
{
    makeDir(QStringLiteral("c/Dir"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(host("c/pipe")).constData(), 0644), 0);

    struct Row {
        const char* path;
        bool create;
        int error;
    };
    const Row rows[] = {
        {"c:\\missing.txt", false, ENOENT},   {"c:\\dir", false, EISDIR}, {"c:\\pipe", false, EACCES},
        {"c:\\nodir\\new.txt", true, ENOENT}, {"c:\\dir", true, EISDIR},  {"c:\\pipe", true, EACCES},
        {"f:\\x.txt", true, ENOENT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const QString path = QString::fromLatin1(row.path);
        const Opened<File> opened = row.create ? m_files->create(path) : m_files->openRead(path);
        EXPECT_EQ(opened.handle, nullptr);
        EXPECT_EQ(opened.error, row.error);
    }
    // A folder's own opens refuse the same.
    const std::unique_ptr<Folder> folder = m_files->openFolder(QStringLiteral("c:\\")).handle;
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->openRead(QStringLiteral("DIR")).error, EISDIR);
    EXPECT_EQ(folder->openRead(QStringLiteral("pipe")).error, EACCES);
    EXPECT_EQ(folder->create(QStringLiteral("dir")).error, EISDIR);
    EXPECT_EQ(folder->create(QStringLiteral("pipe")).error, EACCES);
    EXPECT_TRUE(QFileInfo::exists(host("c/pipe")));
}

TEST_F(FileSystemTest, DeletesFilesAndLinksButNeverDirectories)
{
    makeDir(QStringLiteral("c/Empty"));
    makeDir(QStringLiteral("c/Full"));
    makeFile(QStringLiteral("c/Full/kept.txt"));
    makeFile(QStringLiteral("c/Doomed.txt"));
    makeLink(QStringLiteral("c/dirlink"), "Full");

    EXPECT_EQ(m_files->deleteFile(QStringLiteral("c:\\doomed.txt")), 0);
    EXPECT_FALSE(QFileInfo::exists(host("c/Doomed.txt")));
    EXPECT_EQ(m_files->deleteFile(QStringLiteral("c:\\doomed.txt")), ENOENT);
    EXPECT_EQ(m_files->deleteFile(QStringLiteral("c:\\empty")), EISDIR);
    EXPECT_EQ(m_files->deleteFile(QStringLiteral("c:\\Full")), EISDIR);
    EXPECT_EQ(m_files->deleteFile(QStringLiteral("c:\\")), EISDIR);
    EXPECT_TRUE(QFileInfo(host("c/Empty")).isDir());

    EXPECT_EQ(m_files->deleteFile(QStringLiteral("c:\\dirlink")), 0);
    EXPECT_FALSE(QFileInfo(host("c/dirlink")).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(host("c/Full/kept.txt")));
}

TEST_F(FileSystemTest, CurrentDirectoryAndRelativePaths)
{
    makeDir(QStringLiteral("c/Quake/id1"));
    makeFile(QStringLiteral("c/Quake/quake.exe"));
    makeDir(QStringLiteral("d/Images"));
    makeFile(QStringLiteral("d/Images/fmain.bmp"));

    ASSERT_TRUE(QDir::setCurrent(host("d")));
    EXPECT_EQ(m_files->currentDirectory(), QStringLiteral("d:\\"));
    EXPECT_TRUE(m_files->fileExists(QStringLiteral("images\\FMAIN.bmp")));
    EXPECT_EQ(m_files->toHost(QStringLiteral("images\\fmain.bmp")), host("d/Images/fmain.bmp"));

    ASSERT_TRUE(QDir::setCurrent(host("c/Quake")));
    EXPECT_EQ(m_files->currentDirectory(), QStringLiteral("c:\\Quake"));
    EXPECT_TRUE(m_files->fileExists(QStringLiteral("quake.exe")));
    EXPECT_TRUE(m_files->directoryExists(QStringLiteral("..\\quake\\ID1")));
    EXPECT_TRUE(m_files->fileExists(QStringLiteral("\\quake\\quake.exe")));
    EXPECT_TRUE(m_files->directoryExists(QStringLiteral("c:id1")));
    EXPECT_TRUE(m_files->fileExists(QStringLiteral("d:images\\fmain.bmp")));

    // Where a program can be started.
    EXPECT_EQ(m_files->probeFolder(QStringLiteral("c:\\QUAKE\\")), 0);
    EXPECT_EQ(m_files->probeFolder(QStringLiteral("c:\\nowhere")), ENOENT);
    EXPECT_EQ(m_files->probeFolder(QStringLiteral("c:\\quake\\quake.exe")), ENOTDIR);
    EXPECT_EQ(m_files->probeFolder(QStringLiteral("f:\\")), ENOENT);

    // No drive holds this folder: it becomes a drive of its own.
    ASSERT_TRUE(QDir::setCurrent(m_root));
    EXPECT_EQ(m_files->currentDirectory(), QStringLiteral("z:\\"));
}

TEST_F(FileSystemTest, SeesChangesToDirectoriesItHasSeenBefore)
{
    makeDir(QStringLiteral("c/Old/Inner"));
    makeFile(QStringLiteral("c/Old/first.txt"));
    // Old modification times let the program reuse what it listed.
    const timespec longAgo[2] = {{1000000000, 0}, {1000000000, 0}};
    for (const char* dir : {"c", "c/Old"})
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(host(dir)).constData(), longAgo, 0), 0);

    EXPECT_EQ(find(QStringLiteral("c:\\Old\\*.*"), faAnyFile).size(), 2u);
    EXPECT_FALSE(m_files->fileExists(QStringLiteral("c:\\old\\SECOND.TXT")));
    EXPECT_TRUE(m_files->directoryExists(QStringLiteral("c:\\Old\\Inner")));

    makeFile(QStringLiteral("c/Old/Second.txt"));
    EXPECT_TRUE(m_files->fileExists(QStringLiteral("c:\\old\\SECOND.TXT")));
    EXPECT_EQ(find(QStringLiteral("c:\\Old\\*.*"), faAnyFile).size(), 3u);

    // A directory known to exist is replaced by one spelled differently.
    ASSERT_TRUE(QDir(host("c/Old")).removeRecursively());
    makeDir(QStringLiteral("c/OLD/Inner"));
    EXPECT_TRUE(m_files->directoryExists(QStringLiteral("c:\\Old\\Inner")));
    EXPECT_EQ(m_files->toHost(QStringLiteral("c:\\Old\\Inner")), host("c/OLD/Inner"));

    // And one replaced by a link is no longer entered.
    EXPECT_TRUE(m_files->directoryExists(QStringLiteral("c:\\OLD\\Inner")));
    ASSERT_TRUE(QDir(host("c/OLD")).removeRecursively());
    makeDir(QStringLiteral("elsewhere/Inner"));
    makeLink(QStringLiteral("c/OLD"), "../elsewhere");
    EXPECT_FALSE(m_files->directoryExists(QStringLiteral("c:\\OLD\\Inner")));
}

TEST_F(FileSystemTest, PseudoFileSystemMountPointsAreSystemEntries)
{
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    if (!mounts.open(QIODevice::ReadOnly) || !mounts.readAll().contains(" /proc "))
        GTEST_SKIP() << "no proc file system mounted at /proc";

    // Only reads the host's root folder.
    const HostFileSystem whole(DriveMap({{QLatin1Char('c'), QStringLiteral("/")}}));
    const auto entries = whole.findEntries(QStringLiteral("c:\\PROC"), faAnyFile);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].attributes & (faSystem | faDirectory), unsigned(faSystem | faDirectory));
    EXPECT_TRUE(whole.findEntries(QStringLiteral("c:\\proc"), WalkFilter).empty());
}

TEST_F(FileSystemTest, AWalkFromTheRootKnowsMountsTwoLevelsDown)
{
    // The walk over a drive mapped onto "/" reaches /dev, whose "pts" is a
    // pseudo file system of its own on every Linux with terminals.
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    if (!mounts.open(QIODevice::ReadOnly) || !mounts.readAll().contains(" /dev/pts "))
        GTEST_SKIP() << "no devpts file system mounted at /dev/pts";

    const HostFileSystem whole(DriveMap({{QLatin1Char('c'), QStringLiteral("/")}}));
    const WalkDirectory root = whole.walkRoot(3);
    std::vector<WalkEntry> entries;
    ASSERT_EQ(whole.listDirectory(root, entries), 0);
    const auto dev = std::find_if(entries.begin(), entries.end(), [](const WalkEntry& e) { return e.name() == "dev"; });
    ASSERT_NE(dev, entries.end());
    const WalkDirectory devices = whole.walkInto(root, *dev);
    EXPECT_EQ(devices.path, "c:\\dev\\");
    EXPECT_EQ(devices.place, "/dev");
    ASSERT_EQ(whole.listDirectory(devices, entries), 0);
    const auto pts = std::find_if(entries.begin(), entries.end(), [](const WalkEntry& e) { return e.name() == "pts"; });
    ASSERT_NE(pts, entries.end());
    EXPECT_TRUE(pts->attributes & faSystem);
}

namespace {

TEST_F(FileSystemTest, AWalkListsEachDirectoryWithTheKindOfEveryEntry)
{
    makeDir("c/Games/Quake");
    makeDir("c/.cache");
    makeFile("c/readme.TXT");
    makeLink("c/loop", ".");
    ASSERT_EQ(::mkfifo(QFile::encodeName(host("c/pipe")).constData(), 0644), 0);

    const WalkDirectory root = m_files->walkRoot(3);
    EXPECT_EQ(root.path, "c:\\");
    std::vector<WalkEntry> entries;
    ASSERT_EQ(m_files->listDirectory(root, entries), 0);
    std::map<QString, unsigned> kinds;
    for (const WalkEntry& entry : entries)
        kinds[entry.name()] = entry.attributes;
    EXPECT_EQ(kinds,
              (std::map<QString, unsigned>{{".cache", faDirectory | faHidden},
                                           {"Games", faDirectory},
                                           {"loop", 0u},
                                           {"pipe", faSystem},
                                           {"readme.TXT", 0u}}));
    // A subdirectory's program path carries its name as stored.
    const auto games = std::find_if(entries.begin(), entries.end(),
                                    [](const WalkEntry& e) { return e.name() == "Games"; });
    const WalkDirectory child = m_files->walkInto(root, *games);
    EXPECT_EQ(child.path, "c:\\Games\\");
    ASSERT_EQ(m_files->listDirectory(child, entries), 0);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(m_files->walkInto(child, entries.front()).path, "c:\\Games\\Quake\\");
    // A place that is not a directory lists nothing.
    EXPECT_EQ(m_files->listDirectory({"c:\\readme.TXT\\", QFile::encodeName(host("c/readme.TXT"))}, entries), ENOTDIR);
    EXPECT_TRUE(entries.empty());
}

TEST_F(FileSystemTest, FreeSpaceIsThatOfTheNearestExistingFolder)
{
    makeDir("c/quake");
    ASSERT_GT(m_files->freeSpaceAt("c:\\"), 0);
    // Not there yet: the folder above it tells.
    EXPECT_GT(m_files->freeSpaceAt("c:\\quake\\Umbraxis\\maps"), 0);
    EXPECT_EQ(m_files->freeSpaceAt("q:\\nowhere"), -1);
}

TEST_F(FileSystemTest, ReplacingAFilePutsTheNewOneInPlaceInOneStep)
{
    makeDir("c/maps");
    makeFile("c/maps/.partial", "whole new content");
    makeFile("c/maps/level.bsp", "old");
    EXPECT_EQ(m_files->replaceFile("c:\\maps\\.partial", "c:\\MAPS\\Level.bsp"), 0);
    EXPECT_EQ(readHost("c/maps/level.bsp"), "whole new content");
    EXPECT_FALSE(QFileInfo::exists(host("c/maps/.partial")));
    EXPECT_NE(m_files->replaceFile("c:\\maps\\missing", "c:\\maps\\x"), 0);
    // Only regular files count as such.
    makeLink("c/maps/link.bsp", "level.bsp");
    FileStamp stamp;
    EXPECT_TRUE(m_files->fileStamp("c:\\maps\\level.bsp", stamp) && stamp.regular);
    EXPECT_TRUE(m_files->fileStamp("c:\\maps\\link.bsp", stamp) && !stamp.regular);
    EXPECT_TRUE(m_files->fileStamp("c:\\maps", stamp) && !stamp.regular && stamp.directory);
}

TEST_F(FileSystemTest, ASecondNameKeepsAFileWhenItsFirstIsReplaced)
{
    makeDir("c/maps");
    makeDir("c/kept");
    makeFile("c/maps/Level.bsp", "the user's");
    makeLink("c/maps/link.bsp", "Level.bsp");
    FileStamp before;
    ASSERT_TRUE(m_files->fileStamp("c:\\maps\\level.bsp", before));
    EXPECT_TRUE(before.regular);
    EXPECT_EQ(before.size, 10);
    EXPECT_EQ(m_files->linkFile("c:\\maps\\level.bsp", "c:\\kept\\level.bsp"), 0);
    EXPECT_EQ(m_files->linkFile("c:\\maps\\level.bsp", "c:\\KEPT\\LEVEL.BSP"), EEXIST);
    makeFile("c/maps/.partial", "new");
    EXPECT_EQ(m_files->replaceFile("c:\\maps\\.partial", "c:\\maps\\level.bsp"), 0);
    EXPECT_EQ(readHost("c/maps/Level.bsp"), "new");
    EXPECT_EQ(readHost("c/kept/level.bsp"), "the user's");
    FileStamp kept;
    ASSERT_TRUE(m_files->fileStamp("c:\\kept\\level.bsp", kept));
    EXPECT_EQ(kept.modified, before.modified);

    // A link gets the second name itself, never what it points to.
    EXPECT_EQ(m_files->linkFile("c:\\maps\\link.bsp", "c:\\kept\\link.bsp"), 0);
    EXPECT_TRUE(QFileInfo(host("c/kept/link.bsp")).isSymLink());
    ASSERT_TRUE(m_files->fileStamp("c:\\kept\\link.bsp", kept));
    EXPECT_FALSE(kept.regular);
    EXPECT_FALSE(m_files->fileStamp("c:\\maps\\missing", kept));

    // A folder held open sees the same, by any letter case.
    const std::unique_ptr<Folder> folder = m_files->openFolder("c:\\maps").handle;
    ASSERT_TRUE(folder);
    ASSERT_TRUE(folder->stamp("LEVEL.BSP", kept));
    EXPECT_EQ(kept.size, 3);
    EXPECT_FALSE(folder->stamp("missing", kept));
}

TEST_F(FileSystemTest, AWorkingDirectoryOutsideEveryDriveGetsADriveOfItsOwn)
{
    makeDir("elsewhere/levels");
    ASSERT_TRUE(QDir::setCurrent(host("elsewhere")));
    EXPECT_EQ(m_files->currentDirectory(), "z:\\");
    EXPECT_TRUE(m_files->directoryExists("z:\\levels"));
    EXPECT_EQ(m_files->currentDirectory(), "z:\\") << "the same drive every time";
}

} // namespace

TEST_F(FileSystemTest, AFolderListsNoNameThatAProgramPathWouldReadAsAClimbAndCopiesNothingThroughALink)
{
    // A disc may hold names with backslashes, and links to anywhere.
    makeDir(QStringLiteral("d/level"));
    makeFile(QStringLiteral("d/level/map.bsp"));
    makeDir(QStringLiteral("d/level/..\\..\\escape"));
    makeFile(QStringLiteral("d/level/..\\evil.cfg"));
    makeFile(QStringLiteral("c/secret.txt"), "the user's");
    makeLink(QStringLiteral("d/level/secret.txt"), QFile::encodeName(host("c/secret.txt")).constData());

    EXPECT_EQ(find(QStringLiteral("d:\\level\\*.*"), faAnyFile).size(), 2u) << "map.bsp and the link";
    EXPECT_TRUE(find(QStringLiteral("d:\\level\\..\\evil.cfg"), faAnyFile).empty());
    const std::unique_ptr<Folder> folder = m_files->openFolder(QStringLiteral("d:\\level")).handle;
    ASSERT_TRUE(folder);
    EXPECT_TRUE(folder->openRead(QStringLiteral("map.bsp")).handle);
    EXPECT_EQ(folder->openRead(QStringLiteral("secret.txt")).error, ELOOP);
}

TEST_F(FileSystemTest, AFolderHeldOpenFindsNamesByAnyLetterCaseAsItsOwnChangesComeAndGo)
{
    makeDir(QStringLiteral("c/maps"));
    makeFile(QStringLiteral("c/maps/README.TXT"), "1");
    makeFile(QStringLiteral("c/maps/readme.txt"), "22");
    const std::unique_ptr<Folder> folder = m_files->openFolder(QStringLiteral("c:\\maps")).handle;
    ASSERT_TRUE(folder);
    const auto sizeOf = [&](const char* name) {
        FileStamp stamp;
        return folder->stamp(QLatin1String(name), stamp) ? stamp.size : -1;
    };
    EXPECT_EQ(sizeOf("readme.txt"), 2) << "the exact name first";
    EXPECT_EQ(sizeOf("README.TXT"), 1);

    ASSERT_EQ(folder->remove(QStringLiteral("readme.txt")), 0);
    EXPECT_EQ(sizeOf("readme.txt"), 1) << "the other name of the same letters";
    ASSERT_EQ(folder->remove(QStringLiteral("Readme.Txt")), 0);
    EXPECT_EQ(sizeOf("readme.txt"), -1);

    // A file written under a passing name and put in place is found by its
    // new name in any case, and no longer by the passing one.
    Opened<File> created = folder->create(QStringLiteral(".part"));
    ASSERT_TRUE(created.handle);
    ASSERT_EQ(created.handle->write("333", 3), 3);
    created.handle.reset();
    ASSERT_EQ(folder->replace(QStringLiteral(".part"), QStringLiteral("Readme.Txt")), 0);
    EXPECT_EQ(sizeOf("README.txt"), 3);
    EXPECT_EQ(sizeOf(".PART"), -1);
    EXPECT_TRUE(QFileInfo::exists(host(QStringLiteral("c/maps/Readme.Txt"))));
}
