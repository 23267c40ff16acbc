#include "parameters/widgets/mygroupbox.h"

#include "parameters/parameterrecord.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

struct CoilRow
{
    const char *index;
    const char *code;
    bool checked;
};

// The value ranges of the rows are the link's (parameters/units.h), shared with the command line.
const CoilRow coilRows[MyGroupBox::RowCount] = {
        {"1", "SS", true},  {"2", "NI", true},  {"3", "TI", true},
        {"4", "NC", false}, {"5", "TC", false},
};

const int columnWidths[MyGroupBox::ColumnCount] = {30, 60, 30, 50, 30};
const int rowHeight = 30;

QString materialName(int row)
{
    switch (row) {
    case 0:
        return QCoreApplication::translate("group", "不锈钢316");
    case 1:
        return QCoreApplication::translate("group", "镍200");
    case 2:
        return QCoreApplication::translate("group", "钛");
    case 3:
        return QCoreApplication::translate("group", "镍铬");
    default:
        return QStringLiteral("TCR");
    }
}

QString heading(int column)
{
    switch (column) {
    case 0:
        return QCoreApplication::translate("group", "序号");
    case 1:
        return QCoreApplication::translate("group", "雾化器材质");
    case 2:
        return QCoreApplication::translate("group", "图标");
    case 3:
        return QCoreApplication::translate("group", "系数");
    default:
        return QCoreApplication::translate("group", "选中");
    }
}

bool validRow(int row)
{
    return row >= 0 && row < MyGroupBox::RowCount;
}

} // namespace

MyGroupBox::MyGroupBox(QWidget *parent)
    : QGroupBox(parent)
{
    for (int row = 0; row < RowCount; ++row) {
        auto *spinBox = new QSpinBox(this);
        spinBox->resize(columnWidths[3], rowHeight);
        // A typed value outside the row's limits is corrected to the nearer limit.
        spinBox->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
        coefficientBoxes[row] = spinBox;
    }
    for (int row = 0; row < RowCount; ++row) {
        auto *checkBox = new QCheckBox(this);
        checkBox->setCheckable(true);
        checkBox->resize(columnWidths[4], rowHeight);
        checkBox->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        checkBox->setChecked(coilRows[row].checked);
        selectBoxes[row] = checkBox;
    }
    for (int column = 0; column < ColumnCount; ++column) {
        auto *label = new QLabel(this);
        label->setFixedSize(columnWidths[column], rowHeight);
        headingLabels[column] = label;
    }
    for (int row = 0; row < RowCount; ++row) {
        const char *texts[3] = {coilRows[row].index, nullptr, coilRows[row].code};
        for (int column = 0; column < 3; ++column) {
            auto *label = new QLabel(QString::fromLatin1(texts[column]), this);
            label->setFixedSize(columnWidths[column], rowHeight);
            rowLabels[row][column] = label;
        }
    }

    auto *layout = new QVBoxLayout(this);
    layout->addStretch(5);
    auto *headingRow = new QHBoxLayout;
    for (QLabel *label : headingLabels)
        headingRow->addWidget(label);
    headingRow->addStretch(1);
    layout->addLayout(headingRow);
    for (int row = 0; row < RowCount; ++row) {
        layout->addStretch(5);
        auto *rowLayout = new QHBoxLayout;
        for (QLabel *label : rowLabels[row])
            rowLayout->addWidget(label);
        rowLayout->addWidget(coefficientBoxes[row]);
        rowLayout->addWidget(selectBoxes[row]);
        rowLayout->addStretch(1);
        layout->addLayout(rowLayout);
    }
    layout->addStretch(10);

    retranslateGroup();
    setDefaultValueSlots();
}

void MyGroupBox::setDefaultValueSlots()
{
    for (int row = 0; row < RowCount; ++row) {
        const CoilValueRange range = ParameterRecord::coilRange(row);
        coefficientBoxes[row]->setMaximum(range.maximum);
        coefficientBoxes[row]->setMinimum(range.minimum);
        coefficientBoxes[row]->setValue(range.defaultValue);
    }
}

int MyGroupBox::coefficientValue(int row) const
{
    return validRow(row) ? coefficientBoxes[row]->value() : 0;
}

bool MyGroupBox::isRowSelected(int row) const
{
    return validRow(row) && selectBoxes[row]->isChecked();
}

void MyGroupBox::setRowSelected(int row, bool selected)
{
    if (validRow(row))
        selectBoxes[row]->setChecked(selected);
}

void MyGroupBox::setCoefficientValue(int row, quint16 value)
{
    if (validRow(row))
        coefficientBoxes[row]->setValue(value);
}

void MyGroupBox::retranslateGroup()
{
    setTitle(QCoreApplication::translate("group", "参数设置"));
    for (int column = 0; column < ColumnCount; ++column)
        headingLabels[column]->setText(heading(column));
    for (int row = 0; row < RowCount; ++row)
        rowLabels[row][1]->setText(materialName(row));
    fitColumns();
}

void MyGroupBox::fitColumns()
{
    // Each column is at least its nominal width and wide enough for its texts in the current
    // language; the spin boxes take the width of their column, so the
    // headings stay over their rows.
    const QFontMetrics metrics = fontMetrics();
    const int padding = 6;
    for (int column = 0; column < ColumnCount; ++column) {
        int width = qMax(columnWidths[column],
                         metrics.horizontalAdvance(headingLabels[column]->text()) + padding);
        if (column < 3) {
            for (int row = 0; row < RowCount; ++row)
                width = qMax(width,
                             metrics.horizontalAdvance(rowLabels[row][column]->text()) + padding);
        } else if (column == 3) {
            width = qMax(width, coefficientBoxes[0]->sizeHint().width());
        }
        headingLabels[column]->setFixedSize(width, rowHeight);
        for (int row = 0; row < RowCount; ++row) {
            if (column < 3)
                rowLabels[row][column]->setFixedSize(width, rowHeight);
            else if (column == 3)
                coefficientBoxes[row]->setFixedWidth(width);
        }
    }
}
