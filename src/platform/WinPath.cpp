#include "platform/WinPath.h"

namespace umbraxis {

namespace {

bool isSeparator(QChar c)
{
    return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

bool sameChar(QChar a, QChar b)
{
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// Iterative wildcard match with single-star backtracking; linear in practice
// and never recursive, so a hostile pattern cannot exhaust the stack.
bool globMatch(const QString& name, const QString& pattern)
{
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || sameChar(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace

WinPath WinPath::parse(const QString& path)
{
    WinPath result;
    qsizetype at = 0;
    if (path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].isLetter() && path[0].unicode() < 128) {
        result.drive = path[0].toLower();
        at = 2;
    }
    if (at < path.size() && isSeparator(path[at]))
        result.rooted = true;

    qsizetype start = at;
    for (qsizetype i = at; i <= path.size(); ++i) {
        if (i == path.size() || isSeparator(path[i])) {
            if (i > start)
                result.names.append(path.mid(start, i - start));
            start = i + 1;
        }
    }
    return result;
}

QString WinPath::toString() const
{
    QString text;
    if (hasDrive()) {
        text += drive;
        text += QLatin1Char(':');
    }
    if (rooted)
        text += QLatin1Char('\\');
    text += names.join(QLatin1Char('\\'));
    return text;
}

QStringList collapseDots(const QStringList& names)
{
    QStringList result;
    for (const QString& name : names) {
        if (name == QLatin1String("."))
            continue;
        if (name == QLatin1String("..")) {
            if (!result.isEmpty())
                result.removeLast();
            continue;
        }
        result.append(name);
    }
    return result;
}

int driveNumber(QChar letter)
{
    const char16_t c = letter.toLower().unicode();
    return (c >= u'a' && c <= u'z') ? c - u'a' + 1 : 0;
}

QChar driveLetter(int number)
{
    if (number < 1 || number > 26)
        return QChar();
    return QChar(u'a' + number - 1);
}

bool hasWildcards(const QString& name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

bool matchesPattern(const QString& name, const QString& pattern)
{
    if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*"))
        return true;
    if (globMatch(name, pattern))
        return true;
    if (pattern.endsWith(QLatin1String(".*")))
        return globMatch(name, pattern.left(pattern.size() - 2));
    return false;
}

} // namespace umbraxis
