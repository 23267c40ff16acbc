#include "device/devicejobs.h"

#include "catalogue/devicemodels.h"

#include <QDate>
#include <QTime>

// --- connect ----------------------------------------------------------------------------------

ConnectJob::ConnectJob(Device *device, QObject *parent)
    : Job(JobKind::Connect, device, parent)
{ }

ConnectJob::~ConnectJob()
{
    stopBeforeDestruction();
}

JobCause ConnectJob::prepare()
{
    m_entry = device()->entry();
    return JobCause::None;
}

void ConnectJob::run()
{
    setPhase(JobPhase::Connecting);
    HidDeviceInfo now;
    if (!findPlugged(*link().backend(), m_entry, &now)) {
        m_status = ConnectStatus::NotFound;
        fail(JobCause::Unplugged, JobStep::Open);
        return;
    }
    switch (link().open(now, &control())) {
    case DeviceLink::OpenResult::Opened:
        break;
    case DeviceLink::OpenResult::Foreign:
        m_status = ConnectStatus::Foreign;
        fail(JobCause::Foreign, JobStep::Open);
        return;
    case DeviceLink::OpenResult::Denied:
        m_status = ConnectStatus::Denied;
        fail(JobCause::Denied, JobStep::Open);
        return;
    case DeviceLink::OpenResult::Cancelled:
        m_status = ConnectStatus::Stopped;
        fail(JobCause::Stopped, JobStep::Open);
        return;
    case DeviceLink::OpenResult::NotFound:
    case DeviceLink::OpenResult::Other:
        m_status = ConnectStatus::NotFound;
        fail(JobCause::Unplugged, JobStep::Open);
        return;
    }
    const HidDeviceInfo opened = link().openEntry();
    device()->setEntry(opened);
    const ProductKind kind = link().openKind();

    const LinkReply reply = link().requestLong(Wire::deviceInfoRequest(), LongReply::DeviceInfo,
                                               Exchange::InfoTimeoutMs, 0, &control());
    InfoReply info;
    if (reply.answered() && parseInfoReply(reply.frame, reply.reports, &info)) {
        m_status = ConnectStatus::Connected;
        m_identity = DeviceIdentity::fromReply(kind, opened.product, info, deviceModels());
        m_hasRecord = info.hasRecord;
        if (m_hasRecord) {
            m_record = ParameterRecord::fromReply(info);
            m_curves = CurveSet::fromReply(info, m_identity.model);
        }
        return;
    }
    if (reply.status == LinkStatus::Cancelled) {
        m_status = ConnectStatus::Stopped;
        fail(JobCause::Stopped, JobStep::Info);
        return;
    }
    if (kind == ProductKind::BootLoader) {
        // A device left in its boot loader may not answer the information request at all, and
        // must still be offered the upgrade.
        m_status = ConnectStatus::BootLoaderWaiting;
        m_identity.kind = kind;
        m_identity.productString = opened.product;
        return;
    }
    m_status = ConnectStatus::NoAnswer;
    fail(reply.status == LinkStatus::NoReply ? JobCause::NoAnswer : causeOf(reply.status),
         JobStep::Info);
}

void ConnectJob::apply()
{
    device()->applyConnection(m_status, m_identity, m_hasRecord ? &m_record : nullptr,
                              m_hasRecord ? &m_curves : nullptr);
}

// --- parameters -------------------------------------------------------------------------------

ParametersWriteJob::ParametersWriteJob(Device *device, const ParameterRecord &record,
                                       QObject *parent)
    : Job(JobKind::ParametersWrite, device, parent)
    , m_record(record.forWrite())
{ }

ParametersWriteJob::~ParametersWriteJob()
{
    stopBeforeDestruction();
}

JobCause ParametersWriteJob::prepare()
{
    if (!device()->identity().answered)
        return JobCause::NotSupported;
    m_address = device()->identity().id;
    return JobCause::None;
}

void ParametersWriteJob::run()
{
    setPhase(JobPhase::Sending);
    Wire::ParameterItems items;
    for (int i = 0; i < ParameterRecord::CoilCount; ++i) {
        items.coilEnabled[i] = m_record.coilOn[i] ? 1 : 0;
        items.coilValues[i] = m_record.coilValues[i];
    }
    items.brightness = m_record.brightness;
    items.puff = m_record.puff;
    answered(link().transact(Wire::parametersFrame(m_address, items), Exchange::CommandTries,
                             Exchange::CommandTimeoutMs, &control()),
             JobStep::Parameters);
}

