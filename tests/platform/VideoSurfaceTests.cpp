#include "platform/VideoSurface.h"

#include <QTest>
#include <QVideoFrame>
#include <QVideoFrameFormat>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace umbraxis;

namespace {

// Y'CbCr of four colours in the video range, BT.601.
struct Sample {
    const char* name;
    int y, u, v;
    QRgb rgb;
};

const Sample VideoRange[] = {
    {"white", 235, 128, 128, qRgb(255, 255, 255)},
    {"black", 16, 128, 128, qRgb(0, 0, 0)},
    {"red", 81, 90, 240, qRgb(255, 0, 0)},
    {"blue", 41, 240, 110, qRgb(0, 0, 255)},
};

// A 4x2 frame whose left half is `left` and right half `right`, written in
// the given layout through `put(plane, offset, value)`.
QVideoFrame makeFrame(QVideoFrameFormat::PixelFormat pixelFormat, const Sample& left, const Sample& right,
                      QVideoFrameFormat::ColorRange range = QVideoFrameFormat::ColorRange_Video)
{
    QVideoFrameFormat format(QSize(4, 2), pixelFormat);
    format.setColorRange(range);
    format.setColorSpace(QVideoFrameFormat::ColorSpace_BT601);
    QVideoFrame frame(format);
    if (!frame.map(QVideoFrame::WriteOnly))
        return QVideoFrame();
    for (int plane = 0; plane < frame.planeCount(); ++plane)
        std::memset(frame.bits(plane), 0, size_t(frame.mappedBytes(plane)));
    auto at = [&frame](int plane, int x, int y) { return frame.bits(plane) + y * frame.bytesPerLine(plane) + x; };
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            const Sample& s = x < 2 ? left : right;
            switch (pixelFormat) {
            case QVideoFrameFormat::Format_YUV420P:
            case QVideoFrameFormat::Format_YV12: {
                const bool yv = pixelFormat == QVideoFrameFormat::Format_YV12;
                *at(0, x, y) = uchar(s.y);
                *at(yv ? 2 : 1, x / 2, y / 2) = uchar(s.u);
                *at(yv ? 1 : 2, x / 2, y / 2) = uchar(s.v);
                break;
            }
            case QVideoFrameFormat::Format_YUV422P:
                *at(0, x, y) = uchar(s.y);
                *at(1, x / 2, y) = uchar(s.u);
                *at(2, x / 2, y) = uchar(s.v);
                break;
            case QVideoFrameFormat::Format_NV12:
            case QVideoFrameFormat::Format_NV21: {
                const bool vu = pixelFormat == QVideoFrameFormat::Format_NV21;
                *at(0, x, y) = uchar(s.y);
                *at(1, (x / 2) * 2 + (vu ? 1 : 0), y / 2) = uchar(s.u);
                *at(1, (x / 2) * 2 + (vu ? 0 : 1), y / 2) = uchar(s.v);
                break;
            }
            case QVideoFrameFormat::Format_YUYV:
                *at(0, x * 2, y) = uchar(s.y);
                *at(0, (x / 2) * 4 + 1, y) = uchar(s.u);
                *at(0, (x / 2) * 4 + 3, y) = uchar(s.v);
                break;
            case QVideoFrameFormat::Format_UYVY:
                *at(0, x * 2 + 1, y) = uchar(s.y);
                *at(0, (x / 2) * 4, y) = uchar(s.u);
                *at(0, (x / 2) * 4 + 2, y) = uchar(s.v);
                break;
            default: break;
            }
        }
    }
    frame.unmap();
    return frame;
}

void expectNear(QRgb actual, QRgb expected, const char* where)
{
    SCOPED_TRACE(where);
    EXPECT_NEAR(qRed(actual), qRed(expected), 3);
    EXPECT_NEAR(qGreen(actual), qGreen(expected), 3);
    EXPECT_NEAR(qBlue(actual), qBlue(expected), 3);
}

} // namespace

