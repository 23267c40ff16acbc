// The window against a misbehaving device: for each fault the outcome in the log and the
// dialog, the device bar afterwards, and the longest time the GUI thread went without its
// event loop while the fault was active. A stall fails a test only beyond one second, so that
// a loaded machine does not make the suite flaky; the figures are printed at the end (and the
// benchmark target collects them).

#include "app/mainwindow.h"
#include "device/hidbackend.h"
#include "device/jobs.h"
#include "device/session.h"
#include "device/transport.h"
#include "device/usbthread.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "support/testsupport.h"
#include "support/windowhelpers.h"
#include "ui_mainwindow.h"
#include "virtualdevice/virtualdevice.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <memory>

namespace {

constexpr qint64 stallLimitMs = 1000;

QByteArray withTarget(const QByteArray &image, quint16 target)
{
    return image + QByteArray(1, char(target >> 8)) + QByteArray(1, char(target & 0xFF));
}

// Every figure measured, printed when the suite ends.
QStringList &figures()
{
    static QStringList list;
    return list;
}

} // namespace

class FaultMatrixTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void disconnectDuringStalledColourWrite();
    void timeLimitWhileEraseUnanswered();
    void unplugDuringUpgrade();
    void deviceEventDuringPictureRead();
    void lowPower_data();
    void lowPower();
    void stopAtBlock();
    void unansweredFinish_data();
    void unansweredFinish();
    void bootLoaderFoundAtOnce();
    void lowPowerDuringPictureRead();
    void closingTheWindowDuringAStalledJob();

private:
    void startWindow(quint16 id, int reportDelayMs = 0);
    void loadUpgradeFile(int size, quint16 target = 0x1005);
    // Waits for the job's result line and for its dialog to go, then for the worker to end.
    bool waitForJobEnd(int timeoutMs = 20000);
    void recordStall(const char *fault, qint64 stallMs);
    bool barConnected() const { return window->ui->unconnectButton->isEnabled(); }
    QString log() const { return window->ui->rizhiTextEdit->toPlainText(); }

    QTemporaryDir workDir;
    std::shared_ptr<VirtualDevice> device;
    std::unique_ptr<MainWindow> window;
};

void FaultMatrixTest::initTestCase()
{
    initArtResources();
    initTranslationResources();
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    settings.setValue(QStringLiteral("flag"), 0x55);
    settings.setValue(QStringLiteral("lg"), int(English));
}

void FaultMatrixTest::init()
{
    deviceSession().clear();
}

void FaultMatrixTest::cleanup()
{
    window.reset();
    QVERIFY(stopWorkerAndWait());
    closeHidDevice();
    deviceSession().clear();
    device.reset();
}

void FaultMatrixTest::cleanupTestCase()
{
    qInfo("Longest GUI-thread stall per fault:");
    for (const QString &line : figures())
        qInfo("  %s", qPrintable(line));
}

void FaultMatrixTest::startWindow(quint16 id, int reportDelayMs)
{
    VirtualDevice::Settings settings;
    settings.id = id;
    settings.restartDelayMs = 30;
    settings.eraseDelayMs = 5;
    settings.reportDelayMs = reportDelayMs;
    device = std::make_shared<VirtualDevice>(settings);
    setHidBackend(std::make_shared<VirtualBus>(device));
    window = std::make_unique<MainWindow>();
    window->setResultPauseScale(0.05);
    deviceSession().timing.bootWaitRoundMs = 250;
    QVERIFY(barConnected());
}

