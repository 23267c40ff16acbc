#include "device/ui/jobtexts.h"

#include <QCoreApplication>

QString jobStepText(JobStep step, int detail)
{
    switch (step) {
    case JobStep::Hello:
        return QCoreApplication::translate("main", "进入升级模式");
    case JobStep::BootWait:
        return QCoreApplication::translate("main", "等待引导程序");
    case JobStep::Erase:
        return QCoreApplication::translate("main", "擦除");
    case JobStep::Block:
        return QCoreApplication::translate("main", "写入第 %1 块").arg(detail);
    case JobStep::Finish:
        return QCoreApplication::translate("main", "结束升级");
    case JobStep::Restart:
        return QCoreApplication::translate("main", "重新启动");
    case JobStep::Picture:
        return QCoreApplication::translate("main", "传输第 %1 张图片").arg(detail);
    default:
        break;
    }
    return QCoreApplication::translate("main", "作业");
}

QString upgradeFailureText(const JobResult &result)
{
    const QString step = jobStepText(result.step, result.detail);
    switch (result.cause) {
    case JobCause::None:
        return QString();
    case JobCause::DeviceStop:
        return QCoreApplication::translate(
                       "main", " 原因: 设备在%1时回答了STOP。请确认文件适用于该设备后重试。")
                .arg(step);
    case JobCause::LowPower:
        return QCoreApplication::translate("main", " 原因: 设备电量不足。请充电后重试。");
    case JobCause::NoBootLoader:
        return QCoreApplication::translate(
                "main", " 原因: 设备没有在8秒内进入引导程序。请重新插入设备后重试。");
    case JobCause::NoAnswer:
        return QCoreApplication::translate("main",
                                           " 原因: 设备在%1时停止应答。请检查USB连接后重试。")
                .arg(step);
    case JobCause::Unplugged:
        return QCoreApplication::translate("main",
                                           " 原因: 设备在%1时被拔出。请重新插入设备后重试。")
                .arg(step);
    case JobCause::TimeLimit:
        return QCoreApplication::translate(
                       "main", " 原因: 作业在%1时超过了时间限制。请重新插入设备后重试。")
                .arg(step);
    case JobCause::Stopped:
        return QCoreApplication::translate("main", " 原因: 作业已被中止 (断开连接或关闭程序)。");
    case JobCause::StayedInBootLoader:
        return QCoreApplication::translate(
                "main", " 原因: 设备停留在引导程序中。请用正确的升级文件再次按下载按钮恢复设备。");
    case JobCause::DidNotComeBack:
        return QCoreApplication::translate(
                "main", " 原因: 设备重启后没有重新出现。请重新插入设备并检查固件版本。");
    case JobCause::Ambiguous:
        return QCoreApplication::translate(
                       "main",
                       " 原因: 设备在%1时无法与其他插入的设备区分。请只插入要升级的设备后重试。")
                .arg(step);
    default:
        break;
    }
    return QCoreApplication::translate("main", " 原因: 设备在%1时停止应答。请检查USB连接后重试。")
            .arg(step);
}

QString pictureFailureText(const JobResult &result)
{
    const QString step = jobStepText(result.step, result.detail);
    switch (result.cause) {
    case JobCause::None:
        return QString();
    case JobCause::DeviceStop:
        return QCoreApplication::translate(
                       "main", " 原因: 设备在%1时回答了STOP, 没有接受该图片。请检查图片后重试。")
                .arg(step);
    case JobCause::LowPower:
        return QCoreApplication::translate("main", " 原因: 设备电量不足。请充电后重试。");
    case JobCause::NoAnswer:
        return QCoreApplication::translate("main",
                                           " 原因: 设备在%1时停止应答。请检查USB连接后重试。")
                .arg(step);
    case JobCause::Unplugged:
        return QCoreApplication::translate(
                       "main", " 原因: 设备在%1时被拔出。设备重新连接后请再次读取或写入图片。")
                .arg(step);
    case JobCause::TimeLimit:
        return QCoreApplication::translate(
                       "main", " 原因: 图片作业在%1时超过了时间限制。请检查USB连接后重试。")
                .arg(step);
    case JobCause::Stopped:
        return QCoreApplication::translate("main", " 原因: 作业已被中止 (断开连接或关闭程序)。");
    case JobCause::PictureFile:
        return QCoreApplication::translate(
                       "main", " 原因: 第 %1 张图片无法转换或保存。请检查图片文件和磁盘空间。")
                .arg(result.detail);
    case JobCause::File:
        if (result.step == JobStep::Picture) {
            return QCoreApplication::translate(
                           "main",
                           " 原因: 第 %1 张图片无法保存: %2。请检查磁盘空间和文件夹的权限。")
                    .arg(result.detail)
                    .arg(result.error);
        }
        return QCoreApplication::translate(
                       "main", " 原因: 图片文件夹无法写入: %1。请检查磁盘空间和文件夹的权限。")
                .arg(result.error);
    case JobCause::NothingDone:
        return QCoreApplication::translate("main", " 原因: 没有可以写入的图片。");
    default:
        break;
    }
    return QCoreApplication::translate("main", " 原因: 设备在%1时停止应答。请检查USB连接后重试。")
            .arg(step);
}

QString upgradeVersionText(const JobResult &result)
{
    if (result.outcome != JobOutcome::Succeeded)
        return QCoreApplication::translate(
                "main", " 设备重启后没有以正常固件重新出现。请重新插入设备并检查固件版本。");
    return QCoreApplication::translate("main", " 设备已重新启动, 固件版本: %1")
            .arg(result.firmwareAfter);
}

QString jobRefusalText(JobCause cause)
{
    switch (cause) {
    case JobCause::Busy:
        return QCoreApplication::translate("main", "设备正忙: 请等待当前作业结束后重试");
    case JobCause::NotConnected:
        return QCoreApplication::translate("main", " USB设备未连接 ");
    default:
        break;
    }
    return QCoreApplication::translate("main", "该设备不支持此操作");
}
