// The hand-made frame of the window: moving by the title area, resizing by 5-pixel bands along
// the edges and corners, and the maximise toggle.

#include "app/mainwindow.h"

#include "ui_mainwindow.h"

#include <QCursor>
#include <QEvent>
#include <QHoverEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QResizeEvent>

namespace {

// Region codes, clockwise from the top-left corner; 0 is none.
enum EdgeRegion : int {
    NoEdge = 0,
    TopLeft = 1,
    Top = 2,
    TopRight = 3,
    Right = 4,
    BottomRight = 5,
    Bottom = 6,
    BottomLeft = 7,
    Left = 8
};

// The area that moves the window: from (5, 5) to (width - 6, 59), both corners inclusive.
bool inTitleArea(const QPoint &p, int width)
{
    return p.x() >= 5 && p.y() >= 5 && p.x() <= width - 6 && p.y() <= 59;
}

// A double click above this row toggles the maximised state.
const int titleHeight = 60;

// An edge resize never makes the window smaller than this in either direction (as the
// difference of inclusive coordinates).
const int smallestSpan = 99;

} // namespace

void MainWindow::computeEdgeRegions()
{
    const int w = width() - 1;
    const int h = height() - 1;
    // Stored by region code - 1.
    edgeRects[TopLeft - 1] = QRect(QPoint(0, 0), QPoint(4, 4));
    edgeRects[Top - 1] = QRect(QPoint(5, 0), QPoint(w - 5, 4));
    edgeRects[TopRight - 1] = QRect(QPoint(w - 4, 0), QPoint(w, 4));
    edgeRects[Right - 1] = QRect(QPoint(w - 4, 5), QPoint(w, h - 5));
    edgeRects[BottomRight - 1] = QRect(QPoint(w - 4, h - 4), QPoint(w, h));
    edgeRects[Bottom - 1] = QRect(QPoint(5, h - 4), QPoint(w - 5, h));
    edgeRects[BottomLeft - 1] = QRect(QPoint(0, h - 4), QPoint(4, h));
    edgeRects[Left - 1] = QRect(QPoint(0, 5), QPoint(4, h - 5));
}

int MainWindow::edgeRegionAt(int x, int y) const
{
    static const int order[]
            = {TopLeft, TopRight, BottomRight, BottomLeft, Top, Right, Bottom, Left};
    const QPoint p(x, y);
    for (int region : order) {
        if (edgeRects[region - 1].contains(p))
            return region;
    }
    return NoEdge;
}

void MainWindow::setEdgeCursor(int region)
{
    switch (region) {
    case TopLeft:
    case BottomRight:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case Top:
    case Bottom:
        setCursor(Qt::SizeVerCursor);
        break;
    case TopRight:
    case BottomLeft:
        setCursor(Qt::SizeBDiagCursor);
        break;
    case Right:
    case Left:
        setCursor(Qt::SizeHorCursor);
        break;
    default:
        setCursor(Qt::ArrowCursor);
        break;
    }
}

QRect MainWindow::edgeResizeGeometry() const
{
    const int dx = resizeCurrentPos.x() - resizePressPos.x();
    const int dy = resizeCurrentPos.y() - resizePressPos.y();
    int left = resizeStartGeometry.left();
    int top = resizeStartGeometry.top();
    int right = resizeStartGeometry.right();
    int bottom = resizeStartGeometry.bottom();

    switch (edgeRegion) {
    case TopLeft:
        left += dx;
        top += dy;
        break;
    case Top:
        top += dy;
        break;
    case TopRight:
        right += dx;
        top += dy;
        break;
    case Right:
        right += dx;
        break;
    case BottomRight:
        right += dx;
        bottom += dy;
        break;
    case Bottom:
        bottom += dy;
        break;
    case BottomLeft:
        left += dx;
        bottom += dy;
        break;
    case Left:
        left += dx;
        break;
    default:
        break;
    }

    if (right - left < smallestSpan) {
        left = geometry().left();
        right = left + smallestSpan;
    }
    if (bottom - top < smallestSpan) {
        top = geometry().top();
        bottom = top + smallestSpan;
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void MainWindow::resizeByMouse()
{
    setGeometry(edgeResizeGeometry());
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    QMainWindow::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->localPos().toPoint();
    if (inTitleArea(p, width())) {
        movingWindow = true;
        moveLastPos = event->globalPos();
    } else if (edgeRegion != NoEdge) {
        resizePressPos = mapToGlobal(p);
        resizeStartGeometry = geometry();
        resizePressed = true;
        resizing = true;
    }
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    QMainWindow::mouseMoveEvent(event);
    if (movingWindow) {
        move(pos() + (event->globalPos() - moveLastPos));
        moveLastPos = event->globalPos();
        event->accept();
    }
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event)
{
    QMainWindow::mouseReleaseEvent(event);
    movingWindow = false;
    resizePressed = false;
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->localPos().toPoint().y() < titleHeight) {
        showMaxAndNoraml();
        event->accept();
    }
    QMainWindow::mouseDoubleClickEvent(event);
}

bool MainWindow::event(QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::HoverEnter || type == QEvent::HoverLeave || type == QEvent::HoverMove) {
        const QPoint p = static_cast<QHoverEvent *>(event)->posF().toPoint();
        if (!resizePressed) {
            edgeRegion = edgeRegionAt(p.x(), p.y());
            setEdgeCursor(edgeRegion);
        } else if (resizing && type != QEvent::HoverLeave) {
            // A leave event carries no position inside the window (Qt sends (-1, -1)), so it
            // never drives the drag.
            resizeCurrentPos = mapToGlobal(p);
            resizeByMouse();
        }
    }
    return QMainWindow::event(event);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    computeEdgeRegions();
    QMainWindow::resizeEvent(event);
}

void MainWindow::showMaxAndNoraml()
{
    if (maximized) {
        showNormal();
        ui->showMaxButton->setIcon(QIcon(QStringLiteral(":/title/pic/showMax.png")));
        maximized = false;
    } else {
        showMaximized();
        ui->showMaxButton->setIcon(QIcon(QStringLiteral(":/title/pic/showNormal.png")));
        maximized = true;
    }
}
