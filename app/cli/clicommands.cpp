// The commands of korlex-cli. Each checks its arguments first, then chooses and opens the
// device, then does its work with the link's functions and jobs, the same the window uses.

#include "app/cli/clicommands.h"

#include "app/cli/clidevice.h"
#include "app/cli/clioptions.h"
#include "app/cli/clioutput.h"
#include "catalogue/devicemodels.h"
#include "device/hidbackend.h"
#include "device/jobs.h"
#include "device/protocol.h"
#include "device/session.h"
#include "device/transport.h"
#include "device/usbthread.h"
#include "device/userfile.h"
#include "parameters/units.h"
#include "pictures/bmp.h"
#include "pictures/resourcefile.h"
#include "pictures/resourcejob.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "upgrade/upgradefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTextStream>
#include <QTranslator>

#include <atomic>
#include <csignal>
#include <functional>
#include <optional>
#include <vector>

namespace {

// --- small helpers ------------------------------------------------------------------------------

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int)
{
    interrupted = true;
}

QString hex16(quint16 value)
{
    return QStringLiteral("0x")
           + QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

// The screen formats as the text output names them and as the JSON output keys them.
struct ScreenNames
{
    const char *text;
    const char *key;
};

ScreenNames screenNames(int format)
{
    static const ScreenNames names[] = {{"128 x 32 monochrome", "128x32"},
                                        {"64 x 128 monochrome", "64x128"},
                                        {"80 x 160 colour", "80x160"}};
    return format >= 0 && format < 3 ? names[format] : ScreenNames{"none", "none"};
}

QString screenText(int format)
{
    return QLatin1String(screenNames(format).text);
}

QString screenKey(int format)
{
    return QLatin1String(screenNames(format).key);
}

// The model a device identifier stands for, as "ORBIT K510-204", or empty.
QString modelText(quint16 id)
{
    const DeviceModelTable &models = deviceModels();
    const int row = models.indexOf(id);
    if (row < 0)
        return QString();
    return models.modelProducts.value(row) + QLatin1Char(' ') + models.modelCodes.value(row);
}

QString deviceText(quint16 id)
{
    const QString model = modelText(id);
    return model.isEmpty() ? hex16(id) : QStringLiteral("%1 (%2)").arg(hex16(id), model);
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A sentence of the link as the message of a failed command: the log's leading blank and its
// "Cause:" label (of the English translation, which the program loads) removed.
QString linkSentence(const QString &text)
{
    QString sentence = text.trimmed();
    const QLatin1String label("Cause:");
    if (sentence.startsWith(label))
        sentence = sentence.mid(label.size()).trimmed();
    return sentence;
}

// The exit status and the message of a short command that got no usable reply.
int commandFailed(CliOutput &out, const QString &what)
{
    const QString status = deviceSession().deviceStatus();
    if (status == QLatin1String("STOP"))
        return out.fail(ExitRefused, QStringLiteral("the device refused %1 (STOP)").arg(what));
    if (status == QLatin1String("LOWPOWER")) {
        return out.fail(ExitLowBattery,
                        QStringLiteral("the device's battery is too low for %1: charge it and "
                                       "try again")
                                .arg(what));
    }
    return out.fail(ExitNoAnswer, QStringLiteral("the device did not answer %1").arg(what));
}

int exitStatusOf(JobCause cause)
{
    switch (cause) {
    case JobCause::None:
        return ExitSuccess;
    case JobCause::DeviceStop:
        return ExitRefused;
    case JobCause::LowPower:
        return ExitLowBattery;
    case JobCause::PictureFile:
    case JobCause::NothingDone:
        return ExitBadFile;
    case JobCause::NoBootLoader:
    case JobCause::NoAnswer:
    case JobCause::Unplugged:
    case JobCause::TimeLimit:
    case JobCause::Stopped:
    case JobCause::StayedInBootLoader:
    case JobCause::DidNotComeBack:
        return ExitNoAnswer;
    }
    return ExitNoAnswer;
}

QString causeKey(JobCause cause)
{
    switch (cause) {
    case JobCause::None:
        return QString();
    case JobCause::DeviceStop:
        return QStringLiteral("deviceStop");
    case JobCause::LowPower:
        return QStringLiteral("lowBattery");
    case JobCause::NoBootLoader:
        return QStringLiteral("noBootLoader");
    case JobCause::NoAnswer:
        return QStringLiteral("noAnswer");
    case JobCause::Unplugged:
        return QStringLiteral("unplugged");
    case JobCause::TimeLimit:
        return QStringLiteral("timeLimit");
    case JobCause::Stopped:
        return QStringLiteral("stopped");
    case JobCause::StayedInBootLoader:
        return QStringLiteral("stayedInBootLoader");
    case JobCause::DidNotComeBack:
        return QStringLiteral("didNotComeBack");
    case JobCause::PictureFile:
        return QStringLiteral("pictureFile");
    case JobCause::NothingDone:
        return QStringLiteral("nothingDone");
    }
    return QString();
}

QString stepKey(JobStep step)
{
    switch (step) {
    case JobStep::None:
        return QString();
    case JobStep::Hello:
        return QStringLiteral("hello");
    case JobStep::BootWait:
        return QStringLiteral("bootWait");
    case JobStep::Erase:
        return QStringLiteral("erase");
    case JobStep::Block:
        return QStringLiteral("block");
    case JobStep::Finish:
        return QStringLiteral("finish");
    case JobStep::Restart:
        return QStringLiteral("restart");
    case JobStep::Picture:
        return QStringLiteral("picture");
    }
    return QString();
}

// Follows the job on the worker until the worker has ended, showing its progress. Ctrl-C asks
// the job to stop (it then ends as failed within one read slice).
JobState followJob(CliOutput &out, const std::function<void(CliProgress &, const JobState &)> &show)
{
    interrupted = false;
    const auto previousInt = std::signal(SIGINT, onInterrupt);
    const auto previousTerm = std::signal(SIGTERM, onInterrupt);
    CliProgress progress(out);
    for (;;) {
        if (interrupted)
            requestJobStop();
        const JobState state = currentJobState();
        if (!state.workerRunning)
            break;
        show(progress, state);
        usbThread()->wait(20);
    }
    const JobState state = currentJobState();
    if (state.outcome == JobOutcome::Succeeded)
        show(progress, state);
    progress.done();
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    return state;
}

// Records a failed job in the document and reports it.
int jobFailed(CliOutput &out, const JobState &state, const QString &summary)
{
    out.fields().insert(QStringLiteral("cause"), causeKey(state.cause));
    out.fields().insert(QStringLiteral("step"), stepKey(state.step));
    if (state.detail > 0)
        out.fields().insert(QStringLiteral("stepNumber"), state.detail);
    const QString cause = linkSentence(jobFailureText(state));
    return out.fail(exitStatusOf(state.cause),
                    cause.isEmpty() ? summary : summary + QStringLiteral(": ") + cause);
}

int startFailed(CliOutput &out, JobStart start)
{
    switch (start) {
    case JobStart::Started:
        return ExitSuccess;
    case JobStart::NotConnected:
        return out.fail(ExitNoDevice, QStringLiteral("the device has gone"));
    case JobStart::NoImage:
        return out.fail(ExitBadFile, QStringLiteral("the upgrade file holds no image"));
    case JobStart::WrongDevice:
        return out.fail(ExitRefused, QStringLiteral("the upgrade file is for another device"));
    case JobStart::NothingToWrite:
        return out.fail(ExitUsage, QStringLiteral("no picture slot to write"));
    case JobStart::NotSupported:
        return out.fail(ExitRefused, QStringLiteral("the device has no such pictures"));
    case JobStart::Busy:
        return out.fail(ExitNoAnswer, QStringLiteral("the link is still busy"));
    }
    return ExitNoAnswer;
}

// A list of picture slots such as "1,3,5-7" (1-based); an error text when it is not one.
QVector<int> parseSlots(const QString &text, QString *error)
{
    QVector<int> slotList;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QString item = part.trimmed();
        bool firstOk = false;
        bool lastOk = false;
        int first = 0;
        int last = 0;
        if (item.contains(QLatin1Char('-'))) {
            first = item.section(QLatin1Char('-'), 0, 0).toInt(&firstOk);
            last = item.section(QLatin1Char('-'), 1).toInt(&lastOk);
        } else {
            first = last = item.toInt(&firstOk);
            lastOk = firstOk;
        }
        if (!firstOk || !lastOk || first > last) {
            *error = QStringLiteral("--slots %1: give slot numbers as 1,3,5-7").arg(text);
            return {};
        }
        if (first < 1 || last > MaxPictureSlots) {
            *error = QStringLiteral("--slots %1: slot numbers are 1..%2")
                             .arg(text)
                             .arg(int(MaxPictureSlots));
            return {};
        }
        for (int slot = first; slot <= last; ++slot) {
            if (!slotList.contains(slot))
                slotList.append(slot);
        }
    }
    std::sort(slotList.begin(), slotList.end());
    return slotList;
}

// --- the commands -------------------------------------------------------------------------------

class Commands
{
public:
    Commands(const CliOptions &options, CliOutput &out)
        : o(options)
        , out(out)
    { }

    int run();

private:
    int list();
    int info();
    int upgrade();
    int picturesRead();
    int picturesWrite();
    int paramsGet();
    int paramsSet();
    int curvesGet();
    int curvesSet();
    int clockGet();
    int clockSet();
    int factoryReset();
    int resourceSave();
    int resourceLoad();

    int connect(bool bootLoaderWelcome = false)
    {
        return connectCommandDevice(o, out, bootLoaderWelcome, &device);
    }
    // The parameter record and curves come only with a complete information reply.
    int needRecord();
    void printParameters(const std::array<quint8, CoilRowCount> &enabled,
                         const std::array<quint16, CoilRowCount> &values, int brightness,
                         int puffSeconds);
    int writeLoadedCurves(const QVector<int> &tempGroups, const QVector<int> &powerGroups);
    int writePictureSlots(quint16 mask, const QString &summary);

    const CliOptions &o;
    CliOutput &out;
    CliDevice device;
};

int Commands::run()
{
    const QString &c = o.command;
    if (c == QLatin1String("list"))
        return list();
    if (c == QLatin1String("info"))
        return info();
    if (c == QLatin1String("upgrade"))
        return upgrade();
    if (c == QLatin1String("pictures read"))
        return picturesRead();
    if (c == QLatin1String("pictures write"))
        return picturesWrite();
    if (c == QLatin1String("params get"))
        return paramsGet();
    if (c == QLatin1String("params set"))
        return paramsSet();
    if (c == QLatin1String("curves get"))
        return curvesGet();
    if (c == QLatin1String("curves set"))
        return curvesSet();
    if (c == QLatin1String("clock get"))
        return clockGet();
    if (c == QLatin1String("clock set"))
        return clockSet();
    if (c == QLatin1String("factory-reset"))
        return factoryReset();
    if (c == QLatin1String("resource save"))
        return resourceSave();
    if (c == QLatin1String("resource load"))
        return resourceLoad();
    return out.fail(ExitUsage, QStringLiteral("unknown command '%1'").arg(c));
}

int Commands::list()
{
    QVector<CliDevice> devices;
    waitForDevices(o, [&devices]() {
        devices = enumerateDevices();
        return !devices.isEmpty();
    });
    out.fields().insert(QStringLiteral("devices"), devicesJson(devices));
    if (devices.isEmpty()) {
        return out.fail(ExitNoDevice,
                        o.waitSeconds > 0
                                ? QStringLiteral("no device found within %1 s").arg(o.waitSeconds)
                                : QStringLiteral("no device found"));
    }
    for (const QString &line : devicesTable(devices))
        out.data(line);
    return ExitSuccess;
}

int Commands::info()
{
    if (const int status = connect(true))
        return status;
    const DeviceSession &s = deviceSession();
    const bool answered = s.infoValid == 0x55;
    const int format = s.screenFormat;
    QJsonObject &f = out.fields();
    f.insert(QStringLiteral("mode"),
             s.appFirmware ? QStringLiteral("firmware") : QStringLiteral("bootloader"));
    f.insert(QStringLiteral("product"), s.productString());
    f.insert(QStringLiteral("answered"), answered);
    out.data(QStringLiteral("Device:            %1 (%2, %3)")
                     .arg(device.place(),
                          s.appFirmware ? QStringLiteral("firmware") : QStringLiteral("bootloader"),
                          s.productString()));
    if (!answered) {
        out.data(QStringLiteral("The boot loader does not answer the information request; it "
                                "waits for firmware (korlex-cli upgrade FILE)."));
        return ExitSuccess;
    }
    const bool known = s.modelIndex >= 0;
    const int count = format <= 2 ? int(s.pictureCount) : 0;
    f.insert(QStringLiteral("deviceId"), hex16(s.deviceId));
    f.insert(QStringLiteral("productName"), s.productName);
    f.insert(QStringLiteral("modelCode"), s.modelName);
    f.insert(QStringLiteral("groupCode"), s.modelGroup);
    f.insert(QStringLiteral("chipId"), s.deviceCode);
    f.insert(QStringLiteral("firmwareVersion"), s.firmwareVersion);
    f.insert(QStringLiteral("softwareVersion"), s.softwareVersion);
    f.insert(QStringLiteral("serial"), s.deviceSerial());
    f.insert(QStringLiteral("screenFormat"), screenKey(format));
    f.insert(QStringLiteral("pictureCount"), count);
    f.insert(QStringLiteral("knownModel"), known);
    const QString unknown = QStringLiteral("(not in the model table)");
    out.data(QStringLiteral("Product name:      %1").arg(known ? s.productName : unknown));
    out.data(QStringLiteral("Model code:        %1").arg(known ? s.modelName : unknown));
    out.data(QStringLiteral("Group code:        %1").arg(known ? s.modelGroup : unknown));
    out.data(QStringLiteral("Chip id:           %1").arg(known ? s.deviceCode : unknown));
    out.data(QStringLiteral("Firmware version:  %1")
                     .arg(s.firmwareVersion.isEmpty() ? QStringLiteral("(not reported)")
                                                      : s.firmwareVersion));
    out.data(QStringLiteral("Software version:  %1").arg(s.softwareVersion));
    out.data(QStringLiteral("Serial:            %1").arg(s.deviceSerial()));
    out.data(QStringLiteral("Device id:         %1").arg(hex16(s.deviceId)));
    out.data(QStringLiteral("Screen format:     %1").arg(screenText(format)));
    out.data(QStringLiteral("Picture count:     %1").arg(count));
    return ExitSuccess;
}

int Commands::upgrade()
{
    const QString file = o.args.value(0);
    QJsonObject &f = out.fields();
    f.insert(QStringLiteral("file"), file);
    if (!isRegularUserFile(file) || !QFileInfo(file).isReadable())
        return out.fail(ExitBadFile, QStringLiteral("cannot read %1").arg(native(file)));
    switch (loadUpgradeFile(file)) {
    case UpgradeLoad::Loaded:
        break;
    case UpgradeLoad::Unreadable:
        return out.fail(ExitBadFile, QStringLiteral("cannot read %1, or it is too short to be an "
                                                    "upgrade file")
                                             .arg(native(file)));
    case UpgradeLoad::TooLarge:
        return out.fail(ExitBadFile,
                        QStringLiteral("%1 is too large: its image has more than %2 blocks")
                                .arg(native(file))
                                .arg(MaxUpgradeBlocks));
    }
    DeviceSession &s = deviceSession();
    if (s.upgradeSize == 0)
        return out.fail(ExitBadFile,
                        QStringLiteral("%1 holds no firmware image").arg(native(file)));
    const quint16 target = s.upgradeTargetId;
    f.insert(QStringLiteral("targetId"), hex16(target));
    f.insert(QStringLiteral("bytes"), double(s.upgradeSize));
    f.insert(QStringLiteral("blocks"), int(s.upgradeBlockCount));

    if (const int status = connect(true))
        return status;
    const bool unnamedBootLoader = !s.appFirmware && s.deviceId == 0;
    if (!unnamedBootLoader && !upgradeFileFits(s.deviceId, target)) {
        return out.fail(ExitRefused,
                        QStringLiteral("%1 is for device %2, the device is %3")
                                .arg(native(file), deviceText(target), deviceText(s.deviceId)));
    }
    if (unnamedBootLoader) {
        out.note(QStringLiteral("the device's boot loader does not name the device; the file's "
                                "target %1 cannot be checked")
                         .arg(hex16(target)));
    }
    f.insert(QStringLiteral("firmwareBefore"), s.firmwareVersion);
    out.info(QStringLiteral("Upgrading the device at %1, %2, with %3: %4 bytes in %5 blocks")
                     .arg(device.place(),
                          unnamedBootLoader ? QStringLiteral("a boot loader")
                                            : deviceText(s.deviceId),
                          native(file))
                     .arg(qint64(s.upgradeSize))
                     .arg(int(s.upgradeBlockCount)));

    QElapsedTimer clock;
    clock.start();
    if (const int status = startFailed(out, startUpgradeJob()))
        return status;
    const JobState state = followJob(out, [](CliProgress &progress, const JobState &job) {
        switch (job.phase) {
        case JobPhase::Hello:
            progress.update(0, QStringLiteral("asking the device to start its boot loader"));
            break;
        case JobPhase::WaitingForBootLoader:
            progress.update(0, QStringLiteral("waiting for the boot loader"));
            break;
        case JobPhase::Erasing:
            progress.update(0, QStringLiteral("erasing"));
            break;
        case JobPhase::Writing: {
            const int count = qMax(1, job.blockCount);
            progress.update(job.blockIndex * 100 / count,
                            QStringLiteral("writing block %1 of %2")
                                    .arg(qMin(job.blockIndex + 1, count))
                                    .arg(count));
            break;
        }
        case JobPhase::Finishing:
            progress.update(100, QStringLiteral("finishing"));
            break;
        case JobPhase::Restarting:
            progress.update(100, QStringLiteral("restarting, then verifying the new firmware"));
            break;
        default:
            if (job.outcome == JobOutcome::Succeeded)
                progress.update(100, QStringLiteral("done"));
            break;
        }
    });
    f.insert(QStringLiteral("elapsedMs"), double(clock.elapsed()));
    f.insert(QStringLiteral("blocksSent"), state.blockIndex);
    if (state.outcome != JobOutcome::Succeeded)
        return jobFailed(out, state, QStringLiteral("upgrade failed"));
    f.insert(QStringLiteral("verified"), state.verified);
    if (!state.verified) {
        out.fields().insert(QStringLiteral("cause"), QStringLiteral("didNotComeBack"));
        return out.fail(ExitNoAnswer, QStringLiteral("upgrade not verified: ")
                                              + linkSentence(upgradeVersionText(state)));
    }
    f.insert(QStringLiteral("firmwareAfter"), state.versionAfter);
    out.data(QStringLiteral("Upgrade successful: the device runs firmware %1")
                     .arg(state.versionAfter));
    return ExitSuccess;
}

int Commands::picturesRead()
{
    const QString folder = QDir(o.args.value(0)).absolutePath();
    out.fields().insert(QStringLiteral("folder"), folder);
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir())
        return out.fail(ExitBadFile, QStringLiteral("%1 is not a folder").arg(native(folder)));
    if (const int status = connect())
        return status;
    DeviceSession &s = deviceSession();
    const int format = s.screenFormat;
    if (format != 0 && format != 1) {
        return out.fail(ExitRefused, QStringLiteral("a device with a %1 screen does not send its "
                                                    "pictures")
                                             .arg(screenText(format)));
    }
    if (!QDir().mkpath(folder))
        return out.fail(ExitBadFile, QStringLiteral("cannot create %1").arg(native(folder)));

    setPictureFolder(folder);
    s.setPictureFiles(QStringList());
    const int status = startFailed(out, startPictureReadJob());
    if (status)
        return status;
    const JobState state = followJob(out, [](CliProgress &progress, const JobState &job) {
        if (job.total <= 0)
            return; // the job has not counted its pictures yet
        const int total = job.total;
        progress.update(job.progress * 100 / total, QStringLiteral("reading picture %1 of %2")
                                                            .arg(qMin(job.progress + 1, total))
                                                            .arg(total));
    });
    setPictureFolder(QString());

    QJsonArray files;
    const QStringList read = s.pictureFiles();
    for (int slot = 0; slot < read.size(); ++slot) {
        if (read.at(slot).isEmpty())
            continue;
        files.append(QJsonObject{{QStringLiteral("slot"), slot + 1},
                                 {QStringLiteral("file"), read.at(slot)}});
        out.data(native(read.at(slot)));
    }
    out.fields().insert(QStringLiteral("files"), files);
    if (state.outcome != JobOutcome::Succeeded)
        return jobFailed(out, state, QStringLiteral("reading the pictures failed"));
    return ExitSuccess;
}

