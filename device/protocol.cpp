#include "device/protocol.h"

#include "catalogue/devicemodels.h"
#include "device/session.h"
#include "device/transport.h"
#include "parameters/units.h"

#include <algorithm>
#include <array>

namespace {

void appendU16(QByteArray &data, quint16 value)
{
    data.append(char(value >> 8));
    data.append(char(value & 0xFF));
}

void appendU32(QByteArray &data, quint32 value)
{
    appendU16(data, quint16(value >> 16));
    appendU16(data, quint16(value & 0xFFFF));
}

quint16 u16At(const QByteArray &frame, int offset)
{
    return quint16((quint8(frame[offset]) << 8) | quint8(frame[offset + 1]));
}

quint32 u32At(const QByteArray &frame, int offset)
{
    return (quint32(u16At(frame, offset)) << 16) | u16At(frame, offset + 2);
}

std::array<quint32, 256> makeCrc32Table()
{
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 crc = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        table[i] = crc;
    }
    return table;
}

// Each byte is taken as a 32-bit word, as the device's own CRC unit does.
quint32 wordCrc32(const quint8 *bytes, int count)
{
    static const std::array<quint32, 256> table = makeCrc32Table();
    quint32 crc = 0xFFFFFFFFu;
    for (int i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 4; ++k)
            crc = (crc << 8) ^ table[(crc >> 24) & 0xFF];
    }
    return crc;
}

QByteArray applicationFrame(quint8 code, const QByteArray &data)
{
    return buildFrame(deviceSession().deviceId, code, data);
}

QByteArray upgradeFrame(quint8 code, const QByteArray &data)
{
    return buildFrame(deviceSession().upgradeTargetId, code, data);
}

} // namespace

QString makeDeviceCode(quint8 b0, quint8 b1, quint8 b2)
{
    const quint8 input[4] = {b0, b1, b2, 0x11};
    const quint32 crc = wordCrc32(input, 4);
    const auto hex = [](quint32 value) {
        return QString::number(value, 16).toUpper();
    };
    return deviceSession().modelGroup + hex(crc) + hex(b2) + hex(b1) + hex(b0);
}

QByteArray deviceInfoRequest()
{
    return buildFrame(BroadcastAddress, Command::DeviceInfo, QByteArray());
}

bool parseDeviceInfo(const QByteArray &frame, quint32 reports)
{
    if (frame.size() < FrameOverhead)
        return false;
    const int dataLength = u16At(frame, 4);
    // The identity fields (version and serial number) are the first six data bytes.
    if (dataLength < 6 || frame.size() < dataLength + FrameOverhead)
        return false;

    DeviceSession &session = deviceSession();
    const quint16 id = u16At(frame, 1);
    session.deviceId = id;
    session.setDeviceSerial(QString::number(u32At(frame, 8), 16));
    session.softwareVersion = QString::number(u16At(frame, 6));

    const int format = screenFormatOf(id);
    session.screenFormat = format;
    if (format == 2)
        session.pictureCount = 10;
    else if (format < 2)
        session.pictureCount = 12;

    const DeviceModelTable &models = deviceModels();
    session.modelIndex = models.indexOf(id);
    if (session.modelIndex >= 0) {
        const int row = session.modelIndex;
        session.productName = models.modelProducts.at(row);
        session.modelName = models.modelCodes.at(row);
        session.modelGroup = models.modelGroups.at(row);
        session.softwareDescription = session.modelName;
        session.deviceCode = makeDeviceCode(quint8(frame[8]), quint8(frame[9]), quint8(frame[10]));
        session.powerMin = models.modelPowerMin.at(row);
        session.powerMax = models.modelPowerMax.at(row);
    }

    // The parameter record, the curves and the firmware version come only with a reply that
    // spans several reports and really carries all of them.
    if (reports != 1 && dataLength >= DeviceInfoDataLength) {
        const quint16 coilMask = u16At(frame, 12);
        for (int i = 0; i < CoilRowCount; ++i) {
            session.coilEnabled[i] = (coilMask & (1u << (i + 1))) ? 0 : 1;
            session.coilValues[i] = u16At(frame, 14 + 2 * i);
        }
        session.lcdBright = u16At(frame, 24);
        session.smokeTime = u16At(frame, 26);
        for (int group = 0; group < CurveGroupCount; ++group) {
            for (int point = 0; point < CurvePointCount; ++point) {
                const int offset = 28 + 2 * (group * CurvePointCount + point);
                const quint16 received = u16At(frame, offset);
                // The device keeps temperatures in Fahrenheit; shown in Celsius, the absolute
                // value is converted before it becomes an offset above the Celsius minimum.
                quint16 value = quint16(received - 200);
                if (session.tempUnit == 0)
                    value = quint16(fahrenheitToCelsius(received) - 100);
                session.tempCurves[group][point].value = value;
                session.powerCurves[group][point].value = quint16(u16At(frame, offset + 100) - 5);
            }
        }
        session.firmwareVersion = QStringLiteral("%1.%2.%3.%4.%5")
                                          .arg(quint8(frame[228]))
                                          .arg(quint8(frame[229]))
                                          .arg(quint8(frame[230]))
                                          .arg(quint8(frame[231]))
                                          .arg(quint8(frame[232]));
    }
    session.infoValid = 0x55;
    return true;
}

