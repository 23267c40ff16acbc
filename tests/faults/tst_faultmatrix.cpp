// The window against a misbehaving device: for each fault the outcome in the log and the
// dialog, the device bar afterwards, and the longest time the GUI thread went without its
// event loop while the fault was active. A stall fails a test only beyond one second, so that
// a loaded machine does not make the suite flaky; the figures are printed at the end. Two jobs
// on two devices at once must keep the GUI thread's stalls under 100 ms.

#include "app/mainwindow.h"
#include "device/hidbackend.h"
#include "device/ui/connectionbar.h"
#include "pictures/ui/picturepage.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "support/testsupport.h"
#include "support/windowhelpers.h"
#include "upgrade/ui/upgradepage.h"
#include "virtualdevice/virtualdevice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <memory>

namespace {

constexpr qint64 stallLimitMs = 1000;
constexpr qint64 twoJobStallLimitMs = 100;

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

int framesOf(const VirtualDevice &device, quint8 command)
{
    int count = 0;
    for (const QByteArray &frame : device.receivedFrames())
        count += quint8(frame[3]) == command;
    return count;
}

// Answers the question box of the window's close with the first or the second button, and
// records what it asked.
class CloseAnswerer : public QObject
{
public:
    explicit CloseAnswerer(bool closeAnyway)
    {
        connect(&poll, &QTimer::timeout, this, [this, closeAnyway]() {
            QuestionBox *box = visibleTopLevel<QuestionBox>();
            if (!box)
                return;
            asked << labelText(box, "messageLabel");
            buttons << named<QPushButton>(box, QStringLiteral("yesButton"))->text()
                               + QLatin1Char('|')
                               + named<QPushButton>(box, QStringLiteral("noButton"))->text();
            named<QPushButton>(box, closeAnyway ? QStringLiteral("yesButton")
                                                : QStringLiteral("noButton"))
                    ->click();
        });
        poll.start(5);
    }
    QStringList asked;
    QStringList buttons;

private:
    QTimer poll;
};

} // namespace

class FaultMatrixTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void disconnectDuringStalledColourWrite();
    void timeLimitWhileEraseUnanswered();
    void unplugDuringUpgrade();
    void deviceEventDuringPictureRead();
    void busyDeviceRefusesAndQueuesNothing();
    void lowPower_data();
    void lowPower();
    void stopAtBlock();
    void unansweredFinish_data();
    void unansweredFinish();
    void bootLoaderFoundAtOnce();
    void lowPowerDuringPictureRead();
    void twoJobsOnTwoDevices();
    void closingAsksWhileAnUpgradeRuns();
    void closingTheWindowDuringAStalledJob();

private:
    void startWindow(quint16 id, int reportDelayMs = 0);
    void setTiming(int timeLimitMs = 0, int restartWaitMs = 10000);
    void loadFirmwareFile(int size, quint16 target = 0x1005);
    // Waits for every job and its dialog to end.
    bool waitForJobEnd(int timeoutMs = 20000) { return waitForIdle(*window, timeoutMs); }
    void recordStall(const char *fault, qint64 stallMs, qint64 limitMs = stallLimitMs);
    QPushButton *button(const char *name) const
    {
        return named<QPushButton>(window.get(), QLatin1String(name));
    }
    bool barConnected() const { return button("unconnectButton")->isEnabled(); }
    QString log() const { return logText(*window); }
    QString nameShown() const
    {
        return named<QLabel>(window.get(), QStringLiteral("nameLabel"))->text();
    }
    ConnectionBar *bar() const { return window->findChild<ConnectionBar *>(); }
    void readPictures()
    {
        named<QTabWidget>(window.get(), QStringLiteral("tabWidget"))->setCurrentIndex(0);
        button("readFromDeviceButton")->click();
    }

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

void FaultMatrixTest::cleanup()
{
    window.reset();
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
    // The faults of the upgrade itself; no backup before it.
    named<QCheckBox>(window.get(), QStringLiteral("backupCheckBox"))->setChecked(false);
    setTiming();
    QVERIFY(waitForConnectedDevice(*window));
    QVERIFY(barConnected());
}

void FaultMatrixTest::setTiming(int timeLimitMs, int restartWaitMs)
{
    LinkTiming timing;
    timing.bootWaitRoundMs = 250;
    timing.timeLimitMs = timeLimitMs;
    timing.restartWaitMs = restartWaitMs;
    window->deviceManager()->setTiming(timing);
}

