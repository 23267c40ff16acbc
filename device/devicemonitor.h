#ifndef DEVICE_DEVICEMONITOR_H
#define DEVICE_DEVICEMONITOR_H

#include <QObject>

class QSocketNotifier;
struct udev;
struct udev_monitor;

// Reports HID devices arriving and leaving. On Linux it listens to udev for the hidraw
// subsystem; on Windows the window's own WM_DEVICECHANGE handling does the same job and this
// class reports nothing.
class DeviceMonitor : public QObject
{
    Q_OBJECT

public:
    explicit DeviceMonitor(QObject *parent = nullptr);
    ~DeviceMonitor() override;

    // False when the monitor could not be set up (no udev, no netlink socket).
    bool isActive() const { return m_notifier != nullptr; }

signals:
    // A hidraw device was added or removed.
    void deviceChanged();

private:
    void readEvents();

    udev *m_udev = nullptr;
    udev_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
};

#endif // DEVICE_DEVICEMONITOR_H
