// The upgrade page of the window against the virtual device: choosing the file, the refusals
// of the download button, whole upgrades through the window's slots and timer, their failure
// paths, and the tick logic of the upgrade timer (time limit, progress, reconnect).

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
#include "upgrade/upgradefile.h"
#include "virtualdevice/virtualdevice.h"
#include "widgets/msgbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMutexLocker>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

QByteArray withTarget(const QByteArray &image, quint16 target)
{
    return image + QByteArray(1, char(target >> 8)) + QByteArray(1, char(target & 0xFF));
}

// Works the open dialog of the upgrade file: records what it offers, then picks the file (or
// cancels when the file is empty).
class FileDialogDriver : public QObject
{
public:
    explicit FileDialogDriver(const QString &pick)
    {
        connect(&poll, &QTimer::timeout, this, [this, pick]() {
            QFileDialog *dialog = visibleTopLevel<QFileDialog>();
            if (!dialog)
                return;
            poll.stop();
            shown = true;
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            folder = dialog->directory().absolutePath();
            if (pick.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(pick);
                static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept checks the pick
            }
        });
        poll.start(5);
    }
    bool shown = false;
    QString title;
    QStringList filters;
    QString folder;

private:
    QTimer poll;
};

// What the task dialog showed last before it went away.
struct DialogTrace
{
    bool seen = false;
    QString taskName;
    QString state;
    QString percent;
    int barValue = -1;
    int barMaximum = -1;
    bool okEnabledWhileRunning = false;
    bool okEnabledAtEnd = false;
};

} // namespace

class UpgradeJobTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openDialogOffersTheDevicesFiles();
    void loadedFileShowsItsProduct();
    void refusedFiles();
    void downloadRefusalsInOrder();
    void wholeUpgrade_data();
    void wholeUpgrade();
    void failingJobs_data();
    void failingJobs();
    void lowPowerWhileWaiting();
    void timedOutJobIsStoppedBeforeTheNext();
    void timeLimit_data();
    void timeLimit();
    void progressShown();
    void reconnectOncePerSecond();

private:
    void startWindow(quint16 id = 0x1005, bool plugged = true);
    QString writeUpgradeFile(const QString &name, const QByteArray &content);
    QStringList taskLines() const;
    // Waits until the job has logged its result line and its dialog has gone; traces the dialog.
    QString waitForResult(DialogTrace *trace, int timeoutMs = 20000);
    bool waitForBlocks(int blocks);

    QTemporaryDir workDir;
    std::shared_ptr<VirtualDevice> device;
    std::unique_ptr<MainWindow> window;
    QString taskLine;
};

void UpgradeJobTest::initTestCase()
{
    initArtResources();
    initTranslationResources();
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
}

void UpgradeJobTest::init()
{
    // The source texts are the Chinese ones; the tests read them as the window writes them.
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    settings.setValue(QStringLiteral("flag"), 0x55);
    settings.setValue(QStringLiteral("lg"), int(SimplifiedChinese));
    taskLine = QStringLiteral(" [ROM程序升级作业]");
}

void UpgradeJobTest::cleanup()
{
    window.reset();
    QVERIFY(stopWorkerAndWait());
    closeHidDevice();
    deviceSession().clear();
    device.reset();
}

void UpgradeJobTest::startWindow(quint16 id, bool plugged)
{
    VirtualDevice::Settings settings;
    settings.id = id;
    settings.restartDelayMs = 30;
    settings.eraseDelayMs = 5;
    device = std::make_shared<VirtualDevice>(settings);
    if (!plugged)
        device->unplug();
    setHidBackend(std::make_shared<VirtualBus>(device));
    window = std::make_unique<MainWindow>();
    // The result stays up 100 or 150 ms instead of 2 or 3 s; the device restarts within that.
    window->setResultPauseScale(0.05);
    // Long enough for the reconnect at 1000 ms, short enough for the test that never finds it.
    deviceSession().timing.bootWaitRoundMs = 250;
    deviceSession().timing.bootWaitRounds = 8;
    QCOMPARE(bool(deviceSession().deviceOpen), plugged);
}

QString UpgradeJobTest::writeUpgradeFile(const QString &name, const QByteArray &content)
{
    const QString path = workDir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return path;
}

