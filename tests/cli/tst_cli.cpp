// korlex-cli run as a program against virtual devices that this test serves over a socket: the
// output of each command (text and JSON), its exit status, what the devices received, the
// upgrade and its failures, signals during an upgrade, several devices, waiting for a device,
// and the writes that fail.

#include "device/commands.h"
#include "device/frame.h"
#include "pictures/resourcefile.h"
#include "virtualdevice/virtualbusserver.h"
#include "virtualdevice/virtualdevice.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
    QJsonObject json; // the document, when --json was given
};

QByteArray randomImage(int size, quint32 salt)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        salt = salt * 1103515245u + 12345u;
        bytes[i] = char(salt >> 16);
    }
    return bytes;
}

QByteArray u16(quint16 value)
{
    QByteArray bytes;
    bytes.append(char(value >> 8));
    bytes.append(char(value & 0xFF));
    return bytes;
}

// The LCD bytes of a monochrome picture: pages of eight rows, one byte per column, the lowest
// bit the top row, lit (light) pixels set.
QByteArray lcdBytesOf(const QImage &image)
{
    QByteArray lcd(image.width() * image.height() / 8, '\0');
    for (int page = 0; page < image.height() / 8; ++page) {
        for (int x = 0; x < image.width(); ++x) {
            quint8 byte = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (qGray(image.pixel(x, page * 8 + bit)) >= 128)
                    byte |= quint8(1u << bit);
            }
            lcd[page * image.width() + x] = char(byte);
        }
    }
    return lcd;
}

QImage pattern(int salt)
{
    QImage image(128, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 128; ++x)
            image.setPixel(x, y, (x * 3 + y * 5 + salt) % 7 < 3 ? qRgb(255, 255, 255) : 0);
    }
    return image;
}

QVector<quint8> commandsOf(const QVector<QByteArray> &frames)
{
    QVector<quint8> codes;
    for (const QByteArray &frame : frames)
        codes << quint8(frame.at(3));
    return codes;
}

QVector<int> numbersOf(const QJsonValue &value)
{
    QVector<int> list;
    for (const QJsonValue &item : value.toArray())
        list << item.toInt();
    return list;
}

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void helpAndVersion();
    void badInputSendsNothing_data();
    void badInputSendsNothing();
    void virtualDeviceSettingRefused();
    void listAndInfo();
    void severalDevicesNeedDevice();
    void deviceBySerialNumber();
    void waitForDevice();
    void paramsGetAndSet();
    void curvesGetAndSet();
    void clockAndFactoryReset();
    void upgradeVerifiedByDevice();
    void progressBarOnATerminal();
    void confirmationOnATerminal();
    void upgradeFailures_data();
    void upgradeFailures();
    void upgradeFileForAnotherDevice();
    void unnamedBootLoaderNeedsForce();
    void slowRestartIsWaitedFor();
    void signalsDuringAnUpgrade_data();
    void signalsDuringAnUpgrade();
    void recoveryAfterAnInterruptedUpgrade();
    void closedOutputIsAnError();
    void dryRunSendsNothing_data();
    void dryRunSendsNothing();
    void picturesWrite();
    void pictureWriteFailingPartWay();
    void readOnlyFolderIsRefusedFirst();
    void resourceSaveHoldsTheDevicesPictures();
    void resourceLoadWritesDevice();
    void failedWritesKeepFiles();
    void namedPipeInPictureFolder();
    void fileInspectsWithoutDevice();
    void verboseFramesAndLog();
    void allDevicesAtOnce();
    void twoUpgradesSideBySide();
    void virtualBusProgram();
    void upgradeWithBackupAndRestore();
    void failedBackupStopsTheUpgrade();
    void backupsListWhatBackupMade();
    void restoreRefusesAnotherModel();
    void restoreSkipsPicturesThatDoNotFit();

private:
    std::shared_ptr<VirtualDevice> plug(quint16 id, bool bootLoader = false,
                                        const std::function<void(VirtualDevice::Settings &)> &adjust
                                        = nullptr);
    Run cli(const QStringList &args, const QString &shellPrefix = QString());
    // The program's process with its environment (the bus, short boot-loader waits), not started.
    QProcess *cliProcess(const QString &timing = QString());
    QProcess *startCli(const QStringList &args, const QString &shellPrefix = QString());
    static Run finished(QProcess &process, const QStringList &args, const QString &errSoFar = {});
    // Reads the program's standard error until it holds text; what was read goes to *seen.
    static bool waitForError(QProcess &process, const QString &text, QString *seen,
                             int timeoutMs = 20000);
    QString upgradeFile(const QString &name, const QByteArray &image, quint16 target);
    QString workPath(const QString &name) const { return work->filePath(name); }
    // A device whose new firmware starts with factory settings, customised: other parameters,
    // temperature group 2, power group 5 and every picture.
    std::shared_ptr<VirtualDevice> customisedDevice(quint16 id);

    std::unique_ptr<QTemporaryDir> work;
    std::shared_ptr<VirtualBus> bus;
    std::unique_ptr<VirtualBusServer> server;
    QString socketPath;
};

void CliTest::init()
{
    work = std::make_unique<QTemporaryDir>();
    QVERIFY(work->isValid());
    socketPath = workPath(QStringLiteral("bus"));
    bus = std::make_shared<VirtualBus>();
    server = std::make_unique<VirtualBusServer>(bus);
    QString error;
    QVERIFY2(server->listen(socketPath, &error), qPrintable(error));
}

void CliTest::cleanup()
{
    server.reset();
    bus.reset();
    work.reset();
}

std::shared_ptr<VirtualDevice> CliTest::plug(
        quint16 id, bool bootLoader, const std::function<void(VirtualDevice::Settings &)> &adjust)
{
    VirtualDevice::Settings settings;
    settings.id = id;
    settings.serial = 0x5e1a1000u + quint32(bus->devices().size());
    settings.restartDelayMs = 30;
    settings.eraseDelayMs = 2;
    settings.clockRuns = false;
    settings.startInBootLoader = bootLoader;
    if (adjust)
        adjust(settings);
    auto device = std::make_shared<VirtualDevice>(settings);
    bus->addDevice(device);
    return device;
}

QProcess *CliTest::cliProcess(const QString &timing)
{
    auto *process = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORLEX_VIRTUAL_DEVICE"), QStringLiteral("bus:") + socketPath);
    // The backups go into the test's folder.
    env.insert(QStringLiteral("XDG_DATA_HOME"), workPath(QStringLiteral("data")));
    // Eight 50 ms rounds for the boot loader, 3 s for the restart: the failures end quickly.
    env.insert(QStringLiteral("KORLEX_LINK_TIMING"),
               timing.isEmpty() ? QStringLiteral("bootround=50,restartwait=3000") : timing);
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(work->path());
    return process;
}

QProcess *CliTest::startCli(const QStringList &args, const QString &shellPrefix)
{
    QProcess *process = cliProcess();
    if (shellPrefix.isEmpty()) {
        process->start(QStringLiteral(KORLEX_CLI), args);
        return process;
    }
    // Through a shell that limits the process first (ulimit) or changes its user.
    QStringList quoted{QStringLiteral("'" KORLEX_CLI "'")};
    for (const QString &arg : args)
        quoted << QLatin1Char('\'') + arg + QLatin1Char('\'');
    process->start(QStringLiteral("/bin/sh"),
                   {QStringLiteral("-c"),
                    shellPrefix + QStringLiteral(" ") + quoted.join(QLatin1Char(' '))});
    return process;
}

Run CliTest::finished(QProcess &process, const QStringList &args, const QString &errSoFar)
{
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = errSoFar + QString::fromUtf8(process.readAllStandardError());
    if (args.contains(QStringLiteral("--json")))
        run.json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    return run;
}

bool CliTest::waitForError(QProcess &process, const QString &text, QString *seen, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!seen->contains(text)) {
        if (clock.elapsed() > timeoutMs || process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(50);
        *seen += QString::fromUtf8(process.readAllStandardError());
    }
    return true;
}

Run CliTest::cli(const QStringList &args, const QString &shellPrefix)
{
    std::unique_ptr<QProcess> process(startCli(args, shellPrefix));
    return finished(*process, args);
}

std::shared_ptr<VirtualDevice> CliTest::customisedDevice(quint16 id)
{
    const auto device = plug(id, false, [](VirtualDevice::Settings &settings) {
        settings.factoryAfterUpgrade = true;
    });
    VirtualDevice::Parameters parameters;
    parameters.lcdBright = 77;
    parameters.smokeTime = 600;
    parameters.coilEnabled = {{false, true, false, true, true}};
    parameters.coilValues = {{1100, 6100, 3600, 250, 6500}};
    device->setParameters(parameters);
    device->setTempCurve(1, {{220, 240, 260, 280, 300, 320, 340, 360, 380, 400}});
    device->setPowerCurve(4, {{10, 12, 14, 16, 18, 20, 22, 24, 26, 28}});
    for (int slot = 0; slot < device->pictureSlots(); ++slot)
        device->setPicture(slot, randomImage(device->pictureBytes(), quint32(40 + slot)));
    return device;
}

