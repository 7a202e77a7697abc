// Measures what the mission briefing costs while it scrolls: the program
// runs on the sample CD on a private X server with a private sound server
// (so its music really plays), the briefing is opened from the menu as a
// click would open it, and the CPU time the process uses over 20 seconds of
// scrolling is read from /proc. For reference, the same is read over 20
// seconds of the program resting at its menu and of a bare Qt program that
// shows one window and plays one WAV.
//
//   briefing_bench <umbraxis> <bare_window> <cd folder> [seconds]

#include "support/SoundServer.h"
#include "support/VirtualDisplay.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <unistd.h>

using namespace umbraxis::testing;

namespace {

// User plus system time of a process so far, in milliseconds.
double cpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which is in parentheses.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = fields.at(11).toDouble() + fields.at(12).toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// The share of one core a process used over `seconds`.
double cpuShare(qint64 pid, int seconds)
{
    const double before = cpuMs(pid);
    QElapsedTimer clock;
    clock.start();
    QThread::sleep(static_cast<unsigned long>(seconds));
    const double after = cpuMs(pid);
    if (before < 0 || after < 0)
        return -1;
    return 100.0 * (after - before) / double(clock.elapsed());
}

class Session {
public:
    Session(const VirtualDisplay& display, const SoundServer& sound)
        : m_display(display)
    {
        QDir(m_home.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(m_home.path() + QStringLiteral("/run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("DISPLAY"), display.name());
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home.path() + QStringLiteral("/run"));
        m_environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        sound.addTo(m_environment);
    }

    ~Session()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    bool start(const QString& program, const QStringList& arguments, const QString& folder)
    {
        m_process.setProcessEnvironment(m_environment);
        m_process.setWorkingDirectory(folder);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(program, arguments);
        return m_process.waitForStarted(5000);
    }

    qint64 pid() const { return m_process.processId(); }

    QStringList windows(const QString& title) const
    {
        return m_display
            .run(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                  QStringLiteral("^%1$").arg(title)})
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    // Waits for the main menu, cutting the intro short on the way.
    QString waitForMenu()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000) {
            const QStringList menu = windows(QStringLiteral("Umbraxis"));
            if (!menu.isEmpty())
                return menu.first();
            for (const QString& intro : windows(QStringLiteral("Umbraxis - intro"))) {
                m_display.run(QStringLiteral("xdotool"),
                              {QStringLiteral("key"), QStringLiteral("--window"), intro, QStringLiteral("space")});
                m_display.run(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("space")});
            }
            QThread::msleep(100);
        }
        return QString();
    }

    void click(const QString& window, int x, int y) const
    {
        m_display.run(
            QStringLiteral("xdotool"),
            {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(x), QString::number(y)});
        m_display.run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
    }

private:
    const VirtualDisplay& m_display;
    QTemporaryDir m_home;
    QProcessEnvironment m_environment;
    QProcess m_process;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: briefing_bench <umbraxis> <bare_window> <cd folder> [seconds]\n");
        return 2;
    }
    const QString program = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString bare = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const QString cd = QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath();
    const int seconds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 20;

    VirtualDisplay display;
    if (!display.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(display.failure()));
        return 1;
    }
    SoundServer sound;
    if (!sound.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(sound.failure()));
        return 1;
    }

    double menuShare = -1;
    double briefingShare = -1;
    {
        Session session(display, sound);
        if (!session.start(program, {}, cd))
            return 1;
        const QString menu = session.waitForMenu();
        if (menu.isEmpty()) {
            std::fprintf(stderr, "the main menu never appeared\n");
            return 1;
        }
        QThread::sleep(1);
        menuShare = cpuShare(session.pid(), seconds);
        // The menu's Briefing button.
        session.click(menu, 107, 411);
        QElapsedTimer clock;
        clock.start();
        QString briefing;
        while (briefing.isEmpty() && clock.elapsed() < 10000) {
            for (const QString& window : session.windows(QStringLiteral("Umbraxis")))
                if (window != menu)
                    briefing = window;
            QThread::msleep(50);
        }
        if (briefing.isEmpty()) {
            std::fprintf(stderr, "the briefing never appeared\n");
            return 1;
        }
        QThread::sleep(1);
        briefingShare = cpuShare(session.pid(), seconds);
        if (session.windows(QStringLiteral("Umbraxis")).size() != 2) {
            std::fprintf(stderr, "the briefing closed before the measurement ended\n");
            return 1;
        }
    }
    double bareShare = -1;
    {
        Session session(display, sound);
        if (!session.start(bare, {cd + QStringLiteral("/sounds/military.wav")}, cd))
            return 1;
        QThread::sleep(1);
        bareShare = cpuShare(session.pid(), seconds);
    }
    std::printf("CPU over %d s, share of one core: briefing scrolling %.2f %% (target at most 3 %%), "
                "program at its menu %.2f %%, bare Qt window playing a WAV %.2f %%\n",
                seconds, briefingShare, menuShare, bareShare);
    std::printf("briefing against the bare Qt window: ratio %.2f\n", bareShare > 0 ? briefingShare / bareShare : 0.0);
    return briefingShare >= 0 && briefingShare <= 3.0 ? 0 : 1;
}
