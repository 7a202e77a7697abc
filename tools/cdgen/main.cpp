#include "cdgen/DemoWorld.h"
#include "cdgen/Icons.h"
#include "cdgen/SampleCd.h"
#include "platform/AppError.h"

#include <QGuiApplication>

#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: cdgen <cd-folder>\n       cdgen --intro-sound <cd-folder>\n"
                 "       cdgen --demo <demo-folder> <cd-folder>\n"
                 "       cdgen --icons <folder> <icon-name>\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // Drawing text needs a GUI application, but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 1 && !args[0].startsWith(QLatin1String("--"))) {
            umbraxis::writeSampleCd(args[0]);
            return 0;
        }
        if (args.size() == 2 && args[0] == QLatin1String("--intro-sound")) {
            umbraxis::writeSampleCd(args[1], umbraxis::CdVariant::IntroWithSoundTrack);
            return 0;
        }
        if (args.size() == 3 && args[0] == QLatin1String("--demo")) {
            umbraxis::writeDemoWorld(args[1], args[2]);
            return 0;
        }
        if (args.size() == 3 && args[0] == QLatin1String("--icons")) {
            umbraxis::writeAppIcons(args[1], args[2]);
            return 0;
        }
        return usage();
    } catch (const umbraxis::AppError& e) {
        std::fprintf(stderr, "cdgen: %s\n", qPrintable(e.message()));
        return 1;
    }
}
