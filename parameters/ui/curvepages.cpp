#include "parameters/ui/curvepages.h"

#include "device/device.h"
#include "device/devicejobs.h"
#include "parameters/widgets/qcurve.h"
#include "shell/texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace {

enum : int { CelsiusIndex = 0, FahrenheitIndex = 1 };

const char *const smoothFrameSheet = "QFrame{border-radius: 2px;background-color:lightgray;}"
                                     "QFrame:hover{background-color:rgb(80,90,100);}"
                                     "QFrame:pressed{background-color:rgb(80,90,100);}";

QString taskText()
{
    return QStringLiteral(" [") + QCoreApplication::translate("main", "写用户资源作业")
           + QLatin1Char(']');
}

QString groupTitle(const char *curveName, int group)
{
    return trWindow(curveName).trimmed() + QLatin1Char('(') + QString::number(group + 1)
           + QLatin1Char(')');
}

template<class T>
T *child(QWidget *tab, const char *name)
{
    return DevicePage::formWidget<T>(tab, name);
}

} // namespace

// --- both curves ------------------------------------------------------------------------------

CurvePage::CurvePage(QTabWidget *tabs, QWidget *tab, const Widgets &widgets, QObject *parent)
    : DevicePage(parent)
    , m_tabs(tabs)
    , m_tab(tab)
    , m_widgets(widgets)
    , m_defaults(CurveSet::defaults(DeviceModel()))
{
    QFrame *frame = m_widgets.smoothFrame;
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Plain);
    frame->setLineWidth(1);
    frame->setStyleSheet(QLatin1String(smoothFrameSheet));

    m_widgets.smooth->setChecked(true);
    m_widgets.curve->setCurveMode(true);
    connect(m_widgets.smooth, &QCheckBox::toggled, m_widgets.curve, &QCurve::setCurveMode);

    m_widgets.groups[0]->setChecked(true);
    for (int group = 0; group < CurveSet::GroupCount; ++group) {
        connect(m_widgets.groups[group], &QRadioButton::clicked, this,
                [this, group]() { selectGroup(group); });
    }
    connect(m_widgets.defaults, &QPushButton::clicked, this, &CurvePage::restoreShownDefault);
}

CurveSet &CurvePage::curves()
{
    Device *shown = device();
    return shown && shown->identity().answered ? shown->curves() : m_defaults;
}

const CurveSet &CurvePage::curves() const
{
    const Device *shown = device();
    return shown && shown->identity().answered ? shown->curves() : m_defaults;
}

bool CurvePage::isCurrentTab() const
{
    return m_tabs->currentWidget() == m_tab;
}

int CurvePage::checkedGroup() const
{
    for (int group = 0; group < CurveSet::GroupCount; ++group) {
        if (m_widgets.groups[group]->isChecked())
            return group;
    }
    return 0;
}

CurveSet::Points CurvePage::shownValues() const
{
    CurveSet::Points values{};
    for (int point = 0; point < CurveSet::PointCount; ++point)
        values[point] = quint16(rangeMinimum() + m_widgets.curve->points[point].value);
    return values;
}

void CurvePage::storeShownGroup()
{
    setGroupValues(curves(), m_shownGroup, shownValues());
}

CurveSet CurvePage::curvesWithShownValuesIn(int group)
{
    CurveSet set = curves();
    setGroupValues(set, group, shownValues());
    return set;
}

void CurvePage::showGroup(int group)
{
    const CurveSet::Points values = groupValues(curves(), group);
    for (int point = 0; point < CurveSet::PointCount; ++point)
        m_widgets.curve->points[point].value = values[point] - rangeMinimum();
    m_widgets.curve->setYrange(rangeMinimum(), rangeMaximum());
    m_widgets.curve->setTitleName(title(group));
    m_widgets.curve->setUpdate();
}

void CurvePage::selectGroup(int group)
{
    // A group button of a tab that is not shown changes nothing.
    if (!isCurrentTab())
        return;
    // The group being left keeps its edits.
    storeShownGroup();
    m_shownGroup = group;
    showGroup(group);
}

void CurvePage::restoreShownDefault()
{
    // Only the shown curve changes; its group receives it at the next switch.
    if (!isCurrentTab())
        return;
    for (CurvePoint &point : m_widgets.curve->points)
        point.value = defaultValue() - rangeMinimum();
    m_widgets.curve->setUpdate();
}

