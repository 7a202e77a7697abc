#include "cdgen/Pictures.h"

#include "cdgen/Art.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace umbraxis {

using namespace art;

namespace {

const QColor kCaption(236, 226, 206);
const QColor kCaptionPressed(255, 206, 104);
const QColor kEmber(255, 110, 10);

std::uint32_t seedOf(const QString& text)
{
    std::uint32_t h = 2166136261u;
    for (QChar c : text)
        h = (h ^ c.unicode()) * 16777619u;
    return h;
}

// Draws the text centred in `box`; pressed text glows like a hot filament.
void caption(QImage& img, const QString& text, const QRectF& box, qreal px, bool pressed)
{
    const QFont font = boldFont(px);
    if (pressed) {
        QImage layer(img.size(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        {
            QPainter lp(&layer);
            lp.setFont(font);
            lp.setPen(QColor(255, 90, 0));
            lp.drawText(box, Qt::AlignCenter, text);
        }
        layer = blurred(layer, std::max(2, int(px / 5)));
        QPainter p(&img);
        p.setCompositionMode(QPainter::CompositionMode_Plus);
        p.drawImage(0, 0, layer);
        p.drawImage(0, 0, layer);
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 220));
    p.drawText(box.translated(1, 1), Qt::AlignCenter, text);
    if (!pressed) {
        p.setPen(QColor(0, 0, 0, 110));
        p.drawText(box.translated(-1, 0), Qt::AlignCenter, text);
    }
    p.setPen(pressed ? kCaptionPressed : kCaption);
    p.drawText(box, Qt::AlignCenter, text);
}

// The plate every button is cut from: lighter, cleaner steel with a bevelled edge.
QImage buttonPlate(QSize size, std::uint32_t seed, bool pressed)
{
    MetalStyle style;
    style.base = QColor(84, 82, 80);
    style.rust = 0.12f;
    style.streaks = 0.2f;
    style.vignette = 0.25f;
    style.brush = 0.18f;
    QImage img = metalSurface(size, seed, style);
    if (pressed)
        darken(img, img.rect(), 0.62f);
    QPainter p(&img);
    p.setPen(QColor(0, 0, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(img.rect().adjusted(0, 0, -1, -1));
    bevel(p, QRectF(img.rect()).adjusted(1, 1, -1, -1), 2, !pressed, pressed ? 110 : 120);
    if (pressed) {
        QLinearGradient g(0, size.height(), 0, size.height() * 0.45);
        g.setColorAt(0.0, QColor(255, 80, 0, 70));
        g.setColorAt(1.0, QColor(255, 80, 0, 0));
        p.setCompositionMode(QPainter::CompositionMode_Plus);
        p.fillRect(img.rect().adjusted(3, 3, -3, -3), g);
    }
    return img;
}

QPainterPath personIcon(QPointF at, qreal scale)
{
    QPainterPath path;
    path.addEllipse(at + QPointF(0, -9 * scale), 5 * scale, 5 * scale);
    QPainterPath body;
    body.moveTo(at + QPointF(-10 * scale, 12 * scale));
    body.cubicTo(at + QPointF(-10 * scale, -1 * scale), at + QPointF(10 * scale, -1 * scale),
                 at + QPointF(10 * scale, 12 * scale));
    body.closeSubpath();
    return path.united(body);
}

QPainterPath crosshairIcon(QPointF at)
{
    QPainterPathStroker stroker;
    stroker.setWidth(2.6);
    QPainterPath lines;
    lines.addEllipse(at, 11, 11);
    for (const QPointF d : {QPointF(1, 0), QPointF(-1, 0), QPointF(0, 1), QPointF(0, -1)}) {
        lines.moveTo(at + d * 6);
        lines.lineTo(at + d * 16);
    }
    QPainterPath icon = stroker.createStroke(lines);
    icon.addEllipse(at, 2.2, 2.2);
    return icon;
}

QPainterPath powerIcon(QPointF at, qreal r)
{
    QPainterPath arc;
    arc.arcMoveTo(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r), 120);
    arc.arcTo(QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r), 120, 300);
    arc.moveTo(at + QPointF(0, -r - 3));
    arc.lineTo(at + QPointF(0, -2));
    QPainterPathStroker stroker;
    stroker.setWidth(3.6);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(arc);
}

void drawIcon(QImage& img, const QPainterPath& icon, bool pressed)
{
    if (pressed)
        glowPath(img, icon, QColor(255, 90, 0, 255), 3, 2);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(icon.translated(1, 1), QColor(0, 0, 0, 200));
    p.fillPath(icon, pressed ? kCaptionPressed : QColor(210, 150, 90));
}

// A recess slightly larger than a button, so the button sits in a socket on the screen.
void socket(QImage& canvas, const QRect& button)
{
    recess(canvas, button.adjusted(-3, -3, 3, 3), 0.22f);
}

// The darker control deck along the bottom of the full-window screens.
void deck(QImage& canvas, int top)
{
    darken(canvas, QRect(0, top, canvas.width(), canvas.height() - top), 0.72f);
    QPainter p(&canvas);
    seam(p, QPointF(0, top), QPointF(canvas.width(), top));
    rivetRow(p, QPointF(12, top + 12), QPointF(canvas.width() - 12, top + 12), 2, 3.2);
    rivetRow(p, QPointF(12, canvas.height() - 12), QPointF(canvas.width() - 12, canvas.height() - 12), 2, 3.2);
}

void cornerRivets(QImage& canvas, const QRect& r, qreal radius)
{
    QPainter p(&canvas);
    rivet(p, r.topLeft() + QPointF(radius + 3, radius + 3), radius);
    rivet(p, r.topRight() + QPointF(-radius - 3, radius + 3), radius);
    rivet(p, r.bottomLeft() + QPointF(radius + 3, -radius - 3), radius);
    rivet(p, r.bottomRight() + QPointF(-radius - 3, -radius - 3), radius);
}

MetalStyle screenMetal()
{
    MetalStyle style;
    style.base = QColor(60, 62, 66);
    style.rust = 0.5f;
    return style;
}

void smallText(QImage& canvas, const QString& text, QPointF centre, qreal px, QColor colour, qreal spacing = 100)
{
    QPainter p(&canvas);
    p.setFont(boldFont(px, spacing));
    const QRectF box(centre.x() - 300, centre.y() - px, 600, 2 * px);
    p.setPen(QColor(0, 0, 0, 200));
    p.drawText(box.translated(1, 1), Qt::AlignCenter, text);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

// Tiny warm indicator lights, as on a machine that is switched on.
void indicatorLights(QImage& canvas, QPointF from, int count, qreal step)
{
    for (int i = 0; i < count; ++i) {
        const QPointF at = from + QPointF(i * step, 0);
        const bool lit = i % 3 != 2;
        {
            QPainter p(&canvas);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(QColor(0, 0, 0, 200));
            p.setBrush(lit ? QColor(255, 150, 40) : QColor(60, 20, 10));
            p.drawEllipse(at, 3.0, 3.0);
        }
        if (lit)
            glowSpot(canvas, at, 9, QColor(255, 90, 0, 150));
    }
}

void screenHeader(QImage& canvas, const QString& right)
{
    drawTitle(canvas, QStringLiteral("UMBRAXIS"), QPointF(118, 30), 30, 0.7f, 114);
    engrave(canvas, right, QPointF(canvas.width() - 150, 30), 17, 135);
    {
        QPainter p(&canvas);
        seam(p, QPointF(0, 62), QPointF(canvas.width(), 62));
    }
    indicatorLights(canvas, QPointF(250, 30), 5, 12);
}

} // namespace

QImage drawMenuButton(const QString& text, ButtonLook look)
{
    const bool pressed = look == ButtonLook::Pressed;
    QImage img = buttonPlate(QSize(134, 27), seedOf(text), pressed);
    {
        QPainter p(&img);
        rivet(p, QPointF(8, 13.5), 2.2);
        rivet(p, QPointF(126, 13.5), 2.2);
    }
    const QRectF box = QRectF(12, 0, 110, 27).translated(pressed ? 1 : 0, pressed ? 1 : 0);
    caption(img, text, box, 13, pressed);
    return img;
}

QImage drawExitButton(ButtonLook look)
{
    const bool pressed = look == ButtonLook::Pressed;
    QImage img = buttonPlate(QSize(83, 73), seedOf(QStringLiteral("exit")), pressed);
    cornerRivets(img, img.rect(), 2.2);
    const qreal shift = pressed ? 1 : 0;
    drawIcon(img, powerIcon(QPointF(41.5 + shift, 29 + shift), 12), pressed);
    caption(img, QStringLiteral("Exit"), QRectF(0, 46, 83, 22).translated(shift, shift), 15, pressed);
    return img;
}

QImage drawModeButton(const QString& text, const QString& subtitle, int icon, ButtonLook look)
{
    const bool pressed = look == ButtonLook::Pressed;
    QImage img = buttonPlate(QSize(260, 60), seedOf(text), pressed);
    cornerRivets(img, img.rect(), 2.4);
    const qreal shift = pressed ? 1 : 0;
    {
        // A socket for the emblem on the left.
        recess(img, QRect(12, 9, 44, 42), 0.45f);
    }
    const QPointF centre(34 + shift, 30 + shift);
    QPainterPath shape;
    if (icon == 0)
        shape = personIcon(centre + QPointF(0, 2), 1.1);
    else if (icon == 1)
        shape = crosshairIcon(centre);
    else
        shape = personIcon(centre + QPointF(-7, 3), 0.95).united(personIcon(centre + QPointF(8, 1), 0.95));
    drawIcon(img, shape, pressed);
    caption(img, text, QRectF(64, 6, 186, 30).translated(shift, shift), 21, pressed);
    {
        QPainter p(&img);
        p.setFont(boldFont(11, 108));
        p.setPen(QColor(0, 0, 0, 200));
        const QRectF sub = QRectF(64, 35, 186, 18).translated(shift, shift);
        p.drawText(sub.translated(1, 1), Qt::AlignCenter, subtitle);
        p.setPen(pressed ? QColor(255, 170, 80) : QColor(190, 170, 140));
        p.drawText(sub, Qt::AlignCenter, subtitle);
    }
    return img;
}

QImage drawArrowBitmap(bool pointsRight, bool twoHeads)
{
    QImage img(54, 27, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    for (int half = 0; half < 2; ++half) {
        const bool pressed = half == 1;
        QImage plate = buttonPlate(QSize(27, 27), 77u + (twoHeads ? 2u : 0u) + (pointsRight ? 1u : 0u), pressed);
        const qreal shift = pressed ? 1 : 0;
        QPainterPath arrow;
        const int heads = twoHeads ? 2 : 1;
        const qreal width = 8;
        const qreal start = 13.5 - heads * width / 2 - (twoHeads ? 0.5 : 0);
        for (int i = 0; i < heads; ++i) {
            const qreal x0 = start + i * (width + 1);
            QPolygonF tri;
            if (pointsRight)
                tri << QPointF(x0, 7) << QPointF(x0 + width, 13.5) << QPointF(x0, 20);
            else
                tri << QPointF(x0 + width, 7) << QPointF(x0, 13.5) << QPointF(x0 + width, 20);
            arrow.addPolygon(tri.translated(shift, shift));
            arrow.closeSubpath();
        }
        if (pressed)
            glowPath(plate, arrow, QColor(255, 100, 0), 2, 2);
        {
            QPainter p(&plate);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.fillPath(arrow.translated(1, 1), QColor(0, 0, 0, 200));
            p.fillPath(arrow, pressed ? QColor(255, 220, 120) : QColor(232, 140, 50));
        }
        QPainter p(&img);
        p.drawImage(half * 27, 0, plate);
    }
    return img;
}

QImage drawMainBackground()
{
    QImage c = metalSurface(QSize(640, 480), 101, screenMetal());

    // The middle plate is a hatch with a tear in it through which the rift burns.
    const QRect hatch(48, 190, 544, 180);
    recess(c, hatch, 0.42f);
    riftCrack(c, QPointF(70, 300), QPointF(572, 258), 4.0, 7, 1.0f);
    glowSpot(c, QPointF(330, 280), 170, QColor(120, 30, 0, 90));
    {
        QPainter p(&c);
        seam(p, QPointF(0, 176), QPointF(640, 176));
        rivetRow(p, QPointF(20, 188), QPointF(620, 188), 2, 3.4);
        rivetRow(p, QPointF(60, hatch.bottom() + 8), QPointF(580, hatch.bottom() + 8), 9, 2.6);
    }

    drawTitle(c, QStringLiteral("UMBRAXIS"), QPointF(320, 84), 96, 1.0f, 112);
    smallText(c, QStringLiteral("A RIFT-WORLD LEVEL PACK FOR QUAKE"), QPointF(320, 150), 14, QColor(206, 184, 150),
              130);
    indicatorLights(c, QPointF(30, 30), 3, 14);
    indicatorLights(c, QPointF(582, 30), 3, 14);

    deck(c, 386);
    const QRect buttons[] = {QRect(212, 398, 134, 27), QRect(40, 398, 134, 27),  QRect(386, 398, 134, 27),
                             QRect(40, 443, 134, 27),  QRect(212, 443, 134, 27), QRect(386, 443, 134, 27),
                             QRect(537, 398, 83, 73)};
    for (const QRect& r : buttons)
        socket(c, r);
    return c;
}

QImage drawInstallBackground()
{
    QImage c = metalSurface(QSize(640, 480), 202, screenMetal());
    screenHeader(c, QStringLiteral("LEVEL DEPOT"));
    // One calm dark bay holds the lists, the details and the status of both level screens.
    const QRect bay(22, 74, 596, 316);
    recess(c, bay, 0.30f);
    {
        QPainter p(&c);
        p.setPen(QColor(255, 120, 40, 18));
        for (int x = bay.left() + 24; x < bay.right(); x += 24)
            p.drawLine(x, bay.top() + 2, x, bay.bottom() - 1);
        for (int y = bay.top() + 24; y < bay.bottom(); y += 24)
            p.drawLine(bay.left() + 2, y, bay.right() - 1, y);
    }
    cornerRivets(c, bay.adjusted(-14, -10, 14, 10), 3.0);
    deck(c, 394);
    socket(c, QRect(158, 405, 134, 27));
    socket(c, QRect(351, 405, 134, 27));
    return c;
}

QImage drawBriefBackground()
{
    QImage c = metalSurface(QSize(640, 480), 303, screenMetal());

    // The sky of the rift-world above the plate.
    const int horizon = 250;
    {
        QPainter p(&c);
        QLinearGradient sky(0, 0, 0, horizon);
        sky.setColorAt(0.0, QColor(5, 6, 12));
        sky.setColorAt(0.55, QColor(22, 16, 24));
        sky.setColorAt(0.85, QColor(70, 26, 12));
        sky.setColorAt(1.0, QColor(150, 52, 10));
        p.fillRect(0, 0, 640, horizon, sky);
        for (int i = 0; i < 90; ++i) {
            const float x = hash01(i, 1, 303) * 640;
            const float y = hash01(i, 2, 303) * horizon * 0.6f;
            const int a = 60 + int(hash01(i, 3, 303) * 150);
            p.setPen(QColor(220, 210, 200, a));
            p.drawPoint(QPointF(x, y));
        }
    }
    riftCrack(c, QPointF(455, 24), QPointF(520, 170), 3.2, 21, 0.9f);
    glowSpot(c, QPointF(488, 100), 120, QColor(140, 30, 0, 80));
    {
        // Jagged spires against the burning horizon.
        QPainter p(&c);
        p.setRenderHint(QPainter::Antialiasing, true);
        QPainterPath far;
        far.moveTo(0, horizon);
        for (int x = 0; x <= 640; x += 8)
            far.lineTo(x, horizon - 18 - fbm(x * 0.02f, 3.0f, 3, 41) * 46);
        far.lineTo(640, horizon);
        p.fillPath(far, QColor(34, 14, 12));
        QPainterPath near;
        near.moveTo(0, horizon);
        int x = 0;
        int i = 0;
        while (x < 640) {
            const int w = 10 + int(hash01(i, 5, 43) * 26);
            const int h = 8 + int(std::pow(hash01(i, 6, 43), 2.2f) * 110);
            near.lineTo(x, horizon - h * 0.3);
            near.lineTo(x + w * 0.35, horizon - h);
            near.lineTo(x + w * 0.5, horizon - h - 10 * hash01(i, 7, 43));
            near.lineTo(x + w * 0.65, horizon - h);
            near.lineTo(x + w, horizon - h * 0.25);
            x += w;
            ++i;
        }
        near.lineTo(640, horizon);
        near.closeSubpath();
        p.fillPath(near, QColor(8, 5, 6));
    }
    drawTitle(c, QStringLiteral("MISSION BRIEFING"), QPointF(214, 46), 34, 0.55f, 110);

    {
        QPainter p(&c);
        seam(p, QPointF(0, horizon), QPointF(640, horizon));
    }
    // The text window: dark and even, so the scrolling red lines stay readable.
    recess(c, QRect(51, 264, 410, 181), 0.26f);
    cornerRivets(c, QRect(40, 256, 432, 197), 2.6);

    // A scope beside the text, sweeping the sector.
    const QRect scope(478, 264, 140, 140);
    recess(c, scope, 0.25f);
    {
        QPainter p(&c);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QPointF centre = QRectF(scope).center();
        p.setPen(QPen(QColor(255, 110, 30, 90), 1));
        p.setBrush(Qt::NoBrush);
        for (int r = 16; r <= 64; r += 16)
            p.drawEllipse(centre, r, r);
        p.drawLine(centre - QPointF(64, 0), centre + QPointF(64, 0));
        p.drawLine(centre - QPointF(0, 64), centre + QPointF(0, 64));
        QConicalGradient sweep(centre, 40);
        sweep.setColorAt(0.0, QColor(255, 120, 20, 150));
        sweep.setColorAt(0.18, QColor(255, 80, 0, 0));
        sweep.setColorAt(1.0, QColor(255, 80, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(sweep);
        p.drawEllipse(centre, 63, 63);
    }
    glowSpot(c, QPointF(532, 318), 6, QColor(255, 200, 80, 255));
    glowSpot(c, QPointF(566, 352), 5, QColor(255, 160, 40, 220));
    engrave(c, QStringLiteral("SECTOR 7"), QPointF(548, 420), 13, 140);
    engrave(c, QStringLiteral("CLICK OR PRESS A KEY TO RETURN"), QPointF(256, 466), 11, 140);
    return c;
}

QImage drawViewBackground()
{
    QImage c = metalSurface(QSize(640, 480), 404, screenMetal());
    screenHeader(c, QStringLiteral("ARCHIVE"));
    recess(c, QRect(26, 74, 582, 318), 0.30f);
    cornerRivets(c, QRect(12, 66, 610, 334), 3.0);
    deck(c, 398);
    socket(c, QRect(158, 405, 134, 27));
    socket(c, QRect(351, 405, 134, 27));
    return c;
}

QImage drawAboutBackground()
{
    QImage c = metalSurface(QSize(640, 480), 505, screenMetal());
    drawTitle(c, QStringLiteral("UMBRAXIS"), QPointF(172, 44), 52, 0.9f, 112);
    recess(c, QRect(40, 100, 282, 288), 0.28f);
    recess(c, QRect(330, 6, 286, 180), 0.28f);
    recess(c, QRect(330, 188, 286, 196), 0.24f);
    riftCrack(c, QPointF(36, 92), QPointF(318, 86), 1.2, 55, 0.55f);
    deck(c, 396);
    socket(c, QRect(158, 405, 134, 27));
    socket(c, QRect(351, 405, 134, 27));
    return c;
}

QImage drawSplashBackground()
{
    MetalStyle style = screenMetal();
    style.vignette = 0.5f;
    QImage c = metalSurface(QSize(420, 160), 606, style);
    riftCrack(c, QPointF(14, 94), QPointF(214, 86), 1.6, 61, 0.9f);
    drawTitle(c, QStringLiteral("UMBRAXIS"), QPointF(114, 50), 34, 1.0f, 108);
    recess(c, QRect(4, 116, 222, 41), 0.30f);
    recess(c, QRect(228, 3, 189, 154), 0.28f);
    {
        QPainter p(&c);
        p.setPen(QColor(0, 0, 0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(c.rect().adjusted(0, 0, -1, -1));
    }
    return c;
}

QImage drawLogoFrame(QSize size, double seconds, double total)
{
    auto smooth = [](double a, double b, double x) {
        const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
        return t * t * (3 - 2 * t);
    };
    const double scale = size.width() / 320.0;
    const QPointF centre(size.width() / 2.0, size.height() * 0.46);

    // The title and the rift are drawn once at full strength and faded in per frame.
    static QSize cachedSize;
    static QImage title;
    static QImage rift;
    if (cachedSize != size) {
        cachedSize = size;
        title = QImage(size, QImage::Format_ARGB32_Premultiplied);
        title.fill(Qt::transparent);
        drawTitle(title, QStringLiteral("UMBRAXIS"), centre, 46 * scale, 1.0f, 110);
        QPainter p(&title);
        p.setFont(boldFont(11 * scale, 160));
        p.setPen(QColor(214, 180, 130));
        p.drawText(QRectF(0, centre.y() + 34 * scale, size.width(), 20 * scale), Qt::AlignCenter,
                   QStringLiteral("LEVELS FOR QUAKE"));
        rift = QImage(size, QImage::Format_ARGB32_Premultiplied);
        rift.fill(Qt::transparent);
        riftCrack(rift, QPointF(size.width() * 0.06, centre.y() + 6 * scale),
                  QPointF(size.width() * 0.94, centre.y() - 4 * scale), 2.0 * scale, 88, 1.0f);
    }

    QImage frame(size, QImage::Format_ARGB32_Premultiplied);
    frame.fill(QColor(0, 0, 0));
    const double ember = smooth(0.0, 1.8, seconds) * (0.88 + 0.12 * std::sin(seconds * 7.0));
    glowSpot(frame, centre, size.width() * 0.55, QColor(150, 36, 0, int(170 * ember)));

    // Sparks rising from the tear.
    for (int i = 0; i < 70; ++i) {
        const double speed = 0.12 + hash01(i, 1, 9) * 0.25;
        const double phase = hash01(i, 2, 9);
        const double life = std::fmod(seconds * speed + phase, 1.0);
        const double x = hash01(i, 3, 9) * size.width() + std::sin(seconds * 2 + i) * 6 * scale;
        const double y = centre.y() + 10 * scale - life * size.height() * 0.75;
        const double flicker = 0.6 + 0.4 * std::sin(seconds * 13 + i * 1.7);
        const int a = int(255 * (1 - life) * flicker * smooth(0.2, 1.4, seconds));
        if (a > 4)
            glowSpot(frame, QPointF(x, y), (1.5 + hash01(i, 4, 9) * 2.5) * scale, QColor(255, 150, 40, a));
    }
    {
        QPainter p(&frame);
        p.setCompositionMode(QPainter::CompositionMode_Plus);
        p.setOpacity(smooth(0.0, 1.4, seconds));
        p.drawImage(0, 0, rift);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.setOpacity(smooth(0.6, 2.6, seconds));
        p.drawImage(0, 0, title);
    }
    // A band of light runs across the letters once they have emerged.
    const double sweep = smooth(2.5, 3.7, seconds);
    if (sweep > 0.0 && sweep < 1.0) {
        QImage band(size, QImage::Format_ARGB32_Premultiplied);
        band.fill(Qt::transparent);
        {
            QPainter bp(&band);
            const double x = -0.3 * size.width() + sweep * 1.6 * size.width();
            QLinearGradient g(x - 40 * scale, 0, x + 40 * scale, 0);
            g.setColorAt(0.0, QColor(0, 0, 0, 0));
            g.setColorAt(0.5, QColor(255, 230, 170, 200));
            g.setColorAt(1.0, QColor(0, 0, 0, 0));
            bp.fillRect(band.rect(), g);
            bp.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            bp.drawImage(0, 0, title);
        }
        QPainter p(&frame);
        p.setCompositionMode(QPainter::CompositionMode_Plus);
        p.drawImage(0, 0, band);
    }
    // Fade the very last frames slightly, so the cut to the menu is soft.
    const double out = 1.0 - 0.35 * smooth(total - 0.5, total, seconds);
    if (out < 1.0)
        darken(frame, frame.rect(), float(out));
    return frame;
}

QList<CdPicture> drawCdPictures()
{
    QList<CdPicture> pictures;
    pictures.append({QStringLiteral("images/fmain.bmp"), drawMainBackground()});
    pictures.append({QStringLiteral("images/finstall.bmp"), drawInstallBackground()});
    pictures.append({QStringLiteral("images/fbrief.bmp"), drawBriefBackground()});
    pictures.append({QStringLiteral("images/fview.bmp"), drawViewBackground()});
    pictures.append({QStringLiteral("images/fabout.bmp"), drawAboutBackground()});
    pictures.append({QStringLiteral("images/fsplash.bmp"), drawSplashBackground()});

    const struct {
        const char* name;
        const char* caption;
    } menuButtons[] = {
        {"insta", "Install Levels"}, {"brief", "Briefing"}, {"run", "Run Quake"},
        {"web", "Web Sites"},        {"help", "Help"},      {"about", "About"},
        {"main", "Main Menu"},
    };
    for (const auto& b : menuButtons) {
        const QString name = QLatin1String(b.name);
        pictures.append({QStringLiteral("images/fbf%1.bmp").arg(name),
                         drawMenuButton(QLatin1String(b.caption), ButtonLook::Normal)});
        pictures.append({QStringLiteral("images/fbn%1.bmp").arg(name),
                         drawMenuButton(QLatin1String(b.caption), ButtonLook::Pressed)});
    }
    pictures.append({QStringLiteral("images/fbfexit.bmp"), drawExitButton(ButtonLook::Normal)});
    pictures.append({QStringLiteral("images/fbnexit.bmp"), drawExitButton(ButtonLook::Pressed)});

    const struct {
        const char* name;
        const char* caption;
        const char* subtitle;
    } modeButtons[] = {
        {"runs", "Single Player", "Take the level on alone"},
        {"rundm", "Deathmatch", "Every fighter for himself"},
        {"runcp", "Cooperative", "Fight through it side by side"},
    };
    int icon = 0;
    for (const auto& b : modeButtons) {
        const QString name = QLatin1String(b.name);
        for (ButtonLook look : {ButtonLook::Normal, ButtonLook::Pressed}) {
            pictures.append({QStringLiteral("images/%1%2.bmp")
                                 .arg(look == ButtonLook::Normal ? QStringLiteral("fbf") : QStringLiteral("fbn"), name),
                             drawModeButton(QLatin1String(b.caption), QLatin1String(b.subtitle), icon, look)});
        }
        ++icon;
    }

    pictures.append({QStringLiteral("images/bright.bmp"), drawArrowBitmap(true, false)});
    pictures.append({QStringLiteral("images/b2right.bmp"), drawArrowBitmap(true, true)});
    pictures.append({QStringLiteral("images/bleft.bmp"), drawArrowBitmap(false, false)});
    pictures.append({QStringLiteral("images/b2left.bmp"), drawArrowBitmap(false, true)});
    return pictures;
}

} // namespace umbraxis
