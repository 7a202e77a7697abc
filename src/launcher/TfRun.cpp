#include "launcher/TfRun.h"

#include "levels/LevelCatalogue.h"
#include "levels/LevelShelf.h"
#include "platform/SettingsStore.h"
#include "shell/LevelList.h"
#include "shell/Shell.h"

#include <QLabel>

namespace umbraxis {

TfRun::TfRun(const Services& services, Shell& shell, LevelShelf& shelf, QWidget* parent)
    : Screen(services, &shell, QSize(640, 480), parent)
    , m_shelf(shelf)
    , m_progress(this, QRect(344, 320, 201, 17), QRect(296, 344, 257, 15), QStringLiteral("Ready"))
    , m_locator(services, shell, m_progress)
    , m_launcher(
          {*services.settings, *services.files, shell, m_progress, m_locator, *services.processes, services.programs})
{
    setObjectName(QStringLiteral("fRun"));
    setWindowTitle(QStringLiteral("Umbraxis"));
    Label1 = addLabel("Label1", {168, 44, 278, 29}, QStringLiteral("NO LEVELS INSTALLED"),
                      {"Arial", 24, Qt::white, true});
    // Sized to its text, which the font the screen gets may draw wider
    // than the place it was laid out for.
    addLabel("Label6", {296, 320, 0, 0}, QStringLiteral("Status:"), {"MS Sans Serif", 14, QColor(0, 255, 255)});

    ListBox1 = new LevelList(titleLess, this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(48, 88, 201, 273);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setDraggable(false);
    ListBox1->setRowHeight(16);
    ListBox1->setFont(fontOf({"MS Sans Serif", 13, Qt::black}));
    ListBox1->setToolTip(QStringLiteral("Click on a level to select it"));
    connect(ListBox1, &LevelList::selectionChangedByUser, this, [this] { guard([this] { ListBox1Click(); }); });

    createButtons({
        {1, {292, 90, 260, 60}, "Run the selected level in Single Player mode", "runs", [this] { Image1Click(); }},
        {2, {292, 165, 260, 60}, "Run the selected level in DeathMatch mode", "rundm", [this] { Image2Click(); }},
        {5, {292, 240, 260, 60}, "Run the selected level in Coop mode", "runcp", [this] { Image5Click(); }},
        {3, {158, 405, 134, 27}, "Display Help", "help", [this] { Image3Click(); }},
        {4, {351, 405, 134, 27}, "Return to the Main screen", "main", [this] { Image4Click(); }},
    });
    // The run buttons look pressed only while there is something to run.
    for (int number : {1, 2, 5})
        image(number)->canPress = [this] { return ListBox1->count() > 0; };
}

void TfRun::FormCreate()
{
    setBlackBackground();
    setBackground(loadPicture(QStringLiteral("images\\finstall.bmp")));
    for (int number : {1, 2, 5, 3, 4}) {
        loadNormalPicture(number);
        loadPressedPicture(number);
    }
}

void TfRun::FormShow()
{
    ListBox1->clear();
    LevelCatalogue& catalogue = m_shelf.catalogue;
    for (catalogue.CatalogueFirst(); !catalogue.CatalogueAtEnd(); catalogue.CatalogueNext()) {
        const QString title = catalogue.CatalogueField(QStringLiteral("Title"));
        if (!services().settings->ReadSetting(title, QStringLiteral("LevelFileName"), QString()).isEmpty())
            ListBox1->addTitle(title);
    }
    if (ListBox1->count() > 0) {
        ListBox1->setCurrentRowQuietly(0);
        ListBox1->setRowSelected(0, true);
    }
    showNormalPictures();
    Label1->setVisible(ListBox1->count() == 0);
    PlaceOverMain();
}

void TfRun::FormDestroy()
{
    setBackground(QImage());
    freeButtonPictures();
}

void TfRun::ListBox1Click()
{
    shell().PlayCue(QStringLiteral("ric3.wav"));
}

void TfRun::runSelected(const QString& mode)
{
    const int row = ListBox1->firstSelectedRow();
    if (row >= 0)
        RunQuake(ListBox1->title(row), mode);
}

void TfRun::Image1Click()
{
    runSelected(GameMode::SinglePlayer);
}

void TfRun::Image2Click()
{
    runSelected(GameMode::Deathmatch);
}

void TfRun::Image5Click()
{
    runSelected(GameMode::Cooperative);
}

void TfRun::Image3Click()
{
    shell().ShowDocument(QStringLiteral("help.rtf"));
}

void TfRun::Image4Click()
{
    Close();
}

void TfRun::RunQuake(const QString& title, const QString& mode)
{
    m_launcher.RunQuake(title, mode);
}

} // namespace umbraxis
