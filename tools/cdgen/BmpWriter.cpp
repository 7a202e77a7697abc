#include "cdgen/BmpWriter.h"

#include "cdgen/ByteWriter.h"
#include "platform/AppError.h"

#include <QVector>

namespace umbraxis {

namespace {

const QVector<QRgb>& classicSixteen()
{
    static const QVector<QRgb> table = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
    };
    return table;
}

QByteArray packRow(const QImage& indexed, int y, int bits)
{
    const int width = indexed.width();
    const uchar* line = indexed.constScanLine(y);
    const int rowBytes = ((width * bits + 31) / 32) * 4;
    QByteArray row(rowBytes, '\0');
    auto* out = reinterpret_cast<uchar*>(row.data());
    for (int x = 0; x < width; ++x) {
        const uchar index = line[x];
        switch (bits) {
        case 1:
            if (index & 1)
                out[x / 8] |= uchar(0x80 >> (x % 8));
            break;
        case 4: out[x / 2] |= (x % 2 == 0) ? uchar((index & 15) << 4) : uchar(index & 15); break;
        default: out[x] = index; break;
        }
    }
    return row;
}

QByteArray packRow24(const QImage& rgb, int y)
{
    const int width = rgb.width();
    const int rowBytes = ((width * 24 + 31) / 32) * 4;
    QByteArray row(rowBytes, '\0');
    auto* out = reinterpret_cast<uchar*>(row.data());
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < width; ++x) {
        out[3 * x] = uchar(qBlue(line[x]));
        out[3 * x + 1] = uchar(qGreen(line[x]));
        out[3 * x + 2] = uchar(qRed(line[x]));
    }
    return row;
}

// Indices of one row, one entry per pixel, for the run-length encoders.
QByteArray rowIndices(const QImage& indexed, int y)
{
    return QByteArray(reinterpret_cast<const char*>(indexed.constScanLine(y)), indexed.width());
}

// Length of the run of equal values starting at i, at most 255.
int runLength(const QByteArray& p, int i)
{
    int run = 1;
    while (i + run < p.size() && run < 255 && p[i + run] == p[i])
        ++run;
    return run;
}

// Length of the stretch from i that is best written literally: it stops where a run of
// three equal values begins, or at 255 values.
int literalLength(const QByteArray& p, int i)
{
    int j = i;
    while (j < p.size() && j - i < 255) {
        if (j > i && j + 2 < p.size() && p[j] == p[j + 1] && p[j] == p[j + 2])
            break;
        ++j;
    }
    return j - i;
}

QByteArray encodeRle(const QImage& indexed, bool fourBit)
{
    QByteArray out;
    for (int y = indexed.height() - 1; y >= 0; --y) {
        const QByteArray p = rowIndices(indexed, y);
        int i = 0;
        while (i < p.size()) {
            const int run = runLength(p, i);
            if (run >= 2) {
                const uchar v = uchar(p[i]);
                out.append(char(run));
                out.append(char(fourBit ? uchar(((v & 15) << 4) | (v & 15)) : v));
                i += run;
                continue;
            }
            const int n = literalLength(p, i);
            if (n >= 3) {
                out.append('\0');
                out.append(char(n));
                int bytes = 0;
                if (fourBit) {
                    for (int k = 0; k < n; k += 2) {
                        const uchar hi = uchar(p[i + k]) & 15;
                        const uchar lo = (k + 1 < n) ? (uchar(p[i + k + 1]) & 15) : 0;
                        out.append(char((hi << 4) | lo));
                        ++bytes;
                    }
                } else {
                    out.append(p.mid(i, n));
                    bytes = n;
                }
                if (bytes % 2)
                    out.append('\0');
            } else {
                for (int k = 0; k < n; ++k) {
                    const uchar v = uchar(p[i + k]);
                    out.append(char(1));
                    out.append(char(fourBit ? uchar((v & 15) << 4) : v));
                }
            }
            i += n;
        }
        out.append('\0');
        out.append('\0');
    }
    out.append('\0');
    out.append(char(1));
    return out;
}

} // namespace

