#include "device/hidbackend.h"

#include "device/frame.h"
#include "virtualdevice/virtualbusserver.h"
#include "virtualdevice/virtualdevice.h"

#include <QMutex>
#include <QMutexLocker>

#include <cstdio>

#include <hidapi.h>

#ifdef Q_OS_LINUX
#include <libudev.h>
#endif

namespace {

class HidapiDevice : public HidDevice
{
public:
    explicit HidapiDevice(hid_device *handle)
        : m_handle(handle)
    { }
    ~HidapiDevice() override { hid_close(m_handle); }

    QString productString() override
    {
        wchar_t buffer[256] = {};
        if (hid_get_product_string(m_handle, buffer, 255) != 0)
            return QString();
        buffer[255] = 0;
        return QString::fromWCharArray(buffer);
    }
    int setNonBlocking(bool nonBlocking) override
    {
        return hid_set_nonblocking(m_handle, nonBlocking ? 1 : 0);
    }
    int write(const quint8 *data, std::size_t length) override
    {
        return hid_write(m_handle, data, length);
    }
    int readTimeout(quint8 *data, std::size_t length, int milliseconds) override
    {
        return hid_read_timeout(m_handle, data, length, milliseconds);
    }

private:
    hid_device *m_handle;
};

// The USB port a hidraw node belongs to ("usb:1-2.3"); the path itself elsewhere. The port
// stays when the device re-enumerates, the hidraw node usually does not.
QString locationOf(const char *path)
{
    const QString fallback = QString::fromLocal8Bit(path);
#ifdef Q_OS_LINUX
    const QByteArray node(path);
    const int slash = node.lastIndexOf('/');
    const QByteArray sysname = slash >= 0 ? node.mid(slash + 1) : node;
    udev *context = udev_new();
    if (!context)
        return fallback;
    QString location = fallback;
    if (udev_device *hidraw
        = udev_device_new_from_subsystem_sysname(context, "hidraw", sysname.constData())) {
        // The parent belongs to its child and is released with it.
        udev_device *usb
                = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
        if (const char *port = usb ? udev_device_get_sysname(usb) : nullptr)
            location = QStringLiteral("usb:") + QString::fromLocal8Bit(port);
        udev_device_unref(hidraw);
    }
    udev_unref(context);
    return location;
#else
    return fallback;
#endif
}

QString fromWide(const wchar_t *text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

class HidapiBackend : public HidBackend
{
public:
    HidapiBackend() { hid_init(); }

    std::unique_ptr<HidDevice> open(quint16 vendorId, quint16 productId) override
    {
        hid_device *handle = hid_open(vendorId, productId, nullptr);
        if (!handle)
            return nullptr;
        return std::make_unique<HidapiDevice>(handle);
    }
    bool isPresent(quint16 vendorId, quint16 productId) override
    {
        hid_device_info *devices = hid_enumerate(vendorId, productId);
        const bool present = devices != nullptr;
        hid_free_enumeration(devices);
        return present;
    }
    QVector<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId) override
    {
        QVector<HidDeviceInfo> found;
        hid_device_info *devices = hid_enumerate(vendorId, productId);
        for (hid_device_info *device = devices; device; device = device->next) {
            HidDeviceInfo info;
            info.path = QString::fromLocal8Bit(device->path);
            info.location = locationOf(device->path);
            info.product = fromWide(device->product_string);
            info.serial = fromWide(device->serial_number);
            found.append(info);
        }
        hid_free_enumeration(devices);
        return found;
    }
    std::unique_ptr<HidDevice> openPath(const QString &path) override
    {
        hid_device *handle = hid_open_path(path.toLocal8Bit().constData());
        if (!handle)
            return nullptr;
        return std::make_unique<HidapiDevice>(handle);
    }
    bool changesReportedBySystem() const override
    {
#ifdef Q_OS_LINUX
        return true;
#else
        return false;
#endif
    }
};

QMutex backendMutex;
std::shared_ptr<HidBackend> currentBackend;

} // namespace

std::shared_ptr<HidBackend> createHidapiBackend()
{
    return std::make_shared<HidapiBackend>();
}

std::shared_ptr<HidBackend> hidBackend()
{
    QMutexLocker locker(&backendMutex);
    if (!currentBackend)
        currentBackend = createHidapiBackend();
    return currentBackend;
}

QVector<HidDeviceInfo> HidBackend::enumerate(quint16 vendorId, quint16 productId)
{
    QVector<HidDeviceInfo> found;
    if (!isPresent(vendorId, productId))
        return found;
    HidDeviceInfo info;
    info.path = QStringLiteral("default");
    if (std::unique_ptr<HidDevice> device = open(vendorId, productId))
        info.product = device->productString();
    found.append(info);
    return found;
}

std::unique_ptr<HidDevice> HidBackend::openPath(const QString &path)
{
    if (path != QLatin1String("default"))
        return nullptr;
    return open(KorlexVendorId, KorlexProductId);
}

void setHidBackend(std::shared_ptr<HidBackend> backend)
{
    QMutexLocker locker(&backendMutex);
    currentBackend = std::move(backend);
}

std::shared_ptr<HidBackend> hidBackendFromEnvironment(bool *isVirtual, QString *error)
{
    const QByteArray setting = qgetenv("KORLEX_VIRTUAL_DEVICE").trimmed();
    const bool virtualDevice = !setting.isEmpty() && setting != "0";
    if (isVirtual)
        *isVirtual = virtualDevice;
    if (!virtualDevice)
        return createHidapiBackend();
    QString problem;
    std::shared_ptr<HidBackend> backend
            = virtualBackendFromSetting(QString::fromLocal8Bit(setting), &problem);
    if (!backend && error)
        *error = QStringLiteral("KORLEX_VIRTUAL_DEVICE=%1: %2")
                         .arg(QString::fromLocal8Bit(setting), problem);
    return backend;
}

bool virtualDeviceSettingUsable(const char *program)
{
    QString error;
    if (hidBackendFromEnvironment(nullptr, &error) || error.isEmpty())
        return true;
    std::fprintf(stderr, "%s: %s\n", program, error.toLocal8Bit().constData());
    return false;
}

bool selectHidBackendFromEnvironment()
{
    bool isVirtual = false;
    std::shared_ptr<HidBackend> backend = hidBackendFromEnvironment(&isVirtual);
    // A setting that cannot be used gives a bus without devices, never the real USB device.
    setHidBackend(backend ? backend : std::make_shared<VirtualBus>());
    return isVirtual;
}
