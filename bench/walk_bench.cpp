// Times the locator's search over a tree of about 51,000 directories, with
// five files in each, in which Quake is not to be found (so the walk runs
// out), against `find <root> -type d` over the same tree in the same run.
//
//   walk_bench [folder]   the tree is built in a temporary folder inside
//                         `folder` (default: the system's temporary folder)

#include "BenchSupport.h"
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
#include <fcntl.h>
#include <unistd.h>

using namespace umbraxis;

int main(int argc, char** argv)
{
    // The walk is timed with sound cues on the program's own clock, as on a
    // machine without a sound device.
    qputenv("PULSE_SERVER", "unix:/nonexistent/umbraxis-bench");
    QCoreApplication app(argc, argv);
    const QString parent = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir temp(parent + QStringLiteral("/walk_bench-XXXXXX"));
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder in %s\n", qPrintable(parent));
        return 1;
    }
    const QString root = temp.path() + QStringLiteral("/drive");
    QDir().mkpath(root);
    QDir().mkpath(temp.path() + QStringLiteral("/cd/sounds"));
    if (!bench::writeSilentCue(temp.path() + QStringLiteral("/cd/sounds/talk.wav")))
        return 1;
    QDir::setCurrent(temp.path() + QStringLiteral("/cd"));

    QElapsedTimer timer;
    timer.start();
    const int made = bench::buildTree(QFile::encodeName(root));
    if (made < 0) {
        std::fprintf(stderr, "cannot build the tree in %s\n", qPrintable(root));
        return 1;
    }
    std::printf("built %d directories with 5 files each in %lld ms\n", made, timer.elapsed());

    HostFileSystem files(DriveMap({{QLatin1Char('c'), root}}));
    IniSettingsStore settings(temp.path() + QStringLiteral("/Umbraxis.conf"));
    QtMediaFactory media;
    std::unique_ptr<MediaPlayer> player = media.createPlayer();
    Shell shell(*player, files);
    bench::CountingProgress progress;
    QuakeLocator locator(settings, files, shell, progress);

    const QStringList findArguments{root, QStringLiteral("-type"), QStringLiteral("d")};
    bench::timeCommand(QStringLiteral("find"), findArguments); // warms the caches for both alike
    std::vector<double> walks;
    std::vector<double> finds;
    const int rounds = 9;
    for (int round = 1; round <= rounds; ++round) {
        QString directory;
        timer.restart();
        locator.SearchForQuake(directory);
        const double walkMs = double(timer.nsecsElapsed()) / 1e6;
        const double findMs = bench::timeCommand(QStringLiteral("find"), findArguments);
        walks.push_back(walkMs);
        finds.push_back(findMs);
        std::printf("round %d: walk of %d directories %.1f ms, find -type d %.1f ms (ratio %.2f)\n", round,
                    locator.examined(), walkMs, findMs, walkMs / findMs);
    }
    std::printf("drive walk, median of %d: locator %.1f ms, find -type d %.1f ms, ratio %.2f\n", rounds,
                bench::median(walks), bench::median(finds), bench::median(walks) / bench::median(finds));
    return 0;
}
