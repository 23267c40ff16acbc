// Connecting, refreshing, disconnecting, the log lines of the connection, the hand-over to the
// monitor program, and the whole program started against the virtual device.

#include "app/mainwindow.h"
#include "device/hidbackend.h"
#include "device/ui/connectionbar.h"
#include "device/ui/monitorprogram.h"
#include "parameters/widgets/qcurve.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "support/testsupport.h"
#include "support/windowhelpers.h"
#include "virtualdevice/virtualdevice.h"
#include "widgets/myframe.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A stand-in for the monitor program: it notes each start in started.txt and stays a while.
void writeMonitorProgram(const QString &folder)
{
    const QString path = folder + QLatin1Char('/') + MonitorProgram::imageName();
    QFile script(path);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho started >> \"$(dirname \"$0\")/started.txt\"\nsleep 2\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
}

// The stand-ins started before (by this run or one before it) end within two seconds.
bool noMonitorRuns()
{
    return QTest::qWaitFor([] { return !MonitorProgram::isRunning(); }, 8000);
}

// How many information requests (command 0x36) the device has received: one per connection.
int infoRequests(const VirtualDevice &device)
{
    int count = 0;
    for (const QByteArray &frame : device.receivedFrames())
        count += quint8(frame[3]) == 0x36;
    return count;
}

int monitorStarts(const QString &folder)
{
    QFile file(folder + QStringLiteral("/started.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().count('\n');
}

} // namespace

class ConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        initArtResources();
        initTranslationResources();
    }
    void init()
    {
        workDir.reset(new QTemporaryDir);
        QVERIFY(workDir->isValid());
        QVERIFY(QDir::setCurrent(workDir->path()));
        currentLanguage = English;
        device.reset();
        bus = std::make_shared<VirtualBus>(nullptr);
        setHidBackend(bus);
    }
    void cleanup() { window.reset(); }

    void notConnectedLoggedOnFirstRunOnly();
    void connectFillsTheWindow();
    void disconnectAndPlugInAgain();
    void runButtonStaysDisabled();
    void deniedDeviceExplainsTheRule();
    void severalDevicesInTheList();
    void foreignDeviceStartsTheMonitor();
    void foreignDeviceWithMonitorRunning();
    void foreignDeviceWithoutMonitorStaysOpen();
    void wholeProgramAgainstTheVirtualDevice();

private:
    void buildWindow()
    {
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void plugIn(quint16 id)
    {
        VirtualDevice::Settings settings;
        settings.id = id;
        settings.softwareVersion = 12;
        device = std::make_shared<VirtualDevice>(settings);
        bus = std::make_shared<VirtualBus>(device);
        setHidBackend(bus);
    }
    QWidget *widget(const char *name) const { return named(window.get(), QLatin1String(name)); }
    QLabel *nameLabel() const { return named<QLabel>(window.get(), QStringLiteral("nameLabel")); }
    ConnectionBar *bar() const { return window->findChild<ConnectionBar *>(); }
    MyFrame *panel() const
    {
        return named<MyFrame>(window.get(), QStringLiteral("deviceInfoFrame"));
    }

    std::unique_ptr<QTemporaryDir> workDir;
    std::shared_ptr<VirtualBus> bus;
    std::shared_ptr<VirtualDevice> device;
    std::unique_ptr<MainWindow> window;
};

void ConnectionTest::notConnectedLoggedOnFirstRunOnly()
{
    buildWindow();
    QCOMPARE(logTexts(*window), QStringList({QStringLiteral(" ready"),
                                             QStringLiteral("The USB Device is not connected")}));
    QVERIFY(nameLabel()->text().isEmpty());
    QVERIFY(widget("connnectButton")->isEnabled());
    QVERIFY(!widget("unconnectButton")->isEnabled());

    // A second device-change message right after logs nothing; the third logs again.
    auto *refresh = named<QPushButton>(window.get(), QStringLiteral("freshButton"));
    refresh->click();
    QCOMPARE(logTexts(*window).size(), 2);
    refresh->click();
    QCOMPARE(logTexts(*window).size(), 3);
    QCOMPARE(bar()->connectOperations(), 3);
}

