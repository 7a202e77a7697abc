#include "platform/IniSettingsStore.h"

#include "platform/AppError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace umbraxis {

namespace {

const QString kCreateKeyFailed = QStringLiteral("Failed to create key %s");
const QString kSetDataFailed = QStringLiteral("Failed to set data for '%s'");
const QString kInvalidType = QStringLiteral("Invalid data type for '%s'");

QString userStorePath()
{
    // Where the toolkit's native user settings of "Corvantide"/"Umbraxis"
    // live on Linux.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Corvantide/Umbraxis.conf");
}

bool isKeyCharacter(char16_t ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_'
        || ch == '-' || ch == '.';
}

char hexDigit(unsigned value)
{
    return "0123456789ABCDEF"[value & 15];
}

int hexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// Sections may be written as paths ("a\b", "a/b"); the store keeps "a/b".
QString sectionPath(const QString& section)
{
    QString path = section;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('/'));
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

IniSettingsStore::Identity identityOf(const struct stat& st)
{
    return {std::uint64_t(st.st_dev), std::uint64_t(st.st_ino), std::int64_t(st.st_size),
            std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

} // namespace

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
    for (const QChar qch : text) {
        const char16_t ch = qch.unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            quote = true;
        const bool hex = (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
        if (escapeNextHexDigit && hex) {
            out += "\\x" + QByteArray::number(ch, 16);
            continue;
        }
        escapeNextHexDigit = false;
        switch (ch) {
        case '\0': out += "\\0"; escapeNextHexDigit = true; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += char(ch);
            break;
        default:
            if (ch <= 0x1F) {
                out += "\\x" + QByteArray::number(ch, 16);
                escapeNextHexDigit = true;
            } else if (ch < 0x80) {
                out += char(ch);
            } else {
                out += QString(qch).toUtf8();
            }
        }
    }
    if (quote || out.startsWith(' ') || out.endsWith(' '))
        out = '"' + out + '"';
    return out;
}

bool IniDocument::unescapeValue(const QByteArray& raw, QString& text)
{
    QByteArray bytes;  // UTF-8 of the text so far
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
            switch (code) {
            case 'a': bytes += '\a'; break;
            case 'b': bytes += '\b'; break;
            case 'f': bytes += '\f'; break;
            case 'n': bytes += '\n'; break;
            case 'r': bytes += '\r'; break;
            case 't': bytes += '\t'; break;
            case 'v': bytes += '\v'; break;
            case 'x': {
                unsigned value = 0;
                while (i < raw.size() && hexValue(raw[i]) >= 0)
                    value = (value << 4) + unsigned(hexValue(raw[i++]));
                bytes += QString(QChar(char16_t(value))).toUtf8();
                break;
            }
            default:
                if (code >= '0' && code <= '7') {
                    unsigned value = unsigned(code - '0');
                    while (i < raw.size() && raw[i] >= '0' && raw[i] <= '7')
                        value = (value << 3) + unsigned(raw[i++] - '0');
                    bytes += QString(QChar(char16_t(value))).toUtf8();
                } else if (code != '\n' && code != '\r') {
                    bytes += code;  // \" \\ \' \? and any other escaped character
                }
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
            // "Nested\=1" names no value: kept, it would be written back as a
            // line without a name, which no reader takes.
            if (name.isEmpty())
                continue;
            // Adding a section may move every section in memory: the current
            // one is found again by its path, which is kept apart first.
            const QString here = current->path;
            const QString below = key.left(slash);
            section = &document.findOrAdd(here.isEmpty() ? below : here + QLatin1Char('/') + below);
            current = &document.findOrAdd(here);
        }
        put(*section, name, raw);
    }
    return document;
}

IniDocument::Value& IniDocument::put(Section& section, const QString& name, const QByteArray& raw)
{
    Value* match = nullptr;
    for (Value& existing : section.values) {
        if (existing.name == name) {
            match = &existing;
            break;
        }
        if (!match && existing.name.compare(name, Qt::CaseInsensitive) == 0)
            match = &existing;
    }
    if (match) {
        match->raw = raw;
        return *match;
    }
    section.values.append({name, raw, escapeKey(name) + '='});
    return section.values.last();
}

QByteArray IniDocument::header(const QString& path)
{
    if (path.isEmpty())
        return "[General]";
    if (path.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0)
        return "[%" + path.toUtf8() + ']';
    return '[' + escapeKey(path) + ']';
}

QByteArray IniDocument::serialize() const
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
    }
    return out;
}

