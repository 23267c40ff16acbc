#include "upgrade/upgradefile.h"

#include "device/protocol.h"
#include "device/session.h"
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

UpgradeLoad loadUpgradeBytes(const QByteArray &fileBytes)
{
    // Without its last two bytes there is no identifier to read.
    if (fileBytes.size() < 2)
        return UpgradeLoad::Unreadable;
    const qint64 imageSize = fileBytes.size() - 2;
    const qint64 blocks = upgradeBlocksFor(imageSize);
    if (blocks > MaxUpgradeBlocks)
        return UpgradeLoad::TooLarge;

    const QByteArray image = fileBytes.left(int(imageSize));
    const quint16 target = quint16(quint8(fileBytes.at(int(imageSize))) << 8
                                   | quint8(fileBytes.at(int(imageSize) + 1)));
    const quint32 sum = upgradeByteSum(image);

    DeviceSession &session = deviceSession();
    session.setUpgradeImage(image);
    session.upgradeSize = imageSize;
    session.upgradeTargetId = target;
    session.setUpgradeCheck(
            {{quint8(sum >> 24), quint8(sum >> 16), quint8(sum >> 8), quint8(sum)}});
    session.upgradeBlockCount = quint16(blocks);
    return UpgradeLoad::Loaded;
}

UpgradeLoad loadUpgradeFile(const QString &fileName)
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
    return loadUpgradeBytes(bytes);
}

void unloadUpgradeFile()
{
    DeviceSession &session = deviceSession();
    session.upgradeSize = 0;
    session.upgradeTargetId = 0;
    session.usbJob = JobNone;
    session.setUpgradeImage(QByteArray());
    session.upgradeBlockCount = 0;
}
