// The picture tab on a real main window against the virtual device: the set built at connection,
// the default buttons, the page following the screen format, the read and write jobs with the
// LCD bytes checked at the device, the editor opened from the page, and the user resource file.

#include "app/mainwindow.h"
#include "device/hidbackend.h"
#include "device/session.h"
#include "device/transport.h"
#include "device/usbthread.h"
#include "parameters/widgets/qcurve.h"
#include "pictures/widgets/bmpeditor.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "shell/language.h"
#include "support/msgboxes.h"
#include "support/testsupport.h"
#include "support/windowhelpers.h"
#include "virtualdevice/virtualdevice.h"
#include "widgets/msgbox.h"

#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <memory>

#include <sys/resource.h>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

constexpr quint32 testSerial = 0x5eed0042;
const QString serialText = QStringLiteral("5eed0042");

QSize monoSize(int format)
{
    return format == 0 ? QSize(128, 32) : QSize(64, 128);
}

bool isLight(QRgb pixel)
{
    return qGray(pixel) >= 128;
}

// LCD bytes of a monochrome picture: pages of eight rows, one byte per column, least
// significant bit on top, a set bit for a light pixel.
QByteArray expectedMonoLcd(const QImage &image)
{
    QByteArray lcd(image.width() * image.height() / 8, '\0');
    for (int page = 0; page < image.height() / 8; ++page) {
        for (int x = 0; x < image.width(); ++x) {
            quint8 byte = 0;
            for (int bit = 0; bit < 8; ++bit) {
                if (isLight(image.pixel(x, page * 8 + bit)))
                    byte |= quint8(1u << bit);
            }
            lcd[page * image.width() + x] = char(byte);
        }
    }
    return lcd;
}

// RGB565, high byte first, rows from the top.
QByteArray expectedColourLcd(const QImage &image)
{
    QByteArray lcd;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const quint16 v
                    = quint16(((qRed(p) >> 3) << 11) | ((qGreen(p) >> 2) << 5) | (qBlue(p) >> 3));
            lcd.append(char(v >> 8));
            lcd.append(char(v & 0xFF));
        }
    }
    return lcd;
}

void putLe(QByteArray &data, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        data.append(char((value >> (8 * i)) & 0xFF));
}

// The file a picture read saves: the fixed 62-byte header, then the bottom-up 1-bit rows.
QByteArray expectedReadFile(int format, const QByteArray &lcd)
{
    const QSize size = monoSize(format);
    const int stride = (size.width() / 8 + 3) / 4 * 4;
    QByteArray file("BM");
    putLe(file, format == 0 ? 574 : 1086, 4);
    putLe(file, 0, 4);
    putLe(file, 62, 4);
    putLe(file, 40, 4);
    putLe(file, quint32(size.width()), 4);
    putLe(file, quint32(size.height()), 4);
    putLe(file, 1, 2);
    putLe(file, 1, 2);
    putLe(file, 0, 4);
    putLe(file, quint32(stride * size.height()), 4);
    putLe(file, 2834, 4);
    putLe(file, 2834, 4);
    putLe(file, format == 0 ? 0 : 2, 4);
    putLe(file, format == 0 ? 0 : 2, 4);
    // Format 0: entry 0 black, entry 1 white; format 1 the other way round.
    const QByteArray black = QByteArray::fromHex("00000000");
    const QByteArray white = QByteArray::fromHex("ffffff00");
    file += format == 0 ? black + white : white + black;
    for (int row = size.height() - 1; row >= 0; --row) {
        QByteArray line(stride, '\0');
        for (int x = 0; x < size.width(); ++x) {
            const bool lit = quint8(lcd.at((row / 8) * size.width() + x)) & (1u << (row % 8));
            const bool bitSet = format == 0 ? lit : !lit;
            if (bitSet)
                line[x / 8] = char(quint8(line.at(x / 8)) | (0x80u >> (x % 8)));
        }
        file += line;
    }
    return file;
}

// A light-on-dark picture with a pattern that depends on salt.
QImage monoPattern(QSize size, int salt)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const bool lit = ((x * 7 + y * 3 + salt) % 5) < 2;
            image.setPixel(x, y, lit ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    return image;
}

QImage colourPattern(int salt)
{
    QImage image(80, 160, QImage::Format_RGB32);
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 80; ++x)
            image.setPixel(x, y,
                           qRgb((x * 3 + salt * 40) & 0xFF, (y + salt * 17) & 0xFF,
                                (x * y + salt) & 0xFF));
    }
    return image;
}

QString saveImage(const QImage &image, const QString &path, bool mono)
{
    const QImage out = mono ? image.convertToFormat(QImage::Format_Mono) : image;
    return out.save(path, "BMP") ? path : QString();
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringList();
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Answers the modal dialogs that the slots open: file dialogs get the queued file name (or are
// cancelled when none is queued), message boxes are recorded and closed.
class DialogAnswerer : public QObject
{
public:
    DialogAnswerer()
    {
        connect(&timer, &QTimer::timeout, this, &DialogAnswerer::answer);
        timer.start(10);
    }

    QStringList fileNames;
    QStringList messages;
    QStringList fileDialogTitles;

private:
    void answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            fileDialogTitles << files->windowTitle();
            if (fileNames.isEmpty()) {
                files->reject();
                return;
            }
            // The name goes straight into the name field: selectFile() races with the dialog's
            // directory model, which may put its proposed name back.
            auto *nameEdit = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (!nameEdit) {
                files->reject();
                return;
            }
            nameEdit->setText(fileNames.takeFirst());
            static_cast<QDialog *>(files)->done(QDialog::Accepted);
            return;
        }
        messages << acceptVisibleMessageBoxes();
    }

    QTimer timer;
};

