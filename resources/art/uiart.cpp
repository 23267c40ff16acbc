#include "resources/art/uiart.h"

#include "resources/art/artshapes.h"
#include "resources/art/pixelfont.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QtMath>

namespace UiArt {

namespace {

const QColor cyan(85, 255, 255);

QImage transparentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Puts a one-pixel dark rim around the opaque parts of a white glyph and tints the glyph.
QImage withRim(const QImage &glyph, const QColor &light, const QColor &rim)
{
    const QImage mask = glyph.convertToFormat(QImage::Format_ARGB32);
    QImage out(mask.size(), QImage::Format_ARGB32);
    for (int y = 0; y < mask.height(); ++y) {
        for (int x = 0; x < mask.width(); ++x) {
            int around = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (mask.valid(x + dx, y + dy))
                        around = qMax(around, qAlpha(mask.pixel(x + dx, y + dy)));
                }
            }
            const qreal glyphAlpha = qAlpha(mask.pixel(x, y)) / 255.0;
            const qreal rimAlpha = around / 255.0 * rim.alphaF();
            // The light glyph composited over its rim.
            const qreal alpha = glyphAlpha + rimAlpha * (1 - glyphAlpha);
            if (alpha <= 0) {
                out.setPixel(x, y, qRgba(0, 0, 0, 0));
                continue;
            }
            auto mix = [&](int lightPart, int rimPart) {
                return qRound((lightPart * glyphAlpha + rimPart * rimAlpha * (1 - glyphAlpha))
                              / alpha);
            };
            out.setPixel(x, y,
                         qRgba(mix(light.red(), rim.red()), mix(light.green(), rim.green()),
                               mix(light.blue(), rim.blue()), qRound(alpha * 255)));
        }
    }
    return out;
}

QPainterPath ring(const QRectF &outer, qreal side, qreal top)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addRect(outer);
    path.addRect(outer.adjusted(side, top, -side, -side));
    return path;
}

void drawGear(QPainter &painter, const QPointF &centre, qreal radius, const QColor &color)
{
    QPainterPath gear;
    const int teeth = 8;
    const qreal inner = radius * 0.74;
    for (int i = 0; i < teeth * 4; ++i) {
        // Each tooth: rise, top, fall, gap (a quarter of the tooth pitch each).
        const qreal angle = (i - 0.5) * M_PI * 2 / (teeth * 4);
        const qreal r = (i % 4 == 0 || i % 4 == 1) ? radius : inner;
        const QPointF point(centre.x() + r * qCos(angle), centre.y() + r * qSin(angle));
        if (i == 0)
            gear.moveTo(point);
        else
            gear.lineTo(point);
    }
    gear.closeSubpath();
    gear.addEllipse(centre, radius * 0.32, radius * 0.32);
    gear.setFillRule(Qt::OddEvenFill);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(gear);
}

} // namespace

QImage windowButton(WindowButton button)
{
    QImage glyph = transparentImage(32, 24);
    QPainter painter(&glyph);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    switch (button) {
    case WindowButton::Minimise:
        painter.drawRect(QRectF(10, 15, 12, 2));
        break;
    case WindowButton::Maximise:
        painter.drawPath(ring(QRectF(10, 6, 12, 12), 2, 3));
        break;
    case WindowButton::Restore:
        painter.drawPath(ring(QRectF(13, 4, 10, 10), 2, 2));
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.drawRect(QRectF(8, 8, 12, 12));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawPath(ring(QRectF(9, 9, 10, 10), 2, 3));
        break;
    case WindowButton::Close:
        painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(11, 7), QPointF(21, 17));
        painter.drawLine(QPointF(21, 7), QPointF(11, 17));
        break;
    }
    painter.end();
    return withRim(glyph, QColor(245, 245, 245), QColor(40, 40, 40, 200));
}

