#define QTEST_QPA_MOUSE_HANDLING
#include "device/deviceidentity.h"
#include "parameters/widgets/mygroupbox.h"
#include "parameters/widgets/myslider.h"
#include "parameters/widgets/qcurve.h"
#include "widgets/language.h"
#include "widgets/msgbox.h"
#include "widgets/myframe.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

#include <climits>
#include <memory>

namespace {

QString labelText(QWidget *dialog, const char *name)
{
    auto *label = dialog->findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no label>");
}

QImage paint(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    widget.render(&image);
    return image;
}

// Pixels of the area that differ from `background`.
int ink(const QImage &image, const QRect &area, QRgb background = qRgb(255, 255, 255))
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) != background;
    return count;
}

bool redNear(const QImage &image, int cx, int cy, int radius)
{
    for (int y = cy - radius; y <= cy + radius; ++y) {
        for (int x = cx - radius; x <= cx + radius; ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > 200 && qGreen(p) < 90 && qBlue(p) < 90)
                return true;
        }
    }
    return false;
}

// Status text of a curve point in the source language with the Fahrenheit unit.
QString status(int point, int value)
{
    return QStringLiteral("%1 秒%2℉").arg(point).arg(value);
}

void typeInto(QSpinBox *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { curve.reset(); }

    void percentText_data();
    void percentText();
    void statusDialogTexts();
    void questionBoxAnswers();
    void timedBoxClosesItself();
    void quitButtonClosesTimedBoxAtOnce();
    void messageFontFollowsLanguage();

    void infoPanelGeometry_data();
    void infoPanelGeometry();
    void infoPanelRefresh();

    void curveLayout();
    void curveMappings();
    void curveDrag();
    void curvePressesThatGrabNothing_data();
    void curvePressesThatGrabNothing();
    void curveHoverStatus();
    void curveModes();

    void coilLimitsAndDefaults();
    void coilUserEdits();
    void coilProgrammaticChanges();
    void sliderToolTip();

private:
    void showCurve();
    QVector<int> curveValues() const;
    void press(QPoint pos, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(curve.get(), button, Qt::NoModifier, pos);
    }
    void move(QPoint pos) { QTest::mouseMove(curve.get(), pos); }
    void release(QPoint pos, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(curve.get(), button, Qt::NoModifier, pos);
    }

    std::unique_ptr<QCurve> curve;
};

// --- task status dialog and message box ----------------------------------------------------------

void TestWidgets::percentText_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("part done") << 0 << 12 << 5 << "41%";
    QTest::newRow("above the maximum") << 0 << 12 << 20 << "100%";
    QTest::newRow("empty range") << 0 << 0 << 0 << "0%";
    QTest::newRow("empty range, value set") << 7 << 7 << 9 << "0%";
    QTest::newRow("value over the span") << 10 << 20 << 5 << "50%";
    QTest::newRow("no int overflow") << 0 << 1 << INT_MIN << "-214748364800%";
}

void TestWidgets::percentText()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, value);
    QFETCH(QString, text);
    SendDataMsgBox box;
    box.setProgressRange(min, max);
    box.setProgressPercent(value);
    QCOMPARE(labelText(&box, "percentLabel"), text);
}

