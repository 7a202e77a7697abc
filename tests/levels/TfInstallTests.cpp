#include "fakes/LevelWorld.h"

#include "levels/TfInstall.h"
#include "platform/AppError.h"
#include "shell/ImageButton.h"
#include "shell/LevelList.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>

using namespace umbraxis;
using namespace umbraxis::testing;

namespace {

SampleLevel level(const QString& title, const QString& directory, const QString& size = "100")
{
    return {title, directory, size, directory + "1", {{directory + "1.bsp", "map of " + directory.toLatin1()}}};
}

class TfInstallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        world = std::make_unique<LevelWorld>(root.path());
        world->files->freeBytes = 1'000'000;
        services.settings = &world->memorySettings;
        services.files = world->files.get();
        services.pictures = &pictures;
        services.media = &world->media;
        services.errors = &errors;
        services.desktop = &desktop;
        world->shell->setMainPosition([] { return QPoint(90, 70); });
        world->shell->setDocumentViewer([this](const QString& document) { documents << document; });
        pictures.add("images\\finstall.bmp", {640, 480}, Qt::darkGray);
        for (const char* name : {"help", "main"}) {
            pictures.add(QStringLiteral("images\\fbf%1.bmp").arg(name), {134, 27}, Qt::green);
            pictures.add(QStringLiteral("images\\fbn%1.bmp").arg(name), {134, 27}, Qt::red);
        }
        QImage arrow(54, 27, QImage::Format_RGB32);
        arrow.fill(Qt::blue);
        for (int y = 0; y < 27; ++y)
            for (int x = 27; x < 54; ++x)
                arrow.setPixelColor(x, y, Qt::yellow);
        for (const char* name : {"bright", "b2right", "bleft", "b2left"})
            pictures.pictures.insert(QStringLiteral("images\\%1.bmp").arg(name), arrow);
    }

    void addLevels(const QList<SampleLevel>& levels)
    {
        for (const SampleLevel& sample : levels)
            world->addLevel(sample);
        QByteArray csv = "Title,Directory,AuthorFile,DescFile,DirSize,LevelName\r\n";
        for (const SampleLevel& sample : levels)
            csv += '"' + sample.title.toLatin1() + "\"," + sample.directory.toLatin1() + ','
                + sample.directory.toLatin1() + "a," + sample.directory.toLatin1() + "d," + sample.dirSize.toLatin1()
                + ',' + sample.levelName.toLatin1() + "\r\n";
        LevelWorld::write(world->cdPath("levels.csv"), csv);
    }

    ScreenPtr<TfInstall> showScreen()
    {
        auto screen = createScreen<TfInstall>(services, *world->shell, world->shelf);
        screen->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(screen.get()));
        world->log.events.clear();
        return screen;
    }

    static QStringList titles(const LevelList* list)
    {
        QStringList all;
        for (int row = 0; row < list->count(); ++row)
            all << list->title(row);
        return all;
    }

    static void select(LevelList* list, const QStringList& wanted)
    {
        for (int row = 0; row < list->count(); ++row)
            list->setRowSelected(row, wanted.contains(list->title(row)));
    }

    static void click(TfInstall& screen, int number)
    {
        QTest::mouseClick(screen.image(number), Qt::LeftButton, {}, QPoint(5, 5));
    }

    // Every text the status line was painted with, in order: what the user
    // saw while an action ran.
    struct PaintedStatus : QObject {
        QStringList seen;
        std::function<void(const QString&)> onPaint;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint) {
                const QString text = static_cast<QLabel*>(watched)->text();
                if (seen.isEmpty() || seen.last() != text) {
                    seen << text;
                    if (onPaint)
                        onPaint(text);
                }
            }
            return false;
        }
    };

    static QWidget* nextTabStop(QWidget* from)
    {
        QWidget* next = from->nextInFocusChain();
        while (next != from && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    }

    // A drag from `source` dropped on `target`, as the window system
    // delivers it.
    static void drop(LevelList* source, LevelList* target)
    {
        QMimeData* data = LevelList::dragData(source);
        const QPointF at(20, 20);
        QDragEnterEvent enter(at.toPoint(), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target->viewport(), &enter);
        QDropEvent dropped(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target->viewport(), &dropped);
        QCoreApplication::processEvents();
        delete data;
    }

    QTemporaryDir root;
    std::unique_ptr<LevelWorld> world;
    FakePictureLoader pictures;
    RecordingErrorBox errors;
    RecordingDesktop desktop;
    Services services;
    QStringList documents;
};

