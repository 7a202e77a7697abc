#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace umbraxis {

// One picture of the CD: its path below the CD root (forward slashes) and its
// true-colour artwork, before it is reduced to the CD palette.
struct CdPicture {
    QString path;
    QImage image;
};

enum class ButtonLook { Normal, Pressed };

// Every picture of the CD: the six backgrounds, all button pairs, the split arrow
// bitmaps and the still logo.
QList<CdPicture> drawCdPictures();

QImage drawMenuButton(const QString& caption, ButtonLook look);                                    // 134 x 27
QImage drawExitButton(ButtonLook look);                                                            // 83 x 73
QImage drawModeButton(const QString& caption, const QString& subtitle, int icon, ButtonLook look); // 260 x 60
QImage drawArrowBitmap(bool pointsRight, bool twoHeads); // 54 x 27, normal | pressed

QImage drawMainBackground();
QImage drawInstallBackground();
QImage drawBriefBackground();
QImage drawViewBackground();
QImage drawAboutBackground();
QImage drawSplashBackground();

// One frame of the logo intro at `seconds` into a run of `totalSeconds`.
QImage drawLogoFrame(QSize size, double seconds, double totalSeconds);

} // namespace umbraxis
