// The temperature and power curve tabs: five groups of each curve, the shown group edited in a
// curve widget, the Default buttons, smoothing and the temperature unit.

#include "app/mainwindow.h"

#include "device/session.h"
#include "parameters/units.h"
#include "parameters/widgets/qcurve.h"

#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace {

enum : int { TempCurveTab = 2, PowerCurveTab = 3 };
enum : int { CelsiusIndex = 0, FahrenheitIndex = 1 };

const quint16 fahrenheitMin = 200;
const quint16 fahrenheitMax = 600;
const quint16 celsiusMin = 100;
const quint16 celsiusMax = 315;

const char *const smoothFrameSheet = "QFrame{border-radius: 2px;background-color:lightgray;}"
                                     "QFrame:hover{background-color:rgb(80,90,100);}"
                                     "QFrame:pressed{background-color:rgb(80,90,100);}";

int indexOf(const std::array<QRadioButton *, CurveGroupCount> &buttons, const QObject *button)
{
    for (int i = 0; i < CurveGroupCount; ++i) {
        if (buttons[i] == button)
            return i;
    }
    return -1;
}

int checkedIndex(const std::array<QRadioButton *, CurveGroupCount> &buttons)
{
    for (int i = 0; i < CurveGroupCount; ++i) {
        if (buttons[i]->isChecked())
            return i;
    }
    return -1;
}

// Copies the values of a stored group into a widget; the widget keeps its own pixel columns.
void showValues(QCurve *widget, const Curve &curve)
{
    for (int p = 0; p < CurvePointCount; ++p)
        widget->points[p].value = curve[p].value;
}

void fillValues(QCurve *widget, int value)
{
    for (CurvePoint &point : widget->points)
        point.value = value;
}

void styleSmoothFrame(QFrame *frame)
{
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Plain);
    frame->setLineWidth(1);
    frame->setStyleSheet(QLatin1String(smoothFrameSheet));
}

} // namespace

std::array<QRadioButton *, 5> MainWindow::tempGroupButtons() const
{
    return {ui->wkRadioButton1, ui->wkRadioButton2, ui->wkRadioButton3, ui->wkRadioButton4,
            ui->wkRadioButton5};
}

std::array<QRadioButton *, 5> MainWindow::powerGroupButtons() const
{
    return {ui->powerRadioButton1, ui->powerRadioButton2, ui->powerRadioButton3,
            ui->powerRadioButton4, ui->powerRadioButton5};
}

QString MainWindow::tempCurveTitle(int group) const
{
    return tr("温度曲线").trimmed() + QLatin1Char('(') + QString::number(group + 1)
           + QLatin1Char(')');
}

QString MainWindow::powerCurveTitle(int group) const
{
    return tr("功率曲线").trimmed() + QLatin1Char('(') + QString::number(group + 1)
           + QLatin1Char(')');
}

void MainWindow::setTempUnitTexts()
{
    const bool fahrenheit = deviceSession().tempUnit == 1;
    const QString unit = fahrenheit ? QStringLiteral("℉") : QStringLiteral("℃");
    ui->wkWidget->setYAxisName(tr("温度值") + QLatin1Char('(') + unit + QLatin1Char(')'));
    ui->wkWidget->setUnitName(unit);
}

void MainWindow::initTempCurvePage()
{
    DeviceSession &session = deviceSession();
    QCurve *curve = ui->wkWidget;

    curve->setYAxisName(tr("温度值") + QStringLiteral("(℉)"));
    styleSmoothFrame(ui->wkFrame);
    curve->setTitleName(tempCurveTitle(0));
    fillValues(curve, session.tempDefault);

    ui->tempUnitComboBox->setCurrentIndex(FahrenheitIndex);
    session.tempUnit = quint8(ui->tempUnitComboBox->currentIndex());
    session.tempMin = session.tempUnit == 1 ? fahrenheitMin : celsiusMin;
    session.tempMax = session.tempUnit == 1 ? fahrenheitMax : celsiusMax;
    curve->setYrange(session.tempMin, session.tempMax);
    curve->setUnitName(QStringLiteral("℉"));

    ui->wkCheckBox->setChecked(true);
    curve->setCurveMode(true);
    connect(ui->wkCheckBox, SIGNAL(toggled(bool)), curve, SLOT(setCurveMode(bool)));

    ui->wkRadioButton1->setChecked(true);
    for (QRadioButton *button : tempGroupButtons())
        connect(button, SIGNAL(clicked(bool)), this, SLOT(radioButtonSelectSlots()));
    connect(ui->wkButton, SIGNAL(clicked(bool)), this, SLOT(recoverToDefaultValue()));
    // Connected only now, so that setting the start index above converts nothing.
    connect(ui->tempUnitComboBox, SIGNAL(currentIndexChanged(int)), this,
            SLOT(tempUnitChangeValue()));
    connect(ui->saveWkConfigButton, SIGNAL(clicked()), this, SLOT(saveConfigSlots()));
    connect(ui->loadWkConfigButton, SIGNAL(clicked()), this, SLOT(loadConfigSlots()));

    setTempPageTexts();
}

