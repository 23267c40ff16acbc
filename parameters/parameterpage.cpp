// The parameter tab (brightness, puff time, coil table, clock group), the page-level read, write
// and restore-all commands of the customisation page, and the step that shows the record read
// from a newly connected device.

#include "app/mainwindow.h"
#include "parameters/units.h"

#include "device/protocol.h"
#include "device/session.h"
#include "parameters/widgets/mygroupbox.h"
#include "parameters/widgets/myslider.h"
#include "parameters/widgets/qcurve.h"

#include "ui_mainwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include <cmath>

namespace {

enum CustomisationTab : int {
    PictureTab = 0,
    ParameterTab = 1,
    TempCurveTab = 2,
    PowerCurveTab = 3
};

// The puff time travels in hundredths of a second; the slider edits whole seconds.
const int smokeTimeScale = 100;

// The values restored by the restore-all command (the brightness is not the start-up 255).
const int defaultSmokeSeconds = 10;
const int defaultLcdBright = 200;

// The coil rows that the restore-all command selects.
const int defaultSelectedRows = 3;

// The 0-based number of the first checked button, or -1 when none is checked.
int firstCheckedIndex(const std::array<QRadioButton *, CurveGroupCount> &buttons)
{
    for (int i = 0; i < CurveGroupCount; ++i) {
        if (buttons[i]->isChecked())
            return i;
    }
    return -1;
}

QString taskText()
{
    return QStringLiteral(" [") + MainWindow::trMain("写用户资源作业") + QLatin1Char(']');
}

} // namespace

void MainWindow::initParameterPage()
{
    ui->wenkongGroupBox->setDefaultValueSlots();

    ui->smokeSlider->setValueSuffix(QStringLiteral(" s"));
    ui->lcdBrightSlider->setValueSuffix(QStringLiteral(" nit"));

    retranslateParameterPage();

    // The page's own Default button restores the coil table only, not the sliders.
    connect(ui->paraButton, SIGNAL(clicked()), ui->wenkongGroupBox, SLOT(setDefaultValueSlots()));
    connect(ui->lcdBrightSlider, SIGNAL(valueChanged(int)), this, SLOT(lcdBrightValueSlots(int)));
    connect(ui->smokeSlider, SIGNAL(valueChanged(int)), this, SLOT(smokeValueChangeSlots(int)));
    connect(ui->setTimePushButton, SIGNAL(clicked()), this, SLOT(setTimeSlots()));
    connect(ui->readTimePushbutton, SIGNAL(clicked()), this, SLOT(readTimeSlots()));
    connect(ui->setTimeDefaultButton, SIGNAL(clicked()), this, SLOT(setToDefault()));

    // Shown again by the picture page for the colour screen format.
    ui->timeGroup->hide();
}

void MainWindow::retranslateParameterPage()
{
    ui->lightLlabel->setText(tr("屏幕亮度"));
    ui->smokeLabel->setText(tr("最大吸烟时间"));
    ui->paraButton->setText(trMain("恢复本页默认值(&B)"));
    // The form's re-translation puts its design-time numbers into the value labels; they show
    // what the sliders hold instead.
    lcdBrightValueSlots(ui->lcdBrightSlider->value());
    smokeValueChangeSlots(ui->smokeSlider->value());
}

void MainWindow::lcdBrightValueSlots(int value)
{
    ui->lcdBrightValueLabel->setText(QString::number(value));
}

void MainWindow::smokeValueChangeSlots(int value)
{
    ui->smokeValueLabel->setText(QString::number(value));
}

void MainWindow::writeToDeviceSlots()
{
    DeviceSession &session = deviceSession();
    if (!session.deviceOpen)
        return;

    bool sent = false;
    switch (ui->tabWidget->currentIndex()) {
    case PictureTab:
        writePicturesToDevice();
        return;
    case ParameterTab: {
        MyGroupBox *coils = ui->wenkongGroupBox;
        for (int row = 0; row < CoilRowCount; ++row) {
            session.coilEnabled[row] = coils->isRowSelected(row) ? 1 : 0;
            session.coilValues[row] = quint16(coils->coefficientValue(row));
        }
        session.smokeTime = quint16(ui->smokeSlider->value() * smokeTimeScale);
        session.lcdBright = quint16(ui->lcdBrightSlider->value());
        appendLog(taskText());
        sent = writeParameters();
        break;
    }
    case TempCurveTab: {
        for (int p = 0; p < CurvePointCount; ++p)
            session.tempCurvePoints[p] = quint16(session.tempMin + ui->wkWidget->points[p].value);
        session.tempCurveNo = quint8(qMax(0, firstCheckedIndex(tempGroupButtons())));
        session.tempUnit = quint8(ui->tempUnitComboBox->currentIndex());
        appendLog(taskText());
        sent = writeTempCurve();
        break;
    }
    case PowerCurveTab: {
        for (int p = 0; p < CurvePointCount; ++p) {
            session.powerCurvePoints[p]
                    = quint16(session.powerMin + ui->powerWidget->points[p].value);
        }
        // With no group checked the curve goes to the group of the previous write.
        const int group = firstCheckedIndex(powerGroupButtons());
        if (group >= 0)
            session.powerCurveNo = quint8(group);
        appendLog(taskText());
        sent = writePowerCurve();
        break;
    }
    default:
        return;
    }
    appendLog(taskText() + (sent ? trMain(" 成功") : trMain(" 失败")));
}