int Commands::writePictureSlots(quint16 mask, const QString &summary)
{
    DeviceSession &s = deviceSession();
    s.pictureWriteMask = mask;
    if (const int status = startFailed(out, startPictureWriteJob()))
        return status;
    const JobState state = followJob(out, [](CliProgress &progress, const JobState &job) {
        if (job.total <= 0)
            return;
        const int total = job.total;
        progress.update(job.progress * 100 / total, QStringLiteral("writing picture %1 of %2")
                                                            .arg(qMin(job.progress + 1, total))
                                                            .arg(total));
    });
    if (state.outcome != JobOutcome::Succeeded)
        return jobFailed(out, state, summary);
    return ExitSuccess;
}

int Commands::picturesWrite()
{
    const QString folder = QDir(o.args.value(0)).absolutePath();
    out.fields().insert(QStringLiteral("folder"), folder);
    QVector<int> slotList;
    if (o.hasSlotList) {
        QString error;
        slotList = parseSlots(o.slotText, &error);
        if (!error.isEmpty())
            return out.fail(ExitUsage, error);
    }
    if (!QFileInfo(folder).isDir())
        return out.fail(ExitBadFile, QStringLiteral("%1 is not a folder").arg(native(folder)));
    const auto fileOf = [&folder](int slot) {
        return folder + QLatin1Char('/') + QString::number(slot) + QStringLiteral(".bmp");
    };
    for (int slot : qAsConst(slotList)) {
        if (!isRegularUserFile(fileOf(slot)))
            return out.fail(ExitBadFile,
                            QStringLiteral("cannot read %1").arg(native(fileOf(slot))));
    }

    if (const int status = connect())
        return status;
    DeviceSession &s = deviceSession();
    const int format = s.screenFormat;
    const int count = format <= 2 ? qBound(0, int(s.pictureCount), int(MaxPictureSlots)) : 0;
    if (count == 0)
        return out.fail(ExitRefused, QStringLiteral("the device has no pictures"));
    QVector<int> all;
    for (int slot = 1; slot <= count; ++slot)
        all.append(slot);
    if (!o.hasSlotList)
        slotList = all;
    if (format == 2 && slotList != all) {
        return out.fail(ExitUsage, QStringLiteral("--slots: a device with a colour screen takes "
                                                  "all %1 pictures at once")
                                           .arg(count));
    }
    // Every file must make a picture of the device's format before anything is sent.
    const int capacity = format == 2 ? 26112 : (format == 1 ? 1536 : 1024);
    const int expected = format == 2 ? ColourPictureBytes : (format == 1 ? 1024 : 512);
    std::vector<quint8> buffer(size_t(capacity), 0);
    QStringList files = pictureSetFromFolder(format, count, QString());
    quint16 mask = 0;
    QJsonArray written;
    for (int slot : qAsConst(slotList)) {
        if (slot > count) {
            return out.fail(ExitUsage,
                            QStringLiteral("--slots: this device has slots 1..%1").arg(count));
        }
        const QString path = fileOf(slot);
        if (!isRegularUserFile(path))
            return out.fail(ExitBadFile, QStringLiteral("cannot read %1").arg(native(path)));
        const int size = format == 2
                                 ? BMP::bmp24ToLcdData(buffer.data(), path, capacity)
                                 : BMP::bmp8ToLcdColRowData(buffer.data(), path, true, capacity);
        if (size != expected) {
            return out.fail(
                    ExitBadFile,
                    QStringLiteral("%1 is not a %2 picture").arg(native(path), screenText(format)));
        }
        files[slot - 1] = path;
        mask |= quint16(1u << (slot - 1));
        written.append(slot);
    }
    out.fields().insert(QStringLiteral("slots"), written);
    s.setPictureFiles(files);
    if (const int status = writePictureSlots(mask, QStringLiteral("writing the pictures failed")))
        return status;
    out.data(
            QStringLiteral("Wrote %1 picture(s) from %2").arg(slotList.size()).arg(native(folder)));
    return ExitSuccess;
}

