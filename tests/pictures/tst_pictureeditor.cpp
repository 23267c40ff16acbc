// The picture editor and its pixel grid: loading and zoom, the value labels, the wheel, import of
// any picture (scaled, centred, threshold, dithering, colour), undo and redo, invert and flip,
// the return to the loaded picture, character mode, export and the confirm into the picture
// folder, also when the file cannot be written.

#include "pictures/bmp.h"
#include "pictures/imageconvert.h"
#include "pictures/widgets/bmpeditor.h"
#include "pictures/widgets/iconeditor.h"
#include "support/msgboxes.h"
#include "widgets/msgbox.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// A light-on-dark test picture: a white frame and a white dot at (5, 3).
QImage framedPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int x = 0; x < width; ++x) {
        image.setPixel(x, 0, qRgb(255, 255, 255));
        image.setPixel(x, height - 1, qRgb(255, 255, 255));
    }
    for (int y = 0; y < height; ++y) {
        image.setPixel(0, y, qRgb(255, 255, 255));
        image.setPixel(width - 1, y, qRgb(255, 255, 255));
    }
    image.setPixel(5, 3, qRgb(255, 255, 255));
    return image;
}

QString saveMono(const QImage &image, const QString &path)
{
    return image.convertToFormat(QImage::Format_Mono).save(path, "BMP") ? path : QString();
}

// Pixels as 0 (dark) or 1 (light), for comparing pictures whatever their format.
QVector<int> lightMap(const QImage &image)
{
    QVector<int> map;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            map << (qGray(image.pixel(x, y)) >= 128 ? 1 : 0);
    }
    return map;
}

int lightCount(const QImage &image, int firstRow = 0, int lastRow = -1)
{
    if (lastRow < 0)
        lastRow = image.height() - 1;
    int count = 0;
    for (int y = firstRow; y <= lastRow; ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qGray(image.pixel(x, y)) >= 128 ? 1 : 0;
    }
    return count;
}

// 256 x 256 in blocks of 8 x 8 pixels: grey 200 where (block column + block row) % 3 is 0, grey
// 90 elsewhere.
QImage blockPicture()
{
    QImage image(256, 256, QImage::Format_RGB32);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const int grey = (x / 8 + y / 8) % 3 == 0 ? 200 : 90;
            image.setPixel(x, y, qRgb(grey, grey, grey));
        }
    }
    return image;
}

// LCD bytes of a width x height monochrome picture given by lit(x, y): pages of eight rows, one
// byte per column, the top row of a page in the lowest bit.
QByteArray lcdBytes(int width, int height, const std::function<bool(int, int)> &lit)
{
    QByteArray lcd(width * height / 8, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (lit(x, y))
                lcd[(y / 8) * width + x]
                        = char(quint8(lcd.at((y / 8) * width + x)) | (1u << (y % 8)));
        }
    }
    return lcd;
}

QByteArray lcdOfFile(const QString &path, int capacity)
{
    QByteArray lcd(capacity, '\0');
    const int size = BMP::bmp8ToLcdColRowData(reinterpret_cast<quint8 *>(lcd.data()), path, true,
                                              capacity);
    return size < 0 ? QByteArray() : lcd.left(size);
}

// Closes the message boxes that open while it lives and keeps their texts.
class MessageCatcher : public QObject
{
public:
    MessageCatcher()
    {
        connect(&timer, &QTimer::timeout, this, &MessageCatcher::look);
        timer.start(10);
    }
    QStringList messages;

private:
    void look() { messages << acceptVisibleMessageBoxes(); }
    QTimer timer;
};

