#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace umbraxis {

class FileSystem;
class SettingsStore;

// The content of a catalogue file: the header's column names and one list of
// values per record, in file order.
struct CatalogueData {
    QStringList columns;
    QList<QStringList> records;
};

// Reads catalogue text as it is written on the CD: single-byte characters,
// lines ended by CR (an LF right after it belongs to the same line end), data
// ended by code 26, at most 512 characters of a line used. The first line is
// the header; every later line, an empty one too, is a record.
CatalogueData parseCatalogue(const QByteArray& bytes);

// One record of the catalogue, read by column name: the value of the first
// column called `column` (ignoring case); empty text for an unknown column or
// a value the record lacks.
struct CatalogueRecord {
    QStringList columns;
    QStringList values;

    QString field(const QString& column) const;
};

// The level catalogue in memory with its one cursor. Every user places the
// cursor before reading (open, first or locate). A catalogue that was never
// opened, or was closed, has no columns and no records.
class LevelCatalogue {
public:
    // Reads the whole file through `files`; the cursor goes to the first
    // record. A file that cannot be read raises AppError and leaves the
    // catalogue as it was.
    void CatalogueOpen(FileSystem& files, const QString& fileName);
    // The same over the file's bytes.
    void CatalogueOpen(const QByteArray& bytes);
    void CatalogueFirst() { m_cursor = 0; }
    void CatalogueNext();
    bool CatalogueAtEnd() const { return m_cursor >= recordCount(); }
    // The current record's value in `column` (found ignoring case, the first
    // match counts); empty text for an unknown column, a value the record
    // lacks, or a cursor at the end.
    QString CatalogueField(const QString& column) const;
    // Moves the cursor to the first record whose `column` equals `value`
    // exactly, or to the end when none does.
    void CatalogueLocate(const QString& column, const QString& value);
    void CatalogueClose();

    // The first record whose `column` equals `value` exactly, or an empty
    // record when none does; the cursor stays where it is.
    CatalogueRecord record(const QString& column, const QString& value) const;

    int cursor() const { return m_cursor; }
    int recordCount() const { return int(m_data.records.size()); }
    const QStringList& columns() const { return m_data.columns; }

private:
    CatalogueData m_data;
    int m_cursor = 0;
};

// Whether a name the catalogue gives relative to a folder of the CD (a
// "Directory", an "AuthorFile") leads to a place inside that folder: no
// drive, no root, no "..". A CD that named any other place would have files
// read or copied from outside it.
bool leadsInside(const QString& relative);
// Raises AppError naming the folder when it is not inside.
void requireLevelFolderInside(const QString& directory);

// Whether a map name reaches the game as the one word after "+map" and
// nothing more: empty, or letters, digits, "_", "-" and "." not starting
// with "-", "+" or ".". Blanks would make further arguments of it, ";" more
// console commands, quotes and line breaks would change how the line reads.
bool isPlainMapName(const QString& name);
// Raises AppError naming the map when it is not plain.
void requirePlainMapName(const QString& name);

// Case-insensitive order of level titles, used by every sorted list of them.
bool titleLess(const QString& a, const QString& b);

// The catalogue's titles split by whether each level is installed (its
// settings section holds a non-empty "LevelFileName"), each list sorted with
// titleLess. Every record gives one entry, equal titles included.
struct CatalogueLists {
    QStringList available;
    QStringList installed;
};
CatalogueLists sortCatalogue(LevelCatalogue& catalogue, SettingsStore& settings);

// What the install screen shows about one level.
struct LevelDetails {
    QString directory;   // lower case, as the directory box shows it
    QString author;      // lines separated by "\n"
    QString description; // lines separated by "\n"
};

// The details of the first record titled `title` (letter case counts). The
// cursor is left on that record so that the caller can read further fields
// of it. An author or description file that cannot be read, or whose name
// leads out of the description folder, raises AppError "Cannot open file
// <path>"; the author file is read first.
LevelDetails levelDetails(LevelCatalogue& catalogue, FileSystem& files, const QString& workingDir,
                          const QString& catalogueName, const QString& title);

} // namespace umbraxis
