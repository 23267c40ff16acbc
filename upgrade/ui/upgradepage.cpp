#include "upgrade/ui/upgradepage.h"

#include "catalogue/devicemodels.h"
#include "device/device.h"
#include "device/ui/jobdialog.h"
#include "device/ui/jobtexts.h"
#include "pictures/pictureset.h"
#include "shell/texts.h"
#include "upgrade/ui/backupsdialog.h"
#include "upgrade/upgradejob.h"
#include "widgets/msgbox.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTextEdit>

#include <algorithm>

namespace {

// Kept in the program's settings beside the interface language.
const char *const BackupSettingKey = "backupBeforeUpgrade";

QString taskName()
{
    return QCoreApplication::translate("main", "ROM程序升级作业");
}

QString taskLine(const QString &name = taskName())
{
    return QStringLiteral(" [") + name + QLatin1Char(']');
}

QString backupTaskName()
{
    return QCoreApplication::translate("main", "备份设备作业");
}

QString compareTaskName()
{
    return QCoreApplication::translate("main", "核对备份作业");
}

QString restoreTaskName()
{
    return QCoreApplication::translate("main", "恢复备份作业");
}

QString backupFolderLine(const DeviceBackup &backup)
{
    return QCoreApplication::translate("main", " 备份保存在 %1")
            .arg(QDir::toNativeSeparators(backup.folder));
}

// The pictures a job reads or writes for a device's screen (none for the colour screen, whose
// backups hold no pictures).
int monoPictureCount(const Device *device)
{
    const int format = device->identity().screenFormat();
    return format == 0 || format == 1 ? PictureSet::slotCount(format) : 0;
}

// The device's model as a backup names its own (DeviceBackup::modelText).
QString deviceModelText(const DeviceIdentity &identity)
{
    if (identity.model.productName.isEmpty() && identity.model.modelCode.isEmpty())
        return deviceIdText(identity.id);
    return QStringLiteral("%1 %2 (%3)")
            .arg(identity.model.productName, identity.model.modelCode, deviceIdText(identity.id));
}

// Why a backup job was refused: another model, or what any job is refused for.
QString backupRefusalText(JobCause cause, const DeviceBackup &backup, const Device *target)
{
    if (cause == JobCause::WrongDevice) {
        return QCoreApplication::translate("main",
                                           "该备份来自 %1, 而设备是 %2: 型号或屏幕不同, 不能恢复。")
                .arg(backup.modelText(), deviceModelText(target->identity()));
    }
    return jobRefusalText(cause);
}

// Why a backup, a comparison or a restore failed, as a log line.
QString backupFailureText(const JobResult &result)
{
    switch (result.cause) {
    case JobCause::File:
        return QCoreApplication::translate(
                       "main", " 原因: 备份文件夹 %1 无法写入: %2。请检查磁盘空间和文件夹的权限。")
                .arg(QDir::toNativeSeparators(defaultBackupRoot()), result.error);
    case JobCause::Damaged:
        return QCoreApplication::translate("main", " 原因: 备份已损坏: %1").arg(result.error);
    default:
        break;
    }
    return upgradeFailureText(result);
}

// "1-3, 5" for 1, 2, 3 and 5.
QString numberRanges(QVector<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    QStringList parts;
    for (int first = 0; first < numbers.size();) {
        int last = first;
        while (last + 1 < numbers.size() && numbers.at(last + 1) == numbers.at(last) + 1)
            ++last;
        parts << (last == first
                          ? QString::number(numbers.at(first))
                          : QStringLiteral("%1-%2").arg(numbers.at(first)).arg(numbers.at(last)));
        first = last + 1;
    }
    return parts.join(QStringLiteral(", "));
}

// What differs between a device and its backup in the user's words, one line per kind: the
// brightness, the puff time, the coils, the curves and the pictures, numbered as the pages
// number them.
QStringList differenceLines(const QStringList &keys)
{
    static const QRegularExpression numbered(QStringLiteral("^(coil|temp|power|picture)(\\d+)"));
    bool brightness = false;
    bool puff = false;
    QVector<int> coils;
    QVector<int> temperatures;
    QVector<int> powers;
    QVector<int> pictures;
    QStringList others;
    for (const QString &key : keys) {
        const QRegularExpressionMatch match = numbered.match(key);
        const QString kind = match.captured(1);
        const int number = match.captured(2).toInt();
        if (key == QLatin1String("brightness"))
            brightness = true;
        else if (key == QLatin1String("puff"))
            puff = true;
        else if (kind == QLatin1String("coil"))
            coils << number;
        else if (kind == QLatin1String("temp"))
            temperatures << number;
        else if (kind == QLatin1String("power"))
            powers << number;
        else if (kind == QLatin1String("picture"))
            pictures << number;
        else
            others << key;
    }
    QStringList lines;
    if (brightness)
        lines << QCoreApplication::translate("main", "屏幕亮度");
    if (puff)
        lines << QCoreApplication::translate("main", "最大吸烟时间");
    if (!coils.isEmpty())
        lines << QCoreApplication::translate("main", "线圈: %1").arg(numberRanges(coils));
    if (!temperatures.isEmpty())
        lines << QCoreApplication::translate("main", "温度曲线: %1")
                         .arg(numberRanges(temperatures));
    if (!powers.isEmpty())
        lines << QCoreApplication::translate("main", "功率曲线: %1").arg(numberRanges(powers));
    if (!pictures.isEmpty())
        lines << QCoreApplication::translate("main", "图片: %1").arg(numberRanges(pictures));
    return lines + others;
}

// A restore that left out only pictures that do not fit the device's screen restored the rest.
bool onlyMisfitsLeftOut(const JobResult &result)
{
    if (result.cause != JobCause::PictureFile)
        return false;
    for (const SlotResult &slot : result.pictureSlots) {
        if (!slot.done && slot.cause != JobCause::PictureFile)
            return false;
    }
    return true;
}

} // namespace

