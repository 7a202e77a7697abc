// Times how long the program takes from its start until its main menu's
// window is mapped (its logo intro cut short by a key as soon as it shows),
// against a bare Qt program that shows one frameless
// 640x480 window and plays one WAV through QMediaPlayer. Both run in turn on
// one private X server with a private sound server; the medians of the
// times and of the peak memory (VmHWM) of each are printed with their ratios,
// and then the program's peak when the intro is watched for half a second
// before the key, as its decoder has queued pictures by then.
// Given a bare video program, it also prints that program's peak while it
// plays the intro video: the least memory any program that plays the intro
// through Qt Multimedia can peak at.
//
//   startup_bench <umbraxis> <bare_window> <cd folder> [runs [bare_video]]

#include "BenchSupport.h"
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

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace umbraxis;
using namespace umbraxis::testing;

namespace {

// How long the user of the last measure watches the intro.
constexpr int WatchMs = 500;

struct Sample {
    double ms = -1;
    double introMs = -1;
    qint64 peakKb = -1;
};

QString windowName(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
        nullptr);
    QString name;
    if (reply) {
        name = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                 xcb_get_property_value_length(reply));
        free(reply);
    }
    return name;
}

qint64 peakMemoryKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Starts `program` and waits for the first 640x480 window it maps. An
// intro is cut short with a key `watchMs` after it appears.
Sample timeOne(const VirtualDisplay& display, const SoundServer& sound, const QString& program,
               const QStringList& arguments, const QString& folder, int watchMs = 0)
{
    Sample sample;
    const QByteArray displayName = display.name().toLocal8Bit();
    xcb_connection_t* connection = xcb_connect(displayName.constData(), nullptr);
    if (xcb_connection_has_error(connection))
        return sample;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("run"));
    QFile::setPermissions(home.path() + QStringLiteral("/run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.name());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path() + QStringLiteral("/run"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    sound.addTo(environment);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());

    QElapsedTimer clock;
    double introMs = -1;
    clock.start();
    process.start(program, arguments);
    if (process.waitForStarted(5000)) {
        const int fd = xcb_get_file_descriptor(connection);
        while (clock.elapsed() < 20000 && sample.ms < 0) {
            xcb_generic_event_t* event = xcb_poll_for_event(connection);
            if (!event) {
                fd_set read;
                FD_ZERO(&read);
                FD_SET(fd, &read);
                timeval wait{0, 20000};
                ::select(fd + 1, &read, nullptr, nullptr, &wait);
                continue;
            }
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto* mapped = reinterpret_cast<xcb_map_notify_event_t*>(event);
                xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(
                    connection, xcb_get_geometry(connection, mapped->window), nullptr);
                if (geometry && geometry->width == 640 && geometry->height == 480) {
                    // The program's intro is cut short with a key, as a
                    // user in a hurry would; the menu comes after it.
                    if (windowName(connection, mapped->window).contains(QStringLiteral("intro"))) {
                        if (introMs < 0)
                            introMs = double(clock.nsecsElapsed()) / 1e6;
                        // A real key press, to the window that has the focus.
                        QProcess::startDetached(QStringLiteral("xdotool"),
                                                {QStringLiteral("windowfocus"), QString::number(mapped->window),
                                                 QStringLiteral("sleep"), QString::number(watchMs / 1000.0),
                                                 QStringLiteral("key"), QStringLiteral("space")});
                    } else {
                        sample.ms = double(clock.nsecsElapsed()) / 1e6;
                    }
                }
                free(geometry);
            }
            free(event);
        }
        sample.introMs = introMs;
        // The intro goes away at the press; a release xdotool did not get
        // to send would leave the key repeating on the server.
        if (introMs >= 0)
            QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("space")});
        // Let the start-up cue play out before memory is read.
        QThread::msleep(1500);
        sample.peakKb = peakMemoryKb(process.processId());
    }
    process.kill();
    process.waitForFinished(5000);
    xcb_disconnect(connection);
    return sample;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: startup_bench <umbraxis> <bare_window> <cd folder> [runs [bare_video]]\n");
        return 2;
    }
    const QString program = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString bare = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const QString cd = QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath();
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
    const QString video = argc > 5 ? QFileInfo(QString::fromLocal8Bit(argv[5])).absoluteFilePath() : QString();

    VirtualDisplay display;
    if (!display.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(display.failure()));
        return 1;
    }
    // The key that cuts the intro short goes through this display.
    qputenv("DISPLAY", display.name().toLocal8Bit());
    SoundServer sound;
    if (!sound.isRunning()) {
        std::fprintf(stderr, "%s\n", qPrintable(sound.failure()));
        return 1;
    }
    const QString wave = cd + QStringLiteral("/sounds/guncock.wav");
    std::vector<double> times[2];
    std::vector<double> peaks[2];
    // One warm-up run each, not counted, so that neither pays for a cold cache.
    timeOne(display, sound, program, {}, cd);
    timeOne(display, sound, bare, {wave}, cd);
    for (int run = 0; run < runs; ++run) {
        const Sample ours = timeOne(display, sound, program, {}, cd);
        const Sample theirs = timeOne(display, sound, bare, {wave}, cd);
        std::printf("run %d: umbraxis %.1f ms (intro at %.1f ms), %lld kB; bare %.1f ms, %lld kB\n", run + 1, ours.ms,
                    ours.introMs, ours.peakKb, theirs.ms, theirs.peakKb);
        std::fflush(stdout);
        times[0].push_back(ours.ms);
        times[1].push_back(theirs.ms);
        peaks[0].push_back(double(ours.peakKb));
        peaks[1].push_back(double(theirs.peakKb));
    }
    const double ourTime = bench::median(times[0]);
    const double bareTime = bench::median(times[1]);
    const double ourPeak = bench::median(peaks[0]);
    const double barePeak = bench::median(peaks[1]);
    std::printf("start-up to mapped window, median of %d: umbraxis %.1f ms, bare Qt %.1f ms, ratio %.2f\n", runs,
                ourTime, bareTime, ourTime / bareTime);
    std::printf("peak memory (VmHWM), median of %d: umbraxis %.0f kB, bare Qt %.0f kB, ratio %.2f\n", runs, ourPeak,
                barePeak, ourPeak / barePeak);
    // A user who watches part of the intro before cutting it short: the
    // decoder has queued pictures by then.
    std::vector<double> watched;
    for (int run = 0; run < runs; ++run)
        watched.push_back(double(timeOne(display, sound, program, {}, cd, WatchMs).peakKb));
    const double watchedPeak = bench::median(watched);
    std::printf("peak memory with the intro cut after %d ms, median of %d: umbraxis %.0f kB, ratio %.2f\n", WatchMs,
                runs, watchedPeak, watchedPeak / barePeak);
    if (!video.isEmpty()) {
        // The intro alone, played by a bare program, against the same
        // reference: the least the program's peak can be.
        std::vector<double> floor;
        const QString intro = cd + QStringLiteral("/logo.avi");
        timeOne(display, sound, video, {intro}, cd);
        for (int run = 0; run < runs; ++run)
            floor.push_back(double(timeOne(display, sound, video, {intro}, cd).peakKb));
        const double floorPeak = bench::median(floor);
        std::printf("floor: a bare Qt program decoding the intro video, median of %d: %.0f kB, ratio %.2f to bare Qt\n",
                    runs, floorPeak, floorPeak / barePeak);
    }
    return 0;
}
