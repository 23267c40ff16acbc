#include "device/device.h"

#include "device/devicejobs.h"
#include "device/job.h"

#include <QDeadlineTimer>
#include <QMutexLocker>
#include <QThread>

namespace {

const int metaTypes = [] {
    qRegisterMetaType<ConnectStatus>("ConnectStatus");
    qRegisterMetaType<Device *>("Device*");
    return 0;
}();

// A worker ends its job within one read slice of a cancel request; the bound only guards
// against a system call that never returns.
constexpr int WorkerJoinMs = 5000;

} // namespace

Device::Device(std::shared_ptr<HidBackend> backend, const HidDeviceInfo &entry,
               const LinkTiming &timing, QObject *parent)
    : QObject(parent)
    , m_entry(entry)
    , m_timing(timing)
    , m_link(std::move(backend))
{
    Q_UNUSED(metaTypes)
    m_identity.kind = productKindOf(entry.product);
    m_identity.productString = entry.product;
}

Device::~Device()
{
    if (m_running)
        m_running->cancel();
    if (m_worker) {
        m_worker->wait(QDeadlineTimer(WorkerJoinMs));
        QMutexLocker done(&m_workerDone);
        // The job never completes now; it is told so, so that it does not wait for itself.
        if (m_running)
            m_running->m_state = Job::Finished;
        if (!m_worker->isRunning())
            delete m_worker;
    }
    m_link.close();
}

HidDeviceInfo Device::entry() const
{
    QMutexLocker locker(&m_entryMutex);
    return m_entry;
}

QString Device::place() const
{
    const HidDeviceInfo info = entry();
    return info.location.isEmpty() ? info.path : info.location;
}

QString Device::usbSerial() const
{
    return entry().serial;
}

ProductKind Device::kind() const
{
    return productKindOf(entry().product);
}

QString Device::displayName() const
{
    const HidDeviceInfo info = entry();
    QString name = info.product.isEmpty() ? QStringLiteral("?") : info.product;
    if (m_identity.answered && productKindOf(info.product) == ProductKind::Firmware)
        name += QStringLiteral("-V") + m_identity.softwareVersion;
    return name + QStringLiteral(" \u2014 ")
           + (info.location.isEmpty() ? info.path : info.location);
}

bool Device::isAt(const HidDeviceInfo &other) const
{
    const HidDeviceInfo mine = entry();
    if (!mine.location.isEmpty() && !other.location.isEmpty())
        return mine.location == other.location;
    if (mine.path == other.path)
        return true;
    return !mine.serial.isEmpty() && mine.serial == other.serial;
}

LinkTiming Device::timing() const
{
    QMutexLocker locker(&m_entryMutex);
    return m_timing;
}

void Device::setTiming(const LinkTiming &timing)
{
    QMutexLocker locker(&m_entryMutex);
    m_timing = timing;
}

void Device::setEntry(const HidDeviceInfo &entry)
{
    bool changed = false;
    {
        QMutexLocker locker(&m_entryMutex);
        changed = entry.path != m_entry.path || entry.location != m_entry.location
                  || entry.product != m_entry.product || entry.serial != m_entry.serial;
        m_entry = entry;
    }
    // Called from the worker too: the signal goes out on the device's thread.
    if (changed)
        post([this]() { emit entryChanged(); });
}

void Device::post(std::function<void()> call)
{
    bool first = false;
    {
        QMutexLocker locker(&m_postedMutex);
        first = m_posted.empty();
        m_posted.push_back(std::move(call));
    }
    // The wake-up carries no data: what it runs is handed over under m_postedMutex. It names
    // the function rather than passing a functor, so that nothing built by the worker's code
    // crosses to the device's thread outside that lock.
    if (first)
        QMetaObject::invokeMethod(this, "runPosted", Qt::QueuedConnection);
}

void Device::runPosted()
{
    std::vector<std::function<void()>> calls;
    {
        QMutexLocker locker(&m_postedMutex);
        calls.swap(m_posted);
    }
    for (const std::function<void()> &call : calls)
        call();
}

