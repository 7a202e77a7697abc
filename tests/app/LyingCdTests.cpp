// The real program on a CD that lies: a catalogue whose folders climb out of
// the CD, whose titles and map names hold what a shell or the game would read
// as more, sizes beyond any integer, a level folder with a link and a name
// that would climb, a tips file of one endless line, a help document nested
// a hundred thousand groups deep, a sound that claims four gigabytes and a
// video that claims ten hours. Nothing crashes or hangs, nothing is copied
// from outside the CD or written outside Umbraxis\maps, nothing reaches a
// shell or the game's command line but the map's name, and every refusal
// says why.

#include "app/ProgramFixture.h"
#include "app/ScreenPoints.h"

#include <QDirIterator>
#include <QSettings>
#include <QtEndian>

#include <unistd.h>

using namespace umbraxis::testing;

namespace {

void copyTree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + "/" + QDir(from).relativeFilePath(path);
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else
            QFile::copy(path, target);
    }
}

void write(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(content), content.size());
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// Every file and folder below `folder`, relative to it.
QStringList treeOf(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

class LyingCd : public WholeProgram {
protected:
    // The sample CD, copied to c:\cd; Quake is c:\quake, where a quake.exe
    // that is a script notes each start's folder and arguments.
    void SetUp() override
    {
        WholeProgram::SetUp();
        if (HasFatalFailure())
            return;
        cd = home.path() + "/cd";
        copyTree(binaryDir() + "/cd", cd);
        ASSERT_TRUE(QFileInfo(cd + "/levels.csv").isFile());
        QDir().mkpath(home.path() + "/quake/id1");
        write(home.path() + "/quake/quake.exe",
              "#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo; } | tr '\\n' '|' >> \""
                  + QFile::encodeName(launches()) + "\"\necho >> \"" + QFile::encodeName(launches()) + "\"\n");
        QFile::setPermissions(home.path() + "/quake/quake.exe",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        write(home.path() + "/config/Corvantide/drives.conf", "[Drives]\nc=" + QFile::encodeName(home.path()) + "\n");
        write(home.path() + "/config/Corvantide/Umbraxis.conf", "[Main]\nQuakeDir=c:\\\\quake\\\\\n");
    }

    QString launches() const { return home.path() + "/launches.txt"; }

    // The text of the error box that comes up over `known` windows (copied
    // out of it the way a user can, with Ctrl+C), after which it is closed.
    QString errorBox(const QStringList& known, int timeoutMs = 15000)
    {
        QString box;
        QElapsedTimer clock;
        clock.start();
        while (box.isEmpty() && clock.elapsed() < timeoutMs) {
            for (const QString& window : windowsTitled("Umbraxis"))
                if (!known.contains(window) && geometryOf(window).size() != QSize(640, 480))
                    box = window;
            QThread::msleep(100);
        }
        if (box.isEmpty())
            return QStringLiteral("<no error box>");
        QString text;
        for (int attempt = 0; attempt < 20 && !text.contains("---"); ++attempt) {
            display.run("xdotool", {"windowfocus", "--sync", box});
            display.run("xdotool", {"key", "--clearmodifiers", "ctrl+c"});
            QThread::msleep(150);
            text = display.run("xclip", {"-o", "-selection", "clipboard"}, 5000);
        }
        key(box, "Return");
        waitFor([&] { return !windowsTitled("Umbraxis").contains(box); }, 5000);
        return text;
    }

    QSettings* settings()
    {
        m_settings = std::make_unique<QSettings>(home.path() + "/config/Corvantide/Umbraxis.conf",
                                                 QSettings::IniFormat);
        return m_settings.get();
    }

    QString cd;
    std::unique_ptr<QSettings> m_settings;
};

TEST_F(LyingCd, ALyingCatalogueCopiesNothingFromOutsideTheCdAndStartsTheGameOnTheMapNameAlone)
{
    // What lies beside the CD, which no level may reach.
    write(home.path() + "/secret/secret.txt", "the user's own");
    write(cd + "/levels/linked/map.bsp", "a map");
    ASSERT_EQ(::symlink(QFile::encodeName(home.path() + "/secret/secret.txt").constData(),
                        QFile::encodeName(cd + "/levels/linked/secret.txt").constData()),
              0);
    write(cd + "/levels/escaping/esc.bsp", "a map");
    write(cd + "/levels/escaping/..\\..\\..\\..\\escape/evil.cfg", "bind w quit");
    for (const char* text : {"ab", "cl", "hu", "li", "ru", "sa", "tw", "es"})
        write(cd + "/levels/desc/" + text + ".txt", QByteArray("About this level.\r\n"));
    // Sorted as the list shows them: rows 0 to 7.
    write(cd + "/levels.csv",
          "Title,Directory,AuthorFile,DescFile,DirSize,LevelName\r\n"
          "Absolute,c:\\secret,ab,ab,100,umbx1\r\n"
          "Climber,..\\..\\secret,cl,cl,100,umbx1\r\n"
          "Escaping,escaping,es,es,100,esc\r\n"
          "Huge,foundry,hu,hu,2147483648,umbx1\r\n"
          "Linked,linked,li,li,100,map\r\n"
          "\"Rust \"\"$(touch pwned)\"\"; 'Foundry' | rm -rf ~ & `id`\",foundry,ru,ru,100,umbx1\r\n"
          "\"Say More\",vaults,sa,sa,100,\"umbx2 +exec evil.cfg\"\r\n"
          "\"Two\nLines\",gate,tw,tw,100,umbx8\r\n");
    const QString shellTitle = "Rust \"$(touch pwned)\"; 'Foundry' | rm -rf ~ & `id`";
    const QStringList before = treeOf(home.path());

    QProcess program;
    start(program, cd);
    const QStringList windows = waitForWindows("Umbraxis", 30000);
    ASSERT_EQ(windows.size(), 1);
    click(windows.first(), DisplayLevelsButton.x(), DisplayLevelsButton.y());
    const QString screen = waitForNewWindow("Umbraxis", windows, 10000);
    ASSERT_FALSE(screen.isEmpty()) << "Display Levels opened nothing";
    const QStringList open = windows + QStringList{screen};
    QThread::msleep(500);

    // Installs the level at `row` of the available list; the error box's
    // text, if one comes.
    const auto install = [&](int row, bool refused) {
        click(screen, 72, 96 + 2 + 13 * row + 6);
        QThread::msleep(400);
        click(screen, InstallSelectedArrow.x(), InstallSelectedArrow.y());
        return refused ? errorBox(open) : QString();
    };
    const struct {
        int row;
        const char* title;
        QString message;
    } refusals[] = {
        {0, "Absolute", "The level's folder \"c:\\secret\" lies outside the CD's levels folder."},
        {1, "Climber", "The level's folder \"..\\..\\secret\" lies outside the CD's levels folder."},
        // Each refusal leaves the list as it was; Escaping, row 2, stays.
        {3, "Huge", "'2147483648' is not a valid integer value."},
        {4, "Linked", "I/O error 40 (c:\\cd\\levels\\linked\\secret.txt)."},
        {6, "Say More", "The level's map name \"umbx2 +exec evil.cfg\" cannot be given to Quake."},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.title);
        const QString said = install(refusal.row, true);
        EXPECT_TRUE(said.contains(refusal.message)) << said.toStdString();
        EXPECT_FALSE(settings()->childGroups().contains(refusal.title));
    }
    EXPECT_TRUE(QDir(home.path() + "/quake/Umbraxis/maps").entryList(QDir::Files | QDir::Hidden).isEmpty())
        << "a refused level left a file";

    // The honest ones go in: the folder whose name would climb is passed
    // over, and titles are only names.
    install(7, false);
    ASSERT_TRUE(waitFor([&] { return settings()->contains("Two\nLines/LevelFileName"); })) << "Two Lines";
    install(5, false);
    ASSERT_TRUE(waitFor([&] { return settings()->contains(shellTitle + "/LevelFileName"); })) << "the shell title";
    install(2, false);
    ASSERT_TRUE(waitFor([&] { return settings()->contains("Escaping/LevelFileName"); })) << "Escaping";
    EXPECT_EQ(readAll(home.path() + "/quake/Umbraxis/maps/esc.bsp"), "a map");

    // Nothing outside the game's maps folder changed but the settings and
    // the launches' note; the file beside the CD is untouched.
    QStringList after = treeOf(home.path());
    after.removeIf([](const QString& path) {
        return path.startsWith("quake/Umbraxis") || path.startsWith("config/") || path.startsWith("run/");
    });
    QStringList expected = before;
    expected.removeIf([](const QString& path) { return path.startsWith("config/") || path.startsWith("run/"); });
    EXPECT_EQ(after, expected);
    EXPECT_EQ(readAll(home.path() + "/secret/secret.txt"), "the user's own");
    for (const QString& path : treeOf(home.path() + "/quake/Umbraxis"))
        EXPECT_FALSE(path.contains("escape") || path.contains("secret")) << path.toStdString();

    // The game starts on the map name alone, whatever the title says.
    click(screen, MainMenuButton.x(), MainMenuButton.y());
    ASSERT_TRUE(waitFor([&] { return windowsTitled("Umbraxis") == windows; }, 5000));
    click(windows.first(), RunQuakeButton.x(), RunQuakeButton.y());
    const QString run = waitForNewWindow("Umbraxis", windows, 10000);
    ASSERT_FALSE(run.isEmpty()) << "Run Quake opened nothing";
    QThread::msleep(500);
    // Installed, sorted: Escaping, the shell title, Two Lines.
    click(run, 72, 88 + 2 + 16 * 1 + 8);
    QThread::msleep(400);
    click(run, SinglePlayer.x(), SinglePlayer.y());
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(launches()); })) << "the game was not started";
    QThread::msleep(300);
    EXPECT_EQ(QString::fromLocal8Bit(readAll(launches())).trimmed(),
              QFileInfo(home.path() + "/quake").canonicalFilePath() + "|[-game][umbraxis][+map][umbx1]|");
    QDirIterator pwned(home.path(), {"pwned"}, QDir::Files, QDirIterator::Subdirectories);
    EXPECT_FALSE(pwned.hasNext()) << "a title reached a shell";
    EXPECT_EQ(program.state(), QProcess::Running);
    stop(program);
}

