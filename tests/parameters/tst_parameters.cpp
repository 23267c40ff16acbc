// The parameter tab, the curve tabs and the page-level commands on a real main window, against
// the virtual device.

#include "app/mainwindow.h"
#include "device/hidbackend.h"
#include "device/session.h"
#include "device/transport.h"
#include "parameters/widgets/mygroupbox.h"
#include "parameters/widgets/myslider.h"
#include "parameters/widgets/qcurve.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "shell/language.h"
#include "support/testsupport.h"
#include "virtualdevice/virtualdevice.h"

#include "ui_mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Points = std::array<int, CurvePointCount>;

// The log lines from line `from` on, without their "[hh-mm-ss]" stamps.
QStringList logTextsFrom(const MainWindow &window, int from)
{
    const QString text = window.ui->rizhiTextEdit->toPlainText();
    QStringList texts;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = from; i < lines.size() && !text.isEmpty(); ++i)
        texts << lines.at(i).mid(10);
    return texts;
}

int logSize(const MainWindow &window)
{
    const QString text = window.ui->rizhiTextEdit->toPlainText();
    return text.isEmpty() ? 0 : text.count(QLatin1Char('\n')) + 1;
}

void putU16(QByteArray &data, int value)
{
    data.append(char((value >> 8) & 0xFF));
    data.append(char(value & 0xFF));
}

// A frame as the device expects it, assembled here byte by byte.
QByteArray expectedFrame(quint8 code, const QByteArray &data)
{
    QByteArray frame("\x68\x10\x05", 3); // the virtual device's address 0x1005
    frame.append(char(code));
    putU16(frame, data.size());
    frame.append(data);
    const quint16 crc = crc16(frame.mid(1));
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    frame.append(char(0x16));
    return frame.toHex(' ');
}

template<class Container>
Points valuesOf(const Container &points)
{
    Points values{};
    for (int p = 0; p < CurvePointCount; ++p)
        values[p] = points[p].value;
    return values;
}

void setValues(QCurve *curve, const Points &values)
{
    for (int p = 0; p < CurvePointCount; ++p)
        curve->points[p].value = values[p];
}

Points filled(int value)
{
    Points values;
    values.fill(value);
    return values;
}

Points ramp(int first, int step)
{
    Points values{};
    for (int p = 0; p < CurvePointCount; ++p)
        values[p] = first + step * p;
    return values;
}

} // namespace

namespace QTest {
template<>
char *toString(const Points &values)
{
    QStringList texts;
    for (int value : values)
        texts << QString::number(value);
    return qstrdup(qPrintable(texts.join(QLatin1Char(' '))));
}
} // namespace QTest

class ParametersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void parameterWriteFrame_data();
    void parameterWriteFrame();
    void nothingSentWithoutDevice();
    void connectionShowsReadRecord_data();
    void connectionShowsReadRecord();
    void connectionShowsGroupOne();
    void groupSwitchKeepsEdits();
    void unitConversion();
    void celsiusRoundTrip();
    void curveWriteFrames();
    void clockCommands();
    void factoryReset_data();
    void factoryReset();
    void resetAll();
    void valueLabelsAfterLanguageSwitch();

private:
    void startWindow();
    QTemporaryDir workDir;
    std::shared_ptr<VirtualDevice> device;
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow *ui = nullptr;
};

void ParametersTest::initTestCase()
{
    initArtResources();
    initTranslationResources();
    QVERIFY(workDir.isValid());
    QVERIFY(QDir::setCurrent(workDir.path()));
}

void ParametersTest::init()
{
    currentLanguage = English;
    VirtualDevice::Settings settings;
    settings.clockRuns = false; // stays at 2021-03-05 09:07:30
    device = std::make_shared<VirtualDevice>(settings);
}

// Builds the window over the current device; its start-up connects when the device is plugged.
void ParametersTest::startWindow()
{
    setHidBackend(std::make_shared<VirtualBus>(device));
    window = std::make_unique<MainWindow>();
    window->setResultPauseScale(0.0);
    ui = window->ui;
    device->clearLog();
}

