#include "device/session.h"

#include "device/hidbackend.h"

DeviceSession::DeviceSession() = default;
DeviceSession::~DeviceSession() = default;

void DeviceSession::clear()
{
    {
        QMutexLocker link(&linkMutex);
        hidHandle.reset();
        deviceOpen = false;
    }
    openDenied = false;
    linkLost = false;
    appFirmware = false;
    deviceId = 0;
    upgradeTargetId = 0;
    infoValid = 0;
    modelIndex = -1;
    productName.clear();
    modelName.clear();
    modelGroup.clear();
    deviceCode.clear();
    firmwareVersion.clear();
    firmwareDescription.clear();
    softwareVersion.clear();
    softwareDescription.clear();
    connectCount = 0;
    coilEnabled.fill(0);
    coilValues.fill(0);
    lcdBright = 0;
    smokeTime = 0;
    tempCurves = CurveGroups();
    powerCurves = CurveGroups();
    tempMin = tempMax = tempDefault = 0;
    tempUnit = 0;
    powerMin = powerMax = powerDefault = 0;
    tempCurvePoints.fill(0);
    powerCurvePoints.fill(0);
    tempCurveNo = powerCurveNo = 0;
    screenFormat = 0;
    pictureCount = 0;
    pictureWriteMask = 0;
    editedPicture = 0;
    usbJob = JobNone;
    jobProgress = 0;
    stopRequested = false;
    awaitingBootLoader = false;
    jobKind = JobNone;
    jobPhase = int(JobPhase::Idle);
    jobOutcome = int(JobOutcome::Running);
    jobCause = int(JobCause::None);
    jobStep = int(JobStep::None);
    jobDetail = 0;
    jobTotal = 0;
    upgradeVerified = false;
    upgradeSize = 0;
    upgradeBlockCount = 0;
    upgradeBlockIndex = 0;
    upgradeScramble = false;
    upgradeDone = false;
    timing.bootWaitRoundMs = 1000;
    timing.bootWaitRounds = 8;
    timing.sliceMs = 20;
    timing.restartWaitMs = 10000;
    timing.timeLimitMs = 0;

    QMutexLocker locker(&textMutex);
    m_productString.clear();
    m_deviceLocation.clear();
    m_selectedDevice.clear();
    m_versionAfterUpgrade.clear();
    m_deviceStatus.clear();
    m_jobResult.clear();
    m_deviceSerial.clear();
    m_pictureFiles.clear();
    m_upgradeImage.clear();
    m_upgradeCheck.fill(0);
    m_deviceClock.fill(0);
}

QString DeviceSession::deviceStatus() const
{
    QMutexLocker locker(&textMutex);
    return m_deviceStatus;
}

void DeviceSession::setDeviceStatus(const QString &status)
{
    QMutexLocker locker(&textMutex);
    m_deviceStatus = status;
}

std::array<quint8, 6> DeviceSession::deviceClock() const
{
    QMutexLocker locker(&textMutex);
    return m_deviceClock;
}

void DeviceSession::setDeviceClock(const std::array<quint8, 6> &clock)
{
    QMutexLocker locker(&textMutex);
    m_deviceClock = clock;
}

QString DeviceSession::deviceSerial() const
{
    QMutexLocker locker(&textMutex);
    return m_deviceSerial;
}

void DeviceSession::setDeviceSerial(const QString &serial)
{
    QMutexLocker locker(&textMutex);
    m_deviceSerial = serial;
}

// The list is handed between the threads as a copy of its own: Qt's shared containers decide
// whether to copy on a write without ordering that against a reader on another thread.
QStringList DeviceSession::pictureFiles() const
{
    QMutexLocker locker(&textMutex);
    QStringList files = m_pictureFiles;
    files.detach();
    return files;
}

void DeviceSession::setPictureFiles(const QStringList &files)
{
    QMutexLocker locker(&textMutex);
    m_pictureFiles = files;
    m_pictureFiles.detach();
}

QString DeviceSession::pictureFile(int index) const
{
    QMutexLocker locker(&textMutex);
    return m_pictureFiles.value(index);
}

void DeviceSession::setPictureFile(int index, const QString &path)
{
    QMutexLocker locker(&textMutex);
    if (index < 0)
        return;
    while (m_pictureFiles.size() <= index)
        m_pictureFiles.append(QString());
    m_pictureFiles[index] = path;
}

QString DeviceSession::jobResult() const
{
    QMutexLocker locker(&textMutex);
    return m_jobResult;
}

void DeviceSession::setJobResult(const QString &result)
{
    QMutexLocker locker(&textMutex);
    m_jobResult = result;
}

QByteArray DeviceSession::upgradeImage() const
{
    QMutexLocker locker(&textMutex);
    return m_upgradeImage;
}

void DeviceSession::setUpgradeImage(const QByteArray &image)
{
    QMutexLocker locker(&textMutex);
    m_upgradeImage = image;
}

std::array<quint8, 4> DeviceSession::upgradeCheck() const
{
    QMutexLocker locker(&textMutex);
    return m_upgradeCheck;
}

void DeviceSession::setUpgradeCheck(const std::array<quint8, 4> &check)
{
    QMutexLocker locker(&textMutex);
    m_upgradeCheck = check;
}

DeviceSession &deviceSession()
{
    static DeviceSession session;
    return session;
}

QString DeviceSession::productString() const
{
    QMutexLocker locker(&textMutex);
    return m_productString;
}

void DeviceSession::setProductString(const QString &product)
{
    QMutexLocker locker(&textMutex);
    m_productString = product;
}

QString DeviceSession::deviceLocation() const
{
    QMutexLocker locker(&textMutex);
    return m_deviceLocation;
}

void DeviceSession::setDeviceLocation(const QString &location)
{
    QMutexLocker locker(&textMutex);
    m_deviceLocation = location;
}

QString DeviceSession::selectedDevice() const
{
    QMutexLocker locker(&textMutex);
    return m_selectedDevice;
}

void DeviceSession::setSelectedDevice(const QString &device)
{
    QMutexLocker locker(&textMutex);
    m_selectedDevice = device;
}

QString DeviceSession::versionAfterUpgrade() const
{
    QMutexLocker locker(&textMutex);
    return m_versionAfterUpgrade;
}

void DeviceSession::setVersionAfterUpgrade(const QString &version)
{
    QMutexLocker locker(&textMutex);
    m_versionAfterUpgrade = version;
}
