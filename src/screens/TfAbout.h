#pragma once

#include "shell/Screen.h"

class QLabel;

namespace umbraxis {

class PictureLabel;
class TipRandom;

// The about screen: the version, the credits with a word about Quake, the
// maker's contact lines and a tip of the day that changes when clicked.
class TfAbout : public Screen {
    Q_OBJECT
public:
    TfAbout(const Services& services, Shell& shell, TipRandom& random, QWidget* parent = nullptr);

    void FormCreate() override;
    void FormShow() override;
    void FormDestroy() override;
    void lTipClick();
    void Image1Click(); // help
    void Image2Click(); // back

    QLabel* lVersion = nullptr;
    PictureLabel* lCredits = nullptr;
    PictureLabel* lInfo = nullptr;
    PictureLabel* lTip = nullptr;
    QLabel* Label4 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PictureLabel* addPictureLabel(const char* name, const QRect& place, const char* text, const LabelStyle& style);

    TipRandom& m_random;
};

} // namespace umbraxis
