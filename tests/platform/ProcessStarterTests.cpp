#include "platform/files/HostFileSystem.h"
#include "platform/process/HostProcessStarter.h"

#include "fakes/RecordingProcessStarter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace umbraxis;

namespace {

// A script that writes its working directory and arguments, one a line,
// into `output`, through a rename so that a reader never sees half of it.
QByteArray reportingScript(const QString& output)
{
    const QByteArray out = QFile::encodeName(output);
    return "#!/bin/sh\n"
           "printf '%s\\n' \"$PWD\" \"$@\" > '"
        + out
        + ".part'\n"
          "/bin/mv '"
        + out + ".part' '" + out + "'\n";
}

class ProcessStarterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_root = QFileInfo(m_temp.path()).canonicalFilePath();
        ASSERT_TRUE(QDir(m_root).mkpath(QStringLiteral("c/Game")));
        m_files = std::make_unique<HostFileSystem>(DriveMap({{QLatin1Char('c'), m_root + QLatin1String("/c")}}));
        m_starter = std::make_unique<HostProcessStarter>(*m_files);
        m_savedDirectory = QDir::currentPath();
        m_savedPath = qgetenv("PATH");
    }

    void TearDown() override
    {
        QDir::setCurrent(m_savedDirectory);
        qputenv("PATH", m_savedPath);
    }

    QString host(const QString& relative) const { return m_root + QLatin1Char('/') + relative; }

    void makeFile(const QString& relative, const QByteArray& content, bool executable)
    {
        QFile file(host(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        if (executable)
            file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
    }

    // The lines the started script wrote, once it has written them.
    QStringList waitForReport(const QString& output)
    {
        const bool written = QTest::qWaitFor([&] { return QFileInfo::exists(output); }, 10000);
        EXPECT_TRUE(written) << "the started program never wrote " << output.toStdString();
        QFile file(output);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir m_temp;
    QString m_root;
    QString m_savedDirectory;
    QByteArray m_savedPath;
    std::unique_ptr<HostFileSystem> m_files;
    std::unique_ptr<HostProcessStarter> m_starter;
};

} // namespace

TEST(ProcessStarterArguments, SplitsOnBlanksHonouringQuotes)
{
    struct Row {
        const char* text;
        QStringList arguments;
    };
    const Row rows[] = {
        {" -game umbraxis  +map e1m1", {"-game", "umbraxis", "+map", "e1m1"}},
        {"-game umbraxis +deathmatch 1 +map ", {"-game", "umbraxis", "+deathmatch", "1", "+map"}},
        {"\"two words\" x\"y z\"", {"two words", "xy z"}},
        {"\"\" end", {"", "end"}},
        {"\t", {}},
        {"", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(HostProcessStarter::splitArguments(QString::fromLatin1(row.text)), row.arguments);
    }
}

TEST_F(ProcessStarterTest, StartsAScriptInTheFolderItIsGivenWithItsArguments)
{
    const QString output = host("report.txt");
    makeFile(QStringLiteral("c/Game/Quake.exe"), reportingScript(output), true);

    EXPECT_GT(m_starter->start(QStringLiteral("c:\\GAME\\quake.exe -game umbraxis  +map \"e1 m1\""),
                               QStringLiteral("c:\\game\\"), 5),
              31);

    EXPECT_EQ(waitForReport(output), QStringList({host("c/Game"), "-game", "umbraxis", "+map", "e1 m1"}));
    EXPECT_EQ(QDir::currentPath(), m_savedDirectory) << "the program's own folder stays";
}

TEST_F(ProcessStarterTest, FindsUnquotedAndQuotedProgramPathsWithBlanks)
{
    ASSERT_TRUE(QDir(m_root).mkpath(QStringLiteral("c/My Games")));
    const QString output = host("report.txt");
    makeFile(QStringLiteral("c/My Games/run"), reportingScript(output), true);

    const char* lines[] = {"c:\\my games\\RUN first second", "\"c:\\My Games\\run\" first second"};
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        QFile::remove(output);
        EXPECT_EQ(m_starter->start(QString::fromLatin1(line), QStringLiteral("c:\\"), 5), HostProcessStarter::Started);
        EXPECT_EQ(waitForReport(output), QStringList({host("c"), "first", "second"}));
    }
}

TEST_F(ProcessStarterTest, ReportsWhatCouldNotBeStarted)
{
    makeFile(QStringLiteral("c/Game/readme.txt"), "just text", false);
    makeFile(QStringLiteral("c/Game/empty"), "", true);

    struct Row {
        const char* line;
        const char* folder;
        int code;
    };
    const Row rows[] = {
        {"c:\\game\\nothere.exe -game umbraxis", "", HostProcessStarter::FileNotFound},
        {"c:\\nodir\\quake.exe", "", HostProcessStarter::PathNotFound},
        {"q:\\quake.exe", "", HostProcessStarter::PathNotFound},
        {"c:\\game\\readme.txt", "", HostProcessStarter::NotExecutable},
        {"c:\\game", "", HostProcessStarter::NotExecutable},
        {"", "", HostProcessStarter::FileNotFound},
        {"c:\\game\\empty", "c:\\nodir\\", HostProcessStarter::PathNotFound},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(m_starter->start(QString::fromLatin1(row.line), QString::fromLatin1(row.folder), 5), row.code);
    }
}

TEST_F(ProcessStarterTest, StartsWindowsProgramsThroughWineFromThePath)
{
    const QString output = host("report.txt");
    makeFile(QStringLiteral("c/Game/quake.exe"), "MZ\x90\x00 not really a program", false);
    ASSERT_TRUE(QDir(m_root).mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(QDir(m_root).mkpath(QStringLiteral("empty")));
    makeFile(QStringLiteral("bin/wine"), reportingScript(output), true);
    const QString folder = QStringLiteral("c:\\game\\");

    qputenv("PATH", QFile::encodeName(host("empty")));
    EXPECT_EQ(m_starter->start(QStringLiteral("c:\\game\\quake.exe -game umbraxis"), folder, 5),
              HostProcessStarter::NotExecutable);

    qputenv("PATH", QFile::encodeName(host("empty") + QLatin1Char(':') + host("bin")));
    EXPECT_EQ(m_starter->start(QStringLiteral("c:\\game\\QUAKE.EXE -game umbraxis"), folder, 5),
              HostProcessStarter::Started);
    EXPECT_EQ(waitForReport(output), QStringList({host("c/Game"), host("c/Game/quake.exe"), "-game", "umbraxis"}));
}

TEST(ProcessStarterFake, RecordsEachCallWithItsFolderAndTheCurrentDirectory)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString root = QFileInfo(temp.path()).canonicalFilePath();
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("quake")));
    HostFileSystem files(DriveMap({{QLatin1Char('c'), root}}));
    const QString saved = QDir::currentPath();

    RecordingProcessStarter starter(&files);
    ASSERT_TRUE(QDir::setCurrent(root + QStringLiteral("/quake")));
    EXPECT_EQ(starter.start(QStringLiteral("c:\\quake\\quake.exe -game umbraxis"), QStringLiteral("c:\\quake\\"), 5),
              33);
    starter.setResult(0);
    ASSERT_TRUE(QDir::setCurrent(root));
    EXPECT_EQ(starter.start(QStringLiteral("other"), QString(), 1), 0);
    QDir::setCurrent(saved);

    ASSERT_EQ(starter.calls().size(), 2u);
    EXPECT_EQ(starter.calls()[0].commandLine, QStringLiteral("c:\\quake\\quake.exe -game umbraxis"));
    EXPECT_EQ(starter.calls()[0].showFlag, 5);
    EXPECT_EQ(starter.calls()[0].folder, QStringLiteral("c:\\quake\\"));
    EXPECT_EQ(starter.calls()[0].currentDirectory, QStringLiteral("c:\\quake"));
    EXPECT_EQ(starter.calls()[1].currentDirectory, QStringLiteral("c:\\"));
}
