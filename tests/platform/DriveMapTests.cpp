#include "platform/files/DriveMap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace umbraxis;

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

TEST(DriveMap, MapsProgramPathsToHostAndBack)
{
    const DriveMap map({{QLatin1Char('c'), QStringLiteral("/")},
                        {QLatin1Char('D'), QStringLiteral("/srv/cd/")},
                        {QLatin1Char('e'), QStringLiteral("/srv/cd/inner")},
                        {QLatin1Char('q'), QStringLiteral("relative/folder")}});
    struct Row {
        const char* program;
        const char* host;
    };
    const Row toHost[] = {
        {"c:\\home\\x", "/home/x"},
        {"C:\\", "/"},
        {"d:\\levels\\One", "/srv/cd/levels/One"},
        {"d:/a/./b/../c", "/srv/cd/a/c"},
        {"d:\\..\\..", "/srv/cd"},
        {"e:\\x", "/srv/cd/inner/x"},
        {"f:\\x", ""},
        {"q:\\x", ""},
        {"images\\a.bmp", ""},
    };
    for (const Row& row : toHost) {
        SCOPED_TRACE(row.program);
        EXPECT_EQ(map.toHost(QString::fromLatin1(row.program)), QString::fromLatin1(row.host));
    }

    const Row fromHost[] = {
        {"c:\\home\\x", "/home/x"},   {"c:\\", "/"},
        {"d:\\", "/srv/cd"},          {"d:\\levels\\One", "/srv/cd//levels/One/"},
        {"e:\\x", "/srv/cd/inner/x"}, {"c:\\srv\\cdrom", "/srv/cdrom"},
        {"", "relative/path"},
    };
    for (const Row& row : fromHost) {
        SCOPED_TRACE(row.host);
        EXPECT_EQ(map.fromHost(QString::fromLatin1(row.host)), QString::fromLatin1(row.program));
    }
}

TEST(DriveMap, HostPathsOutsideEveryDriveHaveNoProgramPath)
{
    const DriveMap map({{QLatin1Char('d'), QStringLiteral("/srv/cd")}});
    EXPECT_EQ(map.fromHost(QStringLiteral("/home/x")), QString());
    EXPECT_TRUE(map.folder(QLatin1Char('c')).isEmpty());
    EXPECT_EQ(map.folder(4), QStringLiteral("/srv/cd"));
    EXPECT_TRUE(map.folder(0).isEmpty());
    EXPECT_TRUE(map.folder(27).isEmpty());
}

TEST(DriveMap, ReadsTheDrivesSectionOfItsFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString conf = dir.filePath(QStringLiteral("drives.conf"));
    writeFile(conf,
              "; the user's drives\n"
              "[Other]\n"
              "a=/not/this\n"
              "[drives]\n"
              "C = /mnt/windows\n"
              "d=\"/media/cd rom,1\"\n"
              "# comment\n"
              "ee=/too/long\n"
              "f=relative\n"
              "g=\n");
    const DriveMap map = DriveMap::fromFile(conf);
    EXPECT_TRUE(map.folder(QLatin1Char('a')).isEmpty());
    EXPECT_EQ(map.folder(QLatin1Char('c')), QStringLiteral("/mnt/windows"));
    EXPECT_EQ(map.folder(QLatin1Char('D')), QStringLiteral("/media/cd rom,1"));
    EXPECT_TRUE(map.folder(QLatin1Char('f')).isEmpty());
    EXPECT_TRUE(map.folder(QLatin1Char('g')).isEmpty());
}

TEST(DriveMap, WithoutItsFileDriveCIsTheHostRoot)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A fifo in its place would wait for a writer for ever: it is no file.
    const QString fifo = dir.filePath(QStringLiteral("fifo.conf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& file : {dir.filePath(QStringLiteral("missing.conf")), fifo, dir.path()}) {
        const DriveMap map = DriveMap::fromFile(file);
        EXPECT_EQ(map.folder(QLatin1Char('c')), QStringLiteral("/"));
        for (int drive = 1; drive <= 26; ++drive) {
            if (drive != 3) {
                EXPECT_TRUE(map.folder(drive).isEmpty()) << drive;
            }
        }
    }
}

TEST(DriveMap, LoadsFromTheConfigurationHome)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Corvantide")));
    writeFile(dir.filePath(QStringLiteral("Corvantide/drives.conf")), "[Drives]\nd=/srv/cd\n");

    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    const QString file = DriveMap::defaultConfigFile();
    const DriveMap map = DriveMap::load();
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");

    EXPECT_EQ(file, dir.filePath(QStringLiteral("Corvantide/drives.conf")));
    EXPECT_EQ(map.folder(QLatin1Char('d')), QStringLiteral("/srv/cd"));
    EXPECT_TRUE(map.folder(QLatin1Char('c')).isEmpty());
}
