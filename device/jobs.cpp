#include "device/jobs.h"

#include "device/hidbackend.h"
#include "device/protocol.h"
#include "device/transport.h"
#include "device/usbthread.h"
#include "device/userfile.h"
#include "pictures/bmp.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <future>
#include <vector>

namespace {

// Images above this size are erased with the long command and get the shorter time limit.
constexpr qint64 LargeImageLimitFrom = 0x11FFF;

QMutex folderMutex;
QString pictureFolderOverride; // under folderMutex

DeviceSession &session()
{
    return deviceSession();
}

bool statusIs(const char *status)
{
    return session().deviceStatus() == QLatin1String(status);
}

void setPhase(JobPhase phase)
{
    session().jobPhase = int(phase);
}

// Records why the job failed; the first cause stays.
void fail(JobCause cause, JobStep step = JobStep::None, int detail = 0)
{
    DeviceSession &s = session();
    if (JobCause(int(s.jobCause)) != JobCause::None)
        return;
    s.jobStep = int(step);
    s.jobDetail = detail;
    s.jobCause = int(cause);
}

bool failed()
{
    return JobCause(int(session().jobCause)) != JobCause::None;
}

// The device as it was enumerated at the place the open device is plugged into (any device of
// the family when that place is not known).
bool atFollowedPlace(const HidDeviceInfo &info, const QString &location)
{
    return location.isEmpty() || info.location == location || info.path == location;
}

QVector<HidDeviceInfo> devicesAt(const QString &location)
{
    QVector<HidDeviceInfo> found;
    for (const HidDeviceInfo &info : hidBackend()->enumerate(KorlexVendorId, KorlexProductId)) {
        if (atFollowedPlace(info, location))
            found.append(info);
    }
    return found;
}

bool isBootLoader(const HidDeviceInfo &info)
{
    return info.product.startsWith(QLatin1String("KORLEX-BOOT"));
}

bool isNormalFirmware(const HidDeviceInfo &info)
{
    return info.product.startsWith(QLatin1String("KORLEX")) && !isBootLoader(info);
}

// Why the last command of the job got no usable reply.
JobCause causeOfFailedCommand()
{
    DeviceSession &s = session();
    if (statusIs("LOWPOWER"))
        return JobCause::LowPower;
    if (statusIs("STOP"))
        return JobCause::DeviceStop;
    if (s.stopRequested)
        return JobCause::Stopped;
    if (linkDeadlinePassed())
        return JobCause::TimeLimit;
    if (s.linkLost || !s.deviceOpen)
        return devicesAt(s.deviceLocation()).isEmpty() ? JobCause::Unplugged : JobCause::NoAnswer;
    return JobCause::NoAnswer;
}

// --- upgrade ----------------------------------------------------------------------------------

int upgradeTimeLimit()
{
    return jobTimeLimitMs(JobUpgrade, session().upgradeSize);
}

// The hello, then the wait for the device to come back as its boot loader. The worker looks for
// it itself in every slice, so it is opened as soon as it has enumerated.
bool helloAndWaitForBootLoader()
{
    DeviceSession &s = session();
    setPhase(JobPhase::Hello);
    // The firmware may restart without answering; only a status reply counts here.
    upgradeHello(1500);
    if (statusIs("LOWPOWER") || statusIs("STOP") || s.stopRequested) {
        fail(causeOfFailedCommand(), JobStep::Hello);
        return false;
    }

    setPhase(JobPhase::WaitingForBootLoader);
    const QString location = s.deviceLocation();
    const int limit = s.timing.bootWaitRounds * s.timing.bootWaitRoundMs;
    const int slice = qMax(1, int(s.timing.sliceMs));
    QElapsedTimer clock;
    clock.start();
    s.awaitingBootLoader = true;
    bool found = false;
    for (;;) {
        if (s.stopRequested) {
            fail(JobCause::Stopped, JobStep::BootWait);
            break;
        }
        if (!s.appFirmware && s.deviceOpen) {
            found = true;
            break;
        }
        for (const HidDeviceInfo &info : devicesAt(location)) {
            if (isBootLoader(info) && openHidDeviceAt(info.path) == 1 && !s.appFirmware) {
                found = true;
                break;
            }
        }
        if (found)
            break;
        if (clock.elapsed() >= limit) {
            fail(JobCause::NoBootLoader, JobStep::BootWait);
            break;
        }
        QThread::msleep(quint32(qMin<qint64>(slice, limit - clock.elapsed() + 1)));
    }
    s.awaitingBootLoader = false;
    return found;
}

// After the last block: waits for the device to come back running normal firmware and to
// answer the information read. Returns the cause when it does not.
JobCause waitForNormalFirmware()
{
    DeviceSession &s = session();
    setPhase(JobPhase::Restarting);
    setLinkDeadline(-1);
    const QString location = s.deviceLocation();
    const int limit = s.timing.restartWaitMs;
    const int slice = qMax(1, int(s.timing.sliceMs));
    QElapsedTimer clock;
    clock.start();
    bool sawBootLoader = false;
    for (;;) {
        if (s.stopRequested)
            return JobCause::Stopped;
        sawBootLoader = false;
        for (const HidDeviceInfo &info : devicesAt(location)) {
            if (isBootLoader(info)) {
                sawBootLoader = true;
                continue;
            }
            if (!isNormalFirmware(info) || openHidDeviceAt(info.path) != 1 || !s.appFirmware)
                continue;
            const PeekedIdentity identity = peekDeviceInfo(200);
            if (identity.valid) {
                s.setVersionAfterUpgrade(identity.firmwareVersion.isEmpty()
                                                 ? identity.softwareVersion
                                                 : identity.firmwareVersion);
                s.upgradeVerified = true;
                return JobCause::None;
            }
        }
        if (clock.elapsed() >= limit)
            return sawBootLoader ? JobCause::StayedInBootLoader : JobCause::DidNotComeBack;
        QThread::msleep(quint32(slice));
    }
}

// Whether the upgrade must end between two steps: on a stop request, or when the job code was
// changed meanwhile (0 ends the job, another code names the job to run instead).
bool abandoned(JobStep step, int detail)
{
    DeviceSession &s = session();
    if (s.stopRequested || s.usbJob == JobNone) {
        fail(JobCause::Stopped, step, detail);
        return true;
    }
    return s.usbJob != JobUpgrade;
}

void runUpgrade()
{
    DeviceSession &s = session();
    setLinkDeadline(upgradeTimeLimit());
    if (!helloAndWaitForBootLoader() || abandoned(JobStep::BootWait, 0))
        return;
    setLinkDeadline(upgradeTimeLimit());

    setPhase(JobPhase::Erasing);
    s.upgradeBlockIndex = 0;
    const int eraseTimeout = s.upgradeSize < LargeImageSize ? 3000 : 6000;
    if (!upgradeErase(eraseTimeout)) {
        fail(causeOfFailedCommand(), JobStep::Erase);
        return;
    }
    if (abandoned(JobStep::Erase, 0))
        return;

    setPhase(JobPhase::Writing);
    for (int block = s.upgradeBlockIndex; block < s.upgradeBlockCount; ++block) {
        // A block the device did not take would leave a broken image behind.
        if (!upgradeWriteBlock(block, 800)) {
            fail(causeOfFailedCommand(), JobStep::Block, block + 1);
            return;
        }
        s.upgradeBlockIndex = quint16(block + 1);
        setLinkDeadline(upgradeTimeLimit()); // the limit counts from the latest block
        if (abandoned(JobStep::Block, block + 1))
            return;
    }

    setPhase(JobPhase::Finishing);
    const bool acknowledged = upgradeFinish(500);
    if (acknowledged) {
        // The device took the image: that is the success the window shows at once. The job
        // still follows the device through its restart, to name the new firmware.
        s.upgradeDone = true;
        s.jobOutcome = int(JobOutcome::Succeeded);
        s.usbJob = JobNone;
        waitForNormalFirmware();
        return;
    }
    const JobCause cause = causeOfFailedCommand();
    if (cause == JobCause::LowPower || cause == JobCause::DeviceStop
        || cause == JobCause::Stopped) {
        fail(cause, JobStep::Finish);
        return;
    }
    // No answer to the finish: a boot loader that restarts as soon as it has checked the image
    // does not answer. Whether it took the image shows in what comes back.
    const JobCause restart = waitForNormalFirmware();
    if (restart != JobCause::None) {
        fail(restart, JobStep::Restart);
        return;
    }
    s.upgradeDone = true;
}

// --- pictures ---------------------------------------------------------------------------------

// The BMP file of a picture read from the device (the 62-byte header and the pixel array);
// empty when the reply does not carry a whole picture.
QByteArray pictureFileFromReply(const QByteArray &frame, int format)
{
    if (format != 0 && format != 1)
        return QByteArray();
    const int width = format == 0 ? 128 : 64;
    const int height = format == 0 ? 32 : 128;
    const int pictureBytes = width * height / 8;
    // The picture data begin three bytes into the frame's data; a short reply is no picture.
    constexpr int dataStart = 9;
    const int available = frame.size() - 3 - dataStart;
    if (available < pictureBytes)
        return QByteArray();
    QByteArray pixels(format == 0 ? 768 : 1280, '\0');
    const int written = BMP::lcdColRowDataToBmp8(
            reinterpret_cast<quint8 *>(pixels.data()),
            reinterpret_cast<const quint8 *>(frame.constData()) + dataStart, width, height,
            format == 1, available, pixels.size());
    if (written < 0)
        return QByteArray();
    pixels.truncate(quint16(written));
    return BMP::monoBmpHeader(format) + pixels;
}

// Where picture pictureNumber is saved; empty when the device has no serial number to name
// its folder after (and no folder was set) or the folder cannot be made.
QString picturePath(int pictureNumber)
{
    const QString folder = pictureFolderPath();
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QString();
    return folder + QString::number(pictureNumber) + QStringLiteral(".bmp");
}

void runPictureRead()
{
    DeviceSession &s = session();
    setPhase(JobPhase::ReadingPictures);
    setLinkDeadline(jobTimeLimitMs(JobReadPictures, 0));
    s.jobProgress = 0;
    s.jobTotal = 12;
    const int format = s.screenFormat;

    // Saving goes on beside the transfer, so the next request never waits for the disk.
    struct Save
    {
        int number;
        QString path;
        std::future<bool> done;
    };
    std::vector<Save> saves;
    for (int number = 1; number <= 12; ++number) {
        if (s.stopRequested || linkDeadlinePassed()) {
            fail(s.stopRequested ? JobCause::Stopped : JobCause::TimeLimit, JobStep::Picture,
                 number);
            break;
        }
        QByteArray frame;
        const bool answered = readPictureFrame(number, &frame);
        const QByteArray file = answered ? pictureFileFromReply(frame, format) : QByteArray();
        if (!answered) {
            const JobCause cause = causeOfFailedCommand();
            fail(cause, JobStep::Picture, number);
            if (cause != JobCause::NoAnswer && cause != JobCause::DeviceStop)
                break; // low battery, unplugged, stopped or out of time: nothing more comes
        } else if (file.isEmpty()) {
            fail(JobCause::NoAnswer, JobStep::Picture, number);
        } else {
            const QString path = picturePath(number);
            if (path.isEmpty()) {
                fail(JobCause::PictureFile, JobStep::Picture, number);
            } else {
                saves.push_back(Save{number, path, std::async(std::launch::async, [path, file]() {
                                         return writeUserFile(path, file);
                                     })});
            }
        }
        ++s.jobProgress;
    }
    for (Save &save : saves) {
        if (save.done.get())
            s.setPictureFile(save.number - 1, save.path);
        else
            fail(JobCause::PictureFile, JobStep::Picture, save.number);
    }
}

void runPictureWrite()
{
    DeviceSession &s = session();
    setPhase(JobPhase::WritingPictures);
    setLinkDeadline(jobTimeLimitMs(JobWritePictures, 0));
    const int format = s.screenFormat;
    if (s.jobTotal == 0)
        s.jobTotal = pictureWriteTotal();
    const int capacity = format == 2 ? 26112 : (format == 1 ? 1536 : 1024);
    std::vector<quint8> buffer(size_t(capacity), 0);
    const QStringList files = s.pictureFiles();

    // A failed slot does not keep the next ones from being tried, unless nothing more can be
    // sent (low battery, the device gone, a stop or the time limit).
    const auto sendFailed = [](int slot) {
        const JobCause cause = causeOfFailedCommand();
        fail(cause, JobStep::Picture, slot + 1);
        return cause != JobCause::NoAnswer && cause != JobCause::DeviceStop;
    };
    const auto mustEnd = [&s](int slot) {
        if (!s.stopRequested && !linkDeadlinePassed())
            return false;
        fail(s.stopRequested ? JobCause::Stopped : JobCause::TimeLimit, JobStep::Picture, slot + 1);
        return true;
    };

    if (format == 0 || format == 1) {
        const int count = qBound(0, int(s.pictureCount), 12);
        const quint16 mask = s.pictureWriteMask;
        for (int i = 0; i < count; ++i) {
            if (!(mask & (1u << i)))
                continue;
            if (mustEnd(i))
                break;
            const QString file = files.value(i);
            const int size = isRegularUserFile(file)
                                     ? BMP::bmp8ToLcdColRowData(buffer.data(), file, true, capacity)
                                     : -1;
            if (size < 0) {
                fail(JobCause::PictureFile, JobStep::Picture, i + 1); // not counted
                continue;
            }
            const bool sendable = size == 512 || size == 1024;
            bool stop = false;
            if (!sendable)
                fail(JobCause::PictureFile, JobStep::Picture, i + 1);
            else if (!writeMonoPicture(buffer.data(), size, i + 1))
                stop = sendFailed(i);
            else
                s.pictureWriteMask.fetch_and(quint16(~(1u << i)));
            ++s.jobProgress;
            if (stop)
                break;
        }
    } else if (format == 2) {
        for (int i = 0; i < 10; ++i) {
            if (mustEnd(i))
                break;
            const QString file = files.value(i);
            const int size = isRegularUserFile(file)
                                     ? BMP::bmp24ToLcdData(buffer.data(), file, capacity)
                                     : -1;
            if (size < 0) {
                fail(JobCause::PictureFile, JobStep::Picture, i + 1);
                continue;
            }
            bool stop = false;
            if (i > s.pictureCount)
                fail(JobCause::PictureFile, JobStep::Picture, i + 1);
            else if (!writeColourPicture(buffer.data(), size, i))
                stop = sendFailed(i);
            else
                s.pictureWriteMask.fetch_and(quint16(~(1u << i)));
            ++s.jobProgress;
            if (stop)
                break;
        }
    }
    if (s.jobProgress == 0)
        fail(JobCause::NothingDone);
    // Each slot sent lost its mark; those that failed keep it, so that the next write sends
    // them again.
    if (!failed())
        s.pictureWriteMask = 0;
}

QString stepText(JobStep step, int detail)
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
    case JobStep::None:
        break;
    }
    return QCoreApplication::translate("main", "作业");
}

