#include "device/commands.h"

#include "device/frame.h"

#include <algorithm>

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

QByteArray curveFrame(quint16 address, quint8 kind, quint8 unit, int group,
                      const std::array<quint16, 10> &points)
{
    QByteArray data;
    data.append(char(kind));
    data.append(char(unit));
    data.append(char(group));
    for (quint16 point : points)
        appendU16(data, point);
    return buildFrame(address, Command::Curve, data);
}

} // namespace

int screenFormatOf(quint16 id)
{
    if (id >= 0x3000 && id <= 0x3FFF)
        return 2;
    if (id >= 0x2000 && id <= 0x2FFF)
        return 1;
    if (id >= 0x1000 && id <= 0x1FFF)
        return 0;
    return 3;
}

QString makeChipId(const QString &groupCode, quint8 b0, quint8 b1, quint8 b2)
{
    const quint8 input[4] = {b0, b1, b2, 0x11};
    const quint32 crc = wordCrc32(input, 4);
    const auto hex = [](quint32 value) {
        return QString::number(value, 16).toUpper();
    };
    return groupCode + hex(crc) + hex(b2) + hex(b1) + hex(b0);
}

QString InfoReply::firmwareText() const
{
    return QStringLiteral("%1.%2.%3.%4.%5")
            .arg(firmware[0])
            .arg(firmware[1])
            .arg(firmware[2])
            .arg(firmware[3])
            .arg(firmware[4]);
}

QString InfoReply::serialText() const
{
    return QString::number(serial, 16);
}

bool parseInfoReply(const QByteArray &frame, quint32 reports, InfoReply *reply)
{
    if (frame.size() < FrameOverhead)
        return false;
    const int dataLength = u16At(frame, 4);
    // The identity fields (version and serial number) are the first six data bytes.
    if (dataLength < 6 || frame.size() < dataLength + FrameOverhead)
        return false;

    InfoReply parsed;
    parsed.id = u16At(frame, 1);
    parsed.softwareVersion = u16At(frame, 6);
    parsed.serial = u32At(frame, 8);
    parsed.chipBytes = {quint8(frame[8]), quint8(frame[9]), quint8(frame[10])};
    // The rest comes only with a reply that spans several reports and really carries it all.
    parsed.hasRecord = reports != 1 && dataLength >= DeviceInfoDataLength;
    if (parsed.hasRecord) {
        parsed.coilMask = u16At(frame, 12);
        for (int i = 0; i < 5; ++i)
            parsed.coilValues[i] = u16At(frame, 14 + 2 * i);
        parsed.brightness = u16At(frame, 24);
        parsed.puff = u16At(frame, 26);
        for (int group = 0; group < 5; ++group) {
            for (int point = 0; point < 10; ++point) {
                const int offset = 28 + 2 * (group * 10 + point);
                parsed.temperatures[group][point] = u16At(frame, offset);
                parsed.powers[group][point] = u16At(frame, offset + 100);
            }
        }
        for (int i = 0; i < 5; ++i)
            parsed.firmware[i] = quint8(frame[228 + i]);
    }
    *reply = parsed;
    return true;
}

namespace Wire {

QByteArray deviceInfoRequest()
{
    return buildFrame(BroadcastAddress, Command::DeviceInfo, QByteArray());
}

QByteArray parametersFrame(quint16 address, const ParameterItems &items)
{
    QByteArray data;
    for (int i = 0; i < 5; ++i) {
        data.append(char(items.coilEnabled[i]));
        appendU16(data, items.coilValues[i]);
    }
    data.append(char(0x01));
    appendU16(data, items.brightness);
    data.append(char(0x01));
    appendU16(data, items.puff);
    return buildFrame(address, Command::Parameters, data);
}

QByteArray temperatureCurveFrame(quint16 address, quint8 unitByte, int group,
                                 const std::array<quint16, 10> &points)
{
    return curveFrame(address, 0x01, unitByte, group, points);
}

QByteArray powerCurveFrame(quint16 address, int group, const std::array<quint16, 10> &points)
{
    return curveFrame(address, 0x00, 0x00, group, points);
}

QByteArray clockWriteFrame(quint16 address, const QDateTime &localTime)
{
    // Each two-digit decimal field read as a hexadecimal number is its BCD byte.
    const QString text = localTime.toString(QStringLiteral("yy-MM-dd hh:mm:ss"));
    QByteArray data;
    for (int position : {0, 3, 6, 9, 12, 15})
        data.append(char(text.midRef(position, 2).toUInt(nullptr, 16)));
    data.append(char(0x00));
    data.append(char(quint8(data[3]) > 11 ? 0x01 : 0x00));
    return buildFrame(address, Command::ClockWrite, data);
}

QByteArray clockReadFrame(quint16 address)
{
    return buildFrame(address, Command::ClockRead, QByteArray());
}

QByteArray restoreDefaultsFrame(quint16 address)
{
    return buildFrame(address, Command::RestoreDefaults, QByteArray());
}

QByteArray monoPictureFrame(quint16 address, const quint8 *block, int pictureNumber,
                            bool firstBlock)
{
    QByteArray data;
    data.reserve(PictureBlockSize + 1);
    data.append(char(quint8(pictureNumber) | (firstBlock ? 0x00 : 0x80)));
    data.append(reinterpret_cast<const char *>(block), PictureBlockSize);
    return buildFrame(address, Command::PictureWrite, data);
}

QByteArray colourPictureFrame(quint16 address, const quint8 *block, int length, int pictureNumber,
                              int blockNumber)
{
    QByteArray data;
    data.reserve(length + 4);
    appendU32(data, quint32(pictureNumber) * ColourPictureBytes
                            + quint32(PictureBlockSize) * quint32(blockNumber));
    data.append(reinterpret_cast<const char *>(block), length);
    return buildFrame(address, Command::PictureWrite, data);
}

QByteArray pictureReadRequest(quint16 address, int pictureNumber)
{
    return buildFrame(address, Command::PictureRead, QByteArray(1, char(pictureNumber)));
}

QByteArray upgradeHelloText()
{
    // Three groups: five lower-case letters, four lower-case letters, four digits; then a zero.
    QByteArray text("flash-load-0483");
    text.append('\0');
    return text;
}

QByteArray upgradeHelloFrame(quint16 target)
{
    return buildFrame(target, Command::UpgradeHello, upgradeHelloText());
}

QByteArray upgradeEraseFrame(quint16 target, qint64 imageSize)
{
    return buildFrame(target,
                      imageSize >= LargeImageSize ? Command::UpgradeEraseLarge
                                                  : Command::UpgradeEraseSmall,
                      QByteArray());
}

QByteArray upgradeBlockFrame(quint16 target, const QByteArray &image, int blockNumber,
                             bool scramble)
{
    const qint64 size = image.size();
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
    if (scramble) {
        for (char &byte : bytes)
            byte = char(quint8(byte) + ScrambleAddend);
    }
    data.append(bytes);
    return buildFrame(target, Command::UpgradeBlock, data);
}

QByteArray upgradeFinishFrame(quint16 target, quint32 imageSize, const std::array<quint8, 4> &check)
{
    QByteArray data;
    appendU32(data, imageSize);
    for (quint8 byte : check)
        data.append(char(byte));
    return buildFrame(target, Command::UpgradeFinish, data);
}

} // namespace Wire