QImage navigationIcon(int index, int size)
{
    static const QColor tiles[4] = {QColor(240, 140, 40), QColor(40, 130, 230), QColor(40, 170, 90),
                                    QColor(150, 90, 210)};
    QImage image = transparentImage(size, size);
    if (index < 1 || index > 4)
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    const QColor tile = tiles[index - 1];
    QLinearGradient shade(0, 0, 0, 32);
    shade.setColorAt(0, tile.lighter(125));
    shade.setColorAt(1, tile.darker(120));
    painter.setPen(QPen(tile.darker(160), 1));
    painter.setBrush(shade);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 7, 7);

    const QPen stroke(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(stroke);
    painter.setBrush(Qt::NoBrush);
    switch (index) {
    case 1: // welcome: a house
        painter.drawPolyline(QPolygonF({QPointF(6, 16), QPointF(16, 7), QPointF(26, 16)}));
        painter.drawPolyline(
                QPolygonF({QPointF(9, 14), QPointF(9, 25), QPointF(23, 25), QPointF(23, 14)}));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(14, 18, 4, 7));
        break;
    case 2: // device information: an "i" in a circle
        painter.drawEllipse(QPointF(16, 16), 10.5, 10.5);
        painter.drawLine(QPointF(16, 15), QPointF(16, 22));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPointF(16, 10.5), 2, 2);
        break;
    case 3: // firmware upgrade: an arrow rising onto a bar
        painter.drawLine(QPointF(16, 24), QPointF(16, 9));
        painter.drawPolyline(QPolygonF({QPointF(10, 14), QPointF(16, 8), QPointF(22, 14)}));
        painter.drawLine(QPointF(8, 26), QPointF(24, 26));
        break;
    case 4: // customise: three sliders
        for (int i = 0; i < 3; ++i) {
            const qreal y = 9 + 7 * i;
            const qreal knob = (i == 1) ? 20 : (i == 0 ? 11 : 15);
            painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(7, y), QPointF(25, y));
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::white);
            painter.drawEllipse(QPointF(knob, y), 3, 3);
        }
        break;
    }
    return image;
}

