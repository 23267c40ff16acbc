#include "parameters/widgets/myslider.h"

#include <QMouseEvent>
#include <QToolTip>

MySlider::MySlider(QWidget *parent)
    : QSlider(parent)
{
    setTickPosition(QSlider::TicksAbove);
}

void MySlider::setValueSuffix(const QString &suffix)
{
    valueSuffix = suffix;
}

QString MySlider::valueText() const
{
    return QString::number(value()) + valueSuffix;
}

void MySlider::mousePressEvent(QMouseEvent *event)
{
    // The tip shows the value before the slider's own handler moves it.
    if (event->button() == Qt::LeftButton) {
        pressed = true;
        QToolTip::showText(event->globalPos(), valueText());
    }
    QSlider::mousePressEvent(event);
}

void MySlider::mouseMoveEvent(QMouseEvent *event)
{
    if (pressed)
        QToolTip::showText(event->globalPos(), valueText());
    QSlider::mouseMoveEvent(event);
}

void MySlider::mouseReleaseEvent(QMouseEvent *event)
{
    pressed = false;
    QSlider::mouseReleaseEvent(event);
}
