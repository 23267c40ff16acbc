#include "device/deviceconnect.h"

#include "device/protocol.h"
#include "device/session.h"
#include "device/transport.h"

#include <QMutexLocker>

ConnectResult connectDevice(int infoTimeoutMs)
{
    DeviceSession &session = deviceSession();
    int opened = 0;
    bool informed = false;
    {
        // Open and information request as one exchange on the link.
        QMutexLocker link(&session.linkMutex);
        opened = openHidDevice();
        if (opened == 1)
            informed = readDeviceInfo(infoTimeoutMs);
    }
    if (opened == 0)
        return ConnectResult::Foreign;
    if (opened < 0)
        return session.openDenied ? ConnectResult::Denied : ConnectResult::NotFound;
    if (informed)
        return ConnectResult::Connected;
    // A device left in its boot loader may not answer the information request at all, and must
    // still be offered the upgrade.
    return session.appFirmware ? ConnectResult::NoAnswer : ConnectResult::BootLoaderWaiting;
}
