#include "fakes/LogicFakes.h"

#include <cerrno>

namespace umbraxis {

QStringList EventLog::only(const QString& prefix) const
{
    QStringList found;
    for (const QString& event : events)
        if (event.startsWith(prefix))
            found << event.mid(prefix.size());
    return found;
}

void RecordingProgress::setStatus(const QString& text)
{
    m_status = text;
    m_log.events << QStringLiteral("status ") + text;
}

void RecordingProgress::ProgressStep()
{
    m_position = (m_position + 10) % 100;
    ++steps;
    if (!quietSteps)
        m_log.events << QStringLiteral("step %1").arg(m_position);
}

void RecordingProgress::setPosition(int position)
{
    m_position = position;
    m_log.events << QStringLiteral("position %1").arg(position);
}

namespace {

// A file that stops writing once the disk it pretends to be on is full, or
// stops reading after its first block.
class FailingFile : public File {
public:
    FailingFile(std::unique_ptr<File> inner, FailingFileSystem& owner, bool failRead)
        : m_inner(std::move(inner))
        , m_owner(owner)
        , m_failRead(failRead)
    {
    }

    std::int64_t read(char* buffer, std::int64_t count) override
    {
        if (m_failRead && m_reads++ > 0) {
            m_error = EIO;
            return -1;
        }
        return m_inner->read(buffer, count);
    }

    std::int64_t write(const char* buffer, std::int64_t count) override
    {
        std::int64_t allowed = count;
        if (m_owner.fullAfterBytes >= 0)
            allowed = std::max<std::int64_t>(
                0, std::min<std::int64_t>(count, m_owner.fullAfterBytes - m_owner.bytesWritten));
        const std::int64_t written = allowed > 0 ? m_inner->write(buffer, allowed) : 0;
        if (written > 0)
            m_owner.bytesWritten += written;
        if (written < count)
            m_error = written < allowed ? m_inner->error() : ENOSPC;
        return written == 0 && count > 0 ? -1 : written;
    }

    int error() const override { return m_error ? m_error : m_inner->error(); }
    bool setModified(std::int64_t nanoseconds) override { return m_inner->setModified(nanoseconds); }

private:
    std::unique_ptr<File> m_inner;
    FailingFileSystem& m_owner;
    bool m_failRead;
    int m_reads = 0;
    int m_error = 0;
};

// A folder whose files fail as the file system was told to.
class FailingFolder : public Folder {
public:
    FailingFolder(std::unique_ptr<Folder> inner, FailingFileSystem& owner, QString path)
        : m_inner(std::move(inner))
        , m_owner(owner)
        , m_path(std::move(path))
    {
    }

    Opened<File> openRead(const QString& name) override
    {
        const QString path = m_path + QLatin1Char('\\') + name;
        if (FailingFileSystem::endsWithAny(path, m_owner.failOpen))
            return {nullptr, EACCES};
        return m_owner.wrap(m_inner->openRead(name), path);
    }

    Opened<File> create(const QString& name) override
    {
        const QString path = m_path + QLatin1Char('\\') + name;
        if (FailingFileSystem::endsWithAny(path, m_owner.failCreate))
            return {nullptr, EACCES};
        m_owner.changing(QStringLiteral("create ") + path);
        return m_owner.wrap(m_inner->create(name), path);
    }

    int replace(const QString& from, const QString& to) override
    {
        m_owner.changing(QStringLiteral("replace ") + m_path + QLatin1Char('\\') + to);
        return m_inner->replace(from, to);
    }

    int remove(const QString& name) override
    {
        m_owner.changing(QStringLiteral("remove ") + m_path + QLatin1Char('\\') + name);
        m_owner.deleted << m_path + QLatin1Char('\\') + name;
        return m_inner->remove(name);
    }

    bool stamp(const QString& name, FileStamp& stamp) override { return m_inner->stamp(name, stamp); }

private:
    std::unique_ptr<Folder> m_inner;
    FailingFileSystem& m_owner;
    QString m_path;
};

} // namespace

Opened<File> FailingFileSystem::wrap(Opened<File> file, const QString& path)
{
    if (!file.handle)
        return file;
    return {std::make_unique<FailingFile>(std::move(file.handle), *this, endsWithAny(path, failRead)), 0};
}

Opened<Folder> FailingFileSystem::openFolder(const QString& path)
{
    Opened<Folder> folder = HostFileSystem::openFolder(path);
    if (!folder.handle)
        return folder;
    return {std::make_unique<FailingFolder>(std::move(folder.handle), *this, path), 0};
}

bool FailingFileSystem::endsWithAny(const QString& path, const QStringList& ends)
{
    for (const QString& end : ends)
        if (path.endsWith(end, Qt::CaseInsensitive))
            return true;
    return false;
}

std::vector<DirEntry> FailingFileSystem::findEntries(const QString& pattern, unsigned allowed) const
{
    std::vector<DirEntry> entries = HostFileSystem::findEntries(pattern, allowed);
    if (reorderEntries)
        reorderEntries(entries);
    return entries;
}

int FailingFileSystem::listDirectory(const WalkDirectory& directory, std::vector<WalkEntry>& entries) const
{
    listed << directory.path;
    const int error = HostFileSystem::listDirectory(directory, entries);
    if (reorderWalk)
        reorderWalk(entries);
    return error;
}

std::int64_t FailingFileSystem::freeSpaceAt(const QString& path) const
{
    return freeBytes ? *freeBytes : HostFileSystem::freeSpaceAt(path);
}

Opened<File> FailingFileSystem::openRead(const QString& path)
{
    if (endsWithAny(path, failOpen))
        return {nullptr, EACCES};
    return wrap(HostFileSystem::openRead(path), path);
}

Opened<File> FailingFileSystem::create(const QString& path)
{
    if (endsWithAny(path, failCreate))
        return {nullptr, EACCES};
    changing(QStringLiteral("create ") + path);
    return wrap(HostFileSystem::create(path), path);
}

int FailingFileSystem::deleteFile(const QString& path)
{
    changing(QStringLiteral("remove ") + path);
    deleted << path;
    return HostFileSystem::deleteFile(path);
}

int FailingFileSystem::replaceFile(const QString& from, const QString& to)
{
    changing(QStringLiteral("replace ") + to);
    return HostFileSystem::replaceFile(from, to);
}

int FailingFileSystem::linkFile(const QString& existing, const QString& link)
{
    if (refuseLinks)
        return EPERM;
    changing(QStringLiteral("link ") + link);
    return HostFileSystem::linkFile(existing, link);
}

} // namespace umbraxis
