#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace umbraxis {

// One file of a level's directory on the CD, relative to that directory.
struct LevelFile {
    QString relativePath; // forward slashes
    QByteArray content;
};

struct PackLevel {
    QString title;
    QString directory;
    QString authorFile; // base name under levels/desc, empty for an unnamed author
    QString descFile;   // base name under levels/desc
    QString levelName;  // the map name
    QStringList authorText;
    QStringList descText;
    QList<LevelFile> files;

    // Bytes the level needs on disk: the total size of its files.
    qint64 dirSize() const;
};

// The levels of the pack, in the order they are listed in the catalogue.
QList<PackLevel> packLevels();

// The catalogue text: a header and one record per level, CR LF line ends, titles with
// blanks in double quotes.
QByteArray catalogueCsv(const QList<PackLevel>& levels);

// A stand-in map file: a map header with a directory of lumps, filled with
// deterministic bytes, `size` bytes in all.
QByteArray placeholderMap(int size, quint32 seed);

} // namespace umbraxis