void sendWheel(QWidget *target, int delta)
{
    const QPointF pos(10, 10);
    QWheelEvent event(pos, target->mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class TestPictureEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void loadSetsZoomAndLabels();
    void wheelLimits();
    void sliderZoom();
    void loadedSizeIsKept();
    void importFitsSlotWithThreshold_data();
    void importFitsSlotWithThreshold();
    void importColourAndUnreadable();
    void importRefusesUncheckedPictures_data();
    void importRefusesUncheckedPictures();
    void ditheringGreyRamp();
    void undoRestoresEveryKindOfEdit();
    void invertFlipAndShift();
    void defaultReturnsToLoadedPicture();
    void textSplitting_data();
    void textSplitting();
    void characterModeDrawsText();
    void confirmWritesFolderFileAndMark();
    void failedConfirmChangesNothing();
    void cancelKeepsSlot();
    void exportNameAndFailure();
    void pixelGridMouse();

private:
    QTemporaryDir workDir;
    QString folder; // the picture folder of the slots edited
    QString wide; // 128 x 32
    QString square; // 64 x 64
};

void TestPictureEditor::initTestCase()
{
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
    wide = saveMono(framedPicture(128, 32), workDir.filePath(QStringLiteral("wide.bmp")));
    square = saveMono(framedPicture(64, 64), workDir.filePath(QStringLiteral("square.bmp")));
    QVERIFY(!wide.isEmpty() && !square.isEmpty());
}

void TestPictureEditor::init()
{
    folder = workDir.filePath(QStringLiteral("c0ffee01"));
}

void TestPictureEditor::loadSetsZoomAndLabels()
{
    BmpEditor editor;
    editor.setSlot(0, 0, folder);
    QCOMPARE(editor.picWidth, -1);
    editor.loadPictureFile(QString()); // nothing happens
    QVERIFY(editor.filePath.isEmpty());

    editor.loadPictureFile(wide);
    QCOMPARE(editor.filePath, wide);
    QCOMPARE(editor.zoomFactor, 8);
    QCOMPARE(editor.zoomSlider->value(), 8);
    QCOMPARE(editor.pixelLabel->text(), QStringLiteral(" 像素:128x32"));
    QCOMPARE(editor.zoomLabel->text(), QStringLiteral(" 缩放:x8"));
    QCOMPARE(editor.positionLabel->text(), QStringLiteral(" 位置:(0,0)"));
    QCOMPARE(editor.iconEditor->minimumSize(), QSize(1024, 256));
    QCOMPARE(editor.iconEditor->maximumSize(), QSize(1024, 256));
    QCOMPARE(editor.iconEditor->zoomFactor(), 8);
    QCOMPARE(lightMap(editor.iconEditor->getIconImage()), lightMap(framedPicture(128, 32)));

    // A file that does not load leaves an empty picture.
    editor.loadPictureFile(workDir.filePath(QStringLiteral("missing.bmp")));
    QCOMPARE(editor.pixelLabel->text(), QStringLiteral(" 像素:0x0"));
    QVERIFY(editor.iconEditor->getIconImage().isNull());
}

void TestPictureEditor::wheelLimits()
{
    BmpEditor editor;
    editor.setSlot(0, 0, folder);
    sendWheel(&editor, 120); // before any load the wheel does nothing
    QCOMPARE(editor.zoomFactor, 1);

    editor.loadPictureFile(wide);
    sendWheel(&editor, 120);
    QCOMPARE(editor.zoomFactor, 9);
    QCOMPARE(editor.zoomLabel->text(), QStringLiteral(" 缩放:x9"));
    QCOMPARE(editor.iconEditor->minimumSize(), QSize(128 * 9, 32 * 9));
    for (int i = 0; i < 15; ++i)
        sendWheel(&editor, 120);
    QCOMPARE(editor.zoomFactor, 20);
    QCOMPARE(editor.zoomSlider->value(), 20);
    QCOMPARE(editor.iconEditor->zoomFactor(), 20);

    for (int i = 0; i < 25; ++i)
        sendWheel(&editor, -120);
    QCOMPARE(editor.zoomFactor, 1);
    sendWheel(&editor, -120);
    QCOMPARE(editor.zoomFactor, 1);
    QCOMPARE(editor.iconEditor->maximumSize(), QSize(128, 32));
}

void TestPictureEditor::sliderZoom()
{
    BmpEditor editor;
    editor.setSlot(0, 0, folder);
    editor.loadPictureFile(wide);
    // A drag: the slider is down while it moves.
    editor.zoomSlider->setSliderDown(true);
    editor.zoomSlider->setSliderPosition(3);
    editor.zoomSlider->setSliderDown(false);
    QCOMPARE(editor.zoomFactor, 3);
    QCOMPARE(editor.iconEditor->minimumSize(), QSize(384, 96));
    QCOMPARE(editor.zoomLabel->text(), QStringLiteral(" 缩放:x3"));
}

void TestPictureEditor::loadedSizeIsKept()
{
    // A stored 64 x 64 picture (a 128 x 32 device takes it, having the same pixel count) is
    // edited and saved at its own size.
    BmpEditor editor;
    editor.setSlot(0, 0, folder);
    editor.loadPictureFile(wide);
    editor.loadPictureFile(square);
    QCOMPARE(editor.pixelLabel->text(), QStringLiteral(" 像素:64x64"));
    QCOMPARE(editor.iconEditor->minimumSize(), QSize(512, 512));

    editor.commitAndQuitSlots();
    const QImage saved(editor.confirmPath());
    QCOMPARE(saved.size(), QSize(64, 64));
    QCOMPARE(lightMap(saved), lightMap(framedPicture(64, 64)));
}

void TestPictureEditor::importFitsSlotWithThreshold_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QSize>("slot");
    QTest::addColumn<QPoint>("offset");
    QTest::newRow("128 x 32") << 0 << QSize(128, 32) << QPoint(48, 0);
    QTest::newRow("64 x 128") << 1 << QSize(64, 128) << QPoint(0, 32);
}

