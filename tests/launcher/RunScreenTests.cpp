#include "fakes/LevelWorld.h"
#include "fakes/RecordingProcessStarter.h"

#include "launcher/QuakeLauncher.h"
#include "launcher/TfRun.h"
#include "platform/process/HostInstalledPrograms.h"
#include "shell/LevelList.h"

#include <QDir>
#include <QLabel>
#include <QTest>

using namespace umbraxis;
using namespace umbraxis::testing;

namespace {

TEST(GameCommandTest, TheLineForEachModeIsExact)
{
    const struct {
        QString mode;
        const char* line;
    } rows[] = {
        {GameMode::SinglePlayer, "c:\\quake\\quake.exe -game umbraxis  +map umbx1"},
        {GameMode::Deathmatch, "c:\\quake\\quake.exe -game umbraxis +deathmatch 1 +map umbx1"},
        {GameMode::Cooperative, "c:\\quake\\quake.exe -game umbraxis +coop 1 +map umbx1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const GameCommand command = GameCommand::build("c:\\quake\\", row.mode, "umbx1");
        EXPECT_EQ(command.line, QString::fromLatin1(row.line));
        EXPECT_EQ(command.program(), "c:\\quake\\quake.exe");
    }
}

TEST(GameCommandTest, LongLinesAreCutAndBlanksStayInTheProgram)
{
    const QString deep = "c:\\" + QString(230, 'q') + "\\";
    const GameCommand cut = GameCommand::build(deep, GameMode::Deathmatch, "umbx1");
    EXPECT_EQ(cut.line.size(), 255);
    EXPECT_EQ(cut.line, (deep + "quake.exe -game umbraxis +deathmatch 1 +map umbx1").left(255));
    EXPECT_EQ(cut.program(), deep + "quake.exe");

    const GameCommand spaced = GameCommand::build("d:\\My Games\\Quake 1\\", GameMode::SinglePlayer, "e1m1");
    EXPECT_EQ(spaced.program(), "d:\\My Games\\Quake 1\\quake.exe");
    EXPECT_EQ(spaced.arguments(), " -game umbraxis  +map e1m1");
    // A map name gone from the record leaves the line ending in " +map ".
    EXPECT_TRUE(GameCommand::build("c:\\q\\", GameMode::SinglePlayer, "").line.endsWith(" +map "));
}

TEST(QuakeEngineTest, TheFirstEngineOfTheListIsChosenFromThePathAndTheFlatpaks)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString root = temp.path();
    const auto program = [&](const QString& relative, bool executable = true) {
        LevelWorld::write(root + "/" + relative, "#!/bin/sh\n");
        QFile::setPermissions(root + "/" + relative,
                              QFile::ReadOwner | (executable ? QFile::ExeOwner : QFile::Permissions()));
    };
    program("bin/vkquake");
    program("bin/fteqw");
    program("bin/quakespasm", false);           // not executable
    program("user/io.github.Example.IronWail"); // a Flatpak of the user's
    program("system/org.example.darkplaces");
    program("system/org.example.quakespasm.Data", true); // the name is not the ID's end
    const struct {
        QStringList path;
        QStringList flatpak;
        const char* engine;
        const char* found;
    } rows[] = {
        {{root + "/bin"}, {root + "/user", root + "/system"}, "ironwail", "/user/io.github.Example.IronWail"},
        {{root + "/bin"}, {root + "/system"}, "vkquake", "/bin/vkquake"},
        {{"bin", root + "/none"}, {root + "/system"}, "darkplaces", "/system/org.example.darkplaces"},
        {{root + "/none"}, {}, nullptr, nullptr},
    };
    const QString saved = QDir::currentPath();
    QDir::setCurrent(root); // a relative entry of PATH would find bin/ here
    for (const auto& row : rows) {
        SCOPED_TRACE(row.engine ? row.engine : "none");
        const std::optional<QuakeEngine> engine = QuakeEngine::find(HostInstalledPrograms({row.path, row.flatpak}));
        ASSERT_EQ(engine.has_value(), row.engine != nullptr);
        if (engine) {
            EXPECT_EQ(engine->name, row.engine);
            EXPECT_EQ(engine->program, root + row.found);
        }
    }
    QDir::setCurrent(saved);
}

class RunScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        world = std::make_unique<LevelWorld>(root.path());
        processes = std::make_unique<RecordingProcessStarter>(world->files.get());
        services.settings = &world->memorySettings;
        services.files = world->files.get();
        services.pictures = &pictures;
        services.media = &world->media;
        services.errors = &errors;
        services.processes = processes.get();
        services.programs = &programs;
        world->shell->setMainPosition([] { return QPoint(90, 70); });
        world->shell->setDocumentViewer([this](const QString& document) { documents << document; });
        pictures.add("images\\finstall.bmp", {640, 480}, Qt::darkGray);
        for (const char* name : {"runs", "rundm", "runcp"}) {
            pictures.add(QStringLiteral("images\\fbf%1.bmp").arg(name), {260, 60}, Qt::green);
            pictures.add(QStringLiteral("images\\fbn%1.bmp").arg(name), {260, 60}, Qt::red);
        }
        for (const char* name : {"help", "main"}) {
            pictures.add(QStringLiteral("images\\fbf%1.bmp").arg(name), {134, 27}, Qt::green);
            pictures.add(QStringLiteral("images\\fbn%1.bmp").arg(name), {134, 27}, Qt::red);
        }
        for (const char* title : {"Bravo", "Alpha", "Charlie"})
            world->addLevel({title, QString(title).toLower(), "10", QString(title).toLower() + "1", {}});
        world->loadCatalogue();
    }

    ScreenPtr<TfRun> showScreen()
    {
        auto screen = createScreen<TfRun>(services, *world->shell, world->shelf);
        screen->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(screen.get()));
        QCoreApplication::processEvents();
        world->log.events.clear();
        return screen;
    }

    void install(const QString& title)
    {
        world->memorySettings.sections[title] = {{"LevelFileName", title.toLower() + "1"}};
    }

    static QStringList titles(const LevelList* list)
    {
        QStringList all;
        for (int row = 0; row < list->count(); ++row)
            all << list->title(row);
        return all;
    }

    static QRgb shown(const ImageButton* image)
    {
        const QImage picture = image->shownPicture().toImage();
        return picture.isNull() ? 0 : picture.pixel(1, 1);
    }

    // Quake as a store installs it: no quake.exe, the data spelled Id1\PAK0.PAK.
    void makeStoreCopy()
    {
        QFile::remove(world->quakePath("quake.exe"));
        QDir(world->quakePath("id1")).removeRecursively();
        LevelWorld::write(world->quakePath("Id1/PAK0.PAK"), "PACK");
        LevelWorld::write(world->quakePath("Id1/PAK1.PAK"), "PACK");
    }

    struct Programs : InstalledPrograms {
        QString onPath(const QString& name) const override { return installed.value(name); }
        QString flatpak(const QString&) const override { return QString(); }
        QMap<QString, QString> installed;
    } programs;

    QTemporaryDir root;
    std::unique_ptr<LevelWorld> world;
    std::unique_ptr<RecordingProcessStarter> processes;
    FakePictureLoader pictures;
    RecordingErrorBox errors;
    Services services;
    QStringList documents;
};

