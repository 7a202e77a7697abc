#include "platform/files/HostQuakePlaces.h"

#include "platform/files/HostFileSystem.h"
#include "platform/files/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cctype>
#include <unistd.h>

namespace umbraxis {

namespace {

// Steam installations, relative to the home folder; the first one lies in
// the data home and is added apart.
const char* const SteamHomes[] = {
    ".steam/steam",
    ".steam/root",
    ".var/app/com.valvesoftware.Steam/.local/share/Steam",
    "snap/steam/common/.local/share/Steam",
};

// Where libraryfolders.vdf lies in an installation; newer versions keep it
// in both places.
const char* const LibraryLists[] = {"steamapps/libraryfolders.vdf", "config/libraryfolders.vdf"};

const char* const HomeFolders[] = {
    "GOG Games/Quake",
    "GOG Games/Quake The Offering",
    "Games/Heroic/Quake",
    ".wine/drive_c/GOG Games/Quake",
    "Quake",
    "Games/Quake",
    "games/quake",
};

// The folder `relative` below `base`, each name matched exactly first and
// else regardless of case; its real path, or empty when it does not exist.
QString existingFolder(const QString& base, const QString& relative)
{
    QString path = base;
    for (const QString& name : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QString exact = path + QLatin1Char('/') + name;
        if (QFileInfo(exact).isDir()) {
            path = exact;
            continue;
        }
        const QStringList entries = QDir(path).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        const auto match = std::find_if(entries.begin(), entries.end(), [&](const QString& entry) {
            return entry.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (match == entries.end())
            return QString();
        path += QLatin1Char('/') + *match;
    }
    const QFileInfo info(path);
    return info.isDir() ? info.canonicalFilePath() : QString();
}

// Tokens of the text format Steam writes its settings in: quoted strings
// (with backslash escapes), bare words and braces; "//" starts a comment.
struct VdfToken {
    enum Kind { Text, Open, Close, End } kind = End;
    QString text;
};

class VdfReader {
public:
    explicit VdfReader(const QByteArray& data)
        : m_data(data)
    {
    }

    VdfToken next()
    {
        skipBlanksAndComments();
        if (m_at >= m_data.size())
            return {};
        const char c = m_data[m_at];
        if (c == '{' || c == '}') {
            ++m_at;
            return {c == '{' ? VdfToken::Open : VdfToken::Close, {}};
        }
        QByteArray text;
        if (c == '"') {
            for (++m_at; m_at < m_data.size() && m_data[m_at] != '"'; ++m_at) {
                char d = m_data[m_at];
                if (d == '\\' && m_at + 1 < m_data.size()) {
                    d = m_data[++m_at];
                    if (d == 'n')
                        d = '\n';
                    else if (d == 't')
                        d = '\t';
                }
                text += d;
            }
            ++m_at;
        } else {
            while (m_at < m_data.size() && !std::isspace(static_cast<unsigned char>(m_data[m_at]))
                   && m_data[m_at] != '{' && m_data[m_at] != '}' && m_data[m_at] != '"')
                text += m_data[m_at++];
        }
        return {VdfToken::Text, QString::fromUtf8(text)};
    }

private:
    void skipBlanksAndComments()
    {
        for (;;) {
            while (m_at < m_data.size() && std::isspace(static_cast<unsigned char>(m_data[m_at])))
                ++m_at;
            if (m_at + 1 < m_data.size() && m_data[m_at] == '/' && m_data[m_at + 1] == '/') {
                while (m_at < m_data.size() && m_data[m_at] != '\n')
                    ++m_at;
                continue;
            }
            return;
        }
    }

    const QByteArray& m_data;
    qsizetype m_at = 0;
};

bool isNumber(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

HostQuakePlaces::Roots HostQuakePlaces::Roots::current()
{
    Roots roots;
    roots.home = QDir::homePath();
    roots.dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!roots.dataHome.startsWith(QLatin1Char('/')))
        roots.dataHome = roots.home + QStringLiteral("/.local/share");
    roots.system = {QStringLiteral("/usr/share/games/quake"), QStringLiteral("/usr/local/games/quake"),
                    QStringLiteral("/opt/quake")};
    return roots;
}

HostQuakePlaces::HostQuakePlaces(HostFileSystem& files, Roots roots)
    : m_files(files)
    , m_roots(std::move(roots))
{
}

QStringList HostQuakePlaces::steamLibraries(const QByteArray& vdf)
{
    QStringList libraries;
    QSet<QString> listed;
    VdfReader reader(vdf);
    int depth = 0;
    QString key;
    bool haveKey = false;
    for (VdfToken token = reader.next(); token.kind != VdfToken::End; token = reader.next()) {
        if (token.kind == VdfToken::Open) {
            ++depth;
            haveKey = false;
        } else if (token.kind == VdfToken::Close) {
            --depth;
            haveKey = false;
        } else if (!haveKey) {
            key = token.text;
            haveKey = true;
        } else {
            haveKey = false;
            const bool path = key.compare(QLatin1String("path"), Qt::CaseInsensitive) == 0;
            if ((path || (depth == 1 && isNumber(key))) && !token.text.isEmpty() && !listed.contains(token.text)) {
                listed.insert(token.text);
                libraries << token.text;
            }
        }
    }
    return libraries;
}

QStringList HostQuakePlaces::hostFolders() const
{
    QStringList folders;
    const auto add = [&folders](const QString& folder) {
        if (!folder.isEmpty() && !folders.contains(folder))
            folders << folder;
    };

    QStringList steams{existingFolder(m_roots.dataHome, QStringLiteral("Steam"))};
    for (const char* home : SteamHomes)
        steams << existingFolder(m_roots.home, QString::fromLatin1(home));
    QStringList libraries;
    for (const QString& steam : std::as_const(steams)) {
        if (steam.isEmpty())
            continue;
        libraries << steam;
        for (const char* list : LibraryLists) {
            // Only a regular file is read (a fifo would wait for a writer for
            // ever), and only a settings file of a few kilobytes: a larger
            // one is not Steam's.
            const std::optional<QByteArray> text = readSmallRegularFile(
                QFile::encodeName(steam + QLatin1Char('/') + QLatin1String(list)), 1 << 20);
            if (!text)
                continue;
            for (const QString& library : steamLibraries(*text))
                if (library.startsWith(QLatin1Char('/')))
                    libraries << QDir::cleanPath(library);
        }
    }
    for (const QString& library : std::as_const(libraries))
        add(existingFolder(library, QStringLiteral("steamapps/common/Quake")));

    for (const char* folder : HomeFolders)
        add(existingFolder(m_roots.home, QString::fromLatin1(folder)));
    for (const QString& folder : m_roots.system)
        add(existingFolder(folder, QString()));
    return folders;
}

QStringList HostQuakePlaces::folders()
{
    QStringList found;
    for (const QString& host : hostFolders()) {
        const QString path = m_files.placeFolder(host);
        if (!path.isEmpty())
            found << path;
    }
    return found;
}

void HostQuakePlaces::keep(const QString& folder)
{
    m_files.keepDrive(folder);
}

} // namespace umbraxis
