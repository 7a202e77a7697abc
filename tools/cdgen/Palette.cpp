#include "cdgen/Palette.h"

#include <QColor>

#include <algorithm>
#include <cmath>
#include <vector>

namespace umbraxis {

namespace {

QRgb mixRgb(QRgb a, QRgb b, double t)
{
    auto lerp = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return qRgb(lerp(qRed(a), qRed(b)), lerp(qGreen(a), qGreen(b)), lerp(qBlue(a), qBlue(b)));
}

// Appends `count` colours along a path through the given key colours.
void appendRamp(QVector<QRgb>& table, const QVector<QRgb>& keys, int count)
{
    for (int i = 0; i < count; ++i) {
        const double pos = double(i) / (count - 1) * (keys.size() - 1);
        const int k = std::min(int(pos), int(keys.size()) - 2);
        table.append(mixRgb(keys[k], keys[k + 1], pos - k));
    }
}

void appendShadedRamp(QVector<QRgb>& table, int count, double r, double g, double b, double gamma, double low,
                      double high)
{
    for (int i = 0; i < count; ++i) {
        const double v = low + (high - low) * std::pow(double(i) / (count - 1), gamma);
        table.append(qRgb(std::clamp(int(std::lround(v * r)), 0, 255), std::clamp(int(std::lround(v * g)), 0, 255),
                          std::clamp(int(std::lround(v * b)), 0, 255)));
    }
}

QVector<QRgb> buildPalette()
{
    QVector<QRgb> table = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
    };
    appendShadedRamp(table, 64, 0.95, 0.98, 1.04, 1.45, 3, 245); // steel
    appendShadedRamp(table, 48, 1.10, 0.96, 0.80, 1.35, 4, 225); // warm metal
    appendRamp(table, {qRgb(22, 12, 8), qRgb(70, 34, 18), qRgb(120, 62, 34), qRgb(165, 98, 60)}, 16);
    appendRamp(table, {qRgb(40, 16, 6), qRgb(105, 44, 14), qRgb(168, 78, 26), qRgb(220, 120, 48)}, 16);
    appendRamp(table, {qRgb(34, 10, 8), qRgb(90, 26, 16), qRgb(140, 48, 28), qRgb(180, 70, 40)}, 16);
    appendRamp(table,
               {qRgb(18, 2, 0), qRgb(100, 10, 0), qRgb(190, 38, 0), qRgb(245, 100, 8), qRgb(255, 170, 40),
                qRgb(255, 220, 110), qRgb(255, 248, 200)},
               48); // ember
    appendRamp(table, {qRgb(6, 8, 14), qRgb(28, 34, 52), qRgb(60, 74, 100), qRgb(110, 130, 160)}, 16);
    appendRamp(table, {qRgb(12, 0, 0), qRgb(60, 4, 4), qRgb(120, 12, 10), qRgb(170, 30, 22)}, 16);
    return table;
}

int distance(int r, int g, int b, QRgb c)
{
    const int dr = r - qRed(c);
    const int dg = g - qGreen(c);
    const int db = b - qBlue(c);
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

class NearestColour {
public:
    explicit NearestColour(const QVector<QRgb>& palette)
        : m_palette(palette)
        , m_cache(1 << 18, -1)
    {
    }

    int find(int r, int g, int b)
    {
        const int key = ((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2);
        int& slot = m_cache[size_t(key)];
        if (slot < 0) {
            // The cache cell's centre stands for all the colours that fall in it.
            const int cr = (r & ~3) | 2;
            const int cg = (g & ~3) | 2;
            const int cb = (b & ~3) | 2;
            int best = 0;
            int bestDistance = distance(cr, cg, cb, m_palette[0]);
            for (int i = 1; i < m_palette.size(); ++i) {
                const int d = distance(cr, cg, cb, m_palette[i]);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            slot = best;
        }
        return slot;
    }

private:
    const QVector<QRgb>& m_palette;
    std::vector<int> m_cache;
};

} // namespace

const QVector<QRgb>& cdPalette()
{
    static const QVector<QRgb> palette = buildPalette();
    return palette;
}

QImage quantise(const QImage& image, const QVector<QRgb>& palette)
{
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const int w = source.width();
    const int h = source.height();
    QImage out(w, h, QImage::Format_Indexed8);
    out.setColorTable(palette);
    NearestColour nearest(palette);

    // Two rows of accumulated error, three channels each, with a guard pixel either side.
    std::vector<float> current(size_t(w + 2) * 3, 0.0f);
    std::vector<float> next(size_t(w + 2) * 3, 0.0f);
    for (int y = 0; y < h; ++y) {
        std::fill(next.begin(), next.end(), 0.0f);
        const bool leftToRight = (y % 2) == 0;
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        uchar* line = out.scanLine(y);
        for (int step = 0; step < w; ++step) {
            const int x = leftToRight ? step : w - 1 - step;
            const int dir = leftToRight ? 1 : -1;
            float want[3] = {qRed(in[x]) + current[size_t(x + 1) * 3], qGreen(in[x]) + current[size_t(x + 1) * 3 + 1],
                             qBlue(in[x]) + current[size_t(x + 1) * 3 + 2]};
            int clamped[3];
            for (int c = 0; c < 3; ++c)
                clamped[c] = std::clamp(int(std::lround(want[c])), 0, 255);
            const int index = nearest.find(clamped[0], clamped[1], clamped[2]);
            line[x] = uchar(index);
            const QRgb got = palette[index];
            const float err[3] = {float(clamped[0] - qRed(got)), float(clamped[1] - qGreen(got)),
                                  float(clamped[2] - qBlue(got))};
            for (int c = 0; c < 3; ++c) {
                current[size_t(x + 1 + dir) * 3 + c] += err[c] * 7.0f / 16.0f;
                next[size_t(x + 1 - dir) * 3 + c] += err[c] * 3.0f / 16.0f;
                next[size_t(x + 1) * 3 + c] += err[c] * 5.0f / 16.0f;
                next[size_t(x + 1 + dir) * 3 + c] += err[c] * 1.0f / 16.0f;
            }
        }
        std::swap(current, next);
    }
    return out;
}

} // namespace umbraxis
