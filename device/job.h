#ifndef DEVICE_JOB_H
#define DEVICE_JOB_H

#include "device/devicelink.h"
#include "device/jobtypes.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <atomic>

class Device;

// What became of one picture slot of a picture job.
struct SlotResult
{
    int slot = 0; // 1-based
    bool done = false;
    JobCause cause = JobCause::None;
    QString file; // the file read into or written from
    QString error; // the operating system's or the reader's reason, when there is one
};

// How a job ended: the outcome, and for a failure the cause and the step (with the block or
// picture number) it happened at, all as untranslated names. Jobs add what they found.
struct JobResult
{
    JobKind kind = JobKind::Connect;
    JobOutcome outcome = JobOutcome::Running;
    JobCause cause = JobCause::None;
    JobStep step = JobStep::None;
    int detail = 0; // block or picture number of step, counted from 1
    QString error; // the operating system's reason (a file that could not be written)

    // Picture jobs: every slot handled, in order.
    QVector<SlotResult> pictureSlots;

    // Upgrades.
    UpgradeVerdict verdict = UpgradeVerdict::None;
    int blocksSent = 0;
    int blockCount = 0;
    bool acknowledged = false; // the boot loader acknowledged the finish command
    QString firmwareBefore;
    QString firmwareAfter; // the version the device reported after it came back

    bool succeeded() const { return outcome == JobOutcome::Succeeded; }
    bool failed() const { return outcome == JobOutcome::Failed; }
    // The slots done and not done (1-based).
    QVector<int> doneSlots() const;
    QVector<int> failedSlots() const;
};
Q_DECLARE_METATYPE(JobResult)

// One operation on one device. A front end creates the job with its inputs, connects to its
// signals and starts it; the job runs on the device's worker thread and reports through its
// signals, which arrive on the thread the job lives in. A device runs one job at a time: a job
// started while another runs is refused (JobCause::Busy), and so is every job after the device
// was disconnected until it is connected again.
//
// cancel() may be called from any thread; the job then ends within one read slice (20 ms)
// as failed with JobCause::Stopped, and never opens the device again after it.
class Job : public QObject
{
    Q_OBJECT

public:
    ~Job() override;

    JobKind kind() const { return m_result.kind; }
    Device *device() const;

    // Starts the job. False when it is refused before anything is sent (busy, not connected,
    // an input that does not fit the device); result() then says why and finished() is not
    // emitted.
    bool start();
    void cancel();
    bool isRunning() const { return m_state == Running; }
    bool isFinished() const { return m_state == Finished; }
    JobPhase phase() const { return JobPhase(m_phase.load()); }
    // The result; final once finished() has been emitted (or start() has refused).
    const JobResult &result() const { return m_result; }

signals:
    void phaseChanged(JobPhase phase);
    // done of total steps (blocks, pictures); total 0 while unknown.
    void progress(int done, int total);
    void finished(const JobResult &result);

protected:
    Job(JobKind kind, Device *device, QObject *parent);

    // On the job's thread, when it starts: takes what the job needs from the device (its
    // identity, its address) and checks the inputs. A cause other than None refuses the job.
    virtual JobCause prepare();
    // On the device's worker thread: the work. Use the helpers below.
    virtual void run() = 0;
    // On the job's thread after the run, before finished() is emitted: puts what the job
    // found into the device's models.
    virtual void apply();
    // Whether the job may run on a device that is not connected (the connection itself).
    virtual bool needsConnection() const { return true; }

    // --- for run() ---------------------------------------------------------------------------
    DeviceLink &link();
    const JobControl &control() const { return m_control; }
    JobControl &control() { return m_control; }
    const LinkTiming &timing() const { return m_timing; }
    void setPhase(JobPhase phase);
    void reportProgress(int done, int total);
    // Records why the job failed; the first cause stays.
    void fail(JobCause cause, JobStep step = JobStep::None, int detail = 0,
              const QString &error = QString());
    bool hasFailed() const { return m_result.cause != JobCause::None; }
    // The cause of an exchange that did not end with an answer: the device's status reply, a
    // cancel request, the time limit, or the device gone or silent.
    static JobCause causeOf(LinkStatus status);
    // Ends the exchange's step as failed when it got no answer; true when it was answered.
    bool answered(const LinkReply &reply, JobStep step, int detail = 0);

    // Concrete jobs call this first in their destructors: a job deleted while it runs is
    // cancelled, and the worker is done with it before any of its members go.
    void stopBeforeDestruction();

    JobResult m_result;

private:
    friend class Device;
    enum State : int { Idle, Running, Finished };
    // Runs on the worker.
    void execute();
    // On the job's thread once the worker is done.
    void complete();

    QPointer<Device> m_device;
    JobControl m_control;
    LinkTiming m_timing;
    std::atomic<int> m_state{Idle};
    std::atomic<int> m_phase{int(JobPhase::Idle)};
};

#endif // DEVICE_JOB_H
