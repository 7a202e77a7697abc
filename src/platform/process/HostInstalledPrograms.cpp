#include "platform/process/HostInstalledPrograms.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace umbraxis {

namespace {

// A regular file (links followed) that this user may run.
bool isExecutableFile(const QString& path)
{
    const QByteArray host = QFile::encodeName(path);
    struct stat st { };
    return ::stat(host.constData(), &st) == 0 && S_ISREG(st.st_mode) && ::access(host.constData(), X_OK) == 0;
}

} // namespace

HostInstalledPrograms::Folders HostInstalledPrograms::Folders::current()
{
    Folders folders;
    folders.path = qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders.path << QStringLiteral("/usr/local/games") << QStringLiteral("/usr/games");
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!dataHome.startsWith(QLatin1Char('/')))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    folders.flatpak << dataHome + QStringLiteral("/flatpak/exports/bin")
                    << QStringLiteral("/var/lib/flatpak/exports/bin");
    return folders;
}

HostInstalledPrograms::HostInstalledPrograms(Folders folders)
    : m_folders(std::move(folders))
{
}

QString HostInstalledPrograms::onPath(const QString& name) const
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return QString();
    for (const QString& folder : m_folders.path) {
        // A relative entry would find programs in whatever folder the
        // program happens to be in, the CD's among them.
        if (!folder.startsWith(QLatin1Char('/')))
            continue;
        const QString candidate = QDir::cleanPath(folder + QLatin1Char('/') + name);
        if (isExecutableFile(candidate))
            return candidate;
    }
    return QString();
}

QString HostInstalledPrograms::flatpak(const QString& name) const
{
    if (name.isEmpty())
        return QString();
    const QString ending = QLatin1Char('.') + name;
    for (const QString& folder : m_folders.flatpak) {
        const QDir exports(folder);
        for (const QString& id : exports.entryList(QDir::Files | QDir::System, QDir::Name)) {
            if (id.endsWith(ending, Qt::CaseInsensitive) && isExecutableFile(exports.filePath(id)))
                return exports.filePath(id);
        }
    }
    return QString();
}

} // namespace umbraxis
