#ifndef DEVICE_HIDBACKEND_H
#define DEVICE_HIDBACKEND_H

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <cstddef>
#include <memory>

// The thin seam under the transport: one open HID device. The calls and their results follow
// hidapi: write returns the bytes written or -1, readTimeout returns the bytes read, 0 on a
// time-out and -1 on an error.
class HidDevice
{
public:
    virtual ~HidDevice() = default;
    virtual QString productString() = 0;
    virtual int setNonBlocking(bool nonBlocking) = 0;
    virtual int write(const quint8 *data, std::size_t length) = 0;
    virtual int readTimeout(quint8 *data, std::size_t length, int milliseconds) = 0;
};

// One enumerated device. path opens it; location names the place it is plugged into (on Linux
// the USB port, such as "usb:1-2.3"), which stays the same when the device restarts into its
// boot loader and back, while path may change.
struct HidDeviceInfo
{
    QString path;
    QString location;
    QString product; // the product string, as the device reports it
    QString serial; // the USB serial number string, often empty
};

// Opens devices by vendor and product id. The hidapi implementation talks to the real device;
// the virtual device implements the same interface.
class HidBackend
{
public:
    virtual ~HidBackend() = default;
    // The first matching device, or null.
    virtual std::unique_ptr<HidDevice> open(quint16 vendorId, quint16 productId) = 0;
    // Whether a matching device is enumerated at all (so a failed open can be told apart from
    // a missing device, for instance when the user lacks the permission to open it).
    virtual bool isPresent(quint16 vendorId, quint16 productId) = 0;

    // Every matching device, in the order open() would consider them. The default, for
    // backends that know one device only, opens it to learn its product string.
    virtual QVector<HidDeviceInfo> enumerate(quint16 vendorId, quint16 productId);
    // Opens the device with that path; the default opens the one device of a single-device
    // backend.
    virtual std::unique_ptr<HidDevice> openPath(const QString &path);
    // Whether the system reports arrivals and removals of these devices (udev's hidraw events),
    // so that nobody needs to look for them often.
    virtual bool changesReportedBySystem() const { return false; }
};

// The backend every transport call uses. Until one is set, the hidapi backend is used. The
// pointer keeps a backend alive while a call on another thread still uses it.
std::shared_ptr<HidBackend> hidBackend();
void setHidBackend(std::shared_ptr<HidBackend> backend);
std::shared_ptr<HidBackend> createHidapiBackend();

// The backend the environment asks for, without selecting it: KORLEX_VIRTUAL_DEVICE set and not
// "0" asks for the virtual device (see virtualdevice/virtualdevice.h for its settings), else
// hidapi. *isVirtual tells which. Null, with the reason in *error, when the setting names an
// unknown device or option.
std::shared_ptr<HidBackend> hidBackendFromEnvironment(bool *isVirtual = nullptr,
                                                      QString *error = nullptr);
// Whether KORLEX_VIRTUAL_DEVICE can be used. When it cannot, the reason goes to standard error
// as "<program>: KORLEX_VIRTUAL_DEVICE=<value>: <reason>".
bool virtualDeviceSettingUsable(const char *program);

// Chooses the backend from the environment (as above) and makes it the one every transport call
// uses; a setting that cannot be used gives a bus without devices. Returns true when the
// virtual device was chosen.
bool selectHidBackendFromEnvironment();

#endif // DEVICE_HIDBACKEND_H
