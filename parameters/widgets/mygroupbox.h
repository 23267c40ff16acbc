#ifndef PARAMETERS_WIDGETS_MYGROUPBOX_H
#define PARAMETERS_WIDGETS_MYGROUPBOX_H

#include <QGroupBox>
#include <QtGlobal>

#include <array>

class QCheckBox;
class QLabel;
class QSpinBox;

// The coil material table: five rows (index, material, code, coefficient, selection). It holds
// the user's edits; the parameter page reads them when it writes the parameters.
class MyGroupBox : public QGroupBox
{
    Q_OBJECT

public:
    enum : int { RowCount = 5, ColumnCount = 5 };

    explicit MyGroupBox(QWidget *parent = nullptr);

    // Rows are 0 to 4; other rows read as 0 / unselected and are not changed.
    int coefficientValue(int row) const;
    bool isRowSelected(int row) const;
    void setRowSelected(int row, bool selected);
    // Sets a coefficient, kept inside the row's limits.
    void setCoefficientValue(int row, quint16 value);
    void retranslateGroup();

public slots:
    // Restores the limits and default coefficients of every row; the selection is kept.
    void setDefaultValueSlots();

private:
    void fitColumns();

    std::array<QSpinBox *, RowCount> coefficientBoxes{};
    std::array<QCheckBox *, RowCount> selectBoxes{};
    std::array<QLabel *, ColumnCount> headingLabels{};
    std::array<std::array<QLabel *, 3>, RowCount> rowLabels{};
};

#endif // PARAMETERS_WIDGETS_MYGROUPBOX_H
