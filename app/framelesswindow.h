#ifndef APP_FRAMELESSWINDOW_H
#define APP_FRAMELESSWINDOW_H

#include <QObject>
#include <QPoint>
#include <QRect>

#include <array>

class QPushButton;
class QWidget;

// The hand-made frame of a window without the system's: it moves with the left button held in
// its title area, resizes by 5-pixel bands along its edges and corners (the cursor shows the
// direction), and a double click on the title area or its maximise button toggles the
// maximised state. It watches the window's own events and lets every event through.
class FramelessWindow : public QObject
{
    Q_OBJECT

public:
    // Region codes of the edge bands, clockwise from the top-left corner; 0 is none.
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

    FramelessWindow(QWidget *window, QPushButton *maximizeButton);

    // The edge band at a point of the window.
    int edgeRegionAt(int x, int y) const;
    // The band the mouse hovers over (or drags) now.
    int edgeRegion() const { return m_edgeRegion; }
    bool isMoving() const { return m_moving; }
    bool isResizing() const { return m_resizePressed && m_resizing; }
    bool isResizePressed() const { return m_resizePressed; }
    bool isMaximized() const { return m_maximized; }

    void toggleMaximized();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void computeEdgeRegions();
    void setEdgeCursor(int region);
    // The geometry an edge drag to m_resizeCurrentPos asks for, kept at least 100 x 100.
    QRect edgeResizeGeometry() const;

    QWidget *m_window;
    QPushButton *m_maximizeButton;
    std::array<QRect, 8> m_edgeRects;
    int m_edgeRegion = NoEdge;
    bool m_resizePressed = false;
    bool m_resizing = false;
    QRect m_resizeStartGeometry;
    QPoint m_resizePressPos;
    QPoint m_resizeCurrentPos;
    bool m_moving = false;
    QPoint m_moveLastPos;
    bool m_maximized = false;
};

#endif // APP_FRAMELESSWINDOW_H
