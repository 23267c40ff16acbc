// The picture editor and its pixel grid: loading and zoom, the value labels, the wheel, import,
// the return to the loaded picture, character mode and the confirm into the picture folder.

#include "device/session.h"
#include "pictures/bmpeditor.h"
#include "pictures/iconeditor.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

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
    void importedSizeIsKept();
    void defaultReturnsToLoadedPicture();
    void textSplitting_data();
    void textSplitting();
    void characterModeDrawsText();
    void confirmWritesFolderFileAndMark();
    void cancelKeepsSlot();
    void pixelGridMouse();

private:
    QTemporaryDir workDir;
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
    DeviceSession &session = deviceSession();
    session.clear();
    session.setDeviceSerial(QStringLiteral("c0ffee01"));
    session.pictureCount = 12;
}

void TestPictureEditor::loadSetsZoomAndLabels()
{
    BmpEditor editor;
    QCOMPARE(editor.picWidth, -1);
    editor.loadePicFile(QString()); // nothing happens
    QVERIFY(editor.filePath.isEmpty());

    editor.loadePicFile(wide);
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
    editor.loadePicFile(workDir.filePath(QStringLiteral("missing.bmp")));
    QCOMPARE(editor.pixelLabel->text(), QStringLiteral(" 像素:0x0"));
    QVERIFY(editor.iconEditor->getIconImage().isNull());
}

void TestPictureEditor::wheelLimits()
{
    BmpEditor editor;
    sendWheel(&editor, 120); // before any load the wheel does nothing
    QCOMPARE(editor.zoomFactor, 1);

    editor.loadePicFile(wide);
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
    editor.loadePicFile(wide);
    // A drag: the slider is down while it moves.
    editor.zoomSlider->setSliderDown(true);
    editor.zoomSlider->setSliderPosition(3);
    editor.zoomSlider->setSliderDown(false);
    QCOMPARE(editor.zoomFactor, 3);
    QCOMPARE(editor.iconEditor->minimumSize(), QSize(384, 96));
    QCOMPARE(editor.zoomLabel->text(), QStringLiteral(" 缩放:x3"));
}

void TestPictureEditor::importedSizeIsKept()
{
    BmpEditor editor;
    deviceSession().editedPicture = 0;
    editor.loadePicFile(wide);
    editor.loadePicFile(square); // what the import does with the chosen file
    QCOMPARE(editor.pixelLabel->text(), QStringLiteral(" 像素:64x64"));
    QCOMPARE(editor.iconEditor->minimumSize(), QSize(512, 512));

    editor.commitAndQuitSlots();
    const QImage saved(BmpEditor::confirmPath(0));
    QCOMPARE(saved.size(), QSize(64, 64));
    QCOMPARE(lightMap(saved), lightMap(framedPicture(64, 64)));
}

void TestPictureEditor::defaultReturnsToLoadedPicture()
{
    BmpEditor editor;
    editor.loadePicFile(wide);
    editor.loadePicFile(square);
    // Paint over the picture, then go back.
    QTest::mouseClick(editor.iconEditor, Qt::LeftButton, Qt::NoModifier, QPoint(8 * 20, 8 * 20));
    QCOMPARE(lightCount(editor.iconEditor->getIconImage()), lightCount(framedPicture(64, 64)) + 1);
    editor.charModeCheckBox->setChecked(true);
    editor.defaultPicSlots();
    QVERIFY(!editor.charModeCheckBox->isChecked());
    const QImage shown = editor.iconEditor->getIconImage();
    QCOMPARE(shown.size(), QSize(64, 64)); // the imported picture, not the slot's first one
    QCOMPARE(lightMap(shown), lightMap(framedPicture(64, 64)));
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
    editor.loadePicFile(wide);
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

    // Unchecking does not bring the picture back; the default button does.
    editor.charModeCheckBox->click();
    QCOMPARE(lightMap(editor.iconEditor->getIconImage()), lightMap(oneLine));
}

void TestPictureEditor::confirmWritesFolderFileAndMark()
{
    DeviceSession &session = deviceSession();
    session.setPictureFiles(QVector<QString>(12, QStringLiteral(":/old")).toList());
    session.pictureWriteMask = 0;
    session.editedPicture = 2;
    const QString folder = workDir.filePath(QStringLiteral("c0ffee01"));
    QDir(folder).removeRecursively();

    BmpEditor editor;
    QSignalSpy finished(&editor, SIGNAL(picEditFinishedSignal()));
    editor.show();
    editor.loadePicFile(wide);
    QTest::mouseClick(editor.iconEditor, Qt::LeftButton, Qt::NoModifier, QPoint(8 * 10, 8 * 10));
    editor.charTextEdit->setPlainText(QStringLiteral("x"));
    editor.charTextEdit->clear();
    editor.commitAndQuitSlots();

    const QString path = workDir.path() + QStringLiteral("/c0ffee01/3.bmp");
    QCOMPARE(BmpEditor::confirmPath(2), path);
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(session.pictureFile(2), path);
    QCOMPARE(session.pictureFile(1), QStringLiteral(":/old"));
    QCOMPARE(int(session.pictureWriteMask), 0x0004);
    QCOMPARE(finished.count(), 1);
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
    DeviceSession &session = deviceSession();
    session.setPictureFiles(QVector<QString>(12, QStringLiteral(":/old")).toList());
    session.pictureWriteMask = 0;
    session.editedPicture = 5;
    BmpEditor editor;
    QSignalSpy finished(&editor, SIGNAL(picEditFinishedSignal()));
    editor.show();
    editor.loadePicFile(wide);
    editor.cancelButton->click();
    QVERIFY(!editor.isVisible());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(session.pictureFile(5), QStringLiteral(":/old"));
    QCOMPARE(int(session.pictureWriteMask), 0);
    QVERIFY(!QFileInfo::exists(BmpEditor::confirmPath(5)));
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
    QSignalSpy positions(&grid, SIGNAL(mousePositionSignals(QPoint)));

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