void FaultMatrixTest::loadFirmwareFile(int size, quint16 target)
{
    const QString path = workDir.filePath(QStringLiteral("fw.swdf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(withTarget(randomBytes(size, quint32(size)), target));
    file.close();
    auto *page = window->findChild<UpgradePage *>();
    page->loadFile(path);
    QCOMPARE(page->image().size(), qint64(size));
}

void FaultMatrixTest::recordStall(const char *fault, qint64 stallMs, qint64 limitMs)
{
    figures() << QStringLiteral("%1: %2 ms").arg(QLatin1String(fault)).arg(stallMs);
    QVERIFY2(stallMs < limitMs, qPrintable(QStringLiteral("%1 ms").arg(stallMs)));
}

void FaultMatrixTest::disconnectDuringStalledColourWrite()
{
    startWindow(0x3000, 1);
    StallMeter meter;
    window->findChild<PicturePage *>()->writePictures();
    QVERIFY(window->findChild<JobDialog *>());
    QVERIFY(QTest::qWaitFor([this]() { return device->receivedFrames().size() > 20; }, 10000));
    device->setReplyDelay(100000); // the device stops answering in the middle of a picture
    QTest::qWait(300);

    QElapsedTimer clock;
    clock.start();
    button("unconnectButton")->click();
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

    // Nothing runs after Disconnect: no connection, no job, however long one waits.
    const int frames = device->receivedFrames().size();
    QTest::qWait(300);
    QVERIFY(!window->deviceManager()->devices().first()->isConnected());
    QCOMPARE(device->receivedFrames().size(), frames);
    QCOMPARE(logTexts(*window).size(), lines.size());
}

void FaultMatrixTest::timeLimitWhileEraseUnanswered()
{
    startWindow(0x1005);
    loadFirmwareFile(6 * 512);
    device->dropReplies(3, 0x09);
    setTiming(600);
    StallMeter meter;
    button("downloadButton")->click();
    QVERIFY(waitForJobEnd());
    recordStall("erase unanswered, time limit", meter.longestMs());
    QVERIFY(log().contains(QStringLiteral(" [ROM upgrade task] failed")));
    QVERIFY(log().contains(QStringLiteral(
            " Cause: the job made no progress within its time limit while erasing.")));
}

void FaultMatrixTest::unplugDuringUpgrade()
{
    startWindow(0x1005, 1);
    loadFirmwareFile(80 * 512);
    StallMeter meter;
    button("downloadButton")->click();
    QVERIFY(QTest::qWaitFor([this]() { return device->blocksReceived() >= 10; }, 10000));
    device->unplug();
    bar()->connectDevices(); // the operating system's notification, during the job
    QVERIFY(waitForJobEnd());
    recordStall("unplugged during the upgrade", meter.longestMs());
    QVERIFY(log().contains(QStringLiteral(" Cause: the device was unplugged while writing")));
    // The bar says what is plugged in, which is nothing.
    QTRY_VERIFY(!barConnected());
    QTRY_VERIFY(nameShown().isEmpty());

    device->plugIn();
    QTRY_VERIFY(barConnected());
}

void FaultMatrixTest::deviceEventDuringPictureRead()
{
    startWindow(0x1005, 2);
    const int connectsBefore = bar()->connectOperations();
    device->clearLog();
    StallMeter meter;
    readPictures();
    QVERIFY(window->findChild<JobDialog *>());
    // Devices arrive or leave somewhere meanwhile: the connection waits for the job's end, and
    // runs once however often it was asked for.
    bar()->connectDevices();
    bar()->connectDevices();
    QCOMPARE(framesOf(*device, 0x36), 0);
    QVERIFY(waitForJobEnd());
    recordStall("device event during a picture read", meter.longestMs());
    QCOMPARE(bar()->connectOperations(), connectsBefore + 2);
    QTRY_VERIFY(log().endsWith(QStringLiteral("The USB Device is connected")));
    QTest::qWait(100);
    QCOMPARE(framesOf(*device, 0x36), 1);
    // The job's result line comes before the connection's.
    const QStringList lines = logTexts(*window);
    QCOMPARE(lines.mid(lines.size() - 2),
             QStringList({QStringLiteral(" Read resource successfully!"),
                          QStringLiteral("The USB Device is connected")}));
    QVERIFY(barConnected());
}

void FaultMatrixTest::busyDeviceRefusesAndQueuesNothing()
{
    startWindow(0x1005, 2);
    device->clearLog();
    readPictures();
    QVERIFY(window->findChild<JobDialog *>());

    // The parameter write is refused while the read runs: the user is told, and nothing is
    // sent after the read either.
    MessageCatcher catcher;
    named<QTabWidget>(window.get(), QStringLiteral("tabWidget"))->setCurrentIndex(1);
    button("writeToDeviceButton")->click();
    QCOMPARE(catcher.seen,
             QStringList{QStringLiteral(
                     "Warning|The device is busy: wait for the running job to end and try again")});
    QVERIFY(waitForJobEnd());
    QTest::qWait(100);
    QCOMPARE(framesOf(*device, 0x33), 0);
    QVERIFY(!log().contains(QStringLiteral("[Write user source task] scuessfully")));
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
    loadFirmwareFile(4 * 512);
    device->answerWithStatus(quint8(command), VirtualDevice::Status::LowPower);
    MessageCatcher catcher;
    StallMeter meter;
    button("downloadButton")->click();
    QVERIFY(waitForJobEnd());
    recordStall("LOWPOWER at an upgrade step", meter.longestMs());
    QTRY_COMPARE(catcher.seen, QStringList{QStringLiteral(
                                       " upgrade unsuccessful|please ensure that the device is "
                                       "fully charged")});
    QVERIFY(log().contains(QStringLiteral(
            " [ROM upgrade task] failed,please ensure that the device is fully charged")));
    QVERIFY(log().contains(
            QStringLiteral(" Cause: the device's battery is low. Charge it and try again.")));
    // The device waits in its boot loader; the connection after the job says so.
    QTRY_VERIFY(log().contains(QStringLiteral("The device is in its boot loader")));
    QVERIFY(barConnected());
}

void FaultMatrixTest::stopAtBlock()
{
    startWindow(0x1005);
    loadFirmwareFile(4 * 512);
    device->answerWithStatus(0x04, VirtualDevice::Status::Stop);
    StallMeter meter;
    button("downloadButton")->click();
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
    loadFirmwareFile(3 * 512);
    device->omitReplies(0x20);
    if (!imageGood)
        device->restartIntoBootLoaderAfterImage(true);
    setTiming(0, 800);
    StallMeter meter;
    button("downloadButton")->click();
    QVERIFY(waitForJobEnd());
    recordStall("finish unanswered", meter.longestMs());
    Device *shown = window->deviceManager()->devices().first();
    if (imageGood) {
        QVERIFY(log().contains(QStringLiteral(" [ROM upgrade task] scuessfully")));
        QVERIFY(log().contains(
                QStringLiteral(" The device has restarted, firmware version: 1.0.3.2.8")));
        QCOMPARE(shown->identity().kind, ProductKind::Firmware);
    } else {
        QVERIFY(log().contains(QStringLiteral(" [ROM upgrade task] failed")));
        QVERIFY(log().contains(QStringLiteral(" Cause: the device stayed in its boot loader.")));
        QTRY_VERIFY(log().endsWith(QStringLiteral("press Upgrade to recover it")));
        QTRY_COMPARE(shown->identity().kind, ProductKind::BootLoader);
    }
    QVERIFY(barConnected());
}

void FaultMatrixTest::bootLoaderFoundAtOnce()
{
    // No device-change notification at all: the job finds the boot loader by itself.
    startWindow(0x1005);
    device->clearLog();
    loadFirmwareFile(2 * 512);
    button("downloadButton")->click();
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
    StallMeter meter;
    readPictures();
    QVERIFY(waitForJobEnd());
    recordStall("LOWPOWER during a picture read", meter.longestMs());
    const QStringList lines = logTexts(*window);
    QCOMPARE(lines.value(lines.size() - 2), QStringLiteral(" Read resource failed!"));
    QCOMPARE(lines.last(),
             QStringLiteral(" Cause: the device's battery is low. Charge it and try again."));
    // Only the first picture was asked for.
    QCOMPARE(framesOf(*device, 0x39), 1);
}

void FaultMatrixTest::twoJobsOnTwoDevices()
{
    // An upgrade on the first device and a picture read on the second, side by side, each at
    // the pace of a real link; the user looks at the second device meanwhile.
    VirtualDevice::Settings first;
    first.id = 0x1005;
    first.serial = 0x1111;
    first.restartDelayMs = 30;
    first.eraseDelayMs = 5;
    first.reportDelayMs = 1;
    VirtualDevice::Settings second = first;
    second.id = 0x2001;
    second.serial = 0x2222;
    second.reportDelayMs = 2;
    device = std::make_shared<VirtualDevice>(first);
    auto other = std::make_shared<VirtualDevice>(second);
    auto bus = std::make_shared<VirtualBus>(device);
    bus->addDevice(other);
    setHidBackend(bus);
    window = std::make_unique<MainWindow>();
    window->setResultPauseScale(0.05);
    setTiming();
    QTRY_COMPARE(window->deviceManager()->devices().size(), 2);
    const QVector<Device *> devices = window->deviceManager()->devices();
    QTRY_VERIFY(devices.at(0)->isConnected() && devices.at(1)->isConnected());

    StallMeter meter;
    loadFirmwareFile(60 * 512);
    button("downloadButton")->click();
    QVERIFY(devices.at(0)->isBusy());
    // The task dialog names the device it works on.
    QCOMPARE(labelText(window->findChild<JobDialog *>()->box(), "deviceLabel"),
             devices.at(0)->displayName());

    named<QComboBox>(window.get(), QStringLiteral("deviceComboBox"))->activated(1);
    QCOMPARE(bar()->chosenDevice(), devices.at(1));
    QCOMPARE(nameShown(), QStringLiteral(" KORLEX-V12"));
    readPictures();
    QVERIFY(devices.at(1)->isBusy());
    QVERIFY(devices.at(0)->isBusy());
    QCOMPARE(window->findChildren<JobDialog *>().size(), 2);

    QVERIFY(waitForJobEnd(30000));
    recordStall("two jobs on two devices (upgrade and picture read)", meter.longestMs(),
                twoJobStallLimitMs);
    QVERIFY(log().contains(QStringLiteral(" [ROM upgrade task] scuessfully")));
    QVERIFY(log().contains(QStringLiteral(" Read resource successfully!")));
    QVERIFY(device->lastUpgradeVerified());
    QCOMPARE(framesOf(*other, 0x39), 12);
    // The second device is still the one shown.
    QCOMPARE(bar()->chosenDevice(), devices.at(1));
}

void FaultMatrixTest::closingAsksWhileAnUpgradeRuns()
{
    startWindow(0x1005, 1);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    loadFirmwareFile(100 * 512);
    button("downloadButton")->click();
    QVERIFY(QTest::qWaitFor([this]() { return device->blocksReceived() >= 3; }, 10000));

    // Keep running: the window stays and the upgrade goes on.
    {
        CloseAnswerer answerer(false);
        window->close();
        QCOMPARE(answerer.asked.size(), 1);
        QVERIFY2(answerer.asked.first().contains(QStringLiteral("boot loader")),
                 qPrintable(answerer.asked.first()));
        QCOMPARE(answerer.buttons.first(), QStringLiteral("&Close anyway|&Keep running"));
    }
    QVERIFY(window->isVisible());
    const int blocks = device->blocksReceived();
    QVERIFY(QTest::qWaitFor([&]() { return device->blocksReceived() > blocks + 3; }, 10000));

    // Close anyway: the job is stopped, and the window goes.
    CloseAnswerer answerer(true);
    QElapsedTimer clock;
    clock.start();
    window->close();
    QCOMPARE(answerer.asked.size(), 1);
    QVERIFY(!window->isVisible());
    window.reset(); // the device manager joins the worker
    figures() << QStringLiteral("closing anyway during an upgrade, window gone after %1 ms")
                         .arg(clock.elapsed());
    const int sent = device->blocksReceived();
    QTest::qWait(100);
    QCOMPARE(device->blocksReceived(), sent);
    QVERIFY(sent < 100);
}

void FaultMatrixTest::closingTheWindowDuringAStalledJob()
{
    startWindow(0x1005, 1);
    device->clearLog();
    readPictures();
    QVERIFY(QTest::qWaitFor([this]() { return framesOf(*device, 0x39) >= 2; }, 10000));
    device->setReplyDelay(100000);
    QTest::qWait(100);
    QElapsedTimer clock;
    clock.start();
    window->close();
    window.reset();
    // The window's end stopped the job and joined its worker.
    const qint64 closeMs = clock.elapsed();
    figures() << QStringLiteral("closing the window during a stalled picture read: %1 ms")
                         .arg(closeMs);
    QVERIFY(closeMs < stallLimitMs);
    const int frames = device->receivedFrames().size();
    QTest::qWait(100);
    QCOMPARE(device->receivedFrames().size(), frames);
}

KORLEX_WINDOW_TEST_MAIN(FaultMatrixTest)

#include "tst_faultmatrix.moc"