QStringList UpgradeJobTest::taskLines() const
{
    QStringList lines;
    const QStringList all = window->ui->rizhiTextEdit->toPlainText().split(QLatin1Char('\n'));
    for (const QString &line : all) {
        // "[hh-mm-ss]" comes first.
        if (line.mid(10).startsWith(taskLine))
            lines << line.mid(10);
    }
    return lines;
}

QString UpgradeJobTest::waitForResult(DialogTrace *trace, int timeoutMs)
{
    QPointer<SendDataMsgBox> dialog = window->taskDialog;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (dialog) {
            trace->seen = true;
            trace->taskName = labelText(dialog, "taskNameLabel");
            trace->state = labelText(dialog, "stateLabel");
            trace->percent = labelText(dialog, "percentLabel");
            const auto *bar = dialog->findChild<QProgressBar *>(QStringLiteral("progressBar"));
            trace->barValue = bar ? bar->value() : -1;
            trace->barMaximum = bar ? bar->maximum() : -1;
            const auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("okButton"));
            const bool enabled = ok && ok->isEnabled();
            if (window->upgradeTimer->isActive())
                trace->okEnabledWhileRunning = trace->okEnabledWhileRunning || enabled;
            else
                trace->okEnabledAtEnd = enabled;
        }
        const QStringList lines = taskLines();
        if (lines.size() >= 2 && !window->taskDialog && !window->upgradeTimer->isActive())
            return lines.last();
        // The virtual device restarts when it is next looked at; looking at it every few
        // milliseconds lets it restart on time, as the real one does by itself.
        device->isEnumerated();
        QTest::qWait(5);
    }
    return QStringLiteral("<no result within %1 ms>").arg(timeoutMs);
}

bool UpgradeJobTest::waitForBlocks(int blocks)
{
    QElapsedTimer clock;
    clock.start();
    while (device->blocksReceived() < blocks && clock.elapsed() < 10000) {
        device->isEnumerated(); // lets it restart on time (see waitForResult)
        QTest::qWait(5);
    }
    return device->blocksReceived() >= blocks;
}

void UpgradeJobTest::openDialogOffersTheDevicesFiles()
{
    startWindow(0x1005, false);
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    QDir().mkpath(desktop);
    const QString swdf
            = writeUpgradeFile(QStringLiteral("fw.swdf"), withTarget(randomBytes(700, 1), 0x1005));
    QVERIFY(!swdf.isEmpty());

    deviceSession().deviceId = 0x3001;
    {
        FileDialogDriver driver(swdf);
        window->openBinFileSlots();
        QVERIFY(driver.shown);
        QCOMPARE(driver.title, QStringLiteral("打开升级文件"));
        QCOMPARE(driver.filters, QStringList{QStringLiteral("File(*.swdf)")});
        QCOMPARE(QFileInfo(driver.folder).canonicalFilePath(),
                 QFileInfo(desktop).canonicalFilePath());
    }
    QCOMPARE(QFileInfo(window->ui->binFilePathLineEdit->text()).canonicalFilePath(),
             QFileInfo(swdf).canonicalFilePath());
    QCOMPARE(qint64(deviceSession().upgradeSize), qint64(700));
    QVERIFY(window->ui->downloadButton->isEnabled());
    QCOMPARE(window->focusWidget(), window->ui->downloadButton);
    const QString shownText = window->ui->textEdit->toPlainText();
    QVERIFY(!shownText.isEmpty());

    // A colour device of the ".bwdf" kind; cancelling unloads the file and clears the path.
    deviceSession().deviceId = 0x3004;
    deviceSession().usbJob = JobUpgrade;
    {
        FileDialogDriver driver{QString()};
        window->openBinFileSlots();
        QVERIFY(driver.shown);
        QCOMPARE(driver.filters, QStringList{QStringLiteral("File(*.bwdf)")});
    }
    QVERIFY(window->ui->binFilePathLineEdit->text().isEmpty());
    QCOMPARE(qint64(deviceSession().upgradeSize), qint64(0));
    QCOMPARE(quint16(deviceSession().upgradeTargetId), quint16(0));
    QCOMPARE(int(deviceSession().usbJob), int(JobNone));
    QVERIFY(deviceSession().upgradeImage().isEmpty());
    QCOMPARE(window->ui->textEdit->toPlainText(), shownText);
}

