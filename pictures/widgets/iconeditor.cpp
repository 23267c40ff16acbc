#include "pictures/widgets/iconeditor.h"

#include "pictures/bmp.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QVector>

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
    setFocusPolicy(Qt::StrongFocus); // for the arrow keys
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    textFont.setStyleStrategy(QFont::NoAntialias);
}

void IconEditor::setIconImage(const QString &fileName)
{
    setIconImage(BMP::readPicture(fileName));
}

void IconEditor::setIconImage(const QImage &image)
{
    m_drawing = editable(image);
    m_image = m_drawing;
    m_stroking = false;
    updateGeometry();
    update();
}

void IconEditor::setLayers(const QImage &drawing, const QImage &image)
{
    m_drawing = editable(drawing);
    m_image = editable(image);
    m_stroking = false;
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
    // A one-bit LCD has no grey: glyphs are drawn with whole pixels and full hinting, and one
    // more pixel between letters, since at a few pixels' height the glyphs of many fonts touch
    // their neighbours and would run together on the screen.
    font.setStyleStrategy(textAntialiasing ? QFont::PreferAntialias : QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    if (!textAntialiasing)
        font.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::TextAntialiasing, textAntialiasing);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.setClipRect(area);

    const bool centred = textAlignment & Qt::AlignHCenter;
    const int flags = (centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop;
    const int lineSpacing = painter.fontMetrics().lineSpacing();
    // Each line takes its own height (an entry may hold line feeds) but at least one line.
    QVector<int> heights;
    int total = 0;
    for (const QString &line : lines) {
        const int height = qMax(painter.boundingRect(area, flags, line).height(), lineSpacing);
        heights << height;
        total += height;
    }
    int top = area.top();
    if (centred && total < area.height())
        top += (area.height() - total) / 2;
    for (int i = 0; i < lines.size(); ++i) {
        if (top >= area.bottom() + 1)
            break;
        const QRect lineArea(area.left(), top, area.width(), area.bottom() + 1 - top);
        painter.drawText(lineArea, flags, lines.at(i));
        top += heights.at(i);
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
    if (m_image.pixel(pixel) == colour && m_drawing.pixel(pixel) == colour)
        return;
    // A stroke goes into both layers, so it stays when the text changes.
    m_strokeChanged = true;
    m_drawing.setPixel(pixel, colour);
    m_image.setPixel(pixel, colour);
    update(QRect(pixel * m_zoom, QSize(m_zoom, m_zoom)));
}

void IconEditor::mousePressEvent(QMouseEvent *event)
{
    if (!m_stroking && (event->buttons() & (Qt::LeftButton | Qt::RightButton))) {
        m_stroking = true;
        m_strokeChanged = false;
        m_strokeDrawing = m_drawing;
        m_strokeImage = m_image;
    }
    paintPixel(event->pos(), event->buttons());
}

void IconEditor::mouseReleaseEvent(QMouseEvent *event)
{
    // The stroke ends with the last of its buttons.
    if (!m_stroking || (event->buttons() & (Qt::LeftButton | Qt::RightButton)))
        return;
    m_stroking = false;
    if (m_strokeChanged)
        emit strokeFinished(m_strokeDrawing, m_strokeImage);
    m_strokeDrawing = QImage();
    m_strokeImage = QImage();
}

void IconEditor::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        emit shiftRequested(QPoint(-1, 0));
        break;
    case Qt::Key_Right:
        emit shiftRequested(QPoint(1, 0));
        break;
    case Qt::Key_Up:
        emit shiftRequested(QPoint(0, -1));
        break;
    case Qt::Key_Down:
        emit shiftRequested(QPoint(0, 1));
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
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
