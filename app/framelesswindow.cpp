#include "app/framelesswindow.h"

#include <QCursor>
#include <QEvent>
#include <QHoverEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPushButton>
#include <QWidget>

namespace {

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

FramelessWindow::FramelessWindow(QWidget *window, QPushButton *maximizeButton)
    : QObject(window)
    , m_window(window)
    , m_maximizeButton(maximizeButton)
{
    window->setWindowFlags(window->windowFlags() | Qt::FramelessWindowHint);
    window->setAttribute(Qt::WA_Hover);
    window->installEventFilter(this);
    connect(maximizeButton, &QPushButton::clicked, this, &FramelessWindow::toggleMaximized);
    computeEdgeRegions();
}

void FramelessWindow::computeEdgeRegions()
{
    const int w = m_window->width() - 1;
    const int h = m_window->height() - 1;
    // Stored by region code - 1.
    m_edgeRects[TopLeft - 1] = QRect(QPoint(0, 0), QPoint(4, 4));
    m_edgeRects[Top - 1] = QRect(QPoint(5, 0), QPoint(w - 5, 4));
    m_edgeRects[TopRight - 1] = QRect(QPoint(w - 4, 0), QPoint(w, 4));
    m_edgeRects[Right - 1] = QRect(QPoint(w - 4, 5), QPoint(w, h - 5));
    m_edgeRects[BottomRight - 1] = QRect(QPoint(w - 4, h - 4), QPoint(w, h));
    m_edgeRects[Bottom - 1] = QRect(QPoint(5, h - 4), QPoint(w - 5, h));
    m_edgeRects[BottomLeft - 1] = QRect(QPoint(0, h - 4), QPoint(4, h));
    m_edgeRects[Left - 1] = QRect(QPoint(0, 5), QPoint(4, h - 5));
}

int FramelessWindow::edgeRegionAt(int x, int y) const
{
    static const int order[]
            = {TopLeft, TopRight, BottomRight, BottomLeft, Top, Right, Bottom, Left};
    const QPoint p(x, y);
    for (int region : order) {
        if (m_edgeRects[region - 1].contains(p))
            return region;
    }
    return NoEdge;
}

void FramelessWindow::setEdgeCursor(int region)
{
    switch (region) {
    case TopLeft:
    case BottomRight:
        m_window->setCursor(Qt::SizeFDiagCursor);
        break;
    case Top:
    case Bottom:
        m_window->setCursor(Qt::SizeVerCursor);
        break;
    case TopRight:
    case BottomLeft:
        m_window->setCursor(Qt::SizeBDiagCursor);
        break;
    case Right:
    case Left:
        m_window->setCursor(Qt::SizeHorCursor);
        break;
    default:
        m_window->setCursor(Qt::ArrowCursor);
        break;
    }
}

QRect FramelessWindow::edgeResizeGeometry() const
{
    const int dx = m_resizeCurrentPos.x() - m_resizePressPos.x();
    const int dy = m_resizeCurrentPos.y() - m_resizePressPos.y();
    int left = m_resizeStartGeometry.left();
    int top = m_resizeStartGeometry.top();
    int right = m_resizeStartGeometry.right();
    int bottom = m_resizeStartGeometry.bottom();

    switch (m_edgeRegion) {
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

    const QRect now = m_window->geometry();
    if (right - left < smallestSpan) {
        left = now.left();
        right = left + smallestSpan;
    }
    if (bottom - top < smallestSpan) {
        top = now.top();
        bottom = top + smallestSpan;
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

bool FramelessWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        const QPoint p = mouse->localPos().toPoint();
        if (inTitleArea(p, m_window->width())) {
            m_moving = true;
            m_moveLastPos = mouse->globalPos();
        } else if (m_edgeRegion != NoEdge) {
            m_resizePressPos = m_window->mapToGlobal(p);
            m_resizeStartGeometry = m_window->geometry();
            m_resizePressed = true;
            m_resizing = true;
        }
        break;
    }
    case QEvent::MouseMove:
        if (m_moving) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            m_window->move(m_window->pos() + (mouse->globalPos() - m_moveLastPos));
            m_moveLastPos = mouse->globalPos();
        }
        break;
    case QEvent::MouseButtonRelease:
        m_moving = false;
        m_resizePressed = false;
        break;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->localPos().toPoint().y() < titleHeight)
            toggleMaximized();
        break;
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove: {
        const QPoint p = static_cast<QHoverEvent *>(event)->posF().toPoint();
        if (!m_resizePressed) {
            m_edgeRegion = edgeRegionAt(p.x(), p.y());
            setEdgeCursor(m_edgeRegion);
        } else if (m_resizing && event->type() != QEvent::HoverLeave) {
            // A leave event carries no position inside the window (Qt sends (-1, -1)), so it
            // never drives the drag.
            m_resizeCurrentPos = m_window->mapToGlobal(p);
            m_window->setGeometry(edgeResizeGeometry());
        }
        break;
    }
    case QEvent::Resize:
        computeEdgeRegions();
        break;
    default:
        break;
    }
    return false;
}

void FramelessWindow::toggleMaximized()
{
    if (m_maximized) {
        m_window->showNormal();
        m_maximizeButton->setIcon(QIcon(QStringLiteral(":/title/pic/showMax.png")));
        m_maximized = false;
    } else {
        m_window->showMaximized();
        m_maximizeButton->setIcon(QIcon(QStringLiteral(":/title/pic/showNormal.png")));
        m_maximized = true;
    }
}