// Puts the job's state back before a job starts, so that nothing of the previous job is seen.
void resetJobState(int job)
{
    DeviceSession &s = session();
    s.jobKind = job;
    s.jobPhase = int(JobPhase::Idle);
    s.jobOutcome = int(JobOutcome::Running);
    s.jobCause = int(JobCause::None);
    s.jobStep = int(JobStep::None);
    s.jobDetail = 0;
    s.jobTotal = 0;
    s.upgradeVerified = false;
    s.setVersionAfterUpgrade(QString());
    s.setDeviceStatus(QString());
}

} // namespace

JobStart startUpgradeJob()
{
    DeviceSession &s = session();
    if (!s.deviceOpen)
        return JobStart::NotConnected;
    if (s.upgradeSize == 0)
        return JobStart::NoImage;
    // A boot loader that never named its device cannot be matched; the device checks the
    // image itself and stays in its boot loader when it is wrong.
    const bool unnamedBootLoader = !s.appFirmware && s.deviceId == 0;
    if (s.deviceId != s.upgradeTargetId && s.upgradeTargetId != 0xAAAA && !unnamedBootLoader)
        return JobStart::WrongDevice;
    if (usbThreadRunning())
        return JobStart::Busy;
    resetJobState(JobUpgrade);
    s.usbJob = JobUpgrade;
    s.upgradeBlockIndex = 0;
    s.upgradeDone = false;
    startUsbThread();
    return JobStart::Started;
}