TEST_F(LyingCd, EndlessTextsDeepDocumentsAndSoundsAndVideosThatClaimHoursNeitherHangNorCrashTheProgram)
{
    SoundServer server;
    ASSERT_TRUE(server.isRunning()) << server.failure().toStdString();
    sound = &server;
    skipIntro = false;

    // One line of ten megabytes.
    write(cd + "/text/tips.txt", QByteArray(10 << 20, 'w'));
    // A hundred thousand groups, each inside the one before.
    write(cd + "/help.rtf", "{\\rtf1 " + QByteArray(100000, '{') + "deep" + QByteArray(100000, '}') + "}");
    // Half a second of sound in a file that says it holds four gigabytes.
    QByteArray samples;
    for (int i = 0; i < 5512; ++i)
        samples += char(128 + int(100 * ((i / 20) % 2 ? 1 : -1)));
    write(cd + "/sounds/guncock.wav",
          "RIFF" + le32(0xFFFFFFFFu) + "WAVEfmt " + le32(16) + QByteArray::fromHex("01000100112b0000112b000001000800")
              + "data" + le32(0xFFFFFFF0u) + samples);
    // The intro says it runs ten hours, 540000 frames at 15 a second, and
    // its frames are damaged, so that no decoder tells where it ends: only
    // the frames it holds do.
    QByteArray video = readAll(cd + "/logo.avi");
    const qsizetype avih = video.indexOf("avih");
    ASSERT_GT(avih, 0);
    video.replace(avih + 8 + 16, 4, le32(540000));
    const qsizetype strh = video.indexOf("strh");
    ASSERT_GT(strh, 0);
    video.replace(strh + 8 + 32, 4, le32(540000));
    const qsizetype index = video.indexOf("idx1");
    ASSERT_GT(index, 0);
    int damaged = 0;
    for (qsizetype at = video.indexOf("00dc"); at > 0 && at < index; at = video.indexOf("00dc", at + 8)) {
        const qsizetype size = qFromLittleEndian<quint32>(video.constData() + at + 4);
        video.replace(at + 8, size, QByteArray(size, '\x55'));
        ++damaged;
    }
    EXPECT_GT(damaged, 60);
    write(cd + "/logo.avi", video);

    SoundRecorder recorder(server);
    ASSERT_TRUE(recorder.isRecording());
    QElapsedTimer clock;
    clock.start();
    QProcess program;
    start(program, cd);
    // The intro ends by itself when its frames are over: no key is pressed.
    const QStringList windows = waitForWindows("Umbraxis", 45000);
    ASSERT_EQ(windows.size(), 1) << "no menu after the intro";
    EXPECT_LT(clock.elapsed(), 30000) << "the intro waited for the hours its header claims";
    QThread::msleep(2000);
    const QByteArray heard = recorder.stop();
    // The start-up cue is heard for as long as the sound it holds, however
    // long its header says it is.
    const Audibility audible = measureAudibility(heard, SoundRecorder::Rate, SoundRecorder::Channels);
    EXPECT_GT(audible.audibleMs, 200) << "the cue was not heard";
    for (const auto& [from, to] : audible.stretches)
        EXPECT_LT(to - from, 1000) << "a cue played longer than its data";

    // The about screen shows a tip of the endless line at once.
    QElapsedTimer opened;
    opened.start();
    click(windows.first(), AboutButton.x(), AboutButton.y());
    const QString about = waitForNewWindow("Umbraxis", windows, 15000);
    ASSERT_FALSE(about.isEmpty()) << "the about screen did not open";
    EXPECT_LT(opened.elapsed(), 8000);
    QThread::msleep(500);
    const QImage aboutShot = screenshot(about, "lying-cd-about");
    EXPECT_EQ(aboutShot.size(), QSize(640, 480));
    click(about, MainMenuButton.x(), MainMenuButton.y());
    ASSERT_TRUE(waitFor([&] { return windowsTitled("Umbraxis") == windows; }, 10000)) << "the about screen stayed";

    // The help document opens, its text shown, and goes again.
    opened.restart();
    click(windows.first(), HelpButton.x(), HelpButton.y());
    const QString viewer = waitForNewWindow("Umbraxis", windows, 15000);
    ASSERT_FALSE(viewer.isEmpty()) << "Help did not open";
    EXPECT_LT(opened.elapsed(), 8000);
    QThread::msleep(500);
    screenshot(viewer, "lying-cd-help");
    click(viewer, MainMenuButton.x(), MainMenuButton.y());
    ASSERT_TRUE(waitFor([&] { return windowsTitled("Umbraxis") == windows; }, 10000)) << "the viewer stayed";

    click(windows.first(), ExitButton.x(), ExitButton.y());
    const bool ended = program.waitForFinished(20000);
    if (!ended)
        stop(program);
    ASSERT_TRUE(ended) << "Exit did not end the program";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

} // namespace
