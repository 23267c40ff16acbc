#ifndef UPGRADE_BACKUP_H
#define UPGRADE_BACKUP_H

#include "device/job.h"
#include "parameters/curveset.h"
#include "parameters/parameterrecord.h"
#include "pictures/picturejobs.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

struct DeviceIdentity;

// A backup of one device, as it was read from the device: its identity, its parameters, its
// curves and (for the mono screens, which send them) its pictures. It is kept in a folder of its
// own, <root>/<serial>/<yyyyMMdd-HHmmss>_<firmware version>/, holding
//   device.ct_user  the user resource file (pictures and curves), which any tool that reads the
//                   format loads;
//   device.json     the identity and the parameters.
// The folder appears whole or not at all: it is written under a temporary name and renamed.
struct DeviceBackup
{
    static constexpr const char *ResourceFileName = "device.ct_user";
    static constexpr const char *DescriptionFileName = "device.json";

    QString folder;
    QDateTime created;
    quint16 id = 0;
    QString serial;
    QString productName;
    QString modelCode;
    QString groupCode;
    QString chipId;
    QString firmwareVersion;
    QString softwareVersion;
    int screenFormat = 3;
    ParameterRecord parameters;
    unsigned sections = 0; // the user resource file's sections it holds

    QString resourceFile() const;
    // Whether the backup may go to the device: the same model and screen format (another's
    // values and pictures mean something else there).
    bool fits(const DeviceIdentity &device) const;
    bool holdsPictures() const;
    // The model as a user names it: "ORBIT K510-204 (0x2001)", or the identifier alone.
    QString modelText() const;

    // Reads the backup of a folder; false (with the reason) when it is none or is damaged.
    static bool read(const QString &folder, DeviceBackup *backup, QString *error = nullptr);
};

// Where backups are kept: <the user's data folder>/korlex-tool/backups (both programs use it).
QString defaultBackupRoot();
// The backups of a device (its information serial number), or of every device when serial is
// empty; the newest first. Folders that are not whole backups are passed over.
QVector<DeviceBackup> listBackups(const QString &root, const QString &serial = QString());
// Removes a backup's folder; false with the reason when it could not be removed.
bool deleteBackup(const DeviceBackup &backup, QString *error = nullptr);

// Reads the device's information (its parameters and curves, fresh from the device, not the
// copies a front end may have edited) and its pictures, and keeps them as a backup.
class BackupJob : public PictureReadingJob
{
    Q_OBJECT

public:
    explicit BackupJob(Device *device, const QString &root = defaultBackupRoot(),
                       QObject *parent = nullptr);
    ~BackupJob() override;
    // The backup made (after success).
    const DeviceBackup &backup() const { return m_backup; }

protected:
    JobCause prepare() override;
    void run() override;

private:
    QString m_root;
    DeviceBackup m_backup;
};

// What differs between a backup and the device now: keys such as "brightness", "puff",
// "coil3", "coil3.value", "temp2", "power5", "picture7" (groups and slots counted from 1).
// Reads the device's information and, when the backup holds pictures, its pictures.
class BackupCompareJob : public PictureReadingJob
{
    Q_OBJECT

public:
    BackupCompareJob(Device *device, const DeviceBackup &backup, QObject *parent = nullptr);
    ~BackupCompareJob() override;
    const QStringList &differences() const { return m_differences; }

protected:
    JobCause prepare() override;
    void run() override;

private:
    DeviceBackup m_backup;
    quint16 m_address = 0;
    int m_format = 3;
    QStringList m_differences;
};

// Writes a backup back to a device of the same model and screen format (another is refused:
// JobCause::WrongDevice): its parameters, its ten curves and its pictures. A picture that does
// not fit the device is named (its slot fails with JobCause::PictureFile) and skipped; the rest
// is restored. The device is read again afterwards.
class RestoreJob : public Job
{
    Q_OBJECT

public:
    RestoreJob(Device *device, const DeviceBackup &backup, QObject *parent = nullptr);
    ~RestoreJob() override;
    const DeviceBackup &backup() const { return m_backup; }

protected:
    JobCause prepare() override;
    void run() override;
    void apply() override;

private:
    DeviceBackup m_backup;
    quint16 m_address = 0;
    int m_format = 3;
    int m_powerMin = 5;
    int m_powerMax = 80;
    QString m_pictureFolder;
};

// The keys of what differs between two sets of values (see BackupCompareJob).
QStringList parameterDifferences(const ParameterRecord &a, const ParameterRecord &b);
QStringList curveDifferences(const CurveSet &a, const CurveSet &b);

#endif // UPGRADE_BACKUP_H
