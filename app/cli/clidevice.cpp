#include "app/cli/clidevice.h"

#include "app/cli/clioptions.h"
#include "app/cli/clioutput.h"
#include "device/deviceconnect.h"
#include "device/devicemonitor.h"
#include "device/session.h"
#include "device/transport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

bool realUsb = false;

QString modeOf(const HidDeviceInfo &info)
{
    if (info.product.startsWith(QLatin1String("KORLEX-BOOT")))
        return QStringLiteral("bootloader");
    if (info.product.startsWith(QLatin1String("KORLEX")))
        return QStringLiteral("firmware");
    return QStringLiteral("foreign");
}

QString orDash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

} // namespace

void setUsingRealUsb(bool real)
{
    realUsb = real;
}

QVector<CliDevice> enumerateDevices()
{
    QVector<CliDevice> devices;
    for (const HidDeviceInfo &info : hidBackend()->enumerate(KorlexVendorId, KorlexProductId))
        devices.append(CliDevice{info, modeOf(info)});
    return devices;
}

QJsonObject deviceJson(const CliDevice &device)
{
    return QJsonObject{{QStringLiteral("path"), device.info.path},
                       {QStringLiteral("location"), device.info.location},
                       {QStringLiteral("mode"), device.mode},
                       {QStringLiteral("product"), device.info.product},
                       {QStringLiteral("serial"), device.info.serial}};
}

QJsonArray devicesJson(const QVector<CliDevice> &devices)
{
    QJsonArray array;
    for (const CliDevice &device : devices)
        array.append(deviceJson(device));
    return array;
}

QStringList devicesTable(const QVector<CliDevice> &devices)
{
    QVector<QStringList> rows{{QStringLiteral("PATH"), QStringLiteral("PORT"),
                               QStringLiteral("MODE"), QStringLiteral("PRODUCT"),
                               QStringLiteral("SERIAL")}};
    for (const CliDevice &device : devices) {
        rows.append({device.info.path, orDash(device.info.location), device.mode,
                     orDash(device.info.product), orDash(device.info.serial)});
    }
    QVector<int> widths(5, 0);
    for (const QStringList &row : rows) {
        for (int column = 0; column < 5; ++column)
            widths[column] = qMax(widths[column], row.at(column).size());
    }
    QStringList lines;
    for (const QStringList &row : rows) {
        QString line;
        for (int column = 0; column < 5; ++column) {
            line += column < 4 ? row.at(column).leftJustified(widths[column] + 2) : row.at(column);
        }
        lines << line;
    }
    return lines;
}

bool waitForDevices(const CliOptions &options, const std::function<bool()> &ready)
{
    if (ready())
        return true;
    if (options.waitSeconds <= 0)
        return false;
    QEventLoop loop;
    bool found = false;
    const auto check = [&]() {
        if (!found && ready()) {
            found = true;
            loop.quit();
        }
    };
    DeviceMonitor monitor;
    QObject::connect(&monitor, &DeviceMonitor::deviceChanged, &loop, check);
    // udev tells of every arrival; without it (other systems, the virtual device) the devices
    // are looked at every 250 ms. A slow look also covers an arrival udev reported before its
    // permissions were in place.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, check);
    poll.start(realUsb && monitor.isActive() ? 1000 : 250);
    QTimer::singleShot(options.waitSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return found || ready();
}

int connectCommandDevice(const CliOptions &options, CliOutput &output, bool bootLoaderWelcome,
                         CliDevice *chosen)
{
    QVector<CliDevice> family;
    bool severalSeen = false;
    const auto choose = [&]() {
        family.clear();
        for (const CliDevice &device : enumerateDevices()) {
            if (device.mode != QLatin1String("foreign"))
                family.append(device);
        }
        if (!options.device.isEmpty()) {
            for (const CliDevice &device : qAsConst(family)) {
                if (device.info.path == options.device || device.info.location == options.device) {
                    *chosen = device;
                    return true;
                }
            }
            return false;
        }
        if (family.size() > 1) {
            severalSeen = true;
            return true; // nothing to wait for: the choice is the user's
        }
        if (family.size() == 1) {
            *chosen = family.first();
            return true;
        }
        return false;
    };

    if (!waitForDevices(options, choose)) {
        QString message;
        if (!options.device.isEmpty())
            message = QStringLiteral("no device at %1").arg(options.device);
        else
            message = QStringLiteral("no device found");
        if (options.waitSeconds > 0)
            message += QStringLiteral(" within %1 s").arg(options.waitSeconds);
        if (!options.device.isEmpty() && !family.isEmpty()) {
            output.fields().insert(QStringLiteral("devices"), devicesJson(family));
            QStringList places;
            for (const CliDevice &device : qAsConst(family))
                places << device.place();
            message += QStringLiteral(" (present: %1)").arg(places.join(QStringLiteral(", ")));
        }
        return output.fail(ExitNoDevice, message);
    }
    if (severalSeen) {
        output.fields().insert(QStringLiteral("devices"), devicesJson(family));
        const int status
                = output.fail(ExitSeveralDevices,
                              QStringLiteral("%1 devices present: choose one with --device PATH")
                                      .arg(family.size()));
        if (!output.json()) {
            for (const QString &line : devicesTable(family))
                writeText(stderr, line + QLatin1Char('\n'));
        }
        return status;
    }

    // From here on the device is followed by its port, which stays when it restarts.
    DeviceSession &session = deviceSession();
    session.setSelectedDevice(chosen->place());
    output.fields().insert(QStringLiteral("device"), deviceJson(*chosen));
    switch (connectDevice(200)) {
    case ConnectResult::Connected:
        break;
    case ConnectResult::BootLoaderWaiting:
        if (bootLoaderWelcome)
            return ExitSuccess;
        break;
    case ConnectResult::NoAnswer:
        return output.fail(ExitNoAnswer, QStringLiteral("the device at %1 does not answer the "
                                                        "information request")
                                                 .arg(chosen->place()));
    case ConnectResult::Denied:
        return output.fail(ExitNoDevice,
                           QStringLiteral("the device at %1 cannot be opened: permission denied "
                                          "(install the udev rule, see the README)")
                                   .arg(chosen->place()));
    case ConnectResult::Foreign:
    case ConnectResult::NotFound:
        return output.fail(ExitNoDevice,
                           QStringLiteral("the device at %1 has gone").arg(chosen->place()));
    }
    if (!session.appFirmware && !bootLoaderWelcome) {
        return output.fail(ExitRefused,
                           QStringLiteral("the device at %1 is in its boot loader and waits for "
                                          "firmware: recover it with 'korlex-cli upgrade FILE'")
                                   .arg(chosen->place()));
    }
    return ExitSuccess;
}
