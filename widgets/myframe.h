#ifndef WIDGETS_MYFRAME_H
#define WIDGETS_MYFRAME_H

#include <QFrame>
#include <QRect>
#include <QString>

#include <array>

struct DeviceIdentity;

// The device information panel: a hand-painted two-column table of eight rows, captions on the
// left and the connected device's texts on the right. Rows 0 to 2 stay at the top, rows 4 to 7
// at the bottom, and row 3 is an empty area that takes up the rest of the height.
class MyFrame : public QFrame
{
    Q_OBJECT

public:
    enum : int { RowCount = 8 };

    explicit MyFrame(QWidget *parent = nullptr);

    // Takes the texts of a device's information and repaints.
    void showIdentity(const DeviceIdentity &identity);

    // Where the value of a row was drawn by the last paint (a null rectangle for row 3).
    QRect valueRect(int row) const;
    QString valueText(int row) const;

    // The caption of a row in the current interface language.
    static QString caption(int row);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawGrid(QPainter &painter);
    void drawValues(QPainter &painter);

    std::array<QRect, RowCount> valueRects;
    std::array<QString, RowCount> valueTexts;
    int panelWidth = 0;
    int panelHeight = 0;
};

#endif // WIDGETS_MYFRAME_H
