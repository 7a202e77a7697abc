// The Debian package, made from this build: what it holds and what the
// validators say of it; then the program it holds, started the way its menu
// entry starts it, from a home folder, with the CD wherever it is mounted.

#include "app/ProgramFixture.h"
#include "package/PrivateMounts.h"

#include <QDirIterator>
#include <QSettings>

#include <pwd.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace umbraxis::testing;

namespace {

const QString AppId = QStringLiteral("com.corvantide.Umbraxis");
const QList<int> IconSizes = {16, 22, 24, 32, 48, 64, 128, 256, 512};

struct Command {
    int code = -1;
    QString out;
};

Command runCommand(const QString& program, const QStringList& arguments, int timeoutMs = 120000,
                   const QString& folder = QString())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    Command result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(3000);
        result.out = program + " did not finish";
        return result;
    }
    result.out = QString::fromLocal8Bit(process.readAll());
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

// The package of this build, made once and unpacked into a scratch folder.
struct Package {
    QTemporaryDir scratch;
    QString deb;
    QString root;
    QString failure;

    Package()
    {
        const QString out = scratch.path() + "/out";
        const Command made = runCommand(
            "cpack", {"-G", "DEB", "-B", out, "--config", binaryDir() + "/CPackConfig.cmake"}, 600000, binaryDir());
        const QStringList debs = QDir(out).entryList({"umbraxis_*.deb"}, QDir::Files);
        if (made.code != 0 || debs.size() != 1) {
            failure = "cpack failed: " + made.out;
            return;
        }
        deb = out + "/" + debs.first();
        root = scratch.path() + "/root";
        const Command unpacked = runCommand("dpkg", {"-x", deb, root});
        if (unpacked.code != 0)
            failure = "dpkg -x failed: " + unpacked.out;
    }

    QString path(const QString& inside) const { return root + inside; }
};

const Package& package()
{
    static const Package made;
    return made;
}

QString desktopFile()
{
    return package().path("/usr/share/applications/" + AppId + ".desktop");
}

// The value of `key` in the desktop entry's main group.
QString desktopValue(const QString& key)
{
    QFile file(desktopFile());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n'))
        if (line.startsWith(key + "="))
            return line.mid(key.size() + 1);
    return QString();
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(binaryDir().isEmpty()) << "UMBRAXIS_BINARY_DIR is not set";
        ASSERT_TRUE(package().failure.isEmpty()) << package().failure.toStdString();
    }
};

TEST_F(PackageTest, HoldsTheProgramItsMenuEntryIconsMetainfoAndManualPage)
{
    const Command listing = runCommand("dpkg-deb", {"--contents", package().deb});
    ASSERT_EQ(listing.code, 0) << listing.out.toStdString();
    QStringList files;
    for (const QString& row : listing.out.split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = row.simplified().split(' ');
        ASSERT_GE(fields.size(), 6) << row.toStdString();
        EXPECT_EQ(fields[1], "root/root") << row.toStdString();
        if (!fields[0].startsWith('d'))
            files << fields[5].mid(1) + (fields[0] == "-rwxr-xr-x" ? " (program)" : "");
        else
            EXPECT_EQ(fields[0], "drwxr-xr-x") << row.toStdString();
    }
    QStringList expected = {
        "/usr/games/umbraxis (program)",
        "/usr/share/applications/" + AppId + ".desktop",
        "/usr/share/metainfo/" + AppId + ".metainfo.xml",
        "/usr/share/man/man6/umbraxis.6.gz",
        "/usr/share/doc/umbraxis/copyright",
        "/usr/share/doc/umbraxis/changelog.gz",
    };
    for (const int size : IconSizes)
        expected << QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(AppId);
    files.sort();
    expected.sort();
    EXPECT_EQ(files, expected);

    // What the program links, found by dpkg-shlibdeps, and what it only
    // loads: plugins for the video and its sound, the fonts, the displays.
    const Command depends = runCommand("dpkg-deb", {"--field", package().deb, "Depends"});
    QStringList names;
    for (const QString& item : depends.out.split(',', Qt::SkipEmptyParts))
        names << item.trimmed().section(' ', 0, 0);
    for (const char* needed :
         {"libc6", "libqt6core6", "libqt6widgets6", "libqt6multimedia6", "libsndfile1", "gstreamer1.0-plugins-base",
          "gstreamer1.0-plugins-good", "gstreamer1.0-plugins-bad", "gstreamer1.0-libav", "gstreamer1.0-pulseaudio",
          "fonts-liberation", "qt6-qpa-plugins", "qt6-wayland"}) {
        EXPECT_TRUE(names.contains(needed)) << needed << " missing from: " << depends.out.toStdString();
    }
    EXPECT_EQ(runCommand("dpkg-deb", {"--field", package().deb, "Section"}).out.trimmed(), "games");
}

