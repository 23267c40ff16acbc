#include "upgrade/ui/upgradepage.h"

#include "catalogue/devicemodels.h"
#include "device/device.h"
#include "device/ui/jobdialog.h"
#include "device/ui/jobtexts.h"
#include "shell/texts.h"
#include "upgrade/upgradejob.h"
#include "widgets/msgbox.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextEdit>

namespace {

QString taskName()
{
    return trMain("ROM程序升级作业");
}

QString taskLine()
{
    return QStringLiteral(" [") + taskName() + QLatin1Char(']');
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
    connect(m_open, &QPushButton::clicked, this, &UpgradePage::chooseFile);
    connect(m_download, &QPushButton::clicked, this, &UpgradePage::startUpgrade);
    retranslate();
}

void UpgradePage::retranslate()
{
    m_fileLabel->setText(trWindow("选择文件"));
    m_open->setText(trWindow("选择(&C)"));
    m_download->setText(trWindow("下载(&U)"));
    m_textLabel->setText(trWindow("文本信息"));
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

void UpgradePage::startUpgrade()
{
    Device *target = device();
    if (!deviceConnected()) {
        showMessage(trMain(" USB设备未连接 "));
        return;
    }
    UpgradeOptions options;
    auto *job = new UpgradeJob(target, m_image, options, this);
    if (!job->start()) {
        const JobCause cause = job->result().cause;
        delete job;
        switch (cause) {
        case JobCause::NoImage:
            showMessage(trMain("请打开升级文件"));
            return;
        case JobCause::WrongDevice:
            showMessage(trMain("升级文件与目标设备不匹配"));
            return;
        case JobCause::TargetUnchecked:
            if (!confirmUncheckedTarget())
                return;
            options.allowUncheckedTarget = true;
            job = new UpgradeJob(target, m_image, options, this);
            if (!startJob(job))
                return;
            break;
        default:
            showMessage(jobRefusalText(cause));
            return;
        }
    }

    auto *dialog
            = new JobDialog(job, taskName(), m_image.blockCount(), taskDeviceName(target), this);
    connect(job, &Job::phaseChanged, dialog, [dialog](JobPhase phase) {
        // After the last block the device restarts; the dialog stays until it is back.
        if (phase == JobPhase::Restarting)
            dialog->setState(trMain(" 设备正在重新启动, 正在验证固件"));
    });
    connect(job, &Job::finished, this, [this, job, dialog](const JobResult &result) {
        showUpgradeEnd(dialog, result);
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
