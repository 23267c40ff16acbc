#ifndef PARAMETERS_WIDGETS_MYGROUPBOX_H
#define PARAMETERS_WIDGETS_MYGROUPBOX_H

#include <QGroupBox>
#include <QtGlobal>

#include <array>

class QCheckBox;
class QLabel;
class QSpinBox;

// The coil material table: five rows (index, material, code, coefficient, selection). Every
// edit the user makes is copied at once into the parameter record of the device session.
class MyGroupBox : public QGroupBox
{
    Q_OBJECT

public:
    enum : int { RowCount = 5, ColumnCount = 5 };

    explicit MyGroupBox(QWidget *parent = nullptr);

    // Rows are 0 to 4; other rows read as 0 / unselected and are not changed.
    int coefficientValue(int row) const;
    bool isRowSelected(int row) const;
    // Checks or unchecks a row without copying it into the device session.
    void setRowSelected(int row, bool selected);
    // Sets a coefficient (kept inside the row's limits); a change is copied into the session.
    void setCoefficientValue(int row, quint16 value);
    void retranslateGroup();

public slots:
    // Restores the limits and default coefficients of every row; the selection is kept.
    void setDefaultValueSlots();
    // Copies the selection and the coefficients into the device session.
    void getValueSlots();

private:
    void fitColumns();

    std::array<QSpinBox *, RowCount> coefficientBoxes{};
    std::array<QCheckBox *, RowCount> selectBoxes{};
    std::array<QLabel *, ColumnCount> headingLabels{};
    std::array<std::array<QLabel *, 3>, RowCount> rowLabels{};
};

#endif // PARAMETERS_WIDGETS_MYGROUPBOX_H