TEST_F(TfInstallTest, ControlsSitWhereTheScreenNeedsThem)
{
    addLevels({level("Rust Foundry", "foundry")});
    auto screen = showScreen();
    EXPECT_EQ(screen->lbAvailable->geometry(), QRect(32, 96, 113, 225));
    EXPECT_EQ(screen->lbInstalled->geometry(), QRect(184, 96, 113, 225));
    EXPECT_EQ(screen->lbAvailable->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(screen->lbAvailable->font().pixelSize(), 11);
    EXPECT_EQ(screen->lbAvailable->visualItemRect(screen->lbAvailable->item(0)).height(), 13);
    EXPECT_EQ(screen->mAuthor->geometry(), QRect(320, 96, 281, 81));
    EXPECT_EQ(screen->mDescription->geometry(), QRect(320, 208, 289, 113));
    EXPECT_EQ(screen->eLevelName->geometry(), QRect(320, 352, 161, 23));
    EXPECT_TRUE(screen->eLevelName->isReadOnly());
    EXPECT_TRUE(screen->mAuthor->isReadOnly());
    EXPECT_EQ(screen->lStatus()->geometry(), QRect(88, 336, 201, 17));
    EXPECT_EQ(screen->lStatus()->text(), "Ready");
    EXPECT_EQ(screen->ProgressBar1()->geometry(), QRect(40, 360, 257, 15));
    const struct {
        int number;
        QRect place;
        const char* hint;
    } buttons[] = {{1, {152, 128, 27, 27}, "Install Selected Level(s)"},
                   {2, {152, 168, 27, 27}, "Install All Levels"},
                   {3, {152, 208, 27, 27}, "Uninstall Selected Level(s)"},
                   {7, {152, 248, 27, 27}, "Uninstall All Levels"}};
    for (const auto& button : buttons) {
        SCOPED_TRACE(button.number);
        EXPECT_EQ(screen->image(button.number)->geometry(), button.place);
        EXPECT_EQ(screen->image(button.number)->parentWidget(), screen.get());
        EXPECT_EQ(screen->image(button.number)->toolTip(), button.hint);
    }
    EXPECT_EQ(screen->panel(5)->geometry(), QRect(158, 405, 134, 27));
    EXPECT_EQ(screen->panel(6)->geometry(), QRect(351, 405, 134, 27));
    const struct {
        const char* name;
        const char* text;
        QColor colour;
        int pixels;
    } labels[] = {{"Label4", "Available Levels", Qt::yellow, 13},
                  {"Label5", "Installed Levels", Qt::yellow, 13},
                  {"Label2", "Author", Qt::yellow, 11},
                  {"Label3", "Description", Qt::yellow, 11},
                  {"Label1", "Directory on CD-ROM", Qt::yellow, 11},
                  {"Label6", "Status:", Qt::cyan, 14}};
    for (const auto& row : labels) {
        SCOPED_TRACE(row.name);
        const auto* label = screen->findChild<QLabel*>(row.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), row.text);
        EXPECT_EQ(label->palette().color(QPalette::WindowText), row.colour);
        EXPECT_EQ(label->font().pixelSize(), row.pixels);
        EXPECT_FALSE(label->autoFillBackground());
    }
    // Tab order: the two lists first, then the Help and Main panels.
    EXPECT_EQ(nextTabStop(screen->lbAvailable), screen->lbInstalled);
    EXPECT_EQ(nextTabStop(screen->lbInstalled), screen->panel(5));
    EXPECT_EQ(nextTabStop(screen->panel(5)), screen->panel(6));
    EXPECT_EQ(screen->pos(), QPoint(90, 70));
}