IniDocument::Section* IniDocument::find(const QString& path)
{
    for (Section& section : m_sections)
        if (section.path == path)
            return &section;
    for (Section& section : m_sections)
        if (section.path.compare(path, Qt::CaseInsensitive) == 0)
            return &section;
    return nullptr;
}

IniDocument::Section& IniDocument::findOrAdd(const QString& path)
{
    if (Section* section = find(path))
        return *section;
    m_sections.append({path, {}});
    return m_sections.last();
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

IniSettingsStore::IniSettingsStore()
    : m_fileName(userStorePath())
{
}

IniSettingsStore::IniSettingsStore(const QString& filePath)
    : m_fileName(filePath)
{
}

IniDocument& IniSettingsStore::open(const QString& section, Access access)
{
    const QString folder = QFileInfo(m_fileName).absolutePath();
    const auto fail = [&](const QString& why) {
        QString text = formatMessage(kCreateKeyFailed, section);
        if (!why.isEmpty())
            text += QStringLiteral(" (") + why + QLatin1Char(')');
        throw AppError(text);
    };
    const QByteArray host = QFile::encodeName(m_fileName);
    struct stat st {};
    if (::stat(host.constData(), &st) != 0) {
        if (errno != ENOENT)
            fail(QStringLiteral("cannot read %1").arg(m_fileName));
        if (!QDir().mkpath(folder))
            fail(QStringLiteral("cannot create the folder %1").arg(folder));
        if (access == Access::Write && ::access(QFile::encodeName(folder).constData(), W_OK) != 0)
            fail(QStringLiteral("the folder %1 is not writable").arg(folder));
        closeAppending();
        m_document = IniDocument();
        m_loaded = true;
        m_seen = Identity();
        return m_document;
    }
    const Identity now = identityOf(st);
    if (m_loaded && now == m_seen)
        return m_document;

    closeAppending();
    QFile in(m_fileName);
    if (!S_ISREG(st.st_mode) || !in.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(m_fileName));
    const QByteArray text = in.readAll();
    if (!isReadableSettingsText(text)) {
        m_loaded = false;
        fail(QStringLiteral("the settings file %1 is damaged and was left unchanged").arg(m_fileName));
    }
    m_document = IniDocument::parse(text);
    m_loaded = true;
    m_seen = now;
    m_endsWithNewline = text.isEmpty() || text.endsWith('\n');
    return m_document;
}

IniSettingsStore::~IniSettingsStore()
{
    closeAppending();
}

void IniSettingsStore::closeAppending()
{
    if (m_appendFd >= 0)
        ::close(m_appendFd);
    m_appendFd = -1;
}

bool IniSettingsStore::append(const QByteArray& text)
{
    // The file stays open for adding while it is the one this store last
    // saw; open() has just made sure of that.
    if (m_appendFd < 0) {
        m_appendFd = ::open(QFile::encodeName(m_fileName).constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
        if (m_appendFd < 0)
            return false;
    }
    // One write: a crash lets it happen whole or not at all.
    ssize_t n;
    do
        n = ::write(m_appendFd, text.constData(), size_t(text.size()));
    while (n < 0 && errno == EINTR);
    struct stat st {};
    if (n != text.size() || ::fstat(m_appendFd, &st) != 0) {
        // Whatever reached the file, it is what the next read goes by.
        closeAppending();
        m_loaded = false;
        return false;
    }
    m_seen = identityOf(st);
    m_appended += text.size();
    return true;
}

void IniSettingsStore::save(const QString& section, const QString& name)
{
    closeAppending();
    const QString folder = QFileInfo(m_fileName).absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0)
        throw AppError(formatMessage(kCreateKeyFailed, section)
                       + QStringLiteral(" (the folder %1 is not writable)").arg(folder));
    const QByteArray text = m_document.serialize();
    const QByteArray target = QFile::encodeName(m_fileName);
    const QByteArray temporary = target + ".new";
    const auto fail = [&](const QString& message) {
        ::unlink(temporary.constData());
        // What is on disk is the truth from now on.
        m_loaded = false;
        throw AppError(message);
    };
    struct stat old {};
    const mode_t mode = ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0)
        fail(formatMessage(kCreateKeyFailed, section));
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            fail(formatMessage(kSetDataFailed, name));
        }
        done += n;
    }
    if (::close(fd) != 0)
        fail(formatMessage(kSetDataFailed, name));
    // The rename replaces the old file in one step: a crash leaves one whole
    // file, the old or the new.
    if (::rename(temporary.constData(), target.constData()) != 0)
        fail(formatMessage(kSetDataFailed, name));
    struct stat st {};
    if (::stat(target.constData(), &st) == 0)
        m_seen = identityOf(st);
    else
        m_loaded = false;
    m_appended = 0;
    m_endsWithNewline = true;
    m_document.setLastSection(m_document.sections().isEmpty() ? QString() : m_document.sections().last().path);
}

