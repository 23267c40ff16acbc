#include "resources/art/lcdpictures.h"

#include "resources/art/artshapes.h"
#include "resources/art/pixelfont.h"

#include <QPainter>
#include <QStringList>
#include <QtMath>

namespace LcdPictures {

namespace {

struct SlotText
{
    const char *title; // empty for the two logo slots
    const char *subtitle;
    QColor accent; // used on the colour screen
};

const SlotText slotTexts[12] = {
        {"", "POWER ON", QColor(85, 255, 255)},
        {"COIL", "DETECTING", QColor(255, 176, 40)},
        {"HIGH", "COIL RESISTANCE", QColor(255, 120, 40)},
        {"NO COIL", "ATTACH A COIL", QColor(255, 70, 70)},
        {"SHORT", "COIL SHORTED", QColor(255, 230, 40)},
        {"TIMEOUT", "PUFF TOO LONG", QColor(255, 190, 60)},
        {"LOCKED", "DEVICE LOCKED", QColor(255, 90, 90)},
        {"UNLOCKED", "READY TO USE", QColor(80, 230, 110)},
        {"", "POWER OFF", QColor(85, 255, 255)},
        {"LOW VOLT", "BATTERY TOO LOW", QColor(255, 60, 60)},
        {"BATTERY", "PLEASE CHARGE", QColor(255, 150, 50)},
        {"TOO HOT", "COOLING DOWN", QColor(255, 80, 40)},
};

const QString wordmark = QStringLiteral("korlex");

bool isLogo(int slot)
{
    return slot == 1 || slot == 9;
}

// Greedy word wrap; a word longer than maxChars stays on a line of its own.
QStringList wrap(const QString &text, int maxChars)
{
    QStringList lines;
    const QStringList words = text.split(' ', Qt::SkipEmptyParts);
    QString line;
    for (const QString &word : words) {
        if (line.isEmpty())
            line = word;
        else if (line.size() + 1 + word.size() <= maxChars)
            line += ' ' + word;
        else {
            lines.append(line);
            line = word;
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

int longest(const QStringList &lines)
{
    int size = 0;
    for (const QString &line : lines)
        size = qMax(size, int(line.size()));
    return size;
}

// A wound coil between top and bottom, its two legs going down to postEnd, in the 32 x 32 icon
// space: a run of loops (a looped cycloid), or on the smallest pictures a row of thin rings,
// which stay apart where loops would run together.
void drawCoil(QPainter &painter, qreal top, qreal bottom, qreal postEnd)
{
    const qreal left = 6;
    const qreal right = 26;
    QPen pen = painter.pen();
    const bool small = painter.worldTransform().m11() * 32 < 30;
    if (small) {
        QPen ring = pen;
        ring.setWidth(1);
        ring.setCosmetic(true);
        painter.setPen(ring);
        for (int i = 0; i < 4; ++i) {
            const qreal centre = left + 2.5 + i * 5;
            painter.drawEllipse(QRectF(centre - 3.5, top, 7, bottom - top));
        }
    } else {
        const int turns = 4;
        const qreal advance = (right - left) / (2 * M_PI * turns);
        const qreal sway = 3.6; // larger than advance, so that every turn closes into a loop
        const qreal middle = (top + bottom) / 2;
        const qreal lift = (bottom - top) / 2;
        QPainterPath coil;
        const int steps = 48 * turns;
        for (int i = 0; i <= steps; ++i) {
            // Start and end at the bottom of a turn.
            const qreal t = M_PI + 2 * M_PI * turns * i / steps;
            const QPointF point(left + advance * (t - M_PI) - sway * qSin(t),
                                middle - lift * qCos(t));
            if (i == 0)
                coil.moveTo(point);
            else
                coil.lineTo(point);
        }
        pen.setWidthF(2);
        painter.setPen(pen);
        painter.drawPath(coil);
    }
    pen.setWidthF(2);
    painter.setPen(pen);
    // The rings are as wide as the loops' sway, so their legs stand one unit further out.
    const qreal legTop = small ? (top + bottom) / 2 : bottom;
    const qreal legLeft = small ? left - 1 : left;
    const qreal legRight = small ? right + 1 : right;
    painter.drawLine(QPointF(legLeft, legTop), QPointF(legLeft, postEnd));
    painter.drawLine(QPointF(legRight, legTop), QPointF(legRight, postEnd));
}

void drawBattery(QPainter &painter, const QColor &ink)
{
    painter.drawRoundedRect(QRectF(2, 9, 25, 14), 2, 2);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawRect(QRectF(27.5, 13, 3, 6));
    painter.restore();
}

void drawLock(QPainter &painter, const QColor &ink, const QColor &paper, bool open)
{
    QPainterPath shackle;
    if (open) {
        shackle.moveTo(22, 15);
        shackle.lineTo(22, 8);
        shackle.arcTo(QRectF(10, 2, 12, 12), 0, 180);
        shackle.lineTo(10, 9);
    } else {
        shackle.moveTo(10, 15);
        shackle.lineTo(10, 10);
        shackle.arcTo(QRectF(10, 4, 12, 12), 180, -180);
        shackle.lineTo(22, 15);
    }
    QPen pen = painter.pen();
    pen.setWidthF(3);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shackle);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawRoundedRect(QRectF(6, 14, 20, 16), 2, 2);
    painter.setBrush(paper);
    painter.drawEllipse(QPointF(16, 20), 2.4, 2.4);
    painter.drawRect(QRectF(15, 21, 2, 5));
}

// Draws the symbol of a slot into box; the drawing is made in a 32 x 32 space.
void drawIcon(QPainter &painter, int slot, const QRectF &box, const QColor &ink,
              const QColor &paper)
{
    painter.save();
    painter.translate(box.topLeft());
    painter.scale(box.width() / 32, box.height() / 32);
    painter.setPen(QPen(ink, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);

    switch (slot) {
    case 2: // detecting coil: the coil and three waiting dots
        drawCoil(painter, 3, 19, 23);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        for (int i = 0; i < 3; ++i)
            painter.drawEllipse(QPointF(10 + 6 * i, 28.5), 2, 2);
        break;
    case 3: { // resistance too high: an ohm sign and a rising arrow
        QPainterPath ohm;
        ohm.moveTo(2, 26);
        ohm.lineTo(8, 26);
        ohm.arcTo(QRectF(3, 4, 19, 19), 240, -300);
        ohm.lineTo(17, 26);
        ohm.lineTo(23, 26);
        painter.drawPath(ohm);
        painter.drawLine(QPointF(28, 28), QPointF(28, 5));
        painter.drawPolyline(QPolygonF({QPointF(24.5, 9), QPointF(28, 4.5), QPointF(31.5, 9)}));
        break;
    }
    case 4: { // no coil: the coil struck through
        drawCoil(painter, 5, 21, 27);
        QPen gap(paper, 5.5, Qt::SolidLine, Qt::FlatCap);
        painter.setPen(gap);
        painter.drawLine(QPointF(4, 29), QPointF(28, 3));
        painter.setPen(QPen(ink, 2.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(4, 29), QPointF(28, 3));
        break;
    }
    case 5: // short circuit: a lightning bolt
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawPolygon(
                QPolygonF({QPointF(19, 1), QPointF(6, 18), QPointF(14, 18), QPointF(11, 31),
                           QPointF(26, 13), QPointF(18, 13), QPointF(22, 1)}));
        break;
    case 6: // puff time-out: an hourglass
        painter.drawLine(QPointF(6, 3), QPointF(26, 3));
        painter.drawLine(QPointF(6, 29), QPointF(26, 29));
        painter.drawPolyline(QPolygonF(
                {QPointF(9, 4), QPointF(9, 7), QPointF(16, 16), QPointF(9, 25), QPointF(9, 28)}));
        painter.drawPolyline(QPolygonF({QPointF(23, 4), QPointF(23, 7), QPointF(16, 16),
                                        QPointF(23, 25), QPointF(23, 28)}));
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawPolygon(QPolygonF({QPointF(12, 28), QPointF(20, 28), QPointF(16, 22)}));
        painter.drawPolygon(QPolygonF({QPointF(12.5, 8.5), QPointF(19.5, 8.5), QPointF(16, 13)}));
        break;
    case 7: // locked
    case 8: // unlocked
        drawLock(painter, ink, paper, slot == 8);
        break;
    case 10: // battery voltage too low: an empty battery with a warning mark
        drawBattery(painter, ink);
        painter.drawLine(QPointF(14.5, 12.5), QPointF(14.5, 16.5));
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawEllipse(QPointF(14.5, 20), 1.5, 1.5);
        break;
    case 11: // battery low: one bar left
        drawBattery(painter, ink);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawRect(QRectF(5.5, 12.5, 4.5, 7));
        break;
    case 12: // over-temperature: a full thermometer
        painter.drawRoundedRect(QRectF(12, 2, 8, 19), 4, 4);
        painter.drawLine(QPointF(16, 7), QPointF(16, 22));
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawEllipse(QPointF(16, 25.5), 5.5, 5.5);
        painter.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::FlatCap));
        for (int i = 0; i < 3; ++i)
            painter.drawLine(QPointF(23, 5 + 4 * i), QPointF(27, 5 + 4 * i));
        break;
    default:
        break;
    }
    painter.restore();
}

// The brand drop: filled for the power-on logo, hollow for the power-off logo.
void drawEmblem(QPainter &painter, int slot, const QRectF &box, const QColor &ink, qreal pen)
{
    painter.save();
    if (slot == 1) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawPath(ArtShapes::drop(box));
    } else {
        painter.setPen(QPen(ink, pen));
        painter.setBrush(Qt::NoBrush);
        const qreal inset = pen / 2;
        painter.drawPath(ArtShapes::drop(box.adjusted(inset, inset, -inset, -inset)));
    }
    painter.restore();
}

struct TextLine
{
    QString text;
    int scale;
    int heightScale;
    QColor color;
    int gapAfter;
};

// Title lines at scale 2 when every line fits in maxChars2, otherwise condensed (one pixel wide,
// two high); subtitle lines at scale 1.
QList<TextLine> layoutText(const SlotText &text, int maxChars2, int maxChars1,
                           const QColor &titleColor, const QColor &subtitleColor)
{
    QList<TextLine> lines;
    QStringList title = wrap(QString::fromLatin1(text.title), maxChars2);
    int titleScale = 2;
    if (longest(title) > maxChars2) {
        title = wrap(QString::fromLatin1(text.title), maxChars1);
        titleScale = 1;
    }
    for (const QString &line : title)
        lines.append({line, titleScale, 2, titleColor, 4});
    if (!lines.isEmpty())
        lines.last().gapAfter = 8;
    for (const QString &line : wrap(QString::fromLatin1(text.subtitle), maxChars1))
        lines.append({line, 1, 1, subtitleColor, 3});
    return lines;
}

int linesHeight(const QList<TextLine> &lines)
{
    int height = 0;
    for (int i = 0; i < lines.size(); ++i)
        height += PixelFont::textHeight(lines.at(i).heightScale)
                  + (i + 1 < lines.size() ? lines.at(i).gapAfter : 0);
    return height;
}

// Draws the lines centred on centreX, the first one at top.
void drawLines(QPainter &painter, const QList<TextLine> &lines, qreal centreX, int top)
{
    int y = top;
    for (const TextLine &line : lines) {
        PixelFont::drawCentered(painter, centreX, y, line.text, line.scale, line.color,
                                PixelFont::Dots::Square, line.heightScale);
        y += PixelFont::textHeight(line.heightScale) + line.gapAfter;
    }
}

// The symbol above the text, the whole group centred vertically in an image of the given size.
void drawUpright(QPainter &painter, int slot, const QSize &size, int iconSize,
                 const QList<TextLine> &lines, const QColor &ink)
{
    const int gap = iconSize / 4;
    const int top = (size.height() - (iconSize + gap + linesHeight(lines))) / 2;
    drawIcon(painter, slot, QRectF((size.width() - iconSize) / 2, top, iconSize, iconSize), ink,
             Qt::black);
    drawLines(painter, lines, size.width() / 2.0, top + iconSize + gap);
}

QImage drawMono128x32(int slot)
{
    QImage image(128, 32, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const SlotText &text = slotTexts[slot - 1];
    if (isLogo(slot)) {
        const int markWidth = PixelFont::textWidth(wordmark, 3);
        const int left = (128 - (14 + 4 + markWidth)) / 2;
        drawEmblem(painter, slot, QRectF(left, 1, 14, 21), Qt::white, 2);
        PixelFont::drawText(painter, QPointF(left + 18, 1), wordmark, 3, Qt::white);
        PixelFont::drawCentered(painter, 64, 24, QString::fromLatin1(text.subtitle), 1, Qt::white);
    } else {
        drawIcon(painter, slot, QRectF(1, 3, 26, 26), Qt::white, Qt::black);
        PixelFont::drawCentered(painter, 79, 3, QString::fromLatin1(text.title), 2, Qt::white);
        PixelFont::drawCentered(painter, 79, 22, QString::fromLatin1(text.subtitle), 1, Qt::white);
    }
    return image;
}

QImage drawMono64x128(int slot)
{
    QImage image(64, 128, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const SlotText &text = slotTexts[slot - 1];
    if (isLogo(slot)) {
        drawEmblem(painter, slot, QRectF(20, 8, 24, 34), Qt::white, 2);
        PixelFont::drawCentered(painter, 32, 50, wordmark.left(3), 3, Qt::white);
        PixelFont::drawCentered(painter, 32, 75, wordmark.mid(3), 3, Qt::white);
        PixelFont::drawCentered(painter, 32, 108, QString::fromLatin1(text.subtitle), 1, Qt::white);
    } else {
        drawUpright(painter, slot, image.size(), 40, layoutText(text, 5, 10, Qt::white, Qt::white),
                    Qt::white);
    }
    return image;
}

QImage drawColour80x160(int slot)
{
    QImage image(80, 160, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const SlotText &text = slotTexts[slot - 1];
    const QColor accent = text.accent;

    QColor frame = accent;
    frame.setAlpha(110);
    painter.setPen(QPen(frame, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(1.5, 1.5, 77, 157), 6, 6);

    if (isLogo(slot)) {
        drawEmblem(painter, slot, QRectF(25, 18, 30, 44), accent, 3);
        PixelFont::drawCentered(painter, 40, 78, wordmark, 2, Qt::white);
        PixelFont::drawCentered(painter, 40, 112, QString::fromLatin1(text.subtitle), 1,
                                QColor(200, 200, 200));
    } else {
        drawUpright(painter, slot, image.size(), 52,
                    layoutText(text, 6, 12, accent, QColor(215, 215, 215)), accent);
    }
    return image;
}

} // namespace

QSize screenSize(Screen screen)
{
    switch (screen) {
    case Screen::Mono128x32:
        return QSize(128, 32);
    case Screen::Mono64x128:
        return QSize(64, 128);
    case Screen::Colour80x160:
        break;
    }
    return QSize(80, 160);
}

int slotCount(Screen screen)
{
    return screen == Screen::Colour80x160 ? 10 : 12;
}

QImage draw(Screen screen, int slot)
{
    if (slot < 1 || slot > slotCount(screen))
        return QImage();
    switch (screen) {
    case Screen::Mono128x32:
        return drawMono128x32(slot);
    case Screen::Mono64x128:
        return drawMono64x128(slot);
    case Screen::Colour80x160:
        break;
    }
    return drawColour80x160(slot);
}

} // namespace LcdPictures
