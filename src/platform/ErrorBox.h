#pragma once

#include <QString>

namespace umbraxis {

// The standard error box: caption "Umbraxis", a stop icon, the message
// followed by ".", and an OK button.
class ErrorBox {
public:
    virtual ~ErrorBox() = default;
    virtual void show(const QString& message) = 0;
};

} // namespace umbraxis
