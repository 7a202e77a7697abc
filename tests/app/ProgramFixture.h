#pragma once

// Runs the real program on the sample CD under a private X server.

#include "support/SoundServer.h"
#include "support/VirtualDisplay.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <functional>

namespace umbraxis::testing {

inline QString binaryDir()
{
    return QString::fromLocal8Bit(qgetenv("UMBRAXIS_BINARY_DIR"));
}

inline QString artifactsDir()
{
    const QString folder = binaryDir() + QStringLiteral("/artifacts");
    QDir().mkpath(folder);
    return folder;
}

class WholeProgram : public ::testing::Test {
protected:
    // Whether `condition` came true within `timeoutMs`, looked at every 100 ms.
    bool waitFor(const std::function<bool()>& condition, int timeoutMs = 15000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs && !condition())
            QThread::msleep(100);
        return condition();
    }

    void SetUp() override
    {
        ASSERT_FALSE(binaryDir().isEmpty()) << "UMBRAXIS_BINARY_DIR is not set";
        ASSERT_TRUE(display.isRunning()) << display.failure().toStdString();
        ASSERT_TRUE(QDir(home.path()).mkpath("config/Corvantide"));
        ASSERT_TRUE(QDir(home.path()).mkpath("run"));
        QFile::setPermissions(home.path() + "/run",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display.name());
        environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
        environment.insert("XDG_RUNTIME_DIR", home.path() + "/run");
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("WAYLAND_DISPLAY");
        if (sound)
            sound->addTo(environment);
        if (!soundServerAddress.isEmpty())
            environment.insert("PULSE_SERVER", soundServerAddress);
        for (auto it = environmentChanges.cbegin(); it != environmentChanges.cend(); ++it)
            environment.insert(it.key(), it.value());
        return environment;
    }

    void start(QProcess& program, const QString& workingDirectory = QString())
    {
        program.setProcessEnvironment(environment());
        program.setWorkingDirectory(workingDirectory.isEmpty() ? binaryDir() + "/cd" : workingDirectory);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(programPath.isEmpty() ? binaryDir() + "/src/app/umbraxis" : programPath, {});
        ASSERT_TRUE(program.waitForStarted(5000));
    }

    QStringList windowsTitled(const QString& title)
    {
        const QString out = display.run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"});
        return out.split('\n', Qt::SkipEmptyParts);
    }

    // Waits for windows titled `title`. While it waits, an intro that
    // plays is cut short with a key, unless the test wants to watch it.
    QStringList waitForWindows(const QString& title, int timeoutMs, int count = 1)
    {
        QElapsedTimer clock;
        clock.start();
        QStringList found;
        while (clock.elapsed() < timeoutMs && (found = windowsTitled(title)).size() < count) {
            if (skipIntro) {
                for (const QString& intro : windowsTitled("Umbraxis - intro"))
                    key(intro, "space");
            }
            QThread::msleep(100);
        }
        return found;
    }

    // Waits for a visible window titled `title` that is not one of `known`.
    QString waitForNewWindow(const QString& title, const QStringList& known, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            for (const QString& window : windowsTitled(title))
                if (!known.contains(window))
                    return window;
            QThread::msleep(100);
        }
        return QString();
    }

    QRect geometryOf(const QString& window)
    {
        const QString out = display.run("xdotool", {"getwindowgeometry", "--shell", window});
        QRect rect;
        for (const QString& line : out.split('\n')) {
            const QString value = line.section('=', 1);
            if (line.startsWith("X="))
                rect.moveLeft(value.toInt());
            else if (line.startsWith("Y="))
                rect.moveTop(value.toInt());
            else if (line.startsWith("WIDTH="))
                rect.setWidth(value.toInt());
            else if (line.startsWith("HEIGHT="))
                rect.setHeight(value.toInt());
        }
        return rect;
    }

    void click(const QString& window, int x, int y)
    {
        display.run("xdotool", {"mousemove", "--window", window, QString::number(x), QString::number(y)});
        display.run("xdotool", {"click", "1"});
    }

    void key(const QString& window, const QString& keys)
    {
        display.run("xdotool", {"key", "--window", window, keys});
        // A window that goes away at the press (as the intro does) makes
        // xdotool give up before the release, and the server would then
        // repeat the key into whatever window comes next.
        display.run("xdotool", {"keyup", keys});
    }

    // A picture of what the screen shows where the window is, kept with the
    // build for people to look at.
    QImage screenshot(const QString& window, const QString& name)
    {
        const QString shot = artifactsDir() + "/" + name + ".png";
        QFile::remove(shot);
        const QRect place = geometryOf(window);
        display.run("import",
                    {"-window", "root", "-crop",
                     QStringLiteral("%1x%2+%3+%4").arg(place.width()).arg(place.height()).arg(place.x()).arg(place.y()),
                     "+repage", shot},
                    20000);
        return QImage(shot);
    }

    static void stop(QProcess& program)
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    // Many distinct colours: a picture is drawn there, not a flat fill.
    static int colourCount(const QImage& picture, const QRect& area)
    {
        QSet<QRgb> colours;
        for (int y = area.top(); y <= area.bottom(); y += 3)
            for (int x = area.left(); x <= area.right(); x += 3)
                colours.insert(picture.pixel(x, y));
        return int(colours.size());
    }

    VirtualDisplay display;
    QTemporaryDir home;
    // Set by tests that must hear the program.
    const SoundServer* sound = nullptr;
    // Where the program finds its sound server, when not `sound`.
    QString soundServerAddress;
    // Variables a test gives the program on top of the others (HOME, PATH).
    QMap<QString, QString> environmentChanges;
    bool skipIntro = true;
    // The program to start, when not the one of this build.
    QString programPath;
};

} // namespace umbraxis::testing