void TestPictureEditor::importFitsSlotWithThreshold()
{
    QFETCH(int, format);
    QFETCH(QSize, slot);
    QFETCH(QPoint, offset);
    const QString png = workDir.filePath(QStringLiteral("blocks.png"));
    QVERIFY(blockPicture().save(png, "PNG"));

    BmpEditor editor;
    editor.setSlot(0, format, folder);
    editor.loadPictureFile(wide);
    editor.thresholdSlider->setValue(150);
    QVERIFY(editor.importPicture(png));
    QCOMPARE(editor.pixelLabel->text(),
             QStringLiteral(" 像素:%1x%2").arg(slot.width()).arg(slot.height()));

    // 256 x 256 shrinks to a square of the slot's smaller side, centred; grey 200 is lit at
    // threshold 150, grey 90 is not.
    const int side = qMin(slot.width(), slot.height());
    const auto litAt = [&](int threshold) {
        return [=](int x, int y) {
            if (x < offset.x() || y < offset.y() || x >= offset.x() + side
                || y >= offset.y() + side)
                return false;
            const int bx = (x - offset.x()) * (256 / side) / 8;
            const int by = (y - offset.y()) * (256 / side) / 8;
            return threshold <= 90 || (bx + by) % 3 == 0;
        };
    };
    const int capacity = format == 0 ? 1024 : 1536;
    editor.commitAndQuitSlots();
    QByteArray lcd = lcdOfFile(editor.confirmPath(), capacity);
    QCOMPARE(lcd, lcdBytes(slot.width(), slot.height(), litAt(150)));
    if (format == 0) {
        // Column 48 of the top page: rows 0, 3 and 6 lit; column 49: rows 2 and 5.
        QCOMPARE(quint8(lcd.at(48)), quint8(0x49));
        QCOMPARE(quint8(lcd.at(49)), quint8(0x24));
        QCOMPARE(quint8(lcd.at(47)), quint8(0x00));
    }

    // A lower threshold, while the import is the latest change, converts it again at once.
    editor.thresholdSlider->setValue(80);
    editor.commitAndQuitSlots();
    lcd = lcdOfFile(editor.confirmPath(), capacity);
    QCOMPARE(lcd, lcdBytes(slot.width(), slot.height(), litAt(80)));
    // Import and threshold change are one step: undo brings back the loaded picture.
    editor.undoSlots();
    QCOMPARE(lightMap(editor.iconEditor->getIconImage()), lightMap(framedPicture(128, 32)));
}

