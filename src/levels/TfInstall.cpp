#include "levels/TfInstall.h"

#include "levels/LevelCatalogue.h"
#include "levels/LevelShelf.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "shell/LevelList.h"
#include "shell/Shell.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace umbraxis {

namespace {

const QColor kYellow(255, 255, 0);
const QColor kAqua(0, 255, 255);

// The arrow buttons and the bitmaps that hold both of their looks.
struct Arrow {
    int number;
    const char* bitmap;
};
constexpr Arrow kArrows[] = {{1, "bright"}, {2, "b2right"}, {3, "bleft"}, {7, "b2left"}};

} // namespace

TfInstall::TfInstall(const Services& services, Shell& shell, LevelShelf& shelf, QWidget* parent)
    : Screen(services, &shell, QSize(640, 480), parent)
    , m_shelf(shelf)
    , m_progress(this, QRect(88, 336, 201, 17), QRect(40, 360, 257, 15))
    , m_locator(services, shell, m_progress)
    , m_installer({*services.settings, *services.files, shell, m_progress, shelf, m_locator,
                   [this](const LevelDetails& details) { showDetails(details); }})
{
    setObjectName(QStringLiteral("fInstall"));
    setWindowTitle(QStringLiteral("Umbraxis"));
    setFont(fontOf({"MS Sans Serif", 14, Qt::black}));
    createLabels();
    createLists();
    createButtons({
        {1, {152, 128, 27, 27}, "Install Selected Level(s)", nullptr, [this] { Image1Click(); }, true},
        {2, {152, 168, 27, 27}, "Install All Levels", nullptr, [this] { Image2Click(); }, true},
        {3, {152, 208, 27, 27}, "Uninstall Selected Level(s)", nullptr, [this] { Image3Click(); }, true},
        {7, {152, 248, 27, 27}, "Uninstall All Levels", nullptr, [this] { Image7Click(); }, true},
        {5, {158, 405, 134, 27}, "Display Help", "help", [this] { Image5Click(); }},
        {6, {351, 405, 134, 27}, "Return To Main Menu", "main", [this] { Image6Click(); }},
    });
    createDetails();
    // The panels of the Help and Main buttons can take the keyboard focus,
    // after the two lists.
    for (int number : {5, 6})
        panel(number)->setFocusPolicy(Qt::TabFocus);
    setTabOrder(lbAvailable, lbInstalled);
    setTabOrder(lbInstalled, panel(5));
    setTabOrder(panel(5), panel(6));
}

TfInstall::~TfInstall() = default;

void TfInstall::createLabels()
{
    addLabel("Label4", {32, 80, 0, 0}, QStringLiteral("Available Levels"), {"MS Sans Serif", 13, kYellow});
    addLabel("Label5", {192, 80, 0, 0}, QStringLiteral("Installed Levels"), {"MS Sans Serif", 13, kYellow});
    addLabel("Label2", {320, 80, 93, 16}, QStringLiteral("Author"), {"MS Sans Serif", 11, kYellow});
    addLabel("Label3", {320, 192, 93, 16}, QStringLiteral("Description"), {"MS Sans Serif", 11, kYellow});
    addLabel("Label1", {320, 336, 117, 16}, QStringLiteral("Directory on CD-ROM"), {"MS Sans Serif", 11, kYellow});
    addLabel("Label6", {40, 336, 0, 0}, QStringLiteral("Status:"), {"MS Sans Serif", 14, kAqua});
}