QString CliTest::upgradeFile(const QString &name, const QByteArray &image, quint16 target)
{
    const QString path = workPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(image + u16(target));
    return path;
}

void CliTest::helpAndVersion()
{
    for (const char *option : {"--help", "-h"}) {
        const Run help = cli({option});
        QCOMPARE(help.status, 0);
        for (const char *expected :
             {"Usage: korlex-cli", "  upgrade FILE", "resource load FILE",
              "  7  several devices present and no --device",
              "  8  the output could not be written", "korlex-cli(1)", "guide/en/index.html"})
            QVERIFY2(help.out.contains(QLatin1String(expected)), expected);
    }
    const Run commandHelp = cli({"curves", "set", "--help"});
    QCOMPARE(commandHelp.status, 0);
    QVERIFY(commandHelp.out.startsWith(QStringLiteral("Usage: korlex-cli")));
    QVERIFY(commandHelp.out.contains(QStringLiteral("curves set temp|power GROUP V1,...,V10")));
    for (const char *option : {"--version", "-V"}) {
        const Run version = cli({option});
        QCOMPARE(version.status, 0);
        QVERIFY(QRegularExpression(QStringLiteral("^korlex-cli \\d+\\.\\d+\\.\\d+\\n$"))
                        .match(version.out)
                        .hasMatch());
    }
    const Run json = cli({"--version", "--json"});
    QCOMPARE(json.status, 0);
    QCOMPARE(json.json.value("program").toString(), QStringLiteral("korlex-cli"));
    QVERIFY(json.out.contains(json.json.value("version").toString()));
}

void CliTest::badInputSendsNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown command") << QStringList{"flash"} << 1 << "unknown command 'flash'";
    QTest::newRow("unknown key") << QStringList{"params", "set", "brightness=9", "volume=3"} << 1
                                 << "unknown key 'volume'";
    QTest::newRow("value out of range") << QStringList{"params", "set", "coil2.value=100"} << 1
                                        << "coil2.value=100 is out of range 6000..7000";
    // A value that is no whole number is named as such, whatever it looks like.
    for (const char *value : {"abc", "0x10", "1e2"}) {
        QTest::newRow(qPrintable(QStringLiteral("brightness=%1").arg(value)))
                << QStringList{"params", "set", QStringLiteral("brightness=%1").arg(value)} << 1
                << QStringLiteral("'%1' is not a whole number").arg(value);
    }
    QTest::newRow("curve value not a number")
            << QStringList{"curves", "set", "power", "2", "5,6,7,8,9,x,11,12,13,14"} << 1
            << "'x' is not a whole number";
    QTest::newRow("curve value") << QStringList{"curves", "set", "temp", "2",
                                                "200,210,220,230,240,250,260,270,280,700"}
                                 << 1 << "700 is out of range 200..600 (F)";
    QTest::newRow("curve group") << QStringList{"curves", "get", "temp", "6"} << 1
                                 << "group 6 is out of range 1..5";
    QTest::newRow("slots") << QStringList{"pictures", "write", ".", "--slots", "2-x"} << 1
                           << "'x' is not a whole number (give slot numbers as 1,3,5-7)";
    QTest::newRow("clock") << QStringList{"clock", "set", "2024-13-01", "10:00:00"} << 1
                           << "give the time as YYYY-MM-DD HH:MM:SS";
    QTest::newRow("option of another command")
            << QStringList{"info", "--unit", "C"} << 1 << "'info' takes no option --unit";
    QTest::newRow("--all on a reading command")
            << QStringList{"--all", "params", "get"} << 1 << "'params get' takes no option --all";
    QTest::newRow("missing upgrade file") << QStringList{"upgrade", "absent.swdf"} << 6
                                          << "cannot read absent.swdf: No such file or directory";
    QTest::newRow("missing resource file") << QStringList{"resource", "load", "absent.ct_user"} << 6
                                           << "cannot read absent.ct_user";
}

void CliTest::badInputSendsNothing()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    const auto device = plug(0x1005);
    const Run run = cli(args);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1); // one line
    QVERIFY(run.out.isEmpty());
    QCOMPARE(device->reportsReceived(), 0);

    const Run json = cli(args + QStringList{"--json"});
    QCOMPARE(json.status, status);
    QCOMPARE(json.json.value("ok").toBool(true), false);
    QCOMPARE(json.json.value("exitStatus").toInt(), status);
    QVERIFY(json.json.value("error").toString().contains(message));
}

void CliTest::virtualDeviceSettingRefused()
{
    const QStringList settings{"garbage", "1005,bogusopt"};
    const QStringList reasons{"'garbage' is not a device", "unknown option 'bogusopt'"};
    for (int i = 0; i < settings.size(); ++i) {
        std::unique_ptr<QProcess> process(cliProcess());
        QProcessEnvironment env = process->processEnvironment();
        env.insert(QStringLiteral("KORLEX_VIRTUAL_DEVICE"), settings.at(i));
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(KORLEX_CLI), {QStringLiteral("list")});
        const Run run = finished(*process, {});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err,
                 QStringLiteral("korlex-cli: KORLEX_VIRTUAL_DEVICE=%1: ").arg(settings.at(i))
                         + run.err.section(QStringLiteral(": "), 2));
        QVERIFY2(run.err.contains(reasons.at(i)), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
    }
}

void CliTest::listAndInfo()
{
    // No device: an empty list, and success.
    const Run none = cli({"list", "--json"});
    QCOMPARE(none.status, 0);
    QCOMPARE(none.json.value("devices").toArray().size(), 0);
    QCOMPARE(cli({"list"}).out, QStringLiteral("PATH  PORT  MODE  PRODUCT  SERIAL\n"));

    plug(0x1005);
    plug(0x2001, true);
    const Run list = cli({"list"});
    QCOMPARE(list.status, 0);
    const QStringList lines = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("PATH")));
    QVERIFY(QRegularExpression(QStringLiteral("^virtual:1 +virtual:1 +firmware +KORLEX +5e1a1000$"))
                    .match(lines.at(1))
                    .hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^virtual:2 +virtual:2 +bootloader +KORLEX-BOOT +"))
                    .match(lines.at(2))
                    .hasMatch());
    const Run listJson = cli({"list", "--json"});
    const QJsonArray devices = listJson.json.value("devices").toArray();
    QCOMPARE(devices.size(), 2);
    QCOMPARE(devices.at(1).toObject().value("mode").toString(), QStringLiteral("bootloader"));
    QCOMPARE(devices.at(0).toObject().value("location").toString(), QStringLiteral("virtual:1"));

    const Run info = cli({"--device", "virtual:1", "info"});
    QCOMPARE(info.status, 0);
    for (const char *expected :
         {"Device:            virtual:1 (firmware, KORLEX)\n", "Product name:      TALON\n",
          "Model code:        J310\n", "Group code:        G0\n", "Firmware version:  1.0.3.2.7\n",
          "Software version:  12\n", "Serial:            5e1a1000\n",
          "Screen format:     128 x 32 monochrome\n", "Picture count:     12\n"})
        QVERIFY2(info.out.contains(QLatin1String(expected)), expected);
    QVERIFY(QRegularExpression(QStringLiteral("Chip id:           G0[0-9A-F]+\\n"))
                    .match(info.out)
                    .hasMatch());

    const Run json = cli({"info", "--json", "--device=virtual:1"});
    QCOMPARE(json.status, 0);
    const QJsonObject &doc = json.json;
    QCOMPARE(doc.value("command").toString(), QStringLiteral("info"));
    QCOMPARE(doc.value("ok").toBool(), true);
    QCOMPARE(doc.value("deviceId").toString(), QStringLiteral("0x1005"));
    QCOMPARE(doc.value("modelCode").toString(), QStringLiteral("J310"));
    QCOMPARE(doc.value("screenFormat").toString(), QStringLiteral("128x32"));
    QCOMPARE(doc.value("pictureCount").toInt(), 12);
    QCOMPARE(doc.value("firmwareVersion").toString(), QStringLiteral("1.0.3.2.7"));
    QCOMPARE(doc.value("device").toObject().value("path").toString(), QStringLiteral("virtual:1"));

    // The boot loader names itself; other commands refuse it and say how to recover it.
    const Run boot = cli({"--device", "virtual:2", "info", "--json"});
    QCOMPARE(boot.json.value("mode").toString(), QStringLiteral("bootloader"));
    const Run params = cli({"--device", "virtual:2", "params", "get"});
    QCOMPARE(params.status, 3);
    QVERIFY(params.err.contains(QStringLiteral("korlex-cli upgrade FILE")));
}

void CliTest::severalDevicesNeedDevice()
{
    const auto first = plug(0x1005);
    const auto second = plug(0x2001);
    const Run run = cli({"params", "set", "brightness=10"});
    QCOMPARE(run.status, 7);
    QVERIFY(run.err.contains(QStringLiteral("2 devices present: choose one with --device NAME")));
    QVERIFY(run.err.contains(QStringLiteral("virtual:1")));
    QVERIFY(run.err.contains(QStringLiteral("virtual:2")));
    const Run json = cli({"--json", "info"});
    QCOMPARE(json.status, 7);
    QCOMPARE(json.json.value("devices").toArray().size(), 2);
    QVERIFY(json.json.value("error").toString().startsWith(QStringLiteral("2 devices present")));
    QCOMPARE(first->reportsReceived() + second->reportsReceived(), 0);
}

