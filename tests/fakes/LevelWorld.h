#pragma once

// A CD and a Quake installation in temporary folders, as the installer sees
// them: the CD is drive d: and the working directory, Quake lives in
// c:\quake\ (with quake.exe and id1).

#include "fakes/Fakes.h"
#include "fakes/LogicFakes.h"
#include "fakes/RecordingMediaPlayer.h"
#include "levels/LevelInstaller.h"
#include "levels/LevelShelf.h"
#include "locator/QuakeLocator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace umbraxis::testing {

struct SampleLevel {
    QString title;
    QString directory;
    QString dirSize;
    QString levelName;
    // Files below the level's directory: relative path -> content.
    QList<QPair<QString, QByteArray>> files;
};

class LevelWorld {
public:
    // Builds the world in `root` (a temporary folder of the caller's); the
    // Quake drive may be a separate folder (a small disk, say).
    explicit LevelWorld(const QString& root, const QString& quakeDrive = QString());
    ~LevelWorld();

    void addLevel(const SampleLevel& level);
    // Writes levels.csv with every level added, and loads it.
    void loadCatalogue();

    QString cdPath(const QString& relative) const { return m_root + "/cd/" + relative; }
    QString quakePath(const QString& relative) const { return m_quake + "/quake/" + relative; }
    QString mapsPath(const QString& relative = QString()) const { return quakePath("Umbraxis/maps/" + relative); }
    // Where a file of the maps folder that an installation replaced is kept.
    QString keptPath(const QString& relative = QString()) const
    {
        return quakePath("Umbraxis/replaced/maps/" + relative);
    }

    // Every file below the maps folder (or `folder`), relative to it, sorted.
    QStringList mapsFiles() const { return filesBelow(mapsPath()); }
    static QStringList filesBelow(const QString& folder);
    static QByteArray contentOf(const QString& hostPath);
    static void write(const QString& hostPath, const QByteArray& content);

    QString m_root;
    QString m_quake;
    QString m_previous;
    QList<SampleLevel> levels;
    std::unique_ptr<FailingFileSystem> files;
    MemorySettingsStore memorySettings;
    SettingsStore* settings = &memorySettings;
    RecordingMediaFactory media;
    std::unique_ptr<MediaPlayer> player;
    EventLog log;
    RecordingProgress progress{log};
    std::unique_ptr<RecordingShell> shell;
    LevelShelf shelf;
    std::unique_ptr<QuakeLocator> locator;
    std::unique_ptr<LevelInstaller> installer;
    QList<LevelDetails> shown;

    // Makes the installer again over `store` (the real store, say).
    void useSettings(SettingsStore& store);
};

} // namespace umbraxis::testing
