#include "CdFixture.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

using namespace umbraxis::test;

namespace {

struct ExpectedPicture {
    const char* path;
    int width;
    int height;
};

const ExpectedPicture kPictures[] = {
    {"images/fmain.bmp", 640, 480},   {"images/finstall.bmp", 640, 480}, {"images/fbrief.bmp", 640, 480},
    {"images/fview.bmp", 640, 480},   {"images/fabout.bmp", 640, 480},   {"images/fsplash.bmp", 420, 160},
    {"images/fbfinsta.bmp", 134, 27}, {"images/fbninsta.bmp", 134, 27},  {"images/fbfbrief.bmp", 134, 27},
    {"images/fbnbrief.bmp", 134, 27}, {"images/fbfrun.bmp", 134, 27},    {"images/fbnrun.bmp", 134, 27},
    {"images/fbfweb.bmp", 134, 27},   {"images/fbnweb.bmp", 134, 27},    {"images/fbfhelp.bmp", 134, 27},
    {"images/fbnhelp.bmp", 134, 27},  {"images/fbfabout.bmp", 134, 27},  {"images/fbnabout.bmp", 134, 27},
    {"images/fbfmain.bmp", 134, 27},  {"images/fbnmain.bmp", 134, 27},   {"images/fbfexit.bmp", 83, 73},
    {"images/fbnexit.bmp", 83, 73},   {"images/fbfruns.bmp", 260, 60},   {"images/fbnruns.bmp", 260, 60},
    {"images/fbfrundm.bmp", 260, 60}, {"images/fbnrundm.bmp", 260, 60},  {"images/fbfruncp.bmp", 260, 60},
    {"images/fbnruncp.bmp", 260, 60}, {"images/bright.bmp", 54, 27},     {"images/b2right.bmp", 54, 27},
    {"images/bleft.bmp", 54, 27},     {"images/b2left.bmp", 54, 27},     {"logo.bmp", 320, 240},
};

QString cdFile(const char* relative)
{
    return QDir(sampleCdRoot()).filePath(QLatin1String(relative));
}

double meanLuminance(const QImage& image, const QRect& area)
{
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (area.width() * area.height());
}

} // namespace

TEST(CdPictures, EveryPictureIsAnUncompressedBottomUp256ColourBitmapOfItsSize)
{
    for (const ExpectedPicture& picture : kPictures) {
        SCOPED_TRACE(picture.path);
        const QByteArray bmp = readAll(cdFile(picture.path));
        ASSERT_GE(bmp.size(), 54);
        EXPECT_EQ(bmp.left(2), QByteArray("BM"));
        EXPECT_EQ(le32(bmp, 2), quint32(bmp.size()));
        EXPECT_EQ(le32(bmp, 14), 40u);
        EXPECT_EQ(qint32(le32(bmp, 18)), picture.width);
        EXPECT_EQ(qint32(le32(bmp, 22)), picture.height) << "rows must be stored bottom-up";
        EXPECT_EQ(le16(bmp, 26), 1);
        EXPECT_EQ(le16(bmp, 28), 8);
        EXPECT_EQ(le32(bmp, 30), 0u);
        const quint32 colours = le32(bmp, 46) == 0 ? 256 : le32(bmp, 46);
        EXPECT_EQ(colours, 256u);
        const quint32 offset = le32(bmp, 10);
        EXPECT_EQ(offset, 14u + 40u + 4u * colours);
        const int stride = (picture.width + 3) / 4 * 4;
        EXPECT_EQ(qsizetype(offset) + qsizetype(stride) * picture.height, bmp.size());

        const QImage image = QImage::fromData(bmp, "BMP");
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(picture.width, picture.height));
    }
}

TEST(CdPictures, AllPicturesShareOnePalette)
{
    const QByteArray reference = readAll(cdFile("images/fmain.bmp")).mid(54, 1024);
    ASSERT_EQ(reference.size(), 1024);
    for (const ExpectedPicture& picture : kPictures) {
        SCOPED_TRACE(picture.path);
        EXPECT_EQ(readAll(cdFile(picture.path)).mid(54, 1024), reference);
    }
}

TEST(CdPictures, PressedButtonsDifferFromNormalOnesAndLookPushedIn)
{
    const char* const names[] = {"insta", "brief", "run",  "web",   "help", "about",
                                 "main",  "exit",  "runs", "rundm", "runcp"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const QImage normal(cdFile(QStringLiteral("images/fbf%1.bmp").arg(QLatin1String(name)).toLatin1().constData()));
        const QImage pressed(
            cdFile(QStringLiteral("images/fbn%1.bmp").arg(QLatin1String(name)).toLatin1().constData()));
        ASSERT_FALSE(normal.isNull());
        ASSERT_EQ(normal.size(), pressed.size());
        EXPECT_NE(normal.convertToFormat(QImage::Format_RGB32), pressed.convertToFormat(QImage::Format_RGB32));
        // The plate of a pressed button is darker; its lit top edge turns into shadow.
        const QRect edge(4, 1, normal.width() - 8, 1);
        EXPECT_LT(meanLuminance(pressed, edge), meanLuminance(normal, edge));
    }
}

TEST(CdPictures, ArrowBitmapsHoldDifferentNormalAndPressedHalves)
{
    const char* const names[] = {"images/bright.bmp", "images/b2right.bmp", "images/bleft.bmp", "images/b2left.bmp"};
    QList<QImage> normals;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const QImage arrow = QImage(cdFile(name)).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(arrow.size(), QSize(54, 27));
        const QImage normal = arrow.copy(0, 0, 27, 27);
        const QImage pressed = arrow.copy(27, 0, 27, 27);
        EXPECT_NE(normal, pressed);
        EXPECT_LT(meanLuminance(pressed, QRect(3, 1, 21, 1)), meanLuminance(normal, QRect(3, 1, 21, 1)));
        normals.append(normal);
    }
    // Four different arrows, not one picture four times.
    for (int i = 0; i < normals.size(); ++i)
        for (int j = i + 1; j < normals.size(); ++j)
            EXPECT_NE(normals[i], normals[j]) << names[i] << " and " << names[j];
}

TEST(CdPictures, RightArrowsPointRightAndLeftArrowsPointLeft)
{
    // The arrow head is the bright part of the face; its tip is where the bright
    // column is narrowest, on the side the arrow points to.
    auto brightMass = [](const QImage& half, bool leftSide) {
        int count = 0;
        for (int y = 4; y < 23; ++y)
            for (int x = leftSide ? 4 : 14; x < (leftSide ? 13 : 23); ++x)
                count += qRed(half.pixel(x, y)) > 180 ? 1 : 0;
        return count;
    };
    const QImage right = QImage(cdFile("images/bright.bmp")).convertToFormat(QImage::Format_RGB32).copy(0, 0, 27, 27);
    const QImage left = QImage(cdFile("images/bleft.bmp")).convertToFormat(QImage::Format_RGB32).copy(0, 0, 27, 27);
    EXPECT_GT(brightMass(right, true), brightMass(right, false));
    EXPECT_GT(brightMass(left, false), brightMass(left, true));
}