void ParametersTest::cleanup()
{
    window.reset();
    closeHidDevice();
    deviceSession().clear();
    device.reset();
}

void ParametersTest::parameterWriteFrame_data()
{
    QTest::addColumn<QList<bool>>("selected");
    QTest::addColumn<int>("bright");
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QByteArray>("tail"); // items 6 and 7 as they must go on the wire

    QTest::newRow("rows 1 and 3, 255, 3 s") << QList<bool>{false, true, false, true, false} << 255
                                            << 3 << QByteArray("\x01\x00\xFF\x01\x01\x2C", 6);
    QTest::newRow("all rows, 0, 10 s") << QList<bool>{true, true, true, true, true} << 0 << 10
                                       << QByteArray("\x01\x00\x00\x01\x03\xE8", 6);
}

void ParametersTest::parameterWriteFrame()
{
    QFETCH(QList<bool>, selected);
    QFETCH(int, bright);
    QFETCH(int, seconds);
    QFETCH(QByteArray, tail);

    startWindow();
    QVERIFY(deviceSession().deviceOpen);
    const std::array<int, 5> coefficients{{1001, 6999, 3500, 599, 7000}};
    for (int row = 0; row < 5; ++row) {
        ui->wenkongGroupBox->setCoefficientValue(row, quint16(coefficients[row]));
        ui->wenkongGroupBox->setRowSelected(row, selected[row]);
    }
    ui->lcdBrightSlider->setValue(bright);
    ui->smokeSlider->setValue(seconds);
    ui->tabWidget->setCurrentIndex(1);
    const int logStart = logSize(*window);

    window->writeToDeviceSlots();

    QByteArray data;
    for (int row = 0; row < 5; ++row) {
        data.append(char(selected[row] ? 1 : 0));
        putU16(data, coefficients[row]);
    }
    const auto frames = device->receivedFrames();
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first().toHex(' '), expectedFrame(0x33, data + tail));
    QCOMPARE(logTextsFrom(*window, logStart),
             QStringList({" [Write user source task]", " [Write user source task] scuessfully"}));

    // Without a reply after the three tries the failure is logged.
    device->dropReplies(3, 0x33);
    window->writeToDeviceSlots();
    QCOMPARE(device->receivedFrames().size(), 4);
    QCOMPARE(logTextsFrom(*window, logStart + 2).last(),
             QStringLiteral(" [Write user source task] failed"));
}

void ParametersTest::nothingSentWithoutDevice()
{
    startWindow();
    // With a device, the read command fetches nothing on the parameter and curve tabs.
    for (int tab = 1; tab < 4; ++tab) {
        ui->tabWidget->setCurrentIndex(tab);
        window->readFromDeviceSlots();
    }
    QCOMPARE(device->receivedFrames().size(), 0);

    closeHidDevice();
    const int logStart = logSize(*window);
    for (int tab = 0; tab < 4; ++tab) {
        ui->tabWidget->setCurrentIndex(tab);
        window->writeToDeviceSlots();
        window->readFromDeviceSlots();
    }
    QCOMPARE(device->receivedFrames().size(), 0);
    QCOMPARE(logTextsFrom(*window, logStart), QStringList());
}

void ParametersTest::connectionShowsReadRecord_data()
{
    QTest::addColumn<int>("smokeTime");
    QTest::addColumn<int>("seconds");
    QTest::newRow("6.5 s rounds up") << 650 << 7;
    QTest::newRow("whole seconds") << 800 << 8;
    QTest::newRow("above the slider") << 1500 << 10;
    QTest::newRow("below the slider") << 120 << 3;
    QTest::newRow("reported in seconds") << 7 << 7;
    QTest::newRow("seconds below the slider") << 2 << 3;
}