void UpgradeJobTest::loadedFileShowsItsProduct()
{
    startWindow(0x1005, false);
    window->loadBinFile(
            writeUpgradeFile(QStringLiteral("a.swdf"), withTarget(randomBytes(10, 2), 0x1005)));
    QCOMPARE(window->ui->textEdit->toPlainText(), QStringLiteral("产品名称:TALON\n产品型号:J310"));

    // An identifier the model table does not know leaves the text; the file is loaded anyway.
    window->loadBinFile(
            writeUpgradeFile(QStringLiteral("b.swdf"), withTarget(randomBytes(20, 3), 0xAAAA)));
    QCOMPARE(window->ui->textEdit->toPlainText(), QStringLiteral("产品名称:TALON\n产品型号:J310"));
    QCOMPARE(quint16(deviceSession().upgradeTargetId), quint16(0xAAAA));
    QCOMPARE(qint64(deviceSession().upgradeSize), qint64(20));
    QVERIFY(window->ui->binFilePathLineEdit->text().endsWith(QLatin1String("b.swdf")));
}

void UpgradeJobTest::refusedFiles()
{
    startWindow(0x1005, false);
    const QString good = writeUpgradeFile(QStringLiteral("good.swdf"),
                                          withTarget(randomBytes(900, 4), 0x1005));
    window->loadBinFile(good);
    const QString pathShown = window->ui->binFilePathLineEdit->text();

    MessageCatcher catcher;
    window->loadBinFile(workDir.filePath(QStringLiteral("missing.swdf")));
    window->loadBinFile(writeUpgradeFile(QStringLiteral("short.swdf"), QByteArray(1, 'x')));
    const QByteArray tooLarge = withTarget(QByteArray(MaxUpgradeBlocks * 512 + 1, 'x'), 0x1005);
    window->loadBinFile(writeUpgradeFile(QStringLiteral("large.swdf"), tooLarge));
    QCOMPARE(catcher.seen, QStringList({QStringLiteral(" 提示 |打开文件失败"),
                                        QStringLiteral(" 提示 |打开文件失败"),
                                        QStringLiteral(" 提示 |升级文件过大")}));

    // The file loaded before stays loaded and shown.
    QCOMPARE(window->ui->binFilePathLineEdit->text(), pathShown);
    QCOMPARE(qint64(deviceSession().upgradeSize), qint64(900));
    QCOMPARE(int(deviceSession().upgradeBlockCount), 2);
}

void UpgradeJobTest::downloadRefusalsInOrder()
{
    startWindow(0x1005, false);
    MessageCatcher catcher;

    // No device: that comes first, with or without a file.
    window->downloadBinfileSlots();
    window->loadBinFile(
            writeUpgradeFile(QStringLiteral("x.swdf"), withTarget(randomBytes(100, 5), 0x1006)));
    window->downloadBinfileSlots();

    device->plugIn();
    window->openUsbDeviceSlots();
    QVERIFY(deviceSession().deviceOpen);
    const int logConnected = window->ui->rizhiTextEdit->toPlainText().size();

    // A file for another device, then a two-byte file (an empty image).
    window->downloadBinfileSlots();
    window->loadBinFile(writeUpgradeFile(QStringLiteral("empty.swdf"), QByteArray("\x10\x05", 2)));
    QCOMPARE(qint64(deviceSession().upgradeSize), qint64(0));
    QCOMPARE(int(deviceSession().upgradeBlockCount), 0);
    window->downloadBinfileSlots();

    QCOMPARE(catcher.seen, QStringList({QStringLiteral(" 提示 | USB设备未连接 "),
                                        QStringLiteral(" 提示 | USB设备未连接 "),
                                        QStringLiteral(" 提示 |升级文件与目标设备不匹配"),
                                        QStringLiteral(" 提示 |请打开升级文件")}));
    // Nothing started and nothing logged.
    QVERIFY(!window->taskDialog);
    QVERIFY(!window->upgradeTimer->isActive());
    QVERIFY(!usbThreadRunning());
    QCOMPARE(int(deviceSession().usbJob), int(JobNone));
    QCOMPARE(window->ui->rizhiTextEdit->toPlainText().size(), logConnected);
    // The device saw only the connection's information read.
    QVERIFY(!device->receivedFrames().isEmpty());
    for (const QByteArray &frame : device->receivedFrames())
        QCOMPARE(quint8(frame[3]), quint8(0x36));
}