void CurvePage::restoreAllGroups()
{
    CurveSet::Points values;
    values.fill(quint16(defaultValue()));
    for (int group = 0; group < CurveSet::GroupCount; ++group)
        setGroupValues(curves(), group, values);
    for (CurvePoint &point : m_widgets.curve->points)
        point.value = defaultValue() - rangeMinimum();
    m_widgets.curve->setUpdate();
}

void CurvePage::showLoadedGroups(const QVector<int> &groups)
{
    if (groups.isEmpty())
        return;
    const int checked = checkedGroup();
    if (groups.contains(checked)) {
        const CurveSet::Points values = groupValues(curves(), checked);
        for (int point = 0; point < CurveSet::PointCount; ++point)
            m_widgets.curve->points[point].value = values[point] - rangeMinimum();
    }
    m_widgets.curve->setUpdate();
}

void CurvePage::showFirstGroup()
{
    // Group 1 is shown and checked again; the next switch stores the shown curve into it.
    m_widgets.groups[0]->setChecked(true);
    m_shownGroup = 0;
    showGroup(0);
}

void CurvePage::releaseDevice()
{
    storeShownGroup();
}

void CurvePage::showDevice()
{
    showGroup(m_shownGroup);
}

void CurvePage::followDevice(Device *device, QObject *context)
{
    connect(device, &Device::connectFinished, context, [this, device](ConnectStatus status) {
        if (status == ConnectStatus::Connected && device->hasRecord())
            showFirstGroup();
    });
}

void CurvePage::retranslate()
{
    setTexts();
    m_widgets.groupBox->setTitle(trWindow("选择组"));
    m_widgets.defaults->setText(trWindow("恢复本页默认值(&B)"));
    m_widgets.smooth->setText(trWindow("平滑曲线(&M)"));
    m_widgets.load->setText(trWindow("加载配置文件") + QStringLiteral("(&O)"));
    m_widgets.save->setText(trWindow("保存配置文件") + QStringLiteral("(&S)"));
    m_widgets.curve->setTitleName(title(checkedGroup()));
    // The time axis and the status text follow the language too.
    m_widgets.curve->setUpdate();
}

void CurvePage::startCurveWrite(const CurveSet::Write &write)
{
    auto *job = new CurveWriteJob(device(), write, this);
    if (!startJob(job))
        return;
    log(taskText());
    connect(job, &Job::finished, this, [this, job](const JobResult &result) {
        log(taskText() + (result.succeeded() ? trMain(" 成功") : trMain(" 失败")));
        job->deleteLater();
    });
}

// --- temperature ------------------------------------------------------------------------------

TemperatureCurvePage::TemperatureCurvePage(QTabWidget *tabs, QWidget *tab, QObject *parent)
    : CurvePage(tabs, tab,
                Widgets{child<QCurve>(tab, "wkWidget"),
                        {child<QRadioButton>(tab, "wkRadioButton1"),
                         child<QRadioButton>(tab, "wkRadioButton2"),
                         child<QRadioButton>(tab, "wkRadioButton3"),
                         child<QRadioButton>(tab, "wkRadioButton4"),
                         child<QRadioButton>(tab, "wkRadioButton5")},
                        child<QGroupBox>(tab, "wkJoinGroupBox"),
                        child<QPushButton>(tab, "wkButton"),
                        child<QFrame>(tab, "wkFrame"),
                        child<QCheckBox>(tab, "wkCheckBox"),
                        child<QPushButton>(tab, "loadWkConfigButton"),
                        child<QPushButton>(tab, "saveWkConfigButton")},
                parent)
    , m_unitBox(child<QComboBox>(tab, "tempUnitComboBox"))
    , m_unitGroup(child<QGroupBox>(tab, "wkTempGroupBox"))
{
    m_unitBox->setCurrentIndex(FahrenheitIndex);
    m_unit = TemperatureUnit::Fahrenheit;
    showGroup(0);
    setUnitTexts();
    // Connected only now, so that setting the start index above converts nothing.
    connect(m_unitBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &TemperatureCurvePage::changeUnit);
    retranslate();
}

CurveSet::Points TemperatureCurvePage::groupValues(const CurveSet &set, int group) const
{
    return set.temperaturesIn(group, m_unit);
}

void TemperatureCurvePage::setGroupValues(CurveSet &set, int group, const CurveSet::Points &values)
{
    set.setTemperaturesIn(group, values, m_unit);
}

int TemperatureCurvePage::rangeMinimum() const
{
    return CurveSet::temperatureMin(m_unit);
}

int TemperatureCurvePage::rangeMaximum() const
{
    return CurveSet::temperatureMax(m_unit);
}