void ParametersTest::connectionShowsReadRecord()
{
    QFETCH(int, smokeTime);
    QFETCH(int, seconds);

    VirtualDevice::Parameters parameters;
    parameters.coilEnabled = {{true, false, true, false, true}}; // selection word 0x0014
    parameters.coilValues = {{1111, 6222, 3555, 444, 5555}};
    parameters.lcdBright = 77;
    parameters.smokeTime = quint16(smokeTime);
    device->setParameters(parameters);
    startWindow();

    const DeviceSession &session = deviceSession();
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(ui->wenkongGroupBox->coefficientValue(row), int(parameters.coilValues[row]));
        QCOMPARE(ui->wenkongGroupBox->isRowSelected(row), parameters.coilEnabled[row]);
        // Showing one row must not overwrite the other rows of the record.
        QCOMPARE(session.coilValues[row], parameters.coilValues[row]);
        QCOMPARE(session.coilEnabled[row] != 0, parameters.coilEnabled[row]);
    }
    QCOMPARE(ui->lcdBrightSlider->value(), 77);
    QCOMPARE(ui->lcdBrightValueLabel->text(), QStringLiteral("77"));
    QCOMPARE(ui->smokeSlider->value(), seconds);
    QCOMPARE(ui->smokeValueLabel->text(), QString::number(seconds));
    // A time the slider cannot show is not changed silently.
    const bool clamped = smokeTime == 1500 || smokeTime == 120 || smokeTime == 2;
    QCOMPARE(window->ui->rizhiTextEdit->toPlainText().contains(QStringLiteral("out of range")),
             clamped);

    // Written back unchanged, the record reaches the device as it was read.
    ui->tabWidget->setCurrentIndex(1);
    window->writeToDeviceSlots();
    const VirtualDevice::Parameters back = device->parameters();
    QCOMPARE(back.coilValues, parameters.coilValues);
    QCOMPARE(back.coilEnabled, parameters.coilEnabled);
    QCOMPARE(int(back.smokeTime), seconds * 100);
}

void ParametersTest::connectionShowsGroupOne()
{
    // Device groups: 300 + 10g + p F (offset 100 + 10g + p), 10 + g + 2p W (offset 5 + g + 2p).
    for (int group = 0; group < 5; ++group) {
        std::array<quint16, 10> temp{}, power{};
        for (int p = 0; p < 10; ++p) {
            temp[p] = quint16(300 + 10 * group + p);
            power[p] = quint16(10 + group + 2 * p);
        }
        device->setTempCurve(group, temp);
        device->setPowerCurve(group, power);
    }
    device->unplug();
    startWindow();

    // Before the device comes, the user looks at group 3 of both curves.
    ui->tabWidget->setCurrentIndex(2);
    ui->wkRadioButton3->click();
    ui->tabWidget->setCurrentIndex(3);
    ui->powerRadioButton3->click();

    device->plugIn();
    window->openUsbDeviceSlots();
    QVERIFY(deviceSession().deviceOpen);
    QVERIFY(ui->wkRadioButton1->isChecked());
    QVERIFY(ui->powerRadioButton1->isChecked());
    QCOMPARE(valuesOf(ui->wkWidget->points), ramp(100, 1));
    QCOMPARE(valuesOf(ui->powerWidget->points), ramp(5, 2));

    // The next switch stores the shown curve into group 1, not into group 3.
    const DeviceSession &session = deviceSession();
    setValues(ui->wkWidget, filled(7));
    ui->tabWidget->setCurrentIndex(2);
    ui->wkRadioButton2->click();
    QCOMPARE(valuesOf(session.tempCurves[0]), filled(7));
    QCOMPARE(valuesOf(session.tempCurves[2]), ramp(120, 1));
    QCOMPARE(valuesOf(ui->wkWidget->points), ramp(110, 1));

    setValues(ui->powerWidget, filled(3));
    ui->tabWidget->setCurrentIndex(3);
    ui->powerRadioButton4->click();
    QCOMPARE(valuesOf(session.powerCurves[0]), filled(3));
    QCOMPARE(valuesOf(session.powerCurves[2]), ramp(7, 2));
    QCOMPARE(valuesOf(ui->powerWidget->points), ramp(8, 2));
}