QImage menuIcon(int index)
{
    QImage image = transparentImage(100, 30);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(50, 15);
    if (index == 5) {
        drawGear(painter, centre, 13, QColor(235, 240, 245));
    } else if (index == 6) {
        const QColor light(235, 240, 245);
        painter.setPen(QPen(light, 2.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, 12.5, 12.5);
        QPainterPath hook;
        hook.moveTo(centre + QPointF(-4.5, -3.5));
        hook.arcTo(QRectF(centre.x() - 4.5, centre.y() - 9, 9, 9), 180, -240);
        hook.quadTo(centre + QPointF(0, -1), centre + QPointF(0, 3));
        painter.setPen(QPen(light, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(hook);
        painter.setPen(Qt::NoPen);
        painter.setBrush(light);
        painter.drawEllipse(centre + QPointF(0, 7.5), 1.7, 1.7);
    }
    return image;
}

QImage logo()
{
    QImage image = transparentImage(180, 60);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF dropBox(6, 13, 22, 33);
    QLinearGradient shade(dropBox.topLeft(), dropBox.bottomLeft());
    shade.setColorAt(0, QColor(170, 255, 255));
    shade.setColorAt(1, QColor(0, 170, 200));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawPath(ArtShapes::drop(dropBox));
    // A highlight on the drop.
    painter.setBrush(QColor(255, 255, 255, 150));
    painter.drawEllipse(QPointF(12.5, 35), 2.2, 3.6);

    const int markLeft = 34;
    PixelFont::drawText(painter, QPointF(markLeft, 15), "korlex", 4, Qt::white);
    QLinearGradient fade(markLeft, 0, markLeft + PixelFont::textWidth("korlex", 4), 0);
    fade.setColorAt(0, cyan);
    fade.setColorAt(1, QColor(85, 255, 255, 0));
    painter.setBrush(fade);
    painter.drawRect(QRectF(markLeft, 47, PixelFont::textWidth("korlex", 4), 2));
    return image;
}

QImage welcomePicture()
{
    const int width = 1200;
    const int height = 700;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(22, 28, 36));
    sky.setColorAt(1, QColor(64, 74, 86));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 16));
    for (int y = 12; y < height; y += 24) {
        for (int x = 12; x < width; x += 24)
            painter.drawEllipse(QPointF(x, y), 1.2, 1.2);
    }

    // Glow behind the device.
    const QPointF deviceCentre(330, 360);
    QRadialGradient glow(deviceCentre, 300);
    glow.setColorAt(0, QColor(85, 255, 255, 60));
    glow.setColorAt(1, QColor(85, 255, 255, 0));
    painter.setBrush(glow);
    painter.drawEllipse(deviceCentre, 300, 300);

    // Cable from the device's socket to a USB plug.
    const QPointF socket = ArtShapes::drawDevice(painter, QRectF(250, 190, 160, 380));
    const QPointF plugStart(850, 610);
    QPainterPath cable(socket + QPointF(0, 18));
    cable.cubicTo(socket + QPointF(0, 100), QPointF(560, 700), plugStart);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(14, 16, 20), 13, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(cable);
    painter.setPen(QPen(QColor(90, 100, 112), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(cable.translated(0, -3));
    // Strain relief, plug body and the metal tip.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 34, 40));
    painter.drawRoundedRect(QRectF(socket.x() - 18, socket.y() - 2, 36, 22), 5, 5);
    painter.drawRoundedRect(QRectF(plugStart.x() - 10, plugStart.y() - 12, 30, 24), 5, 5);
    QLinearGradient plugShade(0, plugStart.y() - 20, 0, plugStart.y() + 20);
    plugShade.setColorAt(0, QColor(70, 78, 88));
    plugShade.setColorAt(1, QColor(20, 22, 26));
    painter.setBrush(plugShade);
    painter.drawRoundedRect(QRectF(plugStart.x() + 15, plugStart.y() - 20, 80, 40), 6, 6);
    QLinearGradient metal(0, plugStart.y() - 15, 0, plugStart.y() + 15);
    metal.setColorAt(0, QColor(235, 238, 242));
    metal.setColorAt(1, QColor(140, 146, 154));
    painter.setBrush(metal);
    painter.drawRect(QRectF(plugStart.x() + 95, plugStart.y() - 15, 46, 30));
    painter.setBrush(QColor(40, 44, 50));
    painter.drawRect(QRectF(plugStart.x() + 108, plugStart.y() - 8, 8, 5));
    painter.drawRect(QRectF(plugStart.x() + 124, plugStart.y() - 8, 8, 5));

    // USB mark on the plug: a shaft with an arrow, a round and a square branch.
    const QPointF base(plugStart.x() + 32, plugStart.y());
    painter.setPen(QPen(cyan, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(base, base + QPointF(48, 0));
    painter.drawPolyline(
            QPolygonF({base + QPointF(14, 0), base + QPointF(22, -9), base + QPointF(32, -9)}));
    painter.drawPolyline(
            QPolygonF({base + QPointF(20, 0), base + QPointF(28, 9), base + QPointF(36, 9)}));
    painter.setPen(Qt::NoPen);
    painter.setBrush(cyan);
    painter.drawEllipse(base, 4, 4);
    painter.drawEllipse(base + QPointF(34, -9), 3, 3);
    painter.drawRect(QRectF(base.x() + 36, base.y() + 6, 6, 6));
    painter.drawPolygon(
            QPolygonF({base + QPointF(54, 0), base + QPointF(46, -5), base + QPointF(46, 5)}));

    // Caption.
    const int captionLeft = 560;
    PixelFont::drawText(painter, QPointF(captionLeft + 4, 204), "WELCOME", 10, QColor(0, 0, 0, 120),
                        PixelFont::Dots::Round);
    PixelFont::drawText(painter, QPointF(captionLeft, 200), "WELCOME", 10, cyan,
                        PixelFont::Dots::Round);
    PixelFont::drawText(painter, QPointF(captionLeft, 305), "CONNECT YOUR DEVICE", 4,
                        QColor(235, 240, 245), PixelFont::Dots::Round);
    PixelFont::drawText(painter, QPointF(captionLeft, 345), "WITH A USB CABLE", 4,
                        QColor(235, 240, 245), PixelFont::Dots::Round);
    painter.setBrush(QColor(85, 255, 255, 120));
    painter.drawRect(QRectF(captionLeft, 285, 410, 3));
    return image;
}

QImage applicationIcon(int size)
{
    QImage image = transparentImage(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (size >= 48) {
        // The full drawing, made at the size asked for rather than scaled down from another.
        painter.scale(size / 256.0, size / 256.0);
        const QRectF tile(8, 8, 240, 240);
        QLinearGradient shade(tile.topLeft(), tile.bottomLeft());
        shade.setColorAt(0, QColor(36, 44, 54));
        shade.setColorAt(1, QColor(86, 98, 112));
        painter.setPen(QPen(QColor(85, 255, 255, 140), 3));
        painter.setBrush(shade);
        painter.drawRoundedRect(tile, 48, 48);
        QRadialGradient glow(QPointF(128, 140), 110);
        glow.setColorAt(0, QColor(85, 255, 255, 70));
        glow.setColorAt(1, QColor(85, 255, 255, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(QPointF(128, 140), 110, 110);
        ArtShapes::drawDevice(painter, QRectF(86, 84, 84, 140));
        return image;
    }

    // Small sizes: the same tile and device reduced to what whole pixels can show (body,
    // mouthpiece, a lit LCD line and the fire button), edges on the pixel grid.
    const auto px = [size](qreal fraction) {
        return qMax(1, qRound(size * fraction));
    };
    const QRectF tile(0.5, 0.5, size - 1, size - 1);
    QLinearGradient shade(tile.topLeft(), tile.bottomLeft());
    shade.setColorAt(0, QColor(36, 44, 54));
    shade.setColorAt(1, QColor(86, 98, 112));
    painter.setPen(QPen(QColor(85, 255, 255, 170), 1));
    painter.setBrush(shade);
    painter.drawRoundedRect(tile, size * 0.2, size * 0.2);

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    const int bodyWidth = px(0.375);
    const int bodyLeft = (size - bodyWidth) / 2;
    const int bodyTop = px(0.34);
    const QRect body(bodyLeft, bodyTop, bodyWidth, size - bodyTop - px(0.125));
    const int tipWidth = qMax(2, bodyWidth / 2);
    const QRect tip((size - tipWidth) / 2, px(0.16), tipWidth, bodyTop - px(0.16));
    painter.setBrush(QColor(20, 24, 28));
    painter.drawRect(tip);
    painter.setBrush(QColor(200, 206, 214));
    painter.drawRect(tip.left() - 1, bodyTop - 1, tipWidth + 2, 1); // the metal ring
    painter.setBrush(QColor(150, 160, 172));
    painter.drawRect(body);
    painter.setBrush(QColor(48, 54, 62));
    painter.drawRect(body.right(), body.top(), 1, body.height()); // shaded side
    const int inset = qMax(1, bodyWidth / 6);
    const QRect lcd(body.left() + inset, body.top() + inset, bodyWidth - 2 * inset,
                    qMax(2, px(0.09)));
    painter.setBrush(QColor(6, 10, 14));
    painter.drawRect(lcd);
    painter.setBrush(cyan);
    const int glow = qMax(1, lcd.height() - 2);
    painter.drawRect(lcd.left() + 1, lcd.top() + (lcd.height() - glow) / 2, lcd.width() - 2, glow);
    const int fire = qMax(2, bodyWidth / 3);
    painter.setBrush(QColor(235, 240, 245));
    const QRect button((size - fire) / 2, lcd.bottom() + 1 + qMax(1, inset), fire, fire);
    if (fire < 4) {
        painter.drawRect(button);
    } else {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawEllipse(button);
    }
    return image;
}

} // namespace UiArt