void TestPictureEditor::importColourAndUnreadable()
{
    QImage colour(40, 40, QImage::Format_ARGB32);
    colour.fill(qRgb(0x17, 0x8f, 0xf3));
    colour.setPixel(0, 0, qRgba(255, 255, 255, 0)); // transparent: the dark background
    const QString png = workDir.filePath(QStringLiteral("colour.png"));
    QVERIFY(colour.save(png, "PNG"));

    BmpEditor editor;
    editor.setSlot(0, 2, folder);
    QVERIFY(editor.ditherCheckBox->isHidden() && editor.thresholdSlider->isHidden());
    QVERIFY(editor.importPicture(png));
    const QImage shown = editor.iconEditor->getIconImage();
    QCOMPARE(shown.size(), QSize(80, 160));
    // Enlarged twice and centred: rows 40 to 119. The colour as RGB565 shows it.
    QCOMPARE(QColor(shown.pixel(40, 80)), QColor(0x10, 0x8e, 0xf7));
    QCOMPARE(QColor(shown.pixel(0, 40)), QColor(Qt::black));
    QCOMPARE(QColor(shown.pixel(1, 41)), QColor(Qt::black));
    QCOMPARE(QColor(shown.pixel(40, 39)), QColor(Qt::black));
    editor.commitAndQuitSlots();
    QFile savedFile(editor.confirmPath());
    QVERIFY(savedFile.open(QIODevice::ReadOnly));
    QCOMPARE(savedFile.read(30).mid(28), QByteArray("\x18\x00", 2)); // 24 bits per pixel
    const QImage saved(editor.confirmPath());
    QCOMPARE(QColor(saved.pixel(40, 80)), QColor(0x10, 0x8e, 0xf7));

    // A file that is no picture is named in a message; the picture stays.
    MessageCatcher catcher;
    const QString broken = workDir.filePath(QStringLiteral("broken.png"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    QVERIFY(!editor.importPicture(broken));
    QCOMPARE(catcher.messages.size(), 1);
    QVERIFY2(catcher.messages.at(0).contains(QDir::toNativeSeparators(broken)),
             qPrintable(catcher.messages.at(0)));
    QCOMPARE(editor.iconEditor->getIconImage(), shown);
}

void TestPictureEditor::importRefusesUncheckedPictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    // Wider than any picture is read.
    QImage wideStrip(5000, 4, QImage::Format_RGB32);
    wideStrip.fill(Qt::white);
    QByteArray png;
    QBuffer pngBuffer(&png);
    QVERIFY(pngBuffer.open(QIODevice::WriteOnly) && wideStrip.save(&pngBuffer, "PNG"));
    QTest::newRow("over budget") << QStringLiteral("strip.png") << png;
    // A BMP whose last row lacks a byte.
    QImage white(40, 30, QImage::Format_RGB32);
    white.fill(Qt::white);
    QByteArray bmp;
    QBuffer bmpBuffer(&bmp);
    QVERIFY(bmpBuffer.open(QIODevice::WriteOnly) && white.save(&bmpBuffer, "BMP"));
    bmp.chop(1);
    QTest::newRow("cut short") << QStringLiteral("cut.bmp") << bmp;
}

// The import reads through the checked reader of every picture: what it refuses is named in a
// message and the picture stays as it was.
void TestPictureEditor::importRefusesUncheckedPictures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = workDir.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();

    BmpEditor editor;
    editor.setSlot(0, 0, workDir.path());
    editor.loadPictureFile(wide);
    const QImage before = editor.iconEditor->getIconImage();
    MessageCatcher catcher;
    QVERIFY(!editor.importPicture(path));
    QCOMPARE(catcher.messages.size(), 1);
    QVERIFY2(catcher.messages.at(0).contains(QDir::toNativeSeparators(path)),
             qPrintable(catcher.messages.at(0)));
    QCOMPARE(editor.iconEditor->getIconImage(), before);
}

void TestPictureEditor::ditheringGreyRamp()
{
    // Column x has grey x * 255 / 127: black on the left, white on the right.
    QImage ramp(128, 32, QImage::Format_RGB32);
    for (int x = 0; x < 128; ++x) {
        const int grey = x * 255 / 127;
        for (int y = 0; y < 32; ++y)
            ramp.setPixel(x, y, qRgb(grey, grey, grey));
    }
    const auto litInColumns = [](const QImage &image, int first, int last) {
        int lit = 0;
        for (int x = first; x <= last; ++x) {
            for (int y = 0; y < image.height(); ++y)
                lit += image.pixelIndex(x, y);
        }
        return lit;
    };

    const QImage hard = ImageConvert::toMonochrome(ramp, 128, false);
    QCOMPARE(hard.format(), QImage::Format_Mono);
    QCOMPARE(litInColumns(hard, 0, 63), 0);
    QCOMPARE(litInColumns(hard, 64, 127), 64 * 32);

    const QImage dithered = ImageConvert::toMonochrome(ramp, 128, true);
    QCOMPARE(QColor(dithered.color(1)), QColor(Qt::white));
    QCOMPARE(litInColumns(dithered, 0, 0), 0);
    QCOMPARE(litInColumns(dithered, 127, 127), 32);
    // In every band of 16 columns the share of lit pixels follows the band's mean grey.
    for (int band = 0; band < 8; ++band) {
        double grey = 0;
        for (int x = band * 16; x < band * 16 + 16; ++x)
            grey += x * 255 / 127;
        const double expected = grey / 16 / 255;
        const double share = litInColumns(dithered, band * 16, band * 16 + 15) / (16.0 * 32);
        QVERIFY2(qAbs(share - expected) < 0.05,
                 qPrintable(QStringLiteral("band %1: %2 lit, %3 expected")
                                    .arg(band)
                                    .arg(share)
                                    .arg(expected)));
    }
    // The dark half is not all dark and the light half not all lit: a pattern, not a threshold.
    QVERIFY(litInColumns(dithered, 16, 63) > 0);
    QVERIFY(litInColumns(dithered, 64, 111) < 48 * 32);
    QCOMPARE(ImageConvert::toMonochrome(ramp, 128, true), dithered);
}