TEST_F(TfInstallTest, CreationSortsTheCatalogueAndShowsTheFirstLevel)
{
    addLevels({level("Rust Foundry", "foundry"), level("ashen Cistern", "Cistern"), level("Blackwater", "locks")});
    world->memorySettings.sections["Blackwater"] = {{"LevelFileName", "locks1"}};
    auto screen = showScreen();
    EXPECT_EQ(titles(screen->lbAvailable), (QStringList{"ashen Cistern", "Rust Foundry"}));
    EXPECT_EQ(titles(screen->lbInstalled), QStringList{"Blackwater"});
    EXPECT_TRUE(screen->lbAvailable->selectedItems().isEmpty()) << "the first entry is current, not selected";
    // From the first display on, the directory box reads the working
    // directory, "levels" and the level's directory, in lower case.
    EXPECT_EQ(screen->eLevelName->text(), "d:\\levels\\cistern");
    EXPECT_EQ(screen->mAuthor->toPlainText(), "Made by someone.");
    EXPECT_EQ(pictures.requests.first(), "images\\finstall.bmp") << "the catalogue is loaded first";
}

TEST_F(TfInstallTest, InstallsTheSelectedLevelsInAlphabeticalOrder)
{
    addLevels({level("Cinder Keep", "cinder"), level("Ashen Cistern", "cistern"), level("Rust Foundry", "foundry"),
               level("Umbral Gate", "gate")});
    auto screen = showScreen();
    select(screen->lbAvailable, {"Rust Foundry", "Ashen Cistern", "Cinder Keep"});
    PaintedStatus painted;
    screen->lStatus()->installEventFilter(&painted);
    click(*screen, 1);
    EXPECT_EQ(titles(screen->lbInstalled), (QStringList{"Ashen Cistern", "Cinder Keep", "Rust Foundry"}));
    EXPECT_EQ(titles(screen->lbAvailable), QStringList{"Umbral Gate"});
    // The status line was painted at every step, the entry already in the
    // installed list while its installation ran.
    EXPECT_EQ(
        painted.seen,
        (QStringList{"Searching for Quake", "", "Installing level", "Installing Ashen Cistern", "", "Installing level",
                     "Installing Cinder Keep", "", "Installing level", "Installing Rust Foundry", ""}));
    // One installation's cues, after the click's own.
    const QStringList cues = world->log.only("cue ");
    EXPECT_EQ(cues.mid(0, 5), (QStringList{"guncock.wav", "guncock.wav", "dsight.wav", "bounce.wav", "guncock.wav"}));
    EXPECT_EQ(screen->lStatus()->text(), "");
    EXPECT_EQ(screen->ProgressBar1()->value(), 0);
}

TEST_F(TfInstallTest, ARefusedLevelStaysAvailableAndDeselectedWhileTheOthersGoOn)
{
    addLevels({level("Alpha", "alpha"), level("Bravo", "bravo", "5000000"), level("Charlie", "charlie")});
    auto screen = showScreen();
    select(screen->lbAvailable, {"Alpha", "Bravo", "Charlie"});
    // While a level is being installed it stands in the installed list.
    bool bravoListedWhileInstalling = false;
    PaintedStatus painted;
    painted.onPaint = [&](const QString& text) {
        if (text == "Installing Bravo")
            bravoListedWhileInstalling = titles(screen->lbInstalled).contains("Bravo");
    };
    screen->lStatus()->installEventFilter(&painted);
    click(*screen, 1);
    EXPECT_TRUE(bravoListedWhileInstalling);
    EXPECT_EQ(titles(screen->lbInstalled), (QStringList{"Alpha", "Charlie"}));
    EXPECT_EQ(titles(screen->lbAvailable), QStringList{"Bravo"});
    EXPECT_TRUE(screen->lbAvailable->selectedItems().isEmpty());
    EXPECT_EQ(screen->lStatus()->text(), "") << "the third installation succeeded after the refusal";
    EXPECT_TRUE(painted.seen.contains("Insufficient disk space"));
}

TEST_F(TfInstallTest, InstallAllStopsAtTheFirstRefusal)
{
    addLevels({level("Alpha", "alpha"), level("Bravo", "bravo", "5000000"), level("Charlie", "charlie"),
               level("Delta", "delta"), level("Echo", "echo")});
    auto screen = showScreen();
    click(*screen, 2);
    EXPECT_EQ(titles(screen->lbInstalled), QStringList{"Alpha"});
    EXPECT_EQ(titles(screen->lbAvailable), (QStringList{"Bravo", "Charlie", "Delta", "Echo"}));
    EXPECT_EQ(screen->lStatus()->text(), "Insufficient disk space");
}

