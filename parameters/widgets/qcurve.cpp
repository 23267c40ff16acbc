#include "parameters/widgets/qcurve.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

// The plot area's top left corner and the margins around it.
const int plotLeft = 60;
const int plotTop = 30;
const int plotMargin = 80;
const int plotBottomGap = 50; // rows between the plot's bottom edge and the widget's

} // namespace

QCurve::QCurve(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setMinimumSize(80, 80);

    curveMode = true;
    grabbing = false;
    titleName = QStringLiteral(" ");
    yMax = 160;
    for (CurvePoint &point : points)
        point.value = 100;
    points[0].x = plotLeft;
    setUpdate();
}

void QCurve::setCurveMode(bool ok)
{
    curveMode = ok;
    update();
}

void QCurve::setTitleName(const QString &name)
{
    titleName = name;
    update();
}

void QCurve::setYrange(int min, int max)
{
    yMin = min;
    yMax = max;
    update();
}

void QCurve::setUpdate()
{
    xAxisName = QCoreApplication::translate("qcurve", "时间") + QLatin1Char('(')
                + QCoreApplication::translate("qcurve", "秒") + QLatin1Char(')');
    update();
}

void QCurve::setXAxisName(const QString &name)
{
    xAxisName = name;
    update();
}

void QCurve::setYAxisName(const QString &name)
{
    yAxisName = name;
    update();
}

void QCurve::setUnitName(const QString &unit)
{
    unitName = unit;
    statusText = pointStatus(0);
    update();
}

int QCurve::valueSpan() const
{
    return std::max(0, yMax - yMin);
}

int QCurve::valueFromY(int y) const
{
    if (plotHeight == 0)
        return 0;
    const float share = float(1.0 - double(y - plotTop) / plotHeight);
    const double value = double(share * valueSpan()) + 0.5;
    // Rows above or below the plot give the range ends.
    return int(std::clamp(value, 0.0, double(valueSpan())));
}

int QCurve::yFromValue(int value) const
{
    const int span = yMax - yMin;
    // An empty range has no height to spread values over: everything lies on the bottom line.
    const float share = span == 0 ? 0.0f : float(double(value) / span);
    const float y = float((1.0f - share) * plotHeight + plotTop);
    // Values outside the range (owners store what the device sent) are kept inside the widget.
    return int(std::clamp(y, 0.0f, float(std::max(0, height()))));
}

int QCurve::pointAtColumn(int x) const
{
    for (int i = 0; i < CurvePointCount; ++i) {
        if (std::fabs(float(points[i].x - x)) < xStep / 2.0f)
            return i;
    }
    return -1;
}

QString QCurve::pointStatus(int index) const
{
    return QString::number(index) + QLatin1Char(' ') + QCoreApplication::translate("qcurve", "秒")
           + QString::number(qint64(yMin) + points[index].value) + unitName;
}

void QCurve::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    drawBackground();
    drawCurve();
}