std::array<int, 10> valuesOf(const Curve &curve)
{
    std::array<int, 10> values{};
    for (int p = 0; p < 10; ++p)
        values[p] = curve[p].value;
    return values;
}

std::array<int, 10> valuesOf(const QCurve *widget)
{
    return valuesOf(widget->points);
}

void setCurve(Curve &curve, int first, int step)
{
    for (int p = 0; p < 10; ++p)
        curve[p].value = first + step * p;
}

} // namespace

class TestPictureWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void folderWithOnlyOnePicture();
    void storedPictureRules_data();
    void storedPictureRules();
    void pageDefaultOnFormat3();
    void restoringOneSlotAfterWriteKeepsMaskClear();
    void writeAllThenNothing();
    void writeMarkedSlots();
    void unsendableSlotFailsWrite();
    void writeWithNothingConvertibleEnds();
    void colourWriteSendsAllTen();
    void readFillsFolder_data();
    void readFillsFolder();
    void readWithLostReplyFails();
    void readDoesNothingOffTabOrInColour();
    void pageFollowsScreenFormat();
    void languageSwitch();
    void editorFromPage();
    void gridShowsAllAndWriteMarks();
    void windowFitsSmallScreens();

    void resourceFullFileAndPowerButton();
    void resourceTemperatureFile();
    void resourceCelsiusRoundTrip();
    void resourcePicturesIntoFolder();
    void resourceMessages();
    void resourceWritesThatFail();

private:
    void startWindow(quint16 id);
    void waitForJobEnd();
    QString lastLog() const { return logTexts(*window).value(logTexts(*window).size() - 1); }
    // The result line of a failed job, before the line that gives its cause.
    QString failureLog() const { return logTexts(*window).value(logTexts(*window).size() - 2); }
    QString folder() const { return workDir.path() + QLatin1Char('/') + serialText; }

    QTemporaryDir workDir;
    QTemporaryDir configDir;
    QTemporaryDir desktopDir;
    std::shared_ptr<VirtualDevice> device;
    std::unique_ptr<MainWindow> window;
};

void TestPictureWindow::initTestCase()
{
    QVERIFY(workDir.isValid() && configDir.isValid());
    qputenv("XDG_CONFIG_HOME", configDir.path().toLocal8Bit());
    initArtResources();
    initTranslationResources();
    QVERIFY(QDir::setCurrent(workDir.path()));
}

void TestPictureWindow::init()
{
    currentLanguage = English;
    QDir(folder()).removeRecursively();
}

void TestPictureWindow::cleanup()
{
    QVERIFY(stopWorkerAndWait());
    window.reset();
    closeHidDevice();
    deviceSession().clear();
    device.reset();
}

void TestPictureWindow::startWindow(quint16 id)
{
    VirtualDevice::Settings settings;
    settings.id = id;
    settings.serial = testSerial;
    settings.clockRuns = false;
    device = std::make_shared<VirtualDevice>(settings);
    setHidBackend(std::make_shared<VirtualBus>(device));
    window = std::make_unique<MainWindow>();
    window->setResultPauseScale(0.01);
    QVERIFY(deviceSession().deviceOpen);
    device->clearLog();
}

void TestPictureWindow::waitForJobEnd()
{
    QTRY_VERIFY_WITH_TIMEOUT(!window->taskDialog && !window->readPicTimer->isActive()
                                     && !window->writePicTimer->isActive(),
                             30000);
}

void TestPictureWindow::folderWithOnlyOnePicture()
{
    QVERIFY(QDir().mkpath(folder()));
    const QString third = saveImage(monoPattern(QSize(128, 32), 3), folder() + "/3.bmp", true);
    QVERIFY(!third.isEmpty());
#ifdef Q_OS_UNIX
    // A named pipe where a picture should be is never opened: reading it would block for ever.
    QCOMPARE(::mkfifo(QFile::encodeName(folder() + "/5.bmp").constData(), 0600), 0);
#endif
    startWindow(0x1005);

    const QStringList files = deviceSession().pictureFiles();
    QCOMPARE(files.size(), 12);
    for (int slot = 0; slot < 12; ++slot) {
        const QString expected
                = slot == 2 ? third : QStringLiteral(":/512/512/%1.bmp").arg(slot + 1);
        QCOMPARE(files.at(slot), expected);
    }
    QCOMPARE(int(deviceSession().pictureWriteMask), 0x0FFF);
    QCOMPARE(window->picLabels[2]
                     ->pixmap(Qt::ReturnByValue)
                     .toImage()
                     .convertToFormat(QImage::Format_RGB32),
             monoPattern(QSize(128, 32), 3));
}

void TestPictureWindow::storedPictureRules_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QSize>("stored");
    QTest::addColumn<bool>("taken");
    QTest::newRow("format 0, 64 x 64 has the pixel count") << 0x1005 << QSize(64, 64) << true;
    QTest::newRow("format 0, 128 x 32") << 0x1005 << QSize(128, 32) << true;
    QTest::newRow("format 0, 64 x 128 refused") << 0x1005 << QSize(64, 128) << false;
    QTest::newRow("format 1, 64 x 128") << 0x2001 << QSize(64, 128) << true;
    QTest::newRow("format 1, 64 x 64") << 0x2001 << QSize(64, 64) << true;
    QTest::newRow("format 2, never stored") << 0x3000 << QSize(80, 160) << false;
}

