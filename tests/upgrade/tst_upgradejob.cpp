// The upgrade page of the window against the virtual device: choosing the file, the refusals
// of the download button, whole upgrades through the page and the engine's upgrade job, the
// confirmation before an unchecked target, the window's words for each verdict and failure, and
// that the window leaves the device to the job (no reconnection during or after it).

#include "app/mainwindow.h"
#include "device/hidbackend.h"
#include "device/ui/connectionbar.h"
#include "device/ui/jobdialog.h"
#include "device/ui/jobtexts.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "support/testsupport.h"
#include "support/windowhelpers.h"
#include "upgrade/ui/upgradepage.h"
#include "upgrade/upgradefile.h"
#include "virtualdevice/virtualdevice.h"
#include "widgets/msgbox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

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

// What the task dialog showed before it went away.
struct DialogTrace
{
    bool seen = false;
    QString taskName;
    QString deviceName;
    QString state;
    QStringList states;
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

    void openDialogOffersTheDevicesFiles_data();
    void openDialogOffersTheDevicesFiles();
    void loadedFileShowsItsProduct();
    void refusedFiles();
    void downloadRefusalsInOrder();
    void wholeUpgrade_data();
    void wholeUpgrade();
    void unverifiedUpgrade();
    void failingJobs_data();
    void failingJobs();
    void lowPowerWhileWaiting();
    void timedOutJobIsStoppedBeforeTheNext();
    void uncheckedTargetAsksFirst_data();
    void uncheckedTargetAsksFirst();
    void timeLimit_data();
    void timeLimit();
    void progressShown();
    void noReconnectDuringTheUpgrade();

private:
    void startWindow(quint16 id = 0x1005, bool plugged = true,
                     VirtualDevice::Settings settings = VirtualDevice::Settings());
    void setTiming(int bootRoundMs, int timeLimitMs = 0, int restartWaitMs = 10000);
    QString writeUpgradeFile(const QString &name, const QByteArray &content);
    QStringList taskLines() const;
    // Waits until the job has logged its result line and its dialog has gone; traces the dialog.
    QString waitForResult(DialogTrace *trace, int timeoutMs = 20000);
    bool waitForBlocks(int blocks);
    UpgradePage *page() const { return window->findChild<UpgradePage *>(); }
    QPushButton *downloadButton() const
    {
        return named<QPushButton>(window.get(), QStringLiteral("downloadButton"));
    }
    QString pageText() const
    {
        return named<QTextEdit>(window.get(), QStringLiteral("textEdit"))->toPlainText();
    }
    QString shownPath() const
    {
        return named<QLineEdit>(window.get(), QStringLiteral("binFilePathLineEdit"))->text();
    }
    int framesOf(quint8 command) const;

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
    device.reset();
}

void UpgradeJobTest::startWindow(quint16 id, bool plugged, VirtualDevice::Settings settings)
{
    settings.id = id;
    settings.restartDelayMs = qMin(settings.restartDelayMs, 30);
    settings.eraseDelayMs = 5;
    device = std::make_shared<VirtualDevice>(settings);
    if (!plugged)
        device->unplug();
    setHidBackend(std::make_shared<VirtualBus>(device));
    window = std::make_unique<MainWindow>();
    // The result stays up 100 or 150 ms instead of 2 or 3 s.
    window->setResultPauseScale(0.05);
    // These tests follow the upgrade alone; the backup before it has tests of its own
    // (tst_upgradebackup).
    named<QCheckBox>(window.get(), QStringLiteral("backupCheckBox"))->setChecked(false);
    setTiming(250);
    if (plugged)
        QVERIFY(waitForConnectedDevice(*window));
}

void UpgradeJobTest::setTiming(int bootRoundMs, int timeLimitMs, int restartWaitMs)
{
    LinkTiming timing;
    timing.bootWaitRoundMs = bootRoundMs;
    timing.bootWaitRounds = 8;
    timing.timeLimitMs = timeLimitMs;
    timing.restartWaitMs = restartWaitMs;
    window->deviceManager()->setTiming(timing);
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
    for (const QString &line : logTexts(*window)) {
        if (line.startsWith(taskLine))
            lines << line;
    }
    return lines;
}