TEST_F(RunScreenTest, ListsTheInstalledLevelsInOrderWithTheFirstSelectedSilently)
{
    install("Charlie");
    install("Alpha");
    auto screen = showScreen();
    EXPECT_EQ(titles(screen->ListBox1), (QStringList{"Alpha", "Charlie"}));
    EXPECT_EQ(screen->ListBox1->firstSelectedRow(), 0);
    EXPECT_FALSE(screen->Label1->isVisible());
    EXPECT_TRUE(world->log.only("cue ").isEmpty()) << "showing selects without a cue";
    EXPECT_EQ(screen->pos(), QPoint(90, 70));
    EXPECT_EQ(screen->ListBox1->geometry(), QRect(48, 88, 201, 273));
    EXPECT_EQ(screen->ListBox1->visualItemRect(screen->ListBox1->item(0)).height(), 16);
    EXPECT_EQ(screen->ListBox1->toolTip(), "Click on a level to select it");
    EXPECT_EQ(screen->panel(1)->geometry(), QRect(292, 90, 260, 60));
    EXPECT_EQ(screen->panel(2)->geometry(), QRect(292, 165, 260, 60));
    EXPECT_EQ(screen->panel(5)->geometry(), QRect(292, 240, 260, 60));
    EXPECT_EQ(screen->image(2)->toolTip(), "Run the selected level in DeathMatch mode");
    EXPECT_EQ(screen->lStatus()->geometry(), QRect(344, 320, 201, 17));
    EXPECT_EQ(screen->ProgressBar1()->geometry(), QRect(296, 344, 257, 15));

    // A user's click in the list plays its cue.
    const QRect charlie = screen->ListBox1->visualItemRect(screen->ListBox1->item(1));
    QTest::mouseClick(screen->ListBox1->viewport(), Qt::LeftButton, {}, charlie.center());
    EXPECT_EQ(world->log.only("cue "), QStringList{"ric3.wav"});
    // A click with Ctrl on the chosen entry keeps it chosen.
    QTest::mouseClick(screen->ListBox1->viewport(), Qt::LeftButton, Qt::ControlModifier, charlie.center());
    EXPECT_EQ(screen->ListBox1->firstSelectedRow(), 1);
    // The list is built afresh on every show.
    world->memorySettings.sections.remove("Alpha");
    screen->hide();
    screen->show();
    EXPECT_EQ(titles(screen->ListBox1), QStringList{"Charlie"});
}

