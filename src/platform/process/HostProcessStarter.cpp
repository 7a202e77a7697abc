#include "platform/process/HostProcessStarter.h"

#include "platform/Descriptor.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "platform/files/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace umbraxis {

namespace {

struct ProgramPart {
    QString program;
    QString rest;
};

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Splits off the program part. An unquoted program path may hold blanks, so
// longer and longer prefixes that end at a blank are tried until one names
// an existing file, as the classic start call does; when none does, the
// first word is the program.
ProgramPart splitProgram(const QString& commandLine, const FileSystem& files)
{
    const QString line = commandLine.trimmed();
    if (line.startsWith(QLatin1Char('"'))) {
        const qsizetype close = line.indexOf(QLatin1Char('"'), 1);
        if (close < 0)
            return {line.mid(1), QString()};
        return {line.mid(1, close - 1), line.mid(close + 1)};
    }

    QList<qsizetype> ends;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (isBlank(line[i]) && i > 0 && !isBlank(line[i - 1]))
            ends.append(i);
    }
    ends.append(line.size());
    for (qsizetype end : ends) {
        const QString candidate = line.left(end);
        if (files.fileExists(candidate))
            return {candidate, line.mid(end)};
    }
    return {line.left(ends.first()), line.mid(ends.first())};
}

// The first two bytes of a regular file; empty for anything else.
QByteArray leadingBytes(const QByteArray& hostPath)
{
    int error = 0;
    const Descriptor fd = openRegularFile(hostPath, error);
    if (!fd)
        return QByteArray();
    char buffer[2];
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    return n > 0 ? QByteArray(buffer, static_cast<qsizetype>(n)) : QByteArray("");
}

bool isRegularFile(const QByteArray& hostPath)
{
    struct stat st { };
    return ::stat(hostPath.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

HostProcessStarter::HostProcessStarter(const FileSystem& files)
    : m_files(files)
{
}

QStringList HostProcessStarter::splitArguments(const QString& text)
{
    QStringList arguments;
    QString current;
    bool inWord = false;
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
        } else if (isBlank(c) && !quoted) {
            if (inWord)
                arguments.append(current);
            current.clear();
            inWord = false;
        } else {
            current += c;
            inWord = true;
        }
    }
    if (inWord)
        arguments.append(current);
    return arguments;
}

int HostProcessStarter::start(const QString& commandLine, const QString& folder, int showFlag)
{
    const ProgramPart part = splitProgram(commandLine, m_files);
    return startProgram(part.program, part.rest, folder, showFlag);
}

int HostProcessStarter::startProgram(const QString& program, const QString& arguments, const QString& folder,
                                     int showFlag)
{
    Q_UNUSED(showFlag);
    const ProgramPart part{program, arguments};
    if (part.program.isEmpty())
        return FileNotFound;

    const QString hostPath = m_files.toHost(part.program);
    if (hostPath.isEmpty())
        return PathNotFound;
    if (!m_files.fileExists(part.program)) {
        if (m_files.directoryExists(part.program))
            return NotExecutable;
        WinPath parent = WinPath::parse(part.program);
        if (parent.names.isEmpty())
            return PathNotFound;
        parent.names.removeLast();
        const bool parentExists = (parent.names.isEmpty() && !parent.rooted && !parent.hasDrive())
            || m_files.directoryExists(parent.toString());
        return parentExists ? FileNotFound : PathNotFound;
    }

    const QByteArray host = QFile::encodeName(hostPath);
    if (!isRegularFile(host))
        return NotExecutable;

    QProcess process;
    const QStringList words = splitArguments(part.rest);
    if (leadingBytes(host) == "MZ") {
        const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (wine.isEmpty())
            return NotExecutable;
        process.setProgram(wine);
        process.setArguments(QStringList{hostPath} + words);
    } else {
        if (::access(host.constData(), X_OK) != 0)
            return NotExecutable;
        process.setProgram(hostPath);
        process.setArguments(words);
    }
    return startIn(process, folder);
}

int HostProcessStarter::startHostProgram(const QString& hostProgram, const QStringList& arguments,
                                         const QString& folder)
{
    if (!hostProgram.startsWith(QLatin1Char('/')))
        return FileNotFound;
    const QByteArray host = QFile::encodeName(hostProgram);
    struct stat st { };
    if (::stat(host.constData(), &st) != 0)
        return errno == ENOENT ? FileNotFound : PathNotFound;
    if (!S_ISREG(st.st_mode) || ::access(host.constData(), X_OK) != 0)
        return NotExecutable;
    QProcess process;
    process.setProgram(hostProgram);
    process.setArguments(arguments);
    return startIn(process, folder);
}

int HostProcessStarter::startIn(QProcess& process, const QString& folder) const
{
    // No folder: the program's own.
    if (!folder.isEmpty() && !m_files.directoryExists(folder))
        return PathNotFound;
    process.setWorkingDirectory(folder.isEmpty() ? QDir::currentPath() : m_files.toHost(folder));
    return process.startDetached() ? Started : Failed;
}

} // namespace umbraxis
