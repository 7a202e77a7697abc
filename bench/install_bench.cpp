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
#include <random>

using namespace umbraxis;

namespace {

class CountingProgress : public Progress {
public:
    void setStatus(const QString& text) override { m_status = text; }
    QString status() const override { return m_status; }
    void ProgressStep() override
    {
        m_position = (m_position + 10) % 100;
        ++steps;
    }
    void setPosition(int position) override { m_position = position; }
    int position() const override { return m_position; }
    void repaintNow() override {}
    int steps = 0;

private:
    QString m_status;
    int m_position = 0;
};

bool writeFile(const QString& path, qint64 size, std::mt19937& random)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, '\0');
    while (size > 0) {
        for (char& byte : block)
            byte = char(random());
        const qint64 n = std::min<qint64>(size, block.size());
        if (file.write(block.constData(), n) != n)
            return false;
        size -= n;
    }
    return true;
}

// The level: four files of 48 MB, and 300 files of 2 to 40 kB, 100 of them
// in a subfolder. Returns its size in bytes.
qint64 buildLevel(const QString& folder)
{
    std::mt19937 random(7);
    qint64 total = 0;
    QDir().mkpath(folder + QStringLiteral("/sounds"));
    for (int i = 0; i < 4; ++i) {
        if (!writeFile(folder + QStringLiteral("/map%1.bsp").arg(i), 48 << 20, random))
            return -1;
        total += 48 << 20;
    }
    for (int i = 0; i < 300; ++i) {
        const qint64 size = 2048 + qint64(random() % 38912);
        const QString name = i < 100 ? QStringLiteral("/sounds/s%1.wav").arg(i) : QStringLiteral("/t%1.tex").arg(i);
        if (!writeFile(folder + name, size, random))
            return -1;
        total += size;
    }
    return total;
}

} // namespace

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
    const qint64 size = buildLevel(cd + QStringLiteral("/levels/big"));
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
    CountingProgress progress;
    QuakeLocator locator(settings, files, shell, progress, QuakeLocator::Variant::InstallScreen);
    LevelShelf shelf;
    shelf.readWorkingDir(files);
    shelf.LoadCatalogue(files, settings, QStringLiteral("levels"));
    LevelInstaller installer({settings, files, shell, progress, shelf, locator, [](const LevelDetails&) {}});
    shell.KnownQuakeDir = QStringLiteral("c:\\quake\\");

    const QString source = cd + QStringLiteral("/levels/big");
    const QString copyTarget = temp.path() + QStringLiteral("/copy");
    const QString maps = quake + QStringLiteral("/Umbraxis");
    const auto clean = [&] {
        QDir(copyTarget).removeRecursively();
        QDir(maps).removeRecursively();
        settings.EraseSection(QStringLiteral("Big Level"));
        ::sync();
    };
    // Warms the page cache with the source for both alike.
    bench::timeCommand(QStringLiteral("cp"), {QStringLiteral("-r"), source, copyTarget});
    std::vector<double> installs;
    std::vector<double> copies;
    const int rounds = 5;
    for (int round = 1; round <= rounds; ++round) {
        clean();
        QElapsedTimer clock;
        clock.start();
        try {
            installer.Install(QStringLiteral("Big Level"));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "the installation failed: %s\n", error.what());
            return 1;
        }
        const double installMs = double(clock.nsecsElapsed()) / 1e6;
        clean();
        const double copyMs = bench::timeCommand(QStringLiteral("cp"), {QStringLiteral("-r"), source, copyTarget});
        installs.push_back(installMs);
        copies.push_back(copyMs);
        std::printf("round %d: install %.1f ms (%d progress steps), cp -r %.1f ms (ratio %.2f)\n", round, installMs,
                    progress.steps, copyMs, installMs / copyMs);
        progress.steps = 0;
    }
    std::printf("install, median of %d: installer %.1f ms, cp -r %.1f ms, ratio %.2f\n", rounds,
                bench::median(installs), bench::median(copies), bench::median(installs) / bench::median(copies));
    return 0;
}
