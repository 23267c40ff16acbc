// The parameter tab, the curve tabs and the page-level commands on a real main window, against
// the virtual device.

#include "app/mainwindow.h"
#include "device/frame.h"
#include "device/hidbackend.h"
#include "device/ui/connectionbar.h"
#include "parameters/ui/curvepages.h"
#include "parameters/widgets/mygroupbox.h"
#include "parameters/widgets/myslider.h"
#include "parameters/widgets/qcurve.h"
#include "pictures/pictureset.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "shell/language.h"
#include "support/testsupport.h"
#include "support/windowhelpers.h"
#include "virtualdevice/virtualdevice.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Points = std::array<int, CurvePointCount>;

// The log lines from line `from` on, without their "[hh-mm-ss]" stamps.
QStringList logTextsFrom(const MainWindow &window, int from)
{
    return logTexts(window).mid(from);
}

int logSize(const MainWindow &window)
{
    return logTexts(window).size();
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

// A stored group as offsets above the range minimum of a unit, as the curve widget shows it.
Points storedOffsets(const CurveSet &curves, int group, TemperatureUnit unit)
{
    const CurveSet::Points values = curves.temperaturesIn(group, unit);
    Points offsets{};
    for (int p = 0; p < CurvePointCount; ++p)
        offsets[p] = values[p] - CurveSet::temperatureMin(unit);
    return offsets;
}

Points storedPowerOffsets(const CurveSet &curves, int group)
{
    Points offsets{};
    for (int p = 0; p < CurvePointCount; ++p)
        offsets[p] = curves.powers[group][p] - curves.powerMin;
    return offsets;
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

// The widgets of the window's form that the tests work with, found by their object names.
struct Form
{
    explicit Form(const MainWindow &window)
    {
        const auto find = [&window](const char *name) {
            return named<QWidget>(&window, QLatin1String(name));
        };
        coils = qobject_cast<MyGroupBox *>(find("wenkongGroupBox"));
        brightness = qobject_cast<MySlider *>(find("lcdBrightSlider"));
        puff = qobject_cast<MySlider *>(find("smokeSlider"));
        brightnessValue = qobject_cast<QLabel *>(find("lcdBrightValueLabel"));
        puffValue = qobject_cast<QLabel *>(find("smokeValueLabel"));
        brightnessCaption = qobject_cast<QLabel *>(find("lightLlabel"));
        coilDefaults = qobject_cast<QPushButton *>(find("paraButton"));
        tabs = qobject_cast<QTabWidget *>(find("tabWidget"));
        tempCurve = qobject_cast<QCurve *>(find("wkWidget"));
        powerCurve = qobject_cast<QCurve *>(find("powerWidget"));
        unit = qobject_cast<QComboBox *>(find("tempUnitComboBox"));
        tempDefault = qobject_cast<QPushButton *>(find("wkButton"));
        powerDefault = qobject_cast<QPushButton *>(find("powerDefaultButton"));
        read = qobject_cast<QPushButton *>(find("readFromDeviceButton"));
        write = qobject_cast<QPushButton *>(find("writeToDeviceButton"));
        resetAll = qobject_cast<QPushButton *>(find("resetDefaultButton"));
        setClock = qobject_cast<QPushButton *>(find("setTimePushButton"));
        readClock = qobject_cast<QPushButton *>(find("readTimePushbutton"));
        factoryReset = qobject_cast<QPushButton *>(find("setTimeDefaultButton"));
        disconnect = qobject_cast<QPushButton *>(find("unconnectButton"));
        for (int group = 0; group < 5; ++group) {
            tempGroups[group] = qobject_cast<QRadioButton *>(
                    find(QStringLiteral("wkRadioButton%1").arg(group + 1).toLatin1().constData()));
            powerGroups[group] = qobject_cast<QRadioButton *>(find(
                    QStringLiteral("powerRadioButton%1").arg(group + 1).toLatin1().constData()));
        }
    }

    MyGroupBox *coils;
    MySlider *brightness;
    MySlider *puff;
    QLabel *brightnessValue;
    QLabel *puffValue;
    QLabel *brightnessCaption;
    QPushButton *coilDefaults;
    QTabWidget *tabs;
    QCurve *tempCurve;
    QCurve *powerCurve;
    QComboBox *unit;
    QPushButton *tempDefault;
    QPushButton *powerDefault;
    QPushButton *read;
    QPushButton *write;
    QPushButton *resetAll;
    QPushButton *setClock;
    QPushButton *readClock;
    QPushButton *factoryReset;
    QPushButton *disconnect;
    std::array<QRadioButton *, 5> tempGroups{};
    std::array<QRadioButton *, 5> powerGroups{};
};

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
    // Waits until the device has received count frames in all (since its log was cleared).
    bool waitForFrames(int count)
    {
        return QTest::qWaitFor([&]() { return device->receivedFrames().size() >= count; }, 5000);
    }
    Device *connected() const { return window->deviceManager()->devices().value(0); }
    const CurveSet &curves() const { return connected()->curves(); }

    QTemporaryDir workDir;
    std::shared_ptr<VirtualDevice> device;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<Form> ui;
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
    const bool plugged = device->mode() != VirtualDevice::Mode::Unplugged;
    setHidBackend(std::make_shared<VirtualBus>(device));
    window = std::make_unique<MainWindow>();
    window->setResultPauseScale(0.0);
    ui = std::make_unique<Form>(*window);
    if (plugged)
        QVERIFY(waitForConnectedDevice(*window));
    device->clearLog();
}

void ParametersTest::cleanup()
{
    ui.reset();
    window.reset();
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
    const std::array<int, 5> coefficients{{1001, 6999, 3500, 599, 7000}};
    for (int row = 0; row < 5; ++row) {
        ui->coils->setCoefficientValue(row, quint16(coefficients[row]));
        ui->coils->setRowSelected(row, selected[row]);
    }
    ui->brightness->setValue(bright);
    ui->puff->setValue(seconds);
    ui->tabs->setCurrentIndex(1);
    const int logStart = logSize(*window);

    ui->write->click();

    QByteArray data;
    for (int row = 0; row < 5; ++row) {
        data.append(char(selected[row] ? 1 : 0));
        putU16(data, coefficients[row]);
    }
    QVERIFY(waitForFrames(1));
    const auto frames = device->receivedFrames();
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first().toHex(' '), expectedFrame(0x33, data + tail));
    QTRY_COMPARE(
            logTextsFrom(*window, logStart),
            QStringList({" [Write user source task]", " [Write user source task] scuessfully"}));

    // Without a reply after the three tries the failure is logged.
    device->dropReplies(3, 0x33);
    ui->write->click();
    QTRY_COMPARE(logTextsFrom(*window, logStart + 2).size(), 2);
    QCOMPARE(device->receivedFrames().size(), 4);
    QCOMPARE(logTextsFrom(*window, logStart + 2).last(),
             QStringLiteral(" [Write user source task] failed"));
}

