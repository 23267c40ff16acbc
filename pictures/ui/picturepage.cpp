#include "pictures/ui/picturepage.h"

#include "device/device.h"
#include "device/ui/jobdialog.h"
#include "device/ui/jobtexts.h"
#include "pictures/bmp.h"
#include "pictures/picturejobs.h"
#include "pictures/widgets/bmpeditor.h"
#include "pictures/widgets/picturegrid.h"
#include "shell/language.h"
#include "shell/texts.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

const char *const slotNames[PictureSet::MaxSlots] = {
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

const char *const writeMarkSheet = "color: rgb(220, 110, 0); font-weight: bold;";

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

// The picture of a file for the page. Read afresh every time: the pixmap cache keys files by
// name and modification second, and the folder files are rewritten by reads, edits and loads.
QPixmap pagePixmap(const QString &path)
{
    return QPixmap::fromImage(BMP::readPicture(path));
}

QString taskName()
{
    return QCoreApplication::translate("main", "写用户资源作业");
}

} // namespace

PicturePage::PicturePage(QWidget *tab, QObject *parent)
    : DevicePage(parent)
    , m_defaults(0, QString())
{
    m_editor = new BmpEditor;
    m_editor->setObjectName(QStringLiteral("pictureEditor"));
    m_editor->hide();
    connect(m_editor, &BmpEditor::pictureConfirmed, this,
            [this](int slot, const QString &path) { takeConfirmedPicture(slot, path); });

    auto *area = formWidget<QScrollArea>(tab, "picScrollArea");
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setWidgetResizable(true);

    QWidget *contents = formWidget<QWidget>(tab, "scrollAreaWidgetContents");
    auto *column = new QVBoxLayout;
    column->setContentsMargins(3, 3, 3, 3);

    m_pageDefault = new QPushButton(contents);
    m_pageDefault->setObjectName(QStringLiteral("pageDefaultButton"));
    m_pageDefault->setMinimumWidth(120);
    m_pageDefault->setFixedHeight(30);
    auto *pageRow = new QHBoxLayout;
    pageRow->addWidget(m_pageDefault);
    pageRow->addStretch();
    column->addLayout(pageRow);
    connect(m_pageDefault, &QPushButton::clicked, this, &PicturePage::restoreDefaultPictures);

    auto *grid = new PictureGridLayout;
    grid->setSpacing(6);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int slot = 0; slot < MaxSlots; ++slot) {
        const QString number = QString::number(slot + 1);
        auto *cell = new QWidget(contents);
        cell->setObjectName(QStringLiteral("picCell") + number);
        auto *name = new QLabel(slotName(slot), cell);
        name->setObjectName(QStringLiteral("picNameLabel") + number);
        setNameLabelWidth(name, currentLanguage == English ? 180 : 80);
        auto *picture = new QLabel(cell);
        picture->setObjectName(QStringLiteral("picLabel") + number);
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        auto *edit = new QPushButton(cell);
        edit->setObjectName(QStringLiteral("picEditButton") + number);
        auto *restore = new QPushButton(cell);
        restore->setObjectName(QStringLiteral("picDefaultButton") + number);
        for (QPushButton *button : {edit, restore}) {
            button->setFixedHeight(30);
            button->setMinimumWidth(100);
        }
        connect(edit, &QPushButton::clicked, this, [this, slot]() { openEditor(slot); });
        connect(restore, &QPushButton::clicked, this,
                [this, slot]() { restoreDefaultPicture(slot); });
        auto *mark = new QLabel(cell);
        mark->setObjectName(QStringLiteral("picWriteMark") + number);
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

        m_names[slot] = name;
        m_pictures[slot] = picture;
        m_editButtons[slot] = edit;
        m_defaultButtons[slot] = restore;
        m_writeMarks[slot] = mark;
        picture->setPixmap(pagePixmap(m_defaults.file(slot)));
    }
    column->addLayout(grid);
    column->addStretch(1);
    contents->setLayout(column);

    retranslate();
    showWriteMarks();
}

PicturePage::~PicturePage()
{
    // The editor has no parent window.
    delete m_editor;
}

QString PicturePage::slotName(int slot) const
{
    return slot >= 0 && slot < MaxSlots ? trMain(slotNames[slot]) : QString();
}

const PictureSet &PicturePage::pictureSet() const
{
    const Device *shown = device();
    return shown && shown->identity().answered ? shown->pictures() : m_defaults;
}

PictureSet &PicturePage::pictures()
{
    Device *shown = device();
    return shown && shown->identity().answered ? shown->pictures() : m_defaults;
}

void PicturePage::retranslate()
{
    m_pageDefault->setText(trMain("恢复本页默认值(&B)"));
    for (int slot = 0; slot < MaxSlots; ++slot) {
        m_editButtons[slot]->setText(trMain("编辑(&E)"));
        m_defaultButtons[slot]->setText(trMain("默认值(&D)"));
        m_names[slot]->setText(slotName(slot));
        setNameLabelWidth(m_names[slot], nameLabelWidth());
        m_writeMarks[slot]->setText(trMain("未写入"));
        m_writeMarks[slot]->setToolTip(trMain("此图片已修改, 尚未写入设备"));
    }
    m_editor->retranslateTexts();
    if (m_editedSlot >= 0 && !m_editor->windowTitle().isEmpty())
        m_editor->setTitle(slotName(m_editedSlot));
}

void PicturePage::showDevice()
{
    m_editor->close();
    setButtonsEnabled(deviceConnected());
    showPictureSet();
}