void CliTest::deviceBySerialNumber()
{
    plug(0x1005);
    // The second device reports no USB serial number: only its information names it.
    plug(0x2001, false, [](VirtualDevice::Settings &settings) {
        settings.usbSerial = VirtualDevice::Settings::UsbSerial::Never;
    });
    const Run run = cli({"--device", "5e1a1001", "info", "--json"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.json.value("device").toObject().value("location").toString(),
             QStringLiteral("virtual:2"));
    QCOMPARE(run.json.value("deviceId").toString(), QStringLiteral("0x2001"));
    const Run absent = cli({"--device", "5e1a1009", "info"});
    QCOMPARE(absent.status, 2);
    QVERIFY(absent.err.contains(QStringLiteral("no device at 5e1a1009 (present: virtual:1, "
                                               "virtual:2)")));
}

void CliTest::waitForDevice()
{
    QElapsedTimer clock;
    clock.start();
    const Run none = cli({"--wait", "1", "info"});
    QCOMPARE(none.status, 2);
    QVERIFY(none.err.contains(QStringLiteral("no device found within 1 s")));
    QVERIFY(clock.elapsed() >= 900);

    const auto device = plug(0x1005);
    device->unplug();
    std::unique_ptr<QProcess> process(startCli({"--wait", "20", "info"}));
    QTest::qWait(400);
    QCOMPARE(process->state(), QProcess::Running);
    clock.restart();
    device->plugIn();
    const Run run = finished(*process, {});
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.contains(QStringLiteral("Device id:         0x1005")));
    QVERIFY(clock.elapsed() < 5000);
}

void CliTest::paramsGetAndSet()
{
    const auto device = plug(0x1005);
    const Run get = cli({"params", "get"});
    QCOMPARE(get.status, 0);
    QCOMPARE(get.out, QStringLiteral("brightness=200\npuff=8\ncoil1=on\ncoil1.value=1300\n"
                                     "coil2=on\ncoil2.value=6500\ncoil3=on\ncoil3.value=4000\n"
                                     "coil4=off\ncoil4.value=400\ncoil5=off\ncoil5.value=1000\n"));

    device->clearLog();
    const Run set = cli({"params", "set", "puff=5", "brightness=90", "coil1=off", "coil5=on",
                         "coil5.value=2000", "--json"});
    QCOMPARE(set.status, 0);
    // The parameter write: on/off and value per coil, then brightness and the puff time in
    // hundredths of a second.
    QByteArray data;
    const quint8 on[5] = {0, 1, 1, 0, 1};
    const quint16 values[5] = {1300, 6500, 4000, 400, 2000};
    for (int i = 0; i < 5; ++i)
        data += QByteArray(1, char(on[i])) + u16(values[i]);
    data += QByteArray(1, '\x01') + u16(90) + QByteArray(1, '\x01') + u16(500);
    const QVector<QByteArray> frames = device->receivedFrames();
    QCOMPARE(frames.last(), buildFrame(0x1005, 0x33, data));
    QCOMPARE(device->parameters().smokeTime, quint16(500));
    QCOMPARE(set.json.value("brightness").toInt(), 90);
    QCOMPARE(set.json.value("puff").toInt(), 5);
    const QJsonObject coil5 = set.json.value("coils").toArray().at(4).toObject();
    QCOMPARE(coil5.value("on").toBool(), true);
    QCOMPARE(coil5.value("value").toInt(), 2000);

    // The device's answer decides the exit status.
    device->answerWithStatus(0x33, VirtualDevice::Status::LowPower);
    const Run low = cli({"params", "set", "puff=6"});
    QCOMPARE(low.status, 4);
    QVERIFY(low.err.contains(QStringLiteral("battery")));
}

void CliTest::curvesGetAndSet()
{
    const auto device = plug(0x1005);
    std::array<quint16, 10> points{};
    for (int p = 0; p < 10; ++p)
        points[p] = quint16(392 + 18 * p); // 200 C ... 290 C
    device->setTempCurve(1, points);
    const Run get = cli({"curves", "get", "temp", "2", "--unit", "C"});
    QCOMPARE(get.status, 0);
    QCOMPARE(get.out, QStringLiteral("group 2 (C): 200,210,220,230,240,250,260,270,280,290\n"));
    const Run all = cli({"curves", "get", "power", "--json"});
    QCOMPARE(all.json.value("unit").toString(), QStringLiteral("W"));
    const QJsonArray groups = all.json.value("groups").toArray();
    QCOMPARE(groups.size(), 5);
    QCOMPARE(groups.at(4).toObject().value("values").toArray().at(0).toInt(), 50);

    // A curve given in C goes out in C: unit byte 0, the C values.
    device->clearLog();
    const Run set = cli({"curves", "set", "temp", "3", "100,120,140,160,180,200,220,240,260,280",
                         "--unit", "C"});
    QCOMPARE(set.status, 0);
    QByteArray data("\x01\x00\x02", 3);
    for (int c = 100; c <= 280; c += 20)
        data += u16(quint16(c));
    QCOMPARE(device->receivedFrames().last(), buildFrame(0x1005, 0x32, data));
    QCOMPARE(device->tempCurves()[2][0], quint16(200)); // the device keeps Fahrenheit

    const Run power = cli({"curves", "set", "power", "5", "5,10,15,20,25,30,35,40,45,120"});
    QCOMPARE(power.status, 0);
    QCOMPARE(device->powerCurves()[4][9], quint16(120));
    const Run outside = cli({"curves", "set", "power", "5", "5,10,15,20,25,30,35,40,45,121"});
    QCOMPARE(outside.status, 1);
    QVERIFY(outside.err.contains(QStringLiteral("121 is out of range 5..120 (W)")));
    QCOMPARE(device->powerCurves()[4][9], quint16(120));
}

void CliTest::clockAndFactoryReset()
{
    const auto device = plug(0x3000);
    const Run set = cli({"clock", "set", "2024-02-29", "23:58:07", "--json"});
    QCOMPARE(set.status, 0);
    QCOMPARE(set.json.value("clock").toString(), QStringLiteral("2024-02-29 23:58:07"));
    QCOMPARE(device->clock(), QDateTime(QDate(2024, 2, 29), QTime(23, 58, 7)));
    const Run get = cli({"clock", "get"});
    QCOMPARE(get.status, 0);
    QCOMPARE(get.out, QStringLiteral("2024-02-29 23:58:07\n"));

    const Run reset = cli({"factory-reset"});
    QCOMPARE(reset.status, 0);
    QCOMPARE(device->factoryResets(), 1);
    device->setRestoreDefaultsAnswered(false);
    const Run silent = cli({"factory-reset", "--json"});
    QCOMPARE(silent.status, 5);
    QCOMPARE(silent.json.value("error").toString(),
             QStringLiteral("the device did not answer the factory reset"));
}

void CliTest::upgradeVerifiedByDevice()
{
    const auto device = plug(0x1005);
    device->setReportDelay(1); // a link of 1 ms per report, so that the blocks take their time
    const QByteArray image = randomImage(20 * 512 + 100, 7);
    const QString file = upgradeFile(QStringLiteral("new.swdf"), image, 0x1005);
    // The upgrade alone (the backup around it has a test of its own).
    const Run run = cli({"upgrade", "--no-backup", file});
    QCOMPARE(run.status, 0);
    QVERIFY(device->lastUpgradeVerified());
    QCOMPARE(device->upgradesCompleted(), 1);
    QCOMPARE(device->receivedImage(), image);
    // Standard output carries the result only.
    QCOMPARE(run.out, QStringLiteral("Upgrade successful: the device runs firmware 1.0.3.2.8\n"));
    const QStringList lines = run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.first().startsWith(QStringLiteral("Upgrading the device at virtual:1, 0x1005 "
                                                    "(TALON J310), with")));
    // Not a terminal: a line with its time for every tenth, eleven whatever the steps.
    const QRegularExpression progressLine(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} +(\\d+)%  \\S"));
    const QStringList progress = lines.mid(1);
    QCOMPARE(progress.size(), 11);
    for (int tenth = 0; tenth <= 10; ++tenth) {
        const QRegularExpressionMatch match = progressLine.match(progress.at(tenth));
        QVERIFY2(match.hasMatch(), qPrintable(progress.at(tenth)));
        QCOMPARE(match.captured(1).toInt(), tenth * 10);
    }
    QVERIFY(run.err.contains(QStringLiteral("writing block ")));

    const Run json = cli({"--json", "--quiet", "upgrade", "--no-backup", file});
    QCOMPARE(json.status, 0);
    QVERIFY(json.err.isEmpty());
    QCOMPARE(json.json.value("firmwareBefore").toString(), QStringLiteral("1.0.3.2.8"));
    QCOMPARE(json.json.value("firmwareAfter").toString(), QStringLiteral("1.0.3.2.9"));
    QCOMPARE(json.json.value("blocks").toInt(), 21);
    QCOMPARE(json.json.value("verified").toBool(), true);
    QCOMPARE(json.json.value("verdict").toString(), QStringLiteral("acknowledgedBack"));
    QCOMPARE(device->upgradesCompleted(), 2);
}

