#include "platform/VideoSurface.h"

#include <QPainter>
#include <QVideoFrame>
#include <QVideoFrameFormat>

#include <algorithm>
#include <optional>

namespace umbraxis {

namespace {

// Where the samples of one YUV layout lie: the plane and step of each of
// Y, U and V, and how far the chroma is subsampled.
struct YuvLayout {
    int yPlane, uPlane, vPlane;
    int yOffset, uOffset, vOffset; // of the first sample, in bytes
    int yStep, uStep, vStep;       // bytes from one sample to the next
    int chromaShiftX, chromaShiftY;
};

std::optional<YuvLayout> layoutOf(QVideoFrameFormat::PixelFormat format)
{
    switch (format) {
    case QVideoFrameFormat::Format_YUV420P: return YuvLayout{0, 1, 2, 0, 0, 0, 1, 1, 1, 1, 1};
    case QVideoFrameFormat::Format_YV12: return YuvLayout{0, 2, 1, 0, 0, 0, 1, 1, 1, 1, 1};
    case QVideoFrameFormat::Format_YUV422P: return YuvLayout{0, 1, 2, 0, 0, 0, 1, 1, 1, 1, 0};
    case QVideoFrameFormat::Format_NV12: return YuvLayout{0, 1, 1, 0, 0, 1, 1, 2, 2, 1, 1};
    case QVideoFrameFormat::Format_NV21: return YuvLayout{0, 1, 1, 0, 1, 0, 1, 2, 2, 1, 1};
    case QVideoFrameFormat::Format_YUYV: return YuvLayout{0, 0, 0, 0, 1, 3, 2, 4, 4, 1, 0};
    case QVideoFrameFormat::Format_UYVY: return YuvLayout{0, 0, 0, 1, 0, 2, 2, 4, 4, 1, 0};
    default: return std::nullopt;
    }
}

// Fixed-point (x 1024) factors turning Y'CbCr into R'G'B'.
struct YuvFactors {
    int yScale, yBase, rv, gu, gv, bu;
};

YuvFactors factorsOf(const QVideoFrameFormat& format)
{
    const bool full = format.colorRange() == QVideoFrameFormat::ColorRange_Full;
    const bool hd = format.colorSpace() == QVideoFrameFormat::ColorSpace_BT709;
    // The chroma factors for the full range; the video range scales them by
    // 255/224 and the luma by 255/219.
    const double rv = hd ? 1.5748 : 1.402;
    const double gu = hd ? 0.1873 : 0.344136;
    const double gv = hd ? 0.4681 : 0.714136;
    const double bu = hd ? 1.8556 : 1.772;
    const double chroma = full ? 1.0 : 255.0 / 224.0;
    auto fixed = [](double value) { return int(value * 1024.0 + 0.5); };
    return YuvFactors{fixed(full ? 1.0 : 255.0 / 219.0),
                      full ? 0 : 16,
                      fixed(rv * chroma),
                      fixed(gu * chroma),
                      fixed(gv * chroma),
                      fixed(bu * chroma)};
}

int clampByte(int value)
{
    return std::clamp(value, 0, 255);
}

QImage convertYuv(const QVideoFrame& frame, const YuvLayout& layout)
{
    const int width = frame.width();
    const int height = frame.height();
    QImage picture(width, height, QImage::Format_RGB32);
    const YuvFactors f = factorsOf(frame.surfaceFormat());
    for (int y = 0; y < height; ++y) {
        const uchar* yRow = frame.bits(layout.yPlane) + qsizetype(y) * frame.bytesPerLine(layout.yPlane);
        const int cy = y >> layout.chromaShiftY;
        const uchar* uRow = frame.bits(layout.uPlane) + qsizetype(cy) * frame.bytesPerLine(layout.uPlane);
        const uchar* vRow = frame.bits(layout.vPlane) + qsizetype(cy) * frame.bytesPerLine(layout.vPlane);
        auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int cx = x >> layout.chromaShiftX;
            const int luma = (yRow[layout.yOffset + x * layout.yStep] - f.yBase) * f.yScale;
            const int u = uRow[layout.uOffset + cx * layout.uStep] - 128;
            const int v = vRow[layout.vOffset + cx * layout.vStep] - 128;
            out[x] = qRgb(clampByte((luma + f.rv * v + 512) >> 10), clampByte((luma - f.gu * u - f.gv * v + 512) >> 10),
                          clampByte((luma + f.bu * u + 512) >> 10));
        }
    }
    return picture;
}

} // namespace

QImage pictureOfFrame(const QVideoFrame& source)
{
    if (!source.isValid() || source.width() <= 0 || source.height() <= 0)
        return QImage();
    QVideoFrame frame(source);
    const std::optional<YuvLayout> layout = layoutOf(frame.pixelFormat());
    const QImage::Format imageFormat = QVideoFrameFormat::imageFormatFromPixelFormat(frame.pixelFormat());
    if (!layout && imageFormat == QImage::Format_Invalid)
        return frame.toImage(); // a layout of its own kind: Qt converts it
    if (!frame.map(QVideoFrame::ReadOnly))
        return QImage();
    QImage picture;
    if (layout) {
        const int planes = std::max({layout->yPlane, layout->uPlane, layout->vPlane}) + 1;
        if (frame.planeCount() >= planes)
            picture = convertYuv(frame, *layout);
    } else {
        picture = QImage(frame.bits(0), frame.width(), frame.height(), frame.bytesPerLine(0), imageFormat).copy();
    }
    frame.unmap();
    return picture;
}

VideoSurface::VideoSurface(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

VideoSurface::~VideoSurface()
{
    if (m_onGone)
        m_onGone();
}

void VideoSurface::showFrame(const QVideoFrame& frame)
{
    QImage picture = pictureOfFrame(frame);
    if (picture.isNull())
        return;
    m_picture = std::move(picture);
    ++m_framesShown;
    update();
}

void VideoSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_picture.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_picture);
}

} // namespace umbraxis
