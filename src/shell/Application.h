#pragma once

#include <QApplication>

namespace umbraxis {

class ErrorBox;

// The application object. Every handler of the program catches its own
// errors at its edge (see Screen::guard); an error that escapes one all the
// same is shown in the error box set here, as a last resort, and the event
// loop carries on.
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

// Maps the font names the screens use onto installed metric-compatible fonts.
void installFontSubstitutes();

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
