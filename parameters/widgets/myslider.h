#ifndef PARAMETERS_WIDGETS_MYSLIDER_H
#define PARAMETERS_WIDGETS_MYSLIDER_H

#include <QSlider>
#include <QString>

// A slider that shows its value with a unit suffix in a tool tip while the left button holds it.
class MySlider : public QSlider
{
    Q_OBJECT

public:
    explicit MySlider(QWidget *parent = nullptr);

    void setValueSuffix(const QString &suffix);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString valueText() const;

    bool pressed = false;
    QString valueSuffix;
};

#endif // PARAMETERS_WIDGETS_MYSLIDER_H
