#include "cdgen/Art.h"

#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <vector>

namespace umbraxis::art {

float hash01(int x, int y, std::uint32_t seed)
{
    std::uint32_t h = std::uint32_t(x) * 0x8da6b343u ^ std::uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    h *= 0x27d4eb2du;
    h ^= h >> 16;
    return float(h & 0xFFFFFFu) / 16777216.0f;
}

float noise(float x, float y, std::uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = int(fx);
    const int iy = int(fy);
    float tx = x - fx;
    float ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    const float a = hash01(ix, iy, seed);
    const float b = hash01(ix + 1, iy, seed);
    const float c = hash01(ix, iy + 1, seed);
    const float d = hash01(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float fbm(float x, float y, int octaves, std::uint32_t seed)
{
    float sum = 0.0f;
    float amplitude = 0.5f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * noise(x, y, seed + std::uint32_t(i) * 101u);
        total += amplitude;
        x *= 2.03f;
        y *= 2.03f;
        amplitude *= 0.5f;
    }
    return sum / total;
}

QFont boldFont(qreal pixelSize, qreal letterSpacingPercent)
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(
            QStringLiteral("/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"));
        const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
        return families.isEmpty() ? QStringLiteral("Liberation Sans") : families.first();
    }();
    QFont font(family);
    font.setBold(true);
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setStyleStrategy(QFont::PreferAntialias);
    if (letterSpacingPercent != 100.0)
        font.setLetterSpacing(QFont::PercentageSpacing, letterSpacingPercent);
    return font;
}

namespace {

float smoothstep(float e0, float e1, float x)
{
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

int clampByte(float v)
{
    return std::clamp(int(std::lround(v)), 0, 255);
}

} // namespace

QImage metalSurface(QSize size, std::uint32_t seed, const MetalStyle& s)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    const float w = float(size.width());
    const float h = float(size.height());
    const float rustThreshold = 0.68f - 0.25f * s.rust;
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const float brushed = (noise(x * 0.012f, y * 0.85f, seed) - 0.5f) * s.brush
                + (noise(x * 0.05f, y * 0.35f, seed + 7) - 0.5f) * s.brush * 0.5f;
            const float mottle = (fbm(x * 0.008f, y * 0.011f, 4, seed + 11) - 0.5f) * s.mottle;
            const float grain = (hash01(x, y, seed + 13) - 0.5f) * s.grain;
            const float shade = 1.0f + brushed + mottle + grain;
            float r = s.base.red() * shade;
            float g = s.base.green() * shade;
            float b = s.base.blue() * shade;

            float rust = smoothstep(rustThreshold, rustThreshold + 0.08f,
                                    fbm(x * 0.0075f + 31.0f, y * 0.0075f, 5, seed + 17));
            const float run = noise(x * 0.22f, y * 0.010f, seed + 19);
            const float runMask = smoothstep(0.55f, 0.9f, fbm(x * 0.02f, y * 0.004f, 3, seed + 23));
            rust = std::max(rust, s.streaks * runMask * smoothstep(0.55f, 0.85f, run) * 0.85f);
            if (rust > 0.0f) {
                const float tone = fbm(x * 0.09f, y * 0.09f, 3, seed + 29);
                const float pit = hash01(x, y, seed + 31) > 0.96f ? 0.55f : 1.0f;
                const float rr = (38.0f + 92.0f * tone) * pit;
                const float rg = (20.0f + 40.0f * tone * tone) * pit;
                const float rb = (13.0f + 16.0f * tone * tone) * pit;
                r += (rr - r) * rust;
                g += (rg - g) * rust;
                b += (rb - b) * rust;
            }

            const float dx = (x - w / 2) / (w / 2);
            const float dy = (y - h / 2) / (h / 2);
            const float vig = 1.0f - s.vignette * std::min(1.0f, (dx * dx + dy * dy) * 0.5f);
            line[x] = qRgb(clampByte(r * vig), clampByte(g * vig), clampByte(b * vig));
        }
    }
    return image;
}