void TestWidgets::statusDialogTexts()
{
    SendDataMsgBox box;
    QCOMPARE(labelText(&box, "taskNameLabel"), QStringLiteral("Task Name:"));
    QCOMPARE(labelText(&box, "percentLabel"), QStringLiteral("0%"));
    QCOMPARE(labelText(&box, "elapsedLabel"), QStringLiteral("0.0 s"));
    box.setElapsedTime(2500);
    QCOMPARE(labelText(&box, "elapsedLabel"), QStringLiteral("2.5 s"));
    box.setElapsedTime(61240);
    QCOMPARE(labelText(&box, "elapsedLabel"), QStringLiteral("61.2 s"));

    QCOMPARE(box.titleLabel->font().pixelSize(), 18);
    box.setTitleText(QStringLiteral("big"), 45);
    QCOMPARE(box.titleLabel->font().pixelSize(), 30);
    box.setTitleText(QStringLiteral("small"), 24);
    QCOMPARE(box.titleLabel->font().pixelSize(), 24);

    // The device row shows only when the task names its device.
    box.show();
    QVERIFY(box.findChild<QLabel *>(QStringLiteral("deviceLabel"))->isHidden());
    box.setDeviceName(QStringLiteral("KORLEX-V12 \u2014 usb:1-2"));
    QVERIFY(box.findChild<QLabel *>(QStringLiteral("deviceLabel"))->isVisible());
    QCOMPARE(labelText(&box, "deviceLabel"), QStringLiteral("KORLEX-V12 \u2014 usb:1-2"));
    box.setDeviceName(QString());
    QVERIFY(box.findChild<QLabel *>(QStringLiteral("deviceLabel"))->isHidden());
}

void TestWidgets::questionBoxAnswers()
{
    // The first button answers yes; the second, or closing the box, no.
    for (const char *button : {"yesButton", "noButton", ""}) {
        QTimer::singleShot(30, this, [button]() {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QuestionBox *>(window);
                if (!box || !box->isVisible())
                    continue;
                if (*button)
                    box->findChild<QPushButton *>(QLatin1String(button))->click();
                else
                    box->close();
            }
        });
        const bool yes
                = QuestionBox::ask(QStringLiteral(" title "), QStringLiteral("question"),
                                   QStringLiteral("Close anyway"), QStringLiteral("Keep running"));
        QCOMPARE(yes, QByteArray(button) == "yesButton");
    }
}

void TestWidgets::timedBoxClosesItself()
{
    QElapsedTimer clock;
    clock.start();
    auto *box = new MsgBox(QStringLiteral(" title "), QStringLiteral("message"), 50);
    QVERIFY2(clock.elapsed() >= 40 && clock.elapsed() < 5000,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!box->isVisible());
    QCOMPARE(box->result(), int(QDialog::Accepted));
    QCOMPARE(labelText(box, "titleLabel"), QStringLiteral(" title "));
    delete box;
}

void TestWidgets::quitButtonClosesTimedBoxAtOnce()
{
    bool clicked = false;
    QTimer::singleShot(30, this, [&clicked] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            auto *box = qobject_cast<MsgBox *>(window);
            if (box && box->isVisible()) {
                auto *quit = box->findChild<QPushButton *>();
                QCOMPARE(quit->text(), QStringLiteral("终止(&Q)"));
                QTest::mouseClick(quit, Qt::LeftButton);
                clicked = true;
            }
        }
    });
    QElapsedTimer clock;
    clock.start();
    auto *box = new MsgBox(QStringLiteral("t"), QStringLiteral("m"), 400);
    QVERIFY(clicked);
    QVERIFY2(clock.elapsed() < 350, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(box->result(), int(QDialog::Rejected));
    // The close timer must not go off later and accept a box that is still alive.
    QTest::qWait(500);
    QCOMPARE(box->result(), int(QDialog::Rejected));
    delete box;
}

void TestWidgets::messageFontFollowsLanguage()
{
    const Language saved = currentLanguage;
    currentLanguage = SimplifiedChinese;
    MsgBox box(QStringLiteral("t"), QStringLiteral("m"));
    auto *message = box.findChild<QLabel *>(QStringLiteral("messageLabel"));
    QCOMPARE(message->font().pixelSize(), 16);
    currentLanguage = English; // taken each time a text is set
    box.setMessageText(QStringLiteral("m"));
    QCOMPARE(message->font().pixelSize(), 12);
    currentLanguage = TraditionalChinese;
    box.setMessageText(QStringLiteral("m"));
    QCOMPARE(message->font().pixelSize(), 16);
    currentLanguage = saved;
}

// --- device information panel --------------------------------------------------------------------

