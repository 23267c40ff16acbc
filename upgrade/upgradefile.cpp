#include "upgrade/upgradefile.h"

#include "device/commands.h"
#include "device/deviceidentity.h"
#include "device/userfile.h"

#include <QFile>

bool isBwdfDevice(quint16 deviceId)
{
    return deviceId == 0x3003 || deviceId == 0x3004 || deviceId == 0x3005;
}

QString upgradeFileFilter(quint16 deviceId)
{
    return isBwdfDevice(deviceId) ? QStringLiteral("File(*.bwdf)") : QStringLiteral("File(*.swdf)");
}

quint32 upgradeByteSum(const QByteArray &image)
{
    quint32 sum = 0;
    for (const char byte : image)
        sum += quint8(byte);
    return sum;
}

qint64 upgradeBlocksFor(qint64 imageSize)
{
    if (imageSize <= 0)
        return 0;
    return imageSize / UpgradeBlockSize + (imageSize % UpgradeBlockSize ? 1 : 0);
}

bool upgradeFileFits(quint16 deviceId, quint16 targetId)
{
    return targetId == AnyDeviceTargetId || targetId == deviceId;
}

std::array<quint8, 4> UpgradeImage::check() const
{
    return {{quint8(m_byteSum >> 24), quint8(m_byteSum >> 16), quint8(m_byteSum >> 8),
             quint8(m_byteSum)}};
}

int UpgradeImage::timeLimitMs() const
{
    return size() > LargeImageSize - 1 ? 15000 : 25000;
}

UpgradeImage::Match UpgradeImage::matches(const DeviceIdentity &device) const
{
    if (device.isUnnamedBootLoader())
        return Match::Unchecked;
    return upgradeFileFits(device.id, targetId) ? Match::Fits : Match::WrongDevice;
}

UpgradeLoad UpgradeImage::fromBytes(const QByteArray &fileBytes, UpgradeImage *loaded)
{
    // Without its last two bytes there is no identifier to read.
    if (fileBytes.size() < 2)
        return UpgradeLoad::Unreadable;
    const qint64 imageSize = fileBytes.size() - 2;
    if (upgradeBlocksFor(imageSize) > MaxUpgradeBlocks)
        return UpgradeLoad::TooLarge;

    UpgradeImage image;
    image.image = fileBytes.left(int(imageSize));
    image.targetId = quint16(quint8(fileBytes.at(int(imageSize))) << 8
                             | quint8(fileBytes.at(int(imageSize) + 1)));
    image.m_byteSum = upgradeByteSum(image.image);
    *loaded = image;
    return UpgradeLoad::Loaded;
}

UpgradeLoad UpgradeImage::fromFile(const QString &fileName, UpgradeImage *loaded)
{
    // Pipes and devices are never opened: reading them could wait for ever.
    if (!isRegularUserFile(fileName))
        return UpgradeLoad::Unreadable;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return UpgradeLoad::Unreadable;
    // The size first: a file too large for the block count is refused unread, and no more is
    // read than the file holds.
    const qint64 size = file.size();
    if (size > MaxUpgradeFileSize)
        return UpgradeLoad::TooLarge;
    const QByteArray bytes = file.read(size);
    if (file.error() != QFileDevice::NoError || bytes.size() != size)
        return UpgradeLoad::Unreadable;
    UpgradeImage image;
    const UpgradeLoad result = fromBytes(bytes, &image);
    if (result == UpgradeLoad::Loaded) {
        image.fileName = fileName;
        *loaded = image;
    }
    return result;
}