void darken(QImage& canvas, const QRect& rect, float factor)
{
    const QRect r = rect.intersected(canvas.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            line[x] = qRgb(clampByte(qRed(line[x]) * factor), clampByte(qGreen(line[x]) * factor),
                           clampByte(qBlue(line[x]) * factor));
    }
}

void bevel(QPainter& p, const QRectF& rect, int width, bool raised, int strength)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < width; ++i) {
        const int a = strength * (width - i) / width;
        const QColor light(255, 240, 220, raised ? a : a / 2);
        const QColor dark(0, 0, 0, raised ? std::min(255, a * 3 / 2) : std::min(255, a * 2));
        const QRectF r = rect.adjusted(i, i, -i - 1, -i - 1);
        p.setPen(raised ? light : dark);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(raised ? dark : light);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
    p.restore();
}

void recess(QImage& canvas, const QRect& rect, float darkness)
{
    const QRect r = rect.intersected(canvas.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        const float dTop = float(y - rect.top());
        for (int x = r.left(); x <= r.right(); ++x) {
            const float dLeft = float(x - rect.left());
            const float shadow = (1.0f - 0.55f * std::exp(-dTop / 7.0f)) * (1.0f - 0.45f * std::exp(-dLeft / 7.0f));
            const float f = darkness * shadow;
            // Inside a recess colour is mostly drained, so whatever is shown there stands out.
            const float grey = 0.30f * qRed(line[x]) + 0.55f * qGreen(line[x]) + 0.15f * qBlue(line[x]);
            const float r = grey + 0.35f * (qRed(line[x]) - grey);
            const float g = grey + 0.35f * (qGreen(line[x]) - grey);
            const float b = grey + 0.35f * (qBlue(line[x]) - grey);
            line[x] = qRgb(clampByte(r * f + 3), clampByte(g * f + 3), clampByte(b * f + 4));
        }
    }
    QPainter p(&canvas);
    p.setPen(QColor(0, 0, 0, 210));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect.adjusted(-1, -1, 0, 0));
    p.setPen(QColor(255, 230, 200, 55));
    p.drawLine(rect.left() - 1, rect.bottom() + 1, rect.right() + 1, rect.bottom() + 1);
    p.drawLine(rect.right() + 1, rect.top() - 1, rect.right() + 1, rect.bottom() + 1);
}

void rivet(QPainter& p, QPointF centre, qreal radius)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 140));
    p.drawEllipse(centre + QPointF(radius * 0.35, radius * 0.45), radius * 1.05, radius * 1.05);
    QRadialGradient g(centre - QPointF(radius * 0.35, radius * 0.4), radius * 1.4);
    g.setColorAt(0.0, QColor(215, 212, 205));
    g.setColorAt(0.35, QColor(130, 126, 122));
    g.setColorAt(0.8, QColor(58, 50, 46));
    g.setColorAt(1.0, QColor(30, 24, 22));
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void rivetRow(QPainter& p, QPointF from, QPointF to, int count, qreal radius)
{
    for (int i = 0; i < count; ++i) {
        const qreal t = count == 1 ? 0.5 : qreal(i) / (count - 1);
        rivet(p, from + (to - from) * t, radius);
    }
}

void seam(QPainter& p, QPointF from, QPointF to)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(QColor(0, 0, 0, 170), 2));
    p.drawLine(from, to);
    p.setPen(QPen(QColor(255, 235, 210, 45), 1));
    const QPointF off = (from.y() == to.y()) ? QPointF(0, 1.5) : QPointF(1.5, 0);
    p.drawLine(from + off, to + off);
    p.restore();
}

