// The window's side of the picture jobs: starting the read and the write on the worker thread,
// the task dialog, and the 100 ms polling that ends each job.

#include "app/mainwindow.h"

#include "device/jobs.h"
#include "device/session.h"
#include "device/usbthread.h"
#include "widgets/msgbox.h"

#include <QTimer>

namespace {

constexpr int pollIntervalMs = 100;
constexpr int resultPauseMs = 2000;

QString taskName()
{
    return MainWindow::trMain("写用户资源作业");
}

// How a polled picture job stands: the job decides (see device/jobs.h), the window shows it.
JobOutcome pictureJobOutcome(int job)
{
    const JobState state = currentJobState();
    return state.job == job ? state.outcome : JobOutcome::Running;
}

} // namespace

void MainWindow::readPicturesFromDevice()
{
    if (taskDialog)
        return;
    switch (startPictureReadJob()) {
    case JobStart::Started:
        break;
    case JobStart::Busy:
        runWhenWorkerIdle([this]() { readPicturesFromDevice(); });
        return;
    default:
        return;
    }
    readPicElapsed = 0;
    readPicTimer->start(pollIntervalMs);

    taskDialog = new SendDataMsgBox;
    taskDialog->setTaskName(taskName());
    taskDialog->setProgressRange(0, int(deviceSession().pictureCount) - 1);
    taskDialog->setProgressPercent(0);
    taskDialog->setButtonEnabled(false);
    taskDialog->show();

    appendLog(QLatin1Char('[') + taskName() + QLatin1Char(']'));
}

void MainWindow::loadReadPicSlots()
{
    DeviceSession &session = deviceSession();
    readPicElapsed += pollIntervalMs;
    if (taskDialog) {
        taskDialog->setProgressValue(session.jobProgress);
        taskDialog->setProgressPercent(session.jobProgress);
        taskDialog->setElapsedTime(readPicElapsed);
    }

    const JobOutcome outcome = pictureJobOutcome(JobReadPictures);
    if (outcome == JobOutcome::Running)
        return;
    readPicTimer->stop();

    // Whatever arrived has been saved: show it, also after a partly failed read.
    loadEditPicSlots();

    QString result;
    QString cause;
    if (outcome == JobOutcome::Succeeded) {
        if (taskDialog) {
            taskDialog->setProgressValue(taskDialog->progressMaximum());
            taskDialog->setProgressPercent(taskDialog->progressMaximum());
        }
        result = trMain(" 读资源成功!");
    } else {
        result = trMain(" 读资源失败!");
        cause = jobFailureText(currentJobState());
    }
    finishTaskDialog(result, resultPauseMs, true, [this, result, cause]() {
        deviceSession().jobProgress = 0;
        readPicElapsed = 0;
        appendLog(result);
        if (!cause.isEmpty())
            appendLog(cause);
    });
}

void MainWindow::writePicturesToDevice()
{
    if (taskDialog)
        return;
    const int total = pictureWriteTotal();
    switch (startPictureWriteJob()) {
    case JobStart::Started:
        break;
    case JobStart::Busy:
        runWhenWorkerIdle([this]() { writePicturesToDevice(); });
        return;
    default:
        return; // nothing marked since the last write, or no pictures on this device
    }
    writePicElapsed = 0;

    taskDialog = new SendDataMsgBox;
    taskDialog->setTaskName(taskName());
    taskDialog->setProgressRange(0, total);
    taskDialog->setProgressPercent(0);
    taskDialog->setButtonEnabled(false);
    taskDialog->show();
    appendLog(QStringLiteral(" [") + taskName() + QLatin1Char(']'));

    writePicTimer->start(pollIntervalMs);
}

void MainWindow::checkWritePicSlots()
{
    DeviceSession &session = deviceSession();
    writePicElapsed += pollIntervalMs;
    if (taskDialog) {
        taskDialog->setProgressValue(session.jobProgress);
        taskDialog->setProgressPercent(session.jobProgress);
        taskDialog->setElapsedTime(writePicElapsed);
    }

    const JobOutcome outcome = pictureJobOutcome(JobWritePictures);
    if (outcome == JobOutcome::Running)
        return;
    writePicTimer->stop();

    QString result;
    QString cause;
    if (outcome == JobOutcome::Succeeded) {
        if (taskDialog) {
            taskDialog->setProgressValue(taskDialog->progressMaximum());
            taskDialog->setProgressPercent(taskDialog->progressMaximum());
        }
        result = trMain(" 设置成功!");
    } else {
        result = trMain(" 设置失败!");
        cause = jobFailureText(currentJobState());
    }
    finishTaskDialog(result, resultPauseMs, true, [this, result, cause]() {
        deviceSession().jobProgress = 0;
        writePicElapsed = 0;
        appendLog(result);
        if (!cause.isEmpty())
            appendLog(cause);
    });
}
