#ifndef PARAMETERS_UI_CURVEPAGES_H
#define PARAMETERS_UI_CURVEPAGES_H

#include "device/ui/devicepage.h"
#include "parameters/curveset.h"

#include <array>

class QCheckBox;
class QComboBox;
class QCurve;
class QFrame;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

// A curve tab of the customisation page: five groups of a ten-point curve, one of them shown
// and edited in the curve widget. The curves live in the chosen device (before a device was
// read, in the page's own defaults); the widget is the working copy of the shown group, which
// the curves receive when the user switches the group, the unit or the device, and before a
// write or a resource file uses them.
class CurvePage : public DevicePage
{
    Q_OBJECT

public:
    // The group the group buttons name (0-based): the first checked one, group 1 when none is.
    int checkedGroup() const;
    // The widget's values into the group it shows.
    void storeShownGroup();
    // After a resource file was loaded into the curves: the widget shows the loaded values of
    // the checked group when it is among the groups.
    void showLoadedGroups(const QVector<int> &groups);
    // The page's share of restoring all defaults: every group and the widget at the default.
    void restoreAllGroups();
    // The page-level write on this tab: the shown curve to the checked group.
    virtual void writeCurve() = 0;

    void retranslate() override;

protected:
    struct Widgets
    {
        QCurve *curve;
        std::array<QRadioButton *, CurveSet::GroupCount> groups;
        QGroupBox *groupBox;
        QPushButton *defaults;
        QFrame *smoothFrame;
        QCheckBox *smooth;
        QPushButton *load;
        QPushButton *save;
    };
    CurvePage(QTabWidget *tabs, QWidget *tab, const Widgets &widgets, QObject *parent);

    void showDevice() override;
    void followDevice(Device *device, QObject *context) override;
    void releaseDevice() override;

    CurveSet &curves();
    const CurveSet &curves() const;
    // The group's values in the unit shown, and storing them from that unit.
    virtual CurveSet::Points groupValues(const CurveSet &set, int group) const = 0;
    virtual void setGroupValues(CurveSet &set, int group, const CurveSet::Points &values) = 0;
    virtual int rangeMinimum() const = 0;
    virtual int rangeMaximum() const = 0;
    virtual int defaultValue() const = 0;
    virtual QString title(int group) const = 0;
    // The captions the page sets besides the group title.
    virtual void setTexts() = 0;

    // The shown values as the device sees them, in the unit shown.
    CurveSet::Points shownValues() const;
    // The curves with the shown values in the given group: what a write of that group sends.
    CurveSet curvesWithShownValuesIn(int group);
    void showGroup(int group);
    // Starts the write of a curve; logs the task and its result.
    void startCurveWrite(const CurveSet::Write &write);

    QTabWidget *m_tabs;
    QWidget *m_tab;
    Widgets m_widgets;

private:
    void selectGroup(int group);
    void restoreShownDefault();
    bool isCurrentTab() const;
    void showFirstGroup();

    int m_shownGroup = 0;
    CurveSet m_defaults;
};

// The temperature curve tab, with its unit: the curves are stored in Fahrenheit and shown in
// the unit chosen.
class TemperatureCurvePage : public CurvePage
{
    Q_OBJECT

public:
    TemperatureCurvePage(QTabWidget *tabs, QWidget *tab, QObject *parent = nullptr);
    TemperatureUnit unit() const { return m_unit; }
    void writeCurve() override;

protected:
    CurveSet::Points groupValues(const CurveSet &set, int group) const override;
    void setGroupValues(CurveSet &set, int group, const CurveSet::Points &values) override;
    int rangeMinimum() const override;
    int rangeMaximum() const override;
    int defaultValue() const override;
    QString title(int group) const override;
    void setTexts() override;

private:
    void changeUnit(int index);
    void setUnitTexts();

    QComboBox *m_unitBox;
    QGroupBox *m_unitGroup;
    TemperatureUnit m_unit = TemperatureUnit::Fahrenheit;
};

// The power curve tab, in W inside the range of the device's model.
class PowerCurvePage : public CurvePage
{
    Q_OBJECT

public:
    PowerCurvePage(QTabWidget *tabs, QWidget *tab, QObject *parent = nullptr);
    void writeCurve() override;

protected:
    void followDevice(Device *device, QObject *context) override;
    CurveSet::Points groupValues(const CurveSet &set, int group) const override;
    void setGroupValues(CurveSet &set, int group, const CurveSet::Points &values) override;
    int rangeMinimum() const override;
    int rangeMaximum() const override;
    int defaultValue() const override;
    QString title(int group) const override;
    void setTexts() override;

private:
    // A write with no group checked goes to the group of the write before.
    int m_lastWrittenGroup = 0;
};

#endif // PARAMETERS_UI_CURVEPAGES_H
