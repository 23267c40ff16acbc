#include "device/jobtypes.h"

QString jobKindKey(JobKind kind)
{
    switch (kind) {
    case JobKind::Connect:
        return QStringLiteral("connect");
    case JobKind::ParametersWrite:
        return QStringLiteral("parametersWrite");
    case JobKind::CurveWrite:
        return QStringLiteral("curveWrite");
    case JobKind::ClockRead:
        return QStringLiteral("clockRead");
    case JobKind::ClockWrite:
        return QStringLiteral("clockWrite");
    case JobKind::FactoryReset:
        return QStringLiteral("factoryReset");
    case JobKind::PictureRead:
        return QStringLiteral("pictureRead");
    case JobKind::PictureWrite:
        return QStringLiteral("pictureWrite");
    case JobKind::ResourceSave:
        return QStringLiteral("resourceSave");
    case JobKind::ResourceLoad:
        return QStringLiteral("resourceLoad");
    case JobKind::Upgrade:
        return QStringLiteral("upgrade");
    case JobKind::Backup:
        return QStringLiteral("backup");
    case JobKind::Restore:
        return QStringLiteral("restore");
    }
    return QString();
}

QString jobPhaseKey(JobPhase phase)
{
    switch (phase) {
    case JobPhase::Idle:
        return QStringLiteral("idle");
    case JobPhase::Connecting:
        return QStringLiteral("connecting");
    case JobPhase::Sending:
        return QStringLiteral("sending");
    case JobPhase::Hello:
        return QStringLiteral("hello");
    case JobPhase::WaitingForBootLoader:
        return QStringLiteral("waitingForBootLoader");
    case JobPhase::Erasing:
        return QStringLiteral("erasing");
    case JobPhase::Writing:
        return QStringLiteral("writing");
    case JobPhase::Finishing:
        return QStringLiteral("finishing");
    case JobPhase::Restarting:
        return QStringLiteral("restarting");
    case JobPhase::ReadingPictures:
        return QStringLiteral("readingPictures");
    case JobPhase::WritingPictures:
        return QStringLiteral("writingPictures");
    case JobPhase::Files:
        return QStringLiteral("files");
    }
    return QString();
}

QString jobOutcomeKey(JobOutcome outcome)
{
    switch (outcome) {
    case JobOutcome::Running:
        return QStringLiteral("running");
    case JobOutcome::Succeeded:
        return QStringLiteral("succeeded");
    case JobOutcome::Failed:
        return QStringLiteral("failed");
    case JobOutcome::Unverified:
        return QStringLiteral("unverified");
    }
    return QString();
}

QString jobCauseKey(JobCause cause)
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
    case JobCause::File:
        return QStringLiteral("file");
    case JobCause::Damaged:
        return QStringLiteral("damaged");
    case JobCause::Busy:
        return QStringLiteral("busy");
    case JobCause::NotConnected:
        return QStringLiteral("notConnected");
    case JobCause::NoImage:
        return QStringLiteral("noImage");
    case JobCause::WrongDevice:
        return QStringLiteral("wrongDevice");
    case JobCause::TargetUnchecked:
        return QStringLiteral("targetUnchecked");
    case JobCause::NotSupported:
        return QStringLiteral("notSupported");
    case JobCause::Ambiguous:
        return QStringLiteral("ambiguous");
    case JobCause::Denied:
        return QStringLiteral("denied");
    case JobCause::Foreign:
        return QStringLiteral("foreign");
    }
    return QString();
}

QString jobStepKey(JobStep step)
{
    switch (step) {
    case JobStep::None:
        return QString();
    case JobStep::Open:
        return QStringLiteral("open");
    case JobStep::Info:
        return QStringLiteral("info");
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
    case JobStep::Parameters:
        return QStringLiteral("parameters");
    case JobStep::Curve:
        return QStringLiteral("curve");
    case JobStep::Clock:
        return QStringLiteral("clock");
    case JobStep::FactoryReset:
        return QStringLiteral("factoryReset");
    case JobStep::File:
        return QStringLiteral("file");
    }
    return QString();
}

QString upgradeVerdictKey(UpgradeVerdict verdict)
{
    switch (verdict) {
    case UpgradeVerdict::None:
        return QString();
    case UpgradeVerdict::AcknowledgedBack:
        return QStringLiteral("acknowledgedBack");
    case UpgradeVerdict::AcknowledgedBootLoader:
        return QStringLiteral("acknowledgedBootLoader");
    case UpgradeVerdict::AcknowledgedGone:
        return QStringLiteral("acknowledgedGone");
    case UpgradeVerdict::UnacknowledgedBack:
        return QStringLiteral("unacknowledgedBack");
    case UpgradeVerdict::UnacknowledgedBootLoader:
        return QStringLiteral("unacknowledgedBootLoader");
    case UpgradeVerdict::UnacknowledgedGone:
        return QStringLiteral("unacknowledgedGone");
    }
    return QString();
}
