#include "CdFixture.h"

#include "cdgen/BmpWriter.h"
#include "cdgen/Palette.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace umbraxis;
using namespace umbraxis::test;

namespace {

// An odd-sized indexed picture with long runs, short runs and noisy stretches, so
// that both modes of the run-length encoders and the row padding are exercised.
QImage patternImage(int colours)
{
    QImage image(37, 23, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table.append(qRgb((i * 67) % 256, (i * 131 + 40) % 256, (i * 29 + 90) % 256));
    image.setColorTable(table);
    quint32 state = 12345;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            state = state * 1103515245u + 12345u;
            int index;
            if (y % 5 == 0)
                index = (x / 9) % colours; // long runs
            else if (y % 5 == 1)
                index = (x / 2) % colours; // runs of two
            else
                index = int((state >> 16) % quint32(colours)); // noise
            image.setPixel(x, y, uint(index));
        }
    }
    return image;
}

QImage rgbImage()
{
    QImage image(31, 17, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 8, y * 15, (x * y) % 256));
    return image;
}

struct FlavourCase {
    BmpFlavour flavour;
    const char* name;
    int colours; // 0 for true colour
    int headerSize;
    int bits;
    int compression;
};

const FlavourCase kFlavours[] = {
    {BmpFlavour::Indexed1, "1-bit", 2, 40, 1, 0},
    {BmpFlavour::Indexed4, "4-bit", 16, 40, 4, 0},
    {BmpFlavour::Rle4, "RLE4", 16, 40, 4, 2},
    {BmpFlavour::Indexed8, "8-bit", 200, 40, 8, 0},
    {BmpFlavour::Rle8, "RLE8", 200, 40, 8, 1},
    {BmpFlavour::Rgb24, "24-bit", 0, 40, 24, 0},
    {BmpFlavour::Os2Indexed1, "OS/2 1-bit", 2, 12, 1, 0},
    {BmpFlavour::Os2Indexed4, "OS/2 4-bit", 16, 12, 4, 0},
    {BmpFlavour::Os2Indexed8, "OS/2 8-bit", 200, 12, 8, 0},
    {BmpFlavour::Os2Rgb24, "OS/2 24-bit", 0, 12, 24, 0},
};

} // namespace

TEST(BmpWriter, EveryFlavourRoundTripsThroughQImage)
{
    for (const FlavourCase& c : kFlavours) {
        SCOPED_TRACE(c.name);
        const QImage source = c.colours ? patternImage(c.colours) : rgbImage();
        const QByteArray bmp = encodeBmp(source, c.flavour);
        EXPECT_EQ(le32(bmp, 14), quint32(c.headerSize));
        if (c.headerSize == 40) {
            EXPECT_EQ(le16(bmp, 28), c.bits);
            EXPECT_EQ(le32(bmp, 30), quint32(c.compression));
        } else {
            EXPECT_EQ(le16(bmp, 24), c.bits);
        }
        EXPECT_EQ(le32(bmp, 2), quint32(bmp.size()));

        const QImage decoded = QImage::fromData(bmp, "BMP");
        ASSERT_FALSE(decoded.isNull());
        ASSERT_EQ(decoded.size(), source.size());
        int wrong = 0;
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                wrong += (decoded.pixel(x, y) & 0xFFFFFF) != (source.pixel(x, y) & 0xFFFFFF) ? 1 : 0;
        EXPECT_EQ(wrong, 0);
    }
}

TEST(BmpWriter, RunLengthEncodingShrinksPicturesWithRuns)
{
    QImage flat(256, 64, QImage::Format_Indexed8);
    flat.setColorTable({qRgb(0, 0, 0), qRgb(200, 10, 10), qRgb(10, 200, 10)});
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x)
            flat.setPixel(x, y, uint((x / 32 + y / 16) % 3));
    EXPECT_LT(encodeBmp(flat, BmpFlavour::Rle8).size(), encodeBmp(flat, BmpFlavour::Indexed8).size() / 4);
    EXPECT_LT(encodeBmp(flat, BmpFlavour::Rle4).size(), encodeBmp(flat, BmpFlavour::Indexed4).size() / 3);
    EXPECT_EQ(QImage::fromData(encodeBmp(flat, BmpFlavour::Rle4), "BMP").convertToFormat(QImage::Format_RGB32),
              flat.convertToFormat(QImage::Format_RGB32));
}

TEST(BmpWriter, TrueColourPicturesAreReducedToTheFlavoursColourCount)
{
    const QImage reduced4 = toIndexed(rgbImage(), 4);
    EXPECT_LE(reduced4.colorCount(), 16);
    const QImage reduced1 = toIndexed(rgbImage(), 1);
    EXPECT_LE(reduced1.colorCount(), 2);
    // A loader must still read them, with the dimensions intact.
    EXPECT_EQ(QImage::fromData(encodeBmp(rgbImage(), BmpFlavour::Rle4), "BMP").size(), rgbImage().size());
}

TEST(CdPalette, QuantisedGradientsKeepTheirAverageColour)
{
    QImage gradient(128, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 128; ++x)
            gradient.setPixel(x, y, qRgb(40 + x, 20 + x / 2, 10 + x / 4));
    const QImage indexed = quantise(gradient, cdPalette());
    ASSERT_EQ(indexed.format(), QImage::Format_Indexed8);
    EXPECT_EQ(indexed.colorCount(), 256);
    // Error diffusion keeps the local average close to the wanted colour.
    for (int block = 0; block < 128; block += 16) {
        SCOPED_TRACE(block);
        double want = 0;
        double got = 0;
        for (int y = 8; y < 24; ++y)
            for (int x = block; x < block + 16; ++x) {
                want += qRed(gradient.pixel(x, y));
                got += qRed(indexed.pixel(x, y));
            }
        EXPECT_NEAR(got / 256, want / 256, 4.0);
    }
}