void TestWidgets::infoPanelGeometry_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("400 x 300") << QSize(400, 300);
    QTest::newRow("640 x 520") << QSize(640, 520);
}

void TestWidgets::infoPanelGeometry()
{
    QFETCH(QSize, size);
    const int w = size.width();
    const int h = size.height();
    MyFrame frame;
    frame.resize(size);
    const QImage image = paint(frame);
    const QRgb background = image.pixel(w - 30, h / 2);

    // Rows 0 to 2 hang from the top, rows 4 to 7 from the bottom; row 3 has no value area.
    QCOMPARE(frame.valueRect(0), QRect(QPoint(184, 22), QPoint(w - 1, 46)));
    QCOMPARE(frame.valueRect(2), QRect(QPoint(184, 72), QPoint(w - 1, 96)));
    QVERIFY(frame.valueRect(3).isNull());
    QCOMPARE(frame.valueRect(4), QRect(QPoint(184, h - 110), QPoint(w - 1, h - 86)));
    QCOMPARE(frame.valueRect(7), QRect(QPoint(184, h - 35), QPoint(w - 1, h - 11)));
    for (int y : {41, 66, 91, h - 116, h - 91, h - 66, h - 41, h - 16}) {
        QVERIFY2(qGray(image.pixel(w - 30, y)) < 128, qPrintable(QString::number(y)));
        QCOMPARE(image.pixel(w - 30, y - 2), background);
    }
    // Borders (a painted outline also covers its right neighbour) and the column separator.
    for (int x : {8, 16, 160, w - 16, w - 8})
        QVERIFY2(qGray(image.pixel(x, h / 2)) < 128, qPrintable(QString::number(x)));
    QCOMPARE(image.pixel(w - 4, h / 2), background);

    // Captions are drawn; values are not while no device has been read.
    QVERIFY(ink(image, QRect(24, 23, 130, 16), background) > 0);
    QCOMPARE(ink(image, QRect(190, 23, w - 230, 16), background), 0);
    QCOMPARE(ink(image, QRect(190, h - 34, w - 230, 16), background), 0);
}

void TestWidgets::infoPanelRefresh()
{
    DeviceIdentity identity;
    identity.answered = true;
    identity.model.known = true;
    identity.model.productName = QStringLiteral("Product X");
    identity.model.modelCode = QStringLiteral("MX-20");
    identity.chipId = QStringLiteral("0123456789AB");
    identity.firmwareVersion = QStringLiteral("V1.2");
    identity.softwareVersion = QStringLiteral("V1.0.18");

    MyFrame frame;
    frame.resize(500, 400);
    frame.showIdentity(identity);
    const QStringList expected
            = {"Product X", "MX-20", "0123456789AB", "", "V1.2", "", "V1.0.18", "MX-20"};
    for (int row = 0; row < MyFrame::RowCount; ++row)
        QCOMPARE(frame.valueText(row), expected.at(row));
    const QImage image = paint(frame);
    const QRgb background = image.pixel(470, 200);
    QVERIFY(ink(image, QRect(184, 23, 270, 16), background) > 0); // product name
    QVERIFY(ink(image, QRect(184, 366, 270, 16), background) > 0); // software info
    QCOMPARE(ink(image, QRect(184, 316, 270, 16), background), 0); // empty firmware info

    // A device the model table does not know keeps the names of the one before; a reply without
    // the firmware version keeps that too.
    DeviceIdentity unknown;
    unknown.answered = true;
    unknown.softwareVersion = QStringLiteral("7");
    frame.showIdentity(unknown);
    QCOMPARE(frame.valueText(0), QStringLiteral("Product X"));
    QCOMPARE(frame.valueText(2), QStringLiteral("0123456789AB"));
    QCOMPARE(frame.valueText(4), QStringLiteral("V1.2"));
    QCOMPARE(frame.valueText(6), QStringLiteral("7"));
}

