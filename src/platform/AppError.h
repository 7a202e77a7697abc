#pragma once

#include <QString>
#include <stdexcept>

namespace umbraxis {

// An error that reaches the user: its message is the exact text shown in the
// standard error box (which adds the closing full stop).
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }

    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// Fills "%s" (or "%d") in one of the program's message templates.
inline QString formatMessage(QString templ, const QString& value)
{
    qsizetype at = templ.indexOf(QLatin1String("%s"));
    if (at < 0)
        at = templ.indexOf(QLatin1String("%d"));
    if (at >= 0)
        templ.replace(at, 2, value);
    return templ;
}

} // namespace umbraxis