void FaultMatrixTest::loadUpgradeFile(int size, quint16 target)
{
    const QString path = workDir.filePath(QStringLiteral("fw.swdf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(withTarget(randomBytes(size, quint32(size)), target));
    file.close();
    window->loadBinFile(path);
    QCOMPARE(qint64(deviceSession().upgradeSize), qint64(size));
}

bool FaultMatrixTest::waitForJobEnd(int timeoutMs)
{
    return QTest::qWaitFor(
            [this]() {
                return !window->taskDialog && !window->upgradeTimer->isActive()
                       && !window->readPicTimer->isActive() && !window->writePicTimer->isActive()
                       && !usbThreadRunning() && !window->connectPending;
            },
            timeoutMs);
}

void FaultMatrixTest::recordStall(const char *fault, qint64 stallMs)
{
    figures() << QStringLiteral("%1: %2 ms").arg(QLatin1String(fault)).arg(stallMs);
    QVERIFY2(stallMs < stallLimitMs, qPrintable(QStringLiteral("%1 ms").arg(stallMs)));
}

void FaultMatrixTest::disconnectDuringStalledColourWrite()
{
    startWindow(0x3000, 1);
    StallMeter meter;
    window->writePicturesToDevice();
    QVERIFY(window->taskDialog);
    QVERIFY(QTest::qWaitFor([this]() { return device->receivedFrames().size() > 20; }, 10000));
    device->setReplyDelay(100000); // the device stops answering in the middle of a picture
    QTest::qWait(300);

    QElapsedTimer clock;
    clock.start();
    window->ui->unconnectButton->click();
    const qint64 disconnectMs = clock.elapsed();
    figures()
            << QStringLiteral("Disconnect during a stalled colour write: %1 ms").arg(disconnectMs);
    QVERIFY(disconnectMs < stallLimitMs);
    QVERIFY(!barConnected());

    QVERIFY(waitForJobEnd());
    recordStall("stalled colour write, then Disconnect", meter.longestMs());
    const QStringList lines = logTexts(*window);
    QCOMPARE(lines.value(lines.size() - 2), QStringLiteral(" set failed!"));
    QVERIFY(lines.last().startsWith(QStringLiteral(" Cause: the job was stopped")));
    QVERIFY(!barConnected());
    QVERIFY(!deviceSession().deviceOpen);
}

void FaultMatrixTest::timeLimitWhileEraseUnanswered()
{
    startWindow(0x1005);
    loadUpgradeFile(6 * 512);
    device->dropReplies(3, 0x09);
    deviceSession().timing.timeLimitMs = 600;
    StallMeter meter;
    window->downloadBinfileSlots();
    QVERIFY(waitForJobEnd());
    recordStall("erase unanswered, time limit", meter.longestMs());
    QVERIFY(log().contains(QStringLiteral(" [ROM upgrade task] failed")));
    QVERIFY(log().contains(QStringLiteral(
            " Cause: the job made no progress within its time limit while erasing.")));
}

void FaultMatrixTest::unplugDuringUpgrade()
{
    startWindow(0x1005, 1);
    loadUpgradeFile(80 * 512);
    StallMeter meter;
    window->downloadBinfileSlots();
    QVERIFY(QTest::qWaitFor([this]() { return device->blocksReceived() >= 10; }, 10000));
    device->unplug();
    window->openUsbDeviceSlots(); // the operating system's notification, during the job
    QVERIFY(waitForJobEnd());
    recordStall("unplugged during the upgrade", meter.longestMs());
    QVERIFY(log().contains(QStringLiteral(" Cause: the device was unplugged while writing")));
    // The notification was not lost: the bar says what is plugged in, which is nothing.
    QVERIFY(!barConnected());
    QVERIFY(window->ui->nameLabel->text().isEmpty());

    device->plugIn();
    window->openUsbDeviceSlots();
    QVERIFY(barConnected());
}

void FaultMatrixTest::deviceEventDuringPictureRead()
{
    startWindow(0x1005, 2);
    window->ui->tabWidget->setCurrentIndex(0);
    const int connectsBefore = deviceSession().connectCount;
    StallMeter meter;
    window->readFromDeviceSlots();
    QVERIFY(window->taskDialog);
    window->openUsbDeviceSlots(); // a device arrived or left somewhere meanwhile
    QCOMPARE(deviceSession().connectCount, connectsBefore); // remembered, not run now
    QVERIFY(waitForJobEnd());
    recordStall("device event during a picture read", meter.longestMs());
    QVERIFY(log().contains(QStringLiteral(" Read resource successfully!")));
    // It ran once the job had ended.
    QCOMPARE(deviceSession().connectCount, connectsBefore + 1);
    QVERIFY(barConnected());
}

void FaultMatrixTest::lowPower_data()
{
    QTest::addColumn<int>("command");
    QTest::newRow("erase") << 0x09;
    QTest::newRow("block") << 0x04;
    QTest::newRow("finish") << 0x20;
}

void FaultMatrixTest::lowPower()
{
    QFETCH(int, command);
    startWindow(0x1005);
    loadUpgradeFile(4 * 512);
    device->answerWithStatus(quint8(command), VirtualDevice::Status::LowPower);
    MessageCatcher catcher;
    StallMeter meter;
    window->downloadBinfileSlots();
    QVERIFY(waitForJobEnd());
    recordStall("LOWPOWER at an upgrade step", meter.longestMs());
    QCOMPARE(catcher.seen, QStringList{QStringLiteral(
                                   " upgrade unsuccessful|please ensure that the device is fully "
                                   "charged")});
    QVERIFY(log().contains(QStringLiteral(
            " [ROM upgrade task] failed,please ensure that the device is fully charged")));
    QVERIFY(log().contains(
            QStringLiteral(" Cause: the device's battery is low. Charge it and try again.")));
    // The device waits in its boot loader; the connection after the job says so.
    QVERIFY(barConnected());
    QVERIFY(log().contains(QStringLiteral("The device is in its boot loader")));
}

void FaultMatrixTest::stopAtBlock()
{
    startWindow(0x1005);
    loadUpgradeFile(4 * 512);
    device->answerWithStatus(0x04, VirtualDevice::Status::Stop);
    StallMeter meter;
    window->downloadBinfileSlots();
    QVERIFY(waitForJobEnd());
    recordStall("STOP at a block", meter.longestMs());
    QVERIFY(log().contains(QStringLiteral(" [ROM upgrade task] failed")));
    QVERIFY(log().contains(
            QStringLiteral(" Cause: the device answered STOP while writing block 1.")));
}

void FaultMatrixTest::unansweredFinish_data()
{
    QTest::addColumn<bool>("imageGood");
    QTest::newRow("device comes back running the new firmware") << true;
    QTest::newRow("device stays in its boot loader") << false;
}

void FaultMatrixTest::unansweredFinish()
{
    QFETCH(bool, imageGood);
    startWindow(0x1005);
    loadUpgradeFile(3 * 512);
    device->omitReplies(0x20);
    if (!imageGood)
        deviceSession().setUpgradeCheck({{1, 2, 3, 4}});
    deviceSession().timing.restartWaitMs = 800;
    StallMeter meter;
    window->downloadBinfileSlots();
    QVERIFY(waitForJobEnd());
    recordStall("finish unanswered", meter.longestMs());
    if (imageGood) {
        QVERIFY(log().contains(QStringLiteral(" [ROM upgrade task] scuessfully")));
        QVERIFY(log().contains(
                QStringLiteral(" The device has restarted, firmware version: 1.0.3.2.8")));
        QVERIFY(deviceSession().appFirmware);
    } else {
        QVERIFY(log().contains(QStringLiteral(" [ROM upgrade task] failed")));
        QVERIFY(log().contains(QStringLiteral(" Cause: the device stayed in its boot loader.")));
        QVERIFY(log().endsWith(QStringLiteral("press Upgrade to recover it")));
        QVERIFY(!deviceSession().appFirmware);
    }
    QVERIFY(barConnected());
}

void FaultMatrixTest::bootLoaderFoundAtOnce()
{
    // No device-change notification at all: the job finds the boot loader by itself.
    startWindow(0x1005);
    device->clearLog();
    loadUpgradeFile(2 * 512);
    QVERIFY(disconnect(window.get(), SIGNAL(reopenHidSignals()), window.get(),
                       SLOT(openUsbDeviceSlots())));
    window->downloadBinfileSlots();
    QVERIFY(waitForJobEnd());
    QVERIFY(log().contains(QStringLiteral(" [ROM upgrade task] scuessfully")));
    const auto appeared = device->bootLoaderSince();
    const auto erased = device->firstFrameAt(0x09);
    QVERIFY(appeared.time_since_epoch().count() != 0);
    const qint64 ms
            = std::chrono::duration_cast<std::chrono::milliseconds>(erased - appeared).count();
    figures() << QStringLiteral("boot loader appeared -> erase: %1 ms").arg(ms);
    QVERIFY(ms >= 0);
    QVERIFY(ms < stallLimitMs);
}

void FaultMatrixTest::lowPowerDuringPictureRead()
{
    startWindow(0x2001);
    device->answerWithStatus(0x39, VirtualDevice::Status::LowPower);
    window->ui->tabWidget->setCurrentIndex(0);
    StallMeter meter;
    window->readFromDeviceSlots();
    QVERIFY(waitForJobEnd());
    recordStall("LOWPOWER during a picture read", meter.longestMs());
    const QStringList lines = logTexts(*window);
    QCOMPARE(lines.value(lines.size() - 2), QStringLiteral(" Read resource failed!"));
    QCOMPARE(lines.last(),
             QStringLiteral(" Cause: the device's battery is low. Charge it and try again."));
    // Only the first picture was asked for.
    int requests = 0;
    for (const QByteArray &frame : device->receivedFrames())
        requests += quint8(frame[3]) == 0x39;
    QCOMPARE(requests, 1);
}

void FaultMatrixTest::closingTheWindowDuringAStalledJob()
{
    startWindow(0x1005, 1);
    loadUpgradeFile(100 * 512);
    window->downloadBinfileSlots();
    QVERIFY(QTest::qWaitFor([this]() { return device->blocksReceived() >= 3; }, 10000));
    device->setReplyDelay(100000);
    QTest::qWait(100);
    QElapsedTimer clock;
    clock.start();
    window->close();
    window.reset();
    const qint64 closeMs = clock.elapsed();
    // The job gives up within a read slice once asked.
    QVERIFY(QTest::qWaitFor([]() { return !usbThreadRunning(); }, 1000));
    const qint64 endMs = clock.elapsed();
    figures() << QStringLiteral("closing the window during a stalled upgrade: %1 ms, worker "
                                "ended after %2 ms")
                         .arg(closeMs)
                         .arg(endMs);
    QVERIFY(closeMs < stallLimitMs);
    QCOMPARE(int(deviceSession().jobCause), int(JobCause::Stopped));
}

KORLEX_WINDOW_TEST_MAIN(FaultMatrixTest)

#include "tst_faultmatrix.moc"