UpgradePage::UpgradePage(QWidget *page, QObject *parent)
    : DevicePage(parent)
    , m_fileLabel(formWidget<QLabel>(page, "binFileLabel"))
    , m_path(formWidget<QLineEdit>(page, "binFilePathLineEdit"))
    , m_open(formWidget<QPushButton>(page, "openBinFileButton"))
    , m_download(formWidget<QPushButton>(page, "downloadButton"))
    , m_textLabel(formWidget<QLabel>(page, "textLabel"))
    , m_text(formWidget<QTextEdit>(page, "textEdit"))
{
    m_fileLabel->setAlignment(Qt::AlignCenter);
    m_path->clear();
    m_textLabel->setAlignment(Qt::AlignCenter);

    // The backup row, between the file and its text, lined up with the file row.
    auto *backupGroup = new QGroupBox(page);
    backupGroup->setObjectName(QStringLiteral("backupGroupBox"));
    auto *row = new QHBoxLayout(backupGroup);
    if (const QLayout *fileRow = m_fileLabel->parentWidget()->layout()) {
        row->setContentsMargins(fileRow->contentsMargins());
        row->setSpacing(fileRow->spacing());
    }
    row->addSpacing(m_fileLabel->minimumWidth() + row->spacing());
    m_backupFirst = new QCheckBox(backupGroup);
    m_backupFirst->setObjectName(QStringLiteral("backupCheckBox"));
    row->addWidget(m_backupFirst);
    row->addStretch();
    m_backups = new QPushButton(backupGroup);
    m_backups->setObjectName(QStringLiteral("backupsButton"));
    m_backups->setFixedSize(m_open->minimumSize());
    row->addWidget(m_backups);
    if (auto *pageLayout = qobject_cast<QBoxLayout *>(page->layout()))
        pageLayout->insertWidget(1, backupGroup);

    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    m_backupFirst->setChecked(settings.value(QLatin1String(BackupSettingKey), true).toBool());

    connect(m_open, &QPushButton::clicked, this, &UpgradePage::chooseFile);
    connect(m_download, &QPushButton::clicked, this, &UpgradePage::startUpgrade);
    connect(m_backupFirst, &QCheckBox::toggled, this, &UpgradePage::rememberBackupChoice);
    connect(m_backups, &QPushButton::clicked, this, &UpgradePage::showBackups);
    retranslate();
}

void UpgradePage::retranslate()
{
    m_fileLabel->setText(trWindow("选择文件"));
    m_open->setText(trWindow("选择(&C)"));
    m_download->setText(trWindow("下载(&U)"));
    m_textLabel->setText(trWindow("文本信息"));
    m_backupFirst->setText(trMain("升级前备份设备"));
    m_backups->setText(trMain("备份..."));
}

