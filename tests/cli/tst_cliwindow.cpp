// korlex-cli against the window, on the same virtual device and the same picture folder: the
// pictures it reads are the files the window's read writes, and the resource file it saves is
// byte for byte the window's (for the pictures, once the window has read the device's).

#include "app/mainwindow.h"
#include "device/hidbackend.h"
#include "pictures/resourcefile.h"
#include "pictures/ui/customisationpage.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "support/testsupport.h"
#include "support/windowhelpers.h"
#include "virtualdevice/virtualbusserver.h"
#include "virtualdevice/virtualdevice.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

constexpr quint32 serial = 0x7a110c05;

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage monoPattern(QSize size, int salt)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, (x * 5 + y * 3 + salt) % 4 == 0 ? qRgb(255, 255, 255) : 0);
    }
    return image.convertToFormat(QImage::Format_Mono);
}

} // namespace

class CliWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void picturesReadMatchesWindow_data();
    void picturesReadMatchesWindow();
    void resourceSaveMatchesWindow_data();
    void resourceSaveMatchesWindow();

private:
    void serve(quint16 id);
    // Runs the program; its standard output goes to *out when given.
    int runCli(const QStringList &args, QByteArray *out = nullptr);
    QString folder() const { return workDir.filePath(QString::number(serial, 16)); }

    QTemporaryDir workDir;
    std::shared_ptr<VirtualDevice> device;
    std::shared_ptr<VirtualBus> bus;
    std::unique_ptr<VirtualBusServer> server;
    std::unique_ptr<MainWindow> window;
};

void CliWindowTest::initTestCase()
{
    QVERIFY(workDir.isValid());
    initArtResources();
    initTranslationResources();
    QVERIFY(QDir::setCurrent(workDir.path()));
}

void CliWindowTest::cleanup()
{
    window.reset();
    server.reset();
    bus.reset();
    device.reset();
    QDir(folder()).removeRecursively();
}

// One device, seen by the window in this process and by the command line through the socket.
void CliWindowTest::serve(quint16 id)
{
    VirtualDevice::Settings settings;
    settings.id = id;
    settings.serial = serial;
    device = std::make_shared<VirtualDevice>(settings);
    bus = std::make_shared<VirtualBus>(device);
    setHidBackend(bus);
    server = std::make_unique<VirtualBusServer>(bus);
    QString error;
    QVERIFY2(server->listen(workDir.filePath(QStringLiteral("bus")), &error), qPrintable(error));
}

int CliWindowTest::runCli(const QStringList &args, QByteArray *out)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORLEX_VIRTUAL_DEVICE"),
               QStringLiteral("bus:") + workDir.filePath(QStringLiteral("bus")));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workDir.path());
    process.start(QStringLiteral(KORLEX_CLI), args);
    if (!process.waitForFinished(60000))
        return -1;
    if (process.exitCode() != 0)
        qWarning("%s", process.readAllStandardError().constData());
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitCode();
}

void CliWindowTest::picturesReadMatchesWindow_data()
{
    QTest::addColumn<quint16>("id");
    QTest::newRow("128 x 32") << quint16(0x1005);
    QTest::newRow("64 x 128") << quint16(0x2001);
}