bool readDeviceInfo(int timeoutMs)
{
    if (!deviceSession().deviceOpen)
        return false;
    const LongReplyResult reply
            = requestLongReply(deviceInfoRequest(), LongReply::DeviceInfo, timeoutMs);
    if (reply.frame.isEmpty())
        return false;
    return parseDeviceInfo(reply.frame, reply.reports);
}

QByteArray parametersFrame()
{
    const DeviceSession &session = deviceSession();
    QByteArray data;
    for (int i = 0; i < CoilRowCount; ++i) {
        data.append(char(session.coilEnabled[i]));
        appendU16(data, session.coilValues[i]);
    }
    data.append(char(0x01));
    appendU16(data, session.lcdBright);
    data.append(char(0x01));
    appendU16(data, session.smokeTime);
    return applicationFrame(Command::Parameters, data);
}

bool writeParameters()
{
    return transact(parametersFrame(), 3, 500);
}

QByteArray tempCurveFrame()
{
    const DeviceSession &session = deviceSession();
    QByteArray data;
    data.append(char(0x01));
    data.append(char(session.tempUnit));
    data.append(char(session.tempCurveNo));
    for (quint16 point : session.tempCurvePoints)
        appendU16(data, point);
    return applicationFrame(Command::Curve, data);
}

QByteArray powerCurveFrame()
{
    const DeviceSession &session = deviceSession();
    QByteArray data;
    data.append(char(0x00));
    data.append(char(0x00));
    data.append(char(session.powerCurveNo));
    for (quint16 point : session.powerCurvePoints)
        appendU16(data, point);
    return applicationFrame(Command::Curve, data);
}

bool writeTempCurve()
{
    return transact(tempCurveFrame(), 3, 500);
}

bool writePowerCurve()
{
    return transact(powerCurveFrame(), 3, 500);
}

QByteArray clockWriteFrame(const QDateTime &localTime)
{
    // Each two-digit decimal field read as a hexadecimal number is its BCD byte.
    const QString text = localTime.toString(QStringLiteral("yy-MM-dd hh:mm:ss"));
    QByteArray data;
    for (int position : {0, 3, 6, 9, 12, 15})
        data.append(char(text.midRef(position, 2).toUInt(nullptr, 16)));
    data.append(char(0x00));
    data.append(char(quint8(data[3]) > 11 ? 0x01 : 0x00));
    return applicationFrame(Command::ClockWrite, data);
}

bool writeClock(const QDateTime &localTime)
{
    return transact(clockWriteFrame(localTime), 3, 500);
}

bool writeClock()
{
    return writeClock(QDateTime::currentDateTime());
}

bool readClock()
{
    return transact(applicationFrame(Command::ClockRead, QByteArray()), 3, 500);
}

bool restoreDefaults()
{
    return transact(applicationFrame(Command::RestoreDefaults, QByteArray()), 1, 200);
}

QByteArray monoPictureFrame(const quint8 *block, int pictureNumber, bool firstBlock)
{
    QByteArray data;
    data.reserve(PictureBlockSize + 1);
    data.append(char(quint8(pictureNumber) | (firstBlock ? 0x00 : 0x80)));
    data.append(reinterpret_cast<const char *>(block), PictureBlockSize);
    return applicationFrame(Command::PictureWrite, data);
}

namespace {

// The blocks of one picture are each a request of their own; between them another thread may
// use the link. A stop request, a device that has gone or one whose battery is low ends the
// picture at once.
bool pictureBlocksMustEnd()
{
    const DeviceSession &session = deviceSession();
    return session.stopRequested || session.linkLost
           || session.deviceStatus() == QLatin1String("LOWPOWER");
}

} // namespace

bool writeMonoPicture(const quint8 *bytes, int size, int pictureNumber)
{
    if (!bytes || size < PictureBlockSize)
        return false;
    bool result = false;
    for (int block = 0; block < size / PictureBlockSize; ++block) {
        if (pictureBlocksMustEnd())
            return false;
        result = transact(
                monoPictureFrame(bytes + block * PictureBlockSize, pictureNumber, block == 0), 2,
                500);
    }
    return result;
}