void ParametersTest::nothingSentWithoutDevice()
{
    startWindow();
    // With a device, the read command fetches nothing on the parameter and curve tabs.
    for (int tab = 1; tab < 4; ++tab) {
        ui->tabs->setCurrentIndex(tab);
        ui->read->click();
    }
    QTest::qWait(50);
    QCOMPARE(device->receivedFrames().size(), 0);

    ui->disconnect->click();
    const int logStart = logSize(*window);
    for (int tab = 0; tab < 4; ++tab) {
        ui->tabs->setCurrentIndex(tab);
        ui->write->click();
        ui->read->click();
    }
    QTest::qWait(50);
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

    const ParameterRecord &record = connected()->parameters();
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(ui->coils->coefficientValue(row), int(parameters.coilValues[row]));
        QCOMPARE(ui->coils->isRowSelected(row), parameters.coilEnabled[row]);
        // Showing one row must not overwrite the other rows of the record.
        QCOMPARE(record.coilValues[row], parameters.coilValues[row]);
        QCOMPARE(record.coilOn[row], parameters.coilEnabled[row]);
    }
    QCOMPARE(ui->brightness->value(), 77);
    QCOMPARE(ui->brightnessValue->text(), QStringLiteral("77"));
    QCOMPARE(ui->puff->value(), seconds);
    QCOMPARE(ui->puffValue->text(), QString::number(seconds));
    // A time the slider cannot show is not changed silently.
    const bool clamped = smokeTime == 1500 || smokeTime == 120 || smokeTime == 2;
    QCOMPARE(logText(*window).contains(QStringLiteral("out of range")), clamped);

    // Written back unchanged, the record reaches the device as it was read.
    ui->tabs->setCurrentIndex(1);
    ui->write->click();
    QVERIFY(waitForFrames(1));
    QTRY_COMPARE(int(device->parameters().smokeTime), seconds * 100);
    const VirtualDevice::Parameters back = device->parameters();
    QCOMPARE(back.coilValues, parameters.coilValues);
    QCOMPARE(back.coilEnabled, parameters.coilEnabled);
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
    ui->tabs->setCurrentIndex(2);
    ui->tempGroups[2]->click();
    ui->tabs->setCurrentIndex(3);
    ui->powerGroups[2]->click();

    // Plugged in, it connects by itself.
    device->plugIn();
    QVERIFY(waitForConnectedDevice(*window));
    QTRY_VERIFY(ui->tempGroups[0]->isChecked());
    QVERIFY(ui->powerGroups[0]->isChecked());
    QCOMPARE(valuesOf(ui->tempCurve->points), ramp(100, 1));
    QCOMPARE(valuesOf(ui->powerCurve->points), ramp(5, 2));

    // The next switch stores the shown curve into group 1, not into group 3.
    setValues(ui->tempCurve, filled(7));
    ui->tabs->setCurrentIndex(2);
    ui->tempGroups[1]->click();
    QCOMPARE(storedOffsets(curves(), 0, TemperatureUnit::Fahrenheit), filled(7));
    QCOMPARE(storedOffsets(curves(), 2, TemperatureUnit::Fahrenheit), ramp(120, 1));
    QCOMPARE(valuesOf(ui->tempCurve->points), ramp(110, 1));

    setValues(ui->powerCurve, filled(3));
    ui->tabs->setCurrentIndex(3);
    ui->powerGroups[3]->click();
    QCOMPARE(storedPowerOffsets(curves(), 0), filled(3));
    QCOMPARE(storedPowerOffsets(curves(), 2), ramp(7, 2));
    QCOMPARE(valuesOf(ui->powerCurve->points), ramp(8, 2));
}