TEST_F(TfInstallTest, RemoveAllEmptiesTheInstalledListWithoutACueOfItsOwn)
{
    addLevels({level("Alpha", "alpha"), level("Bravo", "bravo")});
    auto screen = showScreen();
    click(*screen, 2);
    ASSERT_EQ(titles(screen->lbInstalled), (QStringList{"Alpha", "Bravo"}));
    LevelWorld::write(world->mapsPath("alpha1.bsp"), "the user's own edit");
    world->log.events.clear();
    click(*screen, 7);
    EXPECT_TRUE(titles(screen->lbInstalled).isEmpty());
    EXPECT_EQ(titles(screen->lbAvailable), (QStringList{"Alpha", "Bravo"}));
    EXPECT_EQ(world->log.only("cue ").first(), "dsight.wav") << "no click cue before the first removal";
    EXPECT_EQ(world->mapsFiles(), QStringList{"alpha1.bsp"});
    EXPECT_EQ(screen->lStatus()->text(), "Kept 1 changed file") << "told once every level is removed";
}

TEST_F(TfInstallTest, AnActionWithNothingSelectedStillFindsQuake)
{
    addLevels({level("Alpha", "alpha")});
    auto screen = showScreen();
    PaintedStatus painted;
    screen->lStatus()->installEventFilter(&painted);
    click(*screen, 1);
    EXPECT_EQ(painted.seen.value(0), "Searching for Quake");
    EXPECT_EQ(world->shell->KnownQuakeDir, "c:\\quake\\");
    EXPECT_EQ(titles(screen->lbAvailable), QStringList{"Alpha"});
}

TEST_F(TfInstallTest, QuakeNotFoundLeavesBothListsAsTheyAre)
{
    addLevels({level("Alpha", "alpha")});
    QFile::remove(world->quakePath("quake.exe"));
    auto screen = showScreen();
    select(screen->lbAvailable, {"Alpha"});
    click(*screen, 1);
    EXPECT_EQ(titles(screen->lbAvailable), QStringList{"Alpha"});
    EXPECT_TRUE(titles(screen->lbInstalled).isEmpty());
    EXPECT_EQ(screen->lStatus()->text(), "");
    EXPECT_EQ(world->log.only("cue ").count("guncock.wav"), 1);
}

TEST_F(TfInstallTest, DraggingOneOfSeveralSelectedEntriesMovesThemAll)
{
    addLevels({level("Alpha", "alpha"), level("Bravo", "bravo"), level("Charlie", "charlie"), level("Delta", "delta")});
    auto screen = showScreen();
    select(screen->lbAvailable, {"Alpha", "Bravo", "Charlie"});
    // A plain press on a selected entry keeps the selection.
    const QRect bravo = screen->lbAvailable->visualItemRect(screen->lbAvailable->item(1));
    QTest::mousePress(screen->lbAvailable->viewport(), Qt::LeftButton, {}, bravo.center());
    EXPECT_EQ(screen->lbAvailable->selectedItems().size(), 3);
    drop(screen->lbAvailable, screen->lbInstalled);
    QTest::mouseRelease(screen->lbAvailable->viewport(), Qt::LeftButton, {}, bravo.center());
    EXPECT_EQ(titles(screen->lbInstalled), (QStringList{"Alpha", "Bravo", "Charlie"}));
    EXPECT_EQ(titles(screen->lbAvailable), QStringList{"Delta"});
}

TEST_F(TfInstallTest, APlainPressOnAnUnselectedEntryDragsThatEntryAlone)
{
    addLevels({level("Alpha", "alpha"), level("Bravo", "bravo"), level("Charlie", "charlie")});
    auto screen = showScreen();
    select(screen->lbAvailable, {"Alpha", "Bravo"});
    const QRect charlie = screen->lbAvailable->visualItemRect(screen->lbAvailable->item(2));
    QTest::mousePress(screen->lbAvailable->viewport(), Qt::LeftButton, {}, charlie.center());
    EXPECT_EQ(screen->lbAvailable->selectedItems().size(), 1);
    QCoreApplication::processEvents();
    drop(screen->lbAvailable, screen->lbInstalled);
    EXPECT_EQ(titles(screen->lbInstalled), QStringList{"Charlie"});
    // A press, here a user's selection change, plays the list's cue.
    EXPECT_EQ(world->log.only("cue ").value(0), "ric3.wav");
}