void ParametersTest::groupSwitchKeepsEdits()
{
    startWindow();
    const DeviceSession &session = deviceSession();
    const Points edited = ramp(0, 40);

    ui->tabWidget->setCurrentIndex(2);
    setValues(ui->wkWidget, edited);
    ui->wkRadioButton1->click(); // the group already shown
    QCOMPARE(valuesOf(ui->wkWidget->points), edited);
    ui->wkRadioButton2->click();
    setValues(ui->wkWidget, filled(99));
    ui->wkRadioButton1->click();
    QCOMPARE(valuesOf(ui->wkWidget->points), edited);
    ui->wkRadioButton2->click();
    QCOMPARE(valuesOf(ui->wkWidget->points), filled(99));
    QCOMPARE(valuesOf(session.tempCurves[4]), filled(180)); // never shown: the device's 380 F

    // A group button of the other page changes nothing.
    ui->tabWidget->setCurrentIndex(3);
    ui->wkRadioButton5->click();
    QCOMPARE(valuesOf(ui->wkWidget->points), filled(99));
    setValues(ui->powerWidget, filled(60));
    ui->powerRadioButton5->click();
    ui->powerRadioButton1->click();
    QCOMPARE(valuesOf(ui->powerWidget->points), filled(60));
    QCOMPARE(valuesOf(session.powerCurves[4]), filled(45));
}

void ParametersTest::unitConversion()
{
    startWindow();
    DeviceSession &session = deviceSession();
    ui->tabWidget->setCurrentIndex(2);
    // 380, 200, 600, 212, 150 (below the range) and 700 F (above it).
    setValues(ui->wkWidget, {{180, 0, 400, 12, -50, 500, 180, 180, 180, 180}});
    for (CurvePoint &point : session.tempCurves[3])
        point.value = 100; // 300 F in a group that is not shown

    ui->tempUnitComboBox->setCurrentIndex(0);
    QCOMPARE(int(session.tempUnit), 0);
    QCOMPARE(ui->wkWidget->yMinimum(), 100);
    QCOMPARE(ui->wkWidget->yMaximum(), 315);
    const Points celsius{{93, 0, 215, 0, 0, 215, 93, 93, 93, 93}};
    QCOMPARE(valuesOf(ui->wkWidget->points), celsius);
    QCOMPARE(valuesOf(session.tempCurves[0]), celsius);
    QCOMPARE(valuesOf(session.tempCurves[3]), filled(49)); // 149 C
    QCOMPARE(ui->wkWidget->statusLine(), QStringLiteral("0 s 193℃"));

    // A write in Celsius sends Celsius values with unit 0; the device keeps Fahrenheit.
    window->writeToDeviceSlots();
    const QByteArray frame = device->receivedFrames().last();
    QCOMPARE(int(frame[7]), 0);
    QCOMPARE((quint8(frame[9]) << 8) | quint8(frame[10]), 193);
    QCOMPARE(int(device->tempUnit()), 0);
    QCOMPARE(device->tempCurves()[0][0], quint16(380));

    ui->tempUnitComboBox->setCurrentIndex(1);
    QCOMPARE(ui->wkWidget->yMinimum(), 200);
    QCOMPARE(valuesOf(ui->wkWidget->points), Points({180, 0, 400, 0, 0, 400, 180, 180, 180, 180}));
    QCOMPARE(valuesOf(session.tempCurves[3]), filled(100)); // 149 C is 300 F
    QCOMPARE(ui->wkWidget->statusLine(), QStringLiteral("0 s 380℉"));

    // The Default button in Celsius gives 280 C; the stored group keeps its curve.
    ui->tempUnitComboBox->setCurrentIndex(0);
    ui->powerDefaultButton->click(); // not this page's button
    QCOMPARE(valuesOf(ui->wkWidget->points), celsius);
    ui->wkButton->click();
    QCOMPARE(ui->wkWidget->yMinimum() + ui->wkWidget->points[9].value, 280);
    QCOMPARE(valuesOf(session.tempCurves[0]), celsius);
}