TEST_F(PackageTest, TheMenuEntryAndTheMetainfoPassTheirValidatorsAndTheIconsAreDrawn)
{
    const Command desktop = runCommand("desktop-file-validate", {desktopFile()});
    EXPECT_EQ(desktop.code, 0);
    EXPECT_EQ(desktop.out, "") << desktop.out.toStdString();
    EXPECT_EQ(desktopValue("Exec"), "/usr/games/umbraxis");
    EXPECT_EQ(desktopValue("Icon"), AppId);

    const QString metainfo = package().path("/usr/share/metainfo/" + AppId + ".metainfo.xml");
    const Command appstream = runCommand("appstreamcli", {"validate", "--no-net", metainfo});
    EXPECT_EQ(appstream.code, 0) << appstream.out.toStdString();
    std::printf("appstreamcli validate --no-net:\n%s\n", qPrintable(appstream.out));
    QFile xml(metainfo);
    ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
    const QByteArray text = xml.readAll();
    for (const char* part : {"<screenshot type=\"default\">", "<image", "<description>",
                             "<launchable type=\"desktop-id\">"
                             "com.corvantide.Umbraxis.desktop"})
        EXPECT_TRUE(text.contains(part)) << part;

    for (const int size : IconSizes) {
        SCOPED_TRACE(size);
        const QImage icon(
            package().path(QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(AppId)));
        ASSERT_EQ(icon.size(), QSize(size, size));
        ASSERT_TRUE(icon.hasAlphaChannel());
        EXPECT_LT(qAlpha(icon.pixel(0, 0)), 8) << "the corners are rounded off";
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
        QSet<QRgb> colours;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                colours.insert(icon.pixel(x, y));
        EXPECT_GT(colours.size(), size * 2) << "a flat picture";
    }
}

TEST_F(PackageTest, LintianFindsNoError)
{
    const Command lintian = runCommand("lintian", {"--no-cfg", "--info", package().deb}, 600000);
    std::printf("lintian:\n%s\n", qPrintable(lintian.out));
    EXPECT_NE(lintian.code, -1) << "lintian did not finish";
    for (const QString& row : lintian.out.split('\n'))
        EXPECT_FALSE(row.startsWith("E: ")) << row.toStdString();
}

// The program of the package, started as its menu entry starts it, from a
// home folder, with discs mounted where desktops mount them.
class PackagedProgram : public WholeProgram {
protected:
    void SetUp() override
    {
        WholeProgram::SetUp();
        ASSERT_TRUE(package().failure.isEmpty()) << package().failure.toStdString();
        if (!privateMounts || ::geteuid() != 0 || !QFileInfo(QStringLiteral("/media")).isDir())
            GTEST_SKIP() << "needs root and a mount namespace of its own";
        // Empty desktop folders, hiding whatever this machine has mounted there.
        for (const char* folder : {"/media", "/mnt", "/run/media"}) {
            if (QFileInfo(folder).isDir()) {
                ASSERT_TRUE(mountTmpfs(folder));
            }
        }
        const passwd* user = ::getpwuid(::geteuid());
        userMedia = QStringLiteral("/media/") + QString::fromLocal8Bit(user ? user->pw_name : "root");

        ASSERT_TRUE(QDir(home.path()).mkpath("c/quake/id1"));
        QFile exe(home.path() + "/c/quake/quake.exe");
        ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
        exe.write("MZ stand-in");
        exe.close();
        QSettings drives(home.path() + "/config/Corvantide/drives.conf", QSettings::IniFormat);
        drives.setValue("Drives/c", home.path() + "/c");
        drives.sync();

        // The menu entry's command, in the unpacked package.
        const QString exec = desktopValue("Exec");
        ASSERT_TRUE(exec.startsWith('/')) << exec.toStdString();
        programPath = package().path(exec);
        ASSERT_TRUE(QFileInfo(programPath).isExecutable()) << programPath.toStdString();
    }

    void TearDown() override
    {
        for (auto it = mounted.rbegin(); it != mounted.rend(); ++it)
            ::umount2(QFile::encodeName(*it).constData(), MNT_DETACH);
    }

    bool mountTmpfs(const QString& folder, const char* options = "size=64m,mode=755")
    {
        if (!QDir().mkpath(folder) || ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options) != 0)
            return false;
        mounted << folder;
        return true;
    }

    // The sample CD copied onto a disc of its own at `point`, its root names
    // in capitals as some discs show them, then made read-only.
    void insertCd(const QString& point)
    {
        ASSERT_TRUE(mountTmpfs(point));
        const QString source = binaryDir() + "/cd";
        QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            QString relative = QDir(source).relativeFilePath(from);
            const QString first = relative.section('/', 0, 0);
            if (first == "levels.csv" || first == "images")
                relative = first.toUpper() + relative.mid(first.size());
            const QString to = point + "/" + relative;
            ASSERT_TRUE(QDir().mkpath(QFileInfo(to).path()));
            ASSERT_TRUE(QFile::copy(from, to)) << to.toStdString();
        }
        ASSERT_EQ(::mount("tmpfs", QFile::encodeName(point).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
    }

    void startFromMenu(QProcess& program)
    {
        QProcessEnvironment variables = environment();
        variables.insert("HOME", home.path());
        program.setProcessEnvironment(variables);
        program.setWorkingDirectory(home.path());
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(programPath, {});
        ASSERT_TRUE(program.waitForStarted(5000));
    }

    QString roleOf(const QString& window)
    {
        return display.run("xprop", {"-id", window, "WM_WINDOW_ROLE"}).section('"', 1, 1);
    }

    // The visible windows titled "Umbraxis" with the role `role` ("" for none).
    QStringList windowsWithRole(const QString& role)
    {
        QStringList found;
        for (const QString& window : windowsTitled("Umbraxis"))
            if (roleOf(window) == role)
                found << window;
        return found;
    }

    bool waitFor(const std::function<bool()>& condition, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (!condition()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            QThread::msleep(100);
        }
        return true;
    }

    QString userMedia;
    QStringList mounted;
};

