#include "pictures/widgets/bmpeditor.h"

#include "device/userfile.h"
#include "pictures/bmp.h"
#include "pictures/imageconvert.h"
#include "pictures/pictureset.h"
#include "pictures/widgets/iconeditor.h"
#include "widgets/msgbox.h"

#include <QBuffer>
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
#include <QImageReader>
#include <QImageWriter>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStandardPaths>
#include <QTextEdit>
#include <QUndoCommand>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr int minZoom = 1;
constexpr int maxZoom = 20;
constexpr int loadZoom = 8;
constexpr int maxTextLines = 22;
constexpr int undoSteps = 100;
constexpr int messageMs = 3000;

QPushButton *fixedButton(QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setFixedSize(120, 25);
    return button;
}

// A button of the editing row: as wide as its caption needs, and never taking the keyboard focus
// from the pixel grid, so that the arrow keys keep moving the picture after a click.
QPushButton *editButton(QWidget *parent, const char *name)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedHeight(25);
    button->setFocusPolicy(Qt::NoFocus);
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

// The open dialog's filter: every picture format this Qt reads, then BMP alone.
QString importFilter()
{
    QStringList patterns;
    for (const QByteArray &format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format).toLower();
    patterns.removeDuplicates();
    return BmpEditor::text("图片") + QStringLiteral(" (") + patterns.join(QLatin1Char(' '))
           + QStringLiteral(");;File(*.bmp)");
}

// A slot title as a file name: characters that no file system takes become '_'.
QString fileSafeName(const QString &title)
{
    QString name = title.trimmed();
    for (QChar &c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':')
            || c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('"')
            || c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('|')
            || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    return name.isEmpty() ? QStringLiteral("picture") : name;
}

bool isRedoKey(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    return (key->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier))
           || (key->key() == Qt::Key_Y && mods == Qt::ControlModifier);
}

bool isUndoKey(const QKeyEvent *key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    return key->key() == Qt::Key_Z && mods == Qt::ControlModifier;
}

QImage blackPicture(const QSize &size)
{
    if (size.isEmpty())
        return QImage();
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::black);
    return picture;
}

} // namespace

// One undo step of the editor: the whole state before and after the change. Steps are pushed
// once their change has been made, so the first redo (run by the push) has nothing to do.
class PictureChange : public QUndoCommand
{
public:
    PictureChange(BmpEditor *editor, const BmpEditor::State &before, const BmpEditor::State &after,
                  int mergeId, const QImage &importSource, bool freshImport)
        : editor(editor)
        , before(before)
        , after(after)
        , mergeId(mergeId)
        , importSource(importSource)
        , freshImport(freshImport)
    { }

    int id() const override { return mergeId; }

    void undo() override { editor->applyState(before); }

    void redo() override
    {
        if (pushed)
            editor->applyState(after);
        pushed = true;
    }

    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *change = static_cast<const PictureChange *>(other);
        if (change->freshImport)
            return false;
        after = change->after;
        return true;
    }

    // The picture an import step was converted from; null for other steps.
    const QImage &source() const { return importSource; }

private:
    BmpEditor *editor;
    BmpEditor::State before;
    BmpEditor::State after;
    int mergeId;
    QImage importSource;
    bool freshImport;
    bool pushed = false;
};

BmpEditor::BmpEditor(QWidget *parent)
    : QWidget(parent)
{
    QSize initial(800, 600);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        initial = QSize(available.width() * 2 / 3, available.height() * 2 / 3);
    }
    resize(initial);
    undoStack = new QUndoStack(this);
    undoStack->setUndoLimit(undoSteps);
    buildWidgets();
    pictureArea->setMinimumSize(initial / 2);

    setAttribute(Qt::WA_ShowModal);
    setWindowFlags(windowFlags() & ~Qt::WindowMinimizeButtonHint);

    connectWidgets();
    retranslateTexts();
    updateImportControls();
}

BmpEditor::~BmpEditor()
{
    // The steps call back into the editor; they go before its widgets do.
    delete undoStack;
    undoStack = nullptr;
}