void ConnectionTest::connectFillsTheWindow()
{
    plugIn(0x2001);
    buildWindow();
    QTRY_COMPARE(nameLabel()->text(), QStringLiteral(" KORLEX-V12"));
    QCOMPARE(logTexts(*window).last(), QStringLiteral("The USB Device is connected"));
    QVERIFY(!widget("freshButton")->isEnabled());
    QVERIFY(!widget("connnectButton")->isEnabled());
    QVERIFY(widget("unconnectButton")->isEnabled());
    QVERIFY(widget("runButton")->isEnabled());
    // One device: the bar looks as it always did.
    QVERIFY(widget("deviceComboBox")->isHidden());
    QCOMPARE(panel()->valueText(0), QStringLiteral("ORBIT"));
    QCOMPARE(panel()->valueText(1), QStringLiteral("K510-204"));
    QVERIFY(panel()->valueText(2).startsWith(QStringLiteral("G0")));
    QCOMPARE(panel()->valueText(4), QStringLiteral("1.0.3.2.7"));
    QCOMPARE(panel()->valueText(6), QStringLiteral("12"));
    QCOMPARE(panel()->valueText(7), QStringLiteral("K510-204"));
    // The power range of the model row reaches the power curve.
    QCOMPARE(named<QCurve>(window.get(), QStringLiteral("powerWidget"))->yMaximum(), 200);

    // A device change while connected reads everything again; the even run logs nothing.
    const int lines = logTexts(*window).size();
    const int reads = infoRequests(*device);
    bar()->connectDevices();
    QTRY_COMPARE(infoRequests(*device), reads + 1);
    QTRY_COMPARE(nameLabel()->text(), QStringLiteral(" KORLEX-V12"));
    QCOMPARE(logTexts(*window).size(), lines);
}

void ConnectionTest::disconnectAndPlugInAgain()
{
    plugIn(0x1005);
    buildWindow();
    QVERIFY(waitForConnectedDevice(*window));
    QTest::mouseClick(widget("unconnectButton"), Qt::LeftButton);
    QVERIFY(!window->deviceManager()->devices().first()->isConnected());
    QVERIFY(nameLabel()->text().isEmpty());
    QVERIFY(widget("connnectButton")->isEnabled());
    // The information panel keeps what it showed.
    QCOMPARE(panel()->valueText(0), QStringLiteral("TALON"));

    // Unplugged, the device leaves the list; plugged in again, it connects by itself.
    device->unplug();
    QTRY_VERIFY(window->deviceManager()->devices().isEmpty());
    QVERIFY(nameLabel()->text().isEmpty());
    device->plugIn();
    QTRY_COMPARE(nameLabel()->text(), QStringLiteral(" KORLEX-V12"));
    QVERIFY(widget("unconnectButton")->isEnabled());
}

void ConnectionTest::runButtonStaysDisabled()
{
    plugIn(0x1005);
    buildWindow();
    QVERIFY(waitForConnectedDevice(*window));
    QTest::mouseClick(widget("runButton"), Qt::LeftButton);
    QVERIFY(!widget("runButton")->isEnabled());
    QVERIFY(widget("unconnectButton")->isEnabled());
    const int reads = infoRequests(*device);
    bar()->connectDevices();
    QTRY_COMPARE(infoRequests(*device), reads + 1);
    QTRY_VERIFY(widget("runButton")->isEnabled());
}

void ConnectionTest::deniedDeviceExplainsTheRule()
{
    plugIn(0x1005);
    device->setOpenDenied(true);
    buildWindow();
    QTRY_VERIFY(logTexts(*window).last().contains(QStringLiteral("permission")));
    const QString line = logTexts(*window).last();
    QVERIFY2(line.contains(QStringLiteral("udev")), qPrintable(line));
    QVERIFY(!widget("unconnectButton")->isEnabled());
}