void CliWindowTest::picturesReadMatchesWindow()
{
    QFETCH(quint16, id);
    serve(id);
    // Pictures of their own on the device, not its factory set.
    for (int slot = 0; slot < 12; ++slot) {
        QByteArray bytes(device->pictureBytes(), '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 31 + slot * 7) ^ (i >> 3));
        device->setPicture(slot, bytes);
    }

    window = std::make_unique<MainWindow>();
    window->setResultPauseScale(0.01);
    QVERIFY(waitForConnectedDevice(*window));
    window->findChild<CustomisationPage *>()->readFromDevice(); // the picture tab is current
    QVERIFY(waitForIdle(*window, 30000));
    window.reset(); // the window is done with the device

    QByteArray out;
    QCOMPARE(runCli({QStringLiteral("pictures"), QStringLiteral("read"), QStringLiteral("cli"),
                     QStringLiteral("--json")},
                    &out),
             0);
    const QJsonArray files = QJsonDocument::fromJson(out).object().value("files").toArray();
    QCOMPARE(files.size(), 12);
    QCOMPARE(files.at(11).toObject().value("slot").toInt(), 12);
    QCOMPARE(files.at(11).toObject().value("file").toString(),
             workDir.filePath(QStringLiteral("cli/12.bmp")));
    for (int number = 1; number <= 12; ++number) {
        const QString name = QString::number(number) + QStringLiteral(".bmp");
        const QByteArray fromWindow = fileBytes(folder() + QLatin1Char('/') + name);
        QVERIFY2(!fromWindow.isEmpty(), qPrintable(name));
        QCOMPARE(fileBytes(workDir.filePath(QStringLiteral("cli/") + name)), fromWindow);
    }
}

void CliWindowTest::resourceSaveMatchesWindow_data()
{
    QTest::addColumn<quint16>("id");
    QTest::addColumn<unsigned>("sections");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("full file, 128 x 32")
            << quint16(0x1005) << unsigned(ResourceFile::AllSections) << QStringList();
    QTest::newRow("full file, 64 x 128")
            << quint16(0x2001) << unsigned(ResourceFile::AllSections) << QStringList();
    QTest::newRow("temperature file")
            << quint16(0x1005) << unsigned(ResourceFile::TempSection) << QStringList{"--temp"};
    QTest::newRow("power file") << quint16(0x2001) << unsigned(ResourceFile::PowerSection)
                                << QStringList{"--power"};
}

void CliWindowTest::resourceSaveMatchesWindow()
{
    QFETCH(quint16, id);
    QFETCH(unsigned, sections);
    QFETCH(QStringList, options);
    serve(id);
    for (int group = 0; group < 5; ++group) {
        std::array<quint16, 10> temp{};
        std::array<quint16, 10> power{};
        for (int p = 0; p < 10; ++p) {
            temp[p] = quint16(250 + 20 * group + 7 * p);
            power[p] = quint16(10 + 3 * group + p);
        }
        device->setTempCurve(group, temp);
        device->setPowerCurve(group, power);
    }
    // The picture folder holds one picture that fits, one that does not, and one that is no
    // picture at all; the other slots take the default pictures.
    const QSize size = id == 0x1005 ? QSize(128, 32) : QSize(64, 128);
    QVERIFY(QDir().mkpath(folder()));
    QVERIFY(monoPattern(size, 3).save(folder() + QStringLiteral("/3.bmp"), "BMP"));
    QVERIFY(monoPattern(QSize(40, 40), 5).save(folder() + QStringLiteral("/5.bmp"), "BMP"));
    QFile junk(folder() + QStringLiteral("/7.bmp"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();

    window = std::make_unique<MainWindow>();
    QVERIFY(waitForConnectedDevice(*window));
    auto *page = window->findChild<CustomisationPage *>();
    if (sections & ResourceFile::PictureSection) {
        // korlex-cli saves the pictures the device holds; the window holds them once it has
        // read them (they replace the folder's).
        window->setResultPauseScale(0.01);
        window->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
        page->readFromDevice();
        QVERIFY(waitForIdle(*window, 30000));
    }
    const QString fromWindow = workDir.filePath(QStringLiteral("window.ct_user"));
    QSignalSpy saved(page, &CustomisationPage::resourceFileSaved);
    QVERIFY(page->saveResourceFile(fromWindow, sections));
    QVERIFY(saved.wait(10000));
    QCOMPARE(saved.first().at(1).toBool(), true);
    window.reset();

    const QString fromCli = workDir.filePath(QStringLiteral("cli.ct_user"));
    QCOMPARE(runCli(QStringList{QStringLiteral("resource"), QStringLiteral("save"), fromCli}
                    + options),
             0);
    const QByteArray expected = fileBytes(fromWindow);
    QVERIFY(expected.size() > 100);
    QCOMPARE(fileBytes(fromCli), expected);
}

KORLEX_WINDOW_TEST_MAIN(CliWindowTest)
#include "tst_cliwindow.moc"