QByteArray colourPictureFrame(const quint8 *block, int length, int pictureNumber, int blockNumber)
{
    QByteArray data;
    data.reserve(length + 4);
    appendU32(data, quint32(pictureNumber) * ColourPictureBytes
                            + quint32(PictureBlockSize) * quint32(blockNumber));
    data.append(reinterpret_cast<const char *>(block), length);
    return applicationFrame(Command::PictureWrite, data);
}

bool writeColourPicture(const quint8 *bytes, int size, int pictureNumber)
{
    if (!bytes || size <= 0)
        return false;
    bool result = false;
    for (int block = 0; block * PictureBlockSize < size; ++block) {
        if (pictureBlocksMustEnd())
            return false;
        const int length = std::min(PictureBlockSize, size - block * PictureBlockSize);
        result = transact(
                colourPictureFrame(bytes + block * PictureBlockSize, length, pictureNumber, block),
                2, 500);
    }
    return result;
}

QByteArray pictureReadRequest(int pictureNumber)
{
    return applicationFrame(Command::PictureRead, QByteArray(1, char(pictureNumber)));
}

bool readPictureFrame(int pictureNumber, QByteArray *frame)
{
    if (frame)
        frame->clear();
    if (!deviceSession().deviceOpen)
        return false;
    const LongReplyResult reply
            = requestLongReply(pictureReadRequest(pictureNumber), LongReply::Picture, 300);
    if (reply.frame.isEmpty())
        return false;
    if (frame)
        *frame = reply.frame;
    return true;
}

QByteArray upgradeHelloFrame()
{
    return upgradeFrame(Command::UpgradeHello, Wire::upgradeHelloText());
}

bool upgradeHello(int timeoutMs)
{
    return transact(upgradeHelloFrame(), 3, timeoutMs);
}

bool upgradeErase(int timeoutMs)
{
    if (deviceSession().upgradeSize > LargeImageSize - 1)
        return transact(upgradeFrame(Command::UpgradeEraseLarge, QByteArray()), 3, 6000);
    return transact(upgradeFrame(Command::UpgradeEraseSmall, QByteArray()), 3, timeoutMs);
}

QByteArray upgradeBlockFrame(int blockNumber)
{
    const DeviceSession &session = deviceSession();
    const QByteArray image = session.upgradeImage();
    const qint64 size = std::min<qint64>(session.upgradeSize, image.size());
    qint64 offset = qint64(blockNumber) * UpgradeBlockSize;
    qint64 length = UpgradeBlockSize;
    if (blockNumber >= size / UpgradeBlockSize) {
        // The image's tail.
        offset = size - size % UpgradeBlockSize;
        length = size % UpgradeBlockSize;
    }
    if (length <= 0 || blockNumber < 0)
        return QByteArray();

    QByteArray data;
    data.reserve(int(length) + 4);
    appendU32(data, quint32(offset));
    QByteArray bytes = image.mid(int(offset), int(length));
    if (session.upgradeScramble) {
        for (char &byte : bytes)
            byte = char(quint8(byte) + ScrambleAddend);
    }
    data.append(bytes);
    return upgradeFrame(Command::UpgradeBlock, data);
}

bool upgradeWriteBlock(int blockNumber, int timeoutMs)
{
    const QByteArray frame = upgradeBlockFrame(blockNumber);
    if (frame.isEmpty())
        return false;
    return transact(frame, 3, timeoutMs);
}

QByteArray upgradeFinishFrame()
{
    const DeviceSession &session = deviceSession();
    QByteArray data;
    appendU32(data, quint32(session.upgradeSize));
    for (quint8 byte : session.upgradeCheck())
        data.append(char(byte));
    return upgradeFrame(Command::UpgradeFinish, data);
}

bool upgradeFinish(int timeoutMs)
{
    return transact(upgradeFinishFrame(), 3, timeoutMs);
}

PeekedIdentity peekDeviceInfo(int timeoutMs)
{
    PeekedIdentity identity;
    if (!deviceSession().deviceOpen)
        return identity;
    const LongReplyResult reply
            = requestLongReply(deviceInfoRequest(), LongReply::DeviceInfo, timeoutMs);
    const QByteArray &frame = reply.frame;
    if (frame.size() < FrameOverhead)
        return identity;
    const int dataLength = u16At(frame, 4);
    if (dataLength < 6 || frame.size() < dataLength + FrameOverhead)
        return identity;
    identity.valid = true;
    identity.id = u16At(frame, 1);
    identity.softwareVersion = QString::number(u16At(frame, 6));
    identity.serial = QString::number(u32At(frame, 8), 16);
    if (reply.reports != 1 && dataLength >= DeviceInfoDataLength) {
        identity.firmwareVersion = QStringLiteral("%1.%2.%3.%4.%5")
                                           .arg(quint8(frame[228]))
                                           .arg(quint8(frame[229]))
                                           .arg(quint8(frame[230]))
                                           .arg(quint8(frame[231]))
                                           .arg(quint8(frame[232]));
    }
    return identity;
}
