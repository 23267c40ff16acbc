#include "device/hidbackend.h"

#include "virtualdevice/virtualdevice.h"

#include <QMutex>
#include <QMutexLocker>

#include <hidapi.h>

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

class HidapiBackend : public HidBackend
{
public:
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
};

QMutex backendMutex;
std::shared_ptr<HidBackend> currentBackend;

} // namespace

std::shared_ptr<HidBackend> createHidapiBackend()
{
    return std::make_shared<HidapiBackend>();
}

HidBackend &hidBackend()
{
    QMutexLocker locker(&backendMutex);
    if (!currentBackend)
        currentBackend = createHidapiBackend();
    return *currentBackend;
}

void setHidBackend(std::shared_ptr<HidBackend> backend)
{
    QMutexLocker locker(&backendMutex);
    currentBackend = std::move(backend);
}

bool selectHidBackendFromEnvironment()
{
    const QByteArray setting = qgetenv("KORLEX_VIRTUAL_DEVICE").trimmed();
    if (setting.isEmpty() || setting == "0") {
        setHidBackend(createHidapiBackend());
        return false;
    }
    setHidBackend(VirtualBus::fromEnvironment(QString::fromLocal8Bit(setting)));
    return true;
}