void MainWindow::initPowerCurvePage()
{
    const DeviceSession &session = deviceSession();
    QCurve *curve = ui->powerWidget;

    curve->setYAxisName(tr("功率值(W)"));
    styleSmoothFrame(ui->powerFrame);
    curve->setTitleName(powerCurveTitle(0));
    fillValues(curve, session.powerDefault);
    curve->setYrange(session.powerMin, session.powerMax);
    curve->setUnitName(QStringLiteral("W"));

    ui->powerCheckBox->setChecked(true);
    curve->setCurveMode(true);
    connect(ui->powerCheckBox, SIGNAL(toggled(bool)), curve, SLOT(setCurveMode(bool)));

    ui->powerRadioButton1->setChecked(true);
    for (QRadioButton *button : powerGroupButtons())
        connect(button, SIGNAL(clicked(bool)), this, SLOT(radioButtonSelectSlots()));
    connect(ui->powerDefaultButton, SIGNAL(clicked(bool)), this, SLOT(recoverToDefaultValue()));
    connect(ui->savePowerConfigButton, SIGNAL(clicked()), this, SLOT(saveConfigSlots()));
    connect(ui->loadPowerConfigButton, SIGNAL(clicked()), this, SLOT(loadConfigSlots()));

    setPowerPageTexts();
}

void MainWindow::setTempPageTexts()
{
    ui->wkButton->setText(tr("恢复本页默认值(&B)"));
    ui->wkJoinGroupBox->setTitle(tr("选择组"));
    ui->wkTempGroupBox->setTitle(tr("温度单位"));
    ui->wkCheckBox->setText(tr("平滑曲线(&M)"));
    ui->loadWkConfigButton->setText(tr("加载配置文件") + QStringLiteral("(&O)"));
    ui->saveWkConfigButton->setText(tr("保存配置文件") + QStringLiteral("(&S)"));
}

void MainWindow::setPowerPageTexts()
{
    ui->powerDefaultButton->setText(tr("恢复本页默认值(&B)"));
    ui->powerJoinGroupBox->setTitle(tr("选择组"));
    ui->powerCheckBox->setText(tr("平滑曲线(&M)"));
    ui->loadPowerConfigButton->setText(tr("加载配置文件") + QStringLiteral("(&O)"));
    ui->savePowerConfigButton->setText(tr("保存配置文件") + QStringLiteral("(&S)"));
}

void MainWindow::retranslateCurvePages()
{
    setTempPageTexts();
    setPowerPageTexts();

    ui->wkWidget->setTitleName(tempCurveTitle(qMax(0, checkedIndex(tempGroupButtons()))));
    ui->powerWidget->setTitleName(powerCurveTitle(qMax(0, checkedIndex(powerGroupButtons()))));
    setTempUnitTexts();
    ui->powerWidget->setYAxisName(tr("功率值(W)"));
    ui->powerWidget->setUnitName(QStringLiteral("W"));
    // The time axis and the status text follow the language too.
    ui->wkWidget->setUpdate();
    ui->powerWidget->setUpdate();
}

