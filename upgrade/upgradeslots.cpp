// The upgrade page of the main window: choosing the upgrade file, starting the upgrade job and
// following it with the upgrade timer until it ends.

#include "app/mainwindow.h"

#include "catalogue/devicemodels.h"
#include "device/jobs.h"
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
    switch (startUpgradeJob()) {
    case JobStart::NotConnected:
        showTimedMessage(trMain(" 提示 "), trMain(" USB设备未连接 "), 1500);
        return;
    case JobStart::NoImage:
        showTimedMessage(trMain(" 提示 "), trMain("请打开升级文件"), 1500);
        return;
    case JobStart::WrongDevice:
        showTimedMessage(trMain(" 提示 "), trMain("升级文件与目标设备不匹配"), 1500);
        return;
    case JobStart::Busy:
        // The worker is still ending the previous job; this one starts once it has.
        runWhenWorkerIdle([this]() { downloadBinfileSlots(); });
        return;
    case JobStart::NothingToWrite:
    case JobStart::NotSupported:
        return;
    case JobStart::Started:
        break;
    }

    upgradeElapsed = 0;
    upgradeTimer->start(100);

    taskDialog = new SendDataMsgBox;
    taskDialog->setTaskName(trMain(taskName));
    taskDialog->setProgressRange(0, deviceSession().upgradeBlockCount);
    taskDialog->setProgressPercent(0);
    taskDialog->setButtonEnabled(false);
    taskDialog->show();

    appendLog(taskLine());
}

void MainWindow::updateProgressBarValue()
{
    DeviceSession &session = deviceSession();
    upgradeTimeLimit = jobTimeLimitMs(JobUpgrade, session.upgradeSize);
    upgradeElapsed += 100;

    const JobState job = currentJobState();
    // The job opens the boot loader itself; the device bar shows it as soon as it has.
    if (job.job == JobUpgrade && !session.appFirmware && session.deviceOpen) {
        const QString shown = QLatin1Char(' ') + session.productString();
        if (ui->nameLabel->text() != shown)
            ui->nameLabel->setText(shown);
    }
    if (taskDialog) {
        taskDialog->setProgressValue(job.blockIndex);
        taskDialog->setProgressPercent(job.blockIndex);
        taskDialog->setElapsedTime(upgradeElapsed);
    }

    // The job decides its outcome (status replies, its time limit, the device's restart); the
    // window shows it.
    if (job.job == JobUpgrade && job.outcome == JobOutcome::Failed)
        endUpgradeWithFailure(job.cause == JobCause::LowPower);
    else if (job.job == JobUpgrade && job.upgradeDone)
        endUpgradeWithSuccess();
    else
        reconnectWhileRestarting();
}

void MainWindow::endUpgradeWithFailure(bool lowPower)
{
    DeviceSession &session = deviceSession();
    const QString cause = jobFailureText(currentJobState());
    session.setDeviceStatus(QString());
    upgradeTimer->stop();
    session.jobProgress = 0;
    upgradeElapsed = 0;

    QString result = taskLine() + trMain(" 失败");
    if (lowPower)
        result += tr(",请保证电子烟电量充足");

    finishTaskDialog(result, 2000, !lowPower, [this, result, cause, lowPower]() {
        if (lowPower)
            showTimedMessage(tr(" 升级失败"), tr("请保证电子烟设备电量充足"), 3000);
        appendLog(result);
        appendLog(cause);
        // A device left in its boot loader is connected again, so that the bar shows it and
        // the log says how to recover it.
        if (!deviceSession().appFirmware)
            openUsbDeviceSlots();
        reconnectWhileRestarting();
    });
}

void MainWindow::endUpgradeWithSuccess()
{
    DeviceSession &session = deviceSession();
    upgradeTimer->stop();
    if (taskDialog) {
        taskDialog->setProgressValue(taskDialog->progressMaximum());
        taskDialog->setProgressPercent(taskDialog->progressMaximum());
    }
    session.jobProgress = 0;
    upgradeElapsed = 0;

    const QString result = taskLine() + trMain(" 成功");
    finishTaskDialog(result, 3000, true, [this, result]() {
        // The device now runs its new firmware: connect to it and read its information (once
        // the job has seen it come back).
        emit reopenHidSignals();
        appendLog(result);
        if (usbThreadRunning())
            logUpgradeVersionWhenIdle = true;
        else
            appendLog(upgradeVersionText(currentJobState()));
        reconnectWhileRestarting();
    });
}

void MainWindow::reconnectWhileRestarting()
{
    if (deviceSession().appFirmware && upgradeElapsed % 1000 == 0)
        emit reopenHidSignals();
}
