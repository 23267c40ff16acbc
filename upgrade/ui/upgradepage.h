#ifndef UPGRADE_UI_UPGRADEPAGE_H
#define UPGRADE_UI_UPGRADEPAGE_H

#include "device/ui/devicepage.h"
#include "upgrade/backup.h"
#include "upgrade/upgradefile.h"
#include "upgrade/upgradejob.h"

#include <QPointer>
#include <QStringList>

class JobDialog;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
struct JobResult;

// The upgrade page: the upgrade file, and the upgrade of the chosen device with it. The job
// follows the device through its restarts and decides the outcome; the page shows its progress
// in a task dialog that stays up until the verdict, and writes the result to the log.
//
// Unless the user turned it off (the choice is kept with the language setting), the device is
// backed up before the upgrade; a backup that fails stops the upgrade until the user says to go
// on. After a verified upgrade the device is compared with its backup, and when it holds
// something else now (new firmware may start with its factory settings) the page offers to
// restore the backup. The Backups button lists the chosen device's backups to restore or delete.
class UpgradePage : public DevicePage
{
    Q_OBJECT

public:
    // page is the upgrade page of the window's form.
    explicit UpgradePage(QWidget *page, QObject *parent = nullptr);

    // Loads an upgrade file, as the file dialog does with the name it returns; an empty name
    // forgets the file loaded before. A file that cannot be loaded is reported and leaves the
    // one before in place.
    void loadFile(const QString &fileName);
    const UpgradeImage &image() const { return m_image; }
    // Starts the upgrade of the chosen device with the loaded file (the Upgrade button), after
    // its backup when that is asked for.
    void startUpgrade();
    // The chosen device's backups, to restore or delete (the Backups button).
    void showBackups();

    void retranslate() override;

protected:
    void showDevice() override { }

private:
    // One upgrade on its way: the image and the device it goes to, and the backup made first
    // (an empty folder when there is none).
    struct PendingUpgrade
    {
        QPointer<Device> target;
        UpgradeImage image;
        UpgradeOptions options;
        DeviceBackup backup;
    };

    void chooseFile();
    // Asks before an image goes to a boot loader that never named its device.
    bool confirmUncheckedTarget() const;
    // Whether the loaded file may go to the device: the user is told why not, or asked when
    // the device cannot say what it is.
    bool fileFitsDevice(Device *target, UpgradeOptions *options) const;
    void rememberBackupChoice(bool backUpFirst);

    void backUpThenUpgrade(const PendingUpgrade &upgrade);
    // After a backup that could not be made: the reason, and whether to upgrade all the same.
    bool upgradeWithoutBackup(const QString &reason) const;
    void runUpgrade(const PendingUpgrade &upgrade);
    // The upgrade's end: the result in its dialog and the log, in the words of its verdict.
    void showUpgradeEnd(JobDialog *dialog, const JobResult &result);
    void compareWithBackup(Device *target, const DeviceBackup &backup);
    void offerRestore(Device *target, const DeviceBackup &backup, const QStringList &differences);
    void restoreBackup(Device *target, const DeviceBackup &backup);
    void showRestoreEnd(JobDialog *dialog, const JobResult &result);

    QLabel *m_fileLabel;
    QLineEdit *m_path;
    QPushButton *m_open;
    QPushButton *m_download;
    QLabel *m_textLabel;
    QTextEdit *m_text;
    QCheckBox *m_backupFirst;
    QPushButton *m_backups;
    UpgradeImage m_image;
};

#endif // UPGRADE_UI_UPGRADEPAGE_H
