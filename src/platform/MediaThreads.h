#pragma once

class QThread;

namespace umbraxis {

// A thread of the media system's (the sound thread, the video decoder's),
// started at its first use and stopped when the application object goes.
// Threads are stopped in the order they were started, each with a timed
// wait. One still held up by the sound system then (a sound server that
// does not answer) is left behind, and so is the media library's lock it
// holds: the library's own clean-up at the end of the process would wait
// for that lock for ever, so such a program ends without it.
class MediaThread {
public:
    explicit constexpr MediaThread(const char* name)
        : m_name(name)
    {
    }
    MediaThread(const MediaThread&) = delete;
    MediaThread& operator=(const MediaThread&) = delete;

    // The running thread, started now when it is not yet. Any thread may ask.
    QThread* get();

private:
    static void stopAll();

    const char* m_name;
    QThread* m_thread = nullptr;
};

// Whether a media thread was left behind at the end.
bool mediaThreadLeftBehind();

} // namespace umbraxis