void MainWindow::radioButtonSelectSlots()
{
    QObject *button = sender();
    if (!qobject_cast<QRadioButton *>(button))
        return;

    DeviceSession &session = deviceSession();
    const Curve shownTemp = ui->wkWidget->points;
    const Curve shownPower = ui->powerWidget->points;

    switch (ui->tabWidget->currentIndex()) {
    case TempCurveTab: {
        const auto buttons = tempGroupButtons();
        const int next = indexOf(buttons, button);
        if (next < 0)
            return;
        // The group being left keeps its edits.
        session.tempCurves[qMax(0, indexOf(buttons, tempGroupButton))] = shownTemp;
        tempGroupButton = buttons[next];
        showValues(ui->wkWidget, session.tempCurves[next]);
        ui->wkWidget->setYrange(session.tempMin, session.tempMax);
        ui->wkWidget->setTitleName(tempCurveTitle(next));
        break;
    }
    case PowerCurveTab: {
        const auto buttons = powerGroupButtons();
        const int next = indexOf(buttons, button);
        if (next < 0)
            return;
        session.powerCurves[qMax(0, indexOf(buttons, powerGroupButton))] = shownPower;
        powerGroupButton = buttons[next];
        showValues(ui->powerWidget, session.powerCurves[next]);
        ui->powerWidget->setYrange(session.powerMin, session.powerMax);
        ui->powerWidget->setTitleName(powerCurveTitle(next));
        break;
    }
    default:
        break;
    }
}

void MainWindow::recoverToDefaultValue()
{
    QObject *button = sender();
    if (!qobject_cast<QPushButton *>(button))
        return;

    // Only the shown curve changes; its group receives it at the next group or unit switch.
    const DeviceSession &session = deviceSession();
    const int tab = ui->tabWidget->currentIndex();
    if (tab == TempCurveTab && button == ui->wkButton) {
        fillValues(ui->wkWidget, session.tempDefault);
        ui->wkWidget->setUpdate();
    } else if (tab == PowerCurveTab && button == ui->powerDefaultButton) {
        fillValues(ui->powerWidget, session.powerDefault);
        ui->powerWidget->setUpdate();
    }
}

void MainWindow::tempUnitChangeValue()
{
    DeviceSession &session = deviceSession();
    const int shown = qMax(0, checkedIndex(tempGroupButtons()));
    session.tempCurves[shown] = ui->wkWidget->points;

    const int index = ui->tempUnitComboBox->currentIndex();
    if (index == CelsiusIndex && session.tempUnit == 1) {
        for (Curve &curve : session.tempCurves) {
            for (CurvePoint &point : curve)
                point.value = fahrenheitToCelsius(quint16(session.tempMin + point.value));
        }
        session.tempUnit = 0;
        session.tempMin = celsiusMin;
        session.tempMax = celsiusMax;
        // The conversion clamps into the range, so no offset becomes negative.
        for (Curve &curve : session.tempCurves) {
            for (CurvePoint &point : curve)
                point.value = quint16(point.value - celsiusMin);
        }
        showValues(ui->wkWidget, session.tempCurves[shown]);
    } else if (index == FahrenheitIndex && session.tempUnit == 0) {
        for (Curve &curve : session.tempCurves) {
            for (CurvePoint &point : curve)
                point.value = celsiusToFahrenheit(quint16(session.tempMin + point.value));
        }
        session.tempUnit = 1;
        session.tempMin = fahrenheitMin;
        session.tempMax = fahrenheitMax;
        for (Curve &curve : session.tempCurves) {
            for (CurvePoint &point : curve)
                point.value = quint16(point.value - fahrenheitMin);
        }
        showValues(ui->wkWidget, session.tempCurves[shown]);
    }

    ui->wkWidget->setYrange(session.tempMin, session.tempMax);
    setTempUnitTexts();
}

void MainWindow::showFirstCurveGroups()
{
    const DeviceSession &session = deviceSession();

    // Both pages show group 1 again; the group buttons follow, so that the next switch stores
    // the shown curve into group 1 and not into the group shown before.
    ui->wkRadioButton1->setChecked(true);
    tempGroupButton = ui->wkRadioButton1;
    showValues(ui->wkWidget, session.tempCurves[0]);
    ui->wkWidget->setTitleName(tempCurveTitle(0));
    ui->wkWidget->setUpdate();

    ui->powerRadioButton1->setChecked(true);
    powerGroupButton = ui->powerRadioButton1;
    showValues(ui->powerWidget, session.powerCurves[0]);
    ui->powerWidget->setTitleName(powerCurveTitle(0));
    ui->powerWidget->setUpdate();
}
