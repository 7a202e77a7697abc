#pragma once

#include "platform/Descriptor.h"
#include "platform/FileSystem.h"
#include "platform/NameHash.h"

#include <QByteArray>
#include <QList>

#include <unordered_map>
#include <unordered_set>

namespace umbraxis {

// A file of the host, open on its descriptor.
class HostFile : public File {
public:
    explicit HostFile(Descriptor fd)
        : m_fd(std::move(fd))
    {
    }

    std::int64_t read(char* buffer, std::int64_t count) override;
    std::int64_t write(const char* buffer, std::int64_t count) override;
    int error() const override { return m_error; }
    bool setModified(std::int64_t nanoseconds) override;
    std::int64_t copyFrom(File& source, char* buffer, std::int64_t bufferSize, std::int64_t count) override;

private:
    Descriptor m_fd;
    int m_error = 0;
    // The kernel cannot copy between these two files itself.
    bool m_plainCopy = false;
};

// A directory held open: files in it are reached by name relative to it, and
// its names are listed once, then kept up to date by this handle's own
// changes, so that lookups regardless of letter case cost nothing more.
class HostFolder : public Folder {
public:
    explicit HostFolder(Descriptor fd)
        : m_fd(std::move(fd))
    {
    }

    Opened<File> openRead(const QString& name) override;
    Opened<File> create(const QString& name) override;
    int replace(const QString& from, const QString& to) override;
    int remove(const QString& name) override;
    bool stamp(const QString& name, FileStamp& stamp) override;

private:
    void list();
    void remember(const QByteArray& stored);
    void forget(const QByteArray& stored);
    // The name as the directory holds it: the exact name first, else one
    // that differs only in letter case, else the name as given.
    QByteArray storedName(const QString& name);

    Descriptor m_fd;
    bool m_listed = false;
    std::unordered_set<QByteArray, BytesHash> m_exact;
    // For each name in one letter case, the names held that differ from it
    // only in case, the earliest remembered first.
    std::unordered_map<QByteArray, QList<QByteArray>, BytesHash> m_byFold;
};

} // namespace umbraxis