void PicturePage::followDevice(Device *device, QObject *context)
{
    connect(device, &Device::connectFinished, context, [this](ConnectStatus status) {
        switch (status) {
        case ConnectStatus::Connected:
        case ConnectStatus::BootLoaderWaiting:
            // The device has built its set from its picture folder.
            setButtonsEnabled(true);
            showPictureSet();
            break;
        case ConnectStatus::NotFound:
        case ConnectStatus::Denied:
            setButtonsEnabled(false);
            break;
        default:
            break;
        }
    });
    // A job that changes the set (a write clears its marks) has ended.
    connect(device, &Device::jobFinished, context, [this]() { showWriteMarks(); });
}

void PicturePage::setButtonsEnabled(bool enabled)
{
    m_pageDefault->setEnabled(enabled);
    const int count = pictureSet().count();
    for (int slot = 0; slot < count; ++slot) {
        m_editButtons[slot]->setEnabled(enabled);
        m_defaultButtons[slot]->setEnabled(enabled);
    }
}

void PicturePage::showWriteMarks()
{
    const PictureSet &set = pictureSet();
    const bool mono = set.format() == 0 || set.format() == 1;
    for (int slot = 0; slot < MaxSlots; ++slot)
        m_writeMarks[slot]->setVisible(mono && set.isMarked(slot));
}

void PicturePage::showPictureSet()
{
    const PictureSet &set = pictureSet();
    const int format = set.format();
    if (format == 0 || format == 1) {
        const QSize size = BMP::readPicture(set.file(0)).size();
        for (int slot = 0; slot < MaxSlots; ++slot) {
            m_names[slot]->setText(slotName(slot));
            m_pictures[slot]->resize(size);
            m_pictures[slot]->setPixmap(pagePixmap(set.file(slot)));
            for (QWidget *part :
                 std::initializer_list<QWidget *>{m_names[slot], m_pictures[slot],
                                                  m_editButtons[slot], m_defaultButtons[slot]})
                part->show();
        }
    }
    showWriteMarks();
    if (format >= 0 && format <= 2)
        emit screenFormatShown(format);
}

void PicturePage::restoreDefaultPictures()
{
    PictureSet &set = pictures();
    if (set.format() < 0 || set.format() > 2)
        return;
    set.resetToDefaults();
    showPictureSet();
}

void PicturePage::restoreDefaultPicture(int slot)
{
    PictureSet &set = pictures();
    if (slot >= set.count())
        return;
    set.resetSlot(slot);
    m_pictures[slot]->setPixmap(pagePixmap(set.file(slot)));
}

void PicturePage::openEditor(int slot)
{
    const PictureSet &set = pictureSet();
    if (slot >= set.count())
        return;
    m_editedSlot = slot;
    m_editor->setSlot(slot, set.format(), set.folder());
    m_editor->loadPictureFile(set.file(slot));
    m_editor->setTitle(slotName(slot));
    m_editor->show();
}

void PicturePage::takeConfirmedPicture(int slot, const QString &path)
{
    // The editor closes whenever another device is chosen: the set shown is the one it edited.
    PictureSet &set = pictures();
    set.setFile(slot, path);
    set.mark(slot);
    showPictureSet();
}

void PicturePage::readPictures()
{
    Device *owner = device();
    if (!deviceConnected())
        return;
    const int format = owner->identity().screenFormat();
    if (format != 0 && format != 1)
        return;
    auto *job = new PictureReadJob(owner, QString(), this);
    if (!startJob(job))
        return;
    // The bar counts to one short of the pictures; it is full only once the read succeeded.
    auto *dialog = new JobDialog(job, taskName(), PictureSet::slotCount(format) - 1,
                                 taskDeviceName(owner), this);
    QPointer<Device> reading(owner);
    connect(job, &Job::finished, this, [this, job, dialog, reading](const JobResult &result) {
        pictureReadEnded(reading, dialog, result);
        job->deleteLater();
    });
    log(QLatin1Char('[') + taskName() + QLatin1Char(']'));
}

void PicturePage::pictureReadEnded(Device *owner, JobDialog *dialog, const JobResult &result)
{
    // Whatever arrived has been saved: the page shows it, also after a partly failed read.
    if (owner && owner == device())
        showPictureSet();
    const QString line = result.succeeded() ? trMain(" 读资源成功!") : trMain(" 读资源失败!");
    log(line);
    if (!result.succeeded())
        log(pictureFailureText(result));
    dialog->finish(line, 2000, result.succeeded());
}

void PicturePage::writePictures()
{
    Device *owner = device();
    if (!deviceConnected())
        return;
    const int total = owner->pictures().slotsToWrite().size();
    auto *job = new PictureWriteJob(owner, this);
    // Nothing marked since the last write, or a device without pictures: nothing happens.
    if (!startJob(job, {JobCause::NothingDone, JobCause::NotSupported}))
        return;
    auto *dialog = new JobDialog(job, taskName(), total, taskDeviceName(owner), this);
    QPointer<Device> writing(owner);
    connect(job, &Job::finished, this, [this, job, dialog, writing](const JobResult &result) {
        pictureWriteEnded(writing, dialog, result);
        job->deleteLater();
    });
    log(QStringLiteral(" [") + taskName() + QLatin1Char(']'));
}

void PicturePage::pictureWriteEnded(Device *owner, JobDialog *dialog, const JobResult &result)
{
    if (owner && owner == device())
        showWriteMarks();
    const QString line = result.succeeded() ? trMain(" 设置成功!") : trMain(" 设置失败!");
    log(line);
    if (!result.succeeded())
        log(pictureFailureText(result));
    dialog->finish(line, 2000, result.succeeded());
}
