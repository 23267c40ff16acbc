#include "upgrade/ui/backupsdialog.h"

#include "pictures/resourcefile.h"
#include "shell/texts.h"
#include "widgets/msgbox.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString createdText(const DeviceBackup &backup)
{
    return backup.created.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

BackupsDialog::BackupsDialog(const QVector<DeviceBackup> &backups, const QString &folder,
                             QWidget *parent)
    : QDialog(parent)
    , m_backups(backups)
{
    setObjectName(QStringLiteral("backupsDialog"));
    setWindowTitle(trMain("设备备份"));

    m_folder = new QLabel(trMain("备份保存在 %1").arg(QDir::toNativeSeparators(folder)), this);
    m_folder->setObjectName(QStringLiteral("backupsFolderLabel"));
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_folder->setWordWrap(true);

    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(QStringLiteral("backupsTable"));
    m_table->setHorizontalHeaderLabels({trMain("日期"), trMain("固件版本"), trMain("内容")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);

    m_restore = new QPushButton(trMain("恢复(&R)"), this);
    m_restore->setObjectName(QStringLiteral("restoreBackupButton"));
    m_delete = new QPushButton(trMain("删除(&D)"), this);
    m_delete->setObjectName(QStringLiteral("deleteBackupButton"));
    m_close = new QPushButton(trMain("关闭"), this);
    m_close->setObjectName(QStringLiteral("closeBackupsButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_restore);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_folder);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    connect(m_table, &QTableWidget::itemSelectionChanged, this, &BackupsDialog::showSelection);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, &BackupsDialog::restoreChosen);
    connect(m_restore, &QPushButton::clicked, this, &BackupsDialog::restoreChosen);
    connect(m_delete, &QPushButton::clicked, this, &BackupsDialog::deleteChosen);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    fillTable();
    resize(780, 320);
}

QString BackupsDialog::contentsText(const DeviceBackup &backup)
{
    QStringList held{trMain("参数")};
    if (backup.sections & ResourceFile::TempSection)
        held << trMain("温度曲线");
    if (backup.sections & ResourceFile::PowerSection)
        held << trMain("功率曲线");
    if (backup.holdsPictures())
        held << trMain("图片");
    return held.join(QStringLiteral(", "));
}

void BackupsDialog::fillTable()
{
    m_table->setRowCount(m_backups.size());
    for (int row = 0; row < m_backups.size(); ++row) {
        const DeviceBackup &backup = m_backups.at(row);
        m_table->setItem(row, 0, new QTableWidgetItem(createdText(backup)));
        m_table->setItem(row, 1, new QTableWidgetItem(backup.firmwareVersion));
        m_table->setItem(row, 2, new QTableWidgetItem(contentsText(backup)));
    }
    m_table->resizeColumnsToContents();
    if (!m_backups.isEmpty())
        m_table->selectRow(0);
    showSelection();
}

void BackupsDialog::showSelection()
{
    const bool any = selectedRow() >= 0;
    m_restore->setEnabled(any);
    m_delete->setEnabled(any);
}

int BackupsDialog::selectedRow() const
{
    const QList<QTableWidgetItem *> items = m_table->selectedItems();
    const int row = items.isEmpty() ? -1 : items.first()->row();
    return row < m_backups.size() ? row : -1;
}

void BackupsDialog::restoreChosen()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const DeviceBackup &backup = m_backups.at(row);
    if (!QuestionBox::ask(trMain("恢复备份"),
                          trMain("要把 %1 的备份恢复到设备吗? 设备现在的参数、曲线和图片将被"
                                 "覆盖。")
                                  .arg(createdText(backup)),
                          trMain("恢复(&R)"), trMain("取消(&C)"), this))
        return;
    m_chosen = backup;
    accept();
}

void BackupsDialog::deleteChosen()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    if (!QuestionBox::ask(
                trMain("删除备份"),
                trMain("要删除 %1 的备份吗? 删除后无法找回。").arg(createdText(m_backups.at(row))),
                trMain("删除(&D)"), trMain("取消(&C)"), this))
        return;
    QString error;
    if (!deleteBackup(m_backups.at(row), &error)) {
        delete new MsgBox(trMain(" 提示 "), trMain("无法删除备份: %1").arg(error), 3000);
        return;
    }
    m_backups.removeAt(row);
    fillTable();
}