void BmpEditor::connectWidgets()
{
    connect(importButton, &QPushButton::clicked, this, &BmpEditor::openPicSlots);
    connect(exportButton, &QPushButton::clicked, this, &BmpEditor::exportPicSlots);
    connect(defaultButton, &QPushButton::clicked, this, &BmpEditor::defaultPicSlots);
    connect(zoomSlider, &QSlider::sliderMoved, this, &BmpEditor::zoomFactorChangeSlots);
    connect(zoomSlider, &QSlider::valueChanged, this, &BmpEditor::showZoomValueSlots);
    connect(charModeCheckBox, &QCheckBox::clicked, this, &BmpEditor::setAsciEditMode);
    connect(confirmButton, &QPushButton::clicked, this, &BmpEditor::commitAndQuitSlots);
    connect(cancelButton, &QPushButton::clicked, this, &BmpEditor::close);
    connect(this, &BmpEditor::zoomChangeSignal, this, &BmpEditor::applyZoomSlots);
    connect(this, &BmpEditor::positionChangeSignal, this, &BmpEditor::showPositionSlots);
    connect(iconEditor, &IconEditor::mousePositionSignals, this, &BmpEditor::showPositionSlots);
    connect(this, &BmpEditor::pixChangeSignal, this, &BmpEditor::showPixSlots);
    connect(charTextEdit, &QTextEdit::textChanged, this, &BmpEditor::drawText);

    connect(undoButton, &QPushButton::clicked, this, &BmpEditor::undoSlots);
    connect(redoButton, &QPushButton::clicked, this, &BmpEditor::redoSlots);
    connect(undoStack, &QUndoStack::canUndoChanged, undoButton, &QPushButton::setEnabled);
    connect(undoStack, &QUndoStack::canRedoChanged, redoButton, &QPushButton::setEnabled);
    undoButton->setEnabled(false);
    redoButton->setEnabled(false);
    connect(invertButton, &QPushButton::clicked, this, &BmpEditor::invertSlots);
    connect(flipHorizontalButton, &QPushButton::clicked, this, &BmpEditor::flipHorizontalSlots);
    connect(flipVerticalButton, &QPushButton::clicked, this, &BmpEditor::flipVerticalSlots);
    connect(clearButton, &QPushButton::clicked, this, &BmpEditor::clearSlots);
    connect(iconEditor, &IconEditor::shiftRequested, this, &BmpEditor::shiftSlots);
    connect(iconEditor, &IconEditor::strokeFinished, this, &BmpEditor::strokeFinishedSlots);
    connect(thresholdSlider, &QSlider::valueChanged, this, &BmpEditor::importSettingsChangedSlots);
    connect(ditherCheckBox, &QCheckBox::toggled, this, &BmpEditor::importSettingsChangedSlots);
    // The text is drawn again in the new font, size or alignment.
    connect(fontComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &BmpEditor::drawText);
    connect(fontSizeSpinBox, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &BmpEditor::drawText);
    connect(centreTextCheckBox, &QCheckBox::toggled, this, &BmpEditor::drawText);

    // Ctrl+Z undoes, Ctrl+Shift+Z (and Ctrl+Y) redoes anywhere in the editor; the text field
    // hands these keys over as well (its own undo is off), see eventFilter.
    auto *undoKey = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_Z), this);
    connect(undoKey, &QShortcut::activated, this, &BmpEditor::undoSlots);
    for (const QKeySequence &keys :
         {QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_Z), QKeySequence(Qt::CTRL + Qt::Key_Y)}) {
        auto *redoKey = new QShortcut(keys, this);
        connect(redoKey, &QShortcut::activated, this, &BmpEditor::redoSlots);
    }
    charTextEdit->setUndoRedoEnabled(false);
    charTextEdit->installEventFilter(this);
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
    importButton->setObjectName(QStringLiteral("importButton"));
    exportButton = fixedButton(panel);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    defaultButton = fixedButton(panel);
    defaultButton->setObjectName(QStringLiteral("defaultButton"));
    fileRow->addWidget(importButton);
    fileRow->addWidget(exportButton);
    fileRow->addWidget(defaultButton);
    fileRow->addSpacing(12);
    thresholdCaption = new QLabel(panel);
    thresholdSlider = new QSlider(Qt::Horizontal, panel);
    thresholdSlider->setObjectName(QStringLiteral("thresholdSlider"));
    thresholdSlider->setRange(0, 255);
    thresholdSlider->setValue(ImageConvert::DefaultThreshold);
    thresholdSlider->setPageStep(16);
    thresholdSlider->setFixedSize(160, 20);
    thresholdValueLabel = new QLabel(panel);
    thresholdValueLabel->setMinimumWidth(28);
    ditherCheckBox = new QCheckBox(panel);
    ditherCheckBox->setObjectName(QStringLiteral("ditherCheckBox"));
    colourNoteLabel = new QLabel(panel);
    fileRow->addWidget(thresholdCaption);
    fileRow->addWidget(thresholdSlider);
    fileRow->addWidget(thresholdValueLabel);
    fileRow->addWidget(ditherCheckBox);
    fileRow->addWidget(colourNoteLabel);
    fileRow->addStretch();
    column->addLayout(fileRow);

    auto *editRow = new QHBoxLayout;
    undoButton = editButton(panel, "undoButton");
    redoButton = editButton(panel, "redoButton");
    invertButton = editButton(panel, "invertButton");
    flipHorizontalButton = editButton(panel, "flipHorizontalButton");
    flipVerticalButton = editButton(panel, "flipVerticalButton");
    clearButton = editButton(panel, "clearButton");
    shiftHintLabel = new QLabel(panel);
    editRow->addWidget(undoButton);
    editRow->addWidget(redoButton);
    editRow->addSpacing(12);
    for (QPushButton *button :
         {invertButton, flipHorizontalButton, flipVerticalButton, clearButton})
        editRow->addWidget(button);
    editRow->addSpacing(12);
    editRow->addWidget(shiftHintLabel);
    editRow->addStretch();
    column->addLayout(editRow);

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
    centreTextCheckBox = new QCheckBox(charFrame);
    centreTextCheckBox->setObjectName(QStringLiteral("centreTextCheckBox"));
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
    charGrid->addWidget(centreTextCheckBox, 0, 5);
    charGrid->setColumnStretch(6, 1);
    charGrid->addWidget(textCaption, 1, 0);
    charGrid->addWidget(charTextEdit, 1, 1, 1, 6);
    column->addWidget(charFrame);

    auto *endRow = new QHBoxLayout;
    confirmButton = fixedButton(panel);
    confirmButton->setObjectName(QStringLiteral("confirmButton"));
    cancelButton = fixedButton(panel);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
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
    thresholdCaption->setText(text("阈值"));
    thresholdSlider->setToolTip(text("亮度不低于阈值的像素点亮"));
    ditherCheckBox->setText(text("抖动(&D)"));
    ditherCheckBox->setToolTip(text("用点的疏密表现灰度 (Floyd-Steinberg)"));
    colourNoteLabel->setText(text("按设备显示的颜色 (RGB565)"));
    undoButton->setText(text("撤销(&U)"));
    undoButton->setToolTip(QKeySequence(Qt::CTRL + Qt::Key_Z).toString(QKeySequence::NativeText));
    redoButton->setText(text("重做(&R)"));
    redoButton->setToolTip(
            QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_Z).toString(QKeySequence::NativeText));
    invertButton->setText(text("反色(&I)"));
    flipHorizontalButton->setText(text("水平翻转(&H)"));
    flipVerticalButton->setText(text("垂直翻转(&V)"));
    clearButton->setText(text("清除(&C)"));
    shiftHintLabel->setText(text("方向键: 平移一个像素"));
    zoomCaption->setText(text(" 缩放比例"));
    charModeCheckBox->setText(text("打开字符模式"));
    fontCaption->setText(text("字体"));
    fontSizeCaption->setText(text("字宽"));
    centreTextCheckBox->setText(text("居中(&T)"));
    textCaption->setText(text("文本"));
    confirmButton->setText(text(" 确认(&S) "));
    cancelButton->setText(text(" 取消(&Q) "));
    // The buttons keep their width of 120 unless a caption needs more in this language or font.
    for (QPushButton *button :
         {importButton, exportButton, defaultButton, confirmButton, cancelButton}) {
        button->setMinimumWidth(0);
        button->setMaximumWidth(QWIDGETSIZE_MAX);
        button->setFixedWidth(qMax(120, button->sizeHint().width()));
    }
    for (QPushButton *button : {undoButton, redoButton, invertButton, flipHorizontalButton,
                                flipVerticalButton, clearButton})
        button->setMinimumWidth(qMax(80, button->sizeHint().width()));
    showZoomValueSlots(shownZoom);
    showPixSlots(shownPixels);
    showPositionSlots(shownPosition);
    thresholdValueLabel->setText(QString::number(thresholdSlider->value()));
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

