#pragma once

#include "fakes/Fakes.h"
#include "fakes/RecordingMediaPlayer.h"
#include "platform/Services.h"
#include "platform/files/HostFileSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace umbraxis::testing {

// A temporary CD folder made the current directory, with recording fakes
// for every service; the real file system looks at the folder.
class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cd.isValid());
        previousDirectory = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(cd.path()));
        ASSERT_TRUE(QDir(cd.path()).mkpath("sounds"));
        files = std::make_unique<HostFileSystem>(DriveMap({{QChar('c'), QStringLiteral("/")}}));
        services.settings = &settings;
        services.files = files.get();
        services.pictures = &pictures;
        services.media = &media;
        services.instance = &instance;
        services.errors = &errors;
        services.desktop = &desktop;
    }

    void TearDown() override { QDir::setCurrent(previousDirectory); }

    // Puts a (silent) sound file on the CD; the fake player never reads it.
    void addSound(const QString& name)
    {
        QFile file(cd.path() + "/sounds/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("RIFF");
    }

    QTemporaryDir cd;
    QString previousDirectory;
    std::unique_ptr<HostFileSystem> files;
    MemorySettingsStore settings;
    FakePictureLoader pictures;
    RecordingMediaFactory media;
    FakeInstanceGuard instance;
    RecordingErrorBox errors;
    RecordingDesktop desktop;
    Services services;
};

} // namespace umbraxis::testing