void CliTest::progressBarOnATerminal()
{
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        QSKIP("no script(1) to give the program a terminal");
    const auto device = plug(0x1005);
    device->setReportDelay(1);
    const QString file = upgradeFile(QStringLiteral("tty.swdf"), randomImage(30 * 512, 5), 0x1005);
    std::unique_ptr<QProcess> process(cliProcess());
    process->start(script, {QStringLiteral("-qec"),
                            QStringLiteral("'" KORLEX_CLI "' -y upgrade '%1'").arg(file),
                            QStringLiteral("/dev/null")});
    const Run run = finished(*process, {});
    QCOMPARE(run.status, 0);
    // One line, drawn again in place: a bar, the percentage and the phase.
    QVERIFY(run.out.contains(QStringLiteral("\r[##############################] 100%  ")));
    QVERIFY(QRegularExpression(QStringLiteral("\\r\\[#*-+\\] +\\d+%  writing block \\d+ of 30"))
                    .match(run.out)
                    .hasMatch());
    QVERIFY(!QRegularExpression(QStringLiteral("\\.\\d{3} +10%  writing"))
                     .match(run.out)
                     .hasMatch());
    QVERIFY(run.out.contains(QStringLiteral("Upgrade successful")));
}

void CliTest::confirmationOnATerminal()
{
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty())
        QSKIP("no script(1) to give the program a terminal");
    const auto device = plug(0x1005);
    // Standard input a terminal: the program asks, and a "no" sends nothing.
    std::unique_ptr<QProcess> process(cliProcess());
    process->start(script,
                   {QStringLiteral("-qec"), QStringLiteral("'" KORLEX_CLI "' factory-reset"),
                    QStringLiteral("/dev/null")});
    QString seen;
    QElapsedTimer clock;
    clock.start();
    while (!seen.contains(QStringLiteral("[y/N] ")) && clock.elapsed() < 20000) {
        process->waitForReadyRead(50);
        seen += QString::fromUtf8(process->readAllStandardOutput());
    }
    QVERIFY2(seen.contains(QStringLiteral("Restore the factory settings of the device at "
                                          "virtual:1? [y/N] ")),
             qPrintable(seen));
    process->write("n\n");
    const Run declined = finished(*process, {});
    QCOMPARE(declined.status, 1);
    QVERIFY(declined.out.contains(QStringLiteral("not confirmed: nothing was sent")));
    QCOMPARE(device->factoryResets(), 0);

    // -y, or no terminal: nothing is asked.
    process.reset(cliProcess());
    process->start(script,
                   {QStringLiteral("-qec"), QStringLiteral("'" KORLEX_CLI "' -y factory-reset"),
                    QStringLiteral("/dev/null")});
    QCOMPARE(finished(*process, {}).status, 0);
    QCOMPARE(cli({"factory-reset"}).status, 0);
    QCOMPARE(device->factoryResets(), 2);
}

void CliTest::upgradeFailures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("message");
    QTest::newRow("STOP at a block") << "stop" << 3 << "deviceStop"
                                     << "the device answered STOP while writing block 1";
    QTest::newRow("low battery") << "lowpower" << 4 << "lowBattery"
                                 << "battery is low";
    QTest::newRow("no boot loader") << "nobootloader" << 5 << "noBootLoader"
                                    << "did not start its boot loader";
    QTest::newRow("unplugged") << "unplug" << 5 << "unplugged"
                               << "was unplugged";
    QTest::newRow("back in the boot loader")
            << "backtoboot" << 5 << "stayedInBootLoader"
            << "restarted into its boot loader again: the new firmware does not start";
    QTest::newRow("lost finish reply, device back") << "lostfinish" << 0 << ""
                                                    << "";
}

void CliTest::upgradeFailures()
{
    QFETCH(QString, fault);
    QFETCH(int, status);
    QFETCH(QString, cause);
    QFETCH(QString, message);
    const auto device = plug(0x1005);
    if (fault == QLatin1String("stop"))
        device->answerWithStatus(0x04, VirtualDevice::Status::Stop);
    else if (fault == QLatin1String("lowpower"))
        device->answerWithStatus(0x09, VirtualDevice::Status::LowPower);
    else if (fault == QLatin1String("nobootloader"))
        device->setBootLoaderNeverAppears(true);
    else if (fault == QLatin1String("unplug"))
        device->unplugAfterFrames(6); // information, hello, erase, three blocks
    else if (fault == QLatin1String("backtoboot"))
        device->restartIntoBootLoaderAfterImage(true);
    else
        device->omitReplies(0x20);
    const QString file = upgradeFile(QStringLiteral("fw.swdf"), randomImage(8 * 512, 3), 0x1005);
    // The frames counted to the unplugging are the upgrade's alone.
    const Run run = cli({"--json", "upgrade", "--no-backup", file});
    QVERIFY2(run.status == status, qPrintable(run.err));
    QCOMPARE(run.json.value("exitStatus").toInt(), status);
    QCOMPARE(run.json.value("cause").toString(), cause);
    QVERIFY2(run.json.value("error").toString().contains(message),
             qPrintable(run.json.value("error").toString()));
    if (status == 0) {
        QCOMPARE(run.json.value("firmwareAfter").toString(), QStringLiteral("1.0.3.2.8"));
        QCOMPARE(device->upgradesCompleted(), 1);
    } else {
        QVERIFY(run.err.contains(QStringLiteral("korlex-cli: upgrade failed: ")));
    }
}

void CliTest::upgradeFileForAnotherDevice()
{
    const auto device = plug(0x1005);
    const QString file = upgradeFile(QStringLiteral("orbit.swdf"), randomImage(1024, 1), 0x2001);
    const Run run = cli({"upgrade", file});
    QCOMPARE(run.status, 3);
    QCOMPARE(run.err, QStringLiteral("korlex-cli: %1 is for device 0x2001 (ORBIT K510-204), the "
                                     "device is 0x1005 (TALON J310)\n")
                              .arg(file));
    // Only the information request went out.
    QCOMPARE(commandsOf(device->receivedFrames()), QVector<quint8>{0x36});
}

void CliTest::unnamedBootLoaderNeedsForce()
{
    // A boot loader that never names its device: the file's target cannot be checked.
    const auto device = plug(0x1005, true, [](VirtualDevice::Settings &settings) {
        settings.bootLoaderAnswersInfo = false;
    });
    const QByteArray image = randomImage(6 * 512, 9);
    const QString file = upgradeFile(QStringLiteral("talon.swdf"), image, 0x1005);
    const Run refused = cli({"upgrade", file});
    QCOMPARE(refused.status, 3);
    QVERIFY2(refused.err.contains(QStringLiteral("the file is for 0x1005 (TALON J310): if the "
                                                 "device is one, run again with --force")),
             qPrintable(refused.err));
    QCOMPARE(commandsOf(device->receivedFrames()), QVector<quint8>{0x36});

    const Run forced = cli({"upgrade", "--force", file});
    QCOMPARE(forced.status, 0);
    QCOMPARE(device->receivedImage(), image);
    QCOMPARE(device->mode(), VirtualDevice::Mode::Application);
}

void CliTest::slowRestartIsWaitedFor()
{
    // The device takes 1.2 s to restart, the default wait here is 0.5 s.
    const auto device = plug(0x1005, false, [](VirtualDevice::Settings &settings) {
        settings.restartDelayMs = 1200;
    });
    const QString file = upgradeFile(QStringLiteral("slow.swdf"), randomImage(4 * 512, 4), 0x1005);
    const QString timing = QStringLiteral("bootround=100,bootrounds=30,restartwait=500");
    std::unique_ptr<QProcess> process(cliProcess(timing));
    process->start(QStringLiteral(KORLEX_CLI),
                   {QStringLiteral("--json"), QStringLiteral("upgrade"), file});
    const Run early = finished(*process, {QStringLiteral("--json")});
    QCOMPARE(early.status, 5);
    QCOMPARE(early.json.value("outcome").toString(), QStringLiteral("unverified"));
    QVERIFY2(early.json.value("error").toString().contains(
                     QStringLiteral("did not come back within 0.5 s (--restart-timeout); it may "
                                    "still be restarting")),
             qPrintable(early.json.value("error").toString()));
    QVERIFY(!early.err.contains(QStringLiteral("failed")));
    // It comes back by itself a little later (the device changes when the bus looks at it).
    QTRY_VERIFY_WITH_TIMEOUT(
            device->isEnumerated() && device->mode() == VirtualDevice::Mode::Application, 5000);

    process.reset(cliProcess(timing));
    process->start(QStringLiteral(KORLEX_CLI),
                   {QStringLiteral("--restart-timeout"), QStringLiteral("5"),
                    QStringLiteral("upgrade"), file});
    const Run waited = finished(*process, {});
    QCOMPARE(waited.status, 0);
    QCOMPARE(device->upgradesCompleted(), 2);
}

