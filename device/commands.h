#ifndef DEVICE_COMMANDS_H
#define DEVICE_COMMANDS_H

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>

// The device's commands as they go on the wire, and the information reply as it comes back.
// Pure functions of their arguments: the address, the values and the image are all given.

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
// Images of this size and more are erased with the long command.
constexpr qint64 LargeImageSize = 0x12000;
constexpr int DeviceInfoDataLength = 227; // the data of a complete information reply

// How often and how long each exchange is tried: the short commands, the information request,
// the clock restore after a factory reset, and the picture commands and their long replies.
namespace Exchange {
constexpr int CommandTries = 3;
constexpr int CommandTimeoutMs = 500;
constexpr int InfoTimeoutMs = 200;
constexpr int RestoreTries = 1;
constexpr int RestoreTimeoutMs = 200;
constexpr int PictureTries = 2;
constexpr int PictureTimeoutMs = 500;
constexpr int PictureReadTimeoutMs = 300;
} // namespace Exchange

// The screen format of a device identifier: 0 (128 x 32 mono), 1 (64 x 128 mono), 2 (80 x 160
// colour) or 3 (no pictures).
int screenFormatOf(quint16 id);

// The chip id text shown as the device's serial number: the model's group code, then a CRC-32
// of the three bytes and 0x11, then the three bytes in reverse order, all upper-case hex.
QString makeChipId(const QString &groupCode, quint8 b0, quint8 b1, quint8 b2);

// What an information reply carries, as numbers. The parameter record, the curves and the
// firmware version come only with a reply that spans several reports and carries them all.
struct InfoReply
{
    quint16 id = 0;
    quint16 softwareVersion = 0;
    quint32 serial = 0;
    std::array<quint8, 3> chipBytes{};
    bool hasRecord = false;
    quint16 coilMask = 0; // bit i + 1 set: coil i is off
    std::array<quint16, 5> coilValues{};
    quint16 brightness = 0;
    quint16 puff = 0; // as the device reports it
    // Temperatures in Fahrenheit, power in W, as the device sends them.
    std::array<std::array<quint16, 10>, 5> temperatures{};
    std::array<std::array<quint16, 10>, 5> powers{};
    std::array<quint8, 5> firmware{};

    QString firmwareText() const; // "1.0.3.2.7"
    QString serialText() const; // lower-case hex without leading zeros
};

// Parses an information reply frame that spanned the given number of input reports; false
// when it is too short to carry the identity fields.
bool parseInfoReply(const QByteArray &frame, quint32 reports, InfoReply *reply);

namespace Wire {

QByteArray deviceInfoRequest();

struct ParameterItems
{
    std::array<quint8, 5> coilEnabled{};
    std::array<quint16, 5> coilValues{};
    quint16 brightness = 0;
    quint16 puff = 0;
};
QByteArray parametersFrame(quint16 address, const ParameterItems &items);

// A curve write: temperatures carry the unit byte that says how the device reads the points
// (1 Fahrenheit, 0 Celsius); power curves send 0 there.
QByteArray temperatureCurveFrame(quint16 address, quint8 unitByte, int group,
                                 const std::array<quint16, 10> &points);
QByteArray powerCurveFrame(quint16 address, int group, const std::array<quint16, 10> &points);

QByteArray clockWriteFrame(quint16 address, const QDateTime &localTime);
QByteArray clockReadFrame(quint16 address);
QByteArray restoreDefaultsFrame(quint16 address);

QByteArray monoPictureFrame(quint16 address, const quint8 *block, int pictureNumber,
                            bool firstBlock);
QByteArray colourPictureFrame(quint16 address, const quint8 *block, int length, int pictureNumber,
                              int blockNumber);
QByteArray pictureReadRequest(quint16 address, int pictureNumber);

QByteArray upgradeHelloText();
QByteArray upgradeHelloFrame(quint16 target);
// The long erase for images of LargeImageSize bytes and more, the short one below.
QByteArray upgradeEraseFrame(quint16 target, qint64 imageSize);
// Block blockNumber of the image (the tail for the last one), scrambled when asked; empty when
// there is no such block.
QByteArray upgradeBlockFrame(quint16 target, const QByteArray &image, int blockNumber,
                             bool scramble);
QByteArray upgradeFinishFrame(quint16 target, quint32 imageSize,
                              const std::array<quint8, 4> &check);

} // namespace Wire

#endif // DEVICE_COMMANDS_H