void TestPictureWindow::storedPictureRules()
{
    QFETCH(int, id);
    QFETCH(QSize, stored);
    QFETCH(bool, taken);
    QVERIFY(QDir().mkpath(folder()));
    const QString path
            = saveImage(monoPattern(stored, 1), folder() + QStringLiteral("/1.bmp"), id != 0x3000);
    QVERIFY(!path.isEmpty());
    QVERIFY(QFile::copy(path, folder() + QStringLiteral("/2.bmp")));
    startWindow(quint16(id));

    const QStringList files = deviceSession().pictureFiles();
    const int format = id >> 12 == 3 ? 2 : (id >> 12) - 1;
    QCOMPARE(int(deviceSession().screenFormat), format);
    for (int slot = 0; slot < 2; ++slot)
        QCOMPARE(files.at(slot) == folder() + QStringLiteral("/%1.bmp").arg(slot + 1), taken);
    QCOMPARE(files.at(3), window->defaultPicturePaths[format][3]);
    QCOMPARE(int(deviceSession().pictureWriteMask), 0x0FFF);
}

void TestPictureWindow::pageDefaultOnFormat3()
{
    startWindow(0x4001);
    DeviceSession &session = deviceSession();
    QCOMPARE(int(session.screenFormat), 3);
    session.pictureWriteMask = 0x0005;
    const QStringList before = session.pictureFiles();
    window->pageDefaultButton->click();
    QCOMPARE(int(session.pictureWriteMask), 0x0005);
    QCOMPARE(session.pictureFiles(), before);
    window->picDefaultButtons[0]->click();
    QCOMPARE(session.pictureFiles(), before);
}

void TestPictureWindow::restoringOneSlotAfterWriteKeepsMaskClear()
{
    startWindow(0x1005);
    DeviceSession &session = deviceSession();
    const QString custom
            = saveImage(monoPattern(QSize(128, 32), 9), workDir.filePath("custom.bmp"), true);
    session.setPictureFile(4, custom);
    window->ui->tabWidget->setCurrentIndex(0);
    window->writeToDeviceSlots();
    waitForJobEnd();
    QCOMPARE(lastLog(), QStringLiteral(" set successfully!"));
    QCOMPARE(int(session.pictureWriteMask), 0);

    window->picDefaultButtons[4]->click();
    QCOMPARE(session.pictureFile(4), QStringLiteral(":/512/512/5.bmp"));
    QCOMPARE(int(session.pictureWriteMask), 0);
    QCOMPARE(window->picLabels[4]->pixmap(Qt::ReturnByValue).toImage(),
             QPixmap(":/512/512/5.bmp").toImage());

    // The page default marks every slot again.
    window->pageDefaultButton->click();
    QCOMPARE(int(session.pictureWriteMask), 0x0FFF);
}

void TestPictureWindow::writeAllThenNothing()
{
    startWindow(0x1005);
    window->ui->tabWidget->setCurrentIndex(0);
    const int logStart = logTexts(*window).size();
    window->writeToDeviceSlots();
    QVERIFY(window->taskDialog);
    QCOMPARE(window->taskDialog->progressMaximum(), 12);
    waitForJobEnd();
    QCOMPARE(logTexts(*window).mid(logStart),
             QStringList({" [Write user source task]", " set successfully!"}));
    // Every slot arrived as the default picture's LCD bytes.
    for (int slot = 0; slot < 12; ++slot) {
        const QImage picture(QStringLiteral(":/512/512/%1.bmp").arg(slot + 1));
        QCOMPARE(picture.size(), QSize(128, 32));
        QCOMPARE(device->picture(slot), expectedMonoLcd(picture));
    }

    // The mask was cleared: a second press does nothing at all.
    device->clearLog();
    window->writeToDeviceSlots();
    QVERIFY(!window->taskDialog);
    QCOMPARE(device->receivedFrames().size(), 0);
    QCOMPARE(logTexts(*window).size(), logStart + 2);
}

void TestPictureWindow::writeMarkedSlots()
{
    startWindow(0x2001);
    DeviceSession &session = deviceSession();
    QStringList files = session.pictureFiles();
    for (int slot = 0; slot < 12; ++slot) {
        files[slot] = saveImage(monoPattern(QSize(64, 128), slot + 20),
                                workDir.filePath(QStringLiteral("tall%1.bmp").arg(slot)), true);
    }
    session.setPictureFiles(files);
    QVector<QByteArray> before;
    for (int slot = 0; slot < 12; ++slot)
        before << device->picture(slot);

    session.pictureWriteMask = 0x0025; // slots 1, 3 and 6
    window->ui->tabWidget->setCurrentIndex(0);
    window->writeToDeviceSlots();
    QVERIFY(window->taskDialog);
    QCOMPARE(window->taskDialog->progressMaximum(), 3);
    waitForJobEnd();
    QCOMPARE(lastLog(), QStringLiteral(" set successfully!"));
    for (int slot = 0; slot < 12; ++slot) {
        const bool marked = slot == 0 || slot == 2 || slot == 5;
        const QByteArray expected
                = marked ? expectedMonoLcd(monoPattern(QSize(64, 128), slot + 20)) : before[slot];
        QCOMPARE(device->picture(slot).size(), 1024);
        QVERIFY2(device->picture(slot) == expected, qPrintable(QString::number(slot)));
    }
    QCOMPARE(int(session.pictureWriteMask), 0);
}

