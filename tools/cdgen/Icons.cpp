#include "cdgen/Icons.h"

#include "cdgen/Art.h"
#include "cdgen/SampleCd.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>

namespace umbraxis {

using namespace art;

const QList<int>& appIconSizes()
{
    static const QList<int> sizes = {16, 22, 24, 32, 48, 64, 128, 256, 512};
    return sizes;
}

QImage drawAppIcon(int size)
{
    // Small icons are drawn four times larger and reduced, so that the
    // letter and the crack keep clean edges instead of the plate's grain.
    const int scale = size < 64 ? 4 : 1;
    const int n = size * scale;
    const qreal u = n / 256.0;

    MetalStyle style;
    style.base = QColor(70, 70, 74);
    style.rust = 0.40f;
    style.streaks = 0.45f;
    style.vignette = 0.45f;
    QImage canvas = metalSurface(QSize(n, n), 911, style);
    riftCrack(canvas, QPointF(14 * u, 178 * u), QPointF(242 * u, 96 * u), std::max(2.0, 6.0 * u), 17, 1.0f);
    glowSpot(canvas, QPointF(128 * u, 140 * u), 110 * u, QColor(140, 36, 0, 110));
    drawTitle(canvas, QStringLiteral("U"), QPointF(128 * u, 126 * u), 190 * u, 0.9f, 100);
    {
        QPainter p(&canvas);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF plate(0.5, 0.5, n - 1.0, n - 1.0);
        bevel(p, plate.adjusted(3 * u, 3 * u, -3 * u, -3 * u), std::max(1, int(5 * u)), true, 110);
        if (size >= 48)
            for (const QPointF at : {QPointF(24, 24), QPointF(232, 24), QPointF(24, 232), QPointF(232, 232)})
                rivet(p, at * u, 7 * u);
    }

    // Rounded corners with a dark rim. The corners are cut once more at the
    // final size, so that a reduced icon keeps them clear.
    auto outline = [](qreal side) {
        const qreal k = side / 256.0;
        QPainterPath path;
        path.addRoundedRect(QRectF(2 * k, 2 * k, side - 4 * k, side - 4 * k), 40 * k, 40 * k);
        return path;
    };
    QImage icon(n, n, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    {
        QPainter p(&icon);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setClipPath(outline(n));
        p.drawImage(0, 0, canvas);
        p.setClipping(false);
        p.setPen(QPen(QColor(12, 8, 6), std::max(1.0, 4.0 * u)));
        p.setBrush(Qt::NoBrush);
        p.drawPath(outline(n));
    }
    if (scale > 1) {
        icon = icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QImage mask(size, size, QImage::Format_ARGB32_Premultiplied);
        mask.fill(Qt::transparent);
        {
            QPainter p(&mask);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.fillPath(outline(size), Qt::black);
        }
        QPainter p(&icon);
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(0, 0, mask);
    }
    return icon.convertToFormat(QImage::Format_ARGB32);
}

void writeAppIcons(const QString& folder, const QString& name)
{
    for (const int size : appIconSizes()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        drawAppIcon(size).save(&buffer, "PNG");
        writeFileAtomically(QStringLiteral("%1/hicolor/%2x%2/apps/%3.png").arg(folder).arg(size).arg(name), png);
    }
}

} // namespace umbraxis