void UpgradeJobTest::wholeUpgrade_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<quint16>("target");
    QTest::addColumn<int>("eraseCommand");
    QTest::addColumn<bool>("english");
    QTest::newRow("small image, erase 0x09") << 0x11FFF << quint16(0x1005) << 0x09 << false;
    QTest::newRow("large image, erase 0x08") << 0x12000 << quint16(0x1005) << 0x08 << false;
    QTest::newRow("any device, in English") << 1300 << quint16(0xAAAA) << 0x09 << true;
}

void UpgradeJobTest::wholeUpgrade()
{
    QFETCH(int, size);
    QFETCH(quint16, target);
    QFETCH(int, eraseCommand);
    QFETCH(bool, english);

    startWindow();
    if (english) {
        currentLanguage = English;
        window->installLanguageSlots(English);
        taskLine = QStringLiteral(" [ROM upgrade task]");
    }
    const QByteArray image = randomBytes(size, quint32(size));
    window->loadBinFile(writeUpgradeFile(QStringLiteral("fw.swdf"), withTarget(image, target)));
    const int blocks = (size + 511) / 512;
    QCOMPARE(int(deviceSession().upgradeBlockCount), blocks);

    window->downloadBinfileSlots();
    QVERIFY(window->taskDialog);
    QVERIFY(window->upgradeTimer->isActive());
    QCOMPARE(window->upgradeTimer->interval(), 100);
    QCOMPARE(taskLines(), QStringList{taskLine});

    DialogTrace trace;
    const QString result = waitForResult(&trace);
    QCOMPARE(result,
             taskLine + (english ? QStringLiteral(" scuessfully") : QStringLiteral(" 成功")));

    // The dialog named the job, counted the blocks and showed 100% with its button enabled.
    QVERIFY(trace.seen);
    QCOMPARE(trace.taskName,
             english ? QStringLiteral("ROM upgrade task") : QStringLiteral("ROM程序升级作业"));
    QCOMPARE(trace.state, result);
    QCOMPARE(trace.percent, QStringLiteral("100%"));
    QCOMPARE(trace.barMaximum, blocks);
    QCOMPARE(trace.barValue, blocks);
    QVERIFY(!trace.okEnabledWhileRunning);
    QVERIFY(trace.okEnabledAtEnd);

    // The device received exactly the image, erased with the command for its size.
    QVERIFY(device->lastUpgradeVerified());
    QCOMPARE(device->receivedImage(), image);
    bool erased = false;
    for (const QByteArray &frame : device->receivedFrames())
        erased = erased || quint8(frame[3]) == eraseCommand;
    QVERIFY(erased);

    // The window reconnected to the device's new firmware, named it, and is idle again.
    QTRY_VERIFY(!usbThreadRunning());
    QTRY_VERIFY(window->ui->rizhiTextEdit->toPlainText().contains(
            english ? QStringLiteral("firmware version: 1.0.3.2.8")
                    : QStringLiteral(" 设备已重新启动, 固件版本: 1.0.3.2.8")));
    QVERIFY(deviceSession().deviceOpen);
    QVERIFY(deviceSession().appFirmware);
    QCOMPARE(device->mode(), VirtualDevice::Mode::Application);
    QCOMPARE(window->upgradeElapsed, 0);
    QCOMPARE(deviceSession().deviceStatus(), QString());
}

void UpgradeJobTest::failingJobs_data()
{
    // The worker's own handling of lost replies is tested with the worker; here the window's
    // side of a failing job.
    QTest::addColumn<QString>("fault");
    QTest::newRow("STOP at the first block") << QStringLiteral("stop");
    QTest::newRow("boot loader never appears") << QStringLiteral("noboot");
    QTest::newRow("unplugged among the blocks") << QStringLiteral("unplug");
}