JobStart startPictureReadJob()
{
    DeviceSession &s = session();
    const int format = s.screenFormat;
    if (!s.deviceOpen)
        return JobStart::NotConnected;
    if (format != 0 && format != 1)
        return JobStart::NotSupported;
    if (usbThreadRunning())
        return JobStart::Busy;
    resetJobState(JobReadPictures);
    s.setJobResult(QString());
    s.jobProgress = 0;
    s.usbJob = JobReadPictures;
    startUsbThread();
    return JobStart::Started;
}

int pictureWriteTotal()
{
    const DeviceSession &s = session();
    const int format = s.screenFormat;
    if (format == 2)
        return s.pictureCount;
    if (format != 0 && format != 1)
        return 0;
    const int count = qBound(0, int(s.pictureCount), 12);
    int marked = 0;
    for (int slot = 0; slot < count; ++slot) {
        if (s.pictureWriteMask & (1u << slot))
            ++marked;
    }
    return marked;
}

JobStart startPictureWriteJob()
{
    DeviceSession &s = session();
    if (!s.deviceOpen)
        return JobStart::NotConnected;
    const int format = s.screenFormat;
    if (format != 0 && format != 1 && format != 2)
        return JobStart::NotSupported;
    if (pictureWriteTotal() == 0)
        return JobStart::NothingToWrite;
    if (usbThreadRunning())
        return JobStart::Busy;
    resetJobState(JobWritePictures);
    s.setJobResult(QString());
    s.jobProgress = 0;
    s.jobTotal = pictureWriteTotal();
    if (format == 2)
        s.pictureWriteMask = 0xFFFF;
    s.usbJob = JobWritePictures;
    startUsbThread();
    return JobStart::Started;
}

