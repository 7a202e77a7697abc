#pragma once

#include "platform/NameHash.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <unordered_map>

namespace umbraxis {

// The sections and values of a settings file in the INI format that the
// toolkit's own settings class reads and writes, so that either can read
// what the other wrote. Sections are paths ("Rust Foundry", "a/b"); names
// and values are text. Sections and names are looked up as the registry
// of old did: the exact spelling first, else the first that matches
// regardless of case; either is kept as first written.
//
// The document also knows how the file ends, so that a value set can be
// added at the end of the file as one line (after a header when needed)
// rather than the whole file being written again; every reader takes a
// later line as replacing an earlier value of that name.
class IniDocument {
public:
    struct Value {
        QString name;
        QByteArray raw;  // as it stands in the file, escaped
        QByteArray line; // the name as it stands in the file, with "="
    };
    struct Section {
        QString path;
        QList<Value> values;
        // Where in `values` each name, in one letter case, stands: a
        // section of many values is looked up as fast as one of a few.
        // Values are only ever added to a section.
        std::unordered_map<QString, qsizetype, TextHash> byFoldedName;
    };

    // The document a file's text holds. Never fails: a line that is no
    // header and no name=value pair is passed over.
    static IniDocument parse(const QByteArray& text);
    // The text of the whole file: every section that holds values, in
    // order. Values set afterwards are added after this text.
    QByteArray serialize();

    // The path a section name stands for: "a\b", "a/b" and "/a//b/" are all
    // "a/b", and "" is the file's top (the [General] section).
    static QString sectionPath(const QString& section);

    // The section stored under `path`; null when none.
    Section* find(const QString& path);
    // Value `name` of the section stored under `path`; null when none.
    const Value* find(const QString& path, const QString& name);
    Section& findOrAdd(const QString& path);
    // Removes the section and every section below it; false when none.
    bool erase(const QString& path);
    const QList<Section>& sections() const { return m_sections; }

    // Sets value `name` of the section at `path` (made when missing) and
    // returns the text that, added at the end of the file as it stood, makes
    // the file hold the document as it stands now.
    QByteArray set(const QString& path, const QString& name, const QString& value);

    // Whether a file that holds the document is better written whole again
    // than added to: when superseded lines make up much of it, or when its
    // last line was cut short (a crash while a value was added).
    static bool wantsRewrite(qint64 appendedBytes, qint64 fileSize, bool endsWithNewline);

    // The text of an escaped value as the classic string values have it: it
    // ends at its first NUL. False when the value holds something else than
    // one string (a list, bytes, a stored object).
    static bool valueText(const QByteArray& raw, QString& text);

    // The file's spelling of headers, names and values.
    static QByteArray header(const QString& path);
    static QByteArray escapeValue(const QString& text);
    static bool unescapeValue(const QByteArray& raw, QString& text);
    static QByteArray escapeKey(const QString& key);
    static QString unescapeKey(const QByteArray& key);

private:
    // Adds a value, or replaces the one of that name.
    static Value& put(Section& section, const QString& name, const QByteArray& raw);
    // The value whose name folds to `folded`; null when none.
    static Value* findValue(Section& section, const QString& folded);

    QList<Section> m_sections;
    // The section whose values the file holds last: a value of it can be
    // added at the file's end without a header of its own.
    QString m_last;
};

// Whether the text of a settings file is one the store can safely read and
// rewrite: every line blank, a comment, a [section] header or a name=value
// pair, and no NUL bytes.
bool isReadableSettingsText(const QByteArray& text);

} // namespace umbraxis