// --- curve editor (800 x 400 over the Fahrenheit range 200 to 600) -------------------------------

void TestWidgets::showCurve()
{
    curve = std::make_unique<QCurve>();
    curve->resize(800, 400);
    curve->setYrange(200, 600);
    curve->setUnitName(QStringLiteral("℉"));
    curve->show();
    QVERIFY(QTest::qWaitForWindowExposed(curve.get()));
    paint(*curve);
}

QVector<int> TestWidgets::curveValues() const
{
    QVector<int> result;
    for (const CurvePoint &point : curve->points)
        result << point.value;
    return result;
}

void TestWidgets::curveLayout()
{
    showCurve();
    for (CurvePoint &point : curve->points)
        point.value = 400; // on the top line, clear of the grid rows below
    const QImage image = paint(*curve);
    for (int i = 0; i < CurvePointCount; ++i)
        QCOMPARE(curve->points[i].x, 60 + 80 * i);

    // The plot's outline runs round 720 x 320 pixels from (60, 30).
    QCOMPARE(image.pixel(780, 200), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(781, 200), qRgb(240, 240, 240));
    QCOMPARE(image.pixel(400, 350), qRgb(0, 0, 0));
    for (int row : {94, 158, 222, 286}) {
        QVERIFY2(ink(image, QRect(150, row, 61, 1)) > 5, qPrintable(QString::number(row)));
        QCOMPARE(ink(image, QRect(150, row - 1, 61, 1)), 0);
        QCOMPARE(ink(image, QRect(150, row + 1, 61, 1)), 0);
    }
    QVERIFY(ink(image, QRect(700, 100, 1, 51)) > 5);
    QCOMPARE(ink(image, QRect(701, 100, 1, 51)), 0);
    QCOMPARE(ink(image, QRect(779, 100, 1, 51)), 0); // no grid line at the last point
}

void TestWidgets::curveMappings()
{
    showCurve();
    QCOMPARE(curve->yFromValue(0), 350);
    QCOMPARE(curve->yFromValue(100), 270);
    QCOMPARE(curve->yFromValue(400), 30);
    QCOMPARE(curve->valueFromY(30), 400);
    QCOMPARE(curve->valueFromY(191), 199); // 198.75, rounded
    QCOMPARE(curve->valueFromY(0), 400);
    QCOMPARE(curve->valueFromY(399), 0);

    // A new range moves the curve but keeps the stored offsets.
    curve->points[2].value = 215;
    curve->setYrange(100, 315);
    QCOMPARE(curve->points[2].value, 215);
    QCOMPARE(curve->yFromValue(215), 30);

    // Values stored outside the range stay inside the widget.
    QCOMPARE(curve->yFromValue(65000), 0);
    QCOMPARE(curve->yFromValue(-70000), 400);
    curve->points[0].value = INT_MAX;
    curve->points[1].value = INT_MIN;
    paint(*curve);

    // An empty range puts every value on the bottom line; a plot without height maps to 0.
    curve->setYrange(300, 300);
    QCOMPARE(curve->yFromValue(40), 350);
    QCOMPARE(curve->valueFromY(100), 0);
    curve->resize(80, 80);
    curve->setYrange(0, 100);
    paint(*curve);
    QCOMPARE(curve->valueFromY(50), 0);
    QCOMPARE(curve->yFromValue(60), 30);
}

void TestWidgets::curveDrag()
{
    showCurve();
    press(QPoint(310, 340)); // only the column of the press matters
    move(QPoint(330, 190));
    QCOMPARE(curve->points[3].value, 200);
    QCOMPARE(curve->statusLine(), status(3, 400));
    move(QPoint(460, 5)); // above the plot: the top of the range
    QCOMPARE(curve->points[3].value, 400);
    QCOMPARE(curve->statusLine(), status(3, 600));
    move(QPoint(10, 351)); // below it: the bottom
    QCOMPARE(curve->points[3].value, 0);
    move(QPoint(500, 270));
    release(QPoint(500, 270));
    move(QPoint(300, 60)); // released: moving edits nothing
    QVector<int> expected(CurvePointCount, 100);
    QCOMPARE(curveValues(), expected);

    // A release outside the plot rows keeps the value of the last move.
    press(QPoint(741, 200)); // 39 pixels left of the last point
    move(QPoint(741, 360));
    release(QPoint(741, 360));
    move(QPoint(741, 100));
    expected[9] = 0;
    QCOMPARE(curveValues(), expected);
}

