#include "platform/files/DriveMap.h"

#include "platform/WinPath.h"
#include "platform/files/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <unistd.h>

namespace umbraxis {

namespace {

// Removes repeated and trailing slashes; "/" stays "/".
QString cleanHostFolder(const QString& path)
{
    QString cleaned;
    cleaned.reserve(path.size());
    for (QChar c : path) {
        if (c == QLatin1Char('/') && cleaned.endsWith(QLatin1Char('/')))
            continue;
        cleaned += c;
    }
    while (cleaned.size() > 1 && cleaned.endsWith(QLatin1Char('/')))
        cleaned.chop(1);
    return cleaned;
}

QString unquote(QString value)
{
    value = value.trimmed();
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        value = value.mid(1, value.size() - 2);
    return value;
}

} // namespace

DriveMap::DriveMap(const std::map<QChar, QString>& folders)
{
    for (const auto& [letter, folder] : folders) {
        const int number = driveNumber(letter);
        if (number == 0 || !folder.startsWith(QLatin1Char('/')))
            continue;
        m_folders[number - 1] = cleanHostFolder(folder);
    }
}

QString DriveMap::defaultConfigFile()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !base.startsWith(QLatin1Char('/')))
        base = QDir::homePath() + QLatin1String("/.config");
    return base + QLatin1String("/Corvantide/drives.conf");
}

DriveMap DriveMap::load()
{
    return fromFile(defaultConfigFile());
}

DriveMap DriveMap::fromFile(const QString& configFile)
{
    // Only a regular file is read: a fifo under the name would wait for a
    // writer for ever.
    const std::optional<QByteArray> text = readSmallRegularFile(QFile::encodeName(configFile), 1 << 20);
    if (!text)
        return DriveMap({{QLatin1Char('c'), QStringLiteral("/")}});
    DriveMap map = parse(*text);
    map.m_file = configFile;
    return map;
}

DriveMap DriveMap::parse(const QByteArray& text)
{
    // A small reader of our own: QSettings' INI format would turn a folder
    // name holding a comma into a list.
    std::map<QChar, QString> folders;
    bool inDrives = false;
    for (const QByteArray& bytes : text.split('\n')) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inDrives = line.mid(1, line.size() - 2).trimmed().compare(QLatin1String("Drives"), Qt::CaseInsensitive)
                == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inDrives || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (key.size() != 1 || driveNumber(key[0]) == 0)
            continue;
        folders[key[0].toLower()] = unquote(line.mid(equals + 1));
    }
    return DriveMap(folders);
}

bool DriveMap::saveDrive(QChar letter) const
{
    const QString folder = this->folder(letter);
    // A name that holds a line break could not be read back as one value.
    if (m_file.isEmpty() || folder.isEmpty() || folder.contains(QLatin1Char('\n'))
        || folder.contains(QLatin1Char('\r')))
        return false;
    QFile old(m_file);
    if (!old.open(QIODevice::ReadOnly))
        return false;
    QByteArray content = old.readAll();
    old.close();
    if (!content.isEmpty() && !content.endsWith('\n'))
        content += '\n';
    // A section of its own, whatever section the file ends in; quoted, so
    // that blanks at either end of the folder's name stay.
    content += "[Drives]\n" + QString(letter.toLower()).toUtf8() + "=\"" + folder.toUtf8() + "\"\n";
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(content);
    return file.commit();
}

QString DriveMap::folder(QChar letter) const
{
    const int number = driveNumber(letter);
    return number == 0 ? QString() : m_folders[number - 1];
}

QString DriveMap::folder(int driveNumber) const
{
    return (driveNumber < 1 || driveNumber > 26) ? QString() : m_folders[driveNumber - 1];
}

void DriveMap::setFolder(QChar letter, const QString& folder)
{
    const int number = driveNumber(letter);
    if (number > 0 && folder.startsWith(QLatin1Char('/')))
        m_folders[number - 1] = folder;
}

QString DriveMap::toHost(const QString& programPath) const
{
    const WinPath path = WinPath::parse(programPath);
    if (!path.hasDrive())
        return QString();
    QString host = folder(path.drive);
    if (host.isEmpty())
        return QString();
    for (const QString& name : collapseDots(path.names)) {
        if (!host.endsWith(QLatin1Char('/')))
            host += QLatin1Char('/');
        host += name;
    }
    return host;
}

QString DriveMap::fromHost(const QString& hostPath) const
{
    if (!hostPath.startsWith(QLatin1Char('/')))
        return QString();
    QStringList names = collapseDots(hostPath.split(QLatin1Char('/'), Qt::SkipEmptyParts));
    const QString cleaned = QLatin1Char('/') + names.join(QLatin1Char('/'));

    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < 26; ++i) {
        const QString& root = m_folders[i];
        if (root.isEmpty())
            continue;
        const bool holds = root == QLatin1String("/") || cleaned == root || cleaned.startsWith(root + QLatin1Char('/'));
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best < 0)
        return QString();

    const QString rest = bestLength == 1 ? cleaned.mid(1) : cleaned.mid(bestLength + 1);
    QString program = QChar(u'a' + best) + QLatin1String(":\\");
    program += QString(rest).replace(QLatin1Char('/'), QLatin1Char('\\'));
    return program;
}

} // namespace umbraxis
