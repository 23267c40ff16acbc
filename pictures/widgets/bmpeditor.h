#ifndef PICTURES_WIDGETS_BMPEDITOR_H
#define PICTURES_WIDGETS_BMPEDITOR_H

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

class IconEditor;
class PictureChange;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;
class QSlider;
class QTextEdit;
class QUndoStack;
class QWheelEvent;

// The picture editor of one LCD picture slot: a pixel grid with zoom, import of any picture Qt
// reads (scaled to fit the slot and centred; for the one-bit screens turned into lit and dark
// pixels by a threshold or by dithering, shown live while the import is the latest change; for
// the colour screen shown in the screen's 16-bit colours), export as BMP or PNG, a return to the
// picture as loaded, invert, flip, shift by one pixel (arrow keys), clear, undo and redo of every
// change, and a character mode that draws typed text on a black picture. Confirming saves the
// picture into the picture folder it was given and reports the file (the picture page makes it
// the slot's picture and marks the slot for the next write); a save that fails is reported and
// changes nothing.
class BmpEditor : public QWidget
{
    Q_OBJECT

public:
    explicit BmpEditor(QWidget *parent = nullptr);
    ~BmpEditor() override;

    // The slot (0-based) to edit, the screen format it is for (see PictureSet) and the picture
    // folder a confirmed picture is saved in (empty: the current directory).
    void setSlot(int slot, int format, const QString &folder);
    // Loads a picture file for editing (an empty name does nothing). Starts a new undo history.
    void loadPictureFile(QString file);
    // Name of the slot being edited: the window title and the proposed export name.
    void setTitle(const QString &name);
    // Sets every text again after a language switch.
    void retranslateTexts();

    // The lines that drawText hands to the pixel grid: split at line feeds, at most 22 entries;
    // a rest that starts with a line feed stays one entry, line feed included.
    static QStringList splitTextLines(const QString &text);

    // The folder file a confirm writes: <folder>/<slot + 1>.bmp.
    QString confirmPath() const;

    // Translation in the context "editor".
    static QString text(const char *t);

    // The name the export dialog proposes: the slot title, made safe as a file name, with
    // ".bmp", in the desktop folder.
    QString proposedExportName() const;

    // Reads a picture file and brings it into the slot as the latest change (see the class
    // comment). A file that cannot be read is reported in a message box naming it; false then.
    bool importPicture(const QString &file);
    // Saves the edited picture under path: PNG for a ".png" name, BMP for ".bmp"; any other name
    // gets the ending of defaultType ("bmp" or "png") added. A failure is reported in a message
    // box naming the file; false then.
    bool exportPicture(const QString &path, const QString &defaultType = QStringLiteral("bmp"));

signals:
    // A confirmed picture has been saved as path, the picture of slot (0-based).
    void pictureConfirmed(int slot, const QString &path);
    void zoomChangeSignal();
    void positionChangeSignal(QPoint p);
    void pixChangeSignal(QSize s);

private slots:
    void showPositionSlots(QPoint p);
    void showZoomValueSlots(int val);
    void showPixSlots(QSize size);
    void applyZoomSlots();
    void zoomFactorChangeSlots(int n);
    void openPicSlots();
    void exportPicSlots();
    void defaultPicSlots();
    void setAsciEditMode();
    void drawText();
    void commitAndQuitSlots();

    void undoSlots();
    void redoSlots();
    void invertSlots();
    void flipHorizontalSlots();
    void flipVerticalSlots();
    void clearSlots();
    void shiftSlots(QPoint step);
    void importSettingsChangedSlots();
    void strokeFinishedSlots(const QImage &drawingBefore, const QImage &imageBefore);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TestPictureEditor;
    friend class PictureChange;

    // Everything an undo step puts back: both layers of the grid, the typed text and the picture
    // that "默认值(&B)" returns to.
    struct State
    {
        QImage drawing;
        QImage image;
        QString text;
        QImage loaded;
    };
    // Merge ids of the undo steps: typing merges into one step, and so do the changes of the
    // import settings into the import they refine.
    enum : int { TypingStep = 1, ImportStep = 2 };