void CliTest::signalsDuringAnUpgrade_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("beforeErase");
    QTest::addColumn<QString>("state");
    // An SSH session that drops: the upgrade runs to its end.
    QTest::newRow("SIGHUP while writing") << int(SIGHUP) << 1 << false
                                          << "the upgrade was completed: the device runs "
                                             "firmware 1.0.3.2.8";
    QTest::newRow("Ctrl-C twice while writing")
            << int(SIGINT) << 2 << false
            << "the device waits in its boot loader without its firmware: run korlex-cli upgrade "
               "%1 to recover it";
    QTest::newRow("SIGTERM before the erase")
            << int(SIGTERM) << 1 << true << "run korlex-cli upgrade %1 to recover it";
}

void CliTest::signalsDuringAnUpgrade()
{
    QFETCH(int, signal);
    QFETCH(int, count);
    QFETCH(bool, beforeErase);
    QFETCH(QString, state);
    const auto device = plug(0x1005, false, [beforeErase](VirtualDevice::Settings &settings) {
        settings.reportDelayMs = 1;
        settings.restartDelayMs = beforeErase ? 1500 : 30;
    });
    const QString file = upgradeFile(QStringLiteral("sig.swdf"), randomImage(80 * 512, 8), 0x1005);
    std::unique_ptr<QProcess> process(startCli({QStringLiteral("upgrade"), file}));
    QString err;
    QVERIFY(waitForError(
            *process,
            beforeErase ? QStringLiteral("  0%  asking") : QStringLiteral(" 10%  writing"), &err));
    ::kill(pid_t(process->processId()), signal);
    if (count > 1) {
        QVERIFY(waitForError(*process, QStringLiteral("interrupt again to abandon it"), &err));
        ::kill(pid_t(process->processId()), signal);
    }
    const Run run = finished(*process, {}, err);
    QCOMPARE(run.status, 128 + signal);
    const char *name = signal == SIGHUP ? "SIGHUP" : signal == SIGINT ? "SIGINT" : "SIGTERM";
    QVERIFY2(run.err.contains(
                     QStringLiteral("korlex-cli: interrupted by %1: ").arg(QLatin1String(name))),
             qPrintable(run.err));
    QVERIFY2(run.err.contains(state.contains(QLatin1String("%1")) ? state.arg(file) : state),
             qPrintable(run.err));
    if (!beforeErase) {
        QVERIFY(run.err.contains(QStringLiteral("finishing the upgrade; interrupt again to abandon "
                                                "it, which leaves the device in its boot loader")));
        QCOMPARE(device->upgradesCompleted(), count == 1 ? 1 : 0);
    } else {
        // Stopped before the erase: the firmware is whole.
        const QVector<quint8> sent = commandsOf(device->receivedFrames());
        QVERIFY(!sent.contains(0x08) && !sent.contains(0x09));
    }
}

void CliTest::recoveryAfterAnInterruptedUpgrade()
{
    const auto device = plug(0x1005, false,
                             [](VirtualDevice::Settings &settings) { settings.reportDelayMs = 1; });
    const QString file = upgradeFile(QStringLiteral("good.swdf"), randomImage(80 * 512, 2), 0x1005);
    std::unique_ptr<QProcess> process(startCli({QStringLiteral("upgrade"), file}));
    QString err;
    QVERIFY(waitForError(*process, QStringLiteral(" 20%  writing"), &err));
    ::kill(pid_t(process->processId()), SIGINT);
    QVERIFY(waitForError(*process, QStringLiteral("interrupt again"), &err));
    ::kill(pid_t(process->processId()), SIGINT);
    QCOMPARE(finished(*process, {}, err).status, 128 + SIGINT);
    QCOMPARE(device->mode(), VirtualDevice::Mode::BootLoader);

    // The next programs see the boot loader as it is, not a reply the interrupted one left.
    const Run info = cli({"info", "--json"});
    QCOMPARE(info.json.value("mode").toString(), QStringLiteral("bootloader"));
    QCOMPARE(info.json.value("deviceId").toString(), QStringLiteral("0x1005"));
    // A boot loader cannot be backed up: the recovery says so and goes on.
    const Run recovery = cli({"upgrade", file, "--json"});
    QCOMPARE(recovery.status, 0);
    QCOMPARE(recovery.json.value("backupSkipped").toString(), QStringLiteral("bootLoader"));
    QVERIFY(recovery.err.contains(QStringLiteral("korlex-cli: the device at virtual:1 is in its "
                                                 "boot loader: its settings and pictures cannot "
                                                 "be read, so no backup is made\n")));
    QCOMPARE(recovery.json.value("verdict").toString(), QStringLiteral("acknowledgedBack"));
    QCOMPARE(recovery.json.value("firmwareAfter").toString(), QStringLiteral("1.0.3.2.8"));
    QCOMPARE(device->mode(), VirtualDevice::Mode::Application);
}

void CliTest::closedOutputIsAnError()
{
    const auto device = plug(0x1005);
    // The reader of the output goes away before the upgrade ends: the upgrade ends, then the
    // failed write is reported.
    const QString file = upgradeFile(QStringLiteral("pipe.swdf"), randomImage(8 * 512, 6), 0x1005);
    std::unique_ptr<QProcess> process(cliProcess());
    process->start(QStringLiteral("bash"),
                   {QStringLiteral("-c"),
                    QStringLiteral("'" KORLEX_CLI "' upgrade '%1' | true; exit ${PIPESTATUS[0]}")
                            .arg(file)});
    const Run piped = finished(*process, {});
    QCOMPARE(piped.status, 8);
    QVERIFY2(piped.err.contains(QStringLiteral("korlex-cli: cannot write the output: Broken pipe")),
             qPrintable(piped.err));
    QCOMPARE(device->upgradesCompleted(), 1);

    // A full disk.
    process.reset(cliProcess());
    process->setStandardOutputFile(QStringLiteral("/dev/full"));
    process->start(QStringLiteral(KORLEX_CLI), {QStringLiteral("--json"), QStringLiteral("info")});
    const Run full = finished(*process, {});
    QCOMPARE(full.status, 8);
    QVERIFY(full.err.contains(QStringLiteral("cannot write the output: No space left on device")));
}

void CliTest::dryRunSendsNothing_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("upgrade") << "upgrade";
    QTest::newRow("pictures write") << "pictures write";
    QTest::newRow("resource load") << "resource load";
}