void BmpEditor::showZoomValueSlots(int val)
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

void BmpEditor::applyZoomSlots()
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
    applyZoomSlots();
}

void BmpEditor::loadPictureFile(QString file)
{
    if (file.isEmpty())
        return;
    filePath = file;
    // Colour pictures keep their colours: the editor shows and saves what the slot holds. The
    // checked reader opens regular files only (a named pipe in the picture folder would block
    // for ever) and gives the same pixels on every read.
    const QImage picture = BMP::readPicture(file);
    editPicture = picture.convertToFormat(QImage::Format_RGB32);
    picWidth = editPicture.width();
    picHeight = editPicture.height();
    loadedPicture = editPicture;

    zoomFactor = loadZoom;
    zoomSlider->setValue(loadZoom);
    iconEditor->setIconImage(picture);

    // A new picture starts a new history.
    undoStack->clear();
    shownText = charTextEdit->toPlainText();
    updateImportControls();

    emit zoomChangeSignal();
    emit positionChangeSignal(QPoint(0, 0));
    emit pixChangeSignal(QSize(picWidth, picHeight));
}

void BmpEditor::openPicSlots()
{
    const QString file
            = QFileDialog::getOpenFileName(this, text("打开图片"), desktopFolder(), importFilter());
    if (!file.isEmpty())
        importPicture(file);
}

