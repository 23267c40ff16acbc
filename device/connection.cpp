// The connection slots of the main window: connect, refresh, disconnect and run, the reaction
// to devices arriving and leaving, and the hand-over to the monitor program.

#include "app/mainwindow.h"

#include "device/deviceconnect.h"
#include "device/devicemonitor.h"
#include "device/jobs.h"
#include "device/monitorprogram.h"
#include "device/session.h"
#include "device/transport.h"
#include "device/usbthread.h"
#include "parameters/widgets/qcurve.h"
#include "widgets/myframe.h"

#include "ui_mainwindow.h"

#include <QPushButton>
#include <QTimer>

void MainWindow::openUsbDeviceSlots()
{
    DeviceSession &session = deviceSession();
    // While a job runs the link is the job's own (it finds the boot loader itself): the request
    // is remembered and carried out once the worker has finished.
    if (usbThreadRunning()) {
        connectPending = true;
        return;
    }
    connectPending = false;

    ++session.connectCount;
    const bool logThisRun = session.connectCount % 2 == 1;

    const ConnectResult result = connectDevice(200);

    // A device left in its boot loader (an upgrade that did not end) waits for firmware.
    const QString bootLoaderLine
            = trMain(" 设备处于引导程序中, 正在等待固件: 请选择正确的升级文件并按下载按钮恢复设备");
    switch (result) {
    case ConnectResult::BootLoaderWaiting:
        ui->nameLabel->setText(QLatin1Char(' ') + session.productString());
        setDeviceButtons(true);
        appendLog(bootLoaderLine);
        return;
    case ConnectResult::NoAnswer:
        return; // the device stays open; nothing in the window changes
    case ConnectResult::Connected:
        ui->nameLabel->setText(QLatin1Char(' ') + session.productString() + QStringLiteral("-V")
                               + session.softwareVersion);
        ui->deviceInfoFrame->refreshInfo();
        ui->powerWidget->setYrange(session.powerMin, session.powerMax);
        setDeviceButtons(true);
        setPictureButtonsEnabled(true);
        if (logThisRun)
            appendLog(trMain(" USB设备已连接 "));
        if (!session.appFirmware)
            appendLog(bootLoaderLine);
        loadCustomerPicSlots();
        if (session.infoValid == 0x55) {
            session.infoValid = 0;
            showDeviceRecord();
        }
        return;
    case ConnectResult::Foreign:
        handOverToMonitorProgram();
        return;
    case ConnectResult::NotFound:
    case ConnectResult::Denied:
        break;
    }

    ui->nameLabel->clear();
    setDeviceButtons(false);
    if (logThisRun) {
        if (result == ConnectResult::Denied)
            appendLog(trMain(" 发现USB设备, 但没有权限打开它: 请安装udev规则后重新插入设备 "));
        else
            appendLog(trMain(" USB设备未连接 "));
    }
    setPictureButtonsEnabled(false);
}

void MainWindow::freshUsbDeviceSlots()
{
    openUsbDeviceSlots();
}

void MainWindow::closeUsbDeviceSlots()
{
    // The job is asked to stop first: it gives up its exchange within one read slice, so the
    // close below never waits for a device that does not answer.
    stopUsbThread();
    connectPending = false;
    closeHidDevice();
    ui->nameLabel->clear();
    setDeviceButtons(false);
}

void MainWindow::workerFinishedSlots()
{
    if (logUpgradeVersionWhenIdle) {
        logUpgradeVersionWhenIdle = false;
        appendLog(upgradeVersionText(currentJobState()));
    }
    if (pendingJobStart) {
        const std::function<void()> start = std::move(pendingJobStart);
        pendingJobStart = nullptr;
        start();
    }
    if (connectPending && !usbThreadRunning())
        openUsbDeviceSlots();
}

void MainWindow::runWhenWorkerIdle(const std::function<void()> &start)
{
    pendingJobStart = start;
    stopUsbThread();
}

void MainWindow::runUsbDeviceSlots()
{
    ui->runButton->setEnabled(false);
}

void MainWindow::setPictureButtonsEnabled(bool enabled)
{
    if (pageDefaultButton)
        pageDefaultButton->setEnabled(enabled);
    const int count = qBound(0, int(deviceSession().pictureCount), 12);
    for (int row = 0; row < count; ++row) {
        if (picEditButtons[row])
            picEditButtons[row]->setEnabled(enabled);
        if (picDefaultButtons[row])
            picDefaultButtons[row]->setEnabled(enabled);
    }
}

void MainWindow::handOverToMonitorProgram()
{
    // The foreign device belongs to the monitor program: start it unless it runs already, then
    // make way for it. When it cannot be started the tool stays, so the user is not left with
    // nothing.
    if (!MonitorProgram::isRunning()) {
        QString error;
        if (!MonitorProgram::start(&error)) {
            appendLog(trMain(" 未能启动监控程序: ") + error);
            return;
        }
    }
    QTimer::singleShot(1, this, &MainWindow::close);
}

void MainWindow::startDeviceMonitor()
{
    if (deviceMonitor)
        return;
    deviceMonitor = new DeviceMonitor(this);
    connect(deviceMonitor, SIGNAL(deviceChanged()), this, SLOT(openUsbDeviceSlots()));
}