TEST(PictureOfFrame, EveryYuvLayoutGivesTheColoursInTheirPlaces)
{
    const QVideoFrameFormat::PixelFormat layouts[] = {
        QVideoFrameFormat::Format_YUV420P, QVideoFrameFormat::Format_YV12, QVideoFrameFormat::Format_YUV422P,
        QVideoFrameFormat::Format_NV12,    QVideoFrameFormat::Format_NV21, QVideoFrameFormat::Format_YUYV,
        QVideoFrameFormat::Format_UYVY,
    };
    for (const QVideoFrameFormat::PixelFormat layout : layouts) {
        for (const Sample& left : VideoRange) {
            const Sample& right = VideoRange[(&left - VideoRange + 2) % 4];
            SCOPED_TRACE(QVideoFrameFormat::pixelFormatToString(layout).toStdString() + " " + left.name + "|"
                         + right.name);
            const QVideoFrame frame = makeFrame(layout, left, right);
            ASSERT_TRUE(frame.isValid());
            const QImage picture = pictureOfFrame(frame);
            ASSERT_EQ(picture.size(), QSize(4, 2));
            for (int y = 0; y < 2; ++y) {
                expectNear(picture.pixel(0, y), left.rgb, "left");
                expectNear(picture.pixel(1, y), left.rgb, "left");
                expectNear(picture.pixel(2, y), right.rgb, "right");
                expectNear(picture.pixel(3, y), right.rgb, "right");
            }
        }
    }
}

TEST(PictureOfFrame, FullRangeIsNotStretchedAgain)
{
    // In the full range 0 is black and 255 white; grey stays grey.
    const Sample black{"black", 0, 128, 128, qRgb(0, 0, 0)};
    const Sample grey{"grey", 128, 128, 128, qRgb(128, 128, 128)};
    const QImage picture = pictureOfFrame(
        makeFrame(QVideoFrameFormat::Format_YUV420P, black, grey, QVideoFrameFormat::ColorRange_Full));
    ASSERT_EQ(picture.size(), QSize(4, 2));
    expectNear(picture.pixel(0, 0), black.rgb, "black");
    expectNear(picture.pixel(3, 1), grey.rgb, "grey");
}

TEST(PictureOfFrame, PackedRgbIsCopiedAndAnEmptyFrameGivesNothing)
{
    QVideoFrame frame(QVideoFrameFormat(QSize(3, 1), QVideoFrameFormat::Format_BGRA8888));
    ASSERT_TRUE(frame.map(QVideoFrame::WriteOnly));
    const uchar pixels[] = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255}; // red, green, blue in B G R A
    std::memcpy(frame.bits(0), pixels, sizeof pixels);
    frame.unmap();
    const QImage picture = pictureOfFrame(frame);
    ASSERT_EQ(picture.size(), QSize(3, 1));
    EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(1, 0), qRgb(0, 255, 0));
    EXPECT_EQ(picture.pixel(2, 0), qRgb(0, 0, 255));
    EXPECT_TRUE(pictureOfFrame(QVideoFrame()).isNull());
}

TEST(VideoSurface, ShowsTheLastFrameScaledOverTheWholeWidget)
{
    QWidget display;
    display.resize(80, 40);
    VideoSurface* surface = new VideoSurface(&display);
    surface->setGeometry(display.rect());
    display.show();
    EXPECT_EQ(surface->grab().toImage().pixel(40, 20), qRgb(0, 0, 0)) << "black before the first frame";

    const Sample red = VideoRange[2];
    const Sample blue = VideoRange[3];
    surface->showFrame(makeFrame(QVideoFrameFormat::Format_NV12, red, blue));
    EXPECT_EQ(surface->framesShown(), 1);
    const QImage shown = surface->grab().toImage();
    expectNear(shown.pixel(5, 5), red.rgb, "left quarter");
    expectNear(shown.pixel(75, 35), blue.rgb, "right quarter");

    // An empty frame (the decoder letting go at its end) leaves the last
    // picture standing.
    surface->showFrame(QVideoFrame());
    EXPECT_EQ(surface->framesShown(), 1);
    expectNear(surface->grab().toImage().pixel(5, 5), red.rgb, "still there");
}