QString IniSettingsStore::ReadSetting(const QString& section, const QString& name, const QString& defaultValue)
{
    IniDocument& document = open(section, Access::Read);
    IniDocument::Section* found = document.find(sectionPath(section));
    if (!found)
        return defaultValue;
    const IniDocument::Value* match = nullptr;
    for (const IniDocument::Value& value : found->values) {
        if (value.name == name) {
            match = &value;
            break;
        }
        if (!match && value.name.compare(name, Qt::CaseInsensitive) == 0)
            match = &value;
    }
    if (!match)
        return defaultValue;
    QString text;
    if (!IniDocument::unescapeValue(match->raw, text))
        throw AppError(formatMessage(kInvalidType, name));
    // Text ends at its first NUL, as the classic string values do.
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

void IniSettingsStore::WriteSetting(const QString& section, const QString& name, const QString& value)
{
    IniDocument& document = open(section, Access::Write);
    const QString path = sectionPath(section);
    IniDocument::Section& target = document.findOrAdd(path);
    const QByteArray raw = IniDocument::escapeValue(value);
    const IniDocument::Value& stored = IniDocument::put(target, name, raw);
    // A file that has grown well beyond its content is written whole again.
    // So is one whose last line a crash cut short.
    const bool compact = (m_appended > 64 * 1024 && m_appended > m_seen.size / 2) || !m_endsWithNewline;
    if (m_seen.size > 0 && !compact) {
        QByteArray text;
        if (target.path != document.lastSection())
            text += '\n' + IniDocument::header(target.path) + '\n';
        text += stored.line + raw + '\n';
        if (append(text)) {
            document.setLastSection(target.path);
            m_endsWithNewline = true;
            return;
        }
        if (!m_loaded)
            throw AppError(formatMessage(kSetDataFailed, name));
    }
    save(section, name);
}

void IniSettingsStore::EraseSection(const QString& section)
{
    IniDocument& document = open(section, Access::Write);
    const QString path = sectionPath(section);
    // An empty name would erase the whole store.
    if (path.isEmpty())
        return;
    if (document.erase(path))
        save(section, QString());
}

QStringList IniSettingsStore::ReadSections()
{
    QStringList names;
    for (const IniDocument::Section& section : open(QString(), Access::Read).sections())
        if (!section.path.isEmpty() && !section.values.isEmpty())
            names << section.path;
    return names;
}

} // namespace umbraxis