int Commands::needRecord()
{
    // A one-report information reply carries the identity only.
    if (deviceSession().firmwareVersion.isEmpty()) {
        return out.fail(ExitNoAnswer,
                        QStringLiteral("the device did not send its parameters and curves"));
    }
    return ExitSuccess;
}

void Commands::printParameters(const std::array<quint8, CoilRowCount> &enabled,
                               const std::array<quint16, CoilRowCount> &values, int brightness,
                               int puffSeconds)
{
    QJsonArray coils;
    out.data(QStringLiteral("brightness=%1").arg(brightness));
    out.data(QStringLiteral("puff=%1").arg(puffSeconds));
    for (int row = 0; row < CoilRowCount; ++row) {
        const bool on = enabled[row] != 0;
        out.data(QStringLiteral("coil%1=%2").arg(row + 1).arg(on ? "on" : "off"));
        out.data(QStringLiteral("coil%1.value=%2").arg(row + 1).arg(values[row]));
        coils.append(QJsonObject{{QStringLiteral("coil"), row + 1},
                                 {QStringLiteral("on"), on},
                                 {QStringLiteral("value"), int(values[row])}});
    }
    out.fields().insert(QStringLiteral("brightness"), brightness);
    out.fields().insert(QStringLiteral("puff"), puffSeconds);
    out.fields().insert(QStringLiteral("coils"), coils);
}

