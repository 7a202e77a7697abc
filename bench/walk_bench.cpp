// Times the locator's kind of walk over a generated tree of about 20,000
// directories against `find <dir> -type d | wc -l` on the same tree.
//
//   walk_bench [folder]   the tree is built in a temporary folder inside
//                         `folder` (default: the system's temporary folder)

#include "platform/HostFileSystem.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using namespace umbraxis;

namespace {

constexpr unsigned WalkFilter = faReadOnly | faDirectory | faArchive;

// 12 directories, 12 beneath each, 12 beneath those, and 10 leaves beneath
// every one of the third level: 19,164 directories, each with two files.
int buildTree(const QString& root)
{
    int directories = 0;
    std::vector<QString> level{root};
    const int fanOut[] = {12, 12, 12, 10};
    for (int width : fanOut) {
        std::vector<QString> next;
        for (const QString& parent : level) {
            for (int i = 0; i < width; ++i) {
                const QString dir = parent + QStringLiteral("/Dir%1").arg(i);
                if (!QDir().mkdir(dir))
                    return -1;
                ++directories;
                for (const char* name : {"/readme.txt", "/Map.bsp"}) {
                    QFile file(dir + QLatin1String(name));
                    if (!file.open(QIODevice::WriteOnly))
                        return -1;
                    file.write("data");
                }
                next.push_back(dir);
            }
        }
        level = std::move(next);
    }
    return directories;
}

// The locator's walk: three lookups per directory and one stack of pending
// directories, never finding what it looks for.
int walk(const FileSystem& files)
{
    std::vector<QString> pending{QStringLiteral("c:\\")};
    int examined = 0;
    while (!pending.empty()) {
        const QString current = pending.back();
        pending.pop_back();
        ++examined;
        if (files.findEntries(current + QLatin1String("quake.exe"), faAnyFile).empty()) {
            for (const DirEntry& entry : files.findEntries(current + QLatin1String("*.*"), WalkFilter)) {
                if (entry.attributes & faDirectory)
                    pending.push_back(current + entry.name + QLatin1Char('\\'));
            }
        }
        files.findEntries(current + QLatin1String("id1"), WalkFilter);
    }
    return examined;
}

qint64 timeFind(const QString& root, QByteArray* output)
{
    QElapsedTimer timer;
    timer.start();
    QProcess find;
    find.start(QStringLiteral("/bin/sh"),
               {QStringLiteral("-c"), QStringLiteral("find \"$0\" -type d | wc -l"), root});
    find.waitForFinished(-1);
    *output = find.readAllStandardOutput().trimmed();
    return timer.elapsed();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString parent = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir temp(parent + QLatin1String("/walk_bench-XXXXXX"));
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder in %s\n", qPrintable(parent));
        return 1;
    }
    const QString root = temp.path();

    QElapsedTimer timer;
    timer.start();
    const int made = buildTree(root);
    if (made < 0) {
        std::fprintf(stderr, "cannot build the tree in %s\n", qPrintable(root));
        return 1;
    }
    std::printf("built %d directories in %lld ms\n", made, timer.elapsed());

    const HostFileSystem files(DriveMap({{QLatin1Char('c'), root}}));
    QByteArray found;
    timeFind(root, &found);  // warms the caches for both runs alike

    for (int round = 1; round <= 2; ++round) {
        timer.restart();
        const int examined = walk(files);
        const qint64 walkMs = timer.elapsed();
        const qint64 findMs = timeFind(root, &found);
        std::printf("round %d: walk %d directories in %lld ms; find -type d counted %s in %lld ms"
                    " (ratio %.1f)\n",
                    round, examined, walkMs, found.constData(), findMs,
                    findMs > 0 ? double(walkMs) / double(findMs) : 0.0);
    }
    return 0;
}