void TestPictureWindow::unsendableSlotFailsWrite()
{
    startWindow(0x1005);
    DeviceSession &session = deviceSession();
    // 64 x 96 converts to 768 bytes, which no slot of this screen takes.
    session.setPictureFile(
            1, saveImage(monoPattern(QSize(64, 96), 1), workDir.filePath("odd.bmp"), true));
    session.setPictureFile(
            2, saveImage(monoPattern(QSize(128, 32), 2), workDir.filePath("good.bmp"), true));
    const QByteArray slot1Before = device->picture(1);
    session.pictureWriteMask = 0x0006;
    window->ui->tabWidget->setCurrentIndex(0);
    window->writeToDeviceSlots();
    waitForJobEnd();
    QCOMPARE(failureLog(), QStringLiteral(" set failed!"));
    QCOMPARE(lastLog(),
             QStringLiteral(" Cause: picture 2 could not be converted or saved. Check the "
                            "picture file and the free disk space."));
    QCOMPARE(device->picture(1), slot1Before);
    QCOMPARE(device->picture(2), expectedMonoLcd(monoPattern(QSize(128, 32), 2)));
    // The slot that went keeps no mark; the one that did not stays marked for the next write.
    QCOMPARE(int(session.pictureWriteMask), 0x0002);
}

void TestPictureWindow::writeWithNothingConvertibleEnds()
{
    startWindow(0x1005);
    DeviceSession &session = deviceSession();
    session.setPictureFile(0, workDir.filePath("removed.bmp"));
    session.pictureWriteMask = 0x0001;
    window->ui->tabWidget->setCurrentIndex(0);
    window->writeToDeviceSlots();
    QVERIFY(window->taskDialog);
    // No slot is counted; the job still ends, as a failure, and its dialog goes.
    waitForJobEnd();
    QCOMPARE(failureLog(), QStringLiteral(" set failed!"));
    QCOMPARE(device->receivedFrames().size(), 0);
}

void TestPictureWindow::colourWriteSendsAllTen()
{
    startWindow(0x3000);
    DeviceSession &session = deviceSession();
    QCOMPARE(int(session.screenFormat), 2);
    QCOMPARE(int(session.pictureCount), 10);
    QStringList files;
    for (int slot = 0; slot < 10; ++slot) {
        files << saveImage(colourPattern(slot), workDir.filePath(QString("colour%1.bmp").arg(slot)),
                           false);
    }
    session.setPictureFiles(files);
    session.pictureWriteMask = 0;

    window->writePicturesToDevice();
    QVERIFY(window->taskDialog);
    QCOMPARE(window->taskDialog->progressMaximum(), 10);
    waitForJobEnd();
    QCOMPARE(lastLog(), QStringLiteral(" set successfully!"));
    for (int slot = 0; slot < 10; ++slot) {
        QCOMPARE(device->picture(slot).size(), 25600);
        QVERIFY2(device->picture(slot) == expectedColourLcd(colourPattern(slot)),
                 qPrintable(QString::number(slot)));
    }
    QCOMPARE(int(session.pictureWriteMask), 0);
}

void TestPictureWindow::readFillsFolder_data()
{
    QTest::addColumn<int>("id");
    QTest::newRow("128 x 32") << 0x1005;
    QTest::newRow("64 x 128") << 0x2001;
}

void TestPictureWindow::readFillsFolder()
{
    QFETCH(int, id);
    startWindow(quint16(id));
    const int format = deviceSession().screenFormat;
    const int bytes = format == 0 ? 512 : 1024;
    for (int slot = 0; slot < 12; ++slot)
        device->setPicture(slot, randomBytes(bytes, quint32(slot * 31 + id)));
    QVERIFY(!QFileInfo::exists(folder()));

    window->ui->tabWidget->setCurrentIndex(0);
    const int logStart = logTexts(*window).size();
    window->readFromDeviceSlots();
    QVERIFY(window->taskDialog);
    QCOMPARE(window->taskDialog->progressMaximum(), 11);
    waitForJobEnd();
    QCOMPARE(logTexts(*window).mid(logStart),
             QStringList({"[Write user source task]", " Read resource successfully!"}));

    const QStringList files = deviceSession().pictureFiles();
    for (int slot = 0; slot < 12; ++slot) {
        const QString path = folder() + QStringLiteral("/%1.bmp").arg(slot + 1);
        QCOMPARE(files.at(slot), path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.readAll() == expectedReadFile(format, device->picture(slot)),
                 qPrintable(path));
        // The page shows what was read.
        QCOMPARE(window->picLabels[slot]->pixmap(Qt::ReturnByValue).size(), monoSize(format));
    }
    // Written back, a read picture gives the same LCD bytes.
    const QByteArray first = device->picture(0);
    device->setPicture(0, QByteArray(bytes, '\0'));
    deviceSession().pictureWriteMask = 0x0001;
    window->writeToDeviceSlots();
    waitForJobEnd();
    QCOMPARE(device->picture(0), first);
}

void TestPictureWindow::readWithLostReplyFails()
{
    startWindow(0x1005);
    for (int slot = 0; slot < 12; ++slot)
        device->setPicture(slot, randomBytes(512, quint32(slot + 7)));
    device->dropReplies(1, 0x39); // picture 1's reply is lost
    window->ui->tabWidget->setCurrentIndex(0);
    window->readFromDeviceSlots();
    waitForJobEnd();
    QCOMPARE(failureLog(), QStringLiteral(" Read resource failed!"));
    QCOMPARE(lastLog(), QStringLiteral(" Cause: the device stopped answering while transferring "
                                       "picture 1. Check the USB connection and try again."));
    const QStringList files = deviceSession().pictureFiles();
    QCOMPARE(files.at(0), QStringLiteral(":/512/512/1.bmp"));
    QVERIFY(!QFileInfo::exists(folder() + QStringLiteral("/1.bmp")));
    for (int slot = 1; slot < 12; ++slot)
        QCOMPARE(files.at(slot), folder() + QStringLiteral("/%1.bmp").arg(slot + 1));

    // The next read starts afresh and succeeds.
    window->readFromDeviceSlots();
    waitForJobEnd();
    QCOMPARE(lastLog(), QStringLiteral(" Read resource successfully!"));
}

