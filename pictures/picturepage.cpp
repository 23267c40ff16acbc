// The picture tab of the customisation page: the working copy of the LCD picture set, its cells
// (name, picture, edit and default buttons, and a mark while the slot holds a change not yet
// written to the device) laid out as a grid that wraps to the window's width, the set built from
// the device's picture folder, and the page following the screen format of the connected device.

#include "app/mainwindow.h"

#include "device/session.h"
#include "pictures/bmp.h"
#include "pictures/widgets/bmpeditor.h"
#include "pictures/widgets/picturegrid.h"

#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QListWidgetItem>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char *const slotNames[MaxPictureSlots] = {
        QT_TRANSLATE_NOOP("main", "01.开机画面"),
        QT_TRANSLATE_NOOP("main", "02.检测雾化器"),
        QT_TRANSLATE_NOOP("main", "03.雾化器阻值太大"),
        QT_TRANSLATE_NOOP("main", "04.没有雾化器"),
        QT_TRANSLATE_NOOP("main", "05.雾化器短路"),
        QT_TRANSLATE_NOOP("main", "06.吸烟超时"),
        QT_TRANSLATE_NOOP("main", "07.已锁定"),
        QT_TRANSLATE_NOOP("main", "08.已解锁"),
        QT_TRANSLATE_NOOP("main", "09.关机画面"),
        QT_TRANSLATE_NOOP("main", "10.电池电压过低"),
        QT_TRANSLATE_NOOP("main", "11.电量不足"),
        QT_TRANSLATE_NOOP("main", "12.过温保护"),
};

const char *const defaultSetPatterns[3]
        = {":/512/512/%1.bmp", ":/1024/1024/%1.bmp", ":/25K/25K/%1.bmp"};
const int defaultSetSizes[3] = {12, 12, 10};

const char *const tabSheet = "QTabBar::tab:selected{background-color: rgb(85, 255, 255);color:red;}"
                             "QTabBar::tab:disabled{width: 0; color: transparent;}";

constexpr int customisationNavRow = 3;
constexpr int writeMarkPollMs = 200;

const char *const writeMarkSheet = "color: rgb(220, 110, 0); font-weight: bold;";

QString slotName(int slot)
{
    return MainWindow::trMain(slotNames[slot]);
}

int nameLabelWidth()
{
    return currentLanguage == English ? 180 : 100;
}

// A slot name label gets its usual width, or more when its text needs more: a name is never cut
// off, in any language or font.
void setNameLabelWidth(QLabel *label, int usual)
{
    const int needed = label->fontMetrics().horizontalAdvance(label->text())
                       + 2 * (label->frameWidth() + label->margin()) + 4;
    label->setFixedWidth(qMax(usual, needed));
}

int slotCountOf(const DeviceSession &session)
{
    return qBound(0, int(session.pictureCount), int(MaxPictureSlots));
}

// The picture of a file for the page. Read afresh every time: the pixmap cache keys files by
// name and modification second, and the folder files are rewritten by reads, edits and loads.
QPixmap pagePixmap(const QString &path)
{
    return QPixmap::fromImage(BMP::readPicture(path));
}

// Whether a stored picture may stand for a slot of the format.
bool storedPictureFits(int format, const QImage &image)
{
    if (image.isNull())
        return false;
    switch (format) {
    case 0:
        return image.width() * image.height() / 8 == 512;
    case 1:
        return true;
    default:
        return false; // the colour set always comes from the defaults
    }
}

} // namespace