void TestWidgets::curvePressesThatGrabNothing_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("button");
    QTest::newRow("left margin") << QPoint(30, 200) << int(Qt::LeftButton);
    QTest::newRow("margin edge") << QPoint(40, 200) << int(Qt::LeftButton);
    QTest::newRow("bottom rows") << QPoint(60, 390) << int(Qt::LeftButton);
    QTest::newRow("bottom edge") << QPoint(60, 379) << int(Qt::LeftButton);
    QTest::newRow("midway") << QPoint(100, 200) << int(Qt::LeftButton);
    QTest::newRow("midway at the end") << QPoint(740, 200) << int(Qt::LeftButton);
    QTest::newRow("right button") << QPoint(300, 200) << int(Qt::RightButton);
}

void TestWidgets::curvePressesThatGrabNothing()
{
    QFETCH(QPoint, pos);
    QFETCH(int, button);
    showCurve();
    press(pos, Qt::MouseButton(button));
    move(QPoint(pos.x(), 100));
    move(QPoint(300, 5));
    release(QPoint(300, 5), Qt::MouseButton(button));
    QCOMPARE(curveValues(), QVector<int>(CurvePointCount, 100));

    // Just inside the same edges a press grabs.
    press(QPoint(41, 378));
    move(QPoint(41, 30));
    release(QPoint(41, 30));
    QCOMPARE(curve->points[0].value, 400);
}

void TestWidgets::curveHoverStatus()
{
    showCurve();
    curve->points[1].value = 10;
    curve->points[4].value = 180;
    QCOMPARE(curve->statusLine(), status(0, 300));
    move(QPoint(395, 200));
    QCOMPARE(curve->statusLine(), status(4, 380));
    move(QPoint(140, 350));
    QCOMPARE(curve->statusLine(), status(1, 210));
    // Midway between two points, and outside the plot, the text stays.
    for (QPoint pos : {QPoint(180, 200), QPoint(220, 20), QPoint(220, 360), QPoint(790, 200)}) {
        move(pos);
        QCOMPARE(curve->statusLine(), status(1, 210));
    }
    move(QPoint(780, 200));
    QCOMPARE(curve->statusLine(), status(9, 300));
}

void TestWidgets::curveModes()
{
    showCurve();
    // The first segment climbs from (60, 350) to (140, 30); the rest lies on the top line.
    for (CurvePoint &point : curve->points)
        point.value = 400;
    curve->points[0].value = 0;
    const QVector<int> before = curveValues();
    curve->setCurveMode(false);
    const QImage straight = paint(*curve);
    curve->setCurveMode(true);
    const QImage smooth = paint(*curve);
    QCOMPARE(curveValues(), before);

    // (80, 270) lies on the straight segment, (84, 300) a quarter along the cubic one.
    QVERIFY(redNear(straight, 80, 270, 1));
    QVERIFY(!redNear(smooth, 80, 270, 3));
    QVERIFY(redNear(smooth, 84, 300, 1));
    QVERIFY(!redNear(straight, 84, 300, 3));
    QVERIFY(redNear(straight, 420, 30, 0) && redNear(smooth, 420, 30, 0));
}

// --- coil table and slider -----------------------------------------------------------------------

