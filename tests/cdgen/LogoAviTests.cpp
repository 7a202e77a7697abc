#include "CdFixture.h"

#include "cdgen/AviWriter.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace umbraxis;
using namespace umbraxis::test;

namespace {

struct AviInfo {
    quint32 microSecPerFrame = 0;
    quint32 totalFrames = 0;
    quint32 width = 0;
    quint32 height = 0;
    QByteArray streamType;
    QByteArray handler;
    quint32 scale = 0;
    quint32 rate = 0;
    quint32 streamLength = 0;
    QByteArray compression;
    QList<QByteArray> frames;
    QList<qsizetype> frameOffsets; // of each '00dc' header, relative to the 'movi' id
    QList<QList<quint32>> index;   // flags, offset, size
};

AviInfo parseAvi(const QByteArray& avi)
{
    AviInfo info;
    EXPECT_EQ(avi.left(4), QByteArray("RIFF"));
    EXPECT_EQ(avi.mid(8, 4), QByteArray("AVI "));
    EXPECT_EQ(le32(avi, 4), quint32(avi.size() - 8));
    qsizetype at = 12;
    while (at + 8 <= avi.size()) {
        const QByteArray id = avi.mid(at, 4);
        const quint32 size = le32(avi, at + 4);
        const QByteArray listType = avi.mid(at + 8, 4);
        if (id == "LIST" && listType == "hdrl") {
            RiffChunk avih;
            EXPECT_TRUE(findChunk(avi, at + 12, at + 8 + size, "avih", &avih));
            info.microSecPerFrame = le32(avi, avih.data);
            info.totalFrames = le32(avi, avih.data + 16);
            info.width = le32(avi, avih.data + 32);
            info.height = le32(avi, avih.data + 36);
            RiffChunk strl;
            EXPECT_TRUE(findChunk(avi, at + 12, at + 8 + size, "LIST", &strl));
            RiffChunk strh;
            RiffChunk strf;
            EXPECT_TRUE(findChunk(avi, strl.data + 4, strl.data + strl.size, "strh", &strh));
            EXPECT_TRUE(findChunk(avi, strl.data + 4, strl.data + strl.size, "strf", &strf));
            info.streamType = avi.mid(strh.data, 4);
            info.handler = avi.mid(strh.data + 4, 4);
            info.scale = le32(avi, strh.data + 20);
            info.rate = le32(avi, strh.data + 24);
            info.streamLength = le32(avi, strh.data + 32);
            info.compression = avi.mid(strf.data + 16, 4);
        } else if (id == "LIST" && listType == "movi") {
            const qsizetype movi = at + 8;
            qsizetype c = movi + 4;
            while (c + 8 <= at + 8 + size) {
                const quint32 len = le32(avi, c + 4);
                if (avi.mid(c, 4) == "00dc") {
                    info.frames.append(avi.mid(c + 8, len));
                    info.frameOffsets.append(c - movi);
                }
                c += 8 + len + (len % 2);
            }
        } else if (id == "idx1") {
            for (quint32 e = 0; e + 16 <= size; e += 16) {
                EXPECT_EQ(avi.mid(at + 8 + e, 4), QByteArray("00dc"));
                info.index.append({le32(avi, at + 12 + e), le32(avi, at + 16 + e), le32(avi, at + 20 + e)});
            }
        }
        at += 8 + size + (size % 2);
    }
    return info;
}

} // namespace

