#include "screens/TfSplash.h"

#include "platform/Desktop.h"
#include "screens/AboutTexts.h"
#include "screens/PictureLabel.h"
#include "screens/Tips.h"

#include <QCloseEvent>

namespace umbraxis {

TfSplash::TfSplash(const Services& services, TipRandom& random, QWidget* parent)
    : Screen(services, nullptr, QSize(420, 160), parent)
    , m_random(random)
{
    setObjectName(QStringLiteral("fSplash"));
    setWindowTitle(QStringLiteral("Umbraxis - loading"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setCursor(Qt::WaitCursor);
    addLabel("Label2", {234, 5, 0, 0}, QStringLiteral("Quake Tip of the Day"), {"MS Sans Serif", 13, Qt::red});
    lTip = new PictureLabel(this);
    lTip->setObjectName(QStringLiteral("lTip"));
    lTip->setGeometry(232, 24, 185, 129);
    lTip->setFont(fontOf({"MS Sans Serif", 11, Qt::white}));
    lTip->setColour(Qt::white);
    lTip->setText(QStringLiteral("lTip"));
    addLabel("Label3", {26, 123, 0, 0}, QStringLiteral("Please Wait, loading ..."), {"Arial", 16, QColor(0, 255, 255)});
    addLabel("Label1", {10, 140, 0, 0}, splashLegalNotice(), {"Arial", 13, QColor(255, 255, 0)});
}

TfSplash::~TfSplash() = default;

void TfSplash::FormCreate()
{
    setBlackBackground();
    setBackground(loadPicture(QStringLiteral("images\\fsplash.bmp")));
}

void TfSplash::FormShow()
{
    services().desktop->setWaitCursor(true);
    m_random.reseedFromClock();
    lTip->setText(PickTip(*services().files, m_random));
}

void TfSplash::FormHide()
{
    services().desktop->setWaitCursor(false);
}

void TfSplash::closeEvent(QCloseEvent* event)
{
    // Closing only hides the splash, which gives the normal cursor back.
    Screen::closeEvent(event);
    guard([this] { services().desktop->setWaitCursor(false); });
}

void TfSplash::FormDestroy()
{
    setBackground(QImage());
    services().desktop->setWaitCursor(false);
}

} // namespace umbraxis