int UpgradeJobTest::framesOf(quint8 command) const
{
    int count = 0;
    for (const QByteArray &frame : device->receivedFrames())
        count += quint8(frame[3]) == command;
    return count;
}

QString UpgradeJobTest::waitForResult(DialogTrace *trace, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (JobDialog *job = window->findChild<JobDialog *>()) {
            SendDataMsgBox *dialog = job->box();
            trace->seen = true;
            trace->taskName = labelText(dialog, "taskNameLabel");
            trace->deviceName = labelText(dialog, "deviceLabel");
            trace->state = labelText(dialog, "stateLabel");
            if (trace->states.isEmpty() || trace->states.last() != trace->state)
                trace->states << trace->state;
            trace->percent = labelText(dialog, "percentLabel");
            const auto *bar = dialog->findChild<QProgressBar *>(QStringLiteral("progressBar"));
            trace->barValue = bar ? bar->value() : -1;
            trace->barMaximum = bar ? bar->maximum() : -1;
            const auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("okButton"));
            const bool enabled = ok && ok->isEnabled();
            if (device->mode() != VirtualDevice::Mode::Unplugged && taskLines().size() < 2)
                trace->okEnabledWhileRunning = trace->okEnabledWhileRunning || enabled;
            else
                trace->okEnabledAtEnd = enabled;
        }
        const QStringList lines = taskLines();
        if (lines.size() >= 2 && !windowBusy(*window))
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

void UpgradeJobTest::openDialogOffersTheDevicesFiles_data()
{
    QTest::addColumn<quint16>("id");
    QTest::addColumn<QString>("filter");
    QTest::newRow("a .swdf device") << quint16(0x3001) << QStringLiteral("File(*.swdf)");
    QTest::newRow("a .bwdf device") << quint16(0x3004) << QStringLiteral("File(*.bwdf)");
}

void UpgradeJobTest::openDialogOffersTheDevicesFiles()
{
    QFETCH(quint16, id);
    QFETCH(QString, filter);
    startWindow(id);
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    QDir().mkpath(desktop);
    const QString swdf
            = writeUpgradeFile(QStringLiteral("fw.swdf"), withTarget(randomBytes(700, 1), 0x1005));
    QVERIFY(!swdf.isEmpty());
    auto *open = named<QPushButton>(window.get(), QStringLiteral("openBinFileButton"));
    {
        FileDialogDriver driver(swdf);
        open->click();
        QVERIFY(driver.shown);
        QCOMPARE(driver.title, QStringLiteral("打开升级文件"));
        QCOMPARE(driver.filters, QStringList{filter});
        QCOMPARE(QFileInfo(driver.folder).canonicalFilePath(),
                 QFileInfo(desktop).canonicalFilePath());
    }
    QCOMPARE(QFileInfo(shownPath()).canonicalFilePath(), QFileInfo(swdf).canonicalFilePath());
    QCOMPARE(page()->image().size(), qint64(700));
    QVERIFY(downloadButton()->isEnabled());
    QCOMPARE(window->focusWidget(), downloadButton());
    const QString shownText = pageText();
    QVERIFY(!shownText.isEmpty());

    // Cancelling unloads the file and clears the path; the product text stays.
    {
        FileDialogDriver driver{QString()};
        open->click();
        QVERIFY(driver.shown);
    }
    QVERIFY(shownPath().isEmpty());
    QVERIFY(page()->image().isEmpty());
    QCOMPARE(page()->image().targetId, quint16(0));
    QCOMPARE(pageText(), shownText);
}