int Commands::paramsGet()
{
    if (const int status = connect())
        return status;
    if (const int status = needRecord())
        return status;
    const DeviceSession &s = deviceSession();
    out.fields().insert(QStringLiteral("puffReported"), int(s.smokeTime));
    printParameters(s.coilEnabled, s.coilValues, s.lcdBright, puffSecondsFromDevice(s.smokeTime));
    return ExitSuccess;
}

int Commands::paramsSet()
{
    const QString keys = QStringLiteral("brightness, puff, coil1..coil5, coil1.value..coil5.value");
    std::optional<int> brightness;
    std::optional<int> puff;
    std::array<std::optional<bool>, CoilRowCount> coilOn;
    std::array<std::optional<int>, CoilRowCount> coilValue;
    for (const QString &argument : o.args) {
        const int equals = argument.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            return out.fail(ExitUsage,
                            QStringLiteral("'%1': give KEY=VALUE (keys: %2)").arg(argument, keys));
        }
        const QString key = argument.left(equals).trimmed().toLower();
        const QString value = argument.mid(equals + 1).trimmed();
        bool ok = false;
        const int number = value.toInt(&ok);
        const auto range = [&](int minimum, int maximum) {
            if (!ok || number < minimum || number > maximum) {
                out.fail(ExitUsage, QStringLiteral("%1=%2 is out of range %3..%4")
                                            .arg(key, value)
                                            .arg(minimum)
                                            .arg(maximum));
                return false;
            }
            return true;
        };
        if (key == QLatin1String("brightness")) {
            if (!range(0, 255))
                return ExitUsage;
            brightness = number;
            continue;
        }
        if (key == QLatin1String("puff")) {
            if (!range(3, 10))
                return ExitUsage;
            puff = number;
            continue;
        }
        int row = -1;
        bool valueKey = false;
        for (int r = 0; r < CoilRowCount; ++r) {
            if (key == QStringLiteral("coil%1").arg(r + 1))
                row = r;
            else if (key == QStringLiteral("coil%1.value").arg(r + 1))
                row = r, valueKey = true;
        }
        if (row < 0)
            return out.fail(ExitUsage,
                            QStringLiteral("unknown key '%1' (keys: %2)").arg(key, keys));
        if (valueKey) {
            const CoilValueRange limits = coilValueRange(row);
            if (!range(limits.minimum, limits.maximum))
                return ExitUsage;
            coilValue[row] = number;
        } else if (value == QLatin1String("on") || value == QLatin1String("off")) {
            coilOn[row] = value == QLatin1String("on");
        } else {
            return out.fail(ExitUsage, QStringLiteral("%1=%2: give on or off").arg(key, value));
        }
    }

    if (const int status = connect())
        return status;
    if (const int status = needRecord())
        return status;
    DeviceSession &s = deviceSession();
    // What the window would send for the values it shows: the coil values inside their
    // ranges, the puff time in whole seconds inside 3..10.
    const int reportedPuff = puffSecondsFromDevice(s.smokeTime);
    const int shownPuff = qBound(3, reportedPuff, 10);
    if (!puff && shownPuff != reportedPuff) {
        out.note(QStringLiteral("the device reports a puff time of %1 s, outside 3..10; %2 s is "
                                "written")
                         .arg(reportedPuff)
                         .arg(shownPuff));
    }
    for (int row = 0; row < CoilRowCount; ++row) {
        const CoilValueRange limits = coilValueRange(row);
        if (coilOn[row])
            s.coilEnabled[row] = *coilOn[row] ? 1 : 0;
        else
            s.coilEnabled[row] = s.coilEnabled[row] != 0 ? 1 : 0;
        s.coilValues[row] = quint16(
                coilValue[row] ? *coilValue[row]
                               : qBound(limits.minimum, int(s.coilValues[row]), limits.maximum));
    }
    s.lcdBright = quint16(brightness ? *brightness : s.lcdBright);
    const int seconds = puff ? *puff : shownPuff;
    s.smokeTime = quint16(seconds * 100); // written in hundredths, as the window writes it
    s.setDeviceStatus(QString());
    if (!writeParameters())
        return commandFailed(out, QStringLiteral("the parameters"));
    printParameters(s.coilEnabled, s.coilValues, s.lcdBright, seconds);
    return ExitSuccess;
}