TEST_F(PackagedProgram, FromTheMenuItFindsTheCdUnderMediaAndInstallsFromIt)
{
    const QString cd = userMedia + "/UMBRAXIS";
    insertCd(cd);
    QProcess program;
    startFromMenu(program);
    const QStringList windows = waitForWindows("Umbraxis", 30000);
    ASSERT_EQ(windows.size(), 1) << "the main menu did not appear";
    EXPECT_EQ(geometryOf(windows.first()).size(), QSize(640, 480));
    // The desktop ties the window to its menu entry by its class.
    const QString wmClass = display.run("xprop", {"-id", windows.first(), "WM_CLASS"});
    EXPECT_TRUE(wmClass.contains('"' + desktopValue("StartupWMClass") + '"')) << wmClass.toStdString();
    QThread::msleep(500);
    const QImage menu = screenshot(windows.first(), "menu-entry-start");
    ASSERT_FALSE(menu.isNull());
    EXPECT_GT(colourCount(menu, menu.rect()), 64) << "the menu's pictures are missing";

    // Display Levels, then Rust Foundry (the fifth available level) across.
    click(windows.first(), 279, 411);
    const QString screen = waitForNewWindow("Umbraxis", windows, 10000);
    ASSERT_FALSE(screen.isEmpty()) << "Display Levels opened nothing";
    QThread::msleep(500);
    click(screen, 72, 96 + 2 + 13 * 4 + 6);
    QThread::msleep(500);
    click(screen, 165, 141);
    QSettings stored(home.path() + "/config/Corvantide/Umbraxis.conf", QSettings::IniFormat);
    ASSERT_TRUE(waitFor(
        [&] {
            stored.sync();
            return stored.contains("Rust Foundry/LevelFileName");
        },
        15000))
        << "the level was not installed";

    int compared = 0;
    const QString level = cd + "/levels/foundry";
    QDirIterator it(level, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        QFile source(from);
        QFile copy(home.path() + "/c/quake/Umbraxis/maps/" + QDir(level).relativeFilePath(from));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly))
            << copy.fileName().toStdString();
        EXPECT_EQ(copy.readAll(), source.readAll()) << from.toStdString();
        ++compared;
    }
    EXPECT_GT(compared, 0);
    EXPECT_EQ(windowsWithRole(""), (QStringList{windows.first(), screen})) << "an error box came up";
    stop(program);
}

TEST_F(PackagedProgram, WithNoCdItAsksForOneAndCancelEndsIt)
{
    // A stick that holds no CD is passed over.
    ASSERT_TRUE(mountTmpfs(userMedia + "/STICK"));
    ASSERT_TRUE(QDir().mkpath(userMedia + "/STICK/images"));
    QProcess program;
    startFromMenu(program);
    ASSERT_EQ(waitForWindows("Umbraxis", 20000).size(), 1);
    QThread::msleep(300);
    const QStringList windows = windowsTitled("Umbraxis");
    ASSERT_EQ(windows.size(), 1) << "more than the one window";
    EXPECT_EQ(roleOf(windows.first()), "insert-cd") << "not the insert-CD window";
    const QImage picture = screenshot(windows.first(), "insert-cd");
    EXPECT_FALSE(picture.isNull());

    key(windows.first(), "Escape");
    const bool ended = program.waitForFinished(10000);
    if (!ended)
        stop(program);
    ASSERT_TRUE(ended) << "Cancel did not end the program";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(PackagedProgram, ACdInsertedWhileItAsksIsTaken)
{
    QProcess program;
    startFromMenu(program);
    const QStringList asking = waitForWindows("Umbraxis", 20000);
    ASSERT_EQ(asking.size(), 1);
    ASSERT_EQ(roleOf(asking.first()), "insert-cd");

    insertCd(userMedia + "/UMBRAXIS CD");
    QStringList menu;
    ASSERT_TRUE(waitFor(
        [&] {
            for (const QString& intro : windowsTitled("Umbraxis - intro"))
                key(intro, "space");
            menu = windowsWithRole("");
            return menu.size() == 1 && windowsWithRole("insert-cd").isEmpty();
        },
        20000))
        << "the CD was not taken";
    EXPECT_EQ(geometryOf(menu.first()).size(), QSize(640, 480));
    stop(program);
}

} // namespace