QSize BmpEditor::slotSize() const
{
    const QSize size = PictureSet::pictureSize(screenFormat);
    return size.isValid() ? size : QSize(picWidth, picHeight);
}

bool BmpEditor::isColourSlot() const
{
    return screenFormat == 2;
}

void BmpEditor::setSlot(int slot, int format, const QString &folder)
{
    editedSlot = slot;
    screenFormat = format;
    pictureFolder = folder;
    updateImportControls();
}

QImage BmpEditor::convertImport(const QImage &source) const
{
    const QImage fitted = ImageConvert::fitToSlot(source, slotSize());
    if (isColourSlot())
        return ImageConvert::toRgb565(fitted);
    return ImageConvert::toMonochrome(fitted, thresholdSlider->value(), ditherCheckBox->isChecked())
            .convertToFormat(QImage::Format_RGB32);
}

bool BmpEditor::importPicture(const QString &file)
{
    // The checked reader of every picture: regular files only, within the size budgets, photos
    // upright, drawings drawn straight at the slot's size.
    const QSize slot = slotSize();
    const QImage source = slot.isEmpty() ? QImage() : BMP::readImportPicture(file, slot);
    if (source.isNull()) {
        delete new MsgBox(QCoreApplication::translate("main", " 提示 "),
                          text("无法读取图片:") + QLatin1Char('\n')
                                  + QDir::toNativeSeparators(file),
                          messageMs);
        return false;
    }
    Replacement how;
    how.mergeId = ImportStep;
    how.importSource = source;
    how.freshImport = true;
    how.asLoaded = true;
    replacePicture(convertImport(source), how);
    iconEditor->setFocus();
    return true;
}

void BmpEditor::importSettingsChangedSlots()
{
    thresholdValueLabel->setText(QString::number(thresholdSlider->value()));
    // Live only while the import is the latest change: later edits are never thrown away.
    const int top = undoStack->index() - 1;
    if (top < 0 || isColourSlot())
        return;
    const auto *latest = static_cast<const PictureChange *>(undoStack->command(top));
    if (!latest || latest->id() != ImportStep || latest->source().isNull())
        return;
    Replacement how;
    how.mergeId = ImportStep;
    how.importSource = latest->source();
    how.asLoaded = true;
    replacePicture(convertImport(latest->source()), how);
}

void BmpEditor::updateImportControls()
{
    const bool colour = isColourSlot();
    for (QWidget *widget : std::initializer_list<QWidget *>{thresholdCaption, thresholdSlider,
                                                            thresholdValueLabel, ditherCheckBox})
        widget->setVisible(!colour);
    colourNoteLabel->setVisible(colour);
    iconEditor->textAntialiasing = colour;
}

QImage BmpEditor::pictureToSave() const
{
    QImage picture = iconEditor->getIconImage();
    const QSize loaded(picWidth, picHeight);
    if (!picture.isNull() && picture.size() != loaded && !loaded.isEmpty())
        picture = picture.scaled(loaded, Qt::KeepAspectRatio, Qt::FastTransformation);
    if (picture.isNull())
        return picture;
    if (isColourSlot())
        return picture.convertToFormat(QImage::Format_RGB888);
    // Lit where the LCD conversion counts a pixel as lit, so the file shows what the device will.
    return ImageConvert::toMonochrome(picture, ImageConvert::DefaultThreshold, false);
}

