#include "pictures/bmpeditor.h"

#include "device/session.h"
#include "pictures/iconeditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QStandardPaths>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr int minZoom = 1;
constexpr int maxZoom = 20;
constexpr int loadZoom = 8;
constexpr int maxTextLines = 22;

QPushButton *fixedButton(QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setFixedSize(120, 25);
    return button;
}

QLabel *valueLabel(QWidget *parent, int minimumWidth)
{
    auto *label = new QLabel(parent);
    label->setFixedHeight(30);
    label->setMinimumWidth(minimumWidth);
    return label;
}

QString desktopFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

} // namespace

BmpEditor::BmpEditor(QWidget *parent)
    : QWidget(parent)
{
    QSize initial(800, 600);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        initial = QSize(available.width() * 2 / 3, available.height() * 2 / 3);
    }
    resize(initial);
    buildWidgets();
    pictureArea->setMinimumSize(initial / 2);

    setAttribute(Qt::WA_ShowModal);
    setWindowFlags(windowFlags() & ~Qt::WindowMinimizeButtonHint);

    connect(importButton, SIGNAL(clicked(bool)), this, SLOT(openPicSlots()));
    connect(exportButton, SIGNAL(clicked(bool)), this, SLOT(exportPicSlots()));
    connect(defaultButton, SIGNAL(clicked(bool)), this, SLOT(defaultPicSlots()));
    connect(zoomSlider, SIGNAL(sliderMoved(int)), this, SLOT(zoomFactorChangeSlots(int)));
    connect(zoomSlider, SIGNAL(valueChanged(int)), this, SLOT(showScolValueSlots(int)));
    connect(charModeCheckBox, SIGNAL(clicked(bool)), this, SLOT(setAsciEditMode()));
    connect(confirmButton, SIGNAL(clicked(bool)), this, SLOT(commitAndQuitSlots()));
    connect(cancelButton, SIGNAL(clicked(bool)), this, SLOT(close()));
    connect(this, SIGNAL(picScrolChangeSignal()), this, SLOT(scolPicSlots()));
    connect(this, SIGNAL(positionChangeSignal(QPoint)), this, SLOT(showPositionSlots(QPoint)));
    connect(iconEditor, SIGNAL(mousePositionSignals(QPoint)), this,
            SLOT(showPositionSlots(QPoint)));
    connect(this, SIGNAL(pixChangeSignal(QSize)), this, SLOT(showPixSlots(QSize)));
    connect(charTextEdit, SIGNAL(textChanged()), this, SLOT(drawText()));

    retranslateTexts();
}