void UpgradeJobTest::loadedFileShowsItsProduct()
{
    startWindow(0x1005, false);
    page()->loadFile(
            writeUpgradeFile(QStringLiteral("a.swdf"), withTarget(randomBytes(10, 2), 0x1005)));
    QCOMPARE(pageText(), QStringLiteral("产品名称:TALON\n产品型号:J310"));

    // An identifier the model table does not know leaves the text; the file is loaded anyway.
    page()->loadFile(
            writeUpgradeFile(QStringLiteral("b.swdf"), withTarget(randomBytes(20, 3), 0xAAAA)));
    QCOMPARE(pageText(), QStringLiteral("产品名称:TALON\n产品型号:J310"));
    QCOMPARE(page()->image().targetId, quint16(0xAAAA));
    QCOMPARE(page()->image().size(), qint64(20));
    QVERIFY(shownPath().endsWith(QLatin1String("b.swdf")));
}

void UpgradeJobTest::refusedFiles()
{
    startWindow(0x1005, false);
    const QString good = writeUpgradeFile(QStringLiteral("good.swdf"),
                                          withTarget(randomBytes(900, 4), 0x1005));
    page()->loadFile(good);
    const QString pathShown = shownPath();

    MessageCatcher catcher;
    page()->loadFile(workDir.filePath(QStringLiteral("missing.swdf")));
    page()->loadFile(writeUpgradeFile(QStringLiteral("short.swdf"), QByteArray(1, 'x')));
    const QByteArray tooLarge = withTarget(QByteArray(MaxUpgradeBlocks * 512 + 1, 'x'), 0x1005);
    page()->loadFile(writeUpgradeFile(QStringLiteral("large.swdf"), tooLarge));
    QCOMPARE(catcher.seen, QStringList({QStringLiteral(" 提示 |打开文件失败"),
                                        QStringLiteral(" 提示 |打开文件失败"),
                                        QStringLiteral(" 提示 |升级文件过大")}));

    // The file loaded before stays loaded and shown.
    QCOMPARE(shownPath(), pathShown);
    QCOMPARE(page()->image().size(), qint64(900));
    QCOMPARE(page()->image().blockCount(), 2);
}

