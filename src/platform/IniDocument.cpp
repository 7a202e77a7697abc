#include "platform/IniDocument.h"

#include "platform/SingleByteText.h"

#include <QStringList>

#include <utility>

namespace umbraxis {

namespace {

// Superseded lines are let grow to this much before the file is written
// whole again.
constexpr qint64 kAppendedBeforeRewrite = 64 * 1024;

// The control characters a value spells as a backslash and a letter.
constexpr std::pair<char, char> kControlEscapes[] = {
    {'\a', 'a'}, {'\b', 'b'}, {'\f', 'f'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}, {'\v', 'v'},
};

// The letter that follows the backslash for `ch`, or 0. NUL is written
// "\0", which reads back as an octal number.
char escapeCode(char16_t ch)
{
    if (ch == 0)
        return '0';
    for (const auto& [control, code] : kControlEscapes)
        if (control == ch)
            return code;
    return 0;
}

// The control character a backslash and `code` stand for, or 0.
char controlOfCode(char code)
{
    for (const auto& [control, letter] : kControlEscapes)
        if (letter == code)
            return control;
    return 0;
}

bool isKeyCharacter(char16_t ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_' || ch == '-'
        || ch == '.';
}

// A value read back as something other than one string.
bool isStoredObject(const QString& text)
{
    static const char* const kinds[] = {"@ByteArray(", "@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point("};
    for (const char* kind : kinds)
        if (text.startsWith(QLatin1String(kind)))
            return true;
    return text == QLatin1String("@Invalid()");
}

// The entry of `list` named `name`: the exact name first, else the first
// whose name matches regardless of case; null when none.
template <typename Entry, typename NameOf>
Entry* findByName(QList<Entry>& list, const QString& name, NameOf nameOf)
{
    Entry* match = nullptr;
    for (Entry& entry : list) {
        if (nameOf(entry) == name)
            return &entry;
        if (!match && nameOf(entry).compare(name, Qt::CaseInsensitive) == 0)
            match = &entry;
    }
    return match;
}

} // namespace

QString IniDocument::sectionPath(const QString& section)
{
    // Most names are one plain word or title: they are their own path.
    const bool plain = !section.isEmpty() && !section.contains(QLatin1Char('\\'))
        && !section.contains(QLatin1Char('/'));
    if (plain)
        return section;
    QString path = section;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('/'));
}

QByteArray IniDocument::escapeKey(const QString& key)
{
    QByteArray out;
    out.reserve(key.size() * 3 / 2);
    for (const QChar qch : key) {
        const char16_t ch = qch.unicode();
        if (ch == '/') {
            out += '\\';
        } else if (isKeyCharacter(ch)) {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += hexDigit(ch >> 4);
            out += hexDigit(ch);
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += hexDigit(ch >> shift);
        }
    }
    return out;
}

QString IniDocument::unescapeKey(const QByteArray& key)
{
    const QString text = QString::fromUtf8(key);
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const char16_t ch = text.at(i).unicode();
        if (ch == '\\') {
            out += QLatin1Char('/');
            ++i;
            continue;
        }
        if (ch == '%' && i + 1 < text.size()) {
            const bool wide = text.at(i + 1) == QLatin1Char('U');
            const qsizetype first = i + (wide ? 2 : 1);
            const int digits = wide ? 4 : 2;
            if (first + digits <= text.size()) {
                bool ok = false;
                const ushort value = text.mid(first, digits).toUShort(&ok, 16);
                if (ok) {
                    out += QChar(value);
                    i = first + digits;
                    continue;
                }
            }
        }
        out += QChar(ch);
        ++i;
    }
    return out;
}