void Device::requestConnect()
{
    m_disconnected = false;
    connectNow();
}

void Device::connectNow()
{
    if (isBusy()) {
        m_connectPending = true;
        return;
    }
    m_connectPending = false;
    delete m_connectJob;
    m_connectJob = new ConnectJob(this, this);
    m_connectJob->start();
}

void Device::disconnectDevice()
{
    m_connectPending = false;
    m_disconnected = true;
    if (m_running)
        m_running->cancel(); // the link is closed once the worker has ended
    else
        m_link.close();
    if (m_connected) {
        m_connected = false;
        emit connectionChanged(false);
    }
}

bool Device::begin(Job *job)
{
    if (m_current || m_worker)
        return false;
    m_current = job;
    m_running = job;
    m_worker = QThread::create([this, job]() {
        job->execute();
        QMutexLocker done(&m_workerDone);
        // The end comes after everything the job reported.
        post([this]() { workerFinished(); });
    });
    m_worker->setObjectName(QStringLiteral("device worker"));
    m_worker->start(QThread::InheritPriority);
    emit jobStarted(job);
    return true;
}

void Device::forgetJob(Job *job)
{
    if (m_running != job)
        return;
    if (m_worker)
        m_worker->wait(QDeadlineTimer(WorkerJoinMs));
    QMutexLocker done(&m_workerDone);
    m_running = nullptr;
}

void Device::workerFinished()
{
    {
        QMutexLocker done(&m_workerDone);
    }
    QThread *worker = m_worker;
    Job *job = m_running;
    m_worker = nullptr;
    m_running = nullptr;
    m_current = nullptr;
    if (worker) {
        // Its last step was to post this: it is ending now.
        worker->wait();
        delete worker;
    }
    // After a disconnect nothing keeps the device open.
    if (m_disconnected)
        m_link.close();
    if (job) {
        job->complete();
        emit jobFinished(job);
    }
    if (m_connectPending && !m_disconnected && !isBusy())
        connectNow();
}

void Device::applyConnection(ConnectStatus status, const DeviceIdentity &identity,
                             const ParameterRecord *record, const CurveSet *curves)
{
    const bool wasConnected = m_connected;
    switch (status) {
    case ConnectStatus::Connected:
    case ConnectStatus::BootLoaderWaiting: {
        m_connected = !m_disconnected;
        const bool sameDevice = m_identity.answered && identity.answered
                                && m_identity.id == identity.id
                                && m_identity.serial == identity.serial;
        if (identity.answered) {
            // A reply that carried the identity only says nothing new about the firmware.
            const QString knownFirmware = m_identity.firmwareVersion;
            m_identity = identity;
            if (sameDevice && identity.firmwareVersion.isEmpty())
                m_identity.firmwareVersion = knownFirmware;
            if (record && curves) {
                m_parameters = *record;
                m_curves = *curves;
                m_hasRecord = true;
            } else if (!sameDevice) {
                m_curves = CurveSet::defaults(identity.model);
                m_parameters = ParameterRecord::defaults();
                m_hasRecord = false;
            }
            m_curves.powerMin = identity.model.powerMin;
            m_curves.powerMax = qMax(identity.model.powerMin, identity.model.powerMax);
            m_pictures
                    = PictureSet(identity.screenFormat(), PictureSet::folderFor(identity.serial));
            m_pictures.loadFromFolder();
        } else {
            // A boot loader that does not answer: what it runs is known, not which device.
            m_identity = identity;
        }
        emit modelsChanged();
        break;
    }
    case ConnectStatus::NoAnswer:
        break; // the device stays open; nothing known about it changes
    case ConnectStatus::Foreign:
    case ConnectStatus::NotFound:
    case ConnectStatus::Denied:
    case ConnectStatus::Stopped:
        m_connected = false;
        if (status != ConnectStatus::Stopped)
            m_link.close();
        break;
    }
    if (m_connected != wasConnected)
        emit connectionChanged(m_connected);
    emit connectFinished(status);
}