void ParametersTest::celsiusRoundTrip()
{
    startWindow();
    DeviceSession &session = deviceSession();
    ui->tabWidget->setCurrentIndex(2);
    ui->tempUnitComboBox->setCurrentIndex(0);
    const Points written{{0, 20, 57, 93, 150, 199, 215, 1, 120, 77}};
    setValues(ui->wkWidget, written);
    window->writeToDeviceSlots();

    // Read back after a reconnect, every point is what was written (±1 from the rounding of
    // the two conversions).
    window->openUsbDeviceSlots();
    QCOMPARE(int(session.tempUnit), 0);
    const Points read = valuesOf(ui->wkWidget->points);
    for (int i = 0; i < 10; ++i)
        QVERIFY2(qAbs(read[i] - written[i]) <= 1, qPrintable(QString::number(i)));
}

void ParametersTest::curveWriteFrames()
{
    startWindow();
    const Points values{{0, 1, 2, 100, 200, 300, 400, 255, 256, 17}};

    ui->tabWidget->setCurrentIndex(2);
    ui->wkRadioButton3->click();
    setValues(ui->wkWidget, values);
    window->writeToDeviceSlots();
    QByteArray data("\x01\x01\x02", 3); // temperature, Fahrenheit, group 3
    for (int value : values)
        putU16(data, 200 + value);
    QCOMPARE(device->receivedFrames().size(), 1);
    QCOMPARE(device->receivedFrames().first().toHex(' '), expectedFrame(0x32, data));

    device->clearLog();
    ui->tabWidget->setCurrentIndex(3);
    ui->powerRadioButton5->click();
    setValues(ui->powerWidget, values);
    window->writeToDeviceSlots();
    data = QByteArray("\x00\x00\x04", 3); // power, no unit, group 5
    for (int value : values)
        putU16(data, 5 + value);
    QCOMPARE(device->receivedFrames().size(), 1);
    QCOMPARE(device->receivedFrames().first().toHex(' '), expectedFrame(0x32, data));
}

void ParametersTest::clockCommands()
{
    startWindow();
    const int logStart = logSize(*window);
    window->readTimeSlots();
    const QDateTime before = QDateTime::currentDateTime();
    window->setTimeSlots();
    QVERIFY(qAbs(device->clock().secsTo(before)) <= 2);

    device->dropReplies(3, 0x3A);
    window->setTimeSlots();
    device->dropReplies(3, 0x3B);
    window->readTimeSlots();
    closeHidDevice();
    window->setTimeSlots(); // no device: the command fails
    QCOMPARE(logTextsFrom(*window, logStart),
             QStringList({" 21-3-5  9:7:30", "设置时间成功", "设置时间失败", " 读取时间失败",
                          "设置时间失败"}));
}

void ParametersTest::factoryReset_data()
{
    QTest::addColumn<bool>("plugged");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("logged");
    QTest::newRow("accepted reply") << true << true << " 恢复出厂设置成功!";
    QTest::newRow("no reply") << true << false << " 恢复出厂设置失败!";
    QTest::newRow("no device") << false << true << " 设备未连接!";
}