void UpgradeJobTest::downloadRefusalsInOrder()
{
    startWindow(0x1005, false);
    MessageCatcher catcher;

    // No device: that comes first, with or without a file.
    downloadButton()->click();
    page()->loadFile(
            writeUpgradeFile(QStringLiteral("x.swdf"), withTarget(randomBytes(100, 5), 0x1006)));
    downloadButton()->click();

    device->plugIn();
    QVERIFY(waitForConnectedDevice(*window));
    const int logConnected = logTexts(*window).size();

    // A file for another device, then a two-byte file (an empty image).
    downloadButton()->click();
    page()->loadFile(writeUpgradeFile(QStringLiteral("empty.swdf"), QByteArray("\x10\x05", 2)));
    QCOMPARE(page()->image().size(), qint64(0));
    QCOMPARE(page()->image().blockCount(), 0);
    downloadButton()->click();

    QCOMPARE(catcher.seen, QStringList({QStringLiteral(" 提示 | USB设备未连接 "),
                                        QStringLiteral(" 提示 | USB设备未连接 "),
                                        QStringLiteral(" 提示 |升级文件与目标设备不匹配"),
                                        QStringLiteral(" 提示 |请打开升级文件")}));
    // Nothing started and nothing logged.
    QVERIFY(!windowBusy(*window));
    QCOMPARE(logTexts(*window).size(), logConnected);
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
    // The device takes a moment to restart, as a real one does: the dialog says so meanwhile.
    device->setRestartDelay(150);
    if (english) {
        window->findChild<QAction *>(QStringLiteral("englishAction"))->trigger();
        taskLine = QStringLiteral(" [ROM upgrade task]");
    }
    const QByteArray image = randomBytes(size, quint32(size));
    page()->loadFile(writeUpgradeFile(QStringLiteral("fw.swdf"), withTarget(image, target)));
    const int blocks = (size + 511) / 512;
    QCOMPARE(page()->image().blockCount(), blocks);

    downloadButton()->click();
    QVERIFY(window->findChild<JobDialog *>());
    QCOMPARE(taskLines(), QStringList{taskLine});

    DialogTrace trace;
    const QString result = waitForResult(&trace);
    QCOMPARE(result,
             taskLine + (english ? QStringLiteral(" scuessfully") : QStringLiteral(" 成功")));

    // The dialog named the job, counted the blocks, stayed while the device restarted, and
    // showed 100% with its button enabled.
    QVERIFY(trace.seen);
    QCOMPARE(trace.taskName,
             english ? QStringLiteral("ROM upgrade task") : QStringLiteral("ROM程序升级作业"));
    QVERIFY(trace.deviceName.isEmpty()); // one device: no device line
    QCOMPARE(trace.state, result);
    QVERIFY2(trace.states.contains(
                     english ? QStringLiteral(" The device is restarting; verifying its "
                                              "firmware")
                             : QStringLiteral(" 设备正在重新启动, 正在验证固件")),
             qPrintable(trace.states.join('|')));
    QCOMPARE(trace.percent, QStringLiteral("100%"));
    QCOMPARE(trace.barMaximum, blocks);
    QCOMPARE(trace.barValue, blocks);
    QVERIFY(!trace.okEnabledWhileRunning);
    QVERIFY(trace.okEnabledAtEnd);

    // The device received exactly the image, erased with the command for its size.
    QVERIFY(device->lastUpgradeVerified());
    QCOMPARE(device->receivedImage(), image);
    QVERIFY(framesOf(quint8(eraseCommand)) > 0);

    // The log names the firmware the device came back with, right after the result line; the
    // job's end updated the device, which the bar shows.
    const QStringList lines = logTexts(*window);
    QCOMPARE(lines.at(lines.indexOf(result) + 1),
             english ? QStringLiteral(" The device has restarted, firmware version: 1.0.3.2.8")
                     : QStringLiteral(" 设备已重新启动, 固件版本: 1.0.3.2.8"));
    Device *upgraded = window->deviceManager()->devices().value(0);
    QVERIFY(upgraded && upgraded->isConnected());
    QCOMPARE(upgraded->identity().firmwareVersion, QStringLiteral("1.0.3.2.8"));
    QCOMPARE(device->mode(), VirtualDevice::Mode::Application);
    QCOMPARE(named<QLabel>(window.get(), QStringLiteral("nameLabel"))->text(),
             QStringLiteral(" KORLEX-V12"));
}

void UpgradeJobTest::unverifiedUpgrade()
{
    // The device takes the image but has not come back when the job stops waiting for it.
    startWindow();
    setTiming(250, 0, 200);
    page()->loadFile(
            writeUpgradeFile(QStringLiteral("fw.swdf"), withTarget(randomBytes(3000, 9), 0x1005)));
    downloadButton()->click();
    QVERIFY(waitForBlocks(6));
    device->setRestartDelay(3000);
    DialogTrace trace;
    QCOMPARE(waitForResult(&trace), taskLine + QStringLiteral(" 成功"));
    const QStringList lines = logTexts(*window);
    QCOMPARE(lines.at(lines.indexOf(taskLine + QStringLiteral(" 成功")) + 1),
             QStringLiteral(" 设备重启后没有以正常固件重新出现。请重新插入设备并检查固件版本。"));
    QVERIFY(device->lastUpgradeVerified());
}