void ConnectionTest::severalDevicesInTheList()
{
    // Two devices, each in a port of its own; both connect by themselves, the first is chosen.
    VirtualDevice::Settings first;
    first.id = 0x1005;
    first.serial = 0x11111111;
    VirtualDevice::Settings second;
    second.id = 0x2001;
    second.serial = 0x22222222;
    second.softwareVersion = 13;
    bus = std::make_shared<VirtualBus>(std::make_shared<VirtualDevice>(first));
    bus->addDevice(std::make_shared<VirtualDevice>(second));
    setHidBackend(bus);
    buildWindow();
    QTRY_COMPARE(window->deviceManager()->devices().size(), 2);
    for (Device *plugged : window->deviceManager()->devices())
        QTRY_VERIFY(plugged->isConnected());

    auto *list = named<QComboBox>(window.get(), QStringLiteral("deviceComboBox"));
    QVERIFY(list->isVisible());
    QTRY_COMPARE(list->itemText(1), QStringLiteral("KORLEX-V13 \u2014 virtual:2"));
    QCOMPARE(list->itemText(0), QStringLiteral("KORLEX-V12 \u2014 virtual:1"));
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(nameLabel()->text(), QStringLiteral(" KORLEX-V12"));
    QCOMPARE(panel()->valueText(0), QStringLiteral("TALON"));

    // Choosing the second device shows it in the bar and on the pages.
    list->activated(1);
    QCOMPARE(bar()->chosenDevice(), window->deviceManager()->devices().at(1));
    QCOMPARE(nameLabel()->text(), QStringLiteral(" KORLEX-V13"));
    QCOMPARE(panel()->valueText(0), QStringLiteral("ORBIT"));
    QCOMPARE(panel()->valueText(6), QStringLiteral("13"));
    // The 64 x 128 device's pictures.
    QTRY_COMPARE(named<QLabel>(window.get(), QStringLiteral("picLabel1"))
                         ->pixmap(Qt::ReturnByValue)
                         .size(),
                 QSize(64, 128));

    // The chosen device goes away: the other one is chosen and the list hides.
    bus->devices().at(1)->unplug();
    QTRY_COMPARE(window->deviceManager()->devices().size(), 1);
    QTRY_COMPARE(nameLabel()->text(), QStringLiteral(" KORLEX-V12"));
    QVERIFY(list->isHidden());
}

void ConnectionTest::foreignDeviceStartsTheMonitor()
{
    QVERIFY(noMonitorRuns());
    writeMonitorProgram(workDir->path());
    bus->setForeignDevicePresent(true);
    window = std::make_unique<MainWindow>();
    window->show();
    // The monitor program is started and the window makes way for it.
    QTRY_VERIFY(!window->isVisible());
    QTRY_COMPARE(monitorStarts(workDir->path()), 1);
    QVERIFY(window->deviceManager()->devices().isEmpty());
}

void ConnectionTest::foreignDeviceWithMonitorRunning()
{
    writeMonitorProgram(workDir->path());
    QProcess running;
    running.start(workDir->filePath(MonitorProgram::imageName()), QStringList());
    QVERIFY(running.waitForStarted());
    QTRY_COMPARE(monitorStarts(workDir->path()), 1);
    QTRY_VERIFY(MonitorProgram::isRunning());

    bus->setForeignDevicePresent(true);
    window = std::make_unique<MainWindow>();
    window->show();
    QTRY_VERIFY(!window->isVisible());
    // No second copy was started.
    QTest::qWait(200);
    QCOMPARE(monitorStarts(workDir->path()), 1);
    running.kill();
    running.waitForFinished();
}

void ConnectionTest::foreignDeviceWithoutMonitorStaysOpen()
{
    if (!noMonitorRuns())
        QSKIP("a process named like the monitor program runs on this machine");
    if (!QStandardPaths::findExecutable(MonitorProgram::imageName()).isEmpty())
        QSKIP("a program named like the monitor program is on the search path");
    bus->setForeignDevicePresent(true);
    buildWindow();
    QTest::qWait(50);
    QVERIFY(window->isVisible());
    QVERIFY(logTexts(*window).join('\n').contains(QStringLiteral(" Could not start the monitor")));
}

void ConnectionTest::wholeProgramAgainstTheVirtualDevice()
{
    // The program itself, offscreen, with the virtual foreign device: it connects, hands over
    // to the monitor program and closes itself.
    QVERIFY(noMonitorRuns());
    writeMonitorProgram(workDir->path());
    QProcess program;
    program.setWorkingDirectory(workDir->path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("KORLEX_VIRTUAL_DEVICE"), QStringLiteral("foreign"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KORLEX_TOOL_PATH), QStringList());
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QTRY_COMPARE(monitorStarts(workDir->path()), 1);

    // With a device of the family it connects and keeps running until it is closed.
    environment.insert(QStringLiteral("KORLEX_VIRTUAL_DEVICE"), QStringLiteral("2001"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KORLEX_TOOL_PATH), QStringList());
    QVERIFY(program.waitForStarted());
    QVERIFY(!program.waitForFinished(1500));
    program.terminate();
    QVERIFY(program.waitForFinished(10000));
    const QByteArray errors = program.readAllStandardError();
    QVERIFY2(!errors.contains("Sanitizer"), errors.constData());
}

KORLEX_WINDOW_TEST_MAIN(ConnectionTest)

#include "tst_connection.moc"