void UpgradeJobTest::failingJobs()
{
    QFETCH(QString, fault);
    startWindow();
    const int blocks = fault == QLatin1String("unplug") ? 80 : 6;
    window->loadBinFile(writeUpgradeFile(QStringLiteral("fw.swdf"),
                                         withTarget(randomBytes(blocks * 512, 6), 0x1005)));
    if (fault == QLatin1String("stop")) {
        device->answerWithStatus(0x04, VirtualDevice::Status::Stop);
    } else if (fault == QLatin1String("noboot")) {
        device->setBootLoaderNeverAppears(true);
        deviceSession().timing.bootWaitRoundMs = 100;
    } else if (fault == QLatin1String("unplug")) {
        device->setReportDelay(1);
    }

    QElapsedTimer clock;
    clock.start();
    window->downloadBinfileSlots();
    if (fault == QLatin1String("unplug")) {
        QVERIFY(waitForBlocks(10));
        device->unplug();
    }
    DialogTrace trace;
    const QString result = waitForResult(&trace);
    QCOMPARE(result, taskLine + QStringLiteral(" 失败"));
    QCOMPARE(trace.state, result);
    QVERIFY(trace.okEnabledAtEnd);
    QVERIFY(!device->lastUpgradeVerified());
    if (fault == QLatin1String("noboot")) {
        // Eight rounds of 100 ms, then the job gives up; the time limit is far away.
        QVERIFY(clock.elapsed() >= 800);
        QVERIFY(clock.elapsed() < 5000);
    }
    if (fault == QLatin1String("stop"))
        QCOMPARE(device->blocksReceived(), 0);

    // The log says why, the worker is gone, and the status does not linger into the next job.
    const QString log = window->ui->rizhiTextEdit->toPlainText();
    if (fault == QLatin1String("stop"))
        QVERIFY(log.contains(QStringLiteral("设备在写入第 1 块时回答了STOP")));
    else if (fault == QLatin1String("noboot"))
        QVERIFY(log.contains(QStringLiteral("设备没有在8秒内进入引导程序")));
    else
        QVERIFY(log.contains(QStringLiteral("时被拔出。请重新插入设备后重试。")));
    QTRY_VERIFY(!usbThreadRunning());
    QCOMPARE(deviceSession().deviceStatus(), QString());
    QVERIFY(!deviceSession().stopRequested);
    QCOMPARE(window->upgradeElapsed, 0);
}

void UpgradeJobTest::lowPowerWhileWaiting()
{
    startWindow();
    window->loadBinFile(
            writeUpgradeFile(QStringLiteral("fw.swdf"), withTarget(randomBytes(2048, 7), 0x1005)));
    device->answerWithStatus(0x37, VirtualDevice::Status::LowPower);
    MessageCatcher catcher;
    window->downloadBinfileSlots();
    DialogTrace trace;
    const QString result = waitForResult(&trace);
    QCOMPARE(result, taskLine + QStringLiteral(" 失败,请保证电子烟电量充足"));
    QCOMPARE(catcher.seen, QStringList{QStringLiteral(" 升级失败|请保证电子烟设备电量充足")});
    // The dialog closed without showing a result.
    QCOMPARE(trace.state, QStringLiteral("The task is running"));
    for (const QByteArray &frame : device->receivedFrames())
        QVERIFY(quint8(frame[3]) != 0x09 && quint8(frame[3]) != 0x04);
    QVERIFY(!usbThreadRunning());
    QCOMPARE(deviceSession().deviceStatus(), QString());
}

void UpgradeJobTest::timedOutJobIsStoppedBeforeTheNext()
{
    startWindow();
    DeviceSession &session = deviceSession();
    const QByteArray image = randomBytes(200 * 512, 8);
    window->loadBinFile(writeUpgradeFile(QStringLiteral("fw.swdf"), withTarget(image, 0xAAAA)));
    session.timing.timeLimitMs = 400;
    device->setReportDelay(1);
    window->downloadBinfileSlots();
    QVERIFY(waitForBlocks(3));
    // The device stops answering: the job's limit passes and the job ends itself.
    device->setReplyDelay(5000);
    DialogTrace trace;
    QCOMPARE(waitForResult(&trace), taskLine + QStringLiteral(" 失败"));
    QVERIFY(window->ui->rizhiTextEdit->toPlainText().contains(
            QStringLiteral("时超过了时间限制。请重新插入设备后重试。")));

    // The worker has gone and sends nothing more.
    QTRY_VERIFY(!usbThreadRunning());
    const int blocksAfterStop = device->blocksReceived();
    QTest::qWait(100);
    QCOMPARE(device->blocksReceived(), blocksAfterStop);
    QCOMPARE(session.deviceStatus(), QString());

    // The next upgrade runs alone, from the device's boot loader, to a verified image.
    device->setReplyDelay(0);
    device->setReportDelay(0);
    session.timing.timeLimitMs = 0;
    window->downloadBinfileSlots();
    QCOMPARE(waitForResult(&trace), taskLine + QStringLiteral(" 成功"));
    QVERIFY(device->lastUpgradeVerified());
    QCOMPARE(device->receivedImage(), image);
}