void CliTest::dryRunSendsNothing()
{
    QFETCH(QString, command);
    const auto device = plug(0x1005);
    QStringList args = command.split(QLatin1Char(' '));
    if (command == QLatin1String("upgrade")) {
        args << upgradeFile(QStringLiteral("dry.swdf"), randomImage(4 * 512, 1), 0x1005);
    } else if (command == QLatin1String("pictures write")) {
        QVERIFY(QDir(work->path()).mkpath(QStringLiteral("set")));
        for (int slot = 1; slot <= 12; ++slot)
            QVERIFY(pattern(slot)
                            .convertToFormat(QImage::Format_Mono)
                            .save(workPath(QStringLiteral("set/%1.bmp").arg(slot)), "BMP"));
        args << QStringLiteral("set");
    } else {
        QCOMPARE(cli({"resource", "save", "dry.ct_user", "--temp"}).status, 0);
        args << QStringLiteral("dry.ct_user");
    }
    device->clearLog();
    const Run run = cli(args + QStringList{"--dry-run", "--json"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.json.value("dryRun").toBool(), true);
    QCOMPARE(commandsOf(device->receivedFrames()), QVector<quint8>{0x36});
}

void CliTest::picturesWrite()
{
    const auto device = plug(0x1005);
    const QByteArray untouched = device->picture(0);
    QDir(work->path()).mkdir(QStringLiteral("set"));
    QVERIFY(pattern(3).convertToFormat(QImage::Format_Mono).save(workPath("set/3.bmp"), "BMP"));
    QVERIFY(pattern(5).convertToFormat(QImage::Format_Mono).save(workPath("set/5.bmp"), "BMP"));
    const Run run = cli({"pictures", "write", "set", "--slots", "3,5", "--json"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.json.value("slots").toArray(), (QJsonArray{3, 5}));
    QCOMPARE(run.json.value("written").toArray(), (QJsonArray{3, 5}));
    QCOMPARE(device->picture(2), lcdBytesOf(pattern(3)));
    QCOMPARE(device->picture(4), lcdBytesOf(pattern(5)));
    QCOMPARE(device->picture(0), untouched);

    // A slot without its file: refused before anything is sent.
    device->clearLog();
    const Run missing = cli({"pictures", "write", "set", "--slots", "3-4"});
    QCOMPARE(missing.status, 6);
    QVERIFY(missing.err.contains(QStringLiteral("cannot read ")));
    QCOMPARE(device->reportsReceived(), 0);
}

void CliTest::pictureWriteFailingPartWay()
{
    const auto device = plug(0x1005);
    QVERIFY(QDir(work->path()).mkpath(QStringLiteral("set")));
    for (int slot = 1; slot <= 12; ++slot)
        QVERIFY(pattern(slot)
                        .convertToFormat(QImage::Format_Mono)
                        .save(workPath(QStringLiteral("set/%1.bmp").arg(slot)), "BMP"));
    const QByteArray first = device->picture(0);
    device->answerWithStatus(0x34, VirtualDevice::Status::Stop); // picture 1 refused
    const Run text = cli({"pictures", "write", "set"});
    QCOMPARE(text.status, 3);
    QCOMPARE(text.out, QStringLiteral("Written: 2-12\nNot written: 1 (the device answered STOP at "
                                      "picture 1)\n"));
    QCOMPARE(device->picture(0), first);
    for (int slot = 2; slot <= 12; ++slot)
        QCOMPARE(device->picture(slot - 1), lcdBytesOf(pattern(slot)));

    device->answerWithStatus(0x34, VirtualDevice::Status::Stop);
    const Run json = cli({"pictures", "write", "set", "--json"});
    QCOMPARE(numbersOf(json.json.value("written")),
             (QVector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    const QJsonArray failed = json.json.value("failed").toArray();
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).toObject().value("slot").toInt(), 1);
    QCOMPARE(failed.at(0).toObject().value("cause").toString(), QStringLiteral("deviceStop"));
}

void CliTest::readOnlyFolderIsRefusedFirst()
{
    const auto device = plug(0x1005);
    // A folder this user may not write into (root may write anywhere: then the program runs as
    // nobody, in a folder everyone may enter).
    const bool root = ::geteuid() == 0;
    if (root && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("running as root without setpriv(1)");
    QVERIFY(QFile::setPermissions(
            work->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                  | QFileDevice::ReadOther | QFileDevice::ExeOther));
    QVERIFY(QDir(work->path()).mkdir(QStringLiteral("ro")));
    QVERIFY(QFile::setPermissions(workPath(QStringLiteral("ro")),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                          | QFileDevice::ReadOther | QFileDevice::ExeOther));
    const Run run = cli({"pictures", "read", "ro"},
                        root ? QStringLiteral("exec setpriv --reuid=65534 --regid=65534 "
                                              "--clear-groups")
                             : QStringLiteral("exec"));
    QCOMPARE(run.status, 6);
    QVERIFY2(run.err.contains(QStringLiteral("cannot write into %1: Permission denied")
                                      .arg(workPath(QStringLiteral("ro")))),
             qPrintable(run.err));
    QCOMPARE(device->reportsReceived(), 0);
}

void CliTest::resourceSaveHoldsTheDevicesPictures()
{
    const auto device = plug(0x1005);
    for (int slot = 0; slot < 12; ++slot)
        device->setPicture(slot, lcdBytesOf(pattern(slot + 20)));
    // No picture folder in the current folder: the pictures come from the device.
    QVERIFY(!QFileInfo::exists(workPath(QStringLiteral("5e1a1000"))));
    const Run run = cli({"resource", "save", "all.ct_user"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out,
             QStringLiteral("Saved all.ct_user (pictures: the device's pictures, temp, power)\n"));
    QFile saved(workPath(QStringLiteral("all.ct_user")));
    QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromLatin1(saved.readAll()).split(QLatin1Char('\n'));
    const ResourceFile::ReadResult read
            = ResourceFile::readLines(lines, 0x1005, 12, ResourceFile::PictureSection);
    QCOMPARE(read.entries.size(), 12);
    for (const ResourceFile::Entry &entry : read.entries) {
        QCOMPARE(entry.kind, ResourceFile::Entry::Picture);
        QCOMPARE(lcdBytesOf(ResourceFile::pictureImage(entry.picture)),
                 device->picture(entry.index));
    }
}

void CliTest::resourceLoadWritesDevice()
{
    const auto device = plug(0x1005);
    std::array<quint16, 10> points{};
    for (int p = 0; p < 10; ++p)
        points[p] = quint16(300 + p);
    device->setTempCurve(3, points);
    device->setTempCurve(2, points);
    device->setPowerCurve(0, {{5, 6, 7, 8, 9, 10, 11, 12, 13, 14}});
    const Run save = cli({"resource", "save", "kept.ct_user", "--temp", "--power"});
    QCOMPARE(save.status, 0);

    device->setTempCurve(3, {});
    device->setPowerCurve(0, {});
    const Run load = cli({"resource", "load", "kept.ct_user", "--json"});
    QCOMPARE(load.status, 0);
    QCOMPARE(load.json.value("tempGroups").toArray().size(), 5);
    QCOMPARE(load.json.value("powerGroups").toArray().size(), 5);
    QCOMPARE(device->tempCurves()[3], points);
    QCOMPARE(device->powerCurves()[0][9], quint16(14));

    // One damaged line: the others are loaded and written, the damaged one is named and
    // changes nothing, and the status says so.
    QFile file(workPath("kept.ct_user"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    QByteArray &line = lines[4]; // temperature group 3
    line[10] = line[10] == '0' ? '1' : '0';
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lines.join('\n'));
    file.close();
    device->setTempCurve(2, {});
    device->setTempCurve(3, {});
    const Run damaged = cli({"resource", "load", "kept.ct_user", "--json"});
    QCOMPARE(damaged.status, 6);
    QCOMPARE(numbersOf(damaged.json.value("tempGroups")), (QVector<int>{1, 2, 4, 5}));
    QCOMPARE(damaged.json.value("problems").toArray(),
             QJsonArray{QStringLiteral("line 5: temperature group 3 is damaged")});
    QVERIFY2(damaged.err.contains(QStringLiteral("line 5: temperature group 3 is damaged")),
             qPrintable(damaged.err));
    QCOMPARE(device->tempCurves()[3], points);
    QCOMPARE(device->tempCurves()[2], (std::array<quint16, 10>{}));
}

void CliTest::failedWritesKeepFiles()
{
    const auto device = plug(0x1005);
    // A file of earlier, and a full disk (at most 512 bytes per file) for the next save, whose
    // pictures come from a folder.
    QFile old(workPath("old.ct_user"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("kept\n");
    old.close();
    QVERIFY(QDir(work->path()).mkpath(QStringLiteral("from")));
    for (int slot = 1; slot <= 12; ++slot)
        QVERIFY(pattern(slot)
                        .convertToFormat(QImage::Format_Mono)
                        .save(workPath(QStringLiteral("from/%1.bmp").arg(slot)), "BMP"));
    const Run save = cli({"resource", "save", "old.ct_user", "--pictures-from", "from"},
                         QStringLiteral("ulimit -f 1; exec"));
    QCOMPARE(save.status, 6);
    QVERIFY2(save.err.startsWith(QStringLiteral("korlex-cli: cannot write old.ct_user: ")),
             qPrintable(save.err));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("kept\n"));
    old.close();

    // The pictures a load stores: the picture that cannot be written keeps its earlier file, and
    // nothing is sent.
    QVERIFY(cli({"resource", "save", "pictures.ct_user", "--pictures"}).status == 0);
    const QString folder = workPath(QStringLiteral("5e1a1000"));
    QVERIFY(QDir().mkpath(folder));
    QFile earlier(folder + QStringLiteral("/1.bmp"));
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    device->clearLog();
    const Run load
            = cli({"resource", "load", "pictures.ct_user"}, QStringLiteral("ulimit -f 1; exec"));
    QCOMPARE(load.status, 6);
    QVERIFY2(load.err.contains(QStringLiteral("cannot save picture 1: ")), qPrintable(load.err));
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    QCOMPARE(commandsOf(device->receivedFrames()), QVector<quint8>{0x36});
}

void CliTest::namedPipeInPictureFolder()
{
    plug(0x1005);
    // A named pipe where a picture belongs is never opened (reading it would wait for ever): the
    // save names it as no picture and keeps no file.
    const QString folder = workPath(QStringLiteral("from"));
    QVERIFY(QDir().mkpath(folder));
    for (int slot = 1; slot <= 12; ++slot)
        QVERIFY(pattern(slot)
                        .convertToFormat(QImage::Format_Mono)
                        .save(folder + QStringLiteral("/%1.bmp").arg(slot), "BMP"));
    QCOMPARE(cli({"resource", "save", "plain.ct_user", "--pictures", "--pictures-from", "from"})
                     .status,
             0);
    QVERIFY(QFile::remove(folder + QStringLiteral("/9.bmp")));
    QVERIFY(::mkfifo(QFile::encodeName(folder + QStringLiteral("/9.bmp")).constData(), 0600) == 0);
    const Run pipe
            = cli({"resource", "save", "pipe.ct_user", "--pictures", "--pictures-from", "from"});
    QCOMPARE(pipe.status, 6);
    QVERIFY2(pipe.err.contains(QStringLiteral("picture 9 (from/9.bmp) is no picture")),
             qPrintable(pipe.err));
    QVERIFY(!QFileInfo::exists(workPath(QStringLiteral("pipe.ct_user"))));
}

void CliTest::fileInspectsWithoutDevice()
{
    const QString file = upgradeFile(QStringLiteral("x.swdf"), QByteArray(1000, '\x02'), 0x2001);
    const Run upgrade = cli({"file", file, "--json"});
    QCOMPARE(upgrade.status, 0);
    QCOMPARE(upgrade.json.value("kind").toString(), QStringLiteral("upgrade"));
    QCOMPARE(upgrade.json.value("targetId").toString(), QStringLiteral("0x2001"));
    QCOMPARE(upgrade.json.value("modelCode").toString(), QStringLiteral("K510-204"));
    QCOMPARE(upgrade.json.value("bytes").toInt(), 1000);
    QCOMPARE(upgrade.json.value("blocks").toInt(), 2);
    QCOMPARE(upgrade.json.value("byteSum").toString(), QStringLiteral("0x000007D0"));

    // A resource file with a damaged line, made for a device that is not plugged in.
    ResourceFile::Contents contents;
    contents.deviceId = 0x2001;
    contents.sections = ResourceFile::TempSection | ResourceFile::PowerSection;
    QStringList lines = ResourceFile::fileLines(contents);
    lines[3].replace(
            4, 1, lines[3].at(4) == QLatin1Char('0') ? QStringLiteral("1") : QStringLiteral("0"));
    QFile resource(workPath(QStringLiteral("r.ct_user")));
    QVERIFY(resource.open(QIODevice::WriteOnly));
    resource.write(lines.join(QLatin1Char('\n')).toLatin1() + '\n');
    resource.close();
    const Run inspected = cli({"file", "r.ct_user"});
    QCOMPARE(inspected.status, 6);
    for (const char *expected :
         {"Kind:        user resource file\n", "Identity:    0x2001 (ORBIT K510-204) (line 1)\n",
          "Sections:    temp, power\n", "Damaged:     line 4: temperature group 2 is damaged\n"})
        QVERIFY2(inspected.out.contains(QLatin1String(expected)), expected);
}

void CliTest::verboseFramesAndLog()
{
    plug(0x1005);
    const Run run = cli({"-vv", "--log", "t.log", "clock", "get"});
    QCOMPARE(run.status, 0);
    // Every frame in hexadecimal: the information request and the clock request, and replies.
    QVERIFY2(QRegularExpression(QStringLiteral("\\[\\d+\\.\\d{3} s\\] > 68 aa aa 36 "))
                     .match(run.err)
                     .hasMatch(),
             qPrintable(run.err));
    QVERIFY(run.err.contains(QStringLiteral(" < 68 10 05 bb ")));
    QCOMPARE(cli({"--log", "t.log", "info"}).status, 0);
    // The transcript is appended, every line with its time.
    QFile log(workPath(QStringLiteral("t.log")));
    QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines
            = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.filter(QStringLiteral("exit status 0")).size(), 2);
    QVERIFY(lines.filter(QStringLiteral("Device id:         0x1005")).size() == 1);
    for (const QString &line : lines)
        QVERIFY2(QRegularExpression(
                         QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} "))
                         .match(line)
                         .hasMatch(),
                 qPrintable(line));
}

void CliTest::allDevicesAtOnce()
{
    const auto first = plug(0x1005);
    const auto second = plug(0x1005);
    const auto other = plug(0x2001);
    const QByteArray image = randomImage(30 * 512, 13);
    const QString file = upgradeFile(QStringLiteral("all.swdf"), image, 0x1005);
    const Run run = cli({"--all", "upgrade", file, "--json"});
    // The worst status: the device of another model refused the file.
    QCOMPARE(run.status, 3);
    const QJsonArray devices = run.json.value("devices").toArray();
    QCOMPARE(devices.size(), 3);
    QCOMPARE(devices.at(0).toObject().value("exitStatus").toInt(), 0);
    QCOMPARE(devices.at(1).toObject().value("firmwareAfter").toString(),
             QStringLiteral("1.0.3.2.8"));
    QCOMPARE(devices.at(2).toObject().value("exitStatus").toInt(), 3);
    QCOMPARE(devices.at(2).toObject().value("device").toObject().value("location").toString(),
             QStringLiteral("virtual:3"));
    QCOMPARE(first->receivedImage(), image);
    QCOMPARE(second->receivedImage(), image);
    QCOMPARE(other->blocksReceived(), 0);

    // A progress line per device, each with its eleven tenths.
    for (const char *place : {"virtual:1", "virtual:2"}) {
        QCOMPARE(run.err.count(QRegularExpression(
                         QStringLiteral("\\.\\d{3} %1 +\\d+%  ").arg(QLatin1String(place)))),
                 11);
    }

    // In text: each result line names its device, then a summary table.
    const Run text = cli({"--all", "clock", "set", "2025-01-02", "03:04:05"});
    QCOMPARE(text.status, 0);
    for (const char *place : {"virtual:1", "virtual:2", "virtual:3"})
        QVERIFY(text.out.contains(QStringLiteral("%1: Clock set to 2025-01-02 03:04:05\n")
                                          .arg(QLatin1String(place))));
    QVERIFY2(text.out.endsWith(QStringLiteral("DEVICE     RESULT  CAUSE\nvirtual:1  ok      -\n"
                                              "virtual:2  ok      -\nvirtual:3  ok      -\n")),
             qPrintable(text.out));
    QCOMPARE(other->clock(), QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)));
}

void CliTest::twoUpgradesSideBySide()
{
    const auto first = plug(0x1005);
    const auto second = plug(0x2001);
    const QByteArray imageA = randomImage(60 * 512, 11);
    const QByteArray imageB = randomImage(40 * 512 + 7, 12);
    const QString fileA = upgradeFile(QStringLiteral("a.swdf"), imageA, 0x1005);
    const QString fileB = upgradeFile(QStringLiteral("b.swdf"), imageB, 0x2001);
    // Both devices restart into their boot loaders at the same time, in their own ports.
    std::unique_ptr<QProcess> a(startCli({"--device", "virtual:1", "--json", "upgrade", fileA}));
    std::unique_ptr<QProcess> b(startCli({"--device", "virtual:2", "--json", "upgrade", fileB}));
    const Run runA = finished(*a, {"--json"});
    const Run runB = finished(*b, {"--json"});
    QCOMPARE(runA.status, 0);
    QCOMPARE(runB.status, 0);
    QCOMPARE(first->receivedImage(), imageA);
    QCOMPARE(second->receivedImage(), imageB);
    QCOMPARE(first->upgradesCompleted(), 1);
    QCOMPARE(second->upgradesCompleted(), 1);
    QCOMPARE(runA.json.value("device").toObject().value("location").toString(),
             QStringLiteral("virtual:1"));
    QCOMPARE(runB.json.value("firmwareAfter").toString(), QStringLiteral("1.0.3.2.8"));
}

void CliTest::virtualBusProgram()
{
    server.reset(); // this test's devices come from the program
    QProcess bus;
    bus.start(QStringLiteral(KORLEX_VIRTUALBUS),
              {socketPath, QStringLiteral("1005"), QStringLiteral("3000,serial=abc")});
    QVERIFY(bus.waitForReadyRead(10000));
    QCOMPARE(bus.readLine(),
             QByteArray("korlex-virtualbus: 2 device(s) on ") + socketPath.toUtf8() + "\n");
    const Run list = cli({"list", "--json"});
    QCOMPARE(list.status, 0);
    const QJsonArray devices = list.json.value("devices").toArray();
    QCOMPARE(devices.size(), 2);
    QCOMPARE(devices.at(1).toObject().value("serial").toString(), QStringLiteral("abc"));
    QCOMPARE(cli({"--device", "virtual:2", "info", "--json"}).json.value("screenFormat").toString(),
             QStringLiteral("80x160"));

    bus.terminate();
    QVERIFY(bus.waitForFinished(10000));
    QCOMPARE(bus.exitCode(), 0);
    QVERIFY(!QFile::exists(socketPath));
    // A server that has gone: no device, at once.
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(cli({"info"}).status, 2);
    QVERIFY(clock.elapsed() < 5000);

    // A setting it does not know is refused.
    QProcess bad;
    bad.start(QStringLiteral(KORLEX_VIRTUALBUS), {socketPath, QStringLiteral("1005,bogusopt")});
    QVERIFY(bad.waitForFinished(10000));
    QCOMPARE(bad.exitCode(), 1);
    QCOMPARE(bad.readAllStandardError(),
             QByteArray("korlex-virtualbus: unknown option 'bogusopt'\n"));
}

void CliTest::upgradeWithBackupAndRestore()
{
    const auto device = customisedDevice(0x1005);
    const VirtualDevice::Parameters parameters = device->parameters();
    const auto temperatures = device->tempCurves();
    const auto powers = device->powerCurves();
    QVector<QByteArray> pictures;
    for (int slot = 0; slot < 12; ++slot)
        pictures << device->picture(slot);
    const auto holdsWhatItHeld = [&]() {
        const VirtualDevice::Parameters now = device->parameters();
        bool same = now.lcdBright == parameters.lcdBright && now.smokeTime == parameters.smokeTime
                    && now.coilEnabled == parameters.coilEnabled
                    && now.coilValues == parameters.coilValues
                    && device->tempCurves() == temperatures && device->powerCurves() == powers;
        for (int slot = 0; slot < 12; ++slot)
            same = same && device->picture(slot) == pictures.at(slot);
        return same;
    };
    const QString file = upgradeFile(QStringLiteral("fw.swdf"), randomImage(6 * 512, 5), 0x1005);
    const QString root = workPath(QStringLiteral("data/korlex-tool/backups/5e1a1000/"));

    // The new firmware comes with its factory settings; --restore gives the old ones back.
    const Run restored = cli({"--json", "upgrade", "--restore", file});
    QVERIFY2(restored.status == 0, qPrintable(restored.err));
    QVERIFY(restored.json.value("backup").toObject().value("folder").toString().startsWith(root));
    const QVector<int> all{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const QStringList differences = restored.json.value("differences").toVariant().toStringList();
    for (const char *key :
         {"brightness", "puff", "coil1", "coil2.value", "temp2", "power5", "picture1", "picture12"})
        QVERIFY2(differences.contains(QLatin1String(key)), key);
    QVERIFY(!differences.contains(QStringLiteral("temp1")));
    QCOMPARE(restored.json.value("restored").toBool(), true);
    QCOMPARE(numbersOf(restored.json.value("restoredPictures")), all);
    QCOMPARE(device->upgradesCompleted(), 1);
    QVERIFY(holdsWhatItHeld());

    // Without --restore the program names what differs and how to restore it later.
    const Run upgraded = cli({"upgrade", file});
    QCOMPARE(upgraded.status, 0);
    QVERIFY(!holdsWhatItHeld());
    const QString folder = upgraded.out.section(QLatin1Char('\n'), 0, 0)
                                   .section(QStringLiteral("Backup made: "), 1);
    QVERIFY2(folder.startsWith(root) && folder.endsWith(QStringLiteral("_1.0.3.2.8")),
             qPrintable(upgraded.out));
    QCOMPARE(upgraded.out,
             QStringLiteral("Backup made: %1\n"
                            "Upgrade successful: the device runs firmware 1.0.3.2.9\n"
                            "The device now differs from its backup in: brightness, puff time, "
                            "coils 1-5, temperature curve 2, power curve 5, pictures 1-12\n"
                            "To give it back: korlex-cli restore %1\n")
                     .arg(folder));
    const Run restore = cli({"restore", folder, "-y"});
    QCOMPARE(restore.status, 0);
    QCOMPARE(restore.out, QStringLiteral("Restored from %1: parameters, temperature and power "
                                         "curves, pictures 1-12\n")
                                  .arg(folder));
    QVERIFY(holdsWhatItHeld());
}

void CliTest::failedBackupStopsTheUpgrade()
{
    const auto device = plug(0x1005);
    const QString file = upgradeFile(QStringLiteral("fw.swdf"), randomImage(4 * 512, 6), 0x1005);
    // The backups' folder cannot be made: a file stands where its parent would be.
    QVERIFY(QDir().mkpath(workPath(QStringLiteral("data"))));
    QFile blocker(workPath(QStringLiteral("data/korlex-tool")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    const Run refused = cli({"--json", "upgrade", file});
    QCOMPARE(refused.status, 6);
    QCOMPARE(refused.json.value("error").toString(),
             QStringLiteral("cannot write backups into %1: Not a directory; the upgrade did not "
                            "start (--no-backup upgrades without a backup)")
                     .arg(workPath(QStringLiteral("data/korlex-tool/backups"))));
    QCOMPARE(device->reportsReceived(), 0);

    // A dry run makes no backup, and --no-backup upgrades without one.
    QCOMPARE(cli({"upgrade", "--dry-run", file}).status, 0);
    const Run upgraded = cli({"--json", "upgrade", "--no-backup", file});
    QCOMPARE(upgraded.status, 0);
    QCOMPARE(upgraded.json.value("backupSkipped").toString(), QStringLiteral("noBackup"));
    QCOMPARE(device->upgradesCompleted(), 1);
}

void CliTest::backupsListWhatBackupMade()
{
    plug(0x1005);
    plug(0x2001);
    const Run made = cli({"--all", "--json", "backup", "kept"});
    QCOMPARE(made.status, 0);
    QStringList folders;
    for (const QJsonValue &device : made.json.value("devices").toArray())
        folders << device.toObject().value("backup").toObject().value("folder").toString();
    QCOMPARE(folders.size(), 2);

    const Run listed = cli({"--json", "backups", "kept"});
    QCOMPARE(listed.status, 0);
    const QJsonArray backups = listed.json.value("backups").toArray();
    QCOMPARE(backups.size(), 2);
    for (const QJsonValue &value : backups) {
        const QJsonObject backup = value.toObject();
        QVERIFY(folders.contains(backup.value("folder").toString()));
        QCOMPARE(backup.value("holds").toVariant().toStringList(),
                 QStringList({"parameters", "temp", "power", "pictures"}));
    }

    // A device's own, named by its port.
    const Run one = cli({"--device", "virtual:2", "backups", "kept"});
    QCOMPARE(one.status, 0);
    const QStringList lines = one.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).startsWith(QStringLiteral("DATE ")));
    QVERIFY2(QRegularExpression(
                     QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  5e1a1001  "
                                    "ORBIT K510-204 \\(0x2001\\)  1\\.0\\.3\\.2\\.7  "
                                    "parameters,temp,power,pictures  (.+)$"))
                     .match(lines.at(1))
                     .captured(1)
                     .endsWith(QStringLiteral("kept/5e1a1001/") + folders.at(1).section('/', -1)),
             qPrintable(one.out));
}

void CliTest::restoreRefusesAnotherModel()
{
    plug(0x1005);
    const auto other = plug(0x2001);
    const Run made = cli({"--device", "virtual:1", "--json", "backup"});
    QCOMPARE(made.status, 0);
    const QString folder = made.json.value("backup").toObject().value("folder").toString();
    QVERIFY(folder.startsWith(workPath(QStringLiteral("data/korlex-tool/backups/5e1a1000/"))));
    other->clearLog();
    const Run refused = cli({"--device", "virtual:2", "restore", folder, "-y"});
    QCOMPARE(refused.status, 3);
    QCOMPARE(refused.err, QStringLiteral("korlex-cli: %1 is a backup of TALON J310 (0x1005) with a "
                                         "128 x 32 monochrome screen, the device at virtual:2 is "
                                         "ORBIT K510-204 (0x2001) with a 64 x 128 monochrome "
                                         "screen: a backup goes back only to its model\n")
                                  .arg(folder));
    // The device was asked for its information, nothing more.
    for (quint8 command : commandsOf(other->receivedFrames()))
        QCOMPARE(command, quint8(Command::DeviceInfo));
}

void CliTest::restoreSkipsPicturesThatDoNotFit()
{
    const auto device = customisedDevice(0x1005);
    const Run made = cli({"--json", "backup", "kept"});
    QCOMPARE(made.status, 0);
    const QString folder = made.json.value("backup").toObject().value("folder").toString();
    // Picture 1 of the backup becomes one of the tall screen's size.
    QFile file(QDir(folder).filePath(QStringLiteral("device.ct_user")));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList lines = QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'));
    file.close();
    QImage tall(64, 128, QImage::Format_Mono);
    tall.fill(1);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(tall.save(&buffer, "BMP"));
    const int line = lines.indexOf(QRegularExpression(QStringLiteral("b0[0-9a-f]+")));
    QVERIFY(line > 0);
    lines[line] = ResourceFile::pictureLine(0, bmp);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text));
    file.write(lines.join(QLatin1Char('\n')).toLatin1());
    file.close();

    const QByteArray blank(512, '\0');
    for (int slot = 0; slot < 12; ++slot)
        device->setPicture(slot, blank);
    device->setParameters(VirtualDevice::Parameters());
    // Picture 2 does not reach the device: its cause is its own, not picture 1's.
    device->dropReplies(2, Command::PictureWrite);
    const Run restored = cli({"--json", "restore", folder});
    QCOMPARE(restored.status, 6);
    QCOMPARE(restored.json.value("error").toString(),
             QStringLiteral("picture 1 of the backup does not fit the device (128 x 32 monochrome "
                            "screen) and was skipped"));
    QVERIFY2(restored.err.contains(QStringLiteral("picture 2 was not restored: the device did not "
                                                  "answer picture 2")),
             qPrintable(restored.err));
    QCOMPARE(numbersOf(restored.json.value("restoredPictures")),
             QVector<int>({3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    const QJsonArray skipped = restored.json.value("skippedPictures").toArray();
    QCOMPARE(skipped.size(), 2);
    QCOMPARE(skipped.at(0).toObject().value("slot").toInt(), 1);
    QCOMPARE(skipped.at(0).toObject().value("cause").toString(), QStringLiteral("pictureFile"));
    QCOMPARE(skipped.at(1).toObject().value("cause").toString(), QStringLiteral("noAnswer"));
    QCOMPARE(device->picture(0), blank);
    QCOMPARE(device->picture(3), randomImage(512, 43));
    QCOMPARE(int(device->parameters().lcdBright), 77);
}

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
