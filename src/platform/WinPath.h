#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace umbraxis {

// A Windows-style path taken apart: "c:\quake\id1" has drive 'c', is rooted
// and has the names "quake" and "id1". "\x" is rooted on the current drive,
// "c:x" names x in the current directory of drive c, and "x\y" is relative
// to the current directory. Both '\' and '/' separate names.
struct WinPath {
    QChar drive; // lower-case letter, or null when the path names none
    bool rooted = false;
    QStringList names; // never empty strings; "." and ".." kept as given

    static WinPath parse(const QString& path);

    bool hasDrive() const { return !drive.isNull(); }
    bool isAbsolute() const { return hasDrive() && rooted; }
    // The program's own spelling: "c:\quake\id1", a root as "c:\".
    QString toString() const;
};

// Removes "." and resolves ".." against the names before it; a ".." that
// would climb above the first name is dropped, as at a drive's root.
QStringList collapseDots(const QStringList& names);

// The drive number of a letter (a = 1, c = 3), 0 for anything else.
int driveNumber(QChar letter);
// The lower-case letter of a drive number, null outside 1..26.
QChar driveLetter(int number);

bool hasWildcards(const QString& name);

// Matches a name against a find pattern regardless of case: '*' stands for
// any run of characters, '?' for exactly one. "*.*" matches every name, and a
// pattern ending in ".*" also matches the name without that extension, as the
// classic find does.
bool matchesPattern(const QString& name, const QString& pattern);

} // namespace umbraxis