void TestPictureWindow::readDoesNothingOffTabOrInColour()
{
    startWindow(0x1005);
    const int logSize = logTexts(*window).size();
    window->ui->tabWidget->setCurrentIndex(1);
    window->readFromDeviceSlots();
    QVERIFY(!window->taskDialog);
    QCOMPARE(device->receivedFrames().size(), 0);
    QCOMPARE(logTexts(*window).size(), logSize);
    window.reset();
    closeHidDevice();

    startWindow(0x3000);
    window->readPicturesFromDevice();
    window->readFromDeviceSlots();
    QVERIFY(!window->taskDialog);
    QCOMPARE(device->receivedFrames().size(), 0);
    QVERIFY(!QFileInfo::exists(folder()));
}

void TestPictureWindow::pageFollowsScreenFormat()
{
    startWindow(0x3000);
    Ui::MainWindow *ui = window->ui;
    ui->listWidget->setCurrentRow(3);
    window->loadEditPicSlots();
    QVERIFY(ui->listWidget->item(3)->isHidden());
    QCOMPARE(ui->listWidget->currentRow(), 0);
    for (int tab : {0, 2, 3})
        QVERIFY(!ui->tabWidget->isTabEnabled(tab));
    QVERIFY(ui->tabWidget->isTabEnabled(1));
    for (QWidget *hidden : std::initializer_list<QWidget *>{
                 ui->readFromDeviceButton, ui->writeToDeviceButton, ui->loadConfigButton,
                 ui->saveConfigButton, ui->resetDefaultButton, ui->wenkongGroupBox, ui->frame_2,
                 ui->frame_3, ui->paraButton, ui->setTimePushButton, ui->readTimePushbutton})
        QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
    QVERIFY(!ui->timeGroup->isHidden());
    QVERIFY(ui->tabWidget->styleSheet().contains("QTabBar::tab:disabled{width: 0;"));

    // A monochrome format brings the page back and starts from the welcome page.
    deviceSession().screenFormat = 0;
    deviceSession().pictureCount = 12;
    window->setAllPicToDefault();
    QVERIFY(!ui->listWidget->item(3)->isHidden());
    QCOMPARE(ui->listWidget->currentRow(), 0);
    for (int tab : {0, 2, 3})
        QVERIFY(ui->tabWidget->isTabEnabled(tab));
    QVERIFY(!ui->readFromDeviceButton->isHidden());
    QVERIFY(ui->timeGroup->isHidden());
    QCOMPARE(window->picLabels[11]->pixmap(Qt::ReturnByValue).size(), QSize(128, 32));
}

void TestPictureWindow::languageSwitch()
{
    startWindow(0x1005);
    QCOMPARE(window->picNameLabels[0]->text(), QStringLiteral("01.logo for power on"));
    QCOMPARE(window->picNameLabels[0]->maximumWidth(), 180);
    QCOMPARE(window->picEditButtons[3]->text(), QStringLiteral("&Edit"));
    window->simplifiedChineseAction->trigger();
    QCOMPARE(window->picNameLabels[11]->text(), QStringLiteral("12.过温保护"));
    QCOMPARE(window->picNameLabels[11]->minimumWidth(), 100);
    QCOMPARE(window->picNameLabels[11]->maximumWidth(), 100);
    QCOMPARE(window->pageDefaultButton->text(), QStringLiteral("恢复本页默认值(&B)"));
    window->englishAction->trigger();
    QCOMPARE(window->picNameLabels[11]->maximumWidth(), 180);
    QCOMPARE(window->picDefaultButtons[0]->text(), QStringLiteral("&Default"));
}

void TestPictureWindow::editorFromPage()
{
    startWindow(0x1005);
    DeviceSession &session = deviceSession();
    session.pictureWriteMask = 0;
    window->picEditButtons[2]->click();
    BmpEditor *editor = window->picEditor;
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->windowTitle(), QStringLiteral("03.Coil high"));
    QCOMPARE(int(session.editedPicture), 2);

    // Confirm saves the slot into the folder, marks it and refreshes the page.
    QMetaObject::invokeMethod(editor, "commitAndQuitSlots");
    const QString path = folder() + QStringLiteral("/3.bmp");
    QCOMPARE(session.pictureFile(2), path);
    QCOMPARE(int(session.pictureWriteMask), 0x0004);
    QVERIFY(!editor->isVisible());
    QCOMPARE(window->picLabels[2]
                     ->pixmap(Qt::ReturnByValue)
                     .toImage()
                     .convertToFormat(QImage::Format_RGB32),
             QImage(":/512/512/3.bmp").convertToFormat(QImage::Format_RGB32));

    // The write sends just that slot, with the picture's bytes.
    window->ui->tabWidget->setCurrentIndex(0);
    window->writeToDeviceSlots();
    QCOMPARE(window->taskDialog->progressMaximum(), 1);
    waitForJobEnd();
    QCOMPARE(device->picture(2), expectedMonoLcd(QImage(":/512/512/3.bmp")));
}

