#ifndef DEVICE_DEVICECONNECT_H
#define DEVICE_DEVICECONNECT_H

// The link half of the connect operation, shared by the window and the command line: the
// device is opened and its information requested as one exchange on the link, so that no job
// frame can come between them.
enum class ConnectResult {
    Connected, // a normal-firmware or boot-loader device opened and answered; see appFirmware
    BootLoaderWaiting, // a boot loader opened without answering: it waits for firmware
    NoAnswer, // a normal-firmware device opened but did not answer; it stays open
    Foreign, // only the foreign device was found (and let go again)
    NotFound, // no device of the family is present
    Denied // a device is present but could not be opened (permissions)
};

// Opens the selected device (DeviceSession::selectedDevice, else the first one found) and reads
// its information with infoTimeoutMs per report. The session holds the result.
ConnectResult connectDevice(int infoTimeoutMs = 200);

#endif // DEVICE_DEVICECONNECT_H