QImage blurred(const QImage& image, int radius)
{
    QImage img = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (radius <= 0)
        return img;
    const int w = img.width();
    const int h = img.height();
    std::vector<int> buf(size_t(std::max(w, h)) * 4);
    auto pass = [&](bool horizontal) {
        const int lines = horizontal ? h : w;
        const int len = horizontal ? w : h;
        for (int l = 0; l < lines; ++l) {
            auto at = [&](int i) -> QRgb& {
                return horizontal ? reinterpret_cast<QRgb*>(img.scanLine(l))[i]
                                  : reinterpret_cast<QRgb*>(img.scanLine(i))[l];
            };
            for (int i = 0; i < len; ++i) {
                const QRgb c = at(i);
                buf[size_t(i) * 4] = qAlpha(c);
                buf[size_t(i) * 4 + 1] = qRed(c);
                buf[size_t(i) * 4 + 2] = qGreen(c);
                buf[size_t(i) * 4 + 3] = qBlue(c);
            }
            int sum[4] = {0, 0, 0, 0};
            for (int i = -radius; i <= radius; ++i) {
                const int k = std::clamp(i, 0, len - 1);
                for (int c = 0; c < 4; ++c)
                    sum[c] += (i >= 0 && i < len) ? buf[size_t(k) * 4 + c] : 0;
            }
            const int span = 2 * radius + 1;
            for (int i = 0; i < len; ++i) {
                at(i) = qRgba(sum[1] / span, sum[2] / span, sum[3] / span, sum[0] / span);
                const int out = i - radius;
                const int in = i + radius + 1;
                for (int c = 0; c < 4; ++c) {
                    if (out >= 0)
                        sum[c] -= buf[size_t(out) * 4 + c];
                    if (in < len)
                        sum[c] += buf[size_t(in) * 4 + c];
                }
            }
        }
    };
    for (int i = 0; i < 3; ++i) {
        pass(true);
        pass(false);
    }
    return img;
}

void glowPath(QImage& canvas, const QPainterPath& path, QColor colour, int radius, int passes)
{
    const QRect area = path.boundingRect()
                           .toAlignedRect()
                           .adjusted(-4 * radius, -4 * radius, 4 * radius, 4 * radius)
                           .intersected(canvas.rect());
    if (area.isEmpty())
        return;
    QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.setRenderHint(QPainter::Antialiasing, true);
        lp.translate(-area.topLeft());
        lp.fillPath(path, colour);
    }
    layer = blurred(layer, radius);
    QPainter p(&canvas);
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    for (int i = 0; i < passes; ++i)
        p.drawImage(area.topLeft(), layer);
}

void glowSpot(QImage& canvas, QPointF centre, qreal radius, QColor colour)
{
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    QRadialGradient g(centre, radius);
    g.setColorAt(0.0, colour);
    QColor mid = colour;
    mid.setAlpha(colour.alpha() / 3);
    g.setColorAt(0.4, mid);
    g.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
}

QPainterPath textPath(const QString& text, qreal pixelSize, QPointF centre, qreal spacing)
{
    QPainterPath path;
    path.addText(0, 0, boldFont(pixelSize, spacing), text);
    const QRectF bounds = path.boundingRect();
    path.translate(centre - bounds.center());
    return path;
}

void drawTitle(QImage& canvas, const QString& text, QPointF centre, qreal pixelSize, float glow, qreal spacing)
{
    const QPainterPath path = textPath(text, pixelSize, centre, spacing);
    const QRectF bounds = path.boundingRect();

    // A soft dark shadow first, so the letters stand off the plate.
    {
        const QRect area = bounds.toAlignedRect().adjusted(-20, -20, 20, 20).intersected(canvas.rect());
        QImage shadow(area.size(), QImage::Format_ARGB32_Premultiplied);
        shadow.fill(Qt::transparent);
        QPainter sp(&shadow);
        sp.setRenderHint(QPainter::Antialiasing, true);
        sp.translate(-area.topLeft() + QPointF(pixelSize / 30.0, pixelSize / 22.0));
        sp.fillPath(path, QColor(0, 0, 0, 230));
        sp.end();
        QPainter p(&canvas);
        p.drawImage(area.topLeft(), blurred(shadow, std::max(2, int(pixelSize / 24))));
    }
    if (glow > 0.0f) {
        glowPath(canvas, path, QColor(150, 30, 0, int(255 * std::min(1.0f, glow))), int(pixelSize / 4));
        glowPath(canvas, path, QColor(255, 110, 20, int(200 * std::min(1.0f, glow))), int(pixelSize / 10));
    }

    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient fill(bounds.topLeft(), bounds.bottomLeft());
    fill.setColorAt(0.0, QColor(240, 238, 232));
    fill.setColorAt(0.42, QColor(150, 150, 156));
    fill.setColorAt(0.50, QColor(58, 56, 58));
    fill.setColorAt(0.56, QColor(112, 104, 98));
    fill.setColorAt(1.0, QColor(178, 112, 64));
    p.fillPath(path, fill);
    p.setPen(QPen(QColor(16, 10, 8), std::max(1.2, pixelSize / 42.0)));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    // A thin lit edge along the top of the letters.
    p.setClipPath(path);
    p.setPen(QPen(QColor(255, 250, 235, 150), std::max(1.0, pixelSize / 60.0)));
    p.drawPath(path.translated(0, pixelSize / 40.0));
}