void ParametersTest::groupSwitchKeepsEdits()
{
    startWindow();
    const Points edited = ramp(0, 40);

    ui->tabs->setCurrentIndex(2);
    setValues(ui->tempCurve, edited);
    ui->tempGroups[0]->click(); // the group already shown
    QCOMPARE(valuesOf(ui->tempCurve->points), edited);
    ui->tempGroups[1]->click();
    setValues(ui->tempCurve, filled(99));
    ui->tempGroups[0]->click();
    QCOMPARE(valuesOf(ui->tempCurve->points), edited);
    ui->tempGroups[1]->click();
    QCOMPARE(valuesOf(ui->tempCurve->points), filled(99));
    // Never shown: the device's 380 F.
    QCOMPARE(storedOffsets(curves(), 4, TemperatureUnit::Fahrenheit), filled(180));

    // A group button of the other page changes nothing.
    ui->tabs->setCurrentIndex(3);
    ui->tempGroups[4]->click();
    QCOMPARE(valuesOf(ui->tempCurve->points), filled(99));
    setValues(ui->powerCurve, filled(60));
    ui->powerGroups[4]->click();
    ui->powerGroups[0]->click();
    QCOMPARE(valuesOf(ui->powerCurve->points), filled(60));
    QCOMPARE(storedPowerOffsets(curves(), 4), filled(45));
}

void ParametersTest::unitConversion()
{
    startWindow();
    ui->tabs->setCurrentIndex(2);
    // 380, 200, 600, 212, 150 (below the range) and 700 F (above it).
    setValues(ui->tempCurve, {{180, 0, 400, 12, -50, 500, 180, 180, 180, 180}});
    CurveSet::Points threeHundred;
    threeHundred.fill(300);
    connected()->curves().setTemperaturesIn(3, threeHundred,
                                            TemperatureUnit::Fahrenheit); // a group not shown

    auto *page = window->findChild<TemperatureCurvePage *>();
    ui->unit->setCurrentIndex(0);
    QCOMPARE(page->unit(), TemperatureUnit::Celsius);
    QCOMPARE(ui->tempCurve->yMinimum(), 100);
    QCOMPARE(ui->tempCurve->yMaximum(), 315);
    const Points celsius{{93, 0, 215, 0, 0, 215, 93, 93, 93, 93}};
    QCOMPARE(valuesOf(ui->tempCurve->points), celsius);
    QCOMPARE(storedOffsets(curves(), 0, TemperatureUnit::Celsius), celsius);
    QCOMPARE(storedOffsets(curves(), 3, TemperatureUnit::Celsius), filled(49)); // 149 C
    QCOMPARE(ui->tempCurve->statusLine(), QStringLiteral("0 s 193℃"));

    // A write in Celsius sends Celsius values with unit 0; the device keeps Fahrenheit.
    ui->write->click();
    QVERIFY(waitForFrames(1));
    const QByteArray frame = device->receivedFrames().last();
    QCOMPARE(int(frame[7]), 0);
    QCOMPARE((quint8(frame[9]) << 8) | quint8(frame[10]), 193);
    QTRY_COMPARE(int(device->tempUnit()), 0);
    QCOMPARE(device->tempCurves()[0][0], quint16(380));

    ui->unit->setCurrentIndex(1);
    QCOMPARE(ui->tempCurve->yMinimum(), 200);
    QCOMPARE(valuesOf(ui->tempCurve->points), Points({180, 0, 400, 0, 0, 400, 180, 180, 180, 180}));
    // 149 C is 300 F.
    QCOMPARE(storedOffsets(curves(), 3, TemperatureUnit::Fahrenheit), filled(100));
    QCOMPARE(ui->tempCurve->statusLine(), QStringLiteral("0 s 380℉"));

    // The Default button in Celsius gives 280 C; the stored group keeps its curve.
    ui->unit->setCurrentIndex(0);
    ui->powerDefault->click(); // not this page's button
    QCOMPARE(valuesOf(ui->tempCurve->points), celsius);
    ui->tempDefault->click();
    QCOMPARE(ui->tempCurve->yMinimum() + ui->tempCurve->points[9].value, 280);
    QCOMPARE(storedOffsets(curves(), 0, TemperatureUnit::Celsius), celsius);
}

