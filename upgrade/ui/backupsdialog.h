#ifndef UPGRADE_UI_BACKUPSDIALOG_H
#define UPGRADE_UI_BACKUPSDIALOG_H

#include "upgrade/backup.h"

#include <QDialog>
#include <QVector>

class QLabel;
class QPushButton;
class QTableWidget;

// The backups of one device, newest first: when each was made, the firmware the device ran
// then and what the backup holds. Delete removes a backup (after asking); Restore (after
// asking) closes the dialog as accepted with the backup chosen, which the caller restores.
class BackupsDialog : public QDialog
{
    Q_OBJECT

public:
    // folder is where the device's backups are kept; it is named above the list.
    BackupsDialog(const QVector<DeviceBackup> &backups, const QString &folder,
                  QWidget *parent = nullptr);

    // The backup to restore, once the dialog has been accepted.
    const DeviceBackup &chosen() const { return m_chosen; }

    // What a backup holds, in the user's words: "Parameters, Temperature curves, ...".
    static QString contentsText(const DeviceBackup &backup);

private:
    void fillTable();
    void showSelection();
    void restoreChosen();
    void deleteChosen();
    // The selected row; -1 when none is.
    int selectedRow() const;

    QVector<DeviceBackup> m_backups;
    DeviceBackup m_chosen;
    QLabel *m_folder;
    QTableWidget *m_table;
    QPushButton *m_restore;
    QPushButton *m_delete;
    QPushButton *m_close;
};

#endif // UPGRADE_UI_BACKUPSDIALOG_H
