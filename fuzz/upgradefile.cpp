// Taking an upgrade file's bytes (loadUpgradeBytes): the image, its size, the target, the byte
// sum and the block count describe the file exactly, and a refused file changes nothing.

#include "upgrade/upgradefile.h"
#include "device/protocol.h"
#include "device/session.h"
#include "fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file = Fuzz::bytesOf(data, size);
    DeviceSession &session = deviceSession();
    // A loaded file before, to see what a refusal leaves.
    const QByteArray before = QByteArray::fromHex("0102031005");
    FUZZ_CHECK(loadUpgradeBytes(before) == UpgradeLoad::Loaded);

    const UpgradeLoad result = loadUpgradeBytes(file);
    if (result != UpgradeLoad::Loaded) {
        FUZZ_CHECK(file.size() < 2 || file.size() > MaxUpgradeFileSize);
        FUZZ_CHECK(session.upgradeImage() == before.left(3));
        FUZZ_CHECK(session.upgradeSize == 3 && session.upgradeTargetId == 0x1005);
        FUZZ_CHECK(session.upgradeBlockCount == 1);
        return 0;
    }

    FUZZ_CHECK(file.size() >= 2);
    const QByteArray image = session.upgradeImage();
    const quint16 target = session.upgradeTargetId;
    // Image and target make the file again.
    QByteArray again = image;
    again.append(char(target >> 8));
    again.append(char(target & 0xFF));
    FUZZ_CHECK(again == file);
    FUZZ_CHECK(session.upgradeSize == image.size());

    quint32 sum = 0;
    for (const char byte : image)
        sum += quint8(byte);
    const std::array<quint8, 4> check = session.upgradeCheck();
    FUZZ_CHECK(((quint32(check[0]) << 24) | (quint32(check[1]) << 16) | (quint32(check[2]) << 8)
                | check[3])
               == sum);

    // Every byte in exactly one block, the last one possibly shorter.
    const qint64 blocks = session.upgradeBlockCount;
    FUZZ_CHECK(blocks * UpgradeBlockSize >= image.size());
    FUZZ_CHECK(image.isEmpty() ? blocks == 0 : (blocks - 1) * UpgradeBlockSize < image.size());
    return 0;
}