void UpgradeJobTest::failingJobs_data()
{
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
    page()->loadFile(writeUpgradeFile(QStringLiteral("fw.swdf"),
                                      withTarget(randomBytes(blocks * 512, 6), 0x1005)));
    if (fault == QLatin1String("stop")) {
        device->answerWithStatus(0x04, VirtualDevice::Status::Stop);
    } else if (fault == QLatin1String("noboot")) {
        device->setBootLoaderNeverAppears(true);
        setTiming(100);
    } else if (fault == QLatin1String("unplug")) {
        device->setReportDelay(1);
    }

    QElapsedTimer clock;
    clock.start();
    downloadButton()->click();
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

    // The line after the result says why, in the upgrade's words.
    const QStringList lines = logTexts(*window);
    const QString cause = lines.value(lines.indexOf(result) + 1);
    if (fault == QLatin1String("stop"))
        QCOMPARE(cause,
                 QStringLiteral(
                         " 原因: 设备在写入第 1 块时回答了STOP。请确认文件适用于该设备后重试。"));
    else if (fault == QLatin1String("noboot"))
        QCOMPARE(cause,
                 QStringLiteral(" 原因: 设备没有在8秒内进入引导程序。请重新插入设备后重试。"));
    else
        QVERIFY2(cause.endsWith(QStringLiteral("时被拔出。请重新插入设备后重试。")),
                 qPrintable(cause));
}

void UpgradeJobTest::lowPowerWhileWaiting()
{
    startWindow();
    page()->loadFile(
            writeUpgradeFile(QStringLiteral("fw.swdf"), withTarget(randomBytes(2048, 7), 0x1005)));
    device->answerWithStatus(0x37, VirtualDevice::Status::LowPower);
    MessageCatcher catcher;
    downloadButton()->click();
    DialogTrace trace;
    const QString result = waitForResult(&trace);
    QCOMPARE(result, taskLine + QStringLiteral(" 失败,请保证电子烟电量充足"));
    QTRY_COMPARE(catcher.seen, QStringList{QStringLiteral(" 升级失败|请保证电子烟设备电量充足")});
    // The dialog closed without showing a result.
    QCOMPARE(trace.state, QStringLiteral("The task is running"));
    const QStringList lines = logTexts(*window);
    QCOMPARE(lines.value(lines.indexOf(result) + 1),
             QStringLiteral(" 原因: 设备电量不足。请充电后重试。"));
    for (const QByteArray &frame : device->receivedFrames())
        QVERIFY(quint8(frame[3]) != 0x09 && quint8(frame[3]) != 0x04);
}

void UpgradeJobTest::timedOutJobIsStoppedBeforeTheNext()
{
    startWindow();
    const QByteArray image = randomBytes(200 * 512, 8);
    page()->loadFile(writeUpgradeFile(QStringLiteral("fw.swdf"), withTarget(image, 0xAAAA)));
    setTiming(250, 400);
    device->setReportDelay(1);
    downloadButton()->click();
    QVERIFY(waitForBlocks(3));
    // The device stops answering the blocks: the job's limit passes and the job ends itself.
    device->dropReplies(1000000, 0x04);
    DialogTrace trace;
    QCOMPARE(waitForResult(&trace), taskLine + QStringLiteral(" 失败"));
    QVERIFY(logText(*window).contains(QStringLiteral("时超过了时间限制。请重新插入设备后重试。")));

    // The worker has gone and sends nothing more.
    const int framesAfterStop = device->receivedFrames().size();
    QTest::qWait(100);
    QCOMPARE(device->receivedFrames().size(), framesAfterStop);

    // The device waits in its boot loader, connected again after the job; the next upgrade runs
    // alone, from there, to a verified image.
    device->dropReplies(0);
    device->setReportDelay(0);
    setTiming(250);
    QTRY_VERIFY(logText(*window).contains(QStringLiteral("设备处于引导程序中, 正在等待固件")));
    downloadButton()->click();
    QCOMPARE(waitForResult(&trace), taskLine + QStringLiteral(" 成功"));
    QVERIFY(device->lastUpgradeVerified());
    QCOMPARE(device->receivedImage(), image);
}

void UpgradeJobTest::uncheckedTargetAsksFirst_data()
{
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("the user confirms") << true;
    QTest::newRow("the user declines") << false;
}