int bmpBitsPerPixel(BmpFlavour flavour)
{
    switch (flavour) {
    case BmpFlavour::Indexed1:
    case BmpFlavour::Os2Indexed1: return 1;
    case BmpFlavour::Indexed4:
    case BmpFlavour::Rle4:
    case BmpFlavour::Os2Indexed4: return 4;
    case BmpFlavour::Indexed8:
    case BmpFlavour::Rle8:
    case BmpFlavour::Os2Indexed8: return 8;
    case BmpFlavour::Rgb24:
    case BmpFlavour::Os2Rgb24: return 24;
    }
    return 24;
}

int bmpCompression(BmpFlavour flavour)
{
    if (flavour == BmpFlavour::Rle8)
        return 1;
    if (flavour == BmpFlavour::Rle4)
        return 2;
    return 0;
}

bool bmpIsOs2(BmpFlavour flavour)
{
    return flavour == BmpFlavour::Os2Indexed1 || flavour == BmpFlavour::Os2Indexed4
        || flavour == BmpFlavour::Os2Indexed8 || flavour == BmpFlavour::Os2Rgb24;
}

QImage toIndexed(const QImage& image, int bits)
{
    const int maxColours = 1 << bits;
    QImage source = image;
    if (source.format() == QImage::Format_Mono || source.format() == QImage::Format_MonoLSB)
        source = source.convertToFormat(QImage::Format_Indexed8);
    if (source.format() == QImage::Format_Indexed8 && source.colorCount() <= maxColours)
        return source;
    if (bits == 8)
        return source.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    const QVector<QRgb> table = bits == 1 ? QVector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)} : classicSixteen();
    return source.convertToFormat(QImage::Format_RGB32)
        .convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
}

QByteArray encodeBmp(const QImage& image, BmpFlavour flavour)
{
    if (image.isNull() || image.width() > 0xFFFF || image.height() > 0xFFFF)
        throw AppError(QStringLiteral("Cannot encode an empty or oversized picture"));

    const int bits = bmpBitsPerPixel(flavour);
    const bool os2 = bmpIsOs2(flavour);
    const int compression = bmpCompression(flavour);
    const int width = image.width();
    const int height = image.height();

    QImage pixels;
    QVector<QRgb> palette;
    if (bits == 24) {
        pixels = image.convertToFormat(QImage::Format_RGB32);
    } else {
        pixels = toIndexed(image, bits);
        palette = pixels.colorTable();
        // The core header has no colour count, so its table is always complete.
        if (os2)
            palette.resize(1 << bits, qRgb(0, 0, 0));
    }

    QByteArray data;
    if (compression != 0) {
        data = encodeRle(pixels, bits == 4);
    } else {
        for (int y = height - 1; y >= 0; --y)
            data.append(bits == 24 ? packRow24(pixels, y) : packRow(pixels, y, bits));
    }

    const int headerSize = os2 ? 12 : 40;
    const int paletteSize = int(palette.size()) * (os2 ? 3 : 4);
    const quint32 offset = 14 + headerSize + paletteSize;

    ByteWriter out;
    out.bytes("BM");
    out.u32(offset + quint32(data.size()));
    out.u16(0);
    out.u16(0);
    out.u32(offset);
    if (os2) {
        out.u32(12);
        out.u16(quint16(width));
        out.u16(quint16(height));
        out.u16(1);
        out.u16(quint16(bits));
    } else {
        out.u32(40);
        out.i32(width);
        out.i32(height);
        out.u16(1);
        out.u16(quint16(bits));
        out.u32(quint32(compression));
        out.u32(quint32(data.size()));
        out.i32(2835);
        out.i32(2835);
        out.u32(quint32(palette.size()));
        out.u32(0);
    }
    for (QRgb colour : palette) {
        out.u8(quint8(qBlue(colour)));
        out.u8(quint8(qGreen(colour)));
        out.u8(quint8(qRed(colour)));
        if (!os2)
            out.u8(0);
    }
    out.bytes(data);
    return out.data();
}

} // namespace umbraxis
