#include "screens/AboutTexts.h"

#include <QStringList>

namespace umbraxis {

namespace {

const QString LineEnd = QStringLiteral("\r\n");
const QString Indent = QStringLiteral("    ");

// The project manager also researched levels, so the name appears twice.
const QString ProjectManager = QStringLiteral("Oskar Venhollow");

} // namespace

QString aboutInfoText()
{
    const QStringList lines = {
        QStringLiteral("Corvantide"),
        QStringLiteral("1207 Lantern Quay Road"),
        QStringLiteral("Harrowmere, North Ostrand  Q0Z 9X9"),
        QStringLiteral("Ostrand"),
        QString(),
        QStringLiteral("tech: 555-0142 (weekdays 9am - 5pm)"),
        QStringLiteral("sales: 555-0187"),
        QStringLiteral("web: www.corvantide.example"),
        QStringLiteral("email: support@corvantide.example"),
    };
    // Every line ends with a line break, the last one included.
    QString text;
    for (const QString& line : lines)
        text += line + LineEnd;
    return text;
}

QString aboutCreditsText()
{
    const QStringList lines = {
        QStringLiteral("Producer"),
        Indent + QStringLiteral("Mirela Tosk"),
        QStringLiteral("Project Manager"),
        Indent + ProjectManager,
        QStringLiteral("Lead Programmer"),
        Indent + QStringLiteral("Ilse Marchbank"),
        QStringLiteral("Level Researchers and Developers"),
        Indent + ProjectManager,
        Indent + QStringLiteral("Teodor Quillon"),
        Indent + QStringLiteral("Brannagh Sefton"),
        QString(),
        QString(),
        QStringLiteral("This program and levels are in no way"),
        QStringLiteral("associated with id Software other"),
        QStringLiteral("than that the levels require id's"),
        QStringLiteral("Quake game (registered version) in"),
        QStringLiteral("order to run."),
    };
    // Line breaks only between lines: the label needs none after the last.
    return lines.join(LineEnd);
}

QString aboutLegalNotice()
{
    return QStringLiteral("\u00A9 Corvantide. All rights reserved.");
}

QString splashLegalNotice()
{
    return aboutLegalNotice();
}

} // namespace umbraxis
