#ifndef DEVICE_SESSION_H
#define DEVICE_SESSION_H

#include "device/jobtypes.h"

#include <QByteArray>
#include <QMutex>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <memory>

class HidDevice;

// One point of a ten-point device curve: the pixel column inside the curve widget and the
// value as an offset above the curve's range minimum.
struct CurvePoint
{
    int x = 60;
    int value = 0;
};

using Curve = std::array<CurvePoint, 10>;
using CurveGroups = std::array<Curve, 5>;

enum : int { CurvePointCount = 10, CurveGroupCount = 5, CoilRowCount = 5, MaxPictureSlots = 12 };

// Job codes handed to the transfer thread through DeviceSession::usbJob.
enum UsbJob : int { JobNone = 0, JobUpgrade = 2, JobReadPictures = 3, JobWritePictures = 4 };

// Timing of the link and the jobs that tests shorten. The defaults are the device's own.
struct SessionTiming
{
    std::atomic<int> bootWaitRoundMs{1000}; // one round of the wait for the boot loader
    std::atomic<int> bootWaitRounds{8};
    // The longest a blocking read waits before it looks at a stop request again.
    std::atomic<int> sliceMs{20};
    // How long the job waits for the device to come back after the last block.
    std::atomic<int> restartWaitMs{10000};
    // Replaces every job's time limit when above 0.
    std::atomic<int> timeLimitMs{0};
};

// The one record of device state shared by the GUI thread and the transfer thread.
//
// Numbers that both threads touch are atomics. The text and list fields that the worker writes
// and the GUI reads (deviceStatus, jobResult, pictureFiles, the upgrade image, the clock) live
// behind textMutex and are reached through the accessors. The HID handle is owned here but only
// the transport functions use it, always under linkMutex, so that frames of two threads never
// interleave and the handle is never replaced while another thread exchanges frames over it.
// Everything else is used by the GUI thread only.
class DeviceSession
{
public:
    DeviceSession();
    ~DeviceSession();
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

    // Puts every field back to the values it has before the model table is loaded.
    void clear();

    // --- link -------------------------------------------------------------------------------
    QRecursiveMutex linkMutex; // serialises every exchange on the link
    std::unique_ptr<HidDevice> hidHandle; // under linkMutex; null when no device is open
    std::atomic<bool> deviceOpen{false}; // mirrors hidHandle != null, readable without the lock
    std::atomic<bool> openDenied{false}; // the last open failed although a device was present
    // A read or write on the open handle failed: the device has gone (or is restarting).
    std::atomic<bool> linkLost{false};
    QString productString() const;
    void setProductString(const QString &product);
    // Where the open device is plugged in (see HidDeviceInfo::location); empty when unknown.
    QString deviceLocation() const;
    void setDeviceLocation(const QString &location);
    // The device the program works with, by path or location; empty: the first one found.
    QString selectedDevice() const;
    void setSelectedDevice(const QString &device);
    std::atomic<bool> appFirmware{false};
    std::atomic<quint16> deviceId{0};
    std::atomic<quint16> upgradeTargetId{0};

    QString deviceStatus() const;
    void setDeviceStatus(const QString &status);
    std::array<quint8, 6> deviceClock() const;
    void setDeviceClock(const std::array<quint8, 6> &clock);

    // --- device information ------------------------------------------------------------------
    std::atomic<quint8> infoValid{0};
    int modelIndex = -1;
    QString productName;
    QString modelName;
    QString modelGroup;
    QString deviceCode;
    QString firmwareVersion;
    QString firmwareDescription;
    QString softwareVersion;
    QString softwareDescription;
    QString deviceSerial() const; // the worker saves pictures under it
    void setDeviceSerial(const QString &serial);
    int connectCount = 0;

    // --- parameter record ---------------------------------------------------------------------
    std::array<quint8, CoilRowCount> coilEnabled{};
    std::array<quint16, CoilRowCount> coilValues{};
    quint16 lcdBright = 0;
    quint16 smokeTime = 0;

    // --- curves -------------------------------------------------------------------------------
    CurveGroups tempCurves;
    CurveGroups powerCurves;
    quint16 tempMin = 0;
    quint16 tempMax = 0;
    quint16 tempDefault = 0;
    quint8 tempUnit = 0; // 1 Fahrenheit, 0 Celsius
    quint16 powerMin = 0;
    quint16 powerMax = 0;
    quint16 powerDefault = 0;
    // What the next curve write sends (filled by the page just before the write).
    std::array<quint16, CurvePointCount> tempCurvePoints{};
    quint8 tempCurveNo = 0;
    std::array<quint16, CurvePointCount> powerCurvePoints{};
    quint8 powerCurveNo = 0;

    // --- pictures -----------------------------------------------------------------------------
    std::atomic<int> screenFormat{0};
    std::atomic<int> pictureCount{0};
    std::atomic<quint16> pictureWriteMask{0};
    quint8 editedPicture = 0;
    QStringList pictureFiles() const;
    void setPictureFiles(const QStringList &files);
    QString pictureFile(int index) const;
    void setPictureFile(int index, const QString &path);

    // --- jobs ---------------------------------------------------------------------------------
    std::atomic<int> usbJob{JobNone};
    std::atomic<int> jobProgress{0};
    std::atomic<bool> stopRequested{false}; // asks the worker to stop between frames
    std::atomic<bool> awaitingBootLoader{false}; // the upgrade waits for the re-enumeration
    QString jobResult() const;
    void setJobResult(const QString &result);
    std::atomic<int> jobKind{JobNone}; // the job last started (usbJob goes back to 0 at its end)
    std::atomic<int> jobPhase{int(JobPhase::Idle)};
    std::atomic<int> jobOutcome{int(JobOutcome::Running)};
    std::atomic<int> jobCause{int(JobCause::None)};
    std::atomic<int> jobStep{int(JobStep::None)};
    std::atomic<int> jobDetail{0}; // block or picture number of jobStep
    std::atomic<int> jobTotal{0}; // slots a picture job handles
    // After an upgrade: the device came back running normal firmware and answered.
    std::atomic<bool> upgradeVerified{false};
    QString versionAfterUpgrade() const; // its firmware version then
    void setVersionAfterUpgrade(const QString &version);

    QByteArray upgradeImage() const;
    void setUpgradeImage(const QByteArray &image);
    std::array<quint8, 4> upgradeCheck() const;
    void setUpgradeCheck(const std::array<quint8, 4> &check);
    std::atomic<qint64> upgradeSize{0};
    std::atomic<quint16> upgradeBlockCount{0};
    std::atomic<quint16> upgradeBlockIndex{0};
    std::atomic<bool> upgradeScramble{false};
    std::atomic<bool> upgradeDone{false};

    SessionTiming timing;

private:
    mutable QMutex textMutex;
    QString m_productString;
    QString m_deviceLocation;
    QString m_selectedDevice;
    QString m_versionAfterUpgrade;
    QString m_deviceStatus;
    QString m_jobResult;
    QString m_deviceSerial;
    QStringList m_pictureFiles;
    QByteArray m_upgradeImage;
    std::array<quint8, 4> m_upgradeCheck{};
    std::array<quint8, 6> m_deviceClock{};
};

// The session of this run of the program.
DeviceSession &deviceSession();

#endif // DEVICE_SESSION_H
