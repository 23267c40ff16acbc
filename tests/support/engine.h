#ifndef TESTS_SUPPORT_ENGINE_H
#define TESTS_SUPPORT_ENGINE_H

#include "device/device.h"
#include "device/devicemanager.h"
#include "device/job.h"
#include "upgrade/upgradefile.h"
#include "virtualdevice/virtualdevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>

#include <memory>

// An upgrade image made for a device identifier.
inline UpgradeImage imageFor(quint16 target, const QByteArray &bytes)
{
    UpgradeImage image;
    UpgradeImage::fromBytes(
            bytes + QByteArray(1, char(target >> 8)) + QByteArray(1, char(target & 0xFF)), &image);
    return image;
}

// How many frames with that command code the virtual device received.
inline int framesWithCode(const VirtualDevice &device, quint8 code)
{
    int count = 0;
    for (const QByteArray &frame : device.receivedFrames())
        count += quint8(frame[3]) == code ? 1 : 0;
    return count;
}

// Turns the event loop until done() holds or timeoutMs have passed.
template<typename Done>
bool spinUntil(Done done, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Starts the job and turns the event loop until it has finished. False when it was refused or
// did not end within timeoutMs.
inline bool runJob(Job &job, int timeoutMs = 15000)
{
    if (!job.start())
        return false;
    return spinUntil([&job]() { return job.isFinished(); }, timeoutMs);
}

// Virtual devices on a bus of their own and a device manager watching it, with short waits.
struct VirtualRig
{
    std::shared_ptr<VirtualBus> bus = std::make_shared<VirtualBus>();
    std::unique_ptr<DeviceManager> manager;

    explicit VirtualRig(int bootRoundMs = 50)
    {
        manager = std::make_unique<DeviceManager>(bus);
        LinkTiming timing;
        timing.bootWaitRoundMs = bootRoundMs;
        manager->setTiming(timing);
    }

    static VirtualDevice::Settings settingsFor(quint16 id, quint32 serial = 0xc0ffee01,
                                               int restartMs = 60)
    {
        VirtualDevice::Settings settings;
        settings.id = id;
        settings.serial = serial;
        settings.restartDelayMs = restartMs;
        settings.eraseDelayMs = 5;
        return settings;
    }

    std::shared_ptr<VirtualDevice> plug(const VirtualDevice::Settings &settings)
    {
        auto device = std::make_shared<VirtualDevice>(settings);
        bus->addDevice(device);
        return device;
    }

    // Finds the device of a port and connects it; null when it does not connect.
    Device *connect(const QString &place, ConnectStatus expected = ConnectStatus::Connected)
    {
        manager->scan();
        Device *device = manager->find(place);
        if (!device)
            return nullptr;
        QSignalSpy done(device, &Device::connectFinished);
        device->requestConnect();
        if (!spinUntil([&done]() { return !done.isEmpty(); }, 5000))
            return nullptr;
        return done.first().first().value<ConnectStatus>() == expected ? device : nullptr;
    }
};

#endif // TESTS_SUPPORT_ENGINE_H