void MainWindow::readFromDeviceSlots()
{
    // The parameters and curves come only with the device information at connection time;
    // the page-level read fetches the pictures of the monochrome formats.
    const DeviceSession &session = deviceSession();
    if (!session.deviceOpen)
        return;
    const int format = session.screenFormat;
    if (format != 0 && format != 1)
        return;
    if (ui->tabWidget->currentIndex() == PictureTab)
        readPicturesFromDevice();
}

void MainWindow::setTimeSlots()
{
    appendLog(writeClock() ? QStringLiteral("设置时间成功") : QStringLiteral("设置时间失败"));
}

void MainWindow::readTimeSlots()
{
    if (!readClock()) {
        appendLog(QStringLiteral(" 读取时间失败"));
        return;
    }
    const std::array<quint8, 6> clock = deviceSession().deviceClock();
    appendLog(QStringLiteral(" %1-%2-%3  %4:%5:%6")
                      .arg(clock[0])
                      .arg(clock[1])
                      .arg(clock[2])
                      .arg(clock[3])
                      .arg(clock[4])
                      .arg(clock[5]));
}

void MainWindow::setToDefault()
{
    if (!deviceSession().deviceOpen) {
        appendLog(QStringLiteral(" 设备未连接!"));
        return;
    }
    appendLog(restoreDefaults() ? QStringLiteral(" 恢复出厂设置成功!")
                                : QStringLiteral(" 恢复出厂设置失败!"));
    // The device restarts with its factory settings: connect again to show them.
    QTimer::singleShot(2, this, [this]() { emit reopenHidSignals(); });
}

void MainWindow::resetAllSlots()
{
    DeviceSession &session = deviceSession();

    const int format = session.screenFormat;
    if (format >= 0 && format <= 2) {
        QStringList files;
        const int count = qBound(0, int(session.pictureCount), int(MaxPictureSlots));
        for (int slot = 0; slot < count; ++slot)
            files.append(defaultPicturePaths[format][slot]);
        session.setPictureFiles(files);
        loadEditPicSlots();
    }

    MyGroupBox *coils = ui->wenkongGroupBox;
    coils->setDefaultValueSlots();
    for (int row = 0; row < defaultSelectedRows; ++row)
        coils->setRowSelected(row, true);
    // A programmatic check is no user click: copy the selection into the record here.
    coils->getValueSlots();

    ui->smokeSlider->setValue(defaultSmokeSeconds);
    ui->lcdBrightSlider->setValue(defaultLcdBright);

    for (Curve &curve : session.tempCurves) {
        for (CurvePoint &point : curve)
            point.value = session.tempDefault;
    }
    for (CurvePoint &point : ui->wkWidget->points)
        point.value = session.tempDefault;
    for (Curve &curve : session.powerCurves) {
        for (CurvePoint &point : curve)
            point.value = session.powerDefault;
    }
    for (CurvePoint &point : ui->powerWidget->points)
        point.value = session.powerDefault;
    ui->wkWidget->setUpdate();
    ui->powerWidget->setUpdate();

    session.pictureWriteMask = 0x0FFF;
}

void MainWindow::showDeviceRecord()
{
    DeviceSession &session = deviceSession();

    // Each coefficient change copies the whole table into the record, so the values read from
    // the device are taken first and put back once the widgets show them.
    const std::array<quint16, CoilRowCount> coilValues = session.coilValues;
    const std::array<quint8, CoilRowCount> coilEnabled = session.coilEnabled;
    MyGroupBox *coils = ui->wenkongGroupBox;
    for (int row = 0; row < CoilRowCount; ++row)
        coils->setCoefficientValue(row, coilValues[row]);
    ui->lcdBrightSlider->setValue(session.lcdBright);
    // What the slider shows is what a write sends back: a reported time outside its range is
    // shown at the nearest end, and the log says so.
    const int seconds = puffSecondsFromDevice(session.smokeTime);
    const int shown = qBound(ui->smokeSlider->minimum(), seconds, ui->smokeSlider->maximum());
    ui->smokeSlider->setValue(shown);
    if (shown != seconds) {
        appendLog(trMain(" 设备报告的抽吸时间为 %1 秒, 超出范围, 显示为 %2 秒")
                          .arg(seconds)
                          .arg(shown));
    }
    for (int row = 0; row < CoilRowCount; ++row)
        coils->setRowSelected(row, coilEnabled[row] != 0);
    session.coilValues = coilValues;
    session.coilEnabled = coilEnabled;

    showFirstCurveGroups();
}
