#pragma once

#include <QString>

namespace umbraxis {

// The status line and progress bar through which a long operation (the drive
// walk, an installation, a removal, a launch) shows the user what it does.
// Every change is on the screen before the call returns, so the user sees the
// steps even though the operation never hands the thread back.
class Progress {
public:
    virtual ~Progress() = default;

    virtual void setStatus(const QString& text) = 0;
    virtual QString status() const = 0;
    // The bar moves to (position + 10) mod 100: a sign of activity, not a
    // fraction done.
    virtual void ProgressStep() = 0;
    virtual void setPosition(int position) = 0;
    virtual int position() const = 0;
    // Repaints at once whatever on the screen needs it (new details shown by
    // the operation, for example).
    virtual void repaintNow() = 0;
    // What the status line says once a search for Quake is over, found or
    // not: the run screen says "Ready", the install screen nothing.
    virtual QString statusAfterSearch() const { return QString(); }
};

} // namespace umbraxis