struct CurveArgs
{
    bool temp = true;
    int group = -1; // 0-based; -1: all
    bool celsius = false;
    std::array<int, CurvePointCount> values{};
};

int parseCurveKind(CliOutput &out, const QString &kind, CurveArgs *args)
{
    if (kind == QLatin1String("temp"))
        args->temp = true;
    else if (kind == QLatin1String("power"))
        args->temp = false;
    else
        return out.fail(ExitUsage, QStringLiteral("'%1': give temp or power").arg(kind));
    return ExitSuccess;
}

int parseCurveGroup(CliOutput &out, const QString &text, CurveArgs *args)
{
    bool ok = false;
    const int group = text.toInt(&ok);
    if (!ok || group < 1 || group > CurveGroupCount)
        return out.fail(ExitUsage, QStringLiteral("group %1 is out of range 1..5").arg(text));
    args->group = group - 1;
    return ExitSuccess;
}

int Commands::curvesGet()
{
    CurveArgs args;
    if (const int status = parseCurveKind(out, o.args.value(0), &args))
        return status;
    if (o.args.size() > 1) {
        if (const int status = parseCurveGroup(out, o.args.at(1), &args))
            return status;
    }
    if (!args.temp && o.hasUnit)
        return out.fail(ExitUsage, QStringLiteral("--unit applies to temperature curves"));
    args.celsius = o.unit == QLatin1String("C");
    if (const int status = connect())
        return status;
    if (const int status = needRecord())
        return status;
    const DeviceSession &s = deviceSession();
    const QString unit = args.temp ? (args.celsius ? QStringLiteral("C") : QStringLiteral("F"))
                                   : QStringLiteral("W");
    QJsonArray groups;
    for (int group = 0; group < CurveGroupCount; ++group) {
        if (args.group >= 0 && group != args.group)
            continue;
        QStringList texts;
        QJsonArray values;
        for (int point = 0; point < CurvePointCount; ++point) {
            int value = 0;
            if (args.temp) {
                // The session keeps offsets above 200 F (the unit shown at start-up).
                const quint16 fahrenheit = quint16(s.tempMin + s.tempCurves[group][point].value);
                value = args.celsius ? fahrenheitToCelsius(fahrenheit) : fahrenheit;
            } else {
                value = s.powerMin + s.powerCurves[group][point].value;
            }
            texts << QString::number(value);
            values.append(value);
        }
        out.data(QStringLiteral("group %1 (%2): %3").arg(group + 1).arg(unit, texts.join(',')));
        groups.append(QJsonObject{{QStringLiteral("group"), group + 1},
                                  {QStringLiteral("values"), values}});
    }
    out.fields().insert(QStringLiteral("kind"), args.temp ? "temp" : "power");
    out.fields().insert(QStringLiteral("unit"), unit);
    out.fields().insert(QStringLiteral("groups"), groups);
    return ExitSuccess;
}