    void buildWidgets();
    void connectWidgets();
    // The edited picture as it is saved: at the size of the loaded picture, one bit for the
    // monochrome screens, 24-bit colour for the colour screen.
    QImage pictureToSave() const;
    // Encodes the picture as type ("bmp" or "png") and writes it through writeUserFile.
    bool savePicture(const QString &path, const QByteArray &type, QString *error) const;
    void showSaveFailure(const QString &path, const QString &error);

    // The slot's size and kind, from its screen format.
    QSize slotSize() const;
    bool isColourSlot() const;
    // The picture an import gives with the current settings.
    QImage convertImport(const QImage &source) const;

    // How replacePicture records its step.
    struct Replacement
    {
        int mergeId = -1;
        QImage importSource; // the picture an import step was converted from
        bool freshImport = false; // a new import never merges into the one before
        bool asLoaded = false; // the picture also becomes the one "默认值(&B)" returns to
        bool keepText = false; // the typed text is drawn again on the new picture
    };

    State currentState() const;
    void applyState(const State &state);
    // Records the change from before to the current state as one undo step (nothing when the
    // state did not change).
    void recordChange(const State &before, const Replacement &how);
    // Replaces the whole picture as one undo step. The typed text becomes part of the picture
    // and the text field is emptied, unless how.keepText asks to draw it again on top.
    void replacePicture(const QImage &picture, const Replacement &how);
    void replacePicture(const QImage &picture);
    // Keeps picWidth and picHeight, the grid size and the pixel label on the picture's size.
    void followPictureSize();
    void updateImportControls();
    // Draws the typed text on the grid in the chosen font, size and alignment.
    void drawTextOnGrid();

    QString slotTitle;
    int editedSlot = 0;
    int screenFormat = 3;
    QString pictureFolder;
    QString filePath;
    QImage editPicture;
    QImage loadedPicture;
    int picWidth = -1;
    int picHeight = -1;
    int zoomFactor = 1;
    int lastWheelZoom = 20; // the zoom the wheel last reported
    IconEditor *iconEditor = nullptr;

    QLabel *titleLabel = nullptr;
    QPushButton *importButton = nullptr;
    QPushButton *exportButton = nullptr;
    QPushButton *defaultButton = nullptr;
    QPushButton *undoButton = nullptr;
    QPushButton *redoButton = nullptr;
    QLabel *thresholdCaption = nullptr;
    QSlider *thresholdSlider = nullptr;
    QLabel *thresholdValueLabel = nullptr;
    QCheckBox *ditherCheckBox = nullptr;
    QLabel *colourNoteLabel = nullptr;
    QPushButton *invertButton = nullptr;
    QPushButton *flipHorizontalButton = nullptr;
    QPushButton *flipVerticalButton = nullptr;
    QPushButton *clearButton = nullptr;
    QLabel *shiftHintLabel = nullptr;
    QLabel *zoomCaption = nullptr;
    QSlider *zoomSlider = nullptr;
    QLabel *zoomLabel = nullptr;
    QLabel *pixelLabel = nullptr;
    QLabel *positionLabel = nullptr;
    QScrollArea *pictureArea = nullptr;
    QFrame *charFrame = nullptr;
    QCheckBox *charModeCheckBox = nullptr;
    QLabel *fontCaption = nullptr;
    QComboBox *fontComboBox = nullptr;
    QLabel *fontSizeCaption = nullptr;
    QDoubleSpinBox *fontSizeSpinBox = nullptr;
    QCheckBox *centreTextCheckBox = nullptr;
    QLabel *textCaption = nullptr;
    QTextEdit *charTextEdit = nullptr;
    QPushButton *confirmButton = nullptr;
    QPushButton *cancelButton = nullptr;

    QUndoStack *undoStack = nullptr;
    // True while an undo step is being put back: the changes it makes are not steps of their own.
    bool restoring = false;
    // The text the grid shows, the state before the next typing step.
    QString shownText;

    // The last texts shown in the three value labels, kept for a language switch.
    int shownZoom = 1;
    QSize shownPixels;
    QPoint shownPosition;
};

#endif // PICTURES_WIDGETS_BMPEDITOR_H
