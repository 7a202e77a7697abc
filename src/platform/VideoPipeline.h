#pragma once

#include <QString>

#include <memory>

namespace umbraxis {

class VideoSurface;

// A video decoder (Qt Multimedia's player with a video sink and, when there
// is a sound device, an audio output) that lives in a media thread of its
// own. The user-interface thread only sends it commands and reads what it
// last reported, so it never waits for the decoder: opening, stopping and
// closing return at once, however busy the decoder is (the decoder's own
// threads hand every picture to the thread of its sink and wait for it, so a
// decoder driven from a busy or blocked thread stalls). Its sink belongs to a
// thread of pictures that does nothing else, so that stopping or closing the
// decoder, which waits for those threads, never waits on the sink. Pictures
// reach the surface it is shown in through that surface's event queue, the
// latest one only.
class VideoPipeline {
public:
    VideoPipeline(const QString& hostPath, bool withSound);
    // Returns at once; the decoder is taken down in its thread.
    ~VideoPipeline();

    VideoPipeline(const VideoPipeline&) = delete;
    VideoPipeline& operator=(const VideoPipeline&) = delete;

    // Shows the pictures in `surface` from now on (null: nowhere).
    void showIn(VideoSurface* surface);

    void play(qint64 fromMs);
    void pause();
    void seek(qint64 ms);

    // What the decoder last reported: the position it has shown, whether it
    // has run out, whether it failed (and its text).
    qint64 position() const;
    bool atEnd() const;
    bool failed() const;
    QString errorText() const;
    // How many pictures it has delivered.
    int framesDelivered() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
    class Worker;
    Worker* m_worker;
};

// How many decoders, open or closed, hold pictures they have decoded: a
// playing one keeps a second or two of them queued, and a closed one holds
// them until its media thread has taken it down. One that has decoded
// nothing yet holds next to nothing and is not counted.
int videoDecodersHoldingPictures();

} // namespace umbraxis
