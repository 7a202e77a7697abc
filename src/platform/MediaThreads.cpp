#include "platform/MediaThreads.h"

#include <atomic>

namespace umbraxis {

namespace {

std::atomic<bool> g_leftBehind{false};

} // namespace

void noteMediaThreadLeftBehind()
{
    g_leftBehind = true;
}

bool mediaThreadLeftBehind()
{
    return g_leftBehind;
}

} // namespace umbraxis
