// Saving and loading the user resource file: the pictures of the set, the temperature curves and
// the power curves, bound to the device identifier. The file work is the link's (see
// pictures/resourcejob.h); the window asks for the file and shows what happened.

#include "app/mainwindow.h"

#include "device/session.h"
#include "parameters/widgets/qcurve.h"
#include "pictures/resourcefile.h"
#include "pictures/resourcejob.h"
#include "widgets/msgbox.h"

#include "ui_mainwindow.h"

#include <QFileDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

namespace {

const char *const fileFilter = "File(*.ct_user)";

void showResourceMessage(const QString &text)
{
    auto *box = new MsgBox(MainWindow::trMain(" 提示 "), text, 1000);
    delete box;
}

QString desktopFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

// The 0-based number of the first checked button, or -1 when none is checked.
int checkedGroup(const std::array<QRadioButton *, CurveGroupCount> &buttons)
{
    for (int group = 0; group < CurveGroupCount; ++group) {
        if (buttons[group] && buttons[group]->isChecked())
            return group;
    }
    return -1;
}

// Shows the loaded values of the group a curve widget edits.
void showLoadedGroup(QCurve *widget, const Curve &curve)
{
    for (int point = 0; point < CurvePointCount; ++point)
        widget->points[point].value = curve[point].value;
}

} // namespace

unsigned MainWindow::resourceSectionsOf(QObject *sender) const
{
    auto *button = qobject_cast<QPushButton *>(sender);
    if (!button)
        return 0;
    if (button == ui->saveConfigButton || button == ui->loadConfigButton)
        return ResourceFile::AllSections;
    if (button == ui->saveWkConfigButton || button == ui->loadWkConfigButton)
        return ResourceFile::TempSection;
    if (button == ui->savePowerConfigButton || button == ui->loadPowerConfigButton)
        return ResourceFile::PowerSection;
    return 0;
}

void MainWindow::saveConfigSlots()
{
    const unsigned sections = resourceSectionsOf(sender());
    if (sections == 0 || !deviceSession().deviceOpen)
        return;
    const QString path = QFileDialog::getSaveFileName(this, trMain("保存用户资源文件"),
                                                      desktopFolder() + QStringLiteral("/custom"),
                                                      QLatin1String(fileFilter));
    if (path.isEmpty())
        return;
    if (!saveResourceFile(path, sections))
        showResourceMessage(trMain("保存资源文件失败"));
}

bool MainWindow::saveResourceFile(const QString &path, unsigned sections)
{
    // The shown group of each curve page comes from its widget, which holds its edits.
    const EditedCurveGroup temp{checkedGroup(tempGroupButtons()), ui->wkWidget->points};
    const EditedCurveGroup power{checkedGroup(powerGroupButtons()), ui->powerWidget->points};
    return writeResourceFile(path, sections, temp, power);
}

void MainWindow::loadConfigSlots()
{
    const unsigned sections = resourceSectionsOf(sender());
    if (sections == 0)
        return;
    const QString path = QFileDialog::getOpenFileName(this, trMain("用户资源文件"), desktopFolder(),
                                                      QLatin1String(fileFilter));
    if (path.isEmpty())
        return;
    loadResourceFile(path, sections);
}

void MainWindow::loadResourceFile(const QString &path, unsigned sections)
{
    appendLog(trMain(" 加载资源文件"));
    const ResourceLoad load = readResourceFile(path, sections);
    switch (load.status) {
    case ResourceLoad::Unreadable:
        showResourceMessage(trMain("打开文件失败"));
        return;
    case ResourceLoad::Corrupted:
        showResourceMessage(trMain(" 文件损坏 "));
        return;
    case ResourceLoad::OtherDevice:
        showResourceMessage(trMain("资源文件与当前设备不匹配"));
        return;
    case ResourceLoad::Loaded:
        break;
    }

    const DeviceSession &session = deviceSession();
    const int tempGroup = qMax(0, checkedGroup(tempGroupButtons()));
    const int powerGroup = qMax(0, checkedGroup(powerGroupButtons()));
    const QString corrupted = trMain(" 文件损坏 ");
    for (const ResourceLoadEvent &event : load.events) {
        switch (event.kind) {
        case ResourceLoadEvent::PictureStored:
        case ResourceLoadEvent::PictureNotStored:
            break;
        case ResourceLoadEvent::PictureUnwritable: {
            // The slot keeps its file and its mark; the user learns why the picture is missing.
            const QString text
                    = trMain(" 第 %1 张图片无法保存: %2").arg(event.index + 1).arg(event.error);
            showResourceMessage(text);
            appendLog(text);
            break;
        }
        case ResourceLoadEvent::TempLoaded:
            if (event.index == tempGroup)
                showLoadedGroup(ui->wkWidget, session.tempCurves[event.index]);
            ui->wkWidget->setUpdate();
            break;
        case ResourceLoadEvent::PowerLoaded:
            if (event.index == powerGroup)
                showLoadedGroup(ui->powerWidget, session.powerCurves[event.index]);
            ui->powerWidget->setUpdate();
            break;
        case ResourceLoadEvent::PowerCorrupted:
            showResourceMessage(corrupted);
            appendLog(corrupted);
            break;
        case ResourceLoadEvent::PictureCorrupted:
        case ResourceLoadEvent::TempCorrupted:
            showResourceMessage(corrupted);
            break;
        }
    }
    if (load.picturesChanged)
        loadEditPicSlots();
}