void MainWindow::initPicturePage()
{
    picEditor = new BmpEditor;
    picEditor->hide();
    connect(picEditor, SIGNAL(picEditFinishedSignal()), this, SLOT(loadEditPicSlots()));

    ui->picScrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ui->picScrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ui->picScrollArea->setWidgetResizable(true);

    for (int format = 0; format < 3; ++format) {
        for (int slot = 0; slot < defaultSetSizes[format]; ++slot) {
            defaultPicturePaths[format][slot]
                    = QString::fromLatin1(defaultSetPatterns[format]).arg(slot + 1);
        }
    }

    DeviceSession &session = deviceSession();
    const int format = session.screenFormat;
    if (format >= 0 && format <= 2) {
        QStringList files;
        for (int slot = 0; slot < slotCountOf(session); ++slot)
            files << defaultPicturePaths[format][slot];
        session.setPictureFiles(files);
    }

    QWidget *contents = ui->scrollAreaWidgetContents;
    auto *column = new QVBoxLayout;
    column->setContentsMargins(3, 3, 3, 3);

    pageDefaultButton = new QPushButton(contents);
    pageDefaultButton->setMinimumWidth(120);
    pageDefaultButton->setFixedHeight(30);
    auto *pageRow = new QHBoxLayout;
    pageRow->addWidget(pageDefaultButton);
    pageRow->addStretch();
    column->addLayout(pageRow);
    connect(pageDefaultButton, SIGNAL(clicked(bool)), this, SLOT(setAllPicToDefault()));

    auto *grid = new PictureGridLayout;
    grid->setSpacing(6);
    grid->setContentsMargins(0, 0, 0, 0);
    const QStringList files = session.pictureFiles();
    for (int row = 0; row < MaxPictureSlots; ++row) {
        auto *cell = new QWidget(contents);
        cell->setObjectName(QStringLiteral("picCell%1").arg(row + 1));
        auto *name = new QLabel(slotName(row), cell);
        setNameLabelWidth(name, currentLanguage == English ? 180 : 80);
        auto *picture = new QLabel(cell);
        picture->setPixmap(pagePixmap(files.value(row)));
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        auto *edit = new QPushButton(cell);
        auto *restore = new QPushButton(cell);
        for (QPushButton *button : {edit, restore}) {
            button->setFixedHeight(30);
            button->setMinimumWidth(100);
        }
        connect(edit, SIGNAL(clicked(bool)), this, SLOT(showEditPicGui()));
        connect(restore, SIGNAL(clicked(bool)), this, SLOT(recoverToDefaultPic()));
        auto *mark = new QLabel(cell);
        mark->setObjectName(QStringLiteral("picWriteMark%1").arg(row + 1));
        mark->setStyleSheet(QLatin1String(writeMarkSheet));
        // The cell keeps its size whether the mark shows or not.
        QSizePolicy markPolicy = mark->sizePolicy();
        markPolicy.setRetainSizeWhenHidden(true);
        mark->setSizePolicy(markPolicy);
        mark->hide();

        // Name on top; the picture, and beside it the buttons and the mark.
        auto *buttons = new QVBoxLayout;
        buttons->setSpacing(1);
        buttons->addWidget(edit);
        buttons->addWidget(restore);
        buttons->addWidget(mark);
        buttons->addStretch(1);
        auto *body = new QHBoxLayout;
        body->setSpacing(6);
        body->addWidget(picture, 0, Qt::AlignTop);
        body->addLayout(buttons);
        body->addStretch(1);
        auto *cellLayout = new QVBoxLayout(cell);
        cellLayout->setContentsMargins(2, 2, 2, 2);
        cellLayout->setSpacing(2);
        cellLayout->addWidget(name);
        cellLayout->addLayout(body, 1);
        grid->addWidget(cell);

        picNameLabels[row] = name;
        picLabels[row] = picture;
        picEditButtons[row] = edit;
        picDefaultButtons[row] = restore;
        picWriteMarks[row] = mark;
    }
    column->addLayout(grid);
    column->addStretch(1);
    contents->setLayout(column);

    pageDefaultButton->setText(trMain("恢复本页默认值(&B)"));
    for (int row = 0; row < MaxPictureSlots; ++row) {
        picEditButtons[row]->setText(trMain("编辑(&E)"));
        picDefaultButtons[row]->setText(trMain("默认值(&D)"));
    }
    setWriteMarkTexts();

    // The write mask changes on the worker thread (a write clears it) and in several slots; the
    // marks follow it whatever changed it.
    picWriteMarkTimer = new QTimer(this);
    picWriteMarkTimer->setInterval(writeMarkPollMs);
    connect(picWriteMarkTimer, &QTimer::timeout, this, [this]() {
        const DeviceSession &session = deviceSession();
        const quint32 shown = quint32(session.pictureWriteMask)
                              | quint32(slotCountOf(session)) << 16
                              | quint32(session.screenFormat & 0xFF) << 24;
        if (shown != shownWriteMarks)
            updatePictureWriteMarks();
    });
    picWriteMarkTimer->start();
    updatePictureWriteMarks();
}

void MainWindow::setWriteMarkTexts()
{
    for (QLabel *mark : picWriteMarks) {
        mark->setText(trMain("未写入"));
        mark->setToolTip(trMain("此图片已修改, 尚未写入设备"));
    }
}

void MainWindow::updatePictureWriteMarks()
{
    const DeviceSession &session = deviceSession();
    const quint16 mask = session.pictureWriteMask;
    const int count = slotCountOf(session);
    const int format = session.screenFormat;
    shownWriteMarks = quint32(mask) | quint32(count) << 16 | quint32(format & 0xFF) << 24;
    const bool mono = format == 0 || format == 1;
    for (int row = 0; row < MaxPictureSlots; ++row) {
        if (picWriteMarks[row])
            picWriteMarks[row]->setVisible(mono && row < count && (mask & (1u << row)));
    }
}

void MainWindow::retranslatePicturePage()
{
    if (!pageDefaultButton)
        return;
    pageDefaultButton->setText(trMain("恢复本页默认值(&B)"));
    for (int row = 0; row < MaxPictureSlots; ++row) {
        picEditButtons[row]->setText(trMain("编辑(&E)"));
        picDefaultButtons[row]->setText(trMain("默认值(&D)"));
        picNameLabels[row]->setText(slotName(row));
        setNameLabelWidth(picNameLabels[row], nameLabelWidth());
    }
    setWriteMarkTexts();
}