int TemperatureCurvePage::defaultValue() const
{
    return CurveSet::temperatureDefault(m_unit);
}

QString TemperatureCurvePage::title(int group) const
{
    return groupTitle(QT_TRANSLATE_NOOP("MainWindow", "温度曲线"), group);
}

void TemperatureCurvePage::setTexts()
{
    m_unitGroup->setTitle(trWindow("温度单位"));
    setUnitTexts();
}

void TemperatureCurvePage::setUnitTexts()
{
    const QString unit
            = m_unit == TemperatureUnit::Fahrenheit ? QStringLiteral("℉") : QStringLiteral("℃");
    m_widgets.curve->setYAxisName(trWindow("温度值") + QLatin1Char('(') + unit + QLatin1Char(')'));
    m_widgets.curve->setUnitName(unit);
}

void TemperatureCurvePage::changeUnit(int index)
{
    const TemperatureUnit unit
            = index == CelsiusIndex ? TemperatureUnit::Celsius : TemperatureUnit::Fahrenheit;
    if (unit == m_unit)
        return;
    // The shown curve goes back into the checked group in the unit it was edited in; the group
    // is then shown in the new unit (the curves themselves stay in Fahrenheit).
    const int group = checkedGroup();
    setGroupValues(curves(), group, shownValues());
    m_unit = unit;
    showGroup(group);
    setUnitTexts();
}

void TemperatureCurvePage::writeCurve()
{
    if (!deviceConnected())
        return;
    const int group = checkedGroup();
    startCurveWrite(curvesWithShownValuesIn(group).temperatureWrite(group, m_unit));
}

// --- power ------------------------------------------------------------------------------------

PowerCurvePage::PowerCurvePage(QTabWidget *tabs, QWidget *tab, QObject *parent)
    : CurvePage(tabs, tab,
                Widgets{child<QCurve>(tab, "powerWidget"),
                        {child<QRadioButton>(tab, "powerRadioButton1"),
                         child<QRadioButton>(tab, "powerRadioButton2"),
                         child<QRadioButton>(tab, "powerRadioButton3"),
                         child<QRadioButton>(tab, "powerRadioButton4"),
                         child<QRadioButton>(tab, "powerRadioButton5")},
                        child<QGroupBox>(tab, "powerJoinGroupBox"),
                        child<QPushButton>(tab, "powerDefaultButton"),
                        child<QFrame>(tab, "powerFrame"),
                        child<QCheckBox>(tab, "powerCheckBox"),
                        child<QPushButton>(tab, "loadPowerConfigButton"),
                        child<QPushButton>(tab, "savePowerConfigButton")},
                parent)
{
    m_widgets.curve->setUnitName(QStringLiteral("W"));
    showGroup(0);
    retranslate();
}

CurveSet::Points PowerCurvePage::groupValues(const CurveSet &set, int group) const
{
    return set.powers[qBound(0, group, CurveSet::GroupCount - 1)];
}

void PowerCurvePage::setGroupValues(CurveSet &set, int group, const CurveSet::Points &values)
{
    set.setPowers(group, values);
}

int PowerCurvePage::rangeMinimum() const
{
    return curves().powerMin;
}

int PowerCurvePage::rangeMaximum() const
{
    return curves().powerMax;
}

int PowerCurvePage::defaultValue() const
{
    return curves().powerDefault();
}

QString PowerCurvePage::title(int group) const
{
    return groupTitle(QT_TRANSLATE_NOOP("MainWindow", "功率曲线"), group);
}

void PowerCurvePage::setTexts()
{
    m_widgets.curve->setYAxisName(trWindow("功率值(W)"));
    m_widgets.curve->setUnitName(QStringLiteral("W"));
}

void PowerCurvePage::followDevice(Device *device, QObject *context)
{
    CurvePage::followDevice(device, context);
    connect(device, &Device::connectFinished, context, [this](ConnectStatus status) {
        if (status == ConnectStatus::Connected)
            m_widgets.curve->setYrange(rangeMinimum(), rangeMaximum());
    });
}

void PowerCurvePage::writeCurve()
{
    if (!deviceConnected())
        return;
    bool anyChecked = false;
    for (QRadioButton *button : m_widgets.groups)
        anyChecked = anyChecked || button->isChecked();
    if (anyChecked)
        m_lastWrittenGroup = checkedGroup();
    startCurveWrite(curvesWithShownValuesIn(m_lastWrittenGroup).powerWrite(m_lastWrittenGroup));
}
