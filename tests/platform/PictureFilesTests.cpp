#include "cdgen/BmpWriter.h"
#include "platform/AppError.h"
#include "platform/PictureFiles.h"
#include "platform/files/HostFileSystem.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace umbraxis;

namespace {

// A picture with four colour blocks, so that a decoder that mixes up rows,
// palette entries or run lengths shows up as wrong pixels.
QImage blocks(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(200, 60, 20), qRgb(40, 90, 160)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(x * 2 / width) + 2 * (y * 2 / height)]);
    return image;
}

class PictureFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(cd.path()).mkpath("IMAGES"));
        files = std::make_unique<HostFileSystem>(DriveMap({{QChar('d'), cd.path()}}));
        loader = std::make_unique<PictureFiles>(*files);
    }

    void write(const QString& name, const QByteArray& data)
    {
        QFile file(cd.path() + "/IMAGES/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    QString errorOf(const QString& path)
    {
        try {
            loader->load(path);
        } catch (const AppError& error) {
            return error.message();
        }
        return QString();
    }

    QTemporaryDir cd;
    std::unique_ptr<HostFileSystem> files;
    std::unique_ptr<PictureFiles> loader;
};

TEST_F(PictureFilesTest, ReadsEveryBmpFlavourACdCarries)
{
    const QImage original = blocks(54, 27);
    const std::pair<BmpFlavour, const char*> flavours[] = {{BmpFlavour::Indexed1, "1-bit"},
                                                           {BmpFlavour::Indexed4, "4-bit"},
                                                           {BmpFlavour::Rle4, "RLE4"},
                                                           {BmpFlavour::Indexed8, "8-bit"},
                                                           {BmpFlavour::Rle8, "RLE8"},
                                                           {BmpFlavour::Rgb24, "24-bit"},
                                                           {BmpFlavour::Os2Indexed4, "OS/2 4-bit"},
                                                           {BmpFlavour::Os2Indexed8, "OS/2 8-bit"},
                                                           {BmpFlavour::Os2Rgb24, "OS/2 24-bit"}};
    for (const auto& [flavour, label] : flavours) {
        SCOPED_TRACE(label);
        write("FBFHELP.BMP", encodeBmp(original, flavour));
        // Upper-case names on the CD are found by the program's lower-case paths.
        const QImage image = loader->load("d:\\images\\fbfhelp.bmp");
        ASSERT_EQ(image.size(), original.size());
        // What the file holds: the blocks mapped onto the flavour's palette.
        const int bits = bmpBitsPerPixel(flavour);
        const QImage expected = bits <= 8 ? toIndexed(original, bits) : original;
        for (const QPoint at : {QPoint(3, 3), QPoint(50, 3), QPoint(3, 24), QPoint(50, 24)}) {
            EXPECT_EQ(QColor(image.pixel(at)).name().toStdString(), QColor(expected.pixel(at)).name().toStdString())
                << at.x() << "," << at.y();
        }
    }
}

TEST_F(PictureFilesTest, MissingOrUnreadableFilesNameThePathAsGiven)
{
    EXPECT_EQ(errorOf("d:\\images\\fmain.bmp"), "Cannot open file d:\\images\\fmain.bmp");
    write("BROKEN.BMP", QByteArray("BM this is not a picture"));
    EXPECT_EQ(errorOf("d:\\images\\broken.bmp"), "Cannot open file d:\\images\\broken.bmp");
    // A directory of that name is no picture either.
    ASSERT_TRUE(QDir(cd.path()).mkpath("IMAGES/folder.bmp"));
    EXPECT_EQ(errorOf("d:\\images\\folder.bmp"), "Cannot open file d:\\images\\folder.bmp");
    // A fifo under a picture's name fails at once instead of waiting for a
    // writer that never comes.
    ASSERT_EQ(::mkfifo(QFile::encodeName(cd.path() + "/IMAGES/PIPE.BMP").constData(), 0644), 0);
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(errorOf("d:\\images\\pipe.bmp"), "Cannot open file d:\\images\\pipe.bmp");
    EXPECT_LT(took.elapsed(), 1000);
}

} // namespace
