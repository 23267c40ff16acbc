#include "resources/art/artshapes.h"

#include "resources/art/pixelfont.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QtMath>

namespace ArtShapes {

QPainterPath drop(const QRectF &box)
{
    // A circle in the lower part of the box and two curves meeting at the top centre.
    const qreal radius = box.width() / 2;
    const QPointF centre(box.center().x(), box.bottom() - radius);
    const QPointF tip(box.center().x(), box.top());
    QPainterPath path;
    path.moveTo(tip);
    path.cubicTo(QPointF(centre.x() + radius * 0.25, tip.y() + (centre.y() - tip.y()) * 0.35),
                 QPointF(centre.x() + radius, centre.y() - radius * 0.55),
                 QPointF(centre.x() + radius, centre.y()));
    path.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), 0, -180);
    path.cubicTo(QPointF(centre.x() - radius, centre.y() - radius * 0.55),
                 QPointF(centre.x() - radius * 0.25, tip.y() + (centre.y() - tip.y()) * 0.35), tip);
    path.closeSubpath();
    return path;
}

QPointF drawDevice(QPainter &painter, const QRectF &body)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = body.width();
    const qreal h = body.height();
    const qreal cx = body.center().x();

    // Mouthpiece and the metal ring under it.
    const QRectF tip(cx - w * 0.24, body.top() - w * 0.42, w * 0.48, w * 0.5);
    QLinearGradient tipShade(tip.topLeft(), tip.topRight());
    tipShade.setColorAt(0, QColor(20, 24, 28));
    tipShade.setColorAt(0.45, QColor(70, 78, 88));
    tipShade.setColorAt(1, QColor(16, 18, 22));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tipShade);
    painter.drawRoundedRect(tip, w * 0.16, w * 0.16);
    const QRectF ring(cx - w * 0.32, body.top() - w * 0.08, w * 0.64, w * 0.12);
    QLinearGradient ringShade(ring.topLeft(), ring.topRight());
    ringShade.setColorAt(0, QColor(120, 126, 134));
    ringShade.setColorAt(0.5, QColor(225, 230, 236));
    ringShade.setColorAt(1, QColor(110, 116, 124));
    painter.setBrush(ringShade);
    painter.drawRoundedRect(ring, w * 0.03, w * 0.03);

    // Body.
    QLinearGradient bodyShade(body.topLeft(), body.topRight());
    bodyShade.setColorAt(0, QColor(48, 54, 62));
    bodyShade.setColorAt(0.35, QColor(150, 160, 172));
    bodyShade.setColorAt(0.55, QColor(118, 128, 140));
    bodyShade.setColorAt(1, QColor(40, 45, 52));
    painter.setPen(QPen(QColor(25, 28, 32), qMax(1.0, w * 0.012)));
    painter.setBrush(bodyShade);
    painter.drawRoundedRect(body, w * 0.2, w * 0.2);

    // LCD window with the wordmark.
    const QRectF lcd(cx - w * 0.36, body.top() + h * 0.1, w * 0.72, w * 0.72 / 3);
    painter.setPen(QPen(QColor(85, 255, 255, 160), qMax(1.0, w * 0.02)));
    painter.setBrush(QColor(6, 10, 14));
    painter.drawRoundedRect(lcd, w * 0.03, w * 0.03);
    const int scale = qMax(1, int(lcd.width() * 0.8 / PixelFont::textWidth("korlex", 1)));
    PixelFont::drawCentered(painter, lcd.center().x(),
                            lcd.center().y() - PixelFont::textHeight(scale) / 2.0, "korlex", scale,
                            QColor(85, 255, 255), PixelFont::Dots::Round);

    // Fire button.
    const qreal fireRadius = w * 0.2;
    const QPointF fireCentre(cx, body.top() + h * 0.45);
    QRadialGradient fireShade(fireCentre - QPointF(fireRadius * 0.3, fireRadius * 0.3),
                              fireRadius * 1.3);
    fireShade.setColorAt(0, QColor(235, 240, 245));
    fireShade.setColorAt(1, QColor(95, 104, 116));
    painter.setPen(QPen(QColor(30, 34, 40), qMax(1.0, w * 0.02)));
    painter.setBrush(fireShade);
    painter.drawEllipse(fireCentre, fireRadius, fireRadius);

    // Adjust buttons.
    const QSizeF small(w * 0.22, w * 0.1);
    painter.setBrush(QColor(60, 66, 74));
    for (int side = -1; side <= 1; side += 2) {
        const QPointF centre(cx + side * w * 0.17, body.top() + h * 0.64);
        painter.drawRoundedRect(
                QRectF(centre - QPointF(small.width() / 2, small.height() / 2), small),
                small.height() / 2, small.height() / 2);
    }

    painter.restore();
    return QPointF(cx, body.bottom());
}

} // namespace ArtShapes