void ParametersTest::celsiusRoundTrip()
{
    startWindow();
    ui->tabs->setCurrentIndex(2);
    ui->unit->setCurrentIndex(0);
    const Points written{{0, 20, 57, 93, 150, 199, 215, 1, 120, 77}};
    setValues(ui->tempCurve, written);
    ui->write->click();
    QVERIFY(waitForFrames(1));
    QTRY_COMPARE(int(device->tempUnit()), 0);

    // Read back after a reconnect, every point is what was written (±1 from the rounding of
    // the two conversions).
    window->findChild<ConnectionBar *>()->connectDevices();
    QVERIFY(waitForFrames(2));
    QTRY_VERIFY(!connected()->isBusy());
    QCOMPARE(window->findChild<TemperatureCurvePage *>()->unit(), TemperatureUnit::Celsius);
    const Points read = valuesOf(ui->tempCurve->points);
    for (int i = 0; i < 10; ++i)
        QVERIFY2(qAbs(read[i] - written[i]) <= 1, qPrintable(QString::number(i)));
}

void ParametersTest::curveWriteFrames()
{
    startWindow();
    const Points values{{0, 1, 2, 100, 200, 300, 400, 255, 256, 17}};

    ui->tabs->setCurrentIndex(2);
    ui->tempGroups[2]->click();
    setValues(ui->tempCurve, values);
    ui->write->click();
    QByteArray data("\x01\x01\x02", 3); // temperature, Fahrenheit, group 3
    for (int value : values)
        putU16(data, 200 + value);
    QVERIFY(waitForFrames(1));
    QCOMPARE(device->receivedFrames().size(), 1);
    QCOMPARE(device->receivedFrames().first().toHex(' '), expectedFrame(0x32, data));
    QTRY_VERIFY(!connected()->isBusy());

    device->clearLog();
    ui->tabs->setCurrentIndex(3);
    ui->powerGroups[4]->click();
    const Points powers{{0, 1, 2, 100, 115, 30, 40, 55, 56, 17}}; // inside the model's 5..120 W
    setValues(ui->powerCurve, powers);
    ui->write->click();
    data = QByteArray("\x00\x00\x04", 3); // power, no unit, group 5
    for (int value : powers)
        putU16(data, 5 + value);
    QVERIFY(waitForFrames(1));
    QCOMPARE(device->receivedFrames().size(), 1);
    QCOMPARE(device->receivedFrames().first().toHex(' '), expectedFrame(0x32, data));
}

void ParametersTest::clockCommands()
{
    startWindow();
    const int logStart = logSize(*window);
    ui->readClock->click();
    QTRY_COMPARE(logSize(*window), logStart + 1);
    const QDateTime before = QDateTime::currentDateTime();
    ui->setClock->click();
    QTRY_COMPARE(logSize(*window), logStart + 2);
    QVERIFY(qAbs(device->clock().secsTo(before)) <= 2);

    device->dropReplies(3, 0x3A);
    ui->setClock->click();
    QTRY_COMPARE(logSize(*window), logStart + 3);
    device->dropReplies(3, 0x3B);
    ui->readClock->click();
    QTRY_COMPARE(logSize(*window), logStart + 4);
    ui->disconnect->click();
    ui->setClock->click(); // no device: the command fails
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
    const int logStart = logSize(*window);

    ui->factoryReset->click();
    QTRY_COMPARE(logTextsFrom(*window, logStart), QStringList{logged});
    QCOMPARE(device->factoryResets(), plugged ? 1 : 0);
    if (!plugged) {
        QTest::qWait(20);
        QCOMPARE(device->receivedFrames().size(), 0);
        return;
    }
    // The connection that follows shows the restored settings.
    QTRY_COMPARE(ui->brightness->value(), 200);
}

