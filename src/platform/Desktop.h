#pragma once

namespace umbraxis {

// Small desktop services: the warning beep and the application-wide cursor.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual void beep() = 0;
    // While set, every window of the program shows the hourglass cursor.
    virtual void setWaitCursor(bool on) = 0;
    // Whether the window system places every window itself, so that the
    // program cannot put one window exactly over another (Wayland).
    virtual bool placesWindowsItself() const { return false; }
};

} // namespace umbraxis
