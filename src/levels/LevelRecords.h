#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace umbraxis {

class SettingsStore;
struct FileStamp;

// The installed-level records of every level, seen from the files they
// name: which records name a path (letter case aside), and what each noted
// of the file when it was written.
//
// A record holds, for file number n, "File<n>" (the path) and, from this
// version on, "Stamp<n>": the size and modification time the file had once
// it was in place. Readers of "File<n>" alone (older copies of the program)
// never ask for "Stamp<n>", and a stamp without its file is never read, so
// the stamp is written first.
class LevelRecords {
public:
    struct Claim {
        QString title;          // the section, as stored
        int number = 0;         // n of "File<n>"
        QString stamp;          // "Stamp<n>", empty when the record has none
        bool installed = false; // the record holds a non-empty "LevelFileName"
    };

    static QString fileValue(int number);
    static QString stampValue(int number);
    static QString stampText(const FileStamp& stamp);

    // Reads every record in the store.
    static LevelRecords read(SettingsStore& settings);

    // The records that name `path`.
    QList<Claim> claims(const QString& path) const { return m_claims.value(key(path)); }
    // Whether an installed level other than `title` names `path`.
    bool namedByOtherInstalled(const QString& path, const QString& title) const;
    void add(const QString& path, const Claim& claim);
    // Notes that every record but `title`'s that names `path` now has
    // `stamp` for it; returns the claims whose stamp that changed, as they
    // now stand.
    QList<Claim> restampOthers(const QString& path, const QString& title, const QString& stamp);

    // Whether two section names name one record: letter case aside, and
    // with "\\" and "/" alike, as the store keeps them.
    static bool sameTitle(const QString& a, const QString& b);
    // What two paths that name the same file have in common.
    static QString pathKey(const QString& path);

private:
    static QString key(const QString& path) { return pathKey(path); }

    QHash<QString, QList<Claim>> m_claims;
};

} // namespace umbraxis
