#include "widgets/myframe.h"

#include "device/deviceidentity.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTextOption>

namespace {

const int captionLeft = 24;
const int captionRight = 178;
const int valueLeft = 184;
const int rowHeight = 25;
const int topRows = 3; // rows 0 to 2 hang from the top edge
const int spaceRow = 3; // the empty row between the two blocks

} // namespace

MyFrame::MyFrame(QWidget *parent)
    : QFrame(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
}

QString MyFrame::caption(int row)
{
    switch (row) {
    case 0:
        return QCoreApplication::translate("MyFrame", "产品名称");
    case 1:
        return QCoreApplication::translate("MyFrame", "产品型号");
    case 2:
        return QCoreApplication::translate("MyFrame", "序列号");
    case 3:
        return QCoreApplication::translate("MyFrame", "外观图");
    case 4:
        return QCoreApplication::translate("MyFrame", "固件版本");
    case 5:
        return QCoreApplication::translate("MyFrame", "固件描述");
    case 6:
        return QCoreApplication::translate("MyFrame", "软件版本");
    case 7:
        return QCoreApplication::translate("MyFrame", "软件描述");
    default:
        return QString();
    }
}

void MyFrame::showIdentity(const DeviceIdentity &identity)
{
    // What the model table names (product, model, chip id) is kept from the device shown before
    // when the table does not know this one; so is a firmware version the reply did not carry.
    if (identity.model.known) {
        valueTexts[0] = identity.model.productName;
        valueTexts[1] = identity.model.modelCode;
        valueTexts[2] = identity.chipId;
        valueTexts[7] = identity.model.modelCode;
    }
    valueTexts[3].clear();
    if (!identity.firmwareVersion.isEmpty())
        valueTexts[4] = identity.firmwareVersion;
    valueTexts[5].clear();
    valueTexts[6] = identity.softwareVersion;
    update();
}

QRect MyFrame::valueRect(int row) const
{
    return row >= 0 && row < RowCount ? valueRects[row] : QRect();
}

QString MyFrame::valueText(int row) const
{
    return row >= 0 && row < RowCount ? valueTexts[row] : QString();
}

void MyFrame::paintEvent(QPaintEvent *event)
{
    panelWidth = rect().width();
    panelHeight = rect().height();
    {
        QPainter painter(this);
        drawGrid(painter);
        drawValues(painter);
    }
    QWidget::paintEvent(event);
}

void MyFrame::drawGrid(QPainter &painter)
{
    const int w = panelWidth;
    const int h = panelHeight;

    painter.drawRect(QRect(QPoint(8, 8), QPoint(w - 9, h - 9)));
    painter.drawRect(QRect(QPoint(16, 16), QPoint(w - 17, h - 17)));
    painter.drawLine(160, 16, 160, h - 16);

    for (int row = 0; row < RowCount; ++row) {
        int top;
        if (row < topRows)
            top = 22 + rowHeight * row;
        else if (row == spaceRow)
            top = (h - 207) / 2 + 91;
        else
            top = h - 110 + rowHeight * (row - 4);
        const int bottom = top + rowHeight - 1;
        // Every row's line runs just under its text, except the space row's, which closes the
        // space above row 4.
        const int lineY = row == spaceRow ? h - 116 : bottom - 5;

        painter.drawLine(16, lineY, w - 16, lineY);
        const QRect captionRect(QPoint(captionLeft, top), QPoint(captionRight, bottom));
        painter.drawText(QRectF(captionRect), caption(row), QTextOption());
        valueRects[row]
                = row == spaceRow ? QRect() : QRect(QPoint(valueLeft, top), QPoint(w - 1, bottom));
    }
}

void MyFrame::drawValues(QPainter &painter)
{
    for (int row = 0; row < RowCount; ++row) {
        if (row == spaceRow || valueTexts[row].isEmpty())
            continue;
        painter.drawText(QRectF(valueRects[row]), valueTexts[row], QTextOption());
    }
}