void BmpEditor::buildWidgets()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(5, 5, 5, 5);
    auto *panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    outer->addWidget(panel);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(3, 3, 3, 3);

    titleLabel = new QLabel(panel);
    QFont titleFont = titleLabel->font();
    titleFont.setPixelSize(12);
    titleFont.setWeight(75);
    titleLabel->setFont(titleFont);
    titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titleLabel->setMinimumWidth(100);
    titleLabel->setFixedHeight(20);
    column->addWidget(titleLabel);

    auto *fileRow = new QHBoxLayout;
    importButton = fixedButton(panel);
    exportButton = fixedButton(panel);
    defaultButton = fixedButton(panel);
    fileRow->addWidget(importButton);
    fileRow->addWidget(exportButton);
    fileRow->addWidget(defaultButton);
    fileRow->addStretch();
    column->addLayout(fileRow);

    auto *zoomRow = new QHBoxLayout;
    zoomCaption = valueLabel(panel, 70);
    QFont captionFont = zoomCaption->font();
    captionFont.setWeight(QFont::Normal);
    zoomCaption->setFont(captionFont);
    zoomSlider = new QSlider(Qt::Horizontal, panel);
    zoomSlider->setRange(minZoom, maxZoom);
    zoomSlider->setValue(minZoom);
    zoomSlider->setTickPosition(QSlider::TicksAbove);
    zoomSlider->setTickInterval(1);
    zoomSlider->setFixedSize(120, 20);
    zoomLabel = valueLabel(panel, 50);
    pixelLabel = valueLabel(panel, 80);
    positionLabel = valueLabel(panel, 80);
    zoomRow->addWidget(zoomCaption);
    zoomRow->addWidget(zoomSlider);
    zoomRow->addWidget(zoomLabel);
    zoomRow->addWidget(pixelLabel);
    zoomRow->addWidget(positionLabel);
    zoomRow->addStretch();
    column->addLayout(zoomRow);

    pictureArea = new QScrollArea(panel);
    pictureArea->setStyleSheet(QStringLiteral("background-color:lightGray;"));
    pictureArea->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    pictureArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    pictureArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    pictureArea->setWidgetResizable(true);
    auto *canvas = new QWidget;
    auto *canvasRows = new QVBoxLayout(canvas);
    auto *canvasRow = new QHBoxLayout;
    iconEditor = new IconEditor(canvas);
    iconEditor->setMinimumSize(20, 20);
    canvasRow->addStretch();
    canvasRow->addWidget(iconEditor);
    canvasRow->addStretch();
    canvasRows->addStretch();
    canvasRows->addLayout(canvasRow);
    canvasRows->addStretch();
    pictureArea->setWidget(canvas);
    column->addWidget(pictureArea, 1);

    charFrame = new QFrame(panel);
    charFrame->setMaximumHeight(150);
    auto *charGrid = new QGridLayout(charFrame);
    charModeCheckBox = new QCheckBox(charFrame);
    charModeCheckBox->setCheckable(true);
    charModeCheckBox->setChecked(false);
    charModeCheckBox->setFixedHeight(25);
    charModeCheckBox->setMinimumWidth(45);
    fontCaption = new QLabel(charFrame);
    fontComboBox = new QComboBox(charFrame);
    fontComboBox->setMinimumSize(50, 20);
    const QStringList families = QFontDatabase().families();
    fontComboBox->addItems(families);
    fontComboBox->setCurrentIndex(qMax(0, families.size() - 5));
    fontSizeCaption = new QLabel(charFrame);
    fontSizeSpinBox = new QDoubleSpinBox(charFrame);
    fontSizeSpinBox->setRange(8, 99);
    fontSizeSpinBox->setSingleStep(0.5);
    fontSizeSpinBox->setDecimals(1);
    fontSizeSpinBox->setValue(9.5);
    textCaption = new QLabel(charFrame);
    textCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    textCaption->setMinimumSize(44, 50);
    charTextEdit = new QTextEdit(charFrame);
    charTextEdit->setAcceptRichText(false);
    charTextEdit->setMinimumHeight(50);
    charGrid->addWidget(charModeCheckBox, 0, 0);
    charGrid->addWidget(fontCaption, 0, 1);
    charGrid->addWidget(fontComboBox, 0, 2);
    charGrid->addWidget(fontSizeCaption, 0, 3);
    charGrid->addWidget(fontSizeSpinBox, 0, 4);
    charGrid->setColumnStretch(5, 1);
    charGrid->addWidget(textCaption, 1, 0);
    charGrid->addWidget(charTextEdit, 1, 1, 1, 5);
    column->addWidget(charFrame);

    auto *endRow = new QHBoxLayout;
    confirmButton = fixedButton(panel);
    cancelButton = fixedButton(panel);
    endRow->addStretch();
    endRow->addWidget(confirmButton);
    endRow->addWidget(cancelButton);
    endRow->addStretch();
    column->addLayout(endRow);
}

QString BmpEditor::text(const char *t)
{
    return QCoreApplication::translate("editor", t);
}

void BmpEditor::retranslateTexts()
{
    titleLabel->setText(text("图片编辑"));
    importButton->setText(text("导入图片(&O)"));
    exportButton->setText(text("导出图片(&E)"));
    defaultButton->setText(text("默认值(&B)"));
    zoomCaption->setText(text(" 缩放比例"));
    charModeCheckBox->setText(text("打开字符模式"));
    fontCaption->setText(text("字体"));
    fontSizeCaption->setText(text("字宽"));
    textCaption->setText(text("文本"));
    confirmButton->setText(text(" 确认(&S) "));
    cancelButton->setText(text(" 取消(&Q) "));
    showScolValueSlots(shownZoom);
    showPixSlots(shownPixels);
    showPositionSlots(shownPosition);
}

void BmpEditor::setTitle(const QString &name)
{
    slotTitle = name;
    setWindowTitle(name);
}

void BmpEditor::showPositionSlots(QPoint p)
{
    shownPosition = p;
    positionLabel->setText(text(" 位置") + QStringLiteral(":(") + QString::number(p.x())
                           + QLatin1Char(',') + QString::number(p.y()) + QLatin1Char(')'));
}

void BmpEditor::showScolValueSlots(int val)
{
    shownZoom = val;
    zoomLabel->setText(text(" 缩放") + QStringLiteral(":x") + QString::number(val));
}

void BmpEditor::showPixSlots(QSize size)
{
    shownPixels = size;
    pixelLabel->setText(text(" 像素") + QLatin1Char(':') + QString::number(size.width())
                        + QLatin1Char('x') + QString::number(size.height()));
}

void BmpEditor::scolPicSlots()
{
    zoomSlider->setValue(zoomFactor);
    iconEditor->setZoomFactor(zoomFactor);
    const QSize grid(qMax(0, picWidth) * zoomFactor, qMax(0, picHeight) * zoomFactor);
    iconEditor->setMinimumSize(grid);
    iconEditor->setMaximumSize(grid);
}