bool BmpEditor::savePicture(const QString &path, const QByteArray &type, QString *error) const
{
    const QImage picture = pictureToSave();
    if (picture.isNull()) {
        *error = text("没有图片");
        return false;
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, type);
    if (!writer.write(picture)) {
        *error = writer.errorString();
        return false;
    }
    buffer.close();
    return writeUserFile(path, data, error);
}

void BmpEditor::showSaveFailure(const QString &path, const QString &error)
{
    QString message = text("无法保存图片:") + QLatin1Char('\n') + QDir::toNativeSeparators(path);
    if (!error.isEmpty())
        message += QLatin1Char('\n') + error;
    delete new MsgBox(QCoreApplication::translate("main", " 提示 "), message, messageMs);
}

QString BmpEditor::proposedExportName() const
{
    return desktopFolder() + QLatin1Char('/') + fileSafeName(slotTitle) + QStringLiteral(".bmp");
}

bool BmpEditor::exportPicture(const QString &path, const QString &defaultType)
{
    QString target = path;
    QString type = QFileInfo(path).suffix().toLower();
    if (type != QLatin1String("bmp") && type != QLatin1String("png")) {
        // A name such as "03.Coil high" has a dot but no picture ending.
        type = defaultType == QLatin1String("png") ? QStringLiteral("png") : QStringLiteral("bmp");
        target += QLatin1Char('.') + type;
    }
    QString error;
    if (!savePicture(target, type.toLatin1(), &error)) {
        showSaveFailure(target, error);
        return false;
    }
    return true;
}

void BmpEditor::exportPicSlots()
{
    const QString bmpFilter = QStringLiteral("File(*.bmp)");
    const QString pngFilter = QStringLiteral("PNG(*.png)");
    QString chosenFilter = bmpFilter;
    const QString file = QFileDialog::getSaveFileName(this, text("保存图片"), proposedExportName(),
                                                      bmpFilter + QStringLiteral(";;") + pngFilter,
                                                      &chosenFilter);
    if (file.isEmpty())
        return;
    exportPicture(file, chosenFilter == pngFilter ? QStringLiteral("png") : QStringLiteral("bmp"));
}

BmpEditor::State BmpEditor::currentState() const
{
    return State{iconEditor->drawingLayer(), iconEditor->getIconImage(),
                 charTextEdit->toPlainText(), loadedPicture};
}

void BmpEditor::applyState(const State &state)
{
    restoring = true;
    iconEditor->setLayers(state.drawing, state.image);
    loadedPicture = state.loaded;
    if (charTextEdit->toPlainText() != state.text) {
        const QSignalBlocker blocker(charTextEdit);
        charTextEdit->setPlainText(state.text);
        charTextEdit->moveCursor(QTextCursor::End);
    }
    shownText = state.text;
    followPictureSize();
    restoring = false;
}

void BmpEditor::recordChange(const State &before, const Replacement &how)
{
    if (restoring)
        return;
    const State after = currentState();
    if (after.drawing == before.drawing && after.image == before.image && after.text == before.text
        && after.loaded == before.loaded)
        return;
    undoStack->push(
            new PictureChange(this, before, after, how.mergeId, how.importSource, how.freshImport));
}

void BmpEditor::replacePicture(const QImage &picture, const Replacement &how)
{
    const State before = currentState();
    if (how.asLoaded) {
        editPicture = picture;
        loadedPicture = picture;
    }
    iconEditor->setIconImage(picture);
    followPictureSize();
    if (how.keepText) {
        drawTextOnGrid();
    } else if (!charTextEdit->toPlainText().isEmpty()) {
        const QSignalBlocker blocker(charTextEdit);
        charTextEdit->clear();
    }
    shownText = charTextEdit->toPlainText();
    recordChange(before, how);
}

void BmpEditor::replacePicture(const QImage &picture)
{
    replacePicture(picture, Replacement());
}

void BmpEditor::followPictureSize()
{
    const QSize size = iconEditor->getIconImage().size();
    if (size == QSize(picWidth, picHeight))
        return;
    picWidth = size.width();
    picHeight = size.height();
    emit zoomChangeSignal();
    emit pixChangeSignal(size);
}

void BmpEditor::defaultPicSlots()
{
    editPicture = loadedPicture;
    replacePicture(loadedPicture);
    charModeCheckBox->setChecked(false);
}

void BmpEditor::setAsciEditMode()
{
    if (!charModeCheckBox->isChecked())
        return;
    editPicture = blackPicture(iconEditor->getIconImage().size());
    Replacement how;
    how.keepText = true;
    replacePicture(editPicture, how);
}

