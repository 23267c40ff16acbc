#ifndef DEVICE_DEVICEJOBS_H
#define DEVICE_DEVICEJOBS_H

#include "device/commands.h"
#include "device/device.h"
#include "device/job.h"
#include "parameters/curveset.h"
#include "parameters/parameterrecord.h"

#include <QDateTime>

#include <array>

// Opens the device at its place and reads its information, with its parameters and curves when
// the reply carries them. Devices run it for requestConnect(); it is the one connection.
class ConnectJob : public Job
{
    Q_OBJECT

public:
    explicit ConnectJob(Device *device, QObject *parent = nullptr);
    ~ConnectJob() override;
    ConnectStatus status() const { return m_status; }
    const DeviceIdentity &identity() const { return m_identity; }

protected:
    bool needsConnection() const override { return false; }
    JobCause prepare() override;
    void run() override;
    void apply() override;

private:
    HidDeviceInfo m_entry;
    ConnectStatus m_status = ConnectStatus::NotFound;
    DeviceIdentity m_identity;
    bool m_hasRecord = false;
    ParameterRecord m_record;
    CurveSet m_curves;
};

// Writes the parameter record (as ParameterRecord::forWrite() makes it).
class ParametersWriteJob : public Job
{
    Q_OBJECT

public:
    ParametersWriteJob(Device *device, const ParameterRecord &record, QObject *parent = nullptr);
    ~ParametersWriteJob() override;
    const ParameterRecord &written() const { return m_record; }

protected:
    JobCause prepare() override;
    void run() override;
    void apply() override;

private:
    ParameterRecord m_record;
    quint16 m_address = 0;
};

// Writes one curve group (as CurveSet::temperatureWrite() or powerWrite() makes it).
class CurveWriteJob : public Job
{
    Q_OBJECT

public:
    CurveWriteJob(Device *device, const CurveSet::Write &write, QObject *parent = nullptr);
    ~CurveWriteJob() override;
    const CurveSet::Write &written() const { return m_write; }

protected:
    JobCause prepare() override;
    void run() override;
    void apply() override;

private:
    CurveSet::Write m_write;
    quint16 m_address = 0;
};

// Reads the device's clock.
class ClockReadJob : public Job
{
    Q_OBJECT

public:
    explicit ClockReadJob(Device *device, QObject *parent = nullptr);
    ~ClockReadJob() override;
    // Year (two digits), month, day, hour, minute, second.
    std::array<quint8, 6> clock() const { return m_clock; }
    // The same as a date and time (invalid when the device sent an impossible one).
    QDateTime dateTime() const;

protected:
    JobCause prepare() override;
    void run() override;

private:
    quint16 m_address = 0;
    std::array<quint8, 6> m_clock{};
};

// Sets the device's clock to the given local time.
class ClockWriteJob : public Job
{
    Q_OBJECT

public:
    ClockWriteJob(Device *device, const QDateTime &localTime, QObject *parent = nullptr);
    ~ClockWriteJob() override;
    QDateTime time() const { return m_time; }

protected:
    JobCause prepare() override;
    void run() override;

private:
    QDateTime m_time;
    quint16 m_address = 0;
};

// Restores the device's factory settings; the device is connected again afterwards, so that
// its models show them.
class FactoryResetJob : public Job
{
    Q_OBJECT

public:
    explicit FactoryResetJob(Device *device, QObject *parent = nullptr);
    ~FactoryResetJob() override;

protected:
    JobCause prepare() override;
    void run() override;
    void apply() override;

private:
    quint16 m_address = 0;
};

#endif // DEVICE_DEVICEJOBS_H