QByteArray IniDocument::escapeValue(const QString& value)
{
    // A text that begins with "@" would read as a stored object.
    const QString text = value.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + value : value;
    QByteArray out;
    out.reserve(text.size() * 3 / 2);
    bool quote = false;
    bool escapeNextHexDigit = false;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const QChar qch = text.at(at);
        const char16_t ch = qch.unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            quote = true;
        const bool hex = (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
        if (escapeNextHexDigit && hex) {
            out += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeNextHexDigit = false;
        if (const char code = escapeCode(ch)) {
            out += '\\';
            out += code;
            // What follows "\0" must not read as more of its digits.
            escapeNextHexDigit = ch == '\0';
        } else if (ch == '"' || ch == '\\') {
            out += '\\';
            out += char(ch);
        } else if (ch <= 0x1F) {
            out += "\\x" + QByteArray::number(ch, 16);
            escapeNextHexDigit = true;
        } else if (ch < 0x80) {
            out += char(ch);
        } else if (qch.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
            // A character beyond the first 65536 (an emoji) is two halves,
            // written as one.
            out += text.mid(at, 2).toUtf8();
            ++at;
        } else {
            out += QString(qch).toUtf8();
        }
    }
    if (quote || out.startsWith(' ') || out.endsWith(' '))
        out = '"' + out + '"';
    return out;
}

bool IniDocument::unescapeValue(const QByteArray& raw, QString& text)
{
    QByteArray bytes; // UTF-8 of the text so far
    bool quoted = false;
    bool list = false;
    qsizetype i = 0;
    // Unquoted blanks at the end of a value do not belong to it.
    qsizetype keep = 0;
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'))
        ++i;
    while (i < raw.size()) {
        const char ch = raw[i];
        if (ch == '\\') {
            ++i;
            if (i >= raw.size())
                break;
            const char code = raw[i++];
            if (const char control = controlOfCode(code)) {
                bytes += control;
            } else if (code == 'x') {
                unsigned value = 0;
                while (i < raw.size() && hexDigitValue(raw[i]) >= 0)
                    value = (value << 4) + unsigned(hexDigitValue(raw[i++]));
                bytes += QString(QChar(char16_t(value))).toUtf8();
            } else if (code >= '0' && code <= '7') {
                unsigned value = unsigned(code - '0');
                while (i < raw.size() && raw[i] >= '0' && raw[i] <= '7')
                    value = (value << 3) + unsigned(raw[i++] - '0');
                bytes += QString(QChar(char16_t(value))).toUtf8();
            } else if (code != '\n' && code != '\r') {
                bytes += code; // \" \\ \' \? and any other escaped character
            }
            keep = bytes.size();
        } else if (ch == '"') {
            quoted = !quoted;
            ++i;
            keep = bytes.size();
        } else if (ch == ',' && !quoted) {
            list = true;
            ++i;
        } else {
            bytes += ch;
            ++i;
            if (quoted || (ch != ' ' && ch != '\t'))
                keep = bytes.size();
        }
    }
    bytes.truncate(keep);
    if (list)
        return false;
    text = QString::fromUtf8(bytes);
    if (isStoredObject(text))
        return false;
    if (text.startsWith(QLatin1String("@@")))
        text.remove(0, 1);
    return true;
}

IniDocument IniDocument::parse(const QByteArray& text)
{
    IniDocument document;
    Section* current = &document.findOrAdd(QString());
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        const QByteArray line = text.mid(start, end - start).trimmed();
        start = end + 1;
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            const QByteArray header = line.mid(1, line.size() - 2).trimmed();
            QString path;
            if (header.compare("general", Qt::CaseInsensitive) == 0)
                path = QString();
            else if (header.compare("%general", Qt::CaseInsensitive) == 0)
                path = QString::fromUtf8(header.mid(1));
            else
                path = sectionPath(unescapeKey(header));
            current = &document.findOrAdd(path);
            document.m_last = current->path;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        // A name may carry its own path below the section ("Nested\Deep").
        const QString key = unescapeKey(line.left(equals).trimmed());
        const QByteArray raw = line.mid(equals + 1);
        const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
        Section* section = current;
        QString name = key;
        if (slash >= 0) {
            name = key.mid(slash + 1);
            // "Version\=1.0" names no value: passed over, since written back
            // it would be a line without a name, which no reader takes.
            if (name.isEmpty())
                continue;
            // Adding the section below may move every section, `current` too.
            // The path is spelled as a header would give it ("a\\b\\" is
            // "a/b"), so that the file written reads back the same.
            const QString currentPath = current->path;
            const QString below = key.left(slash);
            section = &document.findOrAdd(sectionPath(currentPath + QLatin1Char('/') + below));
            current = &document.findOrAdd(currentPath);
        }
        put(*section, name, raw);
    }
    return document;
}

