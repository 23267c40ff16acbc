#ifndef UPGRADE_UPGRADEJOB_H
#define UPGRADE_UPGRADEJOB_H

#include "device/commands.h"
#include "device/job.h"
#include "parameters/curveset.h"
#include "parameters/parameterrecord.h"
#include "upgrade/upgradefile.h"

#include <QSet>
#include <QString>

struct UpgradeOptions
{
    // Send the image to a boot loader that never named its device (the user confirmed the
    // file's target).
    bool allowUncheckedTarget = false;
    // How long the device may take to come back after the image; negative: the link's timing
    // (10 s).
    int restartTimeoutMs = -1;
};

// The firmware upgrade of one device: the hello, the wait for the boot loader, the erase, the
// blocks and the finish, then the wait for the device to come back running its firmware, whose
// version the result names. The job decides its own outcome from what the device does (see
// UpgradeVerdict): only a device that came back running normal firmware and answered makes a
// success.
//
// The device is followed through its restarts by its USB port where the system names one,
// else by its USB serial number, else as the only device of the family that was not there when
// the job began. When more than one device could be it, the job stops (JobCause::Ambiguous)
// rather than write to a device that might be another one.
class UpgradeJob : public Job
{
    Q_OBJECT

public:
    UpgradeJob(Device *device, const UpgradeImage &image,
               const UpgradeOptions &options = UpgradeOptions(), QObject *parent = nullptr);
    ~UpgradeJob() override;

    const UpgradeImage &image() const { return m_image; }

protected:
    JobCause prepare() override;
    void run() override;
    void apply() override;

private:
    enum class Found { None, One, Several };
    // Looks for the followed device among the entries of the wanted kinds.
    Found findFollowed(bool bootLoader, bool firmware, HidDeviceInfo *found);
    // Where the device was found without its port, the device opened there must not name
    // itself as another one: false when its information reply carries another serial number.
    bool namesItselfAsOurs(const InfoReply *reply);
    bool waitForBootLoader();
    void waitForRestart();
    int timeLimitMs() const;

    UpgradeImage m_image;
    UpgradeOptions m_options;
    HidDeviceInfo m_entry; // where the device was; updated as it is followed
    QString m_location; // its USB port when the job began (empty when unknown)
    QString m_usbSerial; // its USB serial number when the job began
    QString m_serial; // the serial number its information reply gave
    QSet<QString> m_othersAtStart; // the paths of the family's other devices when it began

    bool m_back = false;
    bool m_hasRecord = false;
    DeviceIdentity m_identityAfter;
    ParameterRecord m_recordAfter;
    CurveSet m_curvesAfter;
};

#endif // UPGRADE_UPGRADEJOB_H
