#include "pictures/iconeditor.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr int gridFromZoom = 4;
const QColor gridColour(90, 90, 90);

// The pictures are edited as 32-bit colour so that loaded colours are kept and painting on them
// is plain; the LCD conversion and the export take them to one bit.
QImage editable(const QImage &image)
{
    if (image.isNull())
        return QImage();
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

IconEditor::IconEditor(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_StaticContents);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    textFont.setStyleStrategy(QFont::NoAntialias);
}

void IconEditor::setIconImage(const QString &fileName)
{
    setIconImage(QImage(fileName));
}

void IconEditor::setIconImage(const QImage &image)
{
    m_drawing = editable(image);
    m_image = m_drawing;
    updateGeometry();
    update();
}

void IconEditor::setZoomFactor(int zoom)
{
    zoom = qMax(1, zoom);
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    updateGeometry();
    update();
}

void IconEditor::drawText(const QRect &rect, const QStringList &lines)
{
    m_image = m_drawing;
    if (m_image.isNull())
        return;
    // The rectangle comes in screen pixels; the text goes into the picture itself.
    const QRect area(rect.x() / m_zoom, rect.y() / m_zoom, rect.width() / m_zoom,
                     rect.height() / m_zoom);
    QFont font = textFont;
    // One point of the text font is one picture pixel, whatever resolution the file declares.
    if (font.pointSizeF() > 0)
        font.setPixelSize(qMax(1, qRound(font.pointSizeF())));
    font.setStyleStrategy(QFont::NoAntialias); // the LCD has no grey
    QPainter painter(&m_image);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.setClipRect(area);
    int top = area.top();
    for (const QString &line : lines) {
        if (top >= area.bottom() + 1)
            break;
        const QRect lineArea(area.left(), top, area.width(), area.bottom() + 1 - top);
        QRect used;
        painter.drawText(lineArea, Qt::AlignLeft | Qt::AlignTop, line, &used);
        top += qMax(used.height(), painter.fontMetrics().lineSpacing());
    }
    painter.end();
    update();
}

QSize IconEditor::sizeHint() const
{
    return m_image.size() * m_zoom;
}

QPoint IconEditor::pixelAt(const QPoint &widgetPos) const
{
    return QPoint(widgetPos.x() / m_zoom, widgetPos.y() / m_zoom);
}

void IconEditor::paintPixel(const QPoint &widgetPos, Qt::MouseButtons buttons)
{
    const QPoint pixel = pixelAt(widgetPos);
    if (widgetPos.x() < 0 || widgetPos.y() < 0 || !m_image.rect().contains(pixel))
        return;
    QRgb colour;
    if (buttons & Qt::LeftButton)
        colour = qRgb(255, 255, 255);
    else if (buttons & Qt::RightButton)
        colour = qRgb(0, 0, 0);
    else
        return;
    // A stroke goes into both layers, so it stays when the text changes.
    m_drawing.setPixel(pixel, colour);
    m_image.setPixel(pixel, colour);
    update(QRect(pixel * m_zoom, QSize(m_zoom, m_zoom)));
}

void IconEditor::mousePressEvent(QMouseEvent *event)
{
    paintPixel(event->pos(), event->buttons());
}

void IconEditor::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pixel = pixelAt(event->pos());
    if (event->pos().x() >= 0 && event->pos().y() >= 0 && m_image.rect().contains(pixel))
        emit mousePositionSignals(pixel);
    paintPixel(event->pos(), event->buttons());
}

void IconEditor::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    if (m_image.isNull())
        return;
    const int firstX = qMax(0, dirty.left() / m_zoom);
    const int firstY = qMax(0, dirty.top() / m_zoom);
    const int lastX = qMin(m_image.width() - 1, dirty.right() / m_zoom);
    const int lastY = qMin(m_image.height() - 1, dirty.bottom() / m_zoom);
    for (int y = firstY; y <= lastY; ++y) {
        for (int x = firstX; x <= lastX; ++x)
            painter.fillRect(x * m_zoom, y * m_zoom, m_zoom, m_zoom, QColor(m_image.pixel(x, y)));
    }
    if (m_zoom >= gridFromZoom) {
        painter.setPen(gridColour);
        const int right = m_image.width() * m_zoom;
        const int bottom = m_image.height() * m_zoom;
        for (int x = firstX; x <= lastX + 1; ++x)
            painter.drawLine(x * m_zoom, firstY * m_zoom, x * m_zoom,
                             qMin(bottom, (lastY + 1) * m_zoom));
        for (int y = firstY; y <= lastY + 1; ++y)
            painter.drawLine(firstX * m_zoom, y * m_zoom, qMin(right, (lastX + 1) * m_zoom),
                             y * m_zoom);
    }
}
