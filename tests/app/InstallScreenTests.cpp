// The install screen of the real program puts levels into a Quake
// installation and takes them out again.

#include "app/ProgramFixture.h"
#include "app/ScreenPoints.h"

#include <QDirIterator>
#include <QSettings>

using namespace umbraxis::testing;

namespace {

// The centre of row `row` of the list whose top-left corner is `list`.
QPoint rowOf(QPoint list, int row)
{
    return list + QPoint(40, 2 + 13 * row + 6);
}

class InstallScreenProgram : public WholeProgram {
protected:
    void SetUp() override
    {
        WholeProgram::SetUp();
        ASSERT_TRUE(QDir(home.path()).mkpath("c/quake/id1"));
        QFile exe(home.path() + "/c/quake/quake.exe");
        ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
        exe.write("MZ stand-in");
        exe.close();
        QSettings drives(home.path() + "/config/Corvantide/drives.conf", QSettings::IniFormat);
        drives.setValue("Drives/c", home.path() + "/c");
        drives.setValue("Drives/d", binaryDir() + "/cd");
        drives.sync();
    }

    QString maps() const { return home.path() + "/c/quake/Umbraxis/maps"; }

    QSettings* settings()
    {
        m_settings = std::make_unique<QSettings>(home.path() + "/config/Corvantide/Umbraxis.conf",
                                                 QSettings::IniFormat);
        return m_settings.get();
    }

    bool waitFor(const std::function<bool()>& condition, int timeoutMs = 15000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            if (condition())
                return true;
            QThread::msleep(100);
        }
        return condition();
    }

    // The files of a level's directory on the CD, relative to it.
    static QStringList levelFiles(const QString& directory)
    {
        QStringList found;
        const QString root = binaryDir() + "/cd/levels/" + directory;
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << QDir(root).relativeFilePath(it.next());
        found.sort();
        return found;
    }

    void expectInstalled(const QString& title, const QString& directory, const QString& mapName)
    {
        SCOPED_TRACE(title.toStdString());
        QSettings* stored = settings();
        stored->beginGroup(title);
        EXPECT_EQ(stored->value("LevelFileName").toString(), mapName);
        QStringList recorded;
        for (int n = 1; stored->contains(QStringLiteral("File%1").arg(n)); ++n)
            recorded << stored->value(QStringLiteral("File%1").arg(n)).toString();
        recorded.sort();
        QStringList expected;
        for (const QString& file : levelFiles(directory)) {
            expected << "c:\\quake\\Umbraxis\\maps\\" + QString(file).replace('/', '\\');
            QFile source(binaryDir() + "/cd/levels/" + directory + "/" + file);
            QFile copy(maps() + "/" + file);
            ASSERT_TRUE(source.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly)) << file.toStdString();
            EXPECT_EQ(copy.readAll(), source.readAll()) << file.toStdString();
        }
        expected.sort();
        EXPECT_EQ(recorded, expected);
    }

    std::unique_ptr<QSettings> m_settings;
};

TEST_F(InstallScreenProgram, InstallsByArrowAndByDragAndRemovesThemAgain)
{
    QProcess program;
    start(program);
    const QStringList windows = waitForWindows("Umbraxis", 30000);
    ASSERT_EQ(windows.size(), 1);
    click(windows.first(), DisplayLevelsButton.x(), DisplayLevelsButton.y());
    const QString screen = waitForNewWindow("Umbraxis", windows, 10000);
    ASSERT_FALSE(screen.isEmpty()) << "Display Levels opened nothing";
    QThread::msleep(500);

    // Rust Foundry is the fifth available level.
    const QPoint available(32, 96);
    const QPoint installed(184, 96);
    click(screen, rowOf(available, 4).x(), rowOf(available, 4).y());
    QThread::msleep(800);
    const QImage picture = screenshot(screen, "install-screen");
    ASSERT_EQ(picture.size(), QSize(640, 480));
    EXPECT_GT(colourCount(picture, QRect(320, 208, 289, 113)), 2) << "the description pane is empty";
    click(screen, InstallSelectedArrow.x(), InstallSelectedArrow.y());
    ASSERT_TRUE(waitFor([&] { return settings()->contains("Rust Foundry/LevelFileName"); }))
        << "the level was not installed";
    expectInstalled("Rust Foundry", "foundry", "umbx1");

    // Umbral Gate, last of the seven left, is dragged across.
    const QPoint from = rowOf(available, 6);
    display.run("xdotool", {"mousemove", "--window", screen, QString::number(from.x()), QString::number(from.y())});
    display.run("xdotool", {"mousedown", "1"});
    for (int step = 1; step <= 10; ++step) {
        const QPoint at = from + (installed + QPoint(50, 80) - from) * step / 10;
        display.run("xdotool", {"mousemove", "--window", screen, QString::number(at.x()), QString::number(at.y())});
        QThread::msleep(50);
    }
    display.run("xdotool", {"mouseup", "1"});
    ASSERT_TRUE(waitFor([&] { return settings()->contains("Umbral Gate/LevelFileName"); }))
        << "the drag installed nothing";
    expectInstalled("Umbral Gate", "gate", "umbx8");

    // Both levels bring README.TXT. Removing Rust Foundry, the first of the
    // installed list, leaves the one Umbral Gate still needs, with its bytes.
    click(screen, rowOf(installed, 0).x(), rowOf(installed, 0).y());
    QThread::msleep(800);
    click(screen, UninstallSelectedArrow.x(), UninstallSelectedArrow.y());
    ASSERT_TRUE(waitFor([&] { return !settings()->childGroups().contains("Rust Foundry"); }))
        << "Rust Foundry was not removed";
    EXPECT_FALSE(QFileInfo::exists(maps() + "/umbx1.bsp"));
    expectInstalled("Umbral Gate", "gate", "umbx8");

    click(screen, UninstallAllArrow.x(), UninstallAllArrow.y());
    ASSERT_TRUE(waitFor([&] {
        QSettings* stored = settings();
        return !stored->childGroups().contains("Rust Foundry") && !stored->childGroups().contains("Umbral Gate");
    })) << "the levels were not removed";
    QDirIterator left(maps(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    EXPECT_FALSE(left.hasNext()) << "a file stayed behind: " << (left.hasNext() ? left.next().toStdString() : "");
    EXPECT_TRUE(QFileInfo(maps()).isDir()) << "folders stay";
    EXPECT_TRUE(QFileInfo(maps() + "/sound/umbx").isDir());
    stop(program);
}

} // namespace