void BmpEditor::invertSlots()
{
    QImage picture = iconEditor->getIconImage();
    picture.invertPixels();
    replacePicture(picture);
}

void BmpEditor::flipHorizontalSlots()
{
    replacePicture(iconEditor->getIconImage().mirrored(true, false));
}

void BmpEditor::flipVerticalSlots()
{
    replacePicture(iconEditor->getIconImage().mirrored(false, true));
}

void BmpEditor::clearSlots()
{
    replacePicture(blackPicture(iconEditor->getIconImage().size()));
}

void BmpEditor::shiftSlots(QPoint step)
{
    const QImage picture = iconEditor->getIconImage();
    if (picture.isNull())
        return;
    // The picture moves round: what leaves one edge comes back at the other, nothing is lost.
    const int w = picture.width();
    const int h = picture.height();
    QImage moved(picture.size(), picture.format());
    for (int y = 0; y < h; ++y) {
        const int fromY = ((y - step.y()) % h + h) % h;
        for (int x = 0; x < w; ++x)
            moved.setPixel(x, y, picture.pixel(((x - step.x()) % w + w) % w, fromY));
    }
    replacePicture(moved);
}

void BmpEditor::strokeFinishedSlots(const QImage &drawingBefore, const QImage &imageBefore)
{
    State before = currentState();
    before.drawing = drawingBefore;
    before.image = imageBefore;
    recordChange(before, Replacement());
}

void BmpEditor::undoSlots()
{
    undoStack->undo();
}

void BmpEditor::redoSlots()
{
    undoStack->redo();
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

void BmpEditor::drawTextOnGrid()
{
    QFont font(fontComboBox->currentText());
    font.setPointSize(int(fontSizeSpinBox->value()));
    const QRect rect(0, 0, picWidth * zoomFactor, picHeight * zoomFactor);
    iconEditor->textFont = font;
    iconEditor->textAlignment = centreTextCheckBox->isChecked() ? Qt::AlignCenter : Qt::AlignLeft;
    iconEditor->drawText(rect, splitTextLines(charTextEdit->toPlainText()));
}

void BmpEditor::drawText()
{
    if (restoring)
        return;
    // A new font, size or alignment redraws the text there is; with none there is nothing to do.
    if (sender() != charTextEdit && charTextEdit->toPlainText().isEmpty())
        return;
    State before = currentState();
    before.text = shownText;
    drawTextOnGrid();
    shownText = charTextEdit->toPlainText();
    Replacement how;
    how.mergeId = TypingStep;
    recordChange(before, how);
}

QString BmpEditor::confirmPath() const
{
    const QString folder = pictureFolder.isEmpty() ? QDir::currentPath() : pictureFolder;
    return QDir(folder).filePath(QString::number(editedSlot + 1) + QStringLiteral(".bmp"));
}

void BmpEditor::commitAndQuitSlots()
{
    if (!pictureFolder.isEmpty())
        QDir().mkpath(pictureFolder);
    const QString path = confirmPath();
    QString error;
    if (!savePicture(path, "bmp", &error)) {
        // The folder file, the slot and its mark stay as they were, and so does the edit: the
        // editor stays open for another try or an export.
        showSaveFailure(path, error);
        return;
    }
    charTextEdit->clear();
    emit pictureConfirmed(editedSlot, path);
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
        emit zoomChangeSignal();
        lastWheelZoom = zoomFactor;
    }
}

void BmpEditor::keyPressEvent(QKeyEvent *event)
{
    // Arrow keys that no focused control used move the picture.
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier) {
        switch (event->key()) {
        case Qt::Key_Left:
            shiftSlots(QPoint(-1, 0));
            return;
        case Qt::Key_Right:
            shiftSlots(QPoint(1, 0));
            return;
        case Qt::Key_Up:
            shiftSlots(QPoint(0, -1));
            return;
        case Qt::Key_Down:
            shiftSlots(QPoint(0, 1));
            return;
        default:
            break;
        }
    }
    QWidget::keyPressEvent(event);
}

void BmpEditor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    iconEditor->setFocus();
}

bool BmpEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == charTextEdit
        && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool undo = isUndoKey(key);
        const bool redo = isRedoKey(key);
        if (undo || redo) {
            // Claimed as the text field's key, then taken here: the editor's history is the
            // one that counts, also while typing.
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept();
                return true;
            }
            if (undo)
                undoSlots();
            else
                redoSlots();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