void TestPictureEditor::undoRestoresEveryKindOfEdit()
{
    const QString png = workDir.filePath(QStringLiteral("blocks.png"));
    QVERIFY(blockPicture().save(png, "PNG"));
    BmpEditor editor;
    editor.setSlot(0, 0, folder);
    editor.show();
    QVERIFY(QTest::qWaitForWindowActive(&editor));
    editor.loadPictureFile(wide);
    QVERIFY(!editor.undoButton->isEnabled());

    QVector<QImage> states{editor.iconEditor->getIconImage()};
    QStringList kinds;
    // Makes one change and keeps the picture it gives; false when nothing changed.
    const auto edit = [&](const QString &kind, const std::function<void()> &change) {
        change();
        states << editor.iconEditor->getIconImage();
        kinds << kind;
        return states.last() != states.at(states.size() - 2);
    };
    QVERIFY(edit("pixels", [&] {
        QTest::mouseClick(editor.iconEditor, Qt::LeftButton, Qt::NoModifier,
                          QPoint(8 * 20, 8 * 20));
    }));
    QVERIFY(edit("text", [&] { QTest::keyClicks(editor.charTextEdit, QStringLiteral("Hi")); }));
    QVERIFY(edit("invert", [&] { editor.invertButton->click(); }));
    QVERIFY(edit("flip horizontally", [&] { editor.flipHorizontalButton->click(); }));
    QVERIFY(edit("flip vertically", [&] { editor.flipVerticalButton->click(); }));
    QVERIFY(edit("shift", [&] { QTest::keyClick(editor.iconEditor, Qt::Key_Right); }));
    QVERIFY(edit("clear", [&] { editor.clearButton->click(); }));
    QVERIFY(edit("import", [&] {
        editor.importPicture(png);
        editor.ditherCheckBox->setChecked(true);
    }));
    QVERIFY(edit("character mode", [&] { editor.charModeCheckBox->click(); }));
    QVERIFY(edit("default", [&] { editor.defaultButton->click(); }));
    QVERIFY(editor.undoButton->isEnabled());
    QVERIFY(!editor.redoButton->isEnabled());

    // Ctrl+Z in the text field as anywhere else; each undo gives back the exact pixels.
    for (int i = states.size() - 2; i >= 0; --i) {
        QWidget *focus = i % 2 ? static_cast<QWidget *>(editor.charTextEdit) : editor.iconEditor;
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY2(editor.iconEditor->getIconImage() == states.at(i),
                 qPrintable(QStringLiteral("undo of ") + kinds.at(i)));
    }
    QVERIFY(!editor.undoButton->isEnabled());
    QVERIFY(editor.charTextEdit->toPlainText().isEmpty());
    editor.iconEditor->setFocus();
    for (int i = 1; i < states.size(); ++i) {
        QTest::keyClick(editor.iconEditor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY2(editor.iconEditor->getIconImage() == states.at(i),
                 qPrintable(QStringLiteral("redo of ") + kinds.at(i - 1)));
    }

    // At least 50 steps back.
    const QImage start = editor.iconEditor->getIconImage();
    for (int i = 0; i < 60; ++i)
        QTest::keyClick(editor.iconEditor, Qt::Key_Down);
    QVERIFY(editor.iconEditor->getIconImage() != start);
    for (int i = 0; i < 60; ++i)
        editor.undoButton->click();
    QCOMPARE(editor.iconEditor->getIconImage(), start);
}

void TestPictureEditor::invertFlipAndShift()
{
    // The white frame with a lit dot at (5, 3) on black.
    BmpEditor editor;
    editor.setSlot(0, 0, folder);
    editor.loadPictureFile(wide);
    const auto lit = [&](int x, int y) {
        return qGray(editor.iconEditor->getIconImage().pixel(x, y)) >= 128;
    };
    editor.invertButton->click();
    QVERIFY(!lit(5, 3) && lit(6, 3) && !lit(0, 0) && lit(1, 1));
    editor.flipHorizontalButton->click();
    QVERIFY(!lit(122, 3) && lit(5, 3) && !lit(127, 10));
    editor.flipVerticalButton->click();
    QVERIFY(!lit(122, 28) && lit(122, 3));
    QTest::keyClick(editor.iconEditor, Qt::Key_Right);
    QVERIFY(!lit(123, 28) && lit(122, 28));
    // What leaves one edge comes in at the other.
    QVERIFY(!lit(0, 10) && !lit(1, 10) && lit(127, 10));
    QTest::keyClick(editor.iconEditor, Qt::Key_Up);
    QVERIFY(!lit(123, 27) && !lit(10, 30) && !lit(10, 31) && lit(10, 29));
    QTest::keyClick(editor.iconEditor, Qt::Key_Left);
    QTest::keyClick(editor.iconEditor, Qt::Key_Down);
    QVERIFY(!lit(122, 28));
}

void TestPictureEditor::defaultReturnsToLoadedPicture()
{
    BmpEditor editor;
    editor.setSlot(0, 0, folder);
    editor.loadPictureFile(wide);
    QVERIFY(editor.importPicture(square));
    const QImage imported = editor.iconEditor->getIconImage();
    QCOMPARE(imported.size(), QSize(128, 32)); // the 64 x 64 picture fitted into the slot
    // Paint over the picture, then go back.
    QTest::mouseClick(editor.iconEditor, Qt::LeftButton, Qt::NoModifier, QPoint(8 * 2, 8 * 20));
    QCOMPARE(lightCount(editor.iconEditor->getIconImage()), lightCount(imported) + 1);
    editor.charModeCheckBox->setChecked(true);
    editor.defaultPicSlots();
    QVERIFY(!editor.charModeCheckBox->isChecked());
    // The imported picture, not the slot's first one.
    QCOMPARE(editor.iconEditor->getIconImage(), imported);
}

void TestPictureEditor::textSplitting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("two lines") << "AB\nCD" << QStringList{"AB", "CD"};
    QTest::newRow("leading line feed is one entry") << "\nAB\nCD" << QStringList{"\nAB\nCD"};
    QTest::newRow("empty line keeps the rest") << "AB\n\nCD" << QStringList{"AB", "\nCD"};
    QTest::newRow("trailing line feed") << "AB\n" << QStringList{"AB"};
    QTest::newRow("empty") << "" << QStringList();

    QStringList many;
    QString text;
    for (int i = 0; i < 30; ++i) {
        text += QString::number(i) + QLatin1Char('\n');
        if (i < 22)
            many << QString::number(i);
    }
    QTest::newRow("at most 22 lines") << text << many;
}

