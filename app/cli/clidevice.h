#ifndef APP_CLI_CLIDEVICE_H
#define APP_CLI_CLIDEVICE_H

#include "device/hidbackend.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QVector>

#include <functional>

class CliOutput;
struct CliOptions;

// One enumerated device and what it runs.
struct CliDevice
{
    HidDeviceInfo info;
    QString mode; // "firmware", "bootloader" or "foreign"
    // What --device takes to find it again: its port when known, else its path.
    QString place() const { return info.location.isEmpty() ? info.path : info.location; }
};

QVector<CliDevice> enumerateDevices();
QJsonObject deviceJson(const CliDevice &device);
QJsonArray devicesJson(const QVector<CliDevice> &devices);
// The devices as an aligned table with a heading.
QStringList devicesTable(const QVector<CliDevice> &devices);

// Waits (up to --wait seconds) until ready() holds, looking again whenever a HID device comes
// or goes (udev on Linux with the real USB backend) and at most every 250 ms otherwise.
// Returns at once when ready() already holds or no wait was asked for.
bool waitForDevices(const CliOptions &options, const std::function<bool()> &ready);

// Chooses the device of a command (--device, else the only one present), waiting for it when
// asked, then opens it and reads its information. Boot loaders are accepted only when
// bootLoaderWelcome is true. Returns the exit status (0: connected, *chosen filled).
int connectCommandDevice(const CliOptions &options, CliOutput &output, bool bootLoaderWelcome,
                         CliDevice *chosen);

// Whether the real USB backend is in use (KORLEX_VIRTUAL_DEVICE not set).
void setUsingRealUsb(bool real);

#endif // APP_CLI_CLIDEVICE_H
