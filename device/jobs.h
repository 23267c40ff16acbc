#ifndef DEVICE_JOBS_H
#define DEVICE_JOBS_H

#include "device/session.h"

#include <QString>

// The long device jobs (firmware upgrade, reading all pictures, writing pictures), shared by the
// window and the command line. A front end starts a job with one of the start functions, which
// make every check before anything is sent; the job then runs on the worker thread and decides
// its own outcome (status replies, time limits, the device's restart). Front ends watch it
// through currentJobState(), polled, and the worker's QThread::finished signal.

enum class JobStart {
    Started,
    NotConnected, // no device is open
    NoImage, // no upgrade file is loaded (or it is empty)
    WrongDevice, // the upgrade file is for another device
    NothingToWrite, // no picture slot is marked for writing
    NotSupported, // the device's screen format has no such job
    Busy // the worker is still ending an earlier job; try again when it has finished
};

JobStart startUpgradeJob();
JobStart startPictureReadJob();
// Formats 0 and 1: the slots marked in pictureWriteMask; format 2: all ten slots.
JobStart startPictureWriteJob();

// The number of slots a picture write started now would handle.
int pictureWriteTotal();

// Asks the running job to stop; it ends as failed (JobCause::Stopped) within one read slice.
// Never waits.
void requestJobStop();

struct JobState
{
    int job = JobNone; // the job last started
    JobPhase phase = JobPhase::Idle;
    JobOutcome outcome = JobOutcome::Running;
    JobCause cause = JobCause::None;
    JobStep step = JobStep::None;
    int detail = 0; // block or picture number of step, counted from 1
    int progress = 0; // picture jobs: slots handled
    int total = 0; // picture jobs: slots to handle
    int blockIndex = 0; // upgrade: blocks sent
    int blockCount = 0;
    bool upgradeDone = false;
    bool verified = false; // the device came back running normal firmware after the upgrade
    QString versionAfter; // its firmware version then
    bool workerRunning = false;
};
JobState currentJobState();

// The time a job may go without progress: an upgrade of more than 0x11FFF bytes 15 s, a smaller
// one 25 s (both counted from its latest block); reading pictures 10 s, writing them 500 s.
int jobTimeLimitMs(int job, qint64 upgradeSize);

// One sentence, in the interface language, that says why a failed job failed and what to do
// next; empty for a job that did not fail.
QString jobFailureText(const JobState &state);
// The firmware version the device reported after a successful upgrade, as a log sentence.
QString upgradeVersionText(const JobState &state);

// Runs the job named by usbJob on the calling thread, as the worker does.
void runUsbJob();

// Requests picture pictureNumber (1..12) and saves it as pictureNumber.bmp in the picture
// folder; false when no usable reply arrived or the file could not be written (the slot then
// keeps the file it had).
bool readPicture(int pictureNumber);

// The folder of the connected device's pictures: <current directory>/<serial number>/, or the
// folder set with setPictureFolder(). Ends with a slash.
QString pictureFolderPath();
// Makes picture reads go to folder instead (empty: back to the serial number's folder).
void setPictureFolder(const QString &folder);

#endif // DEVICE_JOBS_H
