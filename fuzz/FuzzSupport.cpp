#include "FuzzSupport.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace umbraxis::fuzz {

namespace {

// libFuzzer reads the counters of this section as coverage of their own.
__attribute__((used, section("__libfuzzer_extra_counters"))) std::uint8_t g_outcomes[4096];

} // namespace

void noteOutcome(unsigned outcome)
{
    std::uint8_t& counter = g_outcomes[outcome % sizeof g_outcomes];
    if (counter < 255)
        ++counter;
}

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
