#pragma once

#include "platform/Desktop.h"
#include "platform/ErrorBox.h"

namespace umbraxis {

// The standard error box as a modal message box.
class MessageErrorBox : public ErrorBox {
public:
    void show(const QString& message) override;
};

class QtDesktop : public Desktop {
public:
    ~QtDesktop() override;
    void beep() override;
    void setWaitCursor(bool on) override;
    bool placesWindowsItself() const override;

private:
    bool m_waiting = false;
};

} // namespace umbraxis