void ParametersTest::resetAll()
{
    startWindow();
    MyGroupBox *coils = ui->coils;
    for (int row = 0; row < 5; ++row) {
        coils->setCoefficientValue(row, 7000);
        coils->setRowSelected(row, row == 4);
    }
    ui->puff->setValue(4);
    ui->brightness->setValue(12);
    setValues(ui->tempCurve, filled(1));
    setValues(ui->powerCurve, filled(2));
    CurveSet &set = connected()->curves();
    for (int group = 0; group < 5; ++group) {
        CurveSet::Points temp, power;
        temp.fill(quint16(200 + group));
        power.fill(quint16(5 + group));
        set.setTemperaturesIn(group, temp, TemperatureUnit::Fahrenheit);
        set.setPowers(group, power);
    }
    connected()->pictures().clearMarks();

    ui->resetAll->click();

    // Rows 1 to 3 are selected, rows 4 and 5 keep their state.
    const std::array<int, 5> defaults{{1300, 6500, 4000, 400, 1000}};
    const std::array<bool, 5> selected{{true, true, true, false, true}};
    for (int row = 0; row < 5; ++row) {
        QCOMPARE(coils->coefficientValue(row), defaults[row]);
        QCOMPARE(coils->isRowSelected(row), selected[row]);
    }
    QCOMPARE(ui->puff->value(), 10);
    QCOMPARE(ui->brightness->value(), 200);
    QCOMPARE(valuesOf(ui->tempCurve->points), filled(180));
    QCOMPARE(valuesOf(ui->powerCurve->points), filled(45));
    for (int group = 0; group < 5; ++group) {
        QCOMPARE(storedOffsets(curves(), group, TemperatureUnit::Fahrenheit), filled(180));
        QCOMPARE(storedPowerOffsets(curves(), group), filled(45));
    }
    const PictureSet &pictures = connected()->pictures();
    QCOMPARE(int(pictures.writeMask()), 0x0FFF);
    QCOMPARE(pictures.count(), 12);
    for (int slot = 0; slot < pictures.count(); ++slot)
        QCOMPARE(pictures.file(slot), PictureSet::defaultPath(pictures.format(), slot));
    QTest::qWait(20);
    QCOMPARE(device->receivedFrames().size(), 0); // nothing is sent

    // What a write of the parameter tab sends now: the restored table and sliders.
    ui->tabs->setCurrentIndex(1);
    ui->write->click();
    QVERIFY(waitForFrames(1));
    QTRY_COMPARE(int(device->parameters().lcdBright), 200);
    QCOMPARE(int(device->parameters().smokeTime), 1000);
    QCOMPARE(device->parameters().coilEnabled, selected);
    QCOMPARE(device->parameters().coilValues,
             (std::array<quint16, 5>{{1300, 6500, 4000, 400, 1000}}));
}

void ParametersTest::valueLabelsAfterLanguageSwitch()
{
    startWindow();
    QCOMPARE(ui->coilDefaults->text(), QStringLiteral("Default(&B)"));
    ui->brightness->setValue(123);
    ui->puff->setValue(5);
    ui->tabs->setCurrentIndex(2);
    ui->unit->setCurrentIndex(0);
    window->findChild<QAction *>(QStringLiteral("simplifiedChineseAction"))->trigger();

    QCOMPARE(ui->brightnessCaption->text(), QStringLiteral("屏幕亮度"));
    QCOMPARE(ui->coilDefaults->text(), QStringLiteral("恢复本页默认值(&B)"));
    // The value labels keep showing the sliders, and the unit stays Celsius.
    QCOMPARE(ui->brightnessValue->text(), QStringLiteral("123"));
    QCOMPARE(ui->puffValue->text(), QStringLiteral("5"));
    QCOMPARE(ui->tempCurve->statusLine(), QStringLiteral("0 秒193℃"));
}

KORLEX_WINDOW_TEST_MAIN(ParametersTest)

#include "tst_parameters.moc"
