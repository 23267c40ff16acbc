// The window's side of the picture jobs: starting the read and the write on the worker thread,
// the task dialog, and the 100 ms polling that ends each job.

#include "app/mainwindow.h"

#include "device/session.h"
#include "device/usbthread.h"
#include "widgets/msgbox.h"

#include <QTimer>

namespace {

constexpr int pollIntervalMs = 100;
constexpr int readTimeLimitMs = 10000;
constexpr int writeTimeLimitMs = 500000;
constexpr int resultPauseMs = 2000;

QString taskName()
{
    return MainWindow::trMain("写用户资源作业");
}

// The marked slots among the first count.
int markedSlots(quint16 mask, int count)
{
    int marked = 0;
    for (int slot = 0; slot < count; ++slot) {
        if (mask & (1u << slot))
            ++marked;
    }
    return marked;
}

// How a polled picture job stands.
enum class JobState { Running, Succeeded, Failed };

// A job has ended once the worker has set the job code back and returned. It succeeded when it
// handled at least one slot and no slot failed.
JobState pollJob(int elapsedMs, int limitMs)
{
    const DeviceSession &session = deviceSession();
    const bool ended = session.usbJob == JobNone && !usbThreadRunning();
    if (!ended)
        return elapsedMs > limitMs ? JobState::Failed : JobState::Running;
    if (session.jobProgress == 0 || session.jobResult() == QLatin1String("false"))
        return JobState::Failed;
    return JobState::Succeeded;
}

} // namespace

void MainWindow::readPicturesFromDevice()
{
    DeviceSession &session = deviceSession();
    const int format = session.screenFormat;
    if (!session.deviceOpen || (format != 0 && format != 1) || taskDialog)
        return;

    // A job that outlived its time limit is asked to stop first: a running worker would not
    // take the new job.
    stopUsbThread();
    session.setJobResult(QString());
    session.jobProgress = 0;
    readPicElapsed = 0;
    session.usbJob = JobReadPictures;
    startUsbThread();
    readPicTimer->start(pollIntervalMs);

    taskDialog = new SendDataMsgBox;
    taskDialog->setTaskName(taskName());
    taskDialog->setProgressRange(0, int(session.pictureCount) - 1);
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

    const JobState state = pollJob(readPicElapsed, readTimeLimitMs);
    if (state == JobState::Running)
        return;
    readPicTimer->stop();

    // Whatever arrived has been saved: show it, also after a partly failed read. After a
    // time-out the worker may still be storing pictures; the page waits for a later refresh.
    if (session.usbJob == JobNone && !usbThreadRunning())
        loadEditPicSlots();

    QString result;
    if (state == JobState::Succeeded) {
        if (taskDialog) {
            taskDialog->setProgressValue(taskDialog->progressMaximum());
            taskDialog->setProgressPercent(taskDialog->progressMaximum());
        }
        result = trMain(" 读资源成功!");
    } else {
        result = trMain(" 读资源失败!");
    }
    finishTaskDialog(result, resultPauseMs, true, [this, result]() {
        deviceSession().jobProgress = 0;
        readPicElapsed = 0;
        appendLog(result);
    });
}

void MainWindow::writePicturesToDevice()
{
    DeviceSession &session = deviceSession();
    if (!session.deviceOpen || taskDialog)
        return;
    const int format = session.screenFormat;

    int total = 0;
    if (format == 0 || format == 1) {
        total = markedSlots(session.pictureWriteMask, qBound(0, int(session.pictureCount), 12));
        if (total == 0)
            return; // nothing marked since the last write
    } else if (format == 2) {
        total = session.pictureCount;
    } else {
        return;
    }

    // The worker takes a new job only when idle; a job still running after its time limit is
    // asked to stop between frames before the fields are handed over.
    stopUsbThread();
    session.setJobResult(QString());
    session.jobProgress = 0;
    if (format == 2)
        session.pictureWriteMask = 0xFFFF;
    writePicElapsed = 0;
    session.usbJob = JobWritePictures;

    taskDialog = new SendDataMsgBox;
    taskDialog->setTaskName(taskName());
    taskDialog->setProgressRange(0, total);
    taskDialog->setProgressPercent(0);
    taskDialog->setButtonEnabled(false);
    taskDialog->show();
    appendLog(QStringLiteral(" [") + taskName() + QLatin1Char(']'));

    startUsbThread();
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

    const JobState state = pollJob(writePicElapsed, writeTimeLimitMs);
    if (state == JobState::Running)
        return;
    writePicTimer->stop();

    QString result;
    if (state == JobState::Succeeded) {
        if (taskDialog) {
            taskDialog->setProgressValue(taskDialog->progressMaximum());
            taskDialog->setProgressPercent(taskDialog->progressMaximum());
        }
        result = trMain(" 设置成功!");
    } else {
        result = trMain(" 设置失败!");
    }
    finishTaskDialog(result, resultPauseMs, true, [this, result]() {
        deviceSession().jobProgress = 0;
        writePicElapsed = 0;
        appendLog(result);
    });
}
