#ifndef PARAMETERS_WIDGETS_QCURVE_H
#define PARAMETERS_WIDGETS_QCURVE_H

#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>

// One point of a ten-point curve: the pixel column inside the curve widget (of its last paint)
// and the value as an offset above the curve's range minimum.
struct CurvePoint
{
    int x = 60;
    int value = 0;
};

enum : int { CurvePointCount = 10 };
using Curve = std::array<CurvePoint, CurvePointCount>;

// Editor of one ten-point curve over 0 to 9 seconds. Values are offsets above the range minimum
// (yMin + value is what the user sees); each point can be pulled up and down with the mouse.
// The curve is drawn as straight segments or as a smooth chain of cubic segments with
// horizontal tangents at every point.
class QCurve : public QWidget
{
    Q_OBJECT

public:
    explicit QCurve(QWidget *parent = nullptr);

    // The curve; owners read and write it directly. The x members are the pixel columns of the
    // last paint.
    Curve points;

    void setXAxisName(const QString &name);
    void setYAxisName(const QString &name);
    // Sets the unit appended to values in the status box and shows point 0 there.
    void setUnitName(const QString &unit);

    int yMaximum() const { return yMax; }
    int yMinimum() const { return yMin; }

    // Mappings between pixel rows and value offsets, using the plot height of the last paint.
    int valueFromY(int y) const;
    int yFromValue(int value) const;

    // The text of the status box ("<second> <unit of time><value><unit>").
    QString statusLine() const { return statusText; }

public slots:
    void setCurveMode(bool ok);
    void setTitleName(const QString &name);
    void setYrange(int min, int max);
    void setUpdate();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void drawBackground();
    void drawCurve();
    // The first point whose column lies less than half a step from x, or -1.
    int pointAtColumn(int x) const;
    QString pointStatus(int index) const;
    int valueSpan() const;

    bool curveMode = true;
    int yMax = 160;
    int yMin = 0;
    QString titleName;
    bool grabbing = false;
    QPoint pressPos;
    int selectedIndex = 0;
    QRect hitRect;
    int plotWidth = 0;
    int plotHeight = 0;
    float xStep = 0.0f;
    float yStep = 0.0f;
    QString xAxisName;
    QString yAxisName;
    QString statusText;
    QString unitName;
};

#endif // PARAMETERS_WIDGETS_QCURVE_H
