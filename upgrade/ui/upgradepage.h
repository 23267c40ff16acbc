#ifndef UPGRADE_UI_UPGRADEPAGE_H
#define UPGRADE_UI_UPGRADEPAGE_H

#include "device/ui/devicepage.h"
#include "upgrade/upgradefile.h"

class JobDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class UpgradeJob;
struct JobResult;

// The upgrade page: the upgrade file, and the upgrade of the chosen device with it. The job
// follows the device through its restarts and decides the outcome; the page shows its progress
// in a task dialog that stays up until the verdict, and writes the result to the log.
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
    // Starts the upgrade of the chosen device with the loaded file (the Upgrade button).
    void startUpgrade();

    void retranslate() override;

protected:
    void showDevice() override { }

private:
    void chooseFile();
    // Asks before an image goes to a boot loader that never named its device.
    bool confirmUncheckedTarget() const;
    // The upgrade's end: the result in its dialog and the log, in the words of its verdict.
    void showUpgradeEnd(JobDialog *dialog, const JobResult &result);

    QLabel *m_fileLabel;
    QLineEdit *m_path;
    QPushButton *m_open;
    QPushButton *m_download;
    QLabel *m_textLabel;
    QTextEdit *m_text;
    UpgradeImage m_image;
};

#endif // UPGRADE_UI_UPGRADEPAGE_H