int Commands::curvesSet()
{
    CurveArgs args;
    if (const int status = parseCurveKind(out, o.args.value(0), &args))
        return status;
    if (const int status = parseCurveGroup(out, o.args.value(1), &args))
        return status;
    if (!args.temp && o.hasUnit)
        return out.fail(ExitUsage, QStringLiteral("--unit applies to temperature curves"));
    args.celsius = o.unit == QLatin1String("C");
    const QStringList texts = o.args.value(2).split(QLatin1Char(','));
    if (texts.size() != CurvePointCount) {
        return out.fail(
                ExitUsage,
                QStringLiteral("give ten values separated by commas, not %1").arg(texts.size()));
    }
    const int minimum = args.temp ? (args.celsius ? 100 : 200) : 0;
    const int maximum = args.temp ? (args.celsius ? 315 : 600) : 0xFFFF;
    for (int point = 0; point < CurvePointCount; ++point) {
        bool ok = false;
        args.values[point] = texts.at(point).trimmed().toInt(&ok);
        if (!ok) {
            return out.fail(ExitUsage,
                            QStringLiteral("'%1' is not a whole number").arg(texts.at(point)));
        }
        if (args.values[point] < minimum || args.values[point] > maximum) {
            return out.fail(ExitUsage, QStringLiteral("%1 is out of range %2..%3 (%4)")
                                               .arg(args.values[point])
                                               .arg(minimum)
                                               .arg(maximum)
                                               .arg(args.celsius ? "C" : "F"));
        }
    }

    if (const int status = connect())
        return status;
    DeviceSession &s = deviceSession();
    QJsonArray values;
    QStringList shown;
    for (int value : args.values) {
        values.append(value);
        shown << QString::number(value);
    }
    if (!args.temp) {
        // The model's power range is known once the device has named itself.
        for (int value : args.values) {
            if (value < s.powerMin || value > s.powerMax) {
                return out.fail(ExitUsage, QStringLiteral("%1 is out of range %2..%3 (W) of this "
                                                          "device")
                                                   .arg(value)
                                                   .arg(s.powerMin)
                                                   .arg(s.powerMax));
            }
        }
    }
    // The frame the window's curve write sends: the points as shown, the group, and for a
    // temperature curve the unit they are given in.
    s.setDeviceStatus(QString());
    bool written = false;
    if (args.temp) {
        for (int point = 0; point < CurvePointCount; ++point)
            s.tempCurvePoints[point] = quint16(args.values[point]);
        s.tempCurveNo = quint8(args.group);
        s.tempUnit = args.celsius ? 0 : 1;
        written = writeTempCurve();
    } else {
        for (int point = 0; point < CurvePointCount; ++point)
            s.powerCurvePoints[point] = quint16(args.values[point]);
        s.powerCurveNo = quint8(args.group);
        written = writePowerCurve();
    }
    if (!written)
        return commandFailed(out, QStringLiteral("the curve"));
    const QString unit = args.temp ? (args.celsius ? QStringLiteral("C") : QStringLiteral("F"))
                                   : QStringLiteral("W");
    out.fields().insert(QStringLiteral("kind"), args.temp ? "temp" : "power");
    out.fields().insert(QStringLiteral("group"), args.group + 1);
    out.fields().insert(QStringLiteral("unit"), unit);
    out.fields().insert(QStringLiteral("values"), values);
    out.data(QStringLiteral("group %1 (%2): %3").arg(args.group + 1).arg(unit, shown.join(',')));
    return ExitSuccess;
}

int Commands::clockGet()
{
    if (const int status = connect())
        return status;
    deviceSession().setDeviceStatus(QString());
    if (!readClock())
        return commandFailed(out, QStringLiteral("the clock request"));
    const std::array<quint8, 6> c = deviceSession().deviceClock();
    const QString text = QStringLiteral("20%1-%2-%3 %4:%5:%6")
                                 .arg(c[0], 2, 10, QLatin1Char('0'))
                                 .arg(c[1], 2, 10, QLatin1Char('0'))
                                 .arg(c[2], 2, 10, QLatin1Char('0'))
                                 .arg(c[3], 2, 10, QLatin1Char('0'))
                                 .arg(c[4], 2, 10, QLatin1Char('0'))
                                 .arg(c[5], 2, 10, QLatin1Char('0'));
    out.fields().insert(QStringLiteral("clock"), text);
    out.data(text);
    return ExitSuccess;
}

