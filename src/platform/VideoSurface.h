#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

class QVideoFrame;

namespace umbraxis {

// The picture of one decoded video frame, converted on the processor:
// packed RGB frames are copied, the usual YUV layouts (planar 4:2:0 and
// 4:2:2, NV12/NV21, YUYV/UYVY) are converted with the frame's own colour
// range. A null image when the frame holds no picture.
QImage pictureOfFrame(const QVideoFrame& frame);

// A plain child widget that shows the frames of a video, scaled to fill the
// widget, drawn with the ordinary raster painter. It needs no graphics
// context of its own, so it starts and goes away at once and costs no more
// memory than its pictures.
class VideoSurface : public QWidget {
public:
    explicit VideoSurface(QWidget* parent);
    ~VideoSurface() override;

    // Shows `frame` from the next paint on; a frame without a picture (a
    // decoder letting go at its end) leaves the last one standing.
    void showFrame(const QVideoFrame& frame);
    // Called when the surface goes away, by whatever deletes it.
    void setOnGone(std::function<void()> onGone) { m_onGone = std::move(onGone); }

    // The last frame shown, and how many frames have been shown.
    const QImage& picture() const { return m_picture; }
    int framesShown() const { return m_framesShown; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void()> m_onGone;
    QImage m_picture;
    int m_framesShown = 0;
};

} // namespace umbraxis
