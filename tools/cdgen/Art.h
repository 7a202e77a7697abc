#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRect>

#include <cstdint>

class QPainter;

namespace umbraxis::art {

// Deterministic value noise in [0, 1] and its fractal sum.
float hash01(int x, int y, std::uint32_t seed);
float noise(float x, float y, std::uint32_t seed);
float fbm(float x, float y, int octaves, std::uint32_t seed);

// The bold sans-serif face used for every caption and title.
QFont boldFont(qreal pixelSize, qreal letterSpacingPercent = 100.0);

struct MetalStyle {
    QColor base = QColor(66, 68, 72);
    float brush = 0.22f;    // strength of the horizontal brushing
    float mottle = 0.30f;   // large, soft light and dark patches
    float grain = 0.08f;    // per-pixel grain
    float rust = 0.45f;     // 0 none .. 1 mostly rust
    float streaks = 0.5f;   // vertical rust runs
    float vignette = 0.35f; // darkening towards the corners
};

// A canvas (ARGB32 premultiplied) covered with brushed, mottled, rusting steel.
QImage metalSurface(QSize size, std::uint32_t seed, const MetalStyle& style = MetalStyle());

// Multiplies the pixels inside the rectangle by `factor`, keeping a little texture.
void darken(QImage& canvas, const QRect& rect, float factor);

// Light and shadow lines along the edges of a rectangle: raised or sunk.
void bevel(QPainter& p, const QRectF& rect, int width, bool raised, int strength = 90);

// A recessed, darker panel with a soft inner shadow, a dark rim and a lit lower edge.
void recess(QImage& canvas, const QRect& rect, float darkness = 0.30f);

// A dome-headed rivet.
void rivet(QPainter& p, QPointF centre, qreal radius);

// Rivets along the edges of a rectangle at roughly the given spacing.
void rivetRow(QPainter& p, QPointF from, QPointF to, int count, qreal radius);

// A thin seam between two plates: a dark groove with a highlight below it.
void seam(QPainter& p, QPointF from, QPointF to);

// Box-blurs an ARGB32 premultiplied image three times (close to a Gaussian).
QImage blurred(const QImage& image, int radius);

// Adds a blurred, coloured copy of the path to the canvas (light added, never removed).
void glowPath(QImage& canvas, const QPainterPath& path, QColor colour, int radius, int passes = 1);

// Adds a soft round light.
void glowSpot(QImage& canvas, QPointF centre, qreal radius, QColor colour);

// A path of the text in the bold face, with its box centred on `centre`.
QPainterPath textPath(const QString& text, qreal pixelSize, QPointF centre, qreal spacing = 100.0);

// The game's title treatment: ember glow behind, metal-filled letters with an outline.
void drawTitle(QImage& canvas, const QString& text, QPointF centre, qreal pixelSize, float glow = 1.0f,
               qreal spacing = 112.0);

// Engraved lettering: the text cut into the metal, lit from above.
void engrave(QImage& canvas, const QString& text, QPointF centre, qreal pixelSize, qreal spacing = 110.0);

// A jagged glowing crack (the rift) from `from` to `to`.
void riftCrack(QImage& canvas, QPointF from, QPointF to, qreal width, std::uint32_t seed, float intensity = 1.0f);

} // namespace umbraxis::art