void TfInstall::createLists()
{
    const QFont listFont = fontOf({"MS Sans Serif", 11, Qt::black});
    const auto make = [&](const char* name, const QRect& place, const char* hint) {
        auto* list = new LevelList(titleLess, this);
        list->setObjectName(QString::fromLatin1(name));
        list->setGeometry(place);
        list->setFont(listFont);
        list->setToolTip(QString::fromLatin1(hint));
        return list;
    };
    lbAvailable = make("lbAvailable", {32, 96, 113, 225}, "Available Levels");
    lbInstalled = make("lbInstalled", {184, 96, 113, 225}, "Installed Levels");
    lbAvailable->setDropSource(lbInstalled);
    lbInstalled->setDropSource(lbAvailable);
    // The click is handled once the list has also moved its current entry.
    connect(
        lbAvailable, &LevelList::selectionChangedByUser, this,
        [this] { guard([this] { lbAvailableClick(lbAvailable); }); }, Qt::QueuedConnection);
    connect(
        lbInstalled, &LevelList::selectionChangedByUser, this,
        [this] { guard([this] { lbAvailableClick(lbInstalled); }); }, Qt::QueuedConnection);
    // A drop runs its action once the drag is over.
    connect(
        lbAvailable, &LevelList::droppedFrom, this,
        [this](LevelList* source) { guard([this, source] { lbAvailableDragDrop(source); }); }, Qt::QueuedConnection);
    connect(
        lbInstalled, &LevelList::droppedFrom, this,
        [this](LevelList* source) { guard([this, source] { lbInstalledDragDrop(source); }); }, Qt::QueuedConnection);
}

void TfInstall::createDetails()
{
    const auto memo = [&](const char* name, const QRect& place, const char* hint) {
        auto* box = new QPlainTextEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setGeometry(place);
        box->setReadOnly(true);
        box->setToolTip(QString::fromLatin1(hint));
        box->setFont(font());
        return box;
    };
    mAuthor = memo("mAuthor", {320, 96, 281, 81}, "Author Information For Selected Level");
    mDescription = memo("mDescription", {320, 208, 289, 113}, "Description For Selected Level");
    eLevelName = new QLineEdit(this);
    eLevelName->setObjectName(QStringLiteral("eLevelName"));
    eLevelName->setGeometry(320, 352, 161, 23);
    eLevelName->setReadOnly(true);
    eLevelName->setToolTip(QStringLiteral("Directory On CD-ROM Where Selected Level Is Stored"));
    // The details never take the keyboard focus from the lists.
    for (QWidget* box : std::initializer_list<QWidget*>{mAuthor, mDescription, eLevelName})
        box->setFocusPolicy(Qt::ClickFocus);
}

void TfInstall::FormCreate()
{
    setBlackBackground();
    m_shelf.readWorkingDir(*services().files);
    LoadCatalogue(QStringLiteral("levels"));
    setBackground(loadPicture(QStringLiteral("images\\finstall.bmp")));
    loadNormalPicture(5);
    loadPressedPicture(5);
    loadNormalPicture(6);
    loadPressedPicture(6);
    for (int i = 0; i < 4; ++i)
        m_arrows[i] = loadPixmap(QStringLiteral("images\\%1.bmp").arg(QLatin1String(kArrows[i].bitmap)));
}

void TfInstall::FormShow()
{
    image(5)->showNormalPicture();
    image(6)->showNormalPicture();
    m_shelf.readWorkingDir(*services().files);
    // A fresh copy of each arrow's bitmap undoes any pressed look.
    for (int i = 0; i < 4; ++i)
        image(kArrows[i].number)->setSplitPicture(m_arrows[i]);
    PlaceOverMain();
}

void TfInstall::FormDestroy()
{
    m_shelf.UnloadCatalogue();
    setBackground(QImage());
    freeButtonPictures();
    for (QPixmap& arrow : m_arrows)
        arrow = QPixmap();
}

void TfInstall::LoadCatalogue(const QString& baseName)
{
    if (!services().files->fileExists(baseName + QStringLiteral(".csv")) || baseName == m_shelf.CatalogueName)
        return;
    lbAvailable->clear();
    const std::optional<CatalogueLists> lists = m_shelf.LoadCatalogue(*services().files, *services().settings,
                                                                      baseName);
    if (!lists)
        return;
    for (const QString& title : lists->installed)
        lbInstalled->addTitle(title);
    for (const QString& title : lists->available)
        lbAvailable->addTitle(title);
    // The first entry has the list's focus (it is not selected) and its
    // details are shown.
    LevelList* first = lbAvailable->count() > 0 ? lbAvailable : lbInstalled;
    if (first->count() > 0) {
        first->setCurrentRowQuietly(0);
        ShowLevelDetails(first->title(0));
    }
    update();
}

void TfInstall::ShowLevelDetails(const QString& title)
{
    if (const std::optional<LevelDetails> details = m_shelf.details(*services().files, title))
        showDetails(*details);
}

