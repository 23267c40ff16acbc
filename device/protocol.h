#ifndef DEVICE_PROTOCOL_H
#define DEVICE_PROTOCOL_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Command codes of the device.
namespace Command {
enum : quint8 {
    DeviceInfo = 0x36,
    Parameters = 0x33,
    Curve = 0x32,
    ClockWrite = 0x3A,
    ClockRead = 0x3B,
    RestoreDefaults = 0x3C,
    PictureWrite = 0x34,
    PictureRead = 0x39,
    UpgradeHello = 0x37,
    UpgradeEraseLarge = 0x08,
    UpgradeEraseSmall = 0x09,
    UpgradeBlock = 0x04,
    UpgradeFinish = 0x20,
    StatusReply = 0xFA,
    ClockReply = 0xBB
};
}

constexpr quint16 BroadcastAddress = 0xAAAA;
constexpr quint8 StatusStop = 0x01;
constexpr quint8 StatusLowPower = 0x0A;
constexpr quint8 ScrambleAddend = 0x5D;
constexpr int UpgradeBlockSize = 512;
constexpr int PictureBlockSize = 512;
constexpr int ColourPictureBytes = 25600;
constexpr qint64 LargeImageSize = 0x12000;
constexpr int DeviceInfoDataLength = 227; // the data of a complete information reply

// The screen format of a device identifier: 0 (128 x 32 mono), 1 (64 x 128 mono), 2 (80 x 160
// colour) or 3 (no pictures).
int screenFormatOf(quint16 id);

// Every operation returns true when a valid reply that is not a status reply arrived; none of
// them sends anything when no device is open.
bool readDeviceInfo(int timeoutMs);
bool writeParameters();
bool writeTempCurve();
bool writePowerCurve();
bool writeClock();
bool writeClock(const QDateTime &localTime);
bool readClock();
bool restoreDefaults();
bool writeMonoPicture(const quint8 *bytes, int size, int pictureNumber);
bool writeColourPicture(const quint8 *bytes, int size, int pictureNumber);
// Requests picture pictureNumber (1..12) and gathers its reply; the extracted frame goes to
// *frame (emptied when none arrived).
bool readPictureFrame(int pictureNumber, QByteArray *frame);
bool upgradeHello(int timeoutMs);
bool upgradeErase(int timeoutMs);
bool upgradeWriteBlock(int blockNumber, int timeoutMs);
bool upgradeFinish(int timeoutMs);

// The chip id text shown as the device's serial number: the session's group code, then a CRC-32
// of the three bytes and 0x11, then the three bytes in reverse order, all upper-case hex.
QString makeDeviceCode(quint8 b0, quint8 b1, quint8 b2);

// Frames as they go on the wire, for the operations above and for checking them.
QByteArray deviceInfoRequest();
QByteArray parametersFrame();
QByteArray tempCurveFrame();
QByteArray powerCurveFrame();
QByteArray clockWriteFrame(const QDateTime &localTime);
QByteArray monoPictureFrame(const quint8 *block, int pictureNumber, bool firstBlock);
QByteArray colourPictureFrame(const quint8 *block, int length, int pictureNumber, int blockNumber);
QByteArray pictureReadRequest(int pictureNumber);
QByteArray upgradeHelloFrame();
QByteArray upgradeBlockFrame(int blockNumber);
QByteArray upgradeFinishFrame();
QByteArray upgradeHelloText();

// What an information read tells about the device, read without changing the session (the
// worker uses it while the window shows the session).
struct DeviceIdentity
{
    bool valid = false;
    quint16 id = 0;
    QString softwareVersion;
    QString serial;
    QString firmwareVersion; // empty when the reply carried only the identity
};
DeviceIdentity peekDeviceInfo(int timeoutMs);

// Parses an information reply frame into the session; false when it is too short to carry
// the identity fields. reports is the number of input reports the reply spanned.
bool parseDeviceInfo(const QByteArray &frame, quint32 reports);

#endif // DEVICE_PROTOCOL_H
