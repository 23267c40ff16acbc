// Loading an upgrade file: the image, its target identifier, check value and block count, the
// refusals, the match with a device, and the file filter of the open dialog.

#include "device/deviceidentity.h"
#include "upgrade/upgradefile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

QByteArray withTarget(const QByteArray &image, quint16 target)
{
    return image + QByteArray(1, char(target >> 8)) + QByteArray(1, char(target & 0xFF));
}

std::array<quint8, 4> checkBytes(quint32 sum)
{
    return {{quint8(sum >> 24), quint8(sum >> 16), quint8(sum >> 8), quint8(sum)}};
}

} // namespace

class UpgradeFileTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString writeFile(const QString &name, const QByteArray &content)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return QString();
        return path;
    }

private slots:
    void loadsImageTargetCheckAndBlocks_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<quint16>("target");
        QTest::addColumn<quint32>("sum");
        QTest::addColumn<int>("blocks");
        QTest::newRow("three bytes")
                << QByteArray("\x01\x02\xFF", 3) << quint16(0x1005) << quint32(0x102) << 1;
        QTest::newRow("1024 bytes")
                << QByteArray(1024, '\x01') << quint16(0x3004) << quint32(1024) << 2;
        QTest::newRow("1025 bytes")
                << QByteArray(1025, '\x01') << quint16(0xAAAA) << quint32(1025) << 3;
        QTest::newRow("empty image") << QByteArray() << quint16(0x2001) << quint32(0) << 0;
        // 0xFF * 16843010 wraps once past 2^32.
        QTest::newRow("sum wraps")
                << QByteArray(16843010, '\xFF') << quint16(0x0102)
                << quint32(quint64(255) * 16843010 % (quint64(1) << 32)) << 32897;
    }
    void loadsImageTargetCheckAndBlocks()
    {
        QFETCH(QByteArray, image);
        QFETCH(quint16, target);
        QFETCH(quint32, sum);
        QFETCH(int, blocks);
        const QString path = writeFile(QStringLiteral("f.swdf"), withTarget(image, target));
        QVERIFY(!path.isEmpty());
        UpgradeImage loaded;
        QCOMPARE(UpgradeImage::fromFile(path, &loaded), UpgradeLoad::Loaded);
        QCOMPARE(loaded.image, image);
        QCOMPARE(qint64(loaded.size()), qint64(image.size()));
        QCOMPARE(loaded.targetId, target);
        QCOMPARE(loaded.check(), checkBytes(sum));
        QCOMPARE(loaded.blockCount(), blocks);
        QCOMPARE(loaded.fileName, path);
    }

    void refusedFilesKeepThePreviousOne()
    {
        const QByteArray good = withTarget(QByteArray(600, '\x07'), 0x1005);
        UpgradeImage image;
        QCOMPARE(UpgradeImage::fromBytes(good, &image), UpgradeLoad::Loaded);

        // Too short for an identifier, missing, or unreadable: all refused alike.
        QCOMPARE(UpgradeImage::fromBytes(QByteArray(), &image), UpgradeLoad::Unreadable);
        QCOMPARE(UpgradeImage::fromBytes(QByteArray(1, '\xAA'), &image), UpgradeLoad::Unreadable);
        QCOMPARE(UpgradeImage::fromFile(writeFile(QStringLiteral("one.swdf"), QByteArray(1, 'x')),
                                        &image),
                 UpgradeLoad::Unreadable);
        QCOMPARE(UpgradeImage::fromFile(dir.filePath(QStringLiteral("missing.swdf")), &image),
                 UpgradeLoad::Unreadable);
        QCOMPARE(UpgradeImage::fromFile(dir.path(), &image), UpgradeLoad::Unreadable); // a folder
#ifdef Q_OS_UNIX
        // A named pipe is refused at once instead of waiting for a writer.
        const QString pipe = dir.filePath(QStringLiteral("pipe.swdf"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QCOMPARE(UpgradeImage::fromFile(pipe, &image), UpgradeLoad::Unreadable);
#endif

        QCOMPARE(image.image, QByteArray(600, '\x07'));
        QCOMPARE(image.targetId, quint16(0x1005));
        QCOMPARE(image.blockCount(), 2);
        QCOMPARE(image.check(), checkBytes(600 * 7));
    }

    void blockCountMustFitSixteenBits()
    {
        // 65535 full blocks still fit; one more byte would make the count wrap to 0.
        const int largest = MaxUpgradeBlocks * 512;
        QByteArray file = withTarget(QByteArray(largest, '\x01'), 0x1005);
        UpgradeImage image;
        QCOMPARE(UpgradeImage::fromBytes(file, &image), UpgradeLoad::Loaded);
        QCOMPARE(image.blockCount(), 65535);

        QCOMPARE(UpgradeImage::fromBytes(withTarget(QByteArray(600, '\x02'), 0x2001), &image),
                 UpgradeLoad::Loaded);
        file.insert(0, '\x01');
        QCOMPARE(UpgradeImage::fromBytes(file, &image), UpgradeLoad::TooLarge);
        const QString path = writeFile(QStringLiteral("big.swdf"), file);
        QVERIFY(!path.isEmpty());
        QCOMPARE(UpgradeImage::fromFile(path, &image), UpgradeLoad::TooLarge);
        QCOMPARE(qint64(image.size()), qint64(600));
        QCOMPARE(image.targetId, quint16(0x2001));
    }

    void filterAndMatch()
    {
        for (quint16 id : {0x3003, 0x3004, 0x3005}) {
            QVERIFY(isBwdfDevice(id));
            QCOMPARE(upgradeFileFilter(id), QStringLiteral("File(*.bwdf)"));
        }
        for (quint16 id : {0x0000, 0x3000, 0x3001, 0x3002, 0x3006, 0x1005}) {
            QVERIFY(!isBwdfDevice(id));
            QCOMPARE(upgradeFileFilter(id), QStringLiteral("File(*.swdf)"));
        }
        QVERIFY(upgradeFileFits(0x1005, 0x1005));
        QVERIFY(upgradeFileFits(0x1005, 0xAAAA));
        QVERIFY(upgradeFileFits(0x0000, 0xAAAA));
        QVERIFY(!upgradeFileFits(0x1005, 0x1006));

        // A boot loader that never named its device cannot be matched at all.
        UpgradeImage image;
        QCOMPARE(UpgradeImage::fromBytes(withTarget("x", 0x1006), &image), UpgradeLoad::Loaded);
        DeviceIdentity device;
        device.kind = ProductKind::Firmware;
        device.answered = true;
        device.id = 0x1005;
        QCOMPARE(image.matches(device), UpgradeImage::Match::WrongDevice);
        device.id = 0x1006;
        QCOMPARE(image.matches(device), UpgradeImage::Match::Fits);
        device.kind = ProductKind::BootLoader;
        device.answered = false;
        QCOMPARE(image.matches(device), UpgradeImage::Match::Unchecked);
    }
};

QTEST_GUILESS_MAIN(UpgradeFileTest)
#include "tst_upgradefile.moc"