void TestPictureWindow::gridShowsAllAndWriteMarks()
{
    startWindow(0x2001);
    DeviceSession &session = deviceSession();
    window->resize(1400, 875);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->ui->listWidget->setCurrentRow(3);
    window->ui->tabWidget->setCurrentIndex(0);
    QWidget *viewport = window->ui->picScrollArea->viewport();
    // All twelve 64 x 128 pictures and their buttons lie inside the visible part of the page.
    QTRY_VERIFY(window->picLabels[11]->isVisible());
    for (int slot = 0; slot < 12; ++slot) {
        for (QWidget *part : std::initializer_list<QWidget *>{
                     window->picLabels[slot], window->picNameLabels[slot],
                     window->picEditButtons[slot], window->picDefaultButtons[slot]}) {
            const QRect shown(part->mapTo(viewport, QPoint(0, 0)), part->size());
            QVERIFY2(viewport->rect().contains(shown),
                     qPrintable(QStringLiteral("slot %1 at %2,%3 %4x%5 in %6x%7")
                                        .arg(slot + 1)
                                        .arg(shown.x())
                                        .arg(shown.y())
                                        .arg(shown.width())
                                        .arg(shown.height())
                                        .arg(viewport->width())
                                        .arg(viewport->height())));
        }
        QCOMPARE(window->picLabels[slot]->pixmap(Qt::ReturnByValue).size(), QSize(64, 128));
    }

    // After connecting every slot waits for the next write; a successful write clears the marks.
    for (QLabel *mark : window->picWriteMarks)
        QVERIFY(mark->isVisible());
    window->writeToDeviceSlots();
    waitForJobEnd();
    QCOMPARE(lastLog(), QStringLiteral(" set successfully!"));
    for (QLabel *mark : window->picWriteMarks)
        QTRY_VERIFY(!mark->isVisible());

    // An edit confirmed for slot 3 marks that slot alone.
    window->picEditButtons[2]->click();
    QMetaObject::invokeMethod(window->picEditor, "commitAndQuitSlots");
    QCOMPARE(int(session.pictureWriteMask), 0x0004);
    for (int slot = 0; slot < 12; ++slot)
        QCOMPARE(window->picWriteMarks[slot]->isVisible(), slot == 2);
}

void TestPictureWindow::windowFitsSmallScreens()
{
    // No caption of the window or of the picture editor is cut off: labels of a fixed width and
    // buttons show their whole text.
    const auto checkCaptions = [](QWidget *root) {
        for (QLabel *label : root->findChildren<QLabel *>()) {
            if (!label->isVisible() || label->text().isEmpty()
                || label->minimumWidth() != label->maximumWidth() || label->wordWrap())
                continue;
            const int needed = label->fontMetrics().horizontalAdvance(label->text())
                               + 2 * (label->frameWidth() + label->margin());
            if (needed > label->width())
                return label->text();
        }
        for (QAbstractButton *button : root->findChildren<QAbstractButton *>()) {
            if (button->isVisible() && !button->text().isEmpty()
                && button->sizeHint().width() > button->width())
                return button->text();
        }
        return QString();
    };

    // The window opens at seven eighths of the screen; on a 1280 x 720 screen that is 1120 x 630,
    // and the window must be able to take it in every language, on every page.
    startWindow(0x2001);
    window->resize(1120, 630);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    for (Language language : {English, SimplifiedChinese, TraditionalChinese}) {
        currentLanguage = language;
        window->installLanguageSlots(language);
        for (int page = 0; page < 4; ++page) {
            window->ui->listWidget->setCurrentRow(page);
            for (int tab = 0; tab < (page == 3 ? 4 : 1); ++tab) {
                window->ui->tabWidget->setCurrentIndex(tab);
                QCoreApplication::processEvents();
                const QSize least = window->minimumSizeHint();
                QVERIFY2(least.width() <= 1120 && least.height() <= 630,
                         qPrintable(QStringLiteral("page %1 tab %2 needs %3 x %4")
                                            .arg(page)
                                            .arg(tab)
                                            .arg(least.width())
                                            .arg(least.height())));
                QCOMPARE(window->size(), QSize(1120, 630));
                const QString cut = checkCaptions(window.get());
                QVERIFY2(cut.isEmpty(), qPrintable(cut));
            }
        }
        window->picEditButtons[0]->click();
        QVERIFY(QTest::qWaitForWindowExposed(window->picEditor));
        const QString cut = checkCaptions(window->picEditor);
        QVERIFY2(cut.isEmpty(), qPrintable(cut));
        window->picEditor->close();
    }
    QCOMPARE(window->picNameLabels[2]->text(), QStringLiteral("03.雾化器阻值太大"));
    window->englishAction->trigger(); // the stored language of the next window
}

