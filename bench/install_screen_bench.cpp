// Times the long work of the install screen with the screen live on a
// private X server: a drive walk of 51,110 directories that runs out (Quake
// is not there) against `find <root> -type d`, and the installation of a
// level of about 200 MB against `cp -r` of its folder, each started by the
// screen's install arrow as a click would start it.
//
//   install_screen_bench <cd folder> [work folder]
//
// The CD folder lends its pictures and sounds; the trees are built in a
// temporary folder inside the work folder (default: the system's temporary
// folder).

#include "BenchSupport.h"
#include "levels/LevelShelf.h"
#include "levels/TfInstall.h"
#include "platform/ErrorBox.h"
#include "platform/IniSettingsStore.h"
#include "platform/PictureFiles.h"
#include "platform/QtMediaPlayer.h"
#include "platform/files/HostFileSystem.h"
#include "platform/windowing/SystemDialogs.h"
#include "shell/Application.h"
#include "shell/LevelList.h"
#include "shell/Shell.h"
#include "support/VirtualDisplay.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace umbraxis;

namespace {

class PrintingErrorBox : public ErrorBox {
public:
    void show(const QString& message) override
    {
        std::fprintf(stderr, "error: %s.\n", qPrintable(message));
        ++shown;
    }
    int shown = 0;
};

bool copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files);
    while (it.hasNext()) {
        const QString file = it.next();
        if (!QFile::copy(file, to + QLatin1Char('/') + QFileInfo(file).fileName()))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: install_screen_bench <cd folder> [work folder]\n");
        return 2;
    }
    qputenv("PULSE_SERVER", "unix:/nonexistent/umbraxis-bench");
    const QString sampleCd = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString parent = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
    QTemporaryDir temp(parent + QStringLiteral("/install_screen_bench-XXXXXX"));
    if (!temp.isValid())
        return 1;

    testing::VirtualDisplay display;
    if (!display.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(display.failure()));
        return 1;
    }
    qputenv("DISPLAY", display.name().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    Application app(argc, argv);

    // Drive c: holds the tree the walk runs out in; q: the Quake
    // installation and r: the CD lie beyond the drives a walk searches.
    const QString walkRoot = temp.path() + QStringLiteral("/walk");
    const QString quake = temp.path() + QStringLiteral("/q/quake");
    const QString cd = temp.path() + QStringLiteral("/cd");
    QDir().mkpath(walkRoot);
    QDir().mkpath(quake + QStringLiteral("/id1"));
    if (!copyFolder(sampleCd + QStringLiteral("/images"), cd + QStringLiteral("/images"))
        || !copyFolder(sampleCd + QStringLiteral("/sounds"), cd + QStringLiteral("/sounds")))
        return 1;
    QDir().mkpath(cd + QStringLiteral("/levels/desc"));
    for (const QString& path : {quake + QStringLiteral("/quake.exe"), cd + QStringLiteral("/levels/desc/a.txt"),
                                cd + QStringLiteral("/levels/desc/d.txt")}) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("x\r\n");
    }
    QElapsedTimer clock;
    clock.start();
    const int directories = bench::buildTree(QFile::encodeName(walkRoot));
    const qint64 size = bench::buildLevel(cd + QStringLiteral("/levels/big"));
    if (directories < 0 || size < 0)
        return 1;
    {
        QFile csv(cd + QStringLiteral("/levels.csv"));
        csv.open(QIODevice::WriteOnly);
        csv.write("Title,Directory,AuthorFile,DescFile,DirSize,LevelName\r\n\"Big Level\",big,a,d,"
                  + QByteArray::number(size) + ",big1\r\n");
    }
    std::printf("built %d directories and a level of %.1f MB in %lld ms\n", directories, double(size) / (1 << 20),
                clock.elapsed());
    QDir::setCurrent(cd);

    HostFileSystem files(DriveMap({{QLatin1Char('c'), walkRoot},
                                   {QLatin1Char('q'), temp.path() + QStringLiteral("/q")},
                                   {QLatin1Char('r'), cd}}));
    IniSettingsStore settings(temp.path() + QStringLiteral("/Umbraxis.conf"));
    PictureFiles pictures(files);
    QtMediaFactory media([&files](const QString& path) { return files.toHost(path); });
    PrintingErrorBox errors;
    QtDesktop desktop;
    Services services;
    services.settings = &settings;
    services.files = &files;
    services.pictures = &pictures;
    services.media = &media;
    services.errors = &errors;
    services.desktop = &desktop;
    app.setErrorBox(&errors);
    std::unique_ptr<MediaPlayer> cuePlayer = media.createPlayer();
    Shell shell(*cuePlayer, files);
    LevelShelf shelf;
    ScreenPtr<TfInstall> screen = createScreen<TfInstall>(services, shell, shelf);
    screen->show();
    if (!QTest::qWaitForWindowExposed(screen.get(), 10000)) {
        std::fprintf(stderr, "the screen did not appear\n");
        return 1;
    }
    QTest::qWait(200);

    const int rounds = 9;
    const QStringList findArguments{walkRoot, QStringLiteral("-type"), QStringLiteral("d")};
    bench::timeCommand(QStringLiteral("find"), findArguments);
    std::vector<double> walks;
    std::vector<double> finds;
    for (int round = 1; round <= rounds; ++round) {
        shell.KnownQuakeDir.clear();
        clock.restart();
        screen->Image1Click();
        const double walkMs = double(clock.nsecsElapsed()) / 1e6;
        QCoreApplication::processEvents();
        const double findMs = bench::timeCommand(QStringLiteral("find"), findArguments);
        walks.push_back(walkMs);
        finds.push_back(findMs);
        std::printf("walk round %d: from the screen %.1f ms (%d paints), find -type d %.1f ms (ratio %.2f)\n", round,
                    walkMs, screen->progress().paints(), findMs, walkMs / findMs);
    }

    const QString source = cd + QStringLiteral("/levels/big");
    // Beside the installation, so that both make their files in the same
    // part of the disk.
    const QString copyTarget = quake + QStringLiteral("/copy");
    const bench::PairedTimes times = bench::timeAgainstCopy(
        rounds,
        [&] {
            // The screen's own way of taking the level out again.
            shell.KnownQuakeDir = QStringLiteral("q:\\quake\\");
            screen->Image7Click();
            QCoreApplication::processEvents();
            screen->lbAvailable->setRowSelected(0, true);
        },
        [&] { screen->Image1Click(); }, source, copyTarget,
        [&](int round, double installMs, double copyMs) {
            std::printf("install round %d: from the screen %.1f ms, cp -r %.1f ms (ratio %.2f)\n", round, installMs,
                        copyMs, installMs / copyMs);
        });
    if (errors.shown > 0) {
        std::fprintf(stderr, "an installation failed\n");
        return 1;
    }
    const std::vector<double>& installs = times.ours;
    const std::vector<double>& copies = times.copies;
    std::printf("walk from the install screen, median of %d: %.1f ms, find -type d %.1f ms, ratio %.2f\n", rounds,
                bench::median(walks), bench::median(finds), bench::median(walks) / bench::median(finds));
    std::printf("install from the install screen, median of %d: %.1f ms, cp -r %.1f ms, ratio %.2f\n", rounds,
                bench::median(installs), bench::median(copies), bench::median(installs) / bench::median(copies));
    screen.reset();
    return 0;
}
