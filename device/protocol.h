#ifndef DEVICE_PROTOCOL_H
#define DEVICE_PROTOCOL_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "device/commands.h"

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

// What an information read tells about the device, read without changing the session (the
// worker uses it while the window shows the session).
struct PeekedIdentity
{
    bool valid = false;
    quint16 id = 0;
    QString softwareVersion;
    QString serial;
    QString firmwareVersion; // empty when the reply carried only the identity
};
PeekedIdentity peekDeviceInfo(int timeoutMs);

// Parses an information reply frame into the session; false when it is too short to carry
// the identity fields. reports is the number of input reports the reply spanned.
bool parseDeviceInfo(const QByteArray &frame, quint32 reports);

#endif // DEVICE_PROTOCOL_H