QByteArray IniDocument::header(const QString& path)
{
    if (path.isEmpty())
        return "[General]";
    if (path.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0)
        return "[%" + path.toUtf8() + ']';
    return '[' + escapeKey(path) + ']';
}

QByteArray IniDocument::serialize()
{
    qsizetype size = 0;
    for (const Section& section : m_sections)
        for (const Value& value : section.values)
            size += value.line.size() + value.raw.size() + 1;
    QByteArray out;
    out.reserve(size + 64 * m_sections.size());
    for (const Section& section : m_sections) {
        if (section.values.isEmpty())
            continue;
        if (!out.isEmpty())
            out += '\n';
        out += header(section.path);
        out += '\n';
        for (const Value& value : section.values) {
            out += value.line;
            out += value.raw;
            out += '\n';
        }
        m_last = section.path;
    }
    if (out.isEmpty())
        m_last.clear();
    return out;
}

bool IniDocument::erase(const QString& path)
{
    const Section* found = find(path);
    if (!found)
        return false;
    const QString stored = found->path;
    const QString below = stored + QLatin1Char('/');
    const qsizetype before = m_sections.size();
    m_sections.removeIf([&](const Section& section) {
        return section.path == stored || section.path.startsWith(below, Qt::CaseInsensitive);
    });
    return m_sections.size() != before;
}

bool isReadableSettingsText(const QByteArray& text)
{
    if (text.contains('\0'))
        return false;
    QList<QByteArray> lines = text.split('\n');
    // A last line cut short by a crash while it was added is no damage: it is
    // passed over like any line that says nothing.
    if (!text.endsWith('\n') && !lines.isEmpty()) {
        const QByteArray last = lines.last().trimmed();
        if (!last.startsWith('[') && last.indexOf('=') <= 0)
            lines.removeLast();
    }
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']'))
                return false;
            continue;
        }
        if (line.indexOf('=') <= 0)
            return false;
    }
    return true;
}

IniDocument::Section* IniDocument::find(const QString& path)
{
    return findByName(m_sections, path, [](const Section& section) -> const QString& { return section.path; });
}

const IniDocument::Value* IniDocument::find(const QString& path, const QString& name)
{
    Section* section = find(path);
    return section ? findValue(*section, name.toCaseFolded()) : nullptr;
}

IniDocument::Value* IniDocument::findValue(Section& section, const QString& folded)
{
    // A section never holds two names that differ only in case: a second
    // spelling sets the value of the first.
    const auto at = section.byFoldedName.find(folded);
    return at == section.byFoldedName.end() ? nullptr : &section.values[at->second];
}

IniDocument::Section& IniDocument::findOrAdd(const QString& path)
{
    if (Section* section = find(path))
        return *section;
    m_sections.append(Section{path, {}, {}});
    return m_sections.last();
}

IniDocument::Value& IniDocument::put(Section& section, const QString& name, const QByteArray& raw)
{
    const QString folded = name.toCaseFolded();
    if (Value* match = findValue(section, folded)) {
        match->raw = raw;
        return *match;
    }
    section.byFoldedName.emplace(folded, section.values.size());
    section.values.append({name, raw, escapeKey(name) + '='});
    return section.values.last();
}

QByteArray IniDocument::set(const QString& path, const QString& name, const QString& value)
{
    Section& target = findOrAdd(path);
    const Value& stored = put(target, name, escapeValue(value));
    QByteArray text;
    if (target.path != m_last)
        text += '\n' + header(target.path) + '\n';
    text += stored.line + stored.raw + '\n';
    m_last = target.path;
    return text;
}

bool IniDocument::wantsRewrite(qint64 appendedBytes, qint64 fileSize, bool endsWithNewline)
{
    return (appendedBytes > kAppendedBeforeRewrite && appendedBytes > fileSize / 2) || !endsWithNewline;
}

bool IniDocument::valueText(const QByteArray& raw, QString& text)
{
    if (!unescapeValue(raw, text))
        return false;
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return true;
}

} // namespace umbraxis