void TestPictureEditor::textSplitting()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(BmpEditor::splitTextLines(text), lines);
}

void TestPictureEditor::characterModeDrawsText()
{
    BmpEditor editor;
    editor.setSlot(0, 0, folder);
    editor.loadPictureFile(wide);
    editor.fontSizeSpinBox->setValue(9.5);

    editor.charModeCheckBox->click();
    QVERIFY(editor.charModeCheckBox->isChecked());
    QCOMPARE(lightCount(editor.iconEditor->getIconImage()), 0); // the picture turns black

    editor.charTextEdit->setPlainText(QStringLiteral("AB"));
    const QImage oneLine = editor.iconEditor->getIconImage();
    QVERIFY(lightCount(oneLine) > 0);
    // 9 points are 9 picture pixels: one line stays in the upper part.
    QCOMPARE(lightCount(oneLine, 16), 0);

    editor.charTextEdit->setPlainText(QStringLiteral("AB\nCD"));
    const QImage twoLines = editor.iconEditor->getIconImage();
    QVERIFY(lightCount(twoLines, 0, 15) > 0);
    QVERIFY(lightCount(twoLines, 9) > 0); // the second line lies below the first

    // Each change replaces the text drawn before.
    editor.charTextEdit->setPlainText(QStringLiteral("AB"));
    QCOMPARE(lightMap(editor.iconEditor->getIconImage()), lightMap(oneLine));

    // One-bit text: no grey pixels, and a dark column between neighbouring glyphs.
    editor.charTextEdit->setPlainText(QStringLiteral("2323"));
    const QImage digits = editor.iconEditor->getIconImage();
    int glyphs = 0;
    bool inGlyph = false;
    for (int x = 0; x < digits.width(); ++x) {
        bool litColumn = false;
        for (int y = 0; y < digits.height(); ++y) {
            const int grey = qGray(digits.pixel(x, y));
            QVERIFY2(grey == 0 || grey == 255, qPrintable(QString::number(grey)));
            litColumn = litColumn || grey == 255;
        }
        glyphs += litColumn && !inGlyph ? 1 : 0;
        inGlyph = litColumn;
    }
    QCOMPARE(glyphs, 4);

    // Centred: the text sits in the middle of the picture, both ways.
    editor.centreTextCheckBox->setChecked(true);
    const QImage centred = editor.iconEditor->getIconImage();
    QRect ink;
    for (int y = 0; y < centred.height(); ++y) {
        for (int x = 0; x < centred.width(); ++x) {
            if (qGray(centred.pixel(x, y)) >= 128)
                ink |= QRect(x, y, 1, 1);
        }
    }
    QVERIFY(!ink.isEmpty());
    QVERIFY2(qAbs(ink.left() - (centred.width() - 1 - ink.right())) <= 2,
             qPrintable(QString::number(ink.left())));
    QVERIFY2(qAbs(ink.top() - (centred.height() - 1 - ink.bottom())) <= 4,
             qPrintable(QString::number(ink.top())));
    editor.centreTextCheckBox->setChecked(false);
    editor.charTextEdit->setPlainText(QStringLiteral("AB"));

    // Unchecking does not bring the picture back; the default button does.
    editor.charModeCheckBox->click();
    QCOMPARE(lightMap(editor.iconEditor->getIconImage()), lightMap(oneLine));
}

