#include "shell/Application.h"

#include "platform/AppError.h"
#include "platform/ErrorBox.h"

#include <QFont>

#include <cstdio>

namespace umbraxis {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    installFontSubstitutes();
}

void installFontSubstitutes()
{
    // The screens name the fonts of the desktop they were drawn for; these
    // metric-compatible families keep every label's text at the width and
    // height its place was made for.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"), QStringLiteral("Cousine")});
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
