#include "screens/TfAbout.h"

#include "screens/AboutTexts.h"
#include "screens/PictureLabel.h"
#include "screens/Tips.h"
#include "shell/Shell.h"

#include <QLabel>
#include <QMouseEvent>

namespace umbraxis {

namespace {

const QColor kYellow(255, 255, 0);
const QColor kAqua(0, 255, 255);

} // namespace

TfAbout::TfAbout(const Services& services, Shell& shell, TipRandom& random, QWidget* parent)
    : Screen(services, &shell, QSize(640, 480), parent)
    , m_random(random)
{
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("Umbraxis"));
    lVersion = addLabel("lVersion", {36, 83, 0, 0}, QStringLiteral("version "), {"MS Sans Serif", 11, kYellow});
    lCredits = addPictureLabel("lCredits", {48, 104, 265, 281}, "lCredits", {"Arial", 13, kAqua});
    lInfo = addPictureLabel("lInfo", {336, 12, 273, 173}, "lInfo", {"Arial", 13, kAqua});
    addLabel("Label2", {342, 190, 0, 0}, QStringLiteral("Quake Tip of the Day"), {"MS Sans Serif", 13, Qt::red});
    lTip = addPictureLabel("lTip", {344, 211, 262, 158}, "lTip", {"MS Sans Serif", 13, Qt::white});
    lTip->setToolTip(QStringLiteral("Click For Another Tip"));
    lTip->installEventFilter(this);
    Label4 = addLabel("Label4", {242, 464, 199, 17}, aboutLegalNotice(), {"Arial", 13, kYellow});
    // The screen's buttons show no hints; only the tip does.
    setShowHints(false);
    createButtons({
        {1, {158, 405, 134, 27}, "Display Help", "help", [this] { Image1Click(); }},
        {2, {351, 405, 134, 27}, "Return To Previous Screen", "main", [this] { Image2Click(); }},
    });
}

PictureLabel* TfAbout::addPictureLabel(const char* name, const QRect& place, const char* text, const LabelStyle& style)
{
    auto* label = new PictureLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setFont(fontOf(style));
    label->setColour(style.colour);
    label->setText(QString::fromLatin1(text));
    return label;
}

void TfAbout::FormCreate()
{
    setBlackBackground();
    setBackground(loadPicture(QStringLiteral("images\\fabout.bmp")));
    loadPressedPicture(2);
    loadNormalPicture(2);
    loadPressedPicture(1);
    loadNormalPicture(1);
    lVersion->setText(lVersion->text() + shell().VersionText);
    lVersion->adjustSize();
}

void TfAbout::FormShow()
{
    m_random.reseedFromClock();
    lTip->setText(PickTip(*services().files, m_random));
    lInfo->setText(aboutInfoText());
    lCredits->setText(aboutCreditsText());
    showNormalPictures();
    PlaceOverMain();
}

void TfAbout::FormDestroy()
{
    setBackground(QImage());
    freeButtonPictures();
}

void TfAbout::lTipClick()
{
    lTip->setText(PickTip(*services().files, m_random));
}

void TfAbout::Image1Click()
{
    shell().PlayCue(QStringLiteral("guncock.wav"));
    shell().ShowDocument(QStringLiteral("help.rtf"));
}

void TfAbout::Image2Click()
{
    shell().PlayCue(QStringLiteral("guncock.wav"));
    Close();
}

bool TfAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lTip && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        guard([this] { lTipClick(); });
        return true;
    }
    return Screen::eventFilter(watched, event);
}

} // namespace umbraxis