void TestWidgets::coilLimitsAndDefaults()
{
    MyGroupBox group;
    const QList<QSpinBox *> boxes = group.findChildren<QSpinBox *>();
    QCOMPARE(boxes.size(), 5);
    const int limits[5][3] = {{1000, 1600, 1300},
                              {6000, 7000, 6500},
                              {3500, 4500, 4000},
                              {200, 600, 400},
                              {100, 7000, 1000}};
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(boxes[row]->minimum(), limits[row][0]);
        QCOMPARE(boxes[row]->maximum(), limits[row][1]);
        QCOMPARE(group.coefficientValue(row), limits[row][2]);
        QCOMPARE(group.isRowSelected(row), row < 3);
    }
}

void TestWidgets::coilUserEdits()
{
    MyGroupBox group;
    group.show();
    QVERIFY(QTest::qWaitForWindowExposed(&group));

    // The table keeps what the user clicks and types.
    QCheckBox *first = group.findChildren<QCheckBox *>().at(0);
    QTest::mouseClick(first, Qt::LeftButton, Qt::NoModifier, first->rect().center());
    QVERIFY(!group.isRowSelected(0));
    QVERIFY(group.isRowSelected(1) && group.isRowSelected(2));
    QTest::mouseClick(first, Qt::LeftButton, Qt::NoModifier, first->rect().center());
    QVERIFY(group.isRowSelected(0));

    const QList<QSpinBox *> boxes = group.findChildren<QSpinBox *>();
    typeInto(boxes[1], QStringLiteral("6789"));
    QCOMPARE(group.coefficientValue(1), 6789);
    typeInto(boxes[0], QStringLiteral("50")); // below the limit: corrected to it
    QCOMPARE(group.coefficientValue(0), 1000);
    typeInto(boxes[3], QStringLiteral("5999")); // the digit that would exceed it is refused
    QCOMPARE(group.coefficientValue(3), 599);
}

void TestWidgets::coilProgrammaticChanges()
{
    MyGroupBox group;
    // A read record's coefficients are clamped to the row's limits.
    group.setCoefficientValue(1, 9000);
    QCOMPARE(group.coefficientValue(1), 7000);

    group.setRowSelected(3, true);
    group.setRowSelected(0, false);
    QVERIFY(group.isRowSelected(3) && !group.isRowSelected(0));

    // Restoring the defaults resets the coefficients and keeps the selection.
    group.setDefaultValueSlots();
    for (int row = 0; row < 5; ++row)
        QCOMPARE(group.coefficientValue(row),
                 (std::array<int, 5>{1300, 6500, 4000, 400, 1000}[row]));
    QVERIFY(!group.isRowSelected(0) && group.isRowSelected(1) && group.isRowSelected(3));

    group.setCoefficientValue(5, 100); // outside the table: ignored
    QCOMPARE(group.coefficientValue(5), 0);
}

void TestWidgets::sliderToolTip()
{
    MySlider slider;
    slider.setOrientation(Qt::Horizontal);
    slider.setRange(0, 255);
    slider.setValue(200);
    slider.setValueSuffix(QStringLiteral(" nit"));
    slider.resize(300, 40);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));

    QTest::mousePress(&slider, Qt::RightButton, Qt::NoModifier, QPoint(150, 20));
    QVERIFY(QToolTip::text().isEmpty()); // only the left button shows the value
    QTest::mouseRelease(&slider, Qt::RightButton, Qt::NoModifier, QPoint(150, 20));

    // A press shows the value before the slider moves; a move shows the value it then has.
    QTest::mousePress(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(5, 20));
    QCOMPARE(QToolTip::text(), QStringLiteral("200 nit"));
    QVERIFY(slider.value() != 200);
    QTest::mouseMove(&slider, QPoint(20, 20));
    QCOMPARE(QToolTip::text(), QString::number(slider.value()) + QStringLiteral(" nit"));
    QTest::mouseRelease(&slider, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));

    slider.setValue(42); // after the release a move no longer updates the tip
    QTest::mouseMove(&slider, QPoint(250, 20));
    QVERIFY(QToolTip::text() != QStringLiteral("42 nit"));
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
