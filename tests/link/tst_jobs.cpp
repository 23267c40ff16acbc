#include "catalogue/devicemodels.h"
#include "device/jobs.h"
#include "device/protocol.h"
#include "device/session.h"
#include "device/transport.h"
#include "device/usbthread.h"
#include "pictures/bmp.h"
#include "support/testsupport.h"
#include "virtualdevice/virtualdevice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>

#include <sys/resource.h>

namespace {

void putLe32(QByteArray &data, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        data.append(char((value >> (8 * i)) & 0xFF));
}

void putLe16(QByteArray &data, quint16 value)
{
    data.append(char(value & 0xFF));
    data.append(char(value >> 8));
}

// A 24-bit BMP file of one colour.
QByteArray colourBmp(int width, int height, quint8 red, quint8 green, quint8 blue)
{
    const int stride = (width * 3 + 3) / 4 * 4;
    QByteArray file("BM");
    putLe32(file, quint32(54 + stride * height));
    putLe32(file, 0);
    putLe32(file, 54);
    putLe32(file, 40);
    putLe32(file, quint32(width));
    putLe32(file, quint32(height));
    putLe16(file, 1);
    putLe16(file, 24);
    for (int i = 0; i < 6; ++i)
        putLe32(file, 0);
    for (int y = 0; y < height; ++y) {
        QByteArray row;
        for (int x = 0; x < width; ++x) {
            row.append(char(blue));
            row.append(char(green));
            row.append(char(red));
        }
        file.append(row.leftJustified(stride, '\0'));
    }
    return file;
}

// A monochrome BMP file as the read job writes it, made from LCD bytes.
QByteArray monoBmp(int format, const QByteArray &lcd)
{
    const int width = format == 0 ? 128 : 64;
    const int height = format == 0 ? 32 : 128;
    QByteArray pixels(1280, '\0');
    const int size
            = BMP::lcdColRowDataToBmp8(reinterpret_cast<quint8 *>(pixels.data()),
                                       reinterpret_cast<const quint8 *>(lcd.constData()), width,
                                       height, format == 1, lcd.size(), pixels.size());
    return BMP::monoBmpHeader(format) + pixels.left(size);
}

QString writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(content);
    return path;
}

} // namespace

class JobsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir workDir;
    QString previousDir;
    std::shared_ptr<VirtualDevice> device;

    void connectVirtual(quint16 id, int restartMs = 60)
    {
        VirtualDevice::Settings settings;
        settings.id = id;
        settings.serial = 0xc0ffee01;
        settings.restartDelayMs = restartMs;
        settings.eraseDelayMs = 5;
        device = std::make_shared<VirtualDevice>(settings);
        setHidBackend(std::make_shared<VirtualBus>(device));
        QCOMPARE(openHidDevice(), 1);
        QVERIFY(readDeviceInfo(200));
    }

    void loadImage(const QByteArray &image)
    {
        DeviceSession &session = deviceSession();
        session.setUpgradeImage(image);
        session.upgradeSize = image.size();
        session.upgradeTargetId = quint16(session.deviceId);
        quint32 sum = 0;
        for (char byte : image)
            sum += quint8(byte);
        session.setUpgradeCheck(
                {{quint8(sum >> 24), quint8(sum >> 16), quint8(sum >> 8), quint8(sum)}});
        session.upgradeBlockCount = quint16((image.size() + 511) / 512);
        session.upgradeBlockIndex = 0;
        session.upgradeDone = false;
        session.setDeviceStatus(QString());
        session.usbJob = JobUpgrade;
    }

    // Runs the job on the worker, which finds the boot loader by itself, until it ends.
    void runUpgrade(int limitMs = 15000)
    {
        startUsbThread();
        QTRY_VERIFY_WITH_TIMEOUT(!usbThreadRunning(), limitMs);
    }

    // Waits until the job has opened the device's boot loader.
    bool waitForBootLoader()
    {
        QElapsedTimer timer;
        timer.start();
        while (deviceSession().appFirmware && timer.elapsed() < 3000)
            QThread::msleep(5);
        return !deviceSession().appFirmware;
    }

    int cause() const { return deviceSession().jobCause; }