void UpgradeJobTest::uncheckedTargetAsksFirst()
{
    QFETCH(bool, confirmed);
    // A boot loader that never names its device: nothing can be checked against the file.
    VirtualDevice::Settings settings;
    settings.startInBootLoader = true;
    settings.bootLoaderAnswersInfo = false;
    startWindow(0x1005, true, settings);
    QTRY_VERIFY(logText(*window).contains(QStringLiteral("设备处于引导程序中, 正在等待固件")));
    page()->loadFile(
            writeUpgradeFile(QStringLiteral("fw.swdf"), withTarget(randomBytes(1500, 3), 0x1005)));
    device->clearLog();

    QuestionAnswerer answerer(confirmed);
    downloadButton()->click();
    QCOMPARE(answerer.asked.size(), 1);
    // The question names what the file is for.
    QVERIFY2(answerer.asked.first().contains(QStringLiteral("TALON (J310)")),
             qPrintable(answerer.asked.first()));
    QCOMPARE(answerer.buttons.first(), QStringLiteral("写入(&W)|取消(&C)"));
    if (!confirmed) {
        QVERIFY(!windowBusy(*window));
        QTest::qWait(50);
        QCOMPARE(device->receivedFrames().size(), 0);
        QVERIFY(taskLines().isEmpty());
        return;
    }
    DialogTrace trace;
    QCOMPARE(waitForResult(&trace), taskLine + QStringLiteral(" 成功"));
    QVERIFY(device->lastUpgradeVerified());
}

void UpgradeJobTest::timeLimit_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("limit");
    QTest::newRow("0x12000 bytes") << 0x12000 << 15000;
    QTest::newRow("0x11FFF bytes") << 0x11FFF << 25000;
}

void UpgradeJobTest::timeLimit()
{
    QFETCH(int, size);
    QFETCH(int, limit);
    startWindow(0x1005, false);
    page()->loadFile(writeUpgradeFile(QStringLiteral("fw.swdf"),
                                      withTarget(QByteArray(size, '\x5a'), 0x1005)));
    QCOMPARE(page()->image().timeLimitMs(), limit);
}

namespace {

// A job that does nothing but report, as the window's dialogs see a job.
class ReportingJob : public Job
{
public:
    ReportingJob()
        : Job(JobKind::Upgrade, nullptr, nullptr)
    { }
    void report(int done, int total) { emit progress(done, total); }

protected:
    void run() override { }
};

} // namespace

void UpgradeJobTest::progressShown()
{
    ReportingJob job;
    JobDialog dialog(&job, QStringLiteral("ROM程序升级作业"), 300, QString());
    job.report(150, 300);
    QCOMPARE(labelText(dialog.box(), "percentLabel"), QStringLiteral("50%"));
    QCOMPARE(dialog.box()->findChild<QProgressBar *>(QStringLiteral("progressBar"))->value(), 150);

    // The failure's cause in the window's words: where the device said STOP.
    JobResult failed;
    failed.kind = JobKind::Upgrade;
    failed.outcome = JobOutcome::Failed;
    failed.cause = JobCause::DeviceStop;
    failed.step = JobStep::Block;
    failed.detail = 151;
    QCOMPARE(upgradeFailureText(failed),
             QStringLiteral(
                     " 原因: 设备在写入第 151 块时回答了STOP。请确认文件适用于该设备后重试。"));
}

void UpgradeJobTest::noReconnectDuringTheUpgrade()
{
    // A device-change notification while the upgrade runs connects nothing: the job follows the
    // device itself, and its end tells what the device is now.
    startWindow();
    page()->loadFile(writeUpgradeFile(QStringLiteral("fw.swdf"),
                                      withTarget(randomBytes(40 * 512, 4), 0x1005)));
    device->setReportDelay(1);
    device->clearLog();
    downloadButton()->click();
    QVERIFY(waitForBlocks(5));
    window->findChild<ConnectionBar *>()->connectDevices();
    DialogTrace trace;
    QCOMPARE(waitForResult(&trace), taskLine + QStringLiteral(" 成功"));
    QTest::qWait(300);
    // Only the job's own look at the device after its restart.
    QCOMPARE(framesOf(0x36), 1);
}

KORLEX_WINDOW_TEST_MAIN(UpgradeJobTest)

#include "tst_upgradejob.moc"
