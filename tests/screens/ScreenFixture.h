#pragma once

#include "fakes/Fakes.h"
#include "fakes/RecordingMediaPlayer.h"
#include "platform/Services.h"
#include "platform/files/HostFileSystem.h"
#include "shell/ImageButton.h"
#include "shell/Shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace umbraxis::testing {

// A temporary CD folder made the current directory, recording fakes for the
// services, every picture a screen may ask for, and the main screen's shell.
class ScreenFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cd.isValid());
        previousDirectory = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(cd.path()));
        for (const char* folder : {"sounds", "text", "images", "levels/desc"})
            ASSERT_TRUE(QDir(cd.path()).mkpath(folder));
        files = std::make_unique<HostFileSystem>(DriveMap({{QChar('c'), QStringLiteral("/")}}));
        services.settings = &settings;
        services.files = files.get();
        services.pictures = &pictures;
        services.media = &media;
        services.instance = &instance;
        services.errors = &errors;
        services.desktop = &desktop;
        cuePlayer = media.createPlayer();
        shell = std::make_unique<Shell>(*cuePlayer, *files);
        shell->setMainPosition([this] { return mainPosition; });
        shell->setDocumentViewer([this](const QString& document) { documentsShown << document; });
        for (const char* cue : {"guncock.wav", "ric3.wav", "dsight.wav", "bounce.wav", "talk.wav"})
            addSound(QString::fromLatin1(cue));
        for (const char* name : {"fview", "finstall", "fbrief", "fabout"})
            pictures.add(QStringLiteral("images\\%1.bmp").arg(name), {640, 480}, Qt::darkBlue);
        pictures.add(QStringLiteral("images\\fsplash.bmp"), {420, 160}, Qt::darkBlue);
        for (const char* name : {"help", "main", "runs", "rundm", "runcp"}) {
            const QSize size = QString::fromLatin1(name).startsWith("run") ? QSize(260, 60) : QSize(134, 27);
            pictures.add(QStringLiteral("images\\fbf%1.bmp").arg(name), size, normalColour);
            pictures.add(QStringLiteral("images\\fbn%1.bmp").arg(name), size, pressedColour);
        }
    }

    void TearDown() override { QDir::setCurrent(previousDirectory); }

    void addSound(const QString& name) { write("sounds/" + name, "RIFF"); }

    void write(const QString& relative, const QByteArray& data)
    {
        QFile file(cd.path() + "/" + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(data), data.size());
    }

    // The cues played, in order, from the recording media log.
    QStringList cues() const
    {
        QStringList played;
        QString open;
        for (const QString& line : media.log()) {
            if (line.startsWith("setFileName sounds\\"))
                open = line.mid(19);
            else if (line.startsWith("play from"))
                played << (open.isEmpty() ? cuePlayer->fileName().mid(7) : open);
        }
        return played;
    }

    // The colour a picture button shows now (0 when it shows nothing).
    static QRgb shownColour(const ImageButton* image)
    {
        const QImage shown = image->shownPicture().toImage();
        return shown.isNull() ? 0 : shown.pixel(1, 1);
    }

    const QColor normalColour = QColor(40, 160, 40);
    const QColor pressedColour = QColor(160, 40, 40);

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
    std::unique_ptr<MediaPlayer> cuePlayer;
    std::unique_ptr<Shell> shell;
    QPoint mainPosition{100, 60};
    QStringList documentsShown;
};

} // namespace umbraxis::testing
