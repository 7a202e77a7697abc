#include "shell/Application.h"

#include "platform/AppError.h"
#include "platform/ErrorBox.h"

#include <cstdio>

namespace umbraxis {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showError(m_errors, error);
        return true;
    }
}

ErrorBox* applicationErrorBox()
{
    auto* app = qobject_cast<Application*>(QCoreApplication::instance());
    return app ? app->errorBox() : nullptr;
}

void showError(ErrorBox* errors, const std::exception& error)
{
    QString text;
    if (auto* appError = dynamic_cast<const AppError*>(&error))
        text = appError->message();
    else
        text = QString::fromLocal8Bit(error.what());
    if (errors)
        errors->show(text);
    else
        std::fprintf(stderr, "Umbraxis: %s.\n", qPrintable(text));
}

} // namespace umbraxis