private slots:
    void initTestCase()
    {
        QVERIFY(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }
    void init()
    {
        QVERIFY(stopWorkerAndWait());
        deviceSession().clear();
        loadDeviceModelsFrom(QStringLiteral("/nonexistent"));
        deviceSession().timing.bootWaitRoundMs = 50;
        deviceSession().timing.bootWaitRounds = 8;
    }
    void cleanup()
    {
        QVERIFY(stopWorkerAndWait());
        closeHidDevice();
    }

    void fullUpgrade_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("eraseCommand");
        QTest::newRow("small image") << 0x11FFF << 0x09;
        QTest::newRow("large image") << 0x12000 << 0x08;
        QTest::newRow("one short block") << 300 << 0x09;
    }
    void fullUpgrade()
    {
        QFETCH(int, size);
        QFETCH(int, eraseCommand);
        connectVirtual(0x1005);
        const QByteArray image = randomBytes(size, quint32(size));
        loadImage(image);
        runUpgrade();
        DeviceSession &session = deviceSession();
        QVERIFY(session.upgradeDone);
        QCOMPARE(int(session.usbJob), int(JobNone));
        QCOMPARE(session.deviceStatus(), QString());
        QCOMPARE(int(session.upgradeBlockIndex), int(session.upgradeBlockCount));
        QVERIFY(device->lastUpgradeVerified());
        QCOMPARE(device->receivedImage(), image);
        bool erased = false;
        for (const QByteArray &frame : device->receivedFrames())
            erased = erased || quint8(frame[3]) == eraseCommand;
        QVERIFY(erased);
        // The device restarts into its new firmware and can be connected again.
        QTRY_VERIFY_WITH_TIMEOUT(openHidDevice() == 1 && session.appFirmware, 3000);
    }

    void stopAtFirstBlock()
    {
        connectVirtual(0x1005);
        device->answerWithStatus(0x04, VirtualDevice::Status::Stop);
        loadImage(randomBytes(2048, 7));
        runUpgrade();
        DeviceSession &session = deviceSession();
        QCOMPARE(session.deviceStatus(), QStringLiteral("STOP"));
        QVERIFY(!session.upgradeDone);
        QCOMPARE(int(session.upgradeBlockIndex), 0);
        QCOMPARE(device->blocksReceived(), 0);
    }

    void lowPowerWhileWaiting()
    {
        connectVirtual(0x1005);
        device->answerWithStatus(0x37, VirtualDevice::Status::LowPower, 3);
        loadImage(randomBytes(2048, 8));
        QElapsedTimer timer;
        timer.start();
        runUpgrade();
        QCOMPARE(deviceSession().deviceStatus(), QStringLiteral("LOWPOWER"));
        QVERIFY(!deviceSession().upgradeDone);
        QVERIFY(timer.elapsed() < 1000);
        for (const QByteArray &frame : device->receivedFrames())
            QVERIFY(quint8(frame[3]) != 0x09 && quint8(frame[3]) != 0x04);
    }

    void bootLoaderNeverAppears()
    {
        connectVirtual(0x1005);
        device->setBootLoaderNeverAppears(true);
        loadImage(randomBytes(2048, 9));
        QElapsedTimer timer;
        timer.start();
        runUpgrade();
        // Eight rounds of 50 ms, then the job gives up.
        QVERIFY(timer.elapsed() >= 8 * 50);
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(cause(), int(JobCause::NoBootLoader));
        QCOMPARE(int(deviceSession().jobOutcome), int(JobOutcome::Failed));
        QVERIFY(!deviceSession().upgradeDone);
    }

    void unplugInTheMiddle()
    {
        connectVirtual(0x1005);
        loadImage(randomBytes(40 * 512, 10));
        device->setReportDelay(1);
        // The hello, the erase and ten blocks arrive; then the cable is pulled.
        startUsbThread();
        QVERIFY(waitForBootLoader());
        QTRY_VERIFY_WITH_TIMEOUT(device->blocksReceived() >= 10, 5000);
        device->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!usbThreadRunning(), 5000);
        QCOMPARE(cause(), int(JobCause::Unplugged));
        QVERIFY(!deviceSession().upgradeDone);
        QVERIFY(deviceSession().upgradeBlockIndex < 40);
    }

    void lostBlockReplies()
    {
        connectVirtual(0x1005);
        // One lost reply is answered by sending the block again.
        device->dropReplies(1, 0x04);
        const QByteArray image = randomBytes(6 * 512, 11);
        loadImage(image);
        runUpgrade();
        QVERIFY(deviceSession().upgradeDone);
        QVERIFY(device->lastUpgradeVerified());
        QCOMPARE(device->blocksReceived(), 7);

        // A block that gets no reply in its three tries ends the job as a failure.
        connectVirtual(0x1005);
        device->dropReplies(3, 0x04);
        loadImage(image);
        runUpgrade();
        QVERIFY(!deviceSession().upgradeDone);
        QCOMPARE(cause(), int(JobCause::NoAnswer));
        QCOMPARE(JobStep(int(deviceSession().jobStep)), JobStep::Block);
        QCOMPARE(int(deviceSession().jobDetail), 1);
        QCOMPARE(int(deviceSession().upgradeBlockIndex), 0);
        QVERIFY(!device->lastUpgradeVerified());
    }

    void finishWithoutReply()
    {
        // A boot loader that restarts without answering the finish: what comes back decides.
        connectVirtual(0x1005);
        device->omitReplies(0x20);
        loadImage(randomBytes(1000, 12));
        runUpgrade();
        QVERIFY(deviceSession().upgradeDone);
        QVERIFY(deviceSession().upgradeVerified);
        QCOMPARE(int(deviceSession().jobOutcome), int(JobOutcome::Succeeded));
        QCOMPARE(deviceSession().versionAfterUpgrade(), QStringLiteral("1.0.3.2.8"));
        QCOMPARE(device->mode(), VirtualDevice::Mode::Application);

        // One that found the image wrong stays in its boot loader, silently.
        connectVirtual(0x1005);
        device->omitReplies(0x20);
        loadImage(randomBytes(1000, 12));
        deviceSession().setUpgradeCheck({{0, 0, 0, 1}});
        deviceSession().timing.restartWaitMs = 300;
        runUpgrade();
        QVERIFY(!deviceSession().upgradeDone);
        QCOMPARE(cause(), int(JobCause::StayedInBootLoader));
        QCOMPARE(device->mode(), VirtualDevice::Mode::BootLoader);
    }

    void helloWithoutReply()
    {
        // Firmware that restarts into its boot loader without answering the hello: the job
        // does not sit through the hello's tries, it goes on to the boot loader at once.
        connectVirtual(0x1005);
        device->omitReplies(0x37);
        loadImage(randomBytes(2 * 512, 17));
        QElapsedTimer timer;
        timer.start();
        runUpgrade();
        QVERIFY(deviceSession().upgradeDone);
        QVERIFY(device->lastUpgradeVerified());
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    }

    void lowPowerEndsTheUpgrade_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("step");
        QTest::newRow("erase") << 0x09 << int(JobStep::Erase);
        QTest::newRow("block") << 0x04 << int(JobStep::Block);
        QTest::newRow("finish") << 0x20 << int(JobStep::Finish);
    }
    void lowPowerEndsTheUpgrade()
    {
        QFETCH(int, command);
        QFETCH(int, step);
        connectVirtual(0x1005);
        device->answerWithStatus(quint8(command), VirtualDevice::Status::LowPower);
        loadImage(randomBytes(3 * 512, 15));
        runUpgrade();
        QCOMPARE(cause(), int(JobCause::LowPower));
        QCOMPARE(int(deviceSession().jobStep), step);
        QVERIFY(!deviceSession().upgradeDone);
        QCOMPARE(deviceSession().deviceStatus(), QStringLiteral("LOWPOWER"));
    }

    void timeLimitEndsAStalledJob()
    {
        // The device does not answer the erase; the job gives up when its limit passes, long
        // before the erase's own tries are spent.
        connectVirtual(0x1005);
        deviceSession().timing.timeLimitMs = 400;
        loadImage(randomBytes(4 * 512, 16));
        device->dropReplies(3, 0x09);
        QElapsedTimer timer;
        timer.start();
        runUpgrade();
        QCOMPARE(cause(), int(JobCause::TimeLimit));
        QCOMPARE(int(deviceSession().jobStep), int(JobStep::Erase));
        QVERIFY(timer.elapsed() < 3000);
    }

    void stopRequestEndsTheJob()
    {
        connectVirtual(0x1005);
        loadImage(randomBytes(200 * 512, 13));
        device->setReportDelay(1);
        startUsbThread();
        QVERIFY(waitForBootLoader());
        QTRY_VERIFY_WITH_TIMEOUT(device->blocksReceived() >= 2, 5000);
        QElapsedTimer timer;
        timer.start();
        stopUsbThread(); // asks, never waits
        QVERIFY(timer.elapsed() < 50);
        QTRY_VERIFY_WITH_TIMEOUT(!usbThreadRunning(), 1000);
        QVERIFY(!deviceSession().upgradeDone);
        QVERIFY(device->blocksReceived() < 200);
        // The front ends see a stopped upgrade end as a failure.
        QCOMPARE(cause(), int(JobCause::Stopped));
        QCOMPARE(int(deviceSession().jobOutcome), int(JobOutcome::Failed));
    }

    void pictureJobDuringUpgrade()
    {
        // A job code of 3 set while the upgrade runs makes the worker read the pictures and end.
        connectVirtual(0x1005);
        loadImage(randomBytes(400 * 512, 14));
        device->setReportDelay(1);
        startUsbThread();
        QVERIFY(waitForBootLoader());
        QTRY_VERIFY_WITH_TIMEOUT(device->blocksReceived() >= 1, 5000);
        deviceSession().usbJob = JobReadPictures;
        QTRY_VERIFY_WITH_TIMEOUT(!usbThreadRunning(), 10000);
        QCOMPARE(int(deviceSession().jobProgress), 12);
        QCOMPARE(int(deviceSession().usbJob), int(JobNone));
        QVERIFY(!deviceSession().upgradeDone);
    }

    void readPictures_data()
    {
        QTest::addColumn<int>("id");
        QTest::newRow("128 x 32") << 0x1005;
        QTest::newRow("64 x 128") << 0x2001;
    }
    void readPictures()
    {
        QFETCH(int, id);
        connectVirtual(quint16(id));
        const int format = deviceSession().screenFormat;
        const int bytes = format == 0 ? 512 : 1024;
        for (int slot = 0; slot < 12; ++slot)
            device->setPicture(slot, randomBytes(bytes, quint32(slot + id)));
        QDir(deviceSession().deviceSerial()).removeRecursively();

        deviceSession().usbJob = JobReadPictures;
        runUsbJob();
        QCOMPARE(int(deviceSession().jobProgress), 12);
        QCOMPARE(deviceSession().jobResult(), QString());
        QVERIFY(QDir(QStringLiteral("c0ffee01")).exists());
        for (int slot = 0; slot < 12; ++slot) {
            const QString path
                    = QDir::currentPath() + QStringLiteral("/c0ffee01/%1.bmp").arg(slot + 1);
            QCOMPARE(deviceSession().pictureFile(slot), path);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray content = file.readAll();
            QCOMPARE(content, monoBmp(format, device->picture(slot)));
            // Converted back, the file gives the LCD bytes the device holds.
            QByteArray lcd(1536, '\0');
            const int size = BMP::bmp8ToLcdColRowData(reinterpret_cast<quint8 *>(lcd.data()), path,
                                                      true, lcd.size());
            QCOMPARE(size, bytes);
            QCOMPARE(lcd.left(size), device->picture(slot));
        }
    }

    void readWithLostReply()
    {
        connectVirtual(0x1005);
        QDir(QStringLiteral("c0ffee01")).removeRecursively();
        QStringList entries;
        for (int slot = 0; slot < 12; ++slot)
            entries << QStringLiteral(":/512/512/x.bmp");
        deviceSession().setPictureFiles(entries);
        device->dropReplies(1, 0x39);
        deviceSession().usbJob = JobReadPictures;
        runUsbJob();
        QCOMPARE(int(deviceSession().jobProgress), 12);
        QCOMPARE(deviceSession().jobResult(), QStringLiteral("false"));
        // The first slot kept its entry; the others arrived.
        QCOMPARE(deviceSession().pictureFile(0), QStringLiteral(":/512/512/x.bmp"));
        QVERIFY(!QFile::exists(QStringLiteral("c0ffee01/1.bmp")));
        QVERIFY(QFile::exists(QStringLiteral("c0ffee01/12.bmp")));
    }

    void failedSavesKeepThePreviousPictures_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("disk full") << true;
        QTest::newRow("folder cannot be made") << false;
    }
    void failedSavesKeepThePreviousPictures()
    {
        QFETCH(bool, diskFull);
        connectVirtual(0x1005);
        DeviceSession &session = deviceSession();
        QDir(QStringLiteral("c0ffee01")).removeRecursively();
        session.usbJob = JobReadPictures;
        runUsbJob();
        QCOMPARE(int(session.jobOutcome), int(JobOutcome::Succeeded));
        const QStringList filesBefore = session.pictureFiles();
        QFile first(QStringLiteral("c0ffee01/1.bmp"));
        QVERIFY(first.open(QIODevice::ReadOnly));
        const QByteArray firstBefore = first.readAll();
        first.close();
        QCOMPARE(firstBefore.size(), 574);

        for (int slot = 0; slot < 12; ++slot)
            device->setPicture(slot, randomBytes(512, quint32(slot + 40)));
        session.usbJob = JobReadPictures;
        if (diskFull) {
            // Files may grow to 100 bytes only, as on a full disk.
            rlimit previous{};
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
            const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
            rlimit small = previous;
            small.rlim_cur = 100;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            runUsbJob();
            setrlimit(RLIMIT_FSIZE, &previous);
            signal(SIGXFSZ, oldHandler);
        } else {
            // The folder's place is taken by a file.
            QVERIFY(writeFile(QStringLiteral("notafolder"), "x") == QStringLiteral("notafolder"));
            setPictureFolder(QDir::current().filePath(QStringLiteral("notafolder/pictures")));
            runUsbJob();
            setPictureFolder(QString());
        }

        // Reported as failed, with the cause; every file and slot as it was.
        QCOMPARE(int(session.jobOutcome), int(JobOutcome::Failed));
        QCOMPARE(cause(), int(JobCause::PictureFile));
        QCOMPARE(session.pictureFiles(), filesBefore);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), firstBefore);
        QCOMPARE(QDir(QStringLiteral("c0ffee01")).entryList(QDir::Files).size(), 12);
    }

    void writeMarkedMonoPictures()
    {
        connectVirtual(0x1005);
        DeviceSession &session = deviceSession();
        QStringList files;
        for (int slot = 0; slot < 12; ++slot) {
            files << writeFile(QStringLiteral("mono%1.bmp").arg(slot),
                               monoBmp(0, randomBytes(512, quint32(100 + slot))));
        }
        session.setPictureFiles(files);
        session.pictureWriteMask = 0x0005;
        session.jobProgress = 0;
        session.setJobResult(QString());
        session.usbJob = JobWritePictures;
        runUsbJob();
        QCOMPARE(int(session.jobProgress), 2);
        QCOMPARE(int(session.pictureWriteMask), 0);
        QCOMPARE(session.jobResult(), QString());
        QCOMPARE(device->receivedFrames().size(), 1 + 2); // the information request, two slots
        QCOMPARE(device->picture(0), randomBytes(512, 100));
        QCOMPARE(device->picture(2), randomBytes(512, 102));
        QCOMPARE(quint8(device->receivedFrames().at(2)[6]), quint8(3));
    }

    void writeFailures()
    {
        connectVirtual(0x1005);
        DeviceSession &session = deviceSession();
        QStringList files;
        files << writeFile(QStringLiteral("tall.bmp"), colourBmp(128, 48, 255, 255, 255));
        files << QStringLiteral("missing.bmp");
        files << writeFile(QStringLiteral("ok.bmp"), monoBmp(0, randomBytes(512, 5)));
        files << writeFile(QStringLiteral("garbage.bmp"), QByteArray("BM not a picture"));
        session.setPictureFiles(files);
        session.pictureWriteMask = 0x000F;
        session.jobProgress = 0;
        session.usbJob = JobWritePictures;
        runUsbJob();
        // 768 bytes are not sent but counted; unconvertible files are failures, not counted.
        QCOMPARE(int(session.jobProgress), 2);
        QCOMPARE(session.jobResult(), QStringLiteral("false"));
        QCOMPARE(device->receivedFrames().size(), 2);
        QCOMPARE(device->picture(2), randomBytes(512, 5));
    }

    void writeColourPictures()
    {
        connectVirtual(0x3000);
        DeviceSession &session = deviceSession();
        QStringList files;
        for (int slot = 0; slot < 10; ++slot)
            files << writeFile(QStringLiteral("colour%1.bmp").arg(slot),
                               colourBmp(80, 160, quint8(slot * 20), 0, 255));
        session.setPictureFiles(files);
        session.pictureWriteMask = 0;
        session.jobProgress = 0;
        session.usbJob = JobWritePictures;
        runUsbJob();
        QCOMPARE(int(session.jobProgress), 10);
        QCOMPARE(session.jobResult(), QString());
        QCOMPARE(device->receivedFrames().size(), 1 + 10 * 50);
        // Pure blue in RGB565, high byte first.
        const QByteArray picture = device->picture(0);
        QCOMPARE(quint8(picture[0]), quint8(0x00));
        QCOMPARE(quint8(picture[1]), quint8(0x1F));
        QCOMPARE(quint8(device->picture(9)[0]) >> 3, (9 * 20) >> 3);
    }
};

QTEST_GUILESS_MAIN(JobsTest)
#include "tst_jobs.moc"