TEST_F(TfInstallTest, ADropBackOnTheSameListDoesNothing)
{
    addLevels({level("Alpha", "alpha"), level("Bravo", "bravo")});
    auto screen = showScreen();
    select(screen->lbAvailable, {"Alpha"});
    drop(screen->lbAvailable, screen->lbAvailable);
    EXPECT_EQ(titles(screen->lbAvailable), (QStringList{"Alpha", "Bravo"}));
    EXPECT_TRUE(world->log.events.isEmpty());
    // Removing by a drag from the installed list works the other way round.
    click(*screen, 2);
    select(screen->lbInstalled, {"Bravo"});
    drop(screen->lbInstalled, screen->lbAvailable);
    EXPECT_EQ(titles(screen->lbInstalled), QStringList{"Alpha"});
}

TEST_F(TfInstallTest, TheArrowsLookNormalOnEveryShow)
{
    addLevels({level("Alpha", "alpha")});
    auto screen = showScreen();
    ImageButton* arrow = screen->image(1);
    const auto leftColour = [arrow] { return arrow->grab().toImage().pixelColor(5, 5); };
    EXPECT_EQ(leftColour(), QColor(Qt::blue));
    QTest::mousePress(arrow, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(leftColour(), QColor(Qt::yellow)) << "a press copies the pressed half";
    screen->hide();
    screen->show();
    EXPECT_EQ(leftColour(), QColor(Qt::blue));
}

TEST_F(TfInstallTest, AUsersClickInAListPlaysItsCueAndShowsThatLevel)
{
    addLevels({level("Alpha", "alpha"), level("Bravo", "bravo")});
    auto screen = showScreen();
    const QRect bravo = screen->lbAvailable->visualItemRect(screen->lbAvailable->item(1));
    QTest::mouseClick(screen->lbAvailable->viewport(), Qt::LeftButton, {}, bravo.center());
    QCoreApplication::processEvents();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(" ").toStdString();
    EXPECT_EQ(world->log.only("cue "), QStringList{"ric3.wav"});
    EXPECT_EQ(screen->eLevelName->text(), "d:\\levels\\bravo");
}

TEST_F(TfInstallTest, AnErrorMidwayLeavesTheLevelInTheListItsRecordSays)
{
    addLevels({level("Alpha", "alpha"), level("Bravo", "bravo")});
    auto screen = showScreen();
    world->files->failCreate = {"bravo1.bsp"};
    select(screen->lbAvailable, {"Alpha", "Bravo"});
    click(*screen, 1);
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages.first().startsWith("I/O error")) << errors.messages.first().toStdString();
    EXPECT_EQ(titles(screen->lbInstalled), QStringList{"Alpha"});
    EXPECT_EQ(titles(screen->lbAvailable), QStringList{"Bravo"});

    // A removal that fails before anything is deleted leaves the level
    // installed.
    QFile::remove(world->cdPath("levels/desc/alphaa.txt"));
    select(screen->lbInstalled, {"Alpha"});
    errors.messages.clear();
    click(*screen, 3);
    EXPECT_EQ(errors.messages, QStringList{"Cannot open file levels\\desc\\alphaa.txt"});
    EXPECT_EQ(titles(screen->lbInstalled), QStringList{"Alpha"});
    EXPECT_EQ(titles(screen->lbAvailable), QStringList{"Bravo"});
}

TEST_F(TfInstallTest, HelpOpensTheViewerAndMainCloses)
{
    addLevels({level("Alpha", "alpha")});
    auto screen = showScreen();
    click(*screen, 5);
    EXPECT_EQ(documents, QStringList{"help.rtf"});
    click(*screen, 6);
    EXPECT_FALSE(screen->isVisible());
    EXPECT_EQ(world->log.only("cue "), (QStringList{"guncock.wav", "guncock.wav"}));
}

} // namespace
