#ifndef DEVICE_DEVICEMANAGER_H
#define DEVICE_DEVICEMANAGER_H

#include "device/devicelink.h"
#include "device/hidbackend.h"

#include <QObject>
#include <QVector>

#include <memory>

class Device;
class DeviceMonitor;
class QTimer;

// Lists the plugged devices of the family and gives one Device object per device, for as long
// as it is plugged in (or followed by a job through a restart). It looks again whenever the
// system reports a HID device arriving or leaving (udev on Linux) and, where no such report
// comes (other systems, the virtual device, a missing udev), at most every 250 ms.
//
// Destroying the manager stops every device's job and joins its worker before anything the
// worker uses is destroyed.
class DeviceManager : public QObject
{
    Q_OBJECT

public:
    explicit DeviceManager(std::shared_ptr<HidBackend> backend = hidBackend(),
                           QObject *parent = nullptr);
    ~DeviceManager() override;

    std::shared_ptr<HidBackend> backend() const { return m_backend; }
    LinkTiming timing() const { return m_timing; }
    // For the devices found from now on and for those already known.
    void setTiming(const LinkTiming &timing);

    // Starts watching: a scan now, then on every change.
    void start();
    // Enumerates now and updates the list.
    void scan();

    // The devices, in the order the system enumerates them.
    QVector<Device *> devices() const { return m_devices; }
    // The device named by its place (port or path), its USB serial number or its information
    // serial number; null when none matches.
    Device *find(const QString &name) const;
    // Whether the foreign device that shares the family's ids was present at the last scan.
    bool foreignPresent() const { return m_foreign; }

signals:
    void deviceAdded(Device *device);
    // The device has left the bus and runs no job; it is deleted later.
    void deviceRemoved(Device *device);
    // The foreign device has been plugged in.
    void foreignDeviceFound();
    // Any change of the list.
    void devicesChanged();

private:
    std::shared_ptr<HidBackend> m_backend;
    LinkTiming m_timing;
    QVector<Device *> m_devices;
    DeviceMonitor *m_monitor = nullptr;
    QTimer *m_poll = nullptr;
    bool m_foreign = false;
    bool m_scanning = false;
};

#endif // DEVICE_DEVICEMANAGER_H