void TestPictureEditor::confirmWritesFolderFileAndMark()
{
    QDir(folder).removeRecursively();

    BmpEditor editor;
    editor.setSlot(2, 0, folder);
    QSignalSpy confirmed(&editor, &BmpEditor::pictureConfirmed);
    editor.show();
    editor.loadPictureFile(wide);
    QTest::mouseClick(editor.iconEditor, Qt::LeftButton, Qt::NoModifier, QPoint(8 * 10, 8 * 10));
    editor.charTextEdit->setPlainText(QStringLiteral("x"));
    editor.charTextEdit->clear();
    editor.commitAndQuitSlots();

    // The folder is made, the picture saved as the slot's file and reported for the set (the
    // page makes it the slot's picture and marks it).
    const QString path = workDir.path() + QStringLiteral("/c0ffee01/3.bmp");
    QCOMPARE(editor.confirmPath(), path);
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(confirmed.count(), 1);
    QCOMPARE(confirmed.first().at(0).toInt(), 2);
    QCOMPARE(confirmed.first().at(1).toString(), path);
    QVERIFY(!editor.isVisible());
    QVERIFY(editor.charTextEdit->toPlainText().isEmpty());

    const QImage saved(path);
    QCOMPARE(saved.size(), QSize(128, 32));
    QCOMPARE(saved.depth(), 1);
    QImage expected = framedPicture(128, 32);
    expected.setPixel(10, 10, qRgb(255, 255, 255));
    QCOMPARE(lightMap(saved), lightMap(expected));
}

void TestPictureEditor::cancelKeepsSlot()
{
    BmpEditor editor;
    editor.setSlot(5, 0, folder);
    QSignalSpy confirmed(&editor, &BmpEditor::pictureConfirmed);
    editor.show();
    editor.loadPictureFile(wide);
    editor.cancelButton->click();
    QVERIFY(!editor.isVisible());
    QCOMPARE(confirmed.count(), 0);
    QVERIFY(!QFileInfo::exists(editor.confirmPath()));
}

