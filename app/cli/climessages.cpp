#include "app/cli/climessages.h"

#include "app/cli/clioptions.h"
#include "catalogue/devicemodels.h"
#include "device/deviceidentity.h"

namespace {

// What the device was asked for at a step, as the object of a sentence.
QString stepObject(JobStep step, int detail)
{
    switch (step) {
    case JobStep::Open:
        return QStringLiteral("the opening of the device");
    case JobStep::Info:
        return QStringLiteral("the information request");
    case JobStep::Hello:
        return QStringLiteral("the request to start its boot loader");
    case JobStep::Erase:
        return QStringLiteral("the erase");
    case JobStep::Block:
        return QStringLiteral("block %1").arg(detail);
    case JobStep::Finish:
        return QStringLiteral("the finish command");
    case JobStep::Picture:
        return QStringLiteral("picture %1").arg(detail);
    case JobStep::Parameters:
        return QStringLiteral("the parameters");
    case JobStep::Curve:
        return QStringLiteral("curve group %1").arg(detail);
    case JobStep::Clock:
        return QStringLiteral("the clock request");
    case JobStep::FactoryReset:
        return QStringLiteral("the factory reset");
    case JobStep::None:
    case JobStep::BootWait:
    case JobStep::Restart:
    case JobStep::File:
        break;
    }
    return QString();
}

// Where in the job something happened: " while writing block 3", " to the erase".
QString atStep(JobStep step, int detail)
{
    switch (step) {
    case JobStep::Block:
        return QStringLiteral(" while writing block %1").arg(detail);
    case JobStep::BootWait:
        return QStringLiteral(" while waiting for the boot loader");
    case JobStep::Restart:
        return QStringLiteral(" while waiting for the restart");
    case JobStep::None:
    case JobStep::File:
        return QString();
    default:
        break;
    }
    const QString object = stepObject(step, detail);
    return object.isEmpty() ? QString() : QStringLiteral(" at ") + object;
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

} // namespace

QString screenText(int format)
{
    return QLatin1String(screenNames(format).text);
}

QString screenKey(int format)
{
    return QLatin1String(screenNames(format).key);
}

QString hex16(quint16 value)
{
    return deviceIdText(value);
}

QString deviceText(quint16 id)
{
    const DeviceModel model = deviceModelOf(id, deviceModels());
    if (!model.known)
        return hex16(id);
    return QStringLiteral("%1 (%2 %3)").arg(hex16(id), model.productName, model.modelCode);
}

int exitStatusOf(JobCause cause)
{
    switch (cause) {
    case JobCause::None:
        return ExitSuccess;
    case JobCause::DeviceStop:
    case JobCause::WrongDevice:
    case JobCause::TargetUnchecked:
    case JobCause::NotSupported:
        return ExitRefused;
    case JobCause::LowPower:
        return ExitLowBattery;
    case JobCause::PictureFile:
    case JobCause::NothingDone:
    case JobCause::File:
    case JobCause::Damaged:
    case JobCause::NoImage:
        return ExitBadFile;
    case JobCause::NotConnected:
    case JobCause::Denied:
    case JobCause::Foreign:
        return ExitNoDevice;
    case JobCause::Ambiguous:
        return ExitSeveralDevices;
    case JobCause::NoBootLoader:
    case JobCause::NoAnswer:
    case JobCause::Unplugged:
    case JobCause::TimeLimit:
    case JobCause::Stopped:
    case JobCause::StayedInBootLoader:
    case JobCause::DidNotComeBack:
    case JobCause::Busy:
        return ExitNoAnswer;
    }
    return ExitNoAnswer;
}

QString causeSentence(const JobResult &r)
{
    const QString at = atStep(r.step, r.detail);
    const QString object = stepObject(r.step, r.detail);
    switch (r.cause) {
    case JobCause::None:
        return QString();
    case JobCause::DeviceStop:
        return QStringLiteral("the device answered STOP") + at;
    case JobCause::LowPower:
        return QStringLiteral("the device's battery is low") + at
               + QStringLiteral(": charge it and try again");
    case JobCause::NoBootLoader:
        return QStringLiteral("the device did not start its boot loader in time");
    case JobCause::NoAnswer:
        return object.isEmpty() ? QStringLiteral("the device stopped answering")
                                : QStringLiteral("the device did not answer ") + object;
    case JobCause::Unplugged:
        return r.step == JobStep::Open ? QStringLiteral("the device has gone")
                                       : QStringLiteral("the device was unplugged") + at;
    case JobCause::TimeLimit:
        return QStringLiteral("the job made no progress within its time limit") + at;
    case JobCause::Stopped:
        return QStringLiteral("stopped by an interrupt") + at;
    case JobCause::StayedInBootLoader:
        return r.acknowledged ? QStringLiteral("the device took the image but restarted into its "
                                               "boot loader again: the new firmware does not start")
                              : QStringLiteral("the device did not confirm the image and restarted "
                                               "into its boot loader");
    case JobCause::DidNotComeBack:
        return QStringLiteral("the device did not come back after the image");
    case JobCause::PictureFile:
        return QStringLiteral("picture %1 is not a picture of the device's format").arg(r.detail);
    case JobCause::NothingDone:
        return QStringLiteral("there was nothing to send");
    case JobCause::File:
        return r.error.isEmpty()
                       ? QStringLiteral("a file could not be read or written")
                       : QStringLiteral("a file could not be read or written: ") + r.error;
    case JobCause::Damaged:
        return QStringLiteral("the file is damaged");
    case JobCause::Busy:
        return QStringLiteral("the device is busy with another job");
    case JobCause::NotConnected:
        return QStringLiteral("the device is not connected");
    case JobCause::NoImage:
        return QStringLiteral("the upgrade file holds no image");
    case JobCause::WrongDevice:
        return QStringLiteral("the file is for another device");
    case JobCause::TargetUnchecked:
        return QStringLiteral("the boot loader does not name its device, so the file's target "
                              "cannot be checked");
    case JobCause::NotSupported:
        return QStringLiteral("the device cannot do this");
    case JobCause::Ambiguous:
        return QStringLiteral("after its restart more than one device could be this one; nothing "
                              "more was sent");
    case JobCause::Denied:
        return QStringLiteral("the device cannot be opened: permission denied (install the udev "
                              "rule, see korlex-cli(1))");
    case JobCause::Foreign:
        return QStringLiteral("another program's device answered at this place");
    }
    return QString();
}

QString phaseText(JobPhase phase)
{
    switch (phase) {
    case JobPhase::Idle:
        return QStringLiteral("done");
    case JobPhase::Connecting:
        return QStringLiteral("connecting");
    case JobPhase::Sending:
        return QStringLiteral("sending");
    case JobPhase::Hello:
        return QStringLiteral("asking the device to start its boot loader");
    case JobPhase::WaitingForBootLoader:
        return QStringLiteral("waiting for the boot loader");
    case JobPhase::Erasing:
        return QStringLiteral("erasing");
    case JobPhase::Writing:
        return QStringLiteral("writing");
    case JobPhase::Finishing:
        return QStringLiteral("finishing");
    case JobPhase::Restarting:
        return QStringLiteral("restarting, then verifying the new firmware");
    case JobPhase::ReadingPictures:
        return QStringLiteral("reading pictures");
    case JobPhase::WritingPictures:
        return QStringLiteral("writing pictures");
    case JobPhase::Files:
        return QStringLiteral("saving files");
    }
    return QString();
}

QString slotRanges(const QVector<int> &numbers)
{
    QStringList parts;
    for (int i = 0; i < numbers.size();) {
        int j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        parts << (j > i ? QStringLiteral("%1-%2").arg(numbers[i]).arg(numbers[j])
                        : QString::number(numbers[i]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}
