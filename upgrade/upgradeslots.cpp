// The upgrade page of the main window: choosing the upgrade file, starting the upgrade job and
// following it with the upgrade timer until it ends.

#include "app/mainwindow.h"

#include "catalogue/devicemodels.h"
#include "device/session.h"
#include "device/usbthread.h"
#include "upgrade/upgradefile.h"
#include "widgets/msgbox.h"

#include "ui_mainwindow.h"

#include <QFileDialog>
#include <QStandardPaths>
#include <QTimer>

namespace {

// The result texts of the upgrade job's log line and dialog.
const char *const taskName = "ROM程序升级作业";

// Images above this size are erased with the long command and get the shorter time limit.
constexpr qint64 largeImageLimitFrom = 0x11FFF;

void showTimedMessage(const QString &title, const QString &text, int ms)
{
    delete new MsgBox(title, text, ms);
}

QString taskLine()
{
    return QStringLiteral(" [") + MainWindow::trMain(taskName) + QStringLiteral("]");
}

} // namespace

void MainWindow::openBinFileSlots()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString fileName = QFileDialog::getOpenFileName(
            this, tr("打开升级文件"), folder, upgradeFileFilter(deviceSession().deviceId));
    loadBinFile(fileName);
}

void MainWindow::loadBinFile(const QString &fileName)
{
    if (fileName.isEmpty()) {
        unloadUpgradeFile();
        ui->binFilePathLineEdit->clear();
        return;
    }

    // A refused file leaves the one loaded before in place.
    switch (loadUpgradeFile(fileName)) {
    case UpgradeLoad::Unreadable:
        showTimedMessage(tr(" 提示 "), tr("打开文件失败"), 500);
        return;
    case UpgradeLoad::TooLarge:
        showTimedMessage(tr(" 提示 "), tr("升级文件过大"), 1500);
        return;
    case UpgradeLoad::Loaded:
        break;
    }

    ui->binFilePathLineEdit->setText(fileName);
    ui->downloadButton->setEnabled(true);
    ui->downloadButton->setFocus();

    const DeviceModelTable &models = deviceModels();
    const int row = models.indexOf(deviceSession().upgradeTargetId);
    if (row >= 0) {
        ui->textEdit->setText(tr("产品名称:") + models.modelProducts.value(row) + QLatin1Char('\n')
                              + tr("产品型号:") + models.modelCodes.value(row));
    }
}

void MainWindow::downloadBinfileSlots()
{
    DeviceSession &session = deviceSession();
    if (!session.deviceOpen) {
        showTimedMessage(trMain(" 提示 "), trMain(" USB设备未连接 "), 1500);
        return;
    }
    if (session.upgradeSize == 0) {
        showTimedMessage(trMain(" 提示 "), trMain("请打开升级文件"), 1500);
        return;
    }
    if (!upgradeFileFits(session.deviceId, session.upgradeTargetId)) {
        showTimedMessage(trMain(" 提示 "), trMain("升级文件与目标设备不匹配"), 1500);
        return;
    }

    // A worker that has been asked to stop may still be finishing its last frame; it must be
    // gone before this job starts, or the new job would never run.
    if (usbThreadRunning())
        stopUsbThread();
    session.setDeviceStatus(QString());

    session.usbJob = JobUpgrade;
    session.upgradeBlockIndex = 0;
    session.upgradeDone = false;
    upgradeElapsed = 0;
    upgradeSeenBlock = 0;
    upgradeAdvancedAt = 0;
    startUsbThread();
    upgradeTimer->start(100);

    taskDialog = new SendDataMsgBox;
    taskDialog->setTaskName(trMain(taskName));
    taskDialog->setProgressRange(0, session.upgradeBlockCount);
    taskDialog->setProgressPercent(0);
    taskDialog->setButtonEnabled(false);
    taskDialog->show();

    appendLog(taskLine());
}

void MainWindow::updateProgressBarValue()
{
    DeviceSession &session = deviceSession();
    upgradeTimeLimit = session.upgradeSize > largeImageLimitFrom ? 15000 : 25000;
    upgradeElapsed += 100;

    const quint16 block = session.upgradeBlockIndex;
    if (block != upgradeSeenBlock) {
        upgradeSeenBlock = block;
        upgradeAdvancedAt = upgradeElapsed;
    }

    if (taskDialog) {
        taskDialog->setProgressValue(block);
        taskDialog->setProgressPercent(block);
        taskDialog->setElapsedTime(upgradeElapsed);
    }

    const QString status = session.deviceStatus();
    if (status == QLatin1String("STOP") || upgradeElapsed - upgradeAdvancedAt > upgradeTimeLimit)
        endUpgradeWithFailure(false);
    else if (status == QLatin1String("LOWPOWER"))
        endUpgradeWithFailure(true);
    else if (session.upgradeDone)
        endUpgradeWithSuccess();
    else
        reconnectWhileRestarting();
}

void MainWindow::endUpgradeWithFailure(bool lowPower)
{
    DeviceSession &session = deviceSession();
    session.setDeviceStatus(QString());
    upgradeTimer->stop();
    // A job that timed out may still be sending; it stops between two frames. It is waited for
    // once the result has been shown, so the window does not freeze while a frame finishes.
    if (usbThreadRunning())
        session.stopRequested = true;
    session.jobProgress = 0;
    upgradeElapsed = 0;

    QString result = taskLine() + trMain(" 失败");
    if (lowPower)
        result += tr(",请保证电子烟电量充足");

    finishTaskDialog(result, 2000, !lowPower, [this, result, lowPower]() {
        DeviceSession &session = deviceSession();
        // A new job clears the request when it starts its worker; then there is nothing left
        // of this one to wait for.
        if (session.stopRequested) {
            stopUsbThread();
            session.setDeviceStatus(QString()); // the stopped job reports itself as stopped
        }
        if (lowPower)
            showTimedMessage(tr(" 升级失败"), tr("请保证电子烟设备电量充足"), 3000);
        appendLog(result);
        reconnectWhileRestarting();
    });
}

void MainWindow::endUpgradeWithSuccess()
{
    DeviceSession &session = deviceSession();
    upgradeTimer->stop();
    // The worker has sent its last frame and is returning; the reconnect below must not find
    // it still running.
    if (usbThreadRunning())
        usbThread()->wait();
    if (taskDialog) {
        taskDialog->setProgressValue(taskDialog->progressMaximum());
        taskDialog->setProgressPercent(taskDialog->progressMaximum());
    }
    session.jobProgress = 0;
    upgradeElapsed = 0;

    const QString result = taskLine() + trMain(" 成功");
    finishTaskDialog(result, 3000, true, [this, result]() {
        // The device now runs its new firmware: connect to it and read its information.
        emit reopenHidSignals();
        appendLog(result);
        reconnectWhileRestarting();
    });
}

void MainWindow::reconnectWhileRestarting()
{
    if (deviceSession().appFirmware && upgradeElapsed % 1000 == 0)
        emit reopenHidSignals();
}