void MainWindow::retranslatePictureEditor()
{
    if (!picEditor)
        return;
    picEditor->retranslateTexts();
    const int slot = deviceSession().editedPicture;
    if (slot < MaxPictureSlots && !picEditor->windowTitle().isEmpty())
        picEditor->setTitle(slotName(slot));
}

void MainWindow::releasePictureEditor()
{
    delete picEditor;
    picEditor = nullptr;
}

int MainWindow::pictureRowOf(QObject *sender) const
{
    if (!sender)
        return -1;
    const int count = slotCountOf(deviceSession());
    for (int row = 0; row < count; ++row) {
        if (sender == picEditButtons[row] || sender == picDefaultButtons[row])
            return row;
    }
    return -1;
}

void MainWindow::setAllPicToDefault()
{
    DeviceSession &session = deviceSession();
    const int format = session.screenFormat;
    if (format < 0 || format > 2)
        return;
    QStringList files;
    for (int slot = 0; slot < slotCountOf(session); ++slot)
        files << defaultPicturePaths[format][slot];
    session.setPictureFiles(files);
    loadEditPicSlots();
    session.pictureWriteMask = 0x0FFF;
    updatePictureWriteMarks();
}

void MainWindow::recoverToDefaultPic()
{
    DeviceSession &session = deviceSession();
    const int format = session.screenFormat;
    if (format < 0 || format > 2)
        return;
    const int row = pictureRowOf(sender());
    if (row < 0)
        return;
    const QString path = defaultPicturePaths[format][row];
    session.setPictureFile(row, path);
    picLabels[row]->setPixmap(pagePixmap(path));
}

void MainWindow::loadCustomerPicSlots()
{
    DeviceSession &session = deviceSession();
    const int format = session.screenFormat;
    if (format < 0 || format > 2)
        return;
    const QString serial = session.deviceSerial();
    if (serial.isEmpty() || !QDir::current().exists(serial)) {
        setAllPicToDefault();
        return;
    }
    const QString folder = QDir::currentPath() + QLatin1Char('/') + serial + QLatin1Char('/');
    QStringList files;
    for (int slot = 0; slot < slotCountOf(session); ++slot) {
        const QString stored = folder + QString::number(slot + 1) + QStringLiteral(".bmp");
        const bool fits = format != 2 && storedPictureFits(format, BMP::readPicture(stored));
        files << (fits ? stored : defaultPicturePaths[format][slot]);
    }
    session.setPictureFiles(files);
    loadEditPicSlots();
    // After connecting, every slot goes with the next write.
    session.pictureWriteMask = 0x0FFF;
    updatePictureWriteMarks();
}

void MainWindow::showEditPicGui()
{
    DeviceSession &session = deviceSession();
    const QStringList files = session.pictureFiles();
    if (files.isEmpty() || !picEditor)
        return;
    const int row = pictureRowOf(sender());
    if (row < 0)
        return;
    session.editedPicture = quint8(row);
    picEditor->loadePicFile(files.value(row));
    picEditor->setTitle(slotName(row));
    picEditor->show();
}

void MainWindow::loadEditPicSlots()
{
    const int format = deviceSession().screenFormat;
    if (format == 0 || format == 1) {
        const QStringList files = deviceSession().pictureFiles();
        const QSize size = BMP::readPicture(files.value(0)).size();
        for (int row = 0; row < MaxPictureSlots; ++row) {
            picNameLabels[row]->setText(slotName(row));
            picLabels[row]->resize(size);
            picLabels[row]->setPixmap(pagePixmap(files.value(row)));
            picNameLabels[row]->show();
            picLabels[row]->show();
            picEditButtons[row]->show();
            picDefaultButtons[row]->show();
        }
        updatePictureWriteMarks();
        adaptPageToScreenFormat();
    } else if (format == 2) {
        adaptPageToScreenFormat();
    }
}

void MainWindow::adaptPageToScreenFormat()
{
    const int format = deviceSession().screenFormat;
    if (format < 0 || format > 2)
        return;
    const bool mono = format != 2;

    for (QWidget *widget : std::initializer_list<QWidget *>{
                 ui->readFromDeviceButton, ui->loadConfigButton, ui->saveConfigButton,
                 ui->writeToDeviceButton, ui->resetDefaultButton, ui->wenkongGroupBox, ui->frame_2,
                 ui->frame_3, ui->paraButton}) {
        widget->setVisible(mono);
    }
    ui->timeGroup->setVisible(!mono);
    if (!mono) {
        ui->setTimePushButton->hide();
        ui->readTimePushbutton->hide();
    }
    for (int tab : {0, 2, 3})
        ui->tabWidget->setTabEnabled(tab, mono);
    ui->tabWidget->setStyleSheet(QLatin1String(tabSheet));

    QListWidgetItem *item = ui->listWidget->item(customisationNavRow);
    if (!item)
        return;
    if (mono) {
        if (item->isHidden()) {
            item->setHidden(false);
            ui->listWidget->setCurrentRow(0);
        }
    } else {
        item->setHidden(true);
        if (ui->listWidget->currentRow() == customisationNavRow)
            ui->listWidget->setCurrentRow(0);
    }
}