void UpgradePage::rememberBackupChoice(bool backUpFirst)
{
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    settings.setValue(QLatin1String(BackupSettingKey), backUpFirst);
}

void UpgradePage::chooseFile()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const quint16 id = device() ? device()->identity().id : 0;
    loadFile(QFileDialog::getOpenFileName(m_open->window(), trWindow("打开升级文件"), folder,
                                          upgradeFileFilter(id)));
}

void UpgradePage::loadFile(const QString &fileName)
{
    if (fileName.isEmpty()) {
        m_image = UpgradeImage();
        m_path->clear();
        return;
    }
    // A refused file leaves the one loaded before in place.
    switch (UpgradeImage::fromFile(fileName, &m_image)) {
    case UpgradeLoad::Unreadable:
        showMessage(trWindow(" 提示 "), trWindow("打开文件失败"), 500);
        return;
    case UpgradeLoad::TooLarge:
        showMessage(trWindow(" 提示 "), trWindow("升级文件过大"), 1500);
        return;
    case UpgradeLoad::Loaded:
        break;
    }
    m_path->setText(fileName);
    m_download->setEnabled(true);
    m_download->setFocus();

    const DeviceModel model = deviceModelOf(m_image.targetId, deviceModels());
    if (model.known) {
        m_text->setText(trWindow("产品名称:") + model.productName + QLatin1Char('\n')
                        + trWindow("产品型号:") + model.modelCode);
    }
}

bool UpgradePage::confirmUncheckedTarget() const
{
    const DeviceModel model = deviceModelOf(m_image.targetId, deviceModels());
    const QString target
            = model.known ? model.productName + QStringLiteral(" (") + model.modelCode
                                    + QLatin1Char(')')
                          : QStringLiteral("0x%1").arg(m_image.targetId, 4, 16, QLatin1Char('0'));
    return QuestionBox::ask(trMain(" 提示 "),
                            trMain("设备处于引导程序中, 没有说明它是哪一种设备, 无法检查升级文件"
                                   "是否适用于它。该文件是为 %1 制作的。确定要写入吗?")
                                    .arg(target),
                            trMain("写入(&W)"), trMain("取消(&C)"), m_download->window());
}

bool UpgradePage::fileFitsDevice(Device *target, UpgradeOptions *options) const
{
    if (m_image.isEmpty()) {
        showMessage(trMain("请打开升级文件"));
        return false;
    }
    switch (m_image.matches(target->identity())) {
    case UpgradeImage::Match::Fits:
        return true;
    case UpgradeImage::Match::WrongDevice:
        showMessage(trMain("升级文件与目标设备不匹配"));
        return false;
    case UpgradeImage::Match::Unchecked:
        break;
    }
    if (!confirmUncheckedTarget())
        return false;
    options->allowUncheckedTarget = true;
    return true;
}

void UpgradePage::startUpgrade()
{
    Device *target = device();
    if (!deviceConnected()) {
        showMessage(trMain(" USB设备未连接 "));
        return;
    }
    PendingUpgrade upgrade;
    upgrade.target = target;
    upgrade.image = m_image;
    if (!fileFitsDevice(target, &upgrade.options))
        return;
    if (m_backupFirst->isChecked())
        backUpThenUpgrade(upgrade);
    else
        runUpgrade(upgrade);
}

bool UpgradePage::upgradeWithoutBackup(const QString &reason) const
{
    return QuestionBox::ask(trMain(" 提示 "),
                            trMain("升级前无法备份设备。%1\n\n仍然要升级吗? 升级后设备可能只有出厂"
                                   "的图片、曲线和设置。")
                                    .arg(reason),
                            trMain("仍然升级(&U)"), trMain("取消(&C)"), m_download->window());
}