void QCurve::drawBackground()
{
    const int w = width();
    const int h = height();
    QPainter painter(this);

    plotWidth = w - plotMargin;
    plotHeight = h - plotMargin;
    xStep = float(plotWidth / 9.0);
    yStep = float(plotHeight / 5.0);

    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(QColor(240, 240, 240));
    painter.drawRect(QRect(QPoint(0, 0), QPoint(w - 2, h - 2)));
    painter.setBrush(Qt::white);
    painter.drawRect(QRect(plotLeft, plotTop, plotWidth, plotHeight));

    hitRect = QRect(QPoint(40, 0), QPoint(w - 1, h - 21));

    painter.drawText(QRect(w / 2 - w / 10, 9, 160, 20), Qt::AlignLeft | Qt::AlignTop, titleName);

    painter.setPen(QPen(Qt::gray, 1, Qt::DotLine));
    const int labelTop = plotHeight + plotTop + 3;
    auto drawXLabel = [&](int i) {
        painter.drawText(QRect(points[i].x - 8, labelTop, 20, 10),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                         QString::number(i) + QStringLiteral(".0"));
    };
    points[0].x = plotLeft;
    drawXLabel(0);
    for (int i = 1; i < CurvePointCount - 1; ++i) {
        points[i].x = int(float(points[i - 1].x) + xStep);
        painter.drawLine(points[i].x, plotHeight + plotTop, points[i].x, plotTop);
        drawXLabel(i);
    }
    const int last = CurvePointCount - 1;
    points[last].x = std::max(int(float(points[last - 1].x) + xStep), w - 20);
    drawXLabel(last);

    // The value labels end at the plot's left edge; texts wider than their box are not cut off.
    const int yLabelFlags = Qt::AlignRight | Qt::AlignVCenter | Qt::TextDontClip;
    const QFontMetrics metrics = painter.fontMetrics();
    const QString topLabel = QString::number(yMax);
    painter.drawText(QRect(38, 25, 20, 10), yLabelFlags, topLabel);
    int labelWidth = metrics.horizontalAdvance(topLabel);
    const float valueStep = float((yMax - yMin) / 5.0);
    int row = plotTop;
    for (int k = 4; k >= 1; --k) {
        row = int(float(row) + yStep);
        painter.drawLine(plotLeft, row, plotLeft + plotWidth, row);
        const QString label = QString::number(qint64(double(k * valueStep) + yMin));
        painter.drawText(QRect(38, row - 5, 20, 10), yLabelFlags, label);
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));
    }

    painter.drawText(QRect(plotWidth / 2 - 10, plotHeight + 55, 60, 20),
                     Qt::AlignLeft | Qt::AlignTop, xAxisName);

    // The y-axis title reads upwards left of the widest value label, centred on the plot's
    // height, so that it never runs over the labels whatever their width or the font.
    const int titleHeight = metrics.height();
    const int titleLeft = std::max(1, 58 - labelWidth - 4 - titleHeight);
    painter.save();
    painter.translate(titleLeft, plotTop + plotHeight / 2);
    painter.rotate(-90);
    painter.drawText(QRect(-plotHeight / 2, 0, plotHeight, titleHeight),
                     Qt::AlignHCenter | Qt::AlignTop, yAxisName);
    painter.restore();

    painter.setPen(QPen(Qt::lightGray, 1, Qt::SolidLine));
    painter.setBrush(Qt::lightGray);
    painter.drawRect(QRect(62, 32, 80, 20));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawText(QRect(72, 37, 70, 15), Qt::AlignLeft | Qt::AlignTop, statusText);
}

void QCurve::drawCurve()
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);

    QPoint at[CurvePointCount];
    for (int i = 0; i < CurvePointCount; ++i)
        at[i] = QPoint(points[i].x, yFromValue(points[i].value));

    painter.setPen(QPen(Qt::red, 1));
    painter.setBrush(Qt::green);
    for (const QPoint &p : at)
        painter.drawEllipse(QRect(p.x() - 6, p.y() - 6, 12, 12));

    painter.setPen(QPen(Qt::red, 3));
    painter.setBrush(Qt::NoBrush);
    if (!curveMode) {
        for (int i = 0; i + 1 < CurvePointCount; ++i)
            painter.drawLine(at[i], at[i + 1]);
        return;
    }
    // Both control points of a segment sit on the vertical through its middle column, at the
    // heights of its two ends: the tangent is horizontal at every point and no segment
    // overshoots the values it joins.
    QPainterPath path(at[0]);
    for (int i = 0; i + 1 < CurvePointCount; ++i) {
        const int mx = (at[i].x() + at[i + 1].x()) / 2;
        path.cubicTo(mx, at[i].y(), mx, at[i + 1].y(), at[i + 1].x(), at[i + 1].y());
    }
    painter.drawPath(path);
}

void QCurve::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressPos = event->pos();
    if (!hitRect.contains(pressPos, true))
        return;
    const int index = pointAtColumn(pressPos.x());
    if (index >= 0) {
        selectedIndex = index;
        grabbing = true;
    }
    QWidget::mousePressEvent(event);
}

void QCurve::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->pos();
    const bool inPlotRows = pos.y() >= plotTop && pos.y() <= height() - plotBottomGap;
    if (grabbing) {
        int &value = points[selectedIndex].value;
        if (inPlotRows) {
            value = valueFromY(pos.y());
            QToolTip::showText(event->globalPos(), QStringLiteral("%1").arg(qint64(yMin) + value));
        } else if (pos.y() < plotTop) {
            value = valueSpan();
        } else {
            value = 0;
        }
        statusText = pointStatus(selectedIndex);
        update();
    } else if (inPlotRows && pos.x() >= plotLeft && pos.x() <= plotLeft + plotWidth) {
        // Exactly midway between two points no point is near enough; the box keeps its text.
        const int index = pointAtColumn(pos.x());
        if (index >= 0) {
            statusText = pointStatus(index);
            update();
        }
    }
    QWidget::mouseMoveEvent(event);
}

void QCurve::mouseReleaseEvent(QMouseEvent *event)
{
    const int y = event->pos().y();
    if (grabbing && y >= plotTop && y <= height() - plotBottomGap) {
        points[selectedIndex].value = valueFromY(y);
        update();
    }
    grabbing = false;
    QWidget::mouseReleaseEvent(event);
}
