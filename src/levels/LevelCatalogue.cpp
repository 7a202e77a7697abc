#include "levels/LevelCatalogue.h"

#include "platform/AppError.h"
#include "platform/FileReading.h"
#include "platform/SettingsStore.h"
#include "platform/WinPath.h"

#include <algorithm>

namespace umbraxis {

namespace {

constexpr char kEndOfData = 26;
constexpr qsizetype kLineLimit = 512;

// Controls and the blank separate values; code 0 does not, so that a stray
// NUL stays inside its value instead of producing values of its own.
bool isBlank(char c)
{
    const auto code = quint8(c);
    return code >= 1 && code <= 32;
}

// The lines of the data, each cut to the length the reader keeps. A line end
// at the very end of the data starts no further line.
QList<QByteArray> splitLines(const QByteArray& bytes)
{
    qsizetype end = bytes.indexOf(kEndOfData);
    if (end < 0)
        end = bytes.size();
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < end) {
        qsizetype stop = start;
        while (stop < end && bytes[stop] != '\r')
            ++stop;
        lines.append(bytes.mid(start, std::min(stop - start, kLineLimit)));
        start = stop + 1;
        if (stop < end && start < end && bytes[start] == '\n')
            ++start;
    }
    return lines;
}

QStringList splitValues(const QByteArray& line)
{
    const qsizetype n = line.size();
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < n && isBlank(line[i]))
            ++i;
    };

    QStringList values;
    skipBlanks();
    if (i >= n)
        return values;
    for (;;) {
        QByteArray value;
        if (i < n && line[i] == '"') {
            // Quoted: up to the first quote that is not doubled, or the end.
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        value.append('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value.append(line[i++]);
            }
        } else {
            const qsizetype from = i;
            while (i < n && line[i] != ',' && !isBlank(line[i]))
                ++i;
            value = line.mid(from, i - from);
        }
        values.append(QString::fromLatin1(value));

        skipBlanks();
        if (i >= n)
            return values;
        // A comma ends the value; anything else means the blanks did. Each
        // pass consumes at least one character, so the loop ends. A comma
        // that ends the line leaves a final empty value for the next pass.
        if (line[i] == ',') {
            ++i;
            skipBlanks();
        }
    }
}

// A single-byte text file as lines joined with "\n". CR LF, CR and LF all end
// lines, and a line end at the very end adds no empty line.
QString readText(FileSystem& files, const QString& path)
{
    const QString text = QString::fromLatin1(readFileBytes(files, path));
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            result.append(QLatin1Char('\n'));
        } else {
            result.append(c);
        }
    }
    if (result.endsWith(QLatin1Char('\n')))
        result.chop(1);
    return result;
}

} // namespace

CatalogueData parseCatalogue(const QByteArray& bytes)
{
    CatalogueData data;
    const QList<QByteArray> lines = splitLines(bytes);
    if (lines.isEmpty())
        return data;
    data.columns = splitValues(lines.first());
    data.records.reserve(lines.size() - 1);
    for (qsizetype i = 1; i < lines.size(); ++i)
        data.records.append(splitValues(lines[i]));
    return data;
}

void LevelCatalogue::CatalogueOpen(FileSystem& files, const QString& fileName)
{
    // Read before anything is replaced, so a failed read keeps the old data.
    CatalogueOpen(readFileBytes(files, fileName));
}

void LevelCatalogue::CatalogueOpen(const QByteArray& bytes)
{
    m_data = parseCatalogue(bytes);
    m_cursor = 0;
}

void LevelCatalogue::CatalogueNext()
{
    // Stepping past the end stays at the end: the walk only asks whether the
    // cursor is there, and the counter can never run over.
    if (m_cursor < recordCount())
        ++m_cursor;
}

QString CatalogueRecord::field(const QString& column) const
{
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return values.value(i);
    }
    return QString();
}

QString LevelCatalogue::CatalogueField(const QString& column) const
{
    if (CatalogueAtEnd())
        return QString();
    return CatalogueRecord{m_data.columns, m_data.records[m_cursor]}.field(column);
}

void LevelCatalogue::CatalogueLocate(const QString& column, const QString& value)
{
    for (m_cursor = 0; m_cursor < recordCount(); ++m_cursor) {
        if (CatalogueField(column) == value)
            return;
    }
}

CatalogueRecord LevelCatalogue::record(const QString& column, const QString& value) const
{
    for (const QStringList& values : m_data.records) {
        CatalogueRecord record{m_data.columns, values};
        if (record.field(column) == value)
            return record;
    }
    return {};
}

void LevelCatalogue::CatalogueClose()
{
    m_data = CatalogueData();
    m_cursor = 0;
}

bool leadsInside(const QString& relative)
{
    const WinPath path = WinPath::parse(relative);
    if (path.hasDrive() || path.rooted)
        return false;
    return !path.names.contains(QStringLiteral(".."));
}

void requireLevelFolderInside(const QString& directory)
{
    if (!leadsInside(directory))
        throw AppError(QStringLiteral("The level's folder \"%1\" lies outside the CD's levels folder").arg(directory));
}

bool isPlainMapName(const QString& name)
{
    if (name.isEmpty())
        return true;
    const QChar first = name.front();
    if (first == QLatin1Char('-') || first == QLatin1Char('+') || first == QLatin1Char('.'))
        return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-'
            || u == '.';
    });
}

void requirePlainMapName(const QString& name)
{
    if (!isPlainMapName(name))
        throw AppError(QStringLiteral("The level's map name \"%1\" cannot be given to Quake").arg(name));
}

bool titleLess(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

CatalogueLists sortCatalogue(LevelCatalogue& catalogue, SettingsStore& settings)
{
    CatalogueLists lists;
    for (catalogue.CatalogueFirst(); !catalogue.CatalogueAtEnd(); catalogue.CatalogueNext()) {
        const QString title = catalogue.CatalogueField(QStringLiteral("Title"));
        if (settings.ReadSetting(title, QStringLiteral("LevelFileName"), QString()).isEmpty())
            lists.available.append(title);
        else
            lists.installed.append(title);
    }
    // Stable, so equal titles keep their file order.
    std::stable_sort(lists.available.begin(), lists.available.end(), titleLess);
    std::stable_sort(lists.installed.begin(), lists.installed.end(), titleLess);
    return lists;
}

LevelDetails levelDetails(LevelCatalogue& catalogue, FileSystem& files, const QString& workingDir,
                          const QString& catalogueName, const QString& title)
{
    catalogue.CatalogueLocate(QStringLiteral("Title"), title);
    const QString sep = QStringLiteral("\\");
    const QString descFolder = catalogueName + QStringLiteral("\\desc\\");

    LevelDetails details;
    details.directory
        = (workingDir + sep + catalogueName + sep + catalogue.CatalogueField(QStringLiteral("Directory"))).toLower();
    const QString authorFile = catalogue.CatalogueField(QStringLiteral("AuthorFile"));
    const QString descFile = catalogue.CatalogueField(QStringLiteral("DescFile"));
    // A name that leads out of the description folder names no text of the
    // CD's: it reads as a file that cannot be opened.
    const auto descText = [&](const QString& name) {
        const QString path = descFolder + name + QStringLiteral(".txt");
        if (!leadsInside(name))
            throw AppError(formatMessage(QStringLiteral("Cannot open file %s"), path));
        return readText(files, path);
    };
    details.author = authorFile.isEmpty() ? QStringLiteral("Anonymous") : descText(authorFile);
    details.description = descFile.isEmpty() ? QStringLiteral("No description available.") : descText(descFile);
    return details;
}

} // namespace umbraxis