void TestPictureEditor::failedConfirmChangesNothing()
{
    // A regular file where the picture folder should be: the save fails, also for root.
    QFile blocker(workDir.filePath(QStringLiteral("badf0000")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    BmpEditor editor;
    editor.setSlot(2, 0, blocker.fileName());
    QSignalSpy confirmed(&editor, &BmpEditor::pictureConfirmed);
    editor.show();
    editor.loadPictureFile(wide);
    QTest::mouseClick(editor.iconEditor, Qt::LeftButton, Qt::NoModifier, QPoint(8 * 10, 8 * 10));
    const QImage edited = editor.iconEditor->getIconImage();
    MessageCatcher catcher;
    editor.commitAndQuitSlots();

    QCOMPARE(catcher.messages.size(), 1);
    const QString path = QDir::toNativeSeparators(editor.confirmPath());
    QVERIFY2(catcher.messages.at(0).contains(path), qPrintable(catcher.messages.at(0)));
    QCOMPARE(confirmed.count(), 0);
    QVERIFY(editor.isVisible());
    QCOMPARE(editor.iconEditor->getIconImage(), edited);
}

void TestPictureEditor::exportNameAndFailure()
{
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    BmpEditor editor;
    editor.setSlot(0, 0, folder);
    editor.loadPictureFile(wide);
    editor.setTitle(QStringLiteral("03.Coil high"));
    QCOMPARE(editor.proposedExportName(), desktop + QStringLiteral("/03.Coil high.bmp"));
    editor.setTitle(QStringLiteral("a/b:c"));
    QCOMPARE(editor.proposedExportName(), desktop + QStringLiteral("/a_b_c.bmp"));

    // A name without a picture ending gets ".bmp" (or ".png" when PNG was chosen).
    QVERIFY(editor.exportPicture(workDir.filePath(QStringLiteral("03.Coil high"))));
    QFile bmp(workDir.filePath(QStringLiteral("03.Coil high.bmp")));
    QVERIFY(bmp.open(QIODevice::ReadOnly));
    QCOMPARE(bmp.read(2), QByteArray("BM"));
    QVERIFY(editor.exportPicture(workDir.filePath(QStringLiteral("logo")), QStringLiteral("png")));
    const QImage png(workDir.filePath(QStringLiteral("logo.png")), "PNG");
    QCOMPARE(lightMap(png), lightMap(framedPicture(128, 32)));

    MessageCatcher catcher;
    const QString blocked = workDir.filePath(QStringLiteral("wide.bmp/out.bmp"));
    QVERIFY(!editor.exportPicture(blocked));
    QCOMPARE(catcher.messages.size(), 1);
    QVERIFY2(catcher.messages.at(0).contains(QDir::toNativeSeparators(blocked)),
             qPrintable(catcher.messages.at(0)));
}

void TestPictureEditor::pixelGridMouse()
{
    IconEditor grid;
    QImage black(16, 8, QImage::Format_RGB32);
    black.fill(Qt::black);
    grid.setIconImage(black);
    grid.setZoomFactor(4);
    grid.resize(grid.sizeHint());
    QCOMPARE(grid.sizeHint(), QSize(64, 32));
    QSignalSpy positions(&grid, &IconEditor::mousePositionSignals);

    // Left lights a pixel, right clears it; a drag paints every pixel it crosses.
    QTest::mousePress(&grid, Qt::LeftButton, Qt::NoModifier, QPoint(4 * 3 + 1, 4 * 2 + 2));
    QCOMPARE(QColor(grid.getIconImage().pixel(3, 2)), QColor(Qt::white));
    QMouseEvent drag(QEvent::MouseMove, QPointF(4 * 7 + 3, 4 * 5), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&grid, &drag);
    QCOMPARE(QColor(grid.getIconImage().pixel(7, 5)), QColor(Qt::white));
    QVERIFY(!positions.isEmpty());
    QCOMPARE(positions.last().at(0).toPoint(), QPoint(7, 5));
    QTest::mouseRelease(&grid, Qt::LeftButton, Qt::NoModifier, QPoint(4 * 7 + 3, 4 * 5));

    QTest::mousePress(&grid, Qt::RightButton, Qt::NoModifier, QPoint(4 * 3, 4 * 2));
    QCOMPARE(QColor(grid.getIconImage().pixel(3, 2)), QColor(Qt::black));
    QTest::mouseRelease(&grid, Qt::RightButton, Qt::NoModifier, QPoint(4 * 3, 4 * 2));
    QCOMPARE(lightCount(grid.getIconImage()), 1);

    // Outside the picture nothing is painted.
    QTest::mousePress(&grid, Qt::LeftButton, Qt::NoModifier, QPoint(200, 5));
    QCOMPARE(lightCount(grid.getIconImage()), 1);

    // Strokes stay under the text when the text changes.
    grid.textFont = QFont();
    grid.textFont.setPointSize(6);
    grid.drawText(QRect(0, 0, 64, 32), {QStringLiteral("I")});
    grid.drawText(QRect(0, 0, 64, 32), {});
    QCOMPARE(lightCount(grid.getIconImage()), 1);
    QCOMPARE(QColor(grid.getIconImage().pixel(7, 5)), QColor(Qt::white));
}

QTEST_MAIN(TestPictureEditor)
#include "tst_pictureeditor.moc"
