#ifndef DEVICE_JOBTYPES_H
#define DEVICE_JOBTYPES_H

#include <QMetaType>
#include <QString>

// The names a device job reports in. They are untranslated: each front end puts them into its
// own words (see the key functions, which give the names used in files and machine output).

enum class JobKind {
    Connect, // open the device and read its information (its parameters and curves with it)
    ParametersWrite,
    CurveWrite,
    ClockRead,
    ClockWrite,
    FactoryReset,
    PictureRead,
    PictureWrite,
    ResourceSave,
    ResourceLoad,
    Upgrade,
    Backup,
    Restore
};

// Where a job stands.
enum class JobPhase : int {
    Idle,
    Connecting, // opening the device and reading its information
    Sending, // a short command and its reply
    Hello, // the upgrade asks the firmware to restart into its boot loader
    WaitingForBootLoader,
    Erasing,
    Writing, // upgrade blocks
    Finishing,
    Restarting, // the device restarts into its new firmware; the job waits for it
    ReadingPictures,
    WritingPictures,
    Files // reading or writing files
};

enum class JobOutcome : int {
    Running,
    Succeeded,
    Failed,
    // An upgrade whose image the device acknowledged, but which did not come back within the
    // restart limit: it may still be restarting; nothing confirms the new firmware.
    Unverified
};

// Why a job failed or was refused. The step and its number (block or picture) say where.
enum class JobCause : int {
    None,
    DeviceStop, // the device answered STOP
    LowPower, // the device answered LOWPOWER
    NoBootLoader, // the boot loader did not appear in time
    NoAnswer, // the device stopped answering
    Unplugged, // the device went away during the job
    TimeLimit, // the job made no progress within its time limit
    Stopped, // the user stopped the job (disconnect, closing, an interrupt)
    StayedInBootLoader, // after the image the device came back in its boot loader
    DidNotComeBack, // after the image the device did not come back
    PictureFile, // a picture could not be converted
    NothingDone, // the job had nothing it could send
    File, // a file could not be read or written (the operating system's reason is given)
    Damaged, // a file is not what it should be (a user resource file without its identity)
    // Refusals before anything is sent:
    Busy, // another job runs on the device
    NotConnected, // the device is not connected
    NoImage, // no upgrade image was given
    WrongDevice, // the upgrade file or resource file is for another device
    TargetUnchecked, // the boot loader never named its device; confirmation needed
    NotSupported, // the device's screen format has no such job
    Ambiguous, // after a restart, more than one device could be this one
    Denied, // the device could not be opened (permissions)
    Foreign // the foreign device answered
};

// The step of a job that a cause refers to.
enum class JobStep : int {
    None,
    Open,
    Info,
    Hello,
    BootWait,
    Erase,
    Block,
    Finish,
    Restart,
    Picture,
    Parameters,
    Curve,
    Clock,
    FactoryReset,
    File
};

// How an upgrade ended at and after its finish command: whether the boot loader acknowledged
// the image, and what the device came back as.
enum class UpgradeVerdict : int {
    None, // the upgrade ended before its finish command
    AcknowledgedBack, // acknowledged; back running its firmware: success
    AcknowledgedBootLoader, // acknowledged; back in its boot loader: failure
    AcknowledgedGone, // acknowledged; not back within the restart limit: unverified
    UnacknowledgedBack, // no acknowledgement; back running its firmware: success
    UnacknowledgedBootLoader, // no acknowledgement; back in its boot loader: failure
    UnacknowledgedGone // no acknowledgement; not back: failure
};

QString jobKindKey(JobKind kind);
QString jobPhaseKey(JobPhase phase);
QString jobOutcomeKey(JobOutcome outcome);
QString jobCauseKey(JobCause cause);
QString jobStepKey(JobStep step);
QString upgradeVerdictKey(UpgradeVerdict verdict);

Q_DECLARE_METATYPE(JobPhase)
Q_DECLARE_METATYPE(JobOutcome)
Q_DECLARE_METATYPE(JobCause)
Q_DECLARE_METATYPE(JobStep)
Q_DECLARE_METATYPE(UpgradeVerdict)

#endif // DEVICE_JOBTYPES_H
