#pragma once

// Stand-ins for the ports the level logic and the locator reach the world
// through, with failures on demand and one log of what happened, in order.

#include "platform/files/HostFileSystem.h"
#include "shell/Progress.h"
#include "shell/Shell.h"

#include <QSet>

#include <QStringList>
#include <cerrno>

#include <functional>

namespace umbraxis {

// Cues and status changes in the order they happened.
struct EventLog {
    QStringList events;
    // The events that start with `prefix`, without it.
    QStringList only(const QString& prefix) const;
};

// The real shell, whose cues are also written to the log as "cue <name>".
class RecordingShell : public Shell {
public:
    RecordingShell(MediaPlayer& player, const FileSystem& files, EventLog& log)
        : Shell(player, files)
        , m_log(log)
    {
    }
    void PlayCue(const QString& name) override
    {
        m_log.events << QStringLiteral("cue ") + name;
        Shell::PlayCue(name);
    }

private:
    EventLog& m_log;
};

// A status line and bar that log "status <text>", "position <n>", and each
// step's new position as "step <n>".
class RecordingProgress : public Progress {
public:
    explicit RecordingProgress(EventLog& log)
        : m_log(log)
    {
    }
    void setStatus(const QString& text) override;
    QString status() const override { return m_status; }
    void ProgressStep() override;
    void setPosition(int position) override;
    int position() const override { return m_position; }
    void repaintNow() override { ++repaints; }
    QString statusAfterSearch() const override { return afterSearch; }

    // What the status line says after a search: the screen's choice.
    QString afterSearch;
    int steps = 0;
    int repaints = 0;
    // Steps are not logged one by one when set (walks of many directories).
    bool quietSteps = false;

private:
    EventLog& m_log;
    QString m_status = QStringLiteral("Ready");
    int m_position = 0;
};

// The real file system over temporary folders, with failures on demand.
class FailingFileSystem : public HostFileSystem {
public:
    using HostFileSystem::HostFileSystem;

    // Writes fail as on a full disk once this many bytes have been written
    // in all (negative: never).
    qint64 fullAfterBytes = -1;
    qint64 bytesWritten = 0;
    // Creating a file whose program path ends with one of these fails.
    QStringList failCreate;
    // Opening for reading a file whose path ends with one of these fails;
    // reading one fails after its first block.
    QStringList failOpen;
    QStringList failRead;
    // Lets a test choose the order in which directories list their entries.
    std::function<void(std::vector<DirEntry>&)> reorderEntries;
    std::function<void(std::vector<WalkEntry>&)> reorderWalk;
    // A program cannot be started in one of these folders.
    QStringList failEnter;
    int probeFolder(const QString& folder) const override
    {
        if (failEnter.contains(folder, Qt::CaseInsensitive))
            return EACCES;
        return HostFileSystem::probeFolder(folder);
    }
    // The free space every query reports, when set.
    std::optional<std::int64_t> freeBytes;
    // Every path deleted, and every directory a walk listed, in order.
    QStringList deleted;
    mutable QStringList listed;
    // Refuses second names for files, as a file system without them does.
    bool refuseLinks = false;
    // Called before every change to a file's name or content (a create, a
    // replace, a removal, a second name), with what is about to happen.
    std::function<void(const QString&)> beforeChange;
    void changing(const QString& what)
    {
        if (beforeChange)
            beforeChange(what);
    }

    std::vector<DirEntry> findEntries(const QString& pattern, unsigned allowed) const override;
    int listDirectory(const WalkDirectory& directory, std::vector<WalkEntry>& entries) const override;
    std::int64_t freeSpaceAt(const QString& path) const override;
    Opened<Folder> openFolder(const QString& path) override;
    Opened<File> openRead(const QString& path) override;
    Opened<File> create(const QString& path) override;
    int deleteFile(const QString& path) override;
    int replaceFile(const QString& from, const QString& to) override;
    int linkFile(const QString& existing, const QString& link) override;

    static bool endsWithAny(const QString& path, const QStringList& ends);
    // A file of this file system that fails as asked.
    Opened<File> wrap(Opened<File> file, const QString& path);
};

} // namespace umbraxis
