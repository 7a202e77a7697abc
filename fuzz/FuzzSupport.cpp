#include "FuzzSupport.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace umbraxis::fuzz {

void ensureGuiApplication()
{
    static int argc = 1;
    static char name[] = "umbraxis-fuzz";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Lives until the process ends, like the program's own.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    Q_UNUSED(app);
}

void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

} // namespace umbraxis::fuzz
