#ifndef PICTURES_WIDGETS_ICONEDITOR_H
#define PICTURES_WIDGETS_ICONEDITOR_H

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>

// A pixel grid for the LCD pictures. Each picture pixel is drawn as a square of zoomFactor
// screen pixels, with grid lines from a zoom of 4 on.
//
// The pictures are light on dark, as the LCD shows them: the left mouse button lights a pixel
// (white), the right button clears it (black). Typed text is drawn in white as well.
//
// The picture is kept in two layers: the drawing (what was loaded plus the mouse strokes) and
// the text on top of it, so that every call of drawText replaces the previous text instead of
// piling up on it.
//
// A stroke (press, drag, release) that changed pixels is reported with the layers as they were
// before it, so that the owner can undo it. The arrow keys ask the owner to shift the picture.
class IconEditor : public QWidget
{
    Q_OBJECT

public:
    explicit IconEditor(QWidget *parent = nullptr);

    // Shows the picture of a file; a file that does not load gives an empty (0 x 0) picture.
    void setIconImage(const QString &fileName);
    void setIconImage(const QImage &image);
    QImage getIconImage() const { return m_image; }
    // Both layers, for saving and restoring the whole editing state.
    QImage drawingLayer() const { return m_drawing; }
    void setLayers(const QImage &drawing, const QImage &image);

    void setZoomFactor(int zoom);
    int zoomFactor() const { return m_zoom; }

    // Draws the lines, one below the other from the top left, into the part of the picture that
    // rect covers on the screen (widget coordinates, so picture pixels times the zoom), with
    // textFont and textAlignment. The text drawn by the previous call is replaced.
    void drawText(const QRect &rect, const QStringList &lines);

    QSize sizeHint() const override;

    // The font of drawText. Its size is taken in picture pixels: a 9-point font is 9 pixels high.
    QFont textFont;
    // Qt::AlignLeft: the lines start at the top left. Qt::AlignCenter: every line is centred,
    // and the block of lines sits in the middle of the picture.
    Qt::Alignment textAlignment = Qt::AlignLeft;
    // Smoothed glyph edges; off for one-bit pictures, whose pixels are either lit or dark.
    bool textAntialiasing = false;

signals:
    // The picture pixel under the mouse.
    void mousePositionSignals(QPoint pos);
    // A stroke changed pixels; the layers as they were when it began.
    void strokeFinished(const QImage &drawingBefore, const QImage &imageBefore);
    // An arrow key: the picture is to move by step (one pixel in x or y).
    void shiftRequested(QPoint step);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPoint pixelAt(const QPoint &widgetPos) const;
    void paintPixel(const QPoint &widgetPos, Qt::MouseButtons buttons);

    QImage m_drawing; // loaded picture and strokes
    QImage m_image; // m_drawing with the text on top
    int m_zoom = 8;

    // The stroke in progress: the layers before it, and whether it has changed a pixel yet.
    bool m_stroking = false;
    bool m_strokeChanged = false;
    QImage m_strokeDrawing;
    QImage m_strokeImage;
};

#endif // PICTURES_WIDGETS_ICONEDITOR_H
