// Taking an upgrade file's bytes (UpgradeImage::fromBytes): the image, the target, the byte
// sum and the block count describe the file exactly, and a refused file changes nothing.

#include "upgrade/upgradefile.h"
#include "device/commands.h"
#include "fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file = Fuzz::bytesOf(data, size);
    // A loaded file before, to see what a refusal leaves.
    UpgradeImage image;
    FUZZ_CHECK(UpgradeImage::fromBytes(QByteArray::fromHex("0102031005"), &image)
               == UpgradeLoad::Loaded);

    const UpgradeLoad result = UpgradeImage::fromBytes(file, &image);
    if (result != UpgradeLoad::Loaded) {
        FUZZ_CHECK(file.size() < 2 || file.size() > MaxUpgradeFileSize);
        FUZZ_CHECK(image.image == QByteArray::fromHex("010203"));
        FUZZ_CHECK(image.targetId == 0x1005 && image.blockCount() == 1);
        return 0;
    }

    FUZZ_CHECK(file.size() >= 2);
    // Image and target make the file again.
    QByteArray again = image.image;
    again.append(char(image.targetId >> 8));
    again.append(char(image.targetId & 0xFF));
    FUZZ_CHECK(again == file);

    quint32 sum = 0;
    for (const char byte : qAsConst(image.image))
        sum += quint8(byte);
    const std::array<quint8, 4> check = image.check();
    FUZZ_CHECK(((quint32(check[0]) << 24) | (quint32(check[1]) << 16) | (quint32(check[2]) << 8)
                | check[3])
               == sum);

    // Every byte in exactly one block, the last one possibly shorter; each block's frame
    // carries its bytes.
    const qint64 blocks = image.blockCount();
    FUZZ_CHECK(blocks * UpgradeBlockSize >= image.size());
    FUZZ_CHECK(image.isEmpty() ? blocks == 0 : (blocks - 1) * UpgradeBlockSize < image.size());
    if (blocks > 0) {
        const QByteArray last
                = Wire::upgradeBlockFrame(image.targetId, image.image, int(blocks - 1), false);
        FUZZ_CHECK(last.mid(10, last.size() - 13)
                   == image.image.mid(int((blocks - 1) * UpgradeBlockSize)));
    }
    return 0;
}
