#pragma once

#include "shell/Screen.h"

namespace umbraxis {

class PictureLabel;
class TipRandom;

// The small picture in front while the program starts: "Please Wait,
// loading ..." and a tip of the day, with the hourglass for the whole
// program until it goes.
class TfSplash : public Screen {
    Q_OBJECT
public:
    TfSplash(const Services& services, TipRandom& random, QWidget* parent = nullptr);
    ~TfSplash() override;

    void FormCreate() override;
    void FormShow() override;
    void FormHide() override;
    void FormDestroy() override;

    PictureLabel* lTip = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TipRandom& m_random;
};

} // namespace umbraxis
