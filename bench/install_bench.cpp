// Times the installation of a level of about 200 MB (four large files and
// three hundred small ones, in two folders) from the CD into a Quake
// installation, with the progress steps running and every file recorded in
// the real settings store, against `cp -r` of the same folder in the same
// run.
//
//   install_bench [folder]   everything lives in a temporary folder inside
//                            `folder` (default: the system's temporary folder)

#include "BenchSupport.h"
#include "levels/LevelInstaller.h"
#include "levels/LevelShelf.h"
#include "locator/QuakeLocator.h"
#include "platform/IniSettingsStore.h"
#include "platform/QtMediaPlayer.h"
#include "platform/files/HostFileSystem.h"
#include "shell/Progress.h"
#include "shell/Shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

using namespace umbraxis;

int main(int argc, char** argv)
{
    qputenv("PULSE_SERVER", "unix:/nonexistent/umbraxis-bench");
    QCoreApplication app(argc, argv);
    const QString parent = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir temp(parent + QStringLiteral("/install_bench-XXXXXX"));
    if (!temp.isValid())
        return 1;
    const QString cd = temp.path() + QStringLiteral("/cd");
    const QString quake = temp.path() + QStringLiteral("/c/quake");
    QDir().mkpath(quake + QStringLiteral("/id1"));
    QDir().mkpath(cd + QStringLiteral("/sounds"));
    QDir().mkpath(cd + QStringLiteral("/levels/desc"));
    for (const char* name : {"/c/quake/quake.exe", "/cd/levels/desc/a.txt", "/cd/levels/desc/d.txt"}) {
        QFile file(temp.path() + QLatin1String(name));
        file.open(QIODevice::WriteOnly);
        file.write("x\r\n");
    }
    for (const char* cue : {"guncock.wav", "dsight.wav", "bounce.wav"})
        if (!bench::writeSilentCue(cd + QStringLiteral("/sounds/") + QLatin1String(cue)))
            return 1;
    const qint64 size = bench::buildLevel(cd + QStringLiteral("/levels/big"));
    if (size < 0)
        return 1;
    {
        QFile csv(cd + QStringLiteral("/levels.csv"));
        csv.open(QIODevice::WriteOnly);
        csv.write("Title,Directory,AuthorFile,DescFile,DirSize,LevelName\r\n\"Big Level\",big,a,d,"
                  + QByteArray::number(size) + ",big1\r\n");
    }
    std::printf("level of %.1f MB in 304 files\n", double(size) / (1 << 20));
    QDir::setCurrent(cd);

    HostFileSystem files(DriveMap({{QLatin1Char('c'), temp.path() + QStringLiteral("/c")}, {QLatin1Char('d'), cd}}));
    IniSettingsStore settings(temp.path() + QStringLiteral("/Umbraxis.conf"));
    QtMediaFactory media;
    std::unique_ptr<MediaPlayer> player = media.createPlayer();
    Shell shell(*player, files);
    bench::CountingProgress progress;
    QuakeLocator locator(settings, files, shell, progress);
    LevelShelf shelf;
    shelf.readWorkingDir(files);
    shelf.LoadCatalogue(files, settings, QStringLiteral("levels"));
    LevelInstaller installer({settings, files, shell, progress, shelf, locator, [](const LevelDetails&) {}});
    shell.KnownQuakeDir = QStringLiteral("c:\\quake\\");

    const QString source = cd + QStringLiteral("/levels/big");
    // Beside the installation, so that both make their files in the same
    // part of the disk.
    const QString copyTarget = quake + QStringLiteral("/copy");
    const QString game = quake + QStringLiteral("/Umbraxis");
    const int rounds = 9;
    bool failed = false;
    const bench::PairedTimes times = bench::timeAgainstCopy(
        rounds,
        [&] {
            QDir(game).removeRecursively();
            settings.EraseSection(QStringLiteral("Big Level"));
            progress.steps = 0;
        },
        [&] {
            try {
                installer.Install(QStringLiteral("Big Level"));
            } catch (const std::exception& error) {
                std::fprintf(stderr, "the installation failed: %s\n", error.what());
                failed = true;
            }
        },
        source, copyTarget,
        [&](int round, double installMs, double copyMs) {
            std::printf("round %d: install %.1f ms, cp -r %.1f ms (ratio %.2f)\n", round, installMs, copyMs,
                        installMs / copyMs);
        });
    if (failed)
        return 1;
    const std::vector<double>& installs = times.ours;
    const std::vector<double>& copies = times.copies;
    std::printf("install, median of %d: installer %.1f ms, cp -r %.1f ms, ratio %.2f\n", rounds,
                bench::median(installs), bench::median(copies), bench::median(installs) / bench::median(copies));
    return 0;
}