TEST(LogoAvi, HeaderGivesAThreeToSixSecondMjpegVideo)
{
    const AviInfo info = parseAvi(readAll(QDir(sampleCdRoot()).filePath(QStringLiteral("logo.avi"))));
    EXPECT_EQ(info.microSecPerFrame, 1000000u / 15);
    const double seconds = double(info.microSecPerFrame) * info.totalFrames / 1e6;
    EXPECT_GE(seconds, 3.0);
    EXPECT_LE(seconds, 6.0);
    EXPECT_EQ(info.width, 320u);
    EXPECT_EQ(info.height, 240u);
    EXPECT_EQ(info.streamType, QByteArray("vids"));
    EXPECT_EQ(info.handler, QByteArray("MJPG"));
    EXPECT_EQ(info.compression, QByteArray("MJPG"));
    EXPECT_EQ(info.rate / info.scale, 15u);
    EXPECT_EQ(info.streamLength, info.totalFrames);
    ASSERT_EQ(quint32(info.frames.size()), info.totalFrames);
    ASSERT_EQ(info.index.size(), info.frames.size());

    for (int i = 0; i < info.frames.size(); ++i) {
        SCOPED_TRACE(i);
        const QByteArray& jpeg = info.frames[i];
        EXPECT_TRUE(jpeg.startsWith("\xFF\xD8"));
        EXPECT_TRUE(jpeg.endsWith("\xFF\xD9"));
        EXPECT_EQ(QImage::fromData(jpeg, "JPG").size(), QSize(320, 240));
        EXPECT_EQ(info.index[i][0], 0x10u) << "key frame";
        EXPECT_EQ(qsizetype(info.index[i][1]), info.frameOffsets[i]);
        EXPECT_EQ(qsizetype(info.index[i][2]), jpeg.size());
    }
}

TEST(LogoAvi, TitleEmergesFromDarkness)
{
    const AviInfo info = parseAvi(readAll(QDir(sampleCdRoot()).filePath(QStringLiteral("logo.avi"))));
    ASSERT_GT(info.frames.size(), 20);
    auto brightness = [](const QByteArray& jpeg) {
        const QImage image = QImage::fromData(jpeg, "JPG").convertToFormat(QImage::Format_RGB32);
        double sum = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                sum += qGray(image.pixel(x, y));
        return sum / (image.width() * image.height() / 4);
    };
    const double first = brightness(info.frames.first());
    const double middle = brightness(info.frames[info.frames.size() * 2 / 3]);
    EXPECT_LT(first, 8.0);
    EXPECT_GT(middle, first + 10.0);
}

TEST(AviWriter, RefusesFramesOfDifferentSizes)
{
    QImage a(32, 24, QImage::Format_RGB32);
    QImage b(16, 24, QImage::Format_RGB32);
    a.fill(Qt::red);
    b.fill(Qt::blue);
    EXPECT_ANY_THROW(encodeMjpegAvi({a, b}, 10));
    EXPECT_ANY_THROW(encodeMjpegAvi({}, 10));
    const AviInfo info = parseAvi(encodeMjpegAvi({a, a, a}, 10));
    EXPECT_EQ(info.totalFrames, 3u);
    EXPECT_EQ(info.microSecPerFrame, 100000u);
}

TEST(LogoAvi, GStreamerPlaysItForItsFullLength)
{
    const QString launch = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    const QString discoverer = QStandardPaths::findExecutable(QStringLiteral("gst-discoverer-1.0"));
    if (launch.isEmpty() || discoverer.isEmpty())
        GTEST_SKIP() << "GStreamer tools are not installed";
    const QString path = QDir(sampleCdRoot()).filePath(QStringLiteral("logo.avi"));
    QProcess play;
    play.start(launch,
               {QStringLiteral("-q"), QStringLiteral("filesrc"), QStringLiteral("location=") + path,
                QStringLiteral("!"), QStringLiteral("avidemux"), QStringLiteral("!"), QStringLiteral("jpegdec"),
                QStringLiteral("!"), QStringLiteral("fakesink")});
    ASSERT_TRUE(play.waitForFinished(60000));
    EXPECT_EQ(play.exitCode(), 0) << play.readAllStandardError().toStdString();

    QProcess discover;
    discover.start(discoverer, {path});
    ASSERT_TRUE(discover.waitForFinished(60000));
    const QString report = QString::fromLocal8Bit(discover.readAllStandardOutput());
    const QRegularExpressionMatch m
        = QRegularExpression(QStringLiteral("Duration: (\\d+):(\\d+):(\\d+\\.\\d+)")).match(report);
    ASSERT_TRUE(m.hasMatch()) << report.toStdString();
    const double seconds = m.captured(1).toDouble() * 3600 + m.captured(2).toDouble() * 60 + m.captured(3).toDouble();
    EXPECT_GE(seconds, 3.0);
    EXPECT_LE(seconds, 6.0);
}
