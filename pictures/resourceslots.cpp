// Saving and loading the user resource file: the pictures of the set, the temperature curves and
// the power curves, bound to the device identifier.

#include "app/mainwindow.h"

#include "device/session.h"
#include "device/userfile.h"
#include "parameters/qcurve.h"
#include "pictures/bmp.h"
#include "pictures/resourcefile.h"
#include "widgets/msgbox.h"

#include "ui_mainwindow.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QImageWriter>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

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

// The curve values as the file keeps them: the shown group from its widget, the others from
// the stored groups.
ResourceFile::ValueGroups curveValues(const CurveGroups &stored, const QCurve *widget,
                                      int shownGroup)
{
    ResourceFile::ValueGroups values{};
    for (int group = 0; group < CurveGroupCount; ++group) {
        const Curve &curve = group == shownGroup ? widget->points : stored[group];
        for (int point = 0; point < CurvePointCount; ++point)
            values[group][point] = quint16(curve[point].value);
    }
    return values;
}

// A picture of the set as a BMP file in memory; empty when it does not load.
QByteArray pictureFileBytes(const QString &path)
{
    const QImage image = BMP::readPicture(path);
    if (image.isNull())
        return QByteArray();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP"))
        return QByteArray();
    return bytes;
}

bool saveBmp(const QImage &image, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, "bmp");
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
    const DeviceSession &session = deviceSession();
    ResourceFile::Contents contents;
    contents.deviceId = session.deviceId;
    contents.sections = sections;
    if (sections & ResourceFile::PictureSection) {
        const QStringList files = session.pictureFiles();
        const int count = qBound(0, int(session.pictureCount), int(MaxPictureSlots));
        for (int slot = 0; slot < count; ++slot)
            contents.pictures << pictureFileBytes(files.value(slot));
    }
    contents.temp = curveValues(session.tempCurves, ui->wkWidget, checkedGroup(tempGroupButtons()));
    if (session.tempUnit == 0) {
        for (ResourceFile::Values &group : contents.temp) {
            for (quint16 &value : group)
                value = ResourceFile::fileValueFromCelsiusOffset(value);
        }
    }
    contents.power
            = curveValues(session.powerCurves, ui->powerWidget, checkedGroup(powerGroupButtons()));

    // Written aside and renamed at the end: a failed save leaves an existing file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    for (const QString &line : ResourceFile::fileLines(contents))
        out << line << '\n';
    out.flush();
    if (out.status() != QTextStream::Ok) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
    QFile file(path);
    if (!isRegularUserFile(path) || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        showResourceMessage(trMain("打开文件失败"));
        return;
    }
    QStringList lines;
    QTextStream in(&file);
    while (!in.atEnd())
        lines << in.readLine();
    file.close();

    DeviceSession &session = deviceSession();
    const ResourceFile::ReadResult read = ResourceFile::readLines(
            lines, session.deviceId, qBound(0, int(session.pictureCount), int(MaxPictureSlots)),
            sections);
    if (read.identity == ResourceFile::Identity::Corrupted) {
        showResourceMessage(trMain(" 文件损坏 "));
        return;
    }
    if (read.identity == ResourceFile::Identity::OtherDevice) {
        showResourceMessage(trMain("资源文件与当前设备不匹配"));
        return;
    }

    const QString corrupted = trMain(" 文件损坏 ");
    const int tempGroup = qMax(0, checkedGroup(tempGroupButtons()));
    const int powerGroup = qMax(0, checkedGroup(powerGroupButtons()));
    const int tempSpan = qMax(0, int(session.tempMax) - int(session.tempMin));
    const int powerSpan = qMax(0, int(session.powerMax) - int(session.powerMin));
    bool picturesChanged = false;

    for (const ResourceFile::Entry &entry : read.entries) {
        switch (entry.kind) {
        case ResourceFile::Entry::Picture: {
            const QImage image = ResourceFile::pictureImage(entry.picture);
            if (image.isNull()) {
                // Bytes that pass the CRC but are no picture would leave the slot pointing at
                // whatever file happens to be there.
                showResourceMessage(corrupted);
                break;
            }
            picturesChanged = true;
            const QString serial = session.deviceSerial();
            if (serial.isEmpty())
                break;
            QDir current = QDir::current();
            if (!current.exists(serial))
                current.mkdir(serial);
            const QString target = QDir::currentPath() + QLatin1Char('/') + serial
                                   + QLatin1Char('/') + QString::number(entry.index + 1)
                                   + QStringLiteral(".bmp");
            if (saveBmp(image, target)) {
                session.setPictureFile(entry.index, target);
                session.pictureWriteMask = 0xFFFF;
            }
            break;
        }
        case ResourceFile::Entry::TempCurve:
            for (int point = 0; point < CurvePointCount; ++point) {
                quint16 value = entry.values[point];
                if (session.tempUnit == 0)
                    value = ResourceFile::celsiusOffsetFromFileValue(value);
                const int offset = qMin(int(value), tempSpan);
                session.tempCurves[entry.index][point].value = offset;
                if (entry.index == tempGroup)
                    ui->wkWidget->points[point].value = offset;
            }
            ui->wkWidget->setUpdate();
            break;
        case ResourceFile::Entry::PowerCurve:
            for (int point = 0; point < CurvePointCount; ++point) {
                const int offset = qMin(int(entry.values[point]), powerSpan);
                session.powerCurves[entry.index][point].value = offset;
                if (entry.index == powerGroup)
                    ui->powerWidget->points[point].value = offset;
            }
            ui->powerWidget->setUpdate();
            break;
        case ResourceFile::Entry::PowerCorrupted:
            showResourceMessage(corrupted);
            appendLog(corrupted);
            break;
        case ResourceFile::Entry::PictureCorrupted:
        case ResourceFile::Entry::TempCorrupted:
            showResourceMessage(corrupted);
            break;
        }
    }
    if (picturesChanged)
        loadEditPicSlots();
}
