// Connecting, refreshing, disconnecting, the log lines of the connection, the hand-over to the
// monitor program, and the whole program started against the virtual device.

#include "app/mainwindow.h"
#include "catalogue/devicemodels.h"
#include "device/hidbackend.h"
#include "device/ui/monitorprogram.h"
#include "device/session.h"
#include "device/transport.h"
#include "device/usbthread.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "support/testsupport.h"
#include "support/windowhelpers.h"
#include "ui_mainwindow.h"
#include "virtualdevice/virtualdevice.h"
#include "widgets/myframe.h"

#include <QApplication>
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
        QVERIFY(stopWorkerAndWait());
        closeHidDevice();
        deviceSession().clear();
        currentLanguage = English;
        bus = std::make_shared<VirtualBus>(nullptr);
        setHidBackend(bus);
    }
    void cleanup()
    {
        window.reset();
        closeHidDevice();
    }

    void notConnectedLoggedOnFirstRunOnly();
    void connectFillsTheWindow();
    void disconnectAndPlugInAgain();
    void runButtonStaysDisabled();
    void deniedDeviceExplainsTheRule();
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
    QVERIFY(window->ui->nameLabel->text().isEmpty());
    QVERIFY(window->ui->connnectButton->isEnabled());
    QVERIFY(!window->ui->unconnectButton->isEnabled());

    // A second device-change message right after logs nothing; the third logs again.
    window->openUsbDeviceSlots();
    QCOMPARE(logTexts(*window).size(), 2);
    window->openUsbDeviceSlots();
    QCOMPARE(logTexts(*window).size(), 3);
    QCOMPARE(deviceSession().connectCount, 3);
}

void ConnectionTest::connectFillsTheWindow()
{
    plugIn(0x2001);
    buildWindow();
    QCOMPARE(window->ui->nameLabel->text(), QStringLiteral(" KORLEX-V12"));
    QCOMPARE(logTexts(*window).last(), QStringLiteral("The USB Device is connected"));
    QVERIFY(!window->ui->freshButton->isEnabled());
    QVERIFY(!window->ui->connnectButton->isEnabled());
    QVERIFY(window->ui->unconnectButton->isEnabled());
    QVERIFY(window->ui->runButton->isEnabled());
    MyFrame *panel = window->ui->deviceInfoFrame;
    QCOMPARE(panel->valueText(0), QStringLiteral("ORBIT"));
    QCOMPARE(panel->valueText(1), QStringLiteral("K510-204"));
    QVERIFY(panel->valueText(2).startsWith(QStringLiteral("G0")));
    QCOMPARE(panel->valueText(4), QStringLiteral("1.0.3.2.7"));
    QCOMPARE(panel->valueText(6), QStringLiteral("12"));
    QCOMPARE(panel->valueText(7), QStringLiteral("K510-204"));
    // The power range of the model row reaches the power curve.
    QCOMPARE(window->ui->powerWidget->yMaximum(), 200);

    // Refreshing while connected reads everything again; the even run logs nothing.
    const int lines = logTexts(*window).size();
    window->freshUsbDeviceSlots();
    QCOMPARE(window->ui->nameLabel->text(), QStringLiteral(" KORLEX-V12"));
    QCOMPARE(logTexts(*window).size(), lines);
}

void ConnectionTest::disconnectAndPlugInAgain()
{
    plugIn(0x1005);
    buildWindow();
    QTest::mouseClick(window->ui->unconnectButton, Qt::LeftButton);
    QVERIFY(!deviceSession().deviceOpen);
    QVERIFY(window->ui->nameLabel->text().isEmpty());
    QVERIFY(window->ui->connnectButton->isEnabled());
    // The information panel keeps what it showed.
    QCOMPARE(window->ui->deviceInfoFrame->valueText(0), QStringLiteral("TALON"));

    // Unplugged, a device-change message finds nothing; plugged in again, it connects.
    device->unplug();
    window->openUsbDeviceSlots();
    QVERIFY(window->ui->nameLabel->text().isEmpty());
    device->plugIn();
    window->openUsbDeviceSlots();
    QCOMPARE(window->ui->nameLabel->text(), QStringLiteral(" KORLEX-V12"));
    QVERIFY(window->ui->unconnectButton->isEnabled());
}

void ConnectionTest::runButtonStaysDisabled()
{
    plugIn(0x1005);
    buildWindow();
    QTest::mouseClick(window->ui->runButton, Qt::LeftButton);
    QVERIFY(!window->ui->runButton->isEnabled());
    QVERIFY(window->ui->unconnectButton->isEnabled());
    window->openUsbDeviceSlots();
    QVERIFY(window->ui->runButton->isEnabled());
}

void ConnectionTest::deniedDeviceExplainsTheRule()
{
    plugIn(0x1005);
    device->setOpenDenied(true);
    buildWindow();
    const QString line = logTexts(*window).last();
    QVERIFY2(line.contains(QStringLiteral("permission")), qPrintable(line));
    QVERIFY2(line.contains(QStringLiteral("udev")), qPrintable(line));
    QVERIFY(!window->ui->unconnectButton->isEnabled());
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
    QVERIFY(!deviceSession().deviceOpen);
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
    QVERIFY(logTexts(*window).last().startsWith(QStringLiteral(" Could not start the monitor")));
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