void UpgradeJobTest::timeLimit_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("limit");
    QTest::newRow("0x12000 bytes") << qint64(0x12000) << 15000;
    QTest::newRow("0x11FFF bytes") << qint64(0x11FFF) << 25000;
}

void UpgradeJobTest::timeLimit()
{
    QFETCH(qint64, size);
    QFETCH(int, limit);
    QCOMPARE(jobTimeLimitMs(JobUpgrade, size), limit);
    startWindow(0x1005, false);
    deviceSession().upgradeSize = size;
    window->updateProgressBarValue();
    QCOMPARE(window->upgradeTimeLimit, limit);
}

void UpgradeJobTest::progressShown()
{
    startWindow(0x1005, false);
    auto *dialog = new SendDataMsgBox;
    window->taskDialog = dialog;
    dialog->setProgressRange(0, 300);
    deviceSession().upgradeSize = 300 * 512;
    deviceSession().upgradeBlockIndex = 150;
    window->upgradeElapsed = 2400;
    window->updateProgressBarValue();
    QCOMPARE(labelText(dialog, "percentLabel"), QStringLiteral("50%"));
    QCOMPARE(dialog->findChild<QProgressBar *>(QStringLiteral("progressBar"))->value(), 150);
    QCOMPARE(labelText(dialog, "elapsedLabel"), QStringLiteral("2.5 s"));

    // The job's failure ends the window's side at this tick, with its cause.
    deviceSession().jobKind = JobUpgrade;
    deviceSession().jobCause = int(JobCause::DeviceStop);
    deviceSession().jobStep = int(JobStep::Block);
    deviceSession().jobDetail = 151;
    deviceSession().jobOutcome = int(JobOutcome::Failed);
    window->updateProgressBarValue();
    QCOMPARE(labelText(dialog, "stateLabel"), taskLine + QStringLiteral(" 失败"));
    QTRY_VERIFY(!window->taskDialog);
    QCOMPARE(taskLines(), QStringList{taskLine + QStringLiteral(" 失败")});
    QVERIFY(window->ui->rizhiTextEdit->toPlainText().endsWith(QStringLiteral(
            " 原因: 设备在写入第 151 块时回答了STOP。请确认文件适用于该设备后重试。")));
}

void UpgradeJobTest::reconnectOncePerSecond()
{
    startWindow(0x1005, false);
    // Counted here, not run: there is no device to find.
    QVERIFY(disconnect(window.get(), SIGNAL(reopenHidSignals()), window.get(),
                       SLOT(openUsbDeviceSlots())));
    QSignalSpy reopen(window.get(), SIGNAL(reopenHidSignals()));
    DeviceSession &session = deviceSession();
    session.upgradeSize = 4096;
    session.appFirmware = true;
    QList<int> emittedAt;
    for (int tick = 0; tick < 25; ++tick) {
        const int before = reopen.count();
        window->updateProgressBarValue();
        if (reopen.count() > before)
            emittedAt << window->upgradeElapsed;
    }
    QCOMPARE(emittedAt, QList<int>({1000, 2000}));

    // Once the boot loader is open, no more.
    session.appFirmware = false;
    for (int tick = 0; tick < 10; ++tick)
        window->updateProgressBarValue();
    QCOMPARE(reopen.count(), 2);

    // An ending looks once more while the device still runs its normal firmware.
    session.appFirmware = true;
    session.jobKind = JobUpgrade;
    session.jobOutcome = int(JobOutcome::Failed);
    window->updateProgressBarValue();
    QCOMPARE(reopen.count(), 3);
}

KORLEX_WINDOW_TEST_MAIN(UpgradeJobTest)

#include "tst_upgradejob.moc"