void requestJobStop()
{
    if (usbThreadRunning())
        deviceSession().stopRequested = true;
}

JobState currentJobState()
{
    const DeviceSession &s = session();
    JobState state;
    state.job = s.jobKind;
    state.phase = JobPhase(int(s.jobPhase));
    state.outcome = JobOutcome(int(s.jobOutcome));
    state.cause = JobCause(int(s.jobCause));
    state.step = JobStep(int(s.jobStep));
    state.detail = s.jobDetail;
    state.progress = s.jobProgress;
    state.total = s.jobTotal;
    state.blockIndex = s.upgradeBlockIndex;
    state.blockCount = s.upgradeBlockCount;
    state.upgradeDone = s.upgradeDone;
    state.verified = s.upgradeVerified;
    state.versionAfter = s.versionAfterUpgrade();
    state.workerRunning = usbThreadRunning();
    return state;
}

int jobTimeLimitMs(int job, qint64 upgradeSize)
{
    if (const int forced = deviceSession().timing.timeLimitMs; forced > 0)
        return forced;
    switch (job) {
    case JobUpgrade:
        return upgradeSize > LargeImageLimitFrom ? 15000 : 25000;
    case JobReadPictures:
        return 10000;
    case JobWritePictures:
        return 500000;
    default:
        return 0;
    }
}