void engrave(QImage& canvas, const QString& text, QPointF centre, qreal pixelSize, qreal spacing)
{
    const QPainterPath path = textPath(text, pixelSize, centre, spacing);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(path.translated(0, 1), QColor(255, 235, 210, 110));
    p.fillPath(path, QColor(6, 4, 4, 230));
    p.setClipPath(path);
    p.fillPath(path.translated(0, 1.5), QColor(150, 60, 20, 70));
}

void riftCrack(QImage& canvas, QPointF from, QPointF to, qreal width, std::uint32_t seed, float intensity)
{
    // Midpoint displacement gives a jagged line that keeps its general direction.
    std::vector<QPointF> points = {from, to};
    const QPointF dir = to - from;
    const qreal length = std::hypot(dir.x(), dir.y());
    const QPointF normal(-dir.y() / length, dir.x() / length);
    qreal spread = length * 0.18;
    for (int level = 0; level < 6; ++level) {
        std::vector<QPointF> next;
        for (size_t i = 0; i + 1 < points.size(); ++i) {
            next.push_back(points[i]);
            const float r = hash01(int(i), level, seed) - 0.5f;
            next.push_back((points[i] + points[i + 1]) / 2 + normal * (r * spread));
        }
        next.push_back(points.back());
        points.swap(next);
        spread *= 0.52;
    }
    QPainterPath line(points.front());
    for (size_t i = 1; i < points.size(); ++i)
        line.lineTo(points[i]);

    QPainterPath branches;
    for (int b = 0; b < 5; ++b) {
        const size_t at = size_t(hash01(b, 99, seed) * float(points.size() - 2)) + 1;
        QPointF p0 = points[at];
        branches.moveTo(p0);
        const qreal side = hash01(b, 98, seed) > 0.5f ? 1.0 : -1.0;
        for (int k = 0; k < 5; ++k) {
            p0 += normal * side * (length * 0.012) + dir / length * (length * 0.008)
                + QPointF((hash01(b, k, seed + 5) - 0.5f) * 7, (hash01(k, b, seed + 6) - 0.5f) * 7);
            branches.lineTo(p0);
        }
    }

    auto stroked = [](const QPainterPath& path, qreal w) {
        QPainterPathStroker stroker;
        stroker.setWidth(w);
        stroker.setJoinStyle(Qt::MiterJoin);
        stroker.setCapStyle(Qt::RoundCap);
        return stroker.createStroke(path);
    };
    const auto scaled = [intensity](int a) { return std::clamp(int(a * intensity), 0, 255); };
    glowPath(canvas, stroked(line, width * 4), QColor(140, 24, 0, scaled(255)), int(width * 5));
    glowPath(canvas, stroked(line, width * 1.6), QColor(255, 90, 10, scaled(230)), int(width * 1.5));
    glowPath(canvas, stroked(branches, width * 0.8), QColor(255, 80, 10, scaled(200)), int(width));
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(stroked(line, width), QColor(255, 150, 40, scaled(255)));
    p.fillPath(stroked(branches, width * 0.4), QColor(255, 160, 60, scaled(220)));
    p.fillPath(stroked(line, width * 0.35), QColor(255, 245, 200, scaled(255)));
}

} // namespace umbraxis::art
