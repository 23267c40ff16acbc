// The backup around an upgrade in the window, against the virtual device: the backup before
// the upgrade, the offer to restore it when the new firmware came back with other settings, the
// upgrade held back by a backup that failed, the boot loader that cannot be backed up, the
// remembered choice, and the list of a device's backups with its refusals.

#include "app/mainwindow.h"
#include "device/devicejobs.h"
#include "device/hidbackend.h"
#include "device/ui/connectionbar.h"
#include "device/ui/jobdialog.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "support/engine.h"
#include "support/testsupport.h"
#include "support/windowhelpers.h"
#include "upgrade/backup.h"
#include "upgrade/ui/backupsdialog.h"
#include "upgrade/ui/upgradepage.h"
#include "virtualdevice/virtualdevice.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

QByteArray upgradeFile(quint16 target)
{
    return randomBytes(6 * 512, 77) + QByteArray(1, char(target >> 8))
           + QByteArray(1, char(target & 0xFF));
}

// Works the backups dialog once it is open: runs the given clicks on it, then closes it unless
// the clicks did.
class BackupsDialogDriver : public QObject
{
public:
    explicit BackupsDialogDriver(std::function<void(BackupsDialog *)> clicks)
    {
        connect(&poll, &QTimer::timeout, this, [this, clicks]() {
            BackupsDialog *dialog = visibleTopLevel<BackupsDialog>();
            if (!dialog)
                return;
            poll.stop();
            clicks(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        poll.start(5);
    }

private:
    QTimer poll;
};

QStringList tableRow(const QTableWidget *table, int row)
{
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
    return cells;
}

} // namespace

class UpgradeBackupTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void upgradeOffersToRestoreWhatTheFirmwareReset();
    void failedBackupHoldsTheUpgrade_data();
    void failedBackupHoldsTheUpgrade();
    void bootLoaderIsUpgradedWithoutBackup();
    void backupChoiceIsRemembered();
    void backupsListedAndDeleted();
    void restoreToAnotherModelIsExplained();
    void closingAsksWhileARestoreRuns();

private:
    // A device whose new firmware starts with its factory settings; customised as a user left
    // it: its own parameters, curves and pictures.
    void startWindow(quint16 id = 0x1005, bool customised = true, bool inBootLoader = false);
    void loadUpgradeFile(quint16 target = 0x1005);
    // Turns the event loop until done() holds, letting the virtual device restart on time and
    // noting the task dialogs that open.
    bool waitUntil(const std::function<bool()> &done, int timeoutMs = 20000);
    bool waitForIdle()
    {
        return waitUntil([this]() { return !windowBusy(*window); });
    }
    QString serialText() const { return QString::number(device->settings().serial, 16); }
    DeviceBackup makeBackup();
    QPushButton *button(const char *name) const
    {
        return named<QPushButton>(window.get(), QLatin1String(name));
    }
    QCheckBox *backupBox() const
    {
        return named<QCheckBox>(window.get(), QStringLiteral("backupCheckBox"));
    }

    QTemporaryDir workDir;
    std::shared_ptr<VirtualBus> bus;
    std::shared_ptr<VirtualDevice> device;
    std::unique_ptr<MainWindow> window;
    QStringList tasksSeen;
};

void UpgradeBackupTest::initTestCase()
{
    initArtResources();
    initTranslationResources();
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
}

void UpgradeBackupTest::init()
{
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    settings.clear();
    settings.setValue(QStringLiteral("flag"), 0x55);
    settings.setValue(QStringLiteral("lg"), int(SimplifiedChinese));
    tasksSeen.clear();
}

void UpgradeBackupTest::cleanup()
{
    window.reset();
    device.reset();
    bus.reset();
    const QString root = defaultBackupRoot();
    QFile::remove(root);
    QDir(root).removeRecursively();
}

void UpgradeBackupTest::startWindow(quint16 id, bool customised, bool inBootLoader)
{
    VirtualDevice::Settings settings = VirtualRig::settingsFor(id, 0x91, 30);
    settings.factoryAfterUpgrade = true;
    settings.startInBootLoader = inBootLoader;
    device = std::make_shared<VirtualDevice>(settings);
    if (customised) {
        VirtualDevice::Parameters parameters;
        parameters.lcdBright = 77;
        parameters.smokeTime = 600;
        parameters.coilEnabled = {{false, true, false, true, true}};
        parameters.coilValues = {{1100, 6100, 3600, 250, 6500}};
        device->setParameters(parameters);
        device->setTempCurve(1, {{220, 240, 260, 280, 300, 320, 340, 360, 380, 400}});
        device->setPowerCurve(4, {{10, 12, 14, 16, 18, 20, 22, 24, 26, 28}});
        for (int slot = 0; slot < device->pictureSlots(); ++slot)
            device->setPicture(slot, randomBytes(device->picture(slot).size(), quint32(slot + 5)));
    }
    bus = std::make_shared<VirtualBus>(device);
    setHidBackend(bus);
    window = std::make_unique<MainWindow>();
    window->setResultPauseScale(0.05);
    LinkTiming timing;
    timing.bootWaitRoundMs = 250;
    window->deviceManager()->setTiming(timing);
    QVERIFY(waitForConnectedDevice(*window));
}

void UpgradeBackupTest::loadUpgradeFile(quint16 target)
{
    const QString path = workDir.filePath(QStringLiteral("fw.swdf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(upgradeFile(target));
    file.close();
    window->findChild<UpgradePage *>()->loadFile(path);
}

bool UpgradeBackupTest::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        for (const JobDialog *dialog : window->findChildren<JobDialog *>()) {
            const QString task = labelText(dialog->box(), "taskNameLabel");
            if (tasksSeen.isEmpty() || tasksSeen.last() != task)
                tasksSeen << task;
        }
        // The virtual device restarts when it is next looked at.
        device->isEnumerated();
        QTest::qWait(5);
    }
    return true;
}

DeviceBackup UpgradeBackupTest::makeBackup()
{
    BackupJob job(window->deviceManager()->devices().first(), defaultBackupRoot());
    if (!job.start() || !waitUntil([&job]() { return job.isFinished(); }))
        return DeviceBackup();
    return job.backup();
}

// The default: the device is backed up before the upgrade; its new firmware starts with the
// factory's settings, which the window names, and the restore gives back exactly what it held.
void UpgradeBackupTest::upgradeOffersToRestoreWhatTheFirmwareReset()
{
    startWindow();
    const VirtualDevice::Parameters parameters = device->parameters();
    const auto temperatures = device->tempCurves();
    const auto powers = device->powerCurves();
    QVector<QByteArray> pictures;
    for (int slot = 0; slot < device->pictureSlots(); ++slot)
        pictures << device->picture(slot);
    QVERIFY(backupBox()->isChecked());
    loadUpgradeFile();

    QuestionAnswerer answerer(true);
    button("downloadButton")->click();
    QVERIFY(waitUntil([&]() { return !answerer.asked.isEmpty(); }));
    QVERIFY(waitForIdle());

    QCOMPARE(answerer.asked,
             QStringList{QStringLiteral("升级后设备与升级前的备份不同:\n\n屏幕亮度\n最大吸烟时间\n"
                                        "线圈: 1-5\n温度曲线: 2\n功率曲线: 5\n图片: 1-12\n\n"
                                        "要恢复备份吗?")});
    QCOMPARE(answerer.buttons.first(), QStringLiteral("恢复(&R)|保留新设置(&K)"));
    QCOMPARE(tasksSeen,
             QStringList({QStringLiteral("备份设备作业"), QStringLiteral("ROM程序升级作业"),
                          QStringLiteral("核对备份作业"), QStringLiteral("恢复备份作业")}));
    QVERIFY(device->lastUpgradeVerified());

    // One backup, named in the log.
    const QVector<DeviceBackup> backups = listBackups(defaultBackupRoot(), serialText());
    QCOMPARE(backups.size(), 1);
    const QStringList log = logTexts(*window);
    QVERIFY(log.contains(QStringLiteral(" 备份保存在 ") + backups.first().folder));
    QVERIFY(log.contains(QStringLiteral(" [恢复备份作业] 成功")));

    QCOMPARE(device->parameters().lcdBright, parameters.lcdBright);
    QCOMPARE(device->parameters().smokeTime, parameters.smokeTime);
    QCOMPARE(device->parameters().coilEnabled, parameters.coilEnabled);
    QCOMPARE(device->parameters().coilValues, parameters.coilValues);
    QCOMPARE(device->tempCurves(), temperatures);
    QCOMPARE(device->powerCurves(), powers);
    for (int slot = 0; slot < pictures.size(); ++slot)
        QCOMPARE(device->picture(slot), pictures.at(slot));
}

void UpgradeBackupTest::failedBackupHoldsTheUpgrade_data()
{
    QTest::addColumn<bool>("upgradeAnyway");
    QTest::newRow("the user cancels") << false;
    QTest::newRow("the user upgrades anyway") << true;
}

void UpgradeBackupTest::failedBackupHoldsTheUpgrade()
{
    QFETCH(bool, upgradeAnyway);
    startWindow();
    loadUpgradeFile();
    // A file stands where the backups' folder should be.
    const QString root = defaultBackupRoot();
    QVERIFY(QDir().mkpath(QFileInfo(root).path()));
    QFile blocker(root);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QuestionAnswerer answerer(upgradeAnyway);
    button("downloadButton")->click();
    QVERIFY(waitUntil([&]() { return !answerer.asked.isEmpty(); }));
    QVERIFY(waitForIdle());
    QCOMPARE(answerer.asked.size(), 1);
    const QString asked = answerer.asked.first();
    QVERIFY2(asked.startsWith(QStringLiteral("升级前无法备份设备。 原因: 备份文件夹 %1 无法写入: ")
                                      .arg(root)),
             qPrintable(asked));
    QVERIFY2(asked.contains(QStringLiteral("仍然要升级吗?")), qPrintable(asked));
    QCOMPARE(answerer.buttons.first(), QStringLiteral("仍然升级(&U)|取消(&C)"));

    const QStringList log = logTexts(*window);
    QVERIFY(log.contains(QStringLiteral(" [备份设备作业] 失败")));
    if (!upgradeAnyway) {
        QVERIFY(log.contains(QStringLiteral(" 升级已取消")));
        QCOMPARE(framesWithCode(*device, 0x37), 0);
        QVERIFY(!device->lastUpgradeVerified());
        return;
    }
    QVERIFY(log.contains(QStringLiteral(" [ROM程序升级作业] 成功")));
    QVERIFY(device->lastUpgradeVerified());
    // Without a backup there is nothing to compare the device with.
    QCOMPARE(tasksSeen,
             QStringList({QStringLiteral("备份设备作业"), QStringLiteral("ROM程序升级作业")}));
}

void UpgradeBackupTest::bootLoaderIsUpgradedWithoutBackup()
{
    startWindow(0x1005, false, true);
    QVERIFY(waitUntil([this]() {
        return logText(*window).contains(QStringLiteral("设备处于引导程序中, 正在等待固件"));
    }));
    loadUpgradeFile();
    button("downloadButton")->click();
    QVERIFY(waitUntil([this]() {
        return logText(*window).contains(QStringLiteral(" [ROM程序升级作业] 成功"))
               && !windowBusy(*window);
    }));
    const QStringList log = logTexts(*window);
    const int said = log.indexOf(QStringLiteral(" 设备处于引导程序中, 无法读取, 升级前没有备份"));
    QVERIFY(said >= 0);
    QVERIFY(said < log.indexOf(QStringLiteral(" [ROM程序升级作业]")));
    QCOMPARE(tasksSeen, QStringList{QStringLiteral("ROM程序升级作业")});
    QVERIFY(listBackups(defaultBackupRoot()).isEmpty());
}

// The choice is kept beside the language, which it leaves alone, and an upgrade without the
// backup makes none.
void UpgradeBackupTest::backupChoiceIsRemembered()
{
    startWindow();
    backupBox()->setChecked(false);
    window.reset();
    window = std::make_unique<MainWindow>();
    window->setResultPauseScale(0.05);
    QVERIFY(!backupBox()->isChecked());
    {
        QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
        QCOMPARE(settings.value(QStringLiteral("flag")).toInt(), 0x55);
        QCOMPARE(settings.value(QStringLiteral("lg")).toInt(), int(SimplifiedChinese));
    }
    QVERIFY(waitForConnectedDevice(*window));
    loadUpgradeFile();
    button("downloadButton")->click();
    QVERIFY(waitUntil([this]() {
        return logText(*window).contains(QStringLiteral(" [ROM程序升级作业] 成功"))
               && !windowBusy(*window);
    }));
    QCOMPARE(tasksSeen, QStringList{QStringLiteral("ROM程序升级作业")});
    QVERIFY(listBackups(defaultBackupRoot()).isEmpty());
}

void UpgradeBackupTest::backupsListedAndDeleted()
{
    startWindow();
    const DeviceBackup older = makeBackup();
    const DeviceBackup newer = makeBackup();
    QVERIFY(!older.folder.isEmpty() && !newer.folder.isEmpty());
    const QVector<DeviceBackup> listed = listBackups(defaultBackupRoot(), serialText());
    QCOMPARE(listed.size(), 2);

    QStringList before;
    QStringList after;
    QString folderShown;
    QuestionAnswerer answerer(true);
    BackupsDialogDriver driver([&](BackupsDialog *dialog) {
        auto *table = named<QTableWidget>(dialog, QStringLiteral("backupsTable"));
        folderShown = labelText(dialog, "backupsFolderLabel");
        for (int row = 0; row < table->rowCount(); ++row)
            before << tableRow(table, row).join(QLatin1Char('|'));
        table->selectRow(0);
        named<QPushButton>(dialog, QStringLiteral("deleteBackupButton"))->click();
        for (int row = 0; row < table->rowCount(); ++row)
            after << tableRow(table, row).join(QLatin1Char('|'));
    });
    button("backupsButton")->click();

    QCOMPARE(folderShown,
             QStringLiteral("备份保存在 ") + defaultBackupRoot() + QLatin1Char('/') + serialText());
    QStringList expected;
    for (const DeviceBackup &backup : listed)
        expected << backup.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                            + QStringLiteral("|1.0.3.2.7|参数, 温度曲线, 功率曲线, 图片");
    QCOMPARE(before, expected);
    QCOMPARE(answerer.asked.size(), 1);
    QCOMPARE(after, expected.mid(1));
    QVERIFY(!QFileInfo::exists(listed.first().folder));
    QCOMPARE(listBackups(defaultBackupRoot(), serialText()).size(), 1);
}

// A backup found by the device's serial number that was made while it ran another model's
// firmware: the engine refuses it, and the window names both models.
void UpgradeBackupTest::restoreToAnotherModelIsExplained()
{
    startWindow();
    QVERIFY(!makeBackup().folder.isEmpty());
    device->unplug();
    auto other = std::make_shared<VirtualDevice>(VirtualRig::settingsFor(0x2001, 0x91, 30));
    bus->addDevice(other);
    window->findChild<ConnectionBar *>()->connectDevices();
    QVERIFY(waitUntil([this]() {
        const Device *shown = window->findChild<UpgradePage *>()->device();
        return shown && shown->isConnected() && shown->identity().id == 0x2001;
    }));
    other->clearLog();

    MessageCatcher catcher;
    QuestionAnswerer answerer(true);
    BackupsDialogDriver driver([](BackupsDialog *dialog) {
        named<QTableWidget>(dialog, QStringLiteral("backupsTable"))->selectRow(0);
        named<QPushButton>(dialog, QStringLiteral("restoreBackupButton"))->click();
    });
    button("backupsButton")->click();
    QVERIFY(waitUntil([&]() { return !catcher.seen.isEmpty(); }));
    QCOMPARE(answerer.asked.size(), 1);
    QCOMPARE(catcher.seen,
             QStringList{QStringLiteral(" 提示 |该备份来自 TALON J310 (0x1005), 而设备是 ORBIT "
                                        "K510-204 (0x2001): 型号或屏幕不同, 不能恢复。")});
    QCOMPARE(other->receivedFrames().size(), 0);
}

// A restore cut short leaves the device with part of its pictures: closing asks first.
void UpgradeBackupTest::closingAsksWhileARestoreRuns()
{
    startWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(!makeBackup().folder.isEmpty());
    device->setReportDelay(2);
    {
        QuestionAnswerer confirm(true);
        BackupsDialogDriver driver([](BackupsDialog *dialog) {
            named<QPushButton>(dialog, QStringLiteral("restoreBackupButton"))->click();
        });
        button("backupsButton")->click();
        QVERIFY(waitUntil([this]() { return framesWithCode(*device, 0x34) > 0; }));
    }
    QuestionAnswerer keepRunning(false);
    window->close();
    QCOMPARE(keepRunning.asked,
             QStringList{QStringLiteral("正在向设备写入图片: 现在关闭会使设备上的图片不完整。")});
    QVERIFY(window->isVisible());
    QVERIFY(waitForIdle());
    QVERIFY(logTexts(*window).contains(QStringLiteral(" [恢复备份作业] 成功")));
}

KORLEX_WINDOW_TEST_MAIN(UpgradeBackupTest)

#include "tst_upgradebackup.moc"
