#ifndef PICTURES_BMPEDITOR_H
#define PICTURES_BMPEDITOR_H

#include <QBitmap>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

class IconEditor;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;
class QSlider;
class QTextEdit;
class QWheelEvent;

// The picture editor of one LCD picture slot: a pixel grid with zoom, import and export of
// single BMP files, a return to the picture as loaded, and a character mode that draws typed
// text on a black picture. Confirming saves the picture into the device's picture folder, makes
// it the slot's picture and marks the slot for the next picture write.
class BmpEditor : public QWidget
{
    Q_OBJECT

public:
    explicit BmpEditor(QWidget *parent = nullptr);

    // Loads a picture file for editing (an empty name does nothing).
    void loadePicFile(QString file);
    // Name of the slot being edited: the window title and the proposed export name.
    void setTitle(const QString &name);
    // Sets every text again after a language switch.
    void retranslateTexts();

    // The lines that drawText hands to the pixel grid: split at line feeds, at most 22 entries;
    // a rest that starts with a line feed stays one entry, line feed included.
    static QStringList splitTextLines(const QString &text);

    // The folder file a confirm writes for the 0-based slot.
    static QString confirmPath(int slot);

    // Translation in the context "editor".
    static QString text(const char *t);

signals:
    void updatePositionInfo();
    void picEditFinishedSignal();
    void picScrolChangeSignal();
    void positionChangeSignal(QPoint p);
    void pixChangeSignal(QSize s);

private slots:
    void showPositionSlots(QPoint p);
    void showScolValueSlots(int val);
    void showPixSlots(QSize size);
    void scolPicSlots();
    void zoomFactorChangeSlots(int n);
    void openPicSlots();
    void exportPicSlots();
    void defaultPicSlots();
    void setAsciEditMode();
    void drawText();
    void commitAndQuitSlots();

protected:
    void wheelEvent(QWheelEvent *event) override;

private:
    friend class TestPictureEditor;

    void buildWidgets();
    // The edited picture in one bit, at the size of the loaded picture.
    QImage pictureToSave() const;
    bool savePicture(const QString &path) const;

    QString slotTitle;
    QString filePath;
    QBitmap editPicture;
    QBitmap loadedPicture;
    int picWidth = -1;
    int picHeight = -1;
    int zoomFactor = 1;
    int lastWheelZoom = 20; // the zoom the wheel last reported
    IconEditor *iconEditor = nullptr;

    QLabel *titleLabel = nullptr;
    QPushButton *importButton = nullptr;
    QPushButton *exportButton = nullptr;
    QPushButton *defaultButton = nullptr;
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
    QLabel *textCaption = nullptr;
    QTextEdit *charTextEdit = nullptr;
    QPushButton *confirmButton = nullptr;
    QPushButton *cancelButton = nullptr;

    // The last texts shown in the three value labels, kept for a language switch.
    int shownZoom = 1;
    QSize shownPixels;
    QPoint shownPosition;
};

#endif // PICTURES_BMPEDITOR_H