QString jobFailureText(const JobState &state)
{
    const QString step = stepText(state.step, state.detail);
    switch (state.cause) {
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
    case JobCause::PictureFile:
        return QCoreApplication::translate(
                       "main", " 原因: 第 %1 张图片无法转换或保存。请检查图片文件和磁盘空间。")
                .arg(state.detail);
    case JobCause::NothingDone:
        return QCoreApplication::translate("main", " 原因: 没有可以写入的图片。");
    }
    return QString();
}

QString upgradeVersionText(const JobState &state)
{
    if (!state.verified) {
        return QCoreApplication::translate(
                "main", " 设备重启后没有以正常固件重新出现。请重新插入设备并检查固件版本。");
    }
    return QCoreApplication::translate("main", " 设备已重新启动, 固件版本: %1")
            .arg(state.versionAfter);
}

void runUsbJob()
{
    DeviceSession &s = session();
    setLinkInterruptible(true);
    const int job = s.usbJob;
    if (s.jobKind != job || JobOutcome(int(s.jobOutcome)) != JobOutcome::Running) {
        // Started without a start function (the job code set by hand): nothing was reset yet.
        const int total = s.jobTotal;
        resetJobState(job);
        s.jobTotal = total;
    }

    if (job == JobUpgrade) {
        runUpgrade();
        // A job code changed while the upgrade ran names what comes next.
        const int next = s.usbJob;
        if (!failed() && !s.upgradeDone && next == JobReadPictures)
            runPictureRead();
        else if (!failed() && !s.upgradeDone && next == JobWritePictures)
            runPictureWrite();
    } else if (job == JobReadPictures) {
        runPictureRead();
    } else if (job == JobWritePictures) {
        runPictureWrite();
    }

    if (failed()) {
        s.setJobResult(QStringLiteral("false"));
        s.jobOutcome = int(JobOutcome::Failed);
    } else if (job != JobNone) {
        s.jobOutcome = int(JobOutcome::Succeeded);
    }
    s.usbJob = JobNone;
    setPhase(JobPhase::Idle);
    setLinkDeadline(-1);
    setLinkInterruptible(false);
    s.stopRequested = false;
}

bool readPicture(int pictureNumber)
{
    QByteArray frame;
    if (!readPictureFrame(pictureNumber, &frame))
        return false;
    const QByteArray file = pictureFileFromReply(frame, deviceSession().screenFormat);
    const QString path = picturePath(pictureNumber);
    if (file.isEmpty() || path.isEmpty() || !writeUserFile(path, file))
        return false;
    deviceSession().setPictureFile(pictureNumber - 1, path);
    return true;
}

QString pictureFolderPath()
{
    {
        QMutexLocker locker(&folderMutex);
        if (!pictureFolderOverride.isEmpty())
            return pictureFolderOverride;
    }
    const QString serial = deviceSession().deviceSerial();
    if (serial.isEmpty())
        return QString();
    return QDir::currentPath() + QLatin1Char('/') + serial + QLatin1Char('/');
}

void setPictureFolder(const QString &folder)
{
    QMutexLocker locker(&folderMutex);
    pictureFolderOverride = folder.isEmpty() || folder.endsWith(QLatin1Char('/'))
                                    ? folder
                                    : folder + QLatin1Char('/');
}
