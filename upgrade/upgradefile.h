#ifndef UPGRADE_UPGRADEFILE_H
#define UPGRADE_UPGRADEFILE_H

#include <QByteArray>
#include <QString>

#include <array>

struct DeviceIdentity;

// An upgrade file is the firmware image followed by the two-byte identifier (high byte first)
// of the device it is made for. Nothing else is stored in it.

// The identifier of a file that any device accepts.
constexpr quint16 AnyDeviceTargetId = 0xAAAA;
// The block count goes to the device in 16 bits.
constexpr int MaxUpgradeBlocks = 65535;
// The largest file whose image still fits that count.
constexpr qint64 MaxUpgradeFileSize = qint64(MaxUpgradeBlocks) * 512 + 2;

// The colour-screen models whose upgrade files end in ".bwdf".
bool isBwdfDevice(quint16 deviceId);
// The file dialog's filter for the device identified last.
QString upgradeFileFilter(quint16 deviceId);

// The 32-bit sum of the image bytes taken as unsigned, wrapping around.
quint32 upgradeByteSum(const QByteArray &image);
// Number of 512-byte blocks of an image, the last one possibly shorter.
qint64 upgradeBlocksFor(qint64 imageSize);
// Whether a file made for targetId may go onto the device deviceId.
bool upgradeFileFits(quint16 deviceId, quint16 targetId);

enum class UpgradeLoad {
    Loaded,
    Unreadable, // no regular file, could not be opened or read, or too short for the identifier
    TooLarge, // the image has more blocks than the device can count
};

// A loaded upgrade file: the image, the identifier of the device it is made for, and what the
// upgrade sends about it (its size, block count and byte sum).
struct UpgradeImage
{
    QString fileName;
    QByteArray image;
    quint16 targetId = 0;

    bool isEmpty() const { return image.isEmpty(); }
    qint64 size() const { return image.size(); }
    int blockCount() const { return int(upgradeBlocksFor(image.size())); }
    quint32 byteSum() const { return m_byteSum; }
    // The byte sum as the finish command carries it, high byte first.
    std::array<quint8, 4> check() const;
    // Images above 0x11FFF bytes are erased with the long command and may go 15 s without
    // progress, smaller ones 25 s.
    int timeLimitMs() const;

    enum class Match {
        Fits, // made for this device, or for any device
        WrongDevice, // made for another device
        Unchecked // the device is a boot loader that never named itself: nothing to check
    };
    Match matches(const DeviceIdentity &device) const;

    // Takes the complete bytes of an upgrade file; anything but Loaded leaves *image alone.
    static UpgradeLoad fromBytes(const QByteArray &fileBytes, UpgradeImage *image);
    // Reads the file (a regular file only, its size checked before anything is read).
    static UpgradeLoad fromFile(const QString &fileName, UpgradeImage *image);

private:
    quint32 m_byteSum = 0;
};

#endif // UPGRADE_UPGRADEFILE_H