void TestPictureWindow::resourceFullFileAndPowerButton()
{
    startWindow(0x2001);
    DeviceSession &session = deviceSession();
    Ui::MainWindow *ui = window->ui;
    session.setPictureFile(3, workDir.filePath("cannot-load.bmp"));
    for (int g = 0; g < 5; ++g) {
        setCurve(session.tempCurves[g], 10 * g, 5);
        setCurve(session.powerCurves[g], g, 2);
    }
    // Group 1 is checked on both pages: its values come from the widgets.
    setCurve(ui->wkWidget->points, 100, 1);
    setCurve(ui->powerWidget->points, 30, 1);

    DialogAnswerer answers;
    const QString path = workDir.filePath("full.ct_user");
    answers.fileNames << path;
    ui->saveConfigButton->click();
    QCOMPARE(answers.fileDialogTitles, QStringList{"save user source file"});
    QVERIFY(answers.messages.isEmpty());

    const QStringList lines = readLines(path);
    QCOMPARE(lines.size(), 1 + 13 + 6 + 6);
    QCOMPARE(lines.at(0).left(5), QStringLiteral("d2001"));
    QCOMPARE(lines.at(1), QStringLiteral("b"));
    QCOMPARE(lines.at(5), QStringLiteral("b30000")); // the picture that did not load
    QVERIFY(lines.at(2).startsWith(QStringLiteral("b0424d"))); // a BMP file
    QCOMPARE(lines.at(14), QStringLiteral("t"));
    QCOMPARE(lines.at(15).left(2 + 8), QStringLiteral("M000640065")); // 100, 101, ...
    QCOMPARE(lines.at(20), QStringLiteral("p"));
    QCOMPARE(lines.at(22).left(2 + 8), QStringLiteral("M100010003")); // stored group 1: 1, 3

    // Change everything, then load the full file with the power button.
    const QStringList filesBefore = session.pictureFiles();
    for (int g = 0; g < 5; ++g) {
        setCurve(session.tempCurves[g], 1, 0);
        setCurve(session.powerCurves[g], 2, 0);
    }
    setCurve(ui->powerWidget->points, 2, 0);
    answers.fileNames << path;
    ui->loadPowerConfigButton->click();
    QVERIFY(answers.messages.isEmpty());
    QCOMPARE(lastLog(), QStringLiteral(" load user source file"));
    QCOMPARE(valuesOf(session.powerCurves[0]), valuesOf(ui->powerWidget->points));
    QCOMPARE(valuesOf(ui->powerWidget),
             (std::array<int, 10>{30, 31, 32, 33, 34, 35, 36, 37, 38, 39}));
    QCOMPARE(valuesOf(session.powerCurves[4]),
             (std::array<int, 10>{4, 6, 8, 10, 12, 14, 16, 18, 20, 22}));
    QCOMPARE(valuesOf(session.tempCurves[2]), (std::array<int, 10>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    QCOMPARE(session.pictureFiles(), filesBefore);
    QVERIFY(!QFileInfo::exists(folder()));

    // Without a device nothing is saved.
    closeHidDevice();
    answers.fileNames << workDir.filePath("nodevice.ct_user");
    ui->saveConfigButton->click();
    QVERIFY(!QFileInfo::exists(workDir.filePath("nodevice.ct_user")));
}

void TestPictureWindow::resourceTemperatureFile()
{
    startWindow(0x1005);
    DeviceSession &session = deviceSession();
    Ui::MainWindow *ui = window->ui;
    for (int g = 0; g < 5; ++g)
        setCurve(session.tempCurves[g], 50 + g, 3);
    ui->tabWidget->setCurrentIndex(2);
    ui->wkRadioButton3->click(); // group 3 is now shown and edited
    setCurve(ui->wkWidget->points, 7, 7);

    DialogAnswerer answers;
    const QString path = workDir.filePath("temp.ct_user");
    answers.fileNames << path;
    ui->saveWkConfigButton->click();
    const QStringList lines = readLines(path);
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines.at(1), QStringLiteral("t"));

    for (int g = 0; g < 5; ++g)
        setCurve(session.tempCurves[g], 0, 0);
    setCurve(ui->wkWidget->points, 0, 0);
    const QStringList filesBefore = session.pictureFiles();
    const Curve powerBefore = session.powerCurves[0];

    // The full-file button on a temperature file changes only the temperature groups.
    answers.fileNames << path;
    ui->loadConfigButton->click();
    QVERIFY(answers.messages.isEmpty());
    QCOMPARE(valuesOf(ui->wkWidget), (std::array<int, 10>{7, 14, 21, 28, 35, 42, 49, 56, 63, 70}));
    QCOMPARE(valuesOf(session.tempCurves[2]), valuesOf(ui->wkWidget));
    QCOMPARE(valuesOf(session.tempCurves[4]),
             (std::array<int, 10>{54, 57, 60, 63, 66, 69, 72, 75, 78, 81}));
    QCOMPARE(session.pictureFiles(), filesBefore);
    QCOMPARE(valuesOf(session.powerCurves[0]), valuesOf(powerBefore));
}

void TestPictureWindow::resourceCelsiusRoundTrip()
{
    startWindow(0x1005);
    DeviceSession &session = deviceSession();
    Ui::MainWindow *ui = window->ui;
    ui->tabWidget->setCurrentIndex(2);
    ui->tempUnitComboBox->setCurrentIndex(0); // Celsius
    QCOMPARE(int(session.tempUnit), 0);
    setCurve(ui->wkWidget->points, 0, 20); // 100 C ... 280 C
    for (int g = 1; g < 5; ++g)
        setCurve(session.tempCurves[g], 215 - g, -1);

    DialogAnswerer answers;
    const QString path = workDir.filePath("celsius.ct_user");
    answers.fileNames << path;
    ui->saveWkConfigButton->click();
    // The file keeps offsets above 200 F: 100 C is 0, 120 C is 48.
    const QStringList lines = readLines(path);
    QCOMPARE(lines.at(2).left(2 + 8), QStringLiteral("M000000030"));

    const std::array<int, 10> shown = valuesOf(ui->wkWidget);
    const std::array<int, 10> group4 = valuesOf(session.tempCurves[4]);
    setCurve(ui->wkWidget->points, 5, 0);
    setCurve(session.tempCurves[4], 5, 0);
    answers.fileNames << path;
    ui->loadWkConfigButton->click();
    QCOMPARE(valuesOf(ui->wkWidget), shown);
    QCOMPARE(valuesOf(session.tempCurves[4]), group4);

    // Loaded in Fahrenheit the same temperatures come back in that unit.
    ui->tempUnitComboBox->setCurrentIndex(1);
    answers.fileNames << path;
    ui->loadWkConfigButton->click();
    QCOMPARE(ui->wkWidget->points[0].value, 0); // 200 F
    QCOMPARE(ui->wkWidget->points[9].value, 536 - 200); // 280 C
}

void TestPictureWindow::resourcePicturesIntoFolder()
{
    startWindow(0x1005);
    DeviceSession &session = deviceSession();
    QStringList files = session.pictureFiles();
    files[6] = saveImage(monoPattern(QSize(128, 32), 6), workDir.filePath("seven.bmp"), true);
    session.setPictureFiles(files);
    DialogAnswerer answers;
    const QString path = workDir.filePath("pictures.ct_user");
    answers.fileNames << path;
    window->ui->saveConfigButton->click();

    window->setAllPicToDefault();
    session.pictureWriteMask = 0;
    answers.fileNames << path;
    window->ui->loadConfigButton->click();
    QVERIFY(answers.messages.isEmpty());
    const QString seventh = folder() + QStringLiteral("/7.bmp");
    QCOMPARE(session.pictureFile(6), seventh);
    QCOMPARE(QImage(seventh).convertToFormat(QImage::Format_RGB32), monoPattern(QSize(128, 32), 6));
    QCOMPARE(int(session.pictureWriteMask), 0xFFFF);
    QCOMPARE(window->picLabels[6]
                     ->pixmap(Qt::ReturnByValue)
                     .toImage()
                     .convertToFormat(QImage::Format_RGB32),
             monoPattern(QSize(128, 32), 6));
}

void TestPictureWindow::resourceMessages()
{
    startWindow(0x1005);
    Ui::MainWindow *ui = window->ui;
    DialogAnswerer answers;

    // Another device's file.
    const QString other = workDir.filePath("other.ct_user");
    QFile otherFile(other);
    QVERIFY(otherFile.open(QIODevice::WriteOnly));
    otherFile.write("d20010000\np\n");
    otherFile.close();
    answers.fileNames << other;
    ui->loadPowerConfigButton->click();
    QCOMPARE(answers.messages,
             QStringList{"Warning|The user source file doesn't match the current device"});

    // A damaged power line: a message and a log line; the other groups load.
    const QString good = workDir.filePath("good.ct_user");
    answers.fileNames << good;
    ui->savePowerConfigButton->click();
    QStringList lines = readLines(good);
    QCOMPARE(lines.size(), 7);
    lines[3] = lines[3].left(lines[3].size() - 1) + (lines[3].endsWith('0') ? "1" : "0");
    QFile damaged(workDir.filePath("damaged.ct_user"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(lines.join('\n').toLatin1());
    damaged.close();
    answers.messages.clear();
    answers.fileNames << damaged.fileName();
    ui->loadPowerConfigButton->click();
    QCOMPARE(answers.messages, QStringList{"Warning|The file is corrupted"});
    QCOMPARE(lastLog(), QStringLiteral("The file is corrupted"));

    // A file that cannot be opened, and a save that cannot be written.
    answers.messages.clear();
    answers.fileNames << workDir.filePath("absent.ct_user");
    ui->loadConfigButton->click();
    answers.fileNames << workDir.filePath("no/such/dir/x.ct_user");
    ui->saveConfigButton->click();
    QCOMPARE(answers.messages,
             QStringList({"Warning|Open Failed", "Warning|save user source failed"}));

    // A cancelled dialog does nothing.
    const int logSize = logTexts(*window).size();
    ui->loadConfigButton->click();
    QCOMPARE(logTexts(*window).size(), logSize);
}

// Files may grow to at most maxBytes while it lives, as on a full disk; writing beyond fails
// (EFBIG) instead of ending the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t maxBytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = maxBytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &previous); }

private:
    rlimit previous{};
};

void TestPictureWindow::resourceWritesThatFail()
{
    startWindow(0x1005);
    DeviceSession &session = deviceSession();
    Ui::MainWindow *ui = window->ui;
    DialogAnswerer answers;

    // Saving over an earlier file on a full disk: the earlier file stays, the user is told.
    const QString path = workDir.filePath("earlier.ct_user");
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier\n");
    earlier.close();
    {
        const FileSizeLimit full(256);
        answers.fileNames << path;
        ui->saveConfigButton->click();
    }
    QCOMPARE(answers.messages, QStringList{"Warning|save user source failed"});
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier\n"));
    earlier.close();

    // Loading pictures on a full disk: each picture keeps its earlier file, its slot and the
    // write mask stay as they were, and the failure is shown and logged.
    const QString good = workDir.filePath("good.ct_user");
    answers.fileNames << good;
    ui->saveConfigButton->click();
    QVERIFY(QDir().mkpath(folder()));
    QFile stored(folder() + "/1.bmp");
    QVERIFY(stored.open(QIODevice::WriteOnly));
    stored.write("kept");
    stored.close();
    const QStringList filesBefore = session.pictureFiles();
    session.pictureWriteMask = 0x0004;
    answers.messages.clear();
    {
        const FileSizeLimit full(256);
        answers.fileNames << good;
        ui->loadConfigButton->click();
    }
    QCOMPARE(answers.messages.size(), 12);
    QVERIFY2(answers.messages.first().startsWith("Warning| Picture 1 could not be saved: "),
             qPrintable(answers.messages.first()));
    QVERIFY(logTexts(*window).contains(answers.messages.last().mid(8)));
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), QByteArray("kept"));
    QCOMPARE(session.pictureFiles(), filesBefore);
    QCOMPARE(int(session.pictureWriteMask), 0x0004);
}

QTEST_MAIN(TestPictureWindow)
#include "tst_picturewindow.moc"