int Commands::clockSet()
{
    QDateTime time = QDateTime::currentDateTime();
    if (!o.args.isEmpty()) {
        const QString text = o.args.join(QLatin1Char(' '))
                                     .trimmed()
                                     .replace(QLatin1Char('T'), QLatin1Char(' '));
        time = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!time.isValid()) {
            return out.fail(ExitUsage,
                            QStringLiteral("'%1': give the time as YYYY-MM-DD HH:MM:SS").arg(text));
        }
        if (time.date().year() < 2000 || time.date().year() > 2099) {
            return out.fail(
                    ExitUsage,
                    QStringLiteral("year %1 is out of range 2000..2099").arg(time.date().year()));
        }
    }
    time = time.addMSecs(-time.time().msec());
    if (const int status = connect())
        return status;
    deviceSession().setDeviceStatus(QString());
    if (!writeClock(time))
        return commandFailed(out, QStringLiteral("the clock"));
    const QString text = time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    out.fields().insert(QStringLiteral("clock"), text);
    out.data(QStringLiteral("Clock set to %1").arg(text));
    return ExitSuccess;
}

int Commands::factoryReset()
{
    if (const int status = connect())
        return status;
    deviceSession().setDeviceStatus(QString());
    if (!restoreDefaults())
        return commandFailed(out, QStringLiteral("the factory reset"));
    out.data(QStringLiteral("Factory settings restored"));
    return ExitSuccess;
}

QStringList sectionNames(unsigned sections)
{
    QStringList names;
    if (sections & ResourceFile::PictureSection)
        names << QStringLiteral("pictures");
    if (sections & ResourceFile::TempSection)
        names << QStringLiteral("temp");
    if (sections & ResourceFile::PowerSection)
        names << QStringLiteral("power");
    return names;
}

int Commands::resourceSave()
{
    const QString file = o.args.value(0);
    out.fields().insert(QStringLiteral("file"), file);
    out.fields().insert(QStringLiteral("sections"),
                        QJsonArray::fromStringList(sectionNames(o.sections)));
    const QFileInfo target(file);
    if (!target.absoluteDir().exists()) {
        return out.fail(ExitBadFile, QStringLiteral("cannot write %1: no folder %2")
                                             .arg(native(file), native(target.absolutePath())));
    }
    if (target.exists() && !target.isFile())
        return out.fail(ExitBadFile, QStringLiteral("%1 is not a file").arg(native(file)));
    if (const int status = connect())
        return status;
    if (const int status = needRecord())
        return status;
    DeviceSession &s = deviceSession();
    // The picture set the window shows for this device: its picture folder, else the defaults.
    const int format = s.screenFormat;
    const int count = format <= 2 ? qBound(0, int(s.pictureCount), int(MaxPictureSlots)) : 0;
    s.setPictureFiles(pictureSetFromFolder(format, count, pictureFolderPath()));
    QString error;
    if (!writeResourceFile(file, o.sections, EditedCurveGroup(), EditedCurveGroup(), &error)) {
        return out.fail(ExitBadFile,
                        QStringLiteral("cannot write %1: %2").arg(native(file), error));
    }
    out.data(
            QStringLiteral("Saved %1 (%2)").arg(native(file), sectionNames(o.sections).join(", ")));
    return ExitSuccess;
}

int Commands::writeLoadedCurves(const QVector<int> &tempGroups, const QVector<int> &powerGroups)
{
    DeviceSession &s = deviceSession();
    for (int group : tempGroups) {
        for (int point = 0; point < CurvePointCount; ++point)
            s.tempCurvePoints[point] = quint16(s.tempMin + s.tempCurves[group][point].value);
        s.tempCurveNo = quint8(group);
        s.setDeviceStatus(QString());
        if (!writeTempCurve())
            return commandFailed(out, QStringLiteral("temperature group %1").arg(group + 1));
    }
    for (int group : powerGroups) {
        for (int point = 0; point < CurvePointCount; ++point)
            s.powerCurvePoints[point] = quint16(s.powerMin + s.powerCurves[group][point].value);
        s.powerCurveNo = quint8(group);
        s.setDeviceStatus(QString());
        if (!writePowerCurve())
            return commandFailed(out, QStringLiteral("power group %1").arg(group + 1));
    }
    return ExitSuccess;
}