void UpgradePage::backUpThenUpgrade(const PendingUpgrade &upgrade)
{
    Device *target = upgrade.target;
    auto *job = new BackupJob(target, defaultBackupRoot(), this);
    if (!job->start()) {
        const JobCause cause = job->result().cause;
        delete job;
        if (cause != JobCause::NotSupported) {
            showMessage(jobRefusalText(cause));
            return;
        }
        // Nothing can be read from a boot loader; its upgrade is what brings the device back.
        if (target->identity().isBootLoader()) {
            log(trMain(" 设备处于引导程序中, 无法读取, 升级前没有备份"));
            runUpgrade(upgrade);
            return;
        }
        const QString reason = trMain(" 原因: 设备没有回答信息请求, 无法读取。");
        log(reason);
        if (upgradeWithoutBackup(reason))
            runUpgrade(upgrade);
        else
            log(trMain(" 升级已取消"));
        return;
    }

    auto *dialog = new JobDialog(job, backupTaskName(), monoPictureCount(target),
                                 taskDeviceName(target), this);
    log(taskLine(backupTaskName()));
    connect(job, &Job::finished, this, [this, job, dialog, upgrade](const JobResult &result) {
        job->deleteLater();
        const bool made = result.succeeded();
        const QString line
                = taskLine(backupTaskName()) + (made ? trMain(" 成功") : trMain(" 失败"));
        log(line);
        PendingUpgrade next = upgrade;
        QString reason;
        if (made) {
            next.backup = job->backup();
            log(backupFolderLine(next.backup));
        } else {
            reason = backupFailureText(result);
            log(reason);
        }
        dialog->finish(line, made ? 1000 : 1500, made);
        // The upgrade follows once the backup's dialog has gone; without a backup, only when
        // the user says so.
        connect(dialog, &JobDialog::closed, this, [this, next, made, reason]() {
            if (!made && !upgradeWithoutBackup(reason)) {
                log(trMain(" 升级已取消"));
                return;
            }
            if (!next.target || !next.target->isConnected()) {
                showMessage(trMain(" USB设备未连接 "));
                return;
            }
            runUpgrade(next);
        });
    });
}

void UpgradePage::runUpgrade(const PendingUpgrade &upgrade)
{
    Device *target = upgrade.target;
    auto *job = new UpgradeJob(target, upgrade.image, upgrade.options, this);
    if (!startJob(job))
        return;

    auto *dialog = new JobDialog(job, taskName(), upgrade.image.blockCount(),
                                 taskDeviceName(target), this);
    connect(job, &Job::phaseChanged, dialog, [dialog](JobPhase phase) {
        // After the last block the device restarts; the dialog stays until it is back.
        if (phase == JobPhase::Restarting)
            dialog->setState(trMain(" 设备正在重新启动, 正在验证固件"));
    });
    const DeviceBackup backup = upgrade.backup;
    connect(job, &Job::finished, this, [this, job, dialog, backup](const JobResult &result) {
        showUpgradeEnd(dialog, result);
        // A device that came back with new firmware may have come back with its factory
        // settings: once the result has been seen, it is compared with its backup.
        if (result.outcome == JobOutcome::Succeeded && !backup.folder.isEmpty()) {
            QPointer<Device> upgraded(job->device());
            connect(dialog, &JobDialog::closed, this,
                    [this, upgraded, backup]() { compareWithBackup(upgraded, backup); });
        }
        job->deleteLater();
    });
    log(taskLine());
}

void UpgradePage::showUpgradeEnd(JobDialog *dialog, const JobResult &result)
{
    // Success and an image the device took without coming back within the limit end with the
    // success line; the sentence after it says which of the two it was.
    if (result.outcome == JobOutcome::Succeeded || result.outcome == JobOutcome::Unverified) {
        const QString line = taskLine() + trMain(" 成功");
        log(line);
        log(upgradeVersionText(result));
        dialog->finish(line, 3000, true);
        return;
    }
    if (result.cause == JobCause::LowPower) {
        const QString line = taskLine() + trMain(" 失败") + trWindow(",请保证电子烟电量充足");
        dialog->closeNow();
        log(line);
        log(upgradeFailureText(result));
        showMessageLater(trWindow(" 升级失败"), trWindow("请保证电子烟设备电量充足"), 3000);
        return;
    }
    const QString line = taskLine() + trMain(" 失败");
    log(line);
    log(upgradeFailureText(result));
    dialog->finish(line, 2000, false);
}