void ParametersTest::factoryReset()
{
    QFETCH(bool, plugged);
    QFETCH(bool, answered);
    QFETCH(QString, logged);

    VirtualDevice::Parameters parameters;
    parameters.lcdBright = 33;
    device->setParameters(parameters);
    device->setRestoreDefaultsAnswered(answered);
    if (!plugged)
        device->unplug();
    startWindow();
    QSignalSpy reopen(window.get(), SIGNAL(reopenHidSignals()));
    const int logStart = logSize(*window);

    window->setToDefault();
    QCOMPARE(logTextsFrom(*window, logStart), QStringList{logged});
    QCOMPARE(device->factoryResets(), plugged ? 1 : 0);
    if (!plugged) {
        QTest::qWait(20);
        QCOMPARE(reopen.count(), 0);
        return;
    }
    // The connection that follows shows the restored settings.
    QVERIFY(reopen.wait(1000));
    QTRY_COMPARE(ui->lcdBrightSlider->value(), 200);
}

void ParametersTest::resetAll()
{
    startWindow();
    DeviceSession &session = deviceSession();
    MyGroupBox *coils = ui->wenkongGroupBox;
    for (int row = 0; row < 5; ++row) {
        coils->setCoefficientValue(row, 7000);
        coils->setRowSelected(row, row == 4);
    }
    ui->smokeSlider->setValue(4);
    ui->lcdBrightSlider->setValue(12);
    setValues(ui->wkWidget, filled(1));
    setValues(ui->powerWidget, filled(2));
    for (int group = 0; group < 5; ++group) {
        for (int p = 0; p < 10; ++p)
            session.tempCurves[group][p].value = session.powerCurves[group][p].value = group;
    }
    session.pictureWriteMask = 0;

    window->resetAllSlots();

    // Rows 1 to 3 are selected, rows 4 and 5 keep their state; the record follows.
    const std::array<int, 5> defaults{{1300, 6500, 4000, 400, 1000}};
    const std::array<bool, 5> selected{{true, true, true, false, true}};
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(coils->coefficientValue(row), defaults[row]);
        QCOMPARE(int(session.coilValues[row]), defaults[row]);
        QCOMPARE(coils->isRowSelected(row), selected[row]);
        QCOMPARE(session.coilEnabled[row] != 0, selected[row]);
    }
    QCOMPARE(ui->smokeSlider->value(), 10);
    QCOMPARE(ui->lcdBrightSlider->value(), 200);
    QCOMPARE(valuesOf(ui->wkWidget->points), filled(180));
    QCOMPARE(valuesOf(ui->powerWidget->points), filled(45));
    for (int group = 0; group < 5; ++group) {
        QCOMPARE(valuesOf(session.tempCurves[group]), filled(180));
        QCOMPARE(valuesOf(session.powerCurves[group]), filled(45));
    }
    QCOMPARE(int(session.pictureWriteMask), 0x0FFF);
    const QStringList files = session.pictureFiles();
    QCOMPARE(files.size(), 12);
    for (int slot = 0; slot < files.size(); ++slot)
        QCOMPARE(files[slot], window->defaultPicturePaths[session.screenFormat][slot]);
    QCOMPARE(device->receivedFrames().size(), 0); // nothing is sent
}

void ParametersTest::valueLabelsAfterLanguageSwitch()
{
    startWindow();
    QCOMPARE(ui->paraButton->text(), QStringLiteral("Default(&B)"));
    ui->lcdBrightSlider->setValue(123);
    ui->smokeSlider->setValue(5);
    ui->tabWidget->setCurrentIndex(2);
    ui->tempUnitComboBox->setCurrentIndex(0);
    window->simplifiedChineseAction->trigger();

    QCOMPARE(ui->lightLlabel->text(), QStringLiteral("屏幕亮度"));
    QCOMPARE(ui->paraButton->text(), QStringLiteral("恢复本页默认值(&B)"));
    // The value labels keep showing the sliders, and the unit stays Celsius.
    QCOMPARE(ui->lcdBrightValueLabel->text(), QStringLiteral("123"));
    QCOMPARE(ui->smokeValueLabel->text(), QStringLiteral("5"));
    QCOMPARE(ui->wkWidget->statusLine(), QStringLiteral("0 秒193℃"));
}

KORLEX_WINDOW_TEST_MAIN(ParametersTest)

#include "tst_parameters.moc"
