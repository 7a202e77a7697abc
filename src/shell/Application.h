#pragma once

#include <QApplication>

namespace umbraxis {

class ErrorBox;

// The application object. Errors that escape an event handler end that
// handler; they are shown in the standard error box and the event loop
// carries on.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    void setErrorBox(ErrorBox* errors) { m_errors = errors; }
    ErrorBox* errorBox() const { return m_errors; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    ErrorBox* m_errors = nullptr;
};

// Runs `handler` and shows any error it raises in `errors`; returns false
// when it failed. Used around creation and show handlers.
template <typename Handler>
bool runGuarded(ErrorBox* errors, Handler&& handler);

void showError(ErrorBox* errors, const std::exception& error);

// The error box of the running application object; null without one.
// Event handlers catch their errors at their own edge and show them here,
// so that no exception has to travel through the toolkit's own frames.
ErrorBox* applicationErrorBox();

template <typename Handler>
bool runGuarded(ErrorBox* errors, Handler&& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& error) {
        showError(errors, error);
        return false;
    }
}

} // namespace umbraxis
