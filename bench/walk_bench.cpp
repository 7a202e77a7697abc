// Times the locator's search over a tree of about 51,000 directories, with
// five files in each, in which Quake is not to be found (so the walk runs
// out), against `find <root> -type d` over the same tree in the same run.
//
//   walk_bench [folder]   the tree is built in a temporary folder inside
//                         `folder` (default: the system's temporary folder)

#include "BenchSupport.h"
#include "locator/QuakeLocator.h"
#include "platform/HostFileSystem.h"
#include "platform/IniSettingsStore.h"
#include "platform/QtMediaPlayer.h"
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

namespace {

class CountingProgress : public Progress {
public:
    void setStatus(const QString& text) override { m_status = text; }
    QString status() const override { return m_status; }
    void ProgressStep() override { m_position = (m_position + 10) % 100; }
    void setPosition(int position) override { m_position = position; }
    int position() const override { return m_position; }
    void repaintNow() override {}

private:
    QString m_status;
    int m_position = 0;
};

// 10 directories, 10 beneath each, 10 beneath those and 50 beneath every one
// of the third level: 51,110 directories, each holding five empty files.
int buildTree(const QByteArray& root)
{
    int directories = 0;
    std::vector<QByteArray> level{root};
    for (int width : {10, 10, 10, 50}) {
        std::vector<QByteArray> next;
        for (const QByteArray& parent : level) {
            for (int i = 0; i < width; ++i) {
                const QByteArray dir = parent + "/Dir" + QByteArray::number(i);
                if (::mkdir(dir.constData(), 0755) != 0)
                    return -1;
                ++directories;
                for (const char* name : {"/readme.txt", "/Map.bsp", "/notes.doc", "/data.bin", "/CONFIG.CFG"}) {
                    const int fd = ::open((dir + name).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                    if (fd < 0)
                        return -1;
                    ::close(fd);
                }
                next.push_back(dir);
            }
        }
        level = std::move(next);
    }
    return directories;
}

} // namespace

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
    const int made = buildTree(QFile::encodeName(root));
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
    CountingProgress progress;
    QuakeLocator locator(settings, files, shell, progress, QuakeLocator::Variant::InstallScreen);

    const QStringList findArguments{root, QStringLiteral("-type"), QStringLiteral("d")};
    bench::timeCommand(QStringLiteral("find"), findArguments);  // warms the caches for both alike
    std::vector<double> walks;
    std::vector<double> finds;
    const int rounds = 5;
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