void UpgradePage::compareWithBackup(Device *target, const DeviceBackup &backup)
{
    const QString line = taskLine(compareTaskName());
    if (!target || !target->isConnected()) {
        log(line + trMain(" 失败"));
        log(backupFolderLine(backup));
        return;
    }
    auto *job = new BackupCompareJob(target, backup, this);
    if (!job->start()) {
        const JobCause cause = job->result().cause;
        delete job;
        log(line + trMain(" 失败"));
        log(QLatin1Char(' ') + backupRefusalText(cause, backup, target));
        log(backupFolderLine(backup));
        return;
    }
    auto *dialog = new JobDialog(job, compareTaskName(),
                                 backup.holdsPictures() ? monoPictureCount(target) : 0,
                                 taskDeviceName(target), this);
    log(line);
    QPointer<Device> compared(target);
    connect(job, &Job::finished, this,
            [this, job, dialog, line, compared, backup](const JobResult &result) {
                job->deleteLater();
                if (!result.succeeded()) {
                    log(line + trMain(" 失败"));
                    log(backupFailureText(result));
                    log(backupFolderLine(backup));
                    dialog->finish(line + trMain(" 失败"), 2000, false);
                    return;
                }
                log(line + trMain(" 成功"));
                dialog->finish(line + trMain(" 成功"), 1000, true);
                const QStringList differences = differenceLines(job->differences());
                if (differences.isEmpty()) {
                    log(trMain(" 设备的参数、曲线和图片与备份相同"));
                    return;
                }
                log(trMain(" 设备与备份不同: %1").arg(differences.join(QStringLiteral(", "))));
                connect(dialog, &JobDialog::closed, this, [this, compared, backup, differences]() {
                    offerRestore(compared, backup, differences);
                });
            });
}

void UpgradePage::offerRestore(Device *target, const DeviceBackup &backup,
                               const QStringList &differences)
{
    QuestionBox offer(trMain("恢复备份"),
                      trMain("升级后设备与升级前的备份不同:\n\n%1\n\n要恢复备份吗?")
                              .arg(differences.join(QLatin1Char('\n'))),
                      trMain("恢复(&R)"), trMain("保留新设置(&K)"), m_download->window());
    offer.setObjectName(QStringLiteral("restoreOfferBox"));
    if (offer.exec() != QDialog::Accepted) {
        log(trMain(" 保留了升级后的设置"));
        log(backupFolderLine(backup));
        return;
    }
    restoreBackup(target, backup);
}

void UpgradePage::showBackups()
{
    QPointer<Device> target = device();
    if (!deviceConnected()) {
        showMessage(trMain(" USB设备未连接 "));
        return;
    }
    const QString serial = target->identity().serial;
    if (serial.isEmpty()) {
        showMessage(trMain("设备没有说明它的序列号, 无法找到它的备份"));
        return;
    }
    const QString root = defaultBackupRoot();
    BackupsDialog dialog(listBackups(root, serial), QDir(root).filePath(serial),
                         m_backups->window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The device may have gone while the list was open.
    if (!target || !target->isConnected()) {
        showMessage(trMain(" USB设备未连接 "));
        return;
    }
    restoreBackup(target, dialog.chosen());
}

void UpgradePage::restoreBackup(Device *target, const DeviceBackup &backup)
{
    if (!target || !target->isConnected()) {
        showMessage(trMain(" USB设备未连接 "));
        return;
    }
    auto *job = new RestoreJob(target, backup, this);
    if (!job->start()) {
        const JobCause cause = job->result().cause;
        delete job;
        showMessage(backupRefusalText(cause, backup, target), 5000);
        return;
    }
    auto *dialog = new JobDialog(job, restoreTaskName(),
                                 backup.holdsPictures() ? monoPictureCount(target) : 0,
                                 taskDeviceName(target), this);
    log(taskLine(restoreTaskName()));
    connect(job, &Job::finished, this, [this, job, dialog](const JobResult &result) {
        showRestoreEnd(dialog, result);
        job->deleteLater();
    });
}

void UpgradePage::showRestoreEnd(JobDialog *dialog, const JobResult &result)
{
    const bool restored = result.succeeded() || onlyMisfitsLeftOut(result);
    const QString line
            = taskLine(restoreTaskName()) + (restored ? trMain(" 成功") : trMain(" 失败"));
    log(line);
    if (onlyMisfitsLeftOut(result)) {
        QVector<int> misfits;
        for (const SlotResult &slot : result.pictureSlots) {
            if (!slot.done)
                misfits << slot.slot;
        }
        log(trMain(" 以下图片不适合设备的屏幕, 没有恢复: %1").arg(numberRanges(misfits)));
    } else if (!restored) {
        log(backupFailureText(result));
    }
    dialog->finish(line, 2000, restored);
}