void TfInstall::showDetails(const LevelDetails& details)
{
    eLevelName->setText(details.directory.toLower());
    mAuthor->setPlainText(details.author);
    mDescription->setPlainText(details.description);
}

void TfInstall::lbAvailableClick(LevelList* list)
{
    shell().PlayCue(QStringLiteral("ric3.wav"));
    if (list->currentItem())
        ShowLevelDetails(list->currentItem()->text());
}

void TfInstall::putBack(const QString& title, LevelList* from, int row, LevelList* to)
{
    const bool installed
        = !services().settings->ReadSetting(title, QStringLiteral("LevelFileName"), QString()).isEmpty();
    const bool belongsInTarget = installed == (to == lbInstalled);
    if (belongsInTarget)
        from->removeRow(row);
    else
        to->removeTitle(title);
}

void TfInstall::Image1Click()
{
    shell().PlayCue(QStringLiteral("guncock.wav"));
    if (findQuake().isEmpty())
        return;
    for (int row = lbAvailable->firstSelectedRow(); row >= 0; row = lbAvailable->firstSelectedRow()) {
        const QString title = lbAvailable->title(row);
        lbInstalled->addTitle(title);
        bool installed = false;
        try {
            installed = m_installer.Install(title);
        } catch (...) {
            guard([&] { putBack(title, lbAvailable, row, lbInstalled); });
            throw;
        }
        if (installed) {
            lbAvailable->removeRow(row);
        } else {
            lbInstalled->removeTitle(title);
            lbAvailable->setRowSelected(row, false);
        }
    }
}

void TfInstall::Image2Click()
{
    shell().PlayCue(QStringLiteral("guncock.wav"));
    if (findQuake().isEmpty())
        return;
    while (lbAvailable->count() > 0) {
        const QString title = lbAvailable->title(0);
        lbInstalled->addTitle(title);
        bool installed = false;
        try {
            installed = m_installer.Install(title);
        } catch (...) {
            guard([&] { putBack(title, lbAvailable, 0, lbInstalled); });
            throw;
        }
        if (!installed) {
            lbInstalled->removeTitle(title);
            return;
        }
        lbAvailable->removeRow(0);
    }
}

void TfInstall::Image3Click()
{
    shell().PlayCue(QStringLiteral("guncock.wav"));
    if (findQuake().isEmpty())
        return;
    int kept = 0;
    for (int row = lbInstalled->firstSelectedRow(); row >= 0; row = lbInstalled->firstSelectedRow()) {
        const QString title = lbInstalled->title(row);
        lbAvailable->addTitle(title);
        try {
            kept += m_installer.UnInstall(title);
        } catch (...) {
            guard([&] { putBack(title, lbInstalled, row, lbAvailable); });
            throw;
        }
        lbInstalled->removeRow(row);
    }
    showKept(kept);
}

void TfInstall::Image7Click()
{
    if (findQuake().isEmpty())
        return;
    int kept = 0;
    while (lbInstalled->count() > 0) {
        const QString title = lbInstalled->title(0);
        lbAvailable->addTitle(title);
        try {
            kept += m_installer.UnInstall(title);
        } catch (...) {
            guard([&] { putBack(title, lbInstalled, 0, lbAvailable); });
            throw;
        }
        lbInstalled->removeRow(0);
    }
    showKept(kept);
}

void TfInstall::showKept(int kept)
{
    // Each removal reports its own; the line ends with all of them.
    if (kept > 0)
        m_progress.setStatus(LevelInstaller::keptStatus(kept));
}

void TfInstall::Image5Click()
{
    shell().PlayCue(QStringLiteral("guncock.wav"));
    shell().ShowDocument(QStringLiteral("help.rtf"));
}

void TfInstall::Image6Click()
{
    shell().PlayCue(QStringLiteral("guncock.wav"));
    Close();
}

void TfInstall::lbAvailableDragDrop(LevelList* source)
{
    if (source == lbInstalled)
        Image3Click();
}

void TfInstall::lbInstalledDragDrop(LevelList* source)
{
    if (source == lbAvailable)
        Image1Click();
}

} // namespace umbraxis
