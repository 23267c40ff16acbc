#include "catalogue/devicemodels.h"
#include "device/devicejobs.h"
#include "pictures/bmp.h"
#include "pictures/picturejobs.h"
#include "support/engine.h"
#include "support/testsupport.h"
#include "upgrade/upgradejob.h"
#include "virtualdevice/virtualdevice.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

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

// The upgrade and the picture jobs against the virtual device, through the real link.
class JobsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir workDir;
    QString previousDir;
    std::unique_ptr<VirtualRig> rig;
    std::shared_ptr<VirtualDevice> device;
    Device *target = nullptr;

    void connectVirtual(quint16 id, int restartMs = 60)
    {
        rig = std::make_unique<VirtualRig>();
        device = rig->plug(VirtualRig::settingsFor(id, 0xc0ffee01, restartMs));
        target = rig->connect(QStringLiteral("virtual:1"));
        QVERIFY(target);
    }

    void setTiming(int restartWaitMs, int timeLimitMs = 0)
    {
        LinkTiming timing = rig->manager->timing();
        timing.restartWaitMs = restartWaitMs;
        timing.timeLimitMs = timeLimitMs;
        rig->manager->setTiming(timing);
    }

    JobResult upgrade(const QByteArray &bytes)
    {
        UpgradeJob job(target, imageFor(target->identity().id, bytes));
        if (!runJob(job))
            return JobResult();
        return job.result();
    }

    JobResult readAll(const QString &folder = QString())
    {
        PictureReadJob job(target, folder);
        if (!runJob(job))
            return JobResult();
        return job.result();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(workDir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(workDir.path());
        loadDeviceModelsFrom(QStringLiteral("/nonexistent"));
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }
    void cleanup()
    {
        target = nullptr;
        rig.reset();
        device.reset();
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
        const JobResult result = upgrade(image);
        QCOMPARE(result.outcome, JobOutcome::Succeeded);
        QCOMPARE(result.cause, JobCause::None);
        QCOMPARE(result.verdict, UpgradeVerdict::AcknowledgedBack);
        QCOMPARE(result.blocksSent, result.blockCount);
        QCOMPARE(result.firmwareBefore, QStringLiteral("1.0.3.2.7"));
        QCOMPARE(result.firmwareAfter, QStringLiteral("1.0.3.2.8"));
        QVERIFY(device->lastUpgradeVerified());
        QCOMPARE(device->receivedImage(), image);
        QCOMPARE(framesWithCode(*device, quint8(eraseCommand)), 1);
        // The device is known as it came back, without another connection.
        QCOMPARE(target->identity().firmwareVersion, QStringLiteral("1.0.3.2.8"));
        QVERIFY(target->isConnected());
        QCOMPARE(target->kind(), ProductKind::Firmware);
    }

    void stopAtFirstBlock()
    {
        connectVirtual(0x1005);
        device->answerWithStatus(0x04, VirtualDevice::Status::Stop);
        const JobResult result = upgrade(randomBytes(2048, 7));
        QCOMPARE(result.cause, JobCause::DeviceStop);
        QCOMPARE(result.step, JobStep::Block);
        QCOMPARE(result.detail, 1);
        QCOMPARE(result.blocksSent, 0);
        QCOMPARE(device->blocksReceived(), 0);
    }

    void lowPowerWhileWaiting()
    {
        connectVirtual(0x1005);
        device->answerWithStatus(0x37, VirtualDevice::Status::LowPower, 3);
        QElapsedTimer timer;
        timer.start();
        const JobResult result = upgrade(randomBytes(2048, 8));
        QCOMPARE(result.cause, JobCause::LowPower);
        QCOMPARE(result.step, JobStep::Hello);
        QVERIFY(timer.elapsed() < 1000);
        QCOMPARE(framesWithCode(*device, 0x09), 0);
        QCOMPARE(framesWithCode(*device, 0x04), 0);
    }

    void bootLoaderNeverAppears()
    {
        connectVirtual(0x1005);
        device->setBootLoaderNeverAppears(true);
        QElapsedTimer timer;
        timer.start();
        const JobResult result = upgrade(randomBytes(2048, 9));
        // Eight rounds of 50 ms, then the job gives up.
        QVERIFY(timer.elapsed() >= 8 * 50);
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(result.cause, JobCause::NoBootLoader);
        QCOMPARE(result.outcome, JobOutcome::Failed);
    }

    void unplugInTheMiddle()
    {
        connectVirtual(0x1005);
        device->setReportDelay(1);
        UpgradeJob job(target, imageFor(0x1005, randomBytes(40 * 512, 10)));
        QVERIFY(job.start());
        // The hello, the erase and ten blocks arrive; then the cable is pulled.
        QVERIFY(spinUntil([this]() { return device->blocksReceived() >= 10; }));
        device->unplug();
        QVERIFY(spinUntil([&job]() { return job.isFinished(); }, 5000));
        QCOMPARE(job.result().cause, JobCause::Unplugged);
        QVERIFY(job.result().blocksSent < 40);
    }

    void lostBlockReplies()
    {
        connectVirtual(0x1005);
        // One lost reply is answered by sending the block again.
        device->dropReplies(1, 0x04);
        const QByteArray image = randomBytes(6 * 512, 11);
        QCOMPARE(upgrade(image).outcome, JobOutcome::Succeeded);
        QVERIFY(device->lastUpgradeVerified());
        QCOMPARE(device->blocksReceived(), 7);

        // A block that gets no reply in its three tries ends the job as a failure.
        connectVirtual(0x1005);
        device->dropReplies(3, 0x04);
        const JobResult result = upgrade(image);
        QCOMPARE(result.cause, JobCause::NoAnswer);
        QCOMPARE(result.step, JobStep::Block);
        QCOMPARE(result.detail, 1);
        QCOMPARE(result.blocksSent, 0);
        QVERIFY(!device->lastUpgradeVerified());
    }

    // Every way an upgrade can end at and after its finish command, and the verdict of each.
    void verdictAfterTheImage_data()
    {
        QTest::addColumn<bool>("omitFinishReply");
        QTest::addColumn<bool>("imageWrong");
        QTest::addColumn<bool>("backToBootLoader");
        QTest::addColumn<int>("restartMs");
        QTest::addColumn<UpgradeVerdict>("verdict");
        QTest::addColumn<JobOutcome>("outcome");
        QTest::addColumn<JobCause>("cause");
        QTest::newRow("acknowledged, back running firmware")
                << false << false << false << 60 << UpgradeVerdict::AcknowledgedBack
                << JobOutcome::Succeeded << JobCause::None;
        QTest::newRow("acknowledged, back in its boot loader")
                << false << false << true << 60 << UpgradeVerdict::AcknowledgedBootLoader
                << JobOutcome::Failed << JobCause::StayedInBootLoader;
        QTest::newRow("acknowledged, not back within the limit")
                << false << false << false << 2000 << UpgradeVerdict::AcknowledgedGone
                << JobOutcome::Unverified << JobCause::DidNotComeBack;
        QTest::newRow("not acknowledged, back running firmware")
                << true << false << false << 60 << UpgradeVerdict::UnacknowledgedBack
                << JobOutcome::Succeeded << JobCause::None;
        QTest::newRow("not acknowledged, back in its boot loader")
                << true << true << false << 60 << UpgradeVerdict::UnacknowledgedBootLoader
                << JobOutcome::Failed << JobCause::StayedInBootLoader;
        QTest::newRow("not acknowledged, not back")
                << true << false << false << 2000 << UpgradeVerdict::UnacknowledgedGone
                << JobOutcome::Failed << JobCause::DidNotComeBack;
    }
    void verdictAfterTheImage()
    {
        QFETCH(bool, omitFinishReply);
        QFETCH(bool, imageWrong);
        QFETCH(bool, backToBootLoader);
        QFETCH(int, restartMs);
        QFETCH(UpgradeVerdict, verdict);
        QFETCH(JobOutcome, outcome);
        QFETCH(JobCause, cause);
        connectVirtual(0x1005);
        setTiming(400);
        // The first restart (into the boot loader) is quick; the one after the image takes
        // restartMs.
        device->omitReplies(0x20, omitFinishReply);
        device->failImageCheck(imageWrong);
        device->restartIntoBootLoaderAfterImage(backToBootLoader);
        UpgradeJob job(target, imageFor(0x1005, randomBytes(1000, 12)));
        QVERIFY(job.start());
        QVERIFY(spinUntil(
                [&job]() { return job.phase() == JobPhase::Erasing || job.isFinished(); }));
        if (restartMs > 400)
            device->setRestartDelay(restartMs);
        QVERIFY(spinUntil([&job]() { return job.isFinished(); }));
        const JobResult result = job.result();
        QCOMPARE(result.verdict, verdict);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.cause, cause);
        QCOMPARE(result.acknowledged, !omitFinishReply);
        if (outcome == JobOutcome::Succeeded)
            QCOMPARE(result.firmwareAfter, QStringLiteral("1.0.3.2.8"));
        else
            QCOMPARE(result.step, JobStep::Restart);
    }

    void helloWithoutReply()
    {
        // Firmware that restarts into its boot loader without answering the hello: the job
        // does not sit through the hello's tries, it goes on to the boot loader at once.
        connectVirtual(0x1005);
        device->omitReplies(0x37);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(upgrade(randomBytes(2 * 512, 17)).outcome, JobOutcome::Succeeded);
        QVERIFY(device->lastUpgradeVerified());
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    }

    void lowPowerEndsTheUpgrade_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<JobStep>("step");
        QTest::newRow("erase") << 0x09 << JobStep::Erase;
        QTest::newRow("block") << 0x04 << JobStep::Block;
        QTest::newRow("finish") << 0x20 << JobStep::Finish;
    }
    void lowPowerEndsTheUpgrade()
    {
        QFETCH(int, command);
        QFETCH(JobStep, step);
        connectVirtual(0x1005);
        device->answerWithStatus(quint8(command), VirtualDevice::Status::LowPower);
        const JobResult result = upgrade(randomBytes(3 * 512, 15));
        QCOMPARE(result.cause, JobCause::LowPower);
        QCOMPARE(result.step, step);
        QCOMPARE(result.outcome, JobOutcome::Failed);
    }

    void timeLimitEndsAStalledJob()
    {
        // The device does not answer the erase; the job gives up when its limit passes, long
        // before the erase's own tries are spent.
        connectVirtual(0x1005);
        setTiming(10000, 400);
        device->dropReplies(3, 0x09);
        QElapsedTimer timer;
        timer.start();
        const JobResult result = upgrade(randomBytes(4 * 512, 16));
        QCOMPARE(result.cause, JobCause::TimeLimit);
        QCOMPARE(result.step, JobStep::Erase);
        QVERIFY(timer.elapsed() < 3000);
    }

    void cancelEndsTheJobWithinASlice()
    {
        connectVirtual(0x1005);
        device->setReportDelay(1);
        UpgradeJob job(target, imageFor(0x1005, randomBytes(200 * 512, 13)));
        QVERIFY(job.start());
        QVERIFY(spinUntil([this]() { return device->blocksReceived() >= 2; }));
        QElapsedTimer timer;
        timer.start();
        job.cancel(); // asks, never waits
        QVERIFY(timer.elapsed() < 5);
        QVERIFY(spinUntil([&job]() { return job.isFinished(); }, 1000));
        QVERIFY2(timer.elapsed() < 100, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(device->blocksReceived() < 200);
        QCOMPARE(job.result().cause, JobCause::Stopped);
        QCOMPARE(job.result().outcome, JobOutcome::Failed);
    }

    void jobAskedForDuringAnUpgradeIsRefused()
    {
        connectVirtual(0x1005);
        device->setReportDelay(1);
        UpgradeJob job(target, imageFor(0x1005, randomBytes(40 * 512, 14)));
        QVERIFY(job.start());
        QVERIFY(spinUntil([this]() { return device->blocksReceived() >= 1; }));
        PictureReadJob read(target);
        QVERIFY(!read.start());
        QCOMPARE(read.result().cause, JobCause::Busy);
        QVERIFY(spinUntil([&job]() { return job.isFinished(); }));
        QCOMPARE(job.result().outcome, JobOutcome::Succeeded);
        QCOMPARE(framesWithCode(*device, 0x39), 0);
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
        const int format = target->identity().screenFormat();
        const int bytes = format == 0 ? 512 : 1024;
        for (int slot = 0; slot < 12; ++slot)
            device->setPicture(slot, randomBytes(bytes, quint32(slot + id)));
        QDir(QStringLiteral("c0ffee01")).removeRecursively();

        const JobResult result = readAll();
        QCOMPARE(result.outcome, JobOutcome::Succeeded);
        QCOMPARE(result.doneSlots().size(), 12);
        for (int slot = 0; slot < 12; ++slot) {
            const QString path
                    = QDir::currentPath() + QStringLiteral("/c0ffee01/%1.bmp").arg(slot + 1);
            QCOMPARE(target->pictures().file(slot), path);
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), monoBmp(format, device->picture(slot)));
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
        for (int slot = 0; slot < 12; ++slot)
            target->pictures().setFile(slot, QStringLiteral(":/512/512/x.bmp"));
        device->dropReplies(1, 0x39);
        const JobResult result = readAll();
        QCOMPARE(result.outcome, JobOutcome::Failed);
        QCOMPARE(result.failedSlots(), QVector<int>{1});
        QCOMPARE(result.pictureSlots.first().cause, JobCause::NoAnswer);
        QCOMPARE(result.doneSlots().size(), 11);
        // The first slot kept its entry; the others arrived.
        QCOMPARE(target->pictures().file(0), QStringLiteral(":/512/512/x.bmp"));
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
        QDir(QStringLiteral("c0ffee01")).removeRecursively();
        QCOMPARE(readAll().outcome, JobOutcome::Succeeded);
        const QStringList filesBefore = target->pictures().files();
        QFile first(QStringLiteral("c0ffee01/1.bmp"));
        QVERIFY(first.open(QIODevice::ReadOnly));
        const QByteArray firstBefore = first.readAll();
        first.close();
        QCOMPARE(firstBefore.size(), 574);

        for (int slot = 0; slot < 12; ++slot)
            device->setPicture(slot, randomBytes(512, quint32(slot + 40)));
        device->clearLog();
        JobResult result;
        if (diskFull) {
            // Files may grow to 100 bytes only, as on a full disk.
            rlimit previous{};
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
            const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
            rlimit small = previous;
            small.rlim_cur = 100;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            result = readAll();
            setrlimit(RLIMIT_FSIZE, &previous);
            signal(SIGXFSZ, oldHandler);
        } else {
            // The folder's place is taken by a file: nothing is read that could not be kept.
            QVERIFY(writeFile(QStringLiteral("notafolder"), "x") == QStringLiteral("notafolder"));
            result = readAll(QDir::current().filePath(QStringLiteral("notafolder/pictures")));
            QCOMPARE(result.step, JobStep::File);
            QVERIFY(!result.error.isEmpty());
            QCOMPARE(framesWithCode(*device, 0x39), 0);
        }

        // Reported as failed, with the cause; every file and slot as it was.
        QCOMPARE(result.outcome, JobOutcome::Failed);
        QCOMPARE(result.cause, JobCause::File);
        QCOMPARE(target->pictures().files(), filesBefore);
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), firstBefore);
        QCOMPARE(QDir(QStringLiteral("c0ffee01")).entryList(QDir::Files).size(), 12);
    }

    void writeMarkedMonoPictures()
    {
        connectVirtual(0x1005);
        PictureSet &set = target->pictures();
        for (int slot = 0; slot < 12; ++slot) {
            set.setFile(slot, writeFile(QStringLiteral("mono%1.bmp").arg(slot),
                                        monoBmp(0, randomBytes(512, quint32(100 + slot)))));
        }
        set.clearMarks();
        set.mark(0);
        set.mark(2);
        device->clearLog();
        PictureWriteJob job(target);
        QVERIFY(runJob(job));
        QCOMPARE(job.result().outcome, JobOutcome::Succeeded);
        QCOMPARE(job.result().doneSlots(), (QVector<int>{1, 3}));
        QCOMPARE(int(set.writeMask()), 0);
        QCOMPARE(device->receivedFrames().size(), 2);
        QCOMPARE(device->picture(0), randomBytes(512, 100));
        QCOMPARE(device->picture(2), randomBytes(512, 102));
        QCOMPARE(quint8(device->receivedFrames().at(1)[6]), quint8(3));
    }

    void writeFailures()
    {
        connectVirtual(0x1005);
        const QVector<PictureInput> inputs{
                {0, writeFile(QStringLiteral("tall.bmp"), colourBmp(128, 48, 255, 255, 255))},
                {1, QStringLiteral("missing.bmp")},
                {2, writeFile(QStringLiteral("ok.bmp"), monoBmp(0, randomBytes(512, 5)))},
                {3, writeFile(QStringLiteral("garbage.bmp"), QByteArray("BM not a picture"))}};
        target->pictures().markAll();
        device->clearLog();
        PictureWriteJob job(target, inputs);
        QVERIFY(runJob(job));
        // Each picture that cannot be made fails on its own; the good one is written.
        const JobResult &result = job.result();
        QCOMPARE(result.outcome, JobOutcome::Failed);
        QCOMPARE(result.cause, JobCause::PictureFile);
        QCOMPARE(result.detail, 1);
        QCOMPARE(result.doneSlots(), QVector<int>{3});
        QCOMPARE(result.failedSlots(), (QVector<int>{1, 2, 4}));
        QCOMPARE(device->receivedFrames().size(), 1);
        QCOMPARE(device->picture(2), randomBytes(512, 5));
        QVERIFY(target->pictures().isMarked(0));
        QVERIFY(!target->pictures().isMarked(2));
    }

    void failedReportWriteDoesNotEndTheLink()
    {
        // Both tries of the first picture's report fail; the device stays on the bus, so the
        // following pictures are still sent.
        connectVirtual(0x1005);
        QVector<PictureInput> inputs;
        for (int slot = 0; slot < 12; ++slot) {
            inputs.append({slot, writeFile(QStringLiteral("mono%1.bmp").arg(slot),
                                           monoBmp(0, randomBytes(512, quint32(slot))))});
        }
        device->clearLog();
        device->failWrites(2);
        PictureWriteJob job(target, inputs);
        QVERIFY(runJob(job));
        QCOMPARE(job.result().failedSlots(), QVector<int>{1});
        QCOMPARE(job.result().pictureSlots.first().cause, JobCause::NoAnswer);
        QCOMPARE(job.result().doneSlots().size(), 11);
        QCOMPARE(framesWithCode(*device, 0x34), 11);
    }

    void writeColourPictures()
    {
        connectVirtual(0x3000);
        PictureSet &set = target->pictures();
        for (int slot = 0; slot < 10; ++slot)
            set.setFile(slot, writeFile(QStringLiteral("colour%1.bmp").arg(slot),
                                        colourBmp(80, 160, quint8(slot * 20), 0, 255)));
        set.clearMarks();
        device->clearLog();
        PictureWriteJob job(target);
        QVERIFY(runJob(job, 30000));
        QCOMPARE(job.result().outcome, JobOutcome::Succeeded);
        QCOMPARE(job.result().doneSlots().size(), 10);
        QCOMPARE(device->receivedFrames().size(), 10 * 50);
        // Pure blue in RGB565, high byte first.
        const QByteArray picture = device->picture(0);
        QCOMPARE(quint8(picture[0]), quint8(0x00));
        QCOMPARE(quint8(picture[1]), quint8(0x1F));
        QCOMPARE(quint8(device->picture(9)[0]) >> 3, (9 * 20) >> 3);
    }
};

QTEST_GUILESS_MAIN(JobsTest)
#include "tst_jobs.moc"
