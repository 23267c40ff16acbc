#include "device/job.h"

#include "device/device.h"

namespace {

const int metaTypes = [] {
    qRegisterMetaType<JobPhase>("JobPhase");
    qRegisterMetaType<JobResult>("JobResult");
    return 0;
}();

} // namespace

QVector<int> JobResult::doneSlots() const
{
    QVector<int> done;
    for (const SlotResult &slot : pictureSlots) {
        if (slot.done)
            done.append(slot.slot);
    }
    return done;
}

QVector<int> JobResult::failedSlots() const
{
    QVector<int> failed;
    for (const SlotResult &slot : pictureSlots) {
        if (!slot.done)
            failed.append(slot.slot);
    }
    return failed;
}

Job::Job(JobKind kind, Device *device, QObject *parent)
    : QObject(parent)
    , m_device(device)
{
    Q_UNUSED(metaTypes)
    m_result.kind = kind;
}

Job::~Job()
{
    stopBeforeDestruction();
}

void Job::stopBeforeDestruction()
{
    // A job deleted while it runs is stopped first: the worker must be done with it.
    if (m_state == Running && m_device) {
        cancel();
        m_device->forgetJob(this);
    }
    m_state = Finished;
}

Device *Job::device() const
{
    return m_device.data();
}

bool Job::start()
{
    if (m_state != Idle)
        return false;
    const JobKind kind = m_result.kind;
    m_result = JobResult();
    m_result.kind = kind;
    const auto refuse = [this](JobCause cause) {
        m_result.cause = cause;
        m_result.outcome = JobOutcome::Failed;
        m_state = Finished;
        return false;
    };
    Device *target = m_device.data();
    if (!target)
        return refuse(JobCause::NotConnected);
    if (target->isBusy())
        return refuse(JobCause::Busy);
    if (needsConnection() && (!target->isConnected() || target->isDisconnected()))
        return refuse(JobCause::NotConnected);
    if (m_control.cancelled())
        return refuse(JobCause::Stopped);
    if (const JobCause cause = prepare(); cause != JobCause::None)
        return refuse(cause);
    m_timing = target->timing();
    m_control.setSliceMs(m_timing.sliceMs);
    m_state = Running;
    if (!target->begin(this)) {
        m_state = Idle;
        return refuse(JobCause::Busy);
    }
    return true;
}

void Job::cancel()
{
    m_control.cancel();
}

JobCause Job::prepare()
{
    return JobCause::None;
}

void Job::apply() { }

DeviceLink &Job::link()
{
    return m_device->link();
}

void Job::setPhase(JobPhase phase)
{
    if (m_phase.exchange(int(phase)) == int(phase))
        return;
    // Reported on the device's thread (the job cannot go while it runs; once it has ended
    // the pointer tells whether it is still there).
    m_device->post([job = QPointer<Job>(this), phase]() {
        if (job)
            emit job->phaseChanged(phase);
    });
}

void Job::reportProgress(int done, int total)
{
    m_device->post([job = QPointer<Job>(this), done, total]() {
        if (job)
            emit job->progress(done, total);
    });
}

void Job::fail(JobCause cause, JobStep step, int detail, const QString &error)
{
    if (m_result.cause != JobCause::None || cause == JobCause::None)
        return;
    m_result.cause = cause;
    m_result.step = step;
    m_result.detail = detail;
    m_result.error = error;
}

JobCause Job::causeOf(LinkStatus status)
{
    switch (status) {
    case LinkStatus::Answered:
        return JobCause::None;
    case LinkStatus::Stop:
        return JobCause::DeviceStop;
    case LinkStatus::LowPower:
        return JobCause::LowPower;
    case LinkStatus::Cancelled:
        return JobCause::Stopped;
    case LinkStatus::TimedOut:
        return JobCause::TimeLimit;
    case LinkStatus::Gone:
    case LinkStatus::NotOpen:
        return JobCause::Unplugged;
    case LinkStatus::OtherStatus:
    case LinkStatus::NoReply:
        return JobCause::NoAnswer;
    }
    return JobCause::NoAnswer;
}

bool Job::answered(const LinkReply &reply, JobStep step, int detail)
{
    if (reply.answered())
        return true;
    fail(causeOf(reply.status), step, detail);
    return false;
}

void Job::execute()
{
    run();
    if (m_result.outcome == JobOutcome::Running)
        m_result.outcome = hasFailed() ? JobOutcome::Failed : JobOutcome::Succeeded;
    setPhase(JobPhase::Idle);
}

void Job::complete()
{
    apply();
    m_state = Finished;
    emit finished(m_result);
}