TEST_F(RunScreenTest, WithNothingInstalledTheRunButtonsDoNothing)
{
    auto screen = showScreen();
    EXPECT_TRUE(screen->Label1->isVisible());
    EXPECT_EQ(screen->Label1->text(), "NO LEVELS INSTALLED");
    EXPECT_EQ(screen->Label1->geometry(), QRect(168, 44, 278, 29));
    for (int number : {1, 2, 5}) {
        SCOPED_TRACE(number);
        QTest::mousePress(screen->image(number), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(shown(screen->image(number)), QColor(Qt::green).rgb()) << "no pressed look";
        QTest::mouseRelease(screen->image(number), Qt::LeftButton, {}, QPoint(5, 5));
    }
    EXPECT_TRUE(world->log.events.isEmpty()) << "not even a search";
    EXPECT_TRUE(world->files->listed.isEmpty()) << "no drive walked";
    EXPECT_FALSE(world->memorySettings.sections.contains("Main")) << "no search wrote where Quake is";
    EXPECT_TRUE(processes->calls().empty());
    EXPECT_EQ(screen->lStatus()->text(), "Ready");
}

TEST_F(RunScreenTest, EachModeStartsQuakeInItsDirectoryWhileTheProgramStaysInItsOwn)
{
    install("Alpha");
    auto screen = showScreen();
    const QString before = world->files->currentDirectory();
    const struct {
        int button;
        const char* line;
    } rows[] = {
        {1, "c:\\quake\\quake.exe -game umbraxis  +map alpha1"},
        {2, "c:\\quake\\quake.exe -game umbraxis +deathmatch 1 +map alpha1"},
        {5, "c:\\quake\\quake.exe -game umbraxis +coop 1 +map alpha1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        processes->clear();
        world->log.events.clear();
        QTest::mouseClick(screen->image(row.button), Qt::LeftButton, {}, QPoint(5, 5));
        ASSERT_EQ(processes->calls().size(), 1u);
        EXPECT_EQ(processes->calls().front().commandLine, QString::fromLatin1(row.line));
        EXPECT_EQ(processes->calls().front().program, "c:\\quake\\quake.exe");
        EXPECT_EQ(processes->calls().front().showFlag, 5);
        EXPECT_EQ(processes->calls().front().folder, "c:\\quake\\");
        EXPECT_EQ(processes->calls().front().currentDirectory, before);
        EXPECT_EQ(world->files->currentDirectory(), before);
        EXPECT_EQ(world->log.only("cue "), QStringList{"guncock.wav"});
        EXPECT_EQ(screen->lStatus()->text(), "");
        EXPECT_EQ(screen->ProgressBar1()->value(), 0);
    }
    EXPECT_EQ(world->shell->KnownQuakeDir, "c:\\quake\\");
    // Later cues still load from the CD.
    EXPECT_TRUE(world->files->fileExists("sounds\\ric3.wav"));
}

TEST_F(RunScreenTest, WithoutQuakeExeTheEngineStartsOnTheFolderWithTheNamesItLooksFor)
{
    install("Alpha");
    makeStoreCopy();
    programs.installed["darkplaces"] = "/usr/games/darkplaces";
    auto screen = showScreen();
    const QString basedir = world->quakePath("");
    const struct {
        int button;
        QStringList arguments;
    } rows[] = {
        {1, {"-basedir", basedir.chopped(1), "-game", "umbraxis", "+map", "alpha1"}},
        {2, {"-basedir", basedir.chopped(1), "-game", "umbraxis", "+deathmatch", "1", "+map", "alpha1"}},
        {5, {"-basedir", basedir.chopped(1), "-game", "umbraxis", "+coop", "1", "+map", "alpha1"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        processes->clear();
        QTest::mouseClick(screen->image(row.button), Qt::LeftButton, {}, QPoint(5, 5));
        ASSERT_EQ(processes->calls().size(), 1u);
        EXPECT_EQ(processes->calls().front().program, "/usr/games/darkplaces");
        EXPECT_EQ(processes->calls().front().arguments, row.arguments);
        EXPECT_EQ(processes->calls().front().folder, "c:\\quake\\");
        EXPECT_EQ(screen->lStatus()->text(), "");
    }
    // Links of the engine's spelling beside the store's names, which stay.
    for (const char* link : {"id1", "Id1/pak0.pak", "Id1/pak1.pak"}) {
        SCOPED_TRACE(link);
        EXPECT_TRUE(QFileInfo(world->quakePath(link)).isSymLink());
    }
    EXPECT_TRUE(QFileInfo(world->quakePath("Id1")).isDir() && !QFileInfo(world->quakePath("Id1")).isSymLink());
    EXPECT_EQ(QFileInfo(world->quakePath("id1/pak0.pak")).canonicalFilePath(),
              QFileInfo(world->quakePath("Id1/PAK0.PAK")).canonicalFilePath());
    EXPECT_FALSE(QFileInfo::exists(world->quakePath("Id1/pak2.pak")));
}

TEST_F(RunScreenTest, WithNoEngineTheStatusLineNamesThePackageThatWouldHelp)
{
    install("Alpha");
    makeStoreCopy();
    auto screen = showScreen();
    QTest::mouseClick(screen->image(1), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(processes->calls().empty());
    EXPECT_EQ(screen->lStatus()->text(), QuakeEngine::NoneInstalled);
    EXPECT_TRUE(QuakeEngine::NoneInstalled.contains("quakespasm"));
    EXPECT_LE(screen->lStatus()->fontMetrics().horizontalAdvance(screen->lStatus()->text()), screen->lStatus()->width())
        << "the whole text shows";
    EXPECT_EQ(screen->ProgressBar1()->value(), 0);
    EXPECT_TRUE(world->log.only("cue ").isEmpty()) << "nothing runs, so no gun is cocked";
    EXPECT_FALSE(QFileInfo::exists(world->quakePath("id1"))) << "nothing is linked for a game that does not start";
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(RunScreenTest, TheGameFolderIsReachableByItsLowerCaseName)
{
    install("Alpha");
    QDir().mkpath(world->quakePath("Umbraxis/maps"));
    auto screen = showScreen();
    QTest::mouseClick(screen->image(1), Qt::LeftButton, {}, QPoint(5, 5));
    const QFileInfo alias(world->quakePath("umbraxis"));
    EXPECT_TRUE(alias.isSymLink());
    EXPECT_EQ(alias.canonicalFilePath(), QFileInfo(world->quakePath("Umbraxis")).canonicalFilePath());
    // An entry of that very name is left alone.
    QFile::remove(world->quakePath("umbraxis"));
    QDir().mkpath(world->quakePath("umbraxis"));
    QTest::mouseClick(screen->image(1), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(QFileInfo(world->quakePath("umbraxis")).isSymLink());
}

TEST_F(RunScreenTest, QuakeNotFoundEndsTheLaunchWithReady)
{
    install("Alpha");
    QFile::remove(world->quakePath("quake.exe"));
    auto screen = showScreen();
    QTest::mouseClick(screen->image(1), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(processes->calls().empty());
    EXPECT_EQ(screen->lStatus()->text(), "Ready");
    EXPECT_EQ(screen->ProgressBar1()->value(), 0);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(RunScreenTest, AQuakeDirectoryThatCannotBeEnteredIsReportedAndNothingStarts)
{
    install("Alpha");
    world->files->failEnter = {"c:\\quake\\"};
    auto screen = showScreen();
    const QString before = world->files->currentDirectory();
    QTest::mouseClick(screen->image(1), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages.first().startsWith("I/O error 13")) << errors.messages.first().toStdString();
    EXPECT_TRUE(processes->calls().empty());
    EXPECT_EQ(screen->lStatus()->text(), "Running Quake");
    EXPECT_EQ(screen->ProgressBar1()->value(), 20);
    EXPECT_EQ(world->files->currentDirectory(), before);
    EXPECT_TRUE(world->files->fileExists("sounds\\ric3.wav")) << "the program's own files still load";
}

TEST_F(RunScreenTest, AStartThatFailsIsNotReportedAndAVanishedMapNameEndsTheLine)
{
    install("Alpha");
    processes->setResult(2);
    auto screen = showScreen();
    world->memorySettings.sections["Alpha"]["LevelFileName"].clear();
    world->memorySettings.sections["Alpha"]["File1"] = "x";
    QTest::mouseClick(screen->image(1), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(processes->calls().size(), 1u);
    EXPECT_TRUE(processes->calls().front().commandLine.endsWith(" +map "));
    EXPECT_TRUE(errors.messages.isEmpty());
    EXPECT_EQ(screen->lStatus()->text(), "");
}

TEST_F(RunScreenTest, HelpAndMainPlayNoCueOfTheirOwn)
{
    auto screen = showScreen();
    QTest::mouseClick(screen->image(3), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(documents, QStringList{"help.rtf"});
    QTest::mouseClick(screen->image(4), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(screen->isVisible());
    EXPECT_TRUE(world->log.only("cue ").isEmpty());
}

} // namespace

namespace {

TEST_F(RunScreenTest, AMapNameThatWouldSayMoreIsNeverGivenToTheGame)
{
    install("Alpha");
    auto screen = showScreen();
    const QString before = world->files->currentDirectory();
    // A record edited by hand: the game would read further arguments and
    // console commands out of it.
    for (const QString& mapName :
         {QStringLiteral("alpha1 +exec evil.cfg"), QStringLiteral("alpha1;quit"), QStringLiteral("-dedicated")}) {
        SCOPED_TRACE(mapName.toStdString());
        errors.messages.clear();
        world->memorySettings.sections["Alpha"]["LevelFileName"] = mapName;
        QTest::mouseClick(screen->image(2), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_TRUE(processes->calls().empty());
        EXPECT_EQ(errors.messages, QStringList{"The level's map name \"" + mapName + "\" cannot be given to Quake"});
        EXPECT_EQ(world->files->currentDirectory(), before);
    }
}

} // namespace