int Commands::resourceLoad()
{
    const QString file = o.args.value(0);
    out.fields().insert(QStringLiteral("file"), file);
    out.fields().insert(QStringLiteral("sections"),
                        QJsonArray::fromStringList(sectionNames(o.sections)));
    QStringList lines;
    {
        QFile in(file);
        if (!isRegularUserFile(file) || !in.open(QIODevice::ReadOnly | QIODevice::Text))
            return out.fail(ExitBadFile, QStringLiteral("cannot read %1").arg(native(file)));
        QTextStream stream(&in);
        while (!stream.atEnd())
            lines << stream.readLine();
    }
    if (const int status = connect())
        return status;
    if (const int status = needRecord())
        return status;
    DeviceSession &s = deviceSession();
    const int format = s.screenFormat;
    const int count = format <= 2 ? qBound(0, int(s.pictureCount), int(MaxPictureSlots)) : 0;
    s.setPictureFiles(pictureSetFromFolder(format, count, pictureFolderPath()));

    // The whole file is checked first: a damaged file changes nothing, on the disk or on the
    // device.
    const ResourceFile::ReadResult check
            = ResourceFile::readLines(lines, s.deviceId, count, o.sections);
    if (check.identity == ResourceFile::Identity::OtherDevice) {
        return out.fail(ExitRefused, QStringLiteral("%1 is for device %2, the device is %3")
                                             .arg(native(file), deviceText(check.fileDeviceId),
                                                  deviceText(s.deviceId)));
    }
    if (check.identity == ResourceFile::Identity::Corrupted) {
        return out.fail(ExitBadFile,
                        check.identityLine > 0
                                ? QStringLiteral("%1: line %2: damaged identity line")
                                          .arg(native(file))
                                          .arg(check.identityLine)
                                : QStringLiteral("%1: not a user resource file (no identity line)")
                                          .arg(native(file)));
    }
    QStringList damaged;
    const auto lineText = [](int line) {
        return line > 0 ? QStringLiteral("line %1").arg(line) : QStringLiteral("end of file");
    };
    for (const ResourceFile::Entry &entry : check.entries) {
        if (entry.kind == ResourceFile::Entry::PictureCorrupted)
            damaged << QStringLiteral("%1: picture %2 is damaged")
                               .arg(lineText(entry.line))
                               .arg(entry.index + 1);
        else if (entry.kind == ResourceFile::Entry::TempCorrupted)
            damaged << QStringLiteral("%1: temperature group %2 is damaged")
                               .arg(lineText(entry.line))
                               .arg(entry.index + 1);
        else if (entry.kind == ResourceFile::Entry::PowerCorrupted)
            damaged << QStringLiteral("%1: power group %2 is damaged")
                               .arg(lineText(entry.line))
                               .arg(entry.index + 1);
    }
    if (!damaged.isEmpty()) {
        out.fields().insert(QStringLiteral("problems"), QJsonArray::fromStringList(damaged));
        return out.fail(ExitBadFile,
                        QStringLiteral("%1 is corrupted: %2")
                                .arg(native(file), damaged.join(QStringLiteral("; "))));
    }

    const ResourceLoad load = readResourceFile(file, o.sections);
    QJsonArray pictures;
    QVector<int> tempGroups;
    QVector<int> powerGroups;
    quint16 mask = 0;
    QStringList problems;
    for (const ResourceLoadEvent &event : load.events) {
        switch (event.kind) {
        case ResourceLoadEvent::PictureStored:
            mask |= quint16(1u << event.index);
            pictures.append(event.index + 1);
            break;
        case ResourceLoadEvent::PictureNotStored:
            out.note(QStringLiteral("picture %1 not stored: the device has no serial number")
                             .arg(event.index + 1));
            break;
        case ResourceLoadEvent::PictureCorrupted:
            problems << QStringLiteral("%1: picture %2 is not a picture")
                                .arg(lineText(event.line))
                                .arg(event.index + 1);
            break;
        case ResourceLoadEvent::PictureUnwritable:
            problems << QStringLiteral("cannot save picture %1: %2")
                                .arg(event.index + 1)
                                .arg(event.error);
            break;
        case ResourceLoadEvent::TempLoaded:
            tempGroups << event.index;
            break;
        case ResourceLoadEvent::PowerLoaded:
            powerGroups << event.index;
            break;
        case ResourceLoadEvent::TempCorrupted:
        case ResourceLoadEvent::PowerCorrupted:
            problems << QStringLiteral("%1: damaged").arg(lineText(event.line));
            break;
        }
    }
    if (load.status != ResourceLoad::Loaded || !problems.isEmpty()) {
        out.fields().insert(QStringLiteral("problems"), QJsonArray::fromStringList(problems));
        return out.fail(ExitBadFile,
                        problems.isEmpty()
                                ? QStringLiteral("cannot read %1").arg(native(file))
                                : QStringLiteral("%1: %2").arg(
                                        native(file), problems.join(QStringLiteral("; "))));
    }
    QJsonArray temp;
    QJsonArray power;
    for (int group : qAsConst(tempGroups))
        temp.append(group + 1);
    for (int group : qAsConst(powerGroups))
        power.append(group + 1);
    out.fields().insert(QStringLiteral("pictures"), pictures);
    out.fields().insert(QStringLiteral("tempGroups"), temp);
    out.fields().insert(QStringLiteral("powerGroups"), power);

    // What was loaded goes to the device: the window's write buttons do this there.
    if (mask != 0 && (format == 0 || format == 1 || format == 2)) {
        if (const int status
            = writePictureSlots(mask, QStringLiteral("writing the pictures failed")))
            return status;
    }
    if (const int status = writeLoadedCurves(tempGroups, powerGroups))
        return status;
    out.data(QStringLiteral("Loaded %1: %2 picture(s), %3 temperature group(s), %4 power "
                            "group(s) written to the device")
                     .arg(native(file))
                     .arg(pictures.size())
                     .arg(temp.size())
                     .arg(power.size()));
    return ExitSuccess;
}

// KORLEX_LINK_TIMING=bootround=<ms>,bootrounds=<n>,restartwait=<ms>,slice=<ms>,timelimit=<ms>
// shortens the link's waits, for tests against the virtual device.
void applyTimingFromEnvironment()
{
    const QString setting = QString::fromLocal8Bit(qgetenv("KORLEX_LINK_TIMING"));
    SessionTiming &timing = deviceSession().timing;
    for (const QString &part : setting.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString key = part.section(QLatin1Char('='), 0, 0).trimmed();
        bool ok = false;
        const int value = part.section(QLatin1Char('='), 1).toInt(&ok);
        if (!ok || value < 0)
            continue;
        if (key == QLatin1String("bootround"))
            timing.bootWaitRoundMs = qMax(1, value);
        else if (key == QLatin1String("bootrounds"))
            timing.bootWaitRounds = qMax(1, value);
        else if (key == QLatin1String("restartwait"))
            timing.restartWaitMs = value;
        else if (key == QLatin1String("slice"))
            timing.sliceMs = qMax(1, value);
        else if (key == QLatin1String("timelimit"))
            timing.timeLimitMs = value;
    }
}

} // namespace

int runCli(const QStringList &arguments)
{
    const CliOptions options = parseCommandLine(arguments);
    CliOutput out;
    out.setMode(options.json, options.quiet);
    out.setCommand(options.command);
    if (!options.error.isEmpty()) {
        out.fail(ExitUsage, options.error + QStringLiteral(" (see korlex-cli --help)"));
        return out.finish(ExitUsage);
    }
    if (options.help) {
        writeText(stdout, options.command.isEmpty() ? programHelp() : commandHelp(options.command));
        return ExitSuccess;
    }
    if (options.version) {
        writeText(stdout, versionText());
        return ExitSuccess;
    }

    initArtResources();
    initTranslationResources();
    // The link's sentences (causes of failed jobs) in English.
    QTranslator english;
    if (english.load(QStringLiteral(":/lg/english.qm")))
        QCoreApplication::installTranslator(&english);
    deviceSession().clear();
    loadDeviceModels();
    setUsingRealUsb(!selectHidBackendFromEnvironment());
    applyTimingFromEnvironment();

    Commands commands(options, out);
    const int status = commands.run();
    destroyUsbThread();
    closeHidDevice();
    QCoreApplication::removeTranslator(&english);
    return out.finish(status);
}