void BmpEditor::zoomFactorChangeSlots(int n)
{
    if (n == zoomFactor)
        return;
    zoomFactor = n;
    scolPicSlots();
}

void BmpEditor::loadePicFile(QString file)
{
    if (file.isEmpty())
        return;
    filePath = file;
    editPicture = QBitmap::fromImage(QImage(file));
    picWidth = editPicture.width();
    picHeight = editPicture.height();
    loadedPicture = editPicture;

    zoomFactor = loadZoom;
    zoomSlider->setValue(loadZoom);
    iconEditor->setIconImage(file);

    emit picScrolChangeSignal();
    emit positionChangeSignal(QPoint(0, 0));
    emit pixChangeSignal(QSize(picWidth, picHeight));
}

void BmpEditor::openPicSlots()
{
    const QString file = QFileDialog::getOpenFileName(this, text("打开图片"), desktopFolder(),
                                                      QStringLiteral("File(*.bmp)"));
    if (!file.isEmpty())
        loadePicFile(file);
}

QImage BmpEditor::pictureToSave() const
{
    QImage picture = iconEditor->getIconImage().convertToFormat(QImage::Format_Mono);
    const QSize loaded(picWidth, picHeight);
    if (!picture.isNull() && picture.size() != loaded && !loaded.isEmpty()) {
        picture = picture.scaled(loaded, Qt::KeepAspectRatio, Qt::FastTransformation)
                          .convertToFormat(QImage::Format_Mono);
    }
    return picture;
}

bool BmpEditor::savePicture(const QString &path) const
{
    const QImage picture = pictureToSave();
    if (picture.isNull())
        return false;
    QByteArray type = QFileInfo(path).suffix().toLatin1().toLower();
    if (type.isEmpty())
        type = "bmp";
    // Written aside and renamed, so a failed save leaves the previous file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, type);
    if (!writer.write(picture)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void BmpEditor::exportPicSlots()
{
    const QString file = QFileDialog::getSaveFileName(
            this, text("保存图片"), desktopFolder() + QLatin1Char('/') + slotTitle,
            QStringLiteral("File(*.bmp)"));
    if (file.isEmpty())
        return;
    savePicture(file);
}

void BmpEditor::defaultPicSlots()
{
    editPicture = loadedPicture;
    iconEditor->setIconImage(editPicture.toImage());
    charModeCheckBox->setChecked(false);
}

void BmpEditor::setAsciEditMode()
{
    if (!charModeCheckBox->isChecked())
        return;
    editPicture.fill(Qt::color1); // a one-bit pixmap's colour 1 is black
    iconEditor->setIconImage(editPicture.toImage());
}

QStringList BmpEditor::splitTextLines(const QString &text)
{
    QStringList lines;
    QString rest = text;
    for (int round = 0; round < maxTextLines && !rest.isEmpty(); ++round) {
        const int feed = rest.indexOf(QLatin1Char('\n'));
        if (feed <= 0) {
            lines << rest;
            break;
        }
        lines << rest.left(feed);
        rest = rest.mid(feed + 1);
    }
    return lines;
}

void BmpEditor::drawText()
{
    QFont font(fontComboBox->currentText());
    font.setPointSize(int(fontSizeSpinBox->value()));
    const QRect rect(0, 0, picWidth * zoomFactor, picHeight * zoomFactor);
    iconEditor->textFont = font;
    iconEditor->drawText(rect, splitTextLines(charTextEdit->toPlainText()));
}

QString BmpEditor::confirmPath(int slot)
{
    return QDir::currentPath() + QLatin1Char('/') + deviceSession().deviceSerial()
           + QLatin1Char('/') + QString::number(slot + 1) + QStringLiteral(".bmp");
}

void BmpEditor::commitAndQuitSlots()
{
    DeviceSession &session = deviceSession();
    const QString serial = session.deviceSerial();
    QDir current = QDir::current();
    if (!serial.isEmpty() && !current.exists(serial))
        current.mkdir(serial);
    const int slot = session.editedPicture;
    const QString path = confirmPath(slot);
    savePicture(path);
    session.setPictureFile(slot, path);
    session.pictureWriteMask |= quint16(1u << slot);

    charTextEdit->clear();
    emit picEditFinishedSignal();
    close();
}

void BmpEditor::wheelEvent(QWheelEvent *event)
{
    event->accept();
    if (filePath.isEmpty())
        return;
    const int steps = event->angleDelta().y();
    if (steps > 0)
        zoomFactor = qMin(maxZoom, zoomFactor + 1);
    else if (steps < 0)
        zoomFactor = qMax(minZoom, zoomFactor - 1);
    if (zoomFactor != lastWheelZoom) {
        emit picScrolChangeSignal();
        lastWheelZoom = zoomFactor;
    }
}
