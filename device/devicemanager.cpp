#include "device/devicemanager.h"

#include "device/device.h"
#include "device/devicemonitor.h"

#include <QHash>
#include <QSet>
#include <QTimer>

namespace {

// How often the list is looked at where the system does not report changes.
constexpr int PollMs = 250;
// With udev reporting every change, a slow look still covers an arrival reported before its
// permissions were in place.
constexpr int SafetyPollMs = 1000;

} // namespace

DeviceManager::DeviceManager(std::shared_ptr<HidBackend> backend, QObject *parent)
    : QObject(parent)
    , m_backend(std::move(backend))
{ }

DeviceManager::~DeviceManager()
{
    // Every worker is stopped and joined while everything it uses still exists.
    for (Device *device : qAsConst(m_devices))
        delete device;
    m_devices.clear();
}

void DeviceManager::setTiming(const LinkTiming &timing)
{
    m_timing = timing;
    for (Device *device : qAsConst(m_devices))
        device->setTiming(timing);
}

void DeviceManager::start()
{
    if (!m_poll) {
        m_monitor = new DeviceMonitor(this);
        connect(m_monitor, &DeviceMonitor::deviceChanged, this, &DeviceManager::scan);
        m_poll = new QTimer(this);
        connect(m_poll, &QTimer::timeout, this, &DeviceManager::scan);
        const bool notified = m_monitor->isActive() && m_backend->changesReportedBySystem();
        m_poll->start(notified ? SafetyPollMs : PollMs);
    }
    scan();
}

Device *DeviceManager::find(const QString &name) const
{
    if (name.isEmpty())
        return nullptr;
    for (Device *device : m_devices) {
        const HidDeviceInfo entry = device->entry();
        if (entry.location == name || entry.path == name)
            return device;
    }
    for (Device *device : m_devices) {
        if (device->usbSerial() == name
            || (device->identity().answered && device->identity().serial == name))
            return device;
    }
    return nullptr;
}

void DeviceManager::scan()
{
    if (m_scanning)
        return;
    m_scanning = true;
    const QVector<HidDeviceInfo> entries = m_backend->enumerate(KorlexVendorId, KorlexProductId);
    bool foreign = false;
    QVector<HidDeviceInfo> family;
    for (const HidDeviceInfo &info : entries) {
        const ProductKind kind = productKindOf(info.product);
        if (kind == ProductKind::Foreign)
            foreign = true;
        else if (isFamily(kind))
            family.append(info);
    }

    // First by port or path, the names that stay while a device is plugged in.
    QSet<Device *> present;
    QHash<Device *, int> placed;
    QVector<bool> taken(family.size(), false);
    for (int i = 0; i < family.size(); ++i) {
        for (Device *device : qAsConst(m_devices)) {
            if (present.contains(device))
                continue;
            const HidDeviceInfo mine = device->entry();
            const bool same = !mine.location.isEmpty() && !family[i].location.isEmpty()
                                      ? mine.location == family[i].location
                                      : mine.path == family[i].path;
            if (same) {
                present.insert(device);
                placed.insert(device, i);
                taken[i] = true;
                break;
            }
        }
    }
    // A device that came back at another path (it restarted where the system names no port)
    // is the one unplaced entry with its USB serial number.
    for (Device *device : qAsConst(m_devices)) {
        const QString serial = device->usbSerial();
        if (present.contains(device) || serial.isEmpty())
            continue;
        int match = -1;
        int matches = 0;
        for (int i = 0; i < family.size(); ++i) {
            if (!taken[i] && family[i].serial == serial) {
                match = i;
                ++matches;
            }
        }
        if (matches == 1) {
            present.insert(device);
            placed.insert(device, match);
            taken[match] = true;
        }
    }
    // An idle device that restarted on its own (into its boot loader, say) is connected anew;
    // a job that runs follows its device itself.
    for (auto it = placed.cbegin(); it != placed.cend(); ++it) {
        Device *device = it.key();
        if (device->isBusy())
            continue;
        const ProductKind before = device->kind();
        device->setEntry(family[it.value()]);
        if (device->kind() != before && device->isConnected())
            device->requestConnect();
    }
    // Whatever is left while a job follows a device through a restart may be that device:
    // it is not taken for a new one until the job has ended.
    bool following = false;
    for (Device *device : qAsConst(m_devices))
        following = following || (!present.contains(device) && device->isFollowingRestart());

    bool changed = false;
    for (int i = 0; i < family.size(); ++i) {
        if (taken[i] || following)
            continue;
        auto *device = new Device(m_backend, family[i], m_timing, this);
        connect(device, &Device::jobFinished, this, &DeviceManager::scan, Qt::QueuedConnection);
        m_devices.append(device);
        present.insert(device);
        changed = true;
        emit deviceAdded(device);
    }
    // A device that has gone is let go once no job of its own runs.
    for (int i = m_devices.size() - 1; i >= 0; --i) {
        Device *device = m_devices[i];
        if (present.contains(device) || device->isBusy())
            continue;
        m_devices.removeAt(i);
        changed = true;
        emit deviceRemoved(device);
        device->deleteLater();
    }
    if (foreign && !m_foreign)
        emit foreignDeviceFound();
    m_foreign = foreign;
    m_scanning = false;
    if (changed)
        emit devicesChanged();
}