void ParametersWriteJob::apply()
{
    if (m_result.succeeded())
        device()->setParameters(m_record);
}

// --- curves -----------------------------------------------------------------------------------

CurveWriteJob::CurveWriteJob(Device *device, const CurveSet::Write &write, QObject *parent)
    : Job(JobKind::CurveWrite, device, parent)
    , m_write(write)
{ }

CurveWriteJob::~CurveWriteJob()
{
    stopBeforeDestruction();
}

JobCause CurveWriteJob::prepare()
{
    if (!device()->identity().answered)
        return JobCause::NotSupported;
    m_address = device()->identity().id;
    return JobCause::None;
}

void CurveWriteJob::run()
{
    setPhase(JobPhase::Sending);
    const QByteArray frame
            = m_write.temperature ? Wire::temperatureCurveFrame(m_address, m_write.unitByte,
                                                                m_write.group, m_write.points)
                                  : Wire::powerCurveFrame(m_address, m_write.group, m_write.points);
    answered(link().transact(frame, Exchange::CommandTries, Exchange::CommandTimeoutMs, &control()),
             JobStep::Curve, m_write.group + 1);
}

void CurveWriteJob::apply()
{
    if (!m_result.succeeded())
        return;
    if (m_write.temperature)
        device()->curves().setTemperaturesIn(m_write.group, m_write.points,
                                             TemperatureUnit(m_write.unitByte));
    else
        device()->curves().setPowers(m_write.group, m_write.points);
}

// --- clock ------------------------------------------------------------------------------------

ClockReadJob::ClockReadJob(Device *device, QObject *parent)
    : Job(JobKind::ClockRead, device, parent)
{ }

ClockReadJob::~ClockReadJob()
{
    stopBeforeDestruction();
}

JobCause ClockReadJob::prepare()
{
    if (!device()->identity().answered)
        return JobCause::NotSupported;
    m_address = device()->identity().id;
    return JobCause::None;
}

void ClockReadJob::run()
{
    setPhase(JobPhase::Sending);
    const LinkReply reply = link().transact(Wire::clockReadFrame(m_address), Exchange::CommandTries,
                                            Exchange::CommandTimeoutMs, &control());
    if (!answered(reply, JobStep::Clock))
        return;
    // Only the clock reply carries the clock.
    if (!clockFromReply(reply.frame, &m_clock))
        fail(JobCause::NoAnswer, JobStep::Clock);
}

QDateTime ClockReadJob::dateTime() const
{
    return QDateTime(QDate(2000 + m_clock[0], m_clock[1], m_clock[2]),
                     QTime(m_clock[3], m_clock[4], m_clock[5]));
}

ClockWriteJob::ClockWriteJob(Device *device, const QDateTime &localTime, QObject *parent)
    : Job(JobKind::ClockWrite, device, parent)
    , m_time(localTime.addMSecs(-localTime.time().msec()))
{ }

ClockWriteJob::~ClockWriteJob()
{
    stopBeforeDestruction();
}

JobCause ClockWriteJob::prepare()
{
    if (!device()->identity().answered)
        return JobCause::NotSupported;
    m_address = device()->identity().id;
    return JobCause::None;
}

void ClockWriteJob::run()
{
    setPhase(JobPhase::Sending);
    answered(link().transact(Wire::clockWriteFrame(m_address, m_time), Exchange::CommandTries,
                             Exchange::CommandTimeoutMs, &control()),
             JobStep::Clock);
}

// --- factory reset ----------------------------------------------------------------------------

FactoryResetJob::FactoryResetJob(Device *device, QObject *parent)
    : Job(JobKind::FactoryReset, device, parent)
{ }

FactoryResetJob::~FactoryResetJob()
{
    stopBeforeDestruction();
}

JobCause FactoryResetJob::prepare()
{
    if (!device()->identity().answered)
        return JobCause::NotSupported;
    m_address = device()->identity().id;
    return JobCause::None;
}

void FactoryResetJob::run()
{
    setPhase(JobPhase::Sending);
    answered(link().transact(Wire::restoreDefaultsFrame(m_address), Exchange::RestoreTries,
                             Exchange::RestoreTimeoutMs, &control()),
             JobStep::FactoryReset);
}

void FactoryResetJob::apply()
{
    // The device restarts with its factory settings: read them, whatever the reply said.
    if (m_result.cause != JobCause::Stopped)
        device()->requestConnect();
}
