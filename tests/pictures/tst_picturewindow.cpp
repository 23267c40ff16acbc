// The picture tab on a real main window against the virtual device: the set built at connection,
// the default buttons, the page following the screen format, the read and write jobs with the
// LCD bytes checked at the device, the editor opened from the page, and the user resource file.

#include "app/mainwindow.h"
#include "device/hidbackend.h"
#include "device/ui/jobdialog.h"
#include "parameters/ui/curvepages.h"
#include "parameters/widgets/qcurve.h"
#include "pictures/ui/picturepage.h"
#include "pictures/widgets/bmpeditor.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "shell/language.h"
#include "support/msgboxes.h"
#include "support/testsupport.h"
#include "support/windowhelpers.h"
#include "virtualdevice/virtualdevice.h"
#include "widgets/msgbox.h"

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
#include <QTabWidget>
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

std::array<int, 10> valuesOf(const QCurve *widget)
{
    std::array<int, 10> values{};
    for (int p = 0; p < 10; ++p)
        values[p] = widget->points[p].value;
    return values;
}

void setCurve(QCurve *widget, int first, int step)
{
    for (int p = 0; p < 10; ++p)
        widget->points[p].value = first + step * p;
}

// The stored curves as offsets above their range minimum: temperatures in a unit, powers above
// the model's minimum.
std::array<int, 10> temperatureOffsets(const CurveSet &curves, int group,
                                       TemperatureUnit unit = TemperatureUnit::Fahrenheit)
{
    const CurveSet::Points values = curves.temperaturesIn(group, unit);
    std::array<int, 10> offsets{};
    for (int p = 0; p < 10; ++p)
        offsets[p] = values[p] - CurveSet::temperatureMin(unit);
    return offsets;
}

std::array<int, 10> powerOffsets(const CurveSet &curves, int group)
{
    std::array<int, 10> offsets{};
    for (int p = 0; p < 10; ++p)
        offsets[p] = curves.powers[group][p] - curves.powerMin;
    return offsets;
}

void setTemperatureOffsets(CurveSet &curves, int group, int first, int step,
                           TemperatureUnit unit = TemperatureUnit::Fahrenheit)
{
    CurveSet::Points values{};
    for (int p = 0; p < 10; ++p)
        values[p] = quint16(CurveSet::temperatureMin(unit) + first + step * p);
    curves.setTemperaturesIn(group, values, unit);
}

void setPowerOffsets(CurveSet &curves, int group, int first, int step)
{
    CurveSet::Points values{};
    for (int p = 0; p < 10; ++p)
        values[p] = quint16(curves.powerMin + first + step * p);
    curves.setPowers(group, values);
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
    void unplugDuringReadInPictureWords();
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
    void startWindowOn(std::shared_ptr<VirtualBus> bus);
    void waitForJobEnd() { QVERIFY(waitForIdle(*window, 30000)); }
    QString lastLog() const { return logTexts(*window).value(logTexts(*window).size() - 1); }
    // The result line of a failed job, before the line that gives its cause.
    QString failureLog() const { return logTexts(*window).value(logTexts(*window).size() - 2); }
    QString folder() const { return workDir.path() + QLatin1Char('/') + serialText; }

    Device *shown() const { return window->deviceManager()->devices().value(0); }
    PictureSet &pictures() const { return shown()->pictures(); }
    PicturePage *page() const { return window->findChild<PicturePage *>(); }
    template<typename T = QWidget>
    T *widget(const QString &name) const
    {
        return named<T>(window.get(), name);
    }
    QLabel *pictureLabel(int slot) const
    {
        return widget<QLabel>(QStringLiteral("picLabel%1").arg(slot + 1));
    }
    QLabel *nameLabel(int slot) const
    {
        return widget<QLabel>(QStringLiteral("picNameLabel%1").arg(slot + 1));
    }
    QLabel *writeMark(int slot) const
    {
        return widget<QLabel>(QStringLiteral("picWriteMark%1").arg(slot + 1));
    }
    QPushButton *editButton(int slot) const
    {
        return widget<QPushButton>(QStringLiteral("picEditButton%1").arg(slot + 1));
    }
    QPushButton *defaultButton(int slot) const
    {
        return widget<QPushButton>(QStringLiteral("picDefaultButton%1").arg(slot + 1));
    }
    QPushButton *button(const char *name) const { return widget<QPushButton>(QLatin1String(name)); }
    QTabWidget *tabs() const { return widget<QTabWidget>(QStringLiteral("tabWidget")); }
    QListWidget *navigation() const { return widget<QListWidget>(QStringLiteral("listWidget")); }
    QCurve *tempCurve() const { return widget<QCurve>(QStringLiteral("wkWidget")); }
    QCurve *powerCurve() const { return widget<QCurve>(QStringLiteral("powerWidget")); }
    // The progress bar's maximum of the task dialog of the job that runs now; -1 without one.
    int dialogMaximum() const
    {
        const JobDialog *dialog = window->findChild<JobDialog *>();
        return dialog ? dialog->box()->progressMaximum() : -1;
    }
    void triggerLanguage(const char *actionName)
    {
        window->findChild<QAction *>(QLatin1String(actionName))->trigger();
    }

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
    window.reset();
    device.reset();
}

void TestPictureWindow::startWindow(quint16 id)
{
    VirtualDevice::Settings settings;
    settings.id = id;
    settings.serial = testSerial;
    settings.clockRuns = false;
    device = std::make_shared<VirtualDevice>(settings);
    startWindowOn(std::make_shared<VirtualBus>(device));
}

void TestPictureWindow::startWindowOn(std::shared_ptr<VirtualBus> bus)
{
    setHidBackend(bus);
    window = std::make_unique<MainWindow>();
    window->setResultPauseScale(0.01);
    QVERIFY(waitForConnectedDevice(*window));
    device->clearLog();
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

    const QStringList files = pictures().files();
    QCOMPARE(files.size(), 12);
    for (int slot = 0; slot < 12; ++slot) {
        const QString expected
                = slot == 2 ? third : QStringLiteral(":/512/512/%1.bmp").arg(slot + 1);
        QCOMPARE(files.at(slot), expected);
    }
    QCOMPARE(int(pictures().writeMask()), 0x0FFF);
    QTRY_COMPARE(pictureLabel(2)
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

    const QStringList files = pictures().files();
    const int format = id >> 12 == 3 ? 2 : (id >> 12) - 1;
    QCOMPARE(pictures().format(), format);
    for (int slot = 0; slot < 2; ++slot)
        QCOMPARE(files.at(slot) == folder() + QStringLiteral("/%1.bmp").arg(slot + 1), taken);
    QCOMPARE(files.at(3), PictureSet::defaultPath(format, 3));
    QCOMPARE(pictures().writeMask(), pictures().allSlotsMask());
}

void TestPictureWindow::pageDefaultOnFormat3()
{
    startWindow(0x4001);
    QCOMPARE(pictures().format(), 3);
    const QStringList before = pictures().files();
    button("pageDefaultButton")->click();
    QCOMPARE(int(pictures().writeMask()), 0);
    QCOMPARE(pictures().files(), before);
    defaultButton(0)->click();
    QCOMPARE(pictures().files(), before);
}

void TestPictureWindow::restoringOneSlotAfterWriteKeepsMaskClear()
{
    startWindow(0x1005);
    const QString custom
            = saveImage(monoPattern(QSize(128, 32), 9), workDir.filePath("custom.bmp"), true);
    pictures().setFile(4, custom);
    tabs()->setCurrentIndex(0);
    button("writeToDeviceButton")->click();
    waitForJobEnd();
    QCOMPARE(lastLog(), QStringLiteral(" set successfully!"));
    QCOMPARE(int(pictures().writeMask()), 0);

    defaultButton(4)->click();
    QCOMPARE(pictures().file(4), QStringLiteral(":/512/512/5.bmp"));
    QCOMPARE(int(pictures().writeMask()), 0);
    QCOMPARE(pictureLabel(4)->pixmap(Qt::ReturnByValue).toImage(),
             QPixmap(":/512/512/5.bmp").toImage());

    // The page default marks every slot again.
    button("pageDefaultButton")->click();
    QCOMPARE(int(pictures().writeMask()), 0x0FFF);
}

void TestPictureWindow::writeAllThenNothing()
{
    startWindow(0x1005);
    tabs()->setCurrentIndex(0);
    const int logStart = logTexts(*window).size();
    button("writeToDeviceButton")->click();
    QCOMPARE(dialogMaximum(), 12);
    waitForJobEnd();
    QCOMPARE(logTexts(*window).mid(logStart),
             QStringList({" [Write user source task]", " set successfully!"}));
    // Every slot arrived as the default picture's LCD bytes.
    for (int slot = 0; slot < 12; ++slot) {
        const QImage picture(QStringLiteral(":/512/512/%1.bmp").arg(slot + 1));
        QCOMPARE(picture.size(), QSize(128, 32));
        QCOMPARE(device->picture(slot), expectedMonoLcd(picture));
    }

    // The marks were cleared: a second press does nothing at all.
    device->clearLog();
    button("writeToDeviceButton")->click();
    QCOMPARE(dialogMaximum(), -1);
    QTest::qWait(20);
    QCOMPARE(device->receivedFrames().size(), 0);
    QCOMPARE(logTexts(*window).size(), logStart + 2);
}

void TestPictureWindow::writeMarkedSlots()
{
    startWindow(0x2001);
    for (int slot = 0; slot < 12; ++slot) {
        pictures().setFile(slot, saveImage(monoPattern(QSize(64, 128), slot + 20),
                                           workDir.filePath(QStringLiteral("tall%1.bmp").arg(slot)),
                                           true));
    }
    QVector<QByteArray> before;
    for (int slot = 0; slot < 12; ++slot)
        before << device->picture(slot);

    pictures().clearMarks(); // slots 1, 3 and 6
    for (int slot : {0, 2, 5})
        pictures().mark(slot);
    tabs()->setCurrentIndex(0);
    button("writeToDeviceButton")->click();
    QCOMPARE(dialogMaximum(), 3);
    waitForJobEnd();
    QCOMPARE(lastLog(), QStringLiteral(" set successfully!"));
    for (int slot = 0; slot < 12; ++slot) {
        const bool marked = slot == 0 || slot == 2 || slot == 5;
        const QByteArray expected
                = marked ? expectedMonoLcd(monoPattern(QSize(64, 128), slot + 20)) : before[slot];
        QCOMPARE(device->picture(slot).size(), 1024);
        QVERIFY2(device->picture(slot) == expected, qPrintable(QString::number(slot)));
    }
    QCOMPARE(int(pictures().writeMask()), 0);
}

void TestPictureWindow::unsendableSlotFailsWrite()
{
    startWindow(0x1005);
    // 64 x 96 converts to 768 bytes, which no slot of this screen takes.
    pictures().setFile(1,
                       saveImage(monoPattern(QSize(64, 96), 1), workDir.filePath("odd.bmp"), true));
    pictures().setFile(
            2, saveImage(monoPattern(QSize(128, 32), 2), workDir.filePath("good.bmp"), true));
    const QByteArray slot1Before = device->picture(1);
    pictures().clearMarks();
    pictures().mark(1);
    pictures().mark(2);
    tabs()->setCurrentIndex(0);
    button("writeToDeviceButton")->click();
    waitForJobEnd();
    QCOMPARE(failureLog(), QStringLiteral(" set failed!"));
    QCOMPARE(lastLog(),
             QStringLiteral(" Cause: picture 2 could not be converted or saved. Check the "
                            "picture file and the free disk space."));
    QCOMPARE(device->picture(1), slot1Before);
    QCOMPARE(device->picture(2), expectedMonoLcd(monoPattern(QSize(128, 32), 2)));
    // The slot that went keeps no mark; the one that did not stays marked for the next write.
    QCOMPARE(int(pictures().writeMask()), 0x0002);
    QVERIFY(!writeMark(1)->isHidden());
    QVERIFY(writeMark(2)->isHidden());
}

void TestPictureWindow::writeWithNothingConvertibleEnds()
{
    startWindow(0x1005);
    pictures().setFile(0, workDir.filePath("removed.bmp"));
    pictures().clearMarks();
    pictures().mark(0);
    tabs()->setCurrentIndex(0);
    button("writeToDeviceButton")->click();
    QCOMPARE(dialogMaximum(), 1);
    // No slot is counted; the job still ends, as a failure, and its dialog goes.
    waitForJobEnd();
    QCOMPARE(failureLog(), QStringLiteral(" set failed!"));
    QCOMPARE(device->receivedFrames().size(), 0);
}

void TestPictureWindow::colourWriteSendsAllTen()
{
    startWindow(0x3000);
    QCOMPARE(pictures().format(), 2);
    QCOMPARE(pictures().count(), 10);
    for (int slot = 0; slot < 10; ++slot) {
        pictures().setFile(slot,
                           saveImage(colourPattern(slot),
                                     workDir.filePath(QString("colour%1.bmp").arg(slot)), false));
    }
    pictures().clearMarks();

    page()->writePictures();
    QCOMPARE(dialogMaximum(), 10);
    waitForJobEnd();
    QCOMPARE(lastLog(), QStringLiteral(" set successfully!"));
    for (int slot = 0; slot < 10; ++slot) {
        QCOMPARE(device->picture(slot).size(), 25600);
        QVERIFY2(device->picture(slot) == expectedColourLcd(colourPattern(slot)),
                 qPrintable(QString::number(slot)));
    }
    QCOMPARE(int(pictures().writeMask()), 0);
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
    const int format = pictures().format();
    const int bytes = format == 0 ? 512 : 1024;
    for (int slot = 0; slot < 12; ++slot)
        device->setPicture(slot, randomBytes(bytes, quint32(slot * 31 + id)));
    QVERIFY(!QFileInfo::exists(folder()));

    tabs()->setCurrentIndex(0);
    const int logStart = logTexts(*window).size();
    button("readFromDeviceButton")->click();
    QCOMPARE(dialogMaximum(), 11);
    waitForJobEnd();
    QCOMPARE(logTexts(*window).mid(logStart),
             QStringList({"[Write user source task]", " Read resource successfully!"}));

    const QStringList files = pictures().files();
    for (int slot = 0; slot < 12; ++slot) {
        const QString path = folder() + QStringLiteral("/%1.bmp").arg(slot + 1);
        QCOMPARE(files.at(slot), path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.readAll() == expectedReadFile(format, device->picture(slot)),
                 qPrintable(path));
        // The page shows what was read.
        QCOMPARE(pictureLabel(slot)->pixmap(Qt::ReturnByValue).size(), monoSize(format));
    }
    // Written back, a read picture gives the same LCD bytes.
    const QByteArray first = device->picture(0);
    device->setPicture(0, QByteArray(bytes, '\0'));
    pictures().clearMarks();
    pictures().mark(0);
    button("writeToDeviceButton")->click();
    waitForJobEnd();
    QCOMPARE(device->picture(0), first);
}

void TestPictureWindow::readWithLostReplyFails()
{
    startWindow(0x1005);
    for (int slot = 0; slot < 12; ++slot)
        device->setPicture(slot, randomBytes(512, quint32(slot + 7)));
    device->dropReplies(1, 0x39); // picture 1's reply is lost
    tabs()->setCurrentIndex(0);
    button("readFromDeviceButton")->click();
    waitForJobEnd();
    QCOMPARE(failureLog(), QStringLiteral(" Read resource failed!"));
    QCOMPARE(lastLog(), QStringLiteral(" Cause: the device stopped answering while transferring "
                                       "picture 1. Check the USB connection and try again."));
    const QStringList files = pictures().files();
    QCOMPARE(files.at(0), QStringLiteral(":/512/512/1.bmp"));
    QVERIFY(!QFileInfo::exists(folder() + QStringLiteral("/1.bmp")));
    for (int slot = 1; slot < 12; ++slot)
        QCOMPARE(files.at(slot), folder() + QStringLiteral("/%1.bmp").arg(slot + 1));

    // The next read starts afresh and succeeds.
    button("readFromDeviceButton")->click();
    waitForJobEnd();
    QCOMPARE(lastLog(), QStringLiteral(" Read resource successfully!"));
}

void TestPictureWindow::unplugDuringReadInPictureWords()
{
    // A picture job says why it failed in its own words, not the upgrade's.
    startWindow(0x1005);
    device->setReportDelay(2);
    tabs()->setCurrentIndex(0);
    button("readFromDeviceButton")->click();
    QVERIFY(QTest::qWaitFor([this]() { return device->receivedFrames().size() >= 3; }, 10000));
    device->unplug();
    waitForJobEnd();
    QCOMPARE(failureLog(), QStringLiteral(" Read resource failed!"));
    const QString cause = lastLog();
    QVERIFY2(cause.startsWith(QStringLiteral(" Cause: the device was unplugged while transferring "
                                             "picture ")),
             qPrintable(cause));
    QVERIFY2(cause.endsWith(QStringLiteral(". Read or write the pictures again once the device "
                                           "is connected again.")),
             qPrintable(cause));
}

void TestPictureWindow::readDoesNothingOffTabOrInColour()
{
    startWindow(0x1005);
    const int logSize = logTexts(*window).size();
    tabs()->setCurrentIndex(1);
    button("readFromDeviceButton")->click();
    QCOMPARE(dialogMaximum(), -1);
    QTest::qWait(20);
    QCOMPARE(device->receivedFrames().size(), 0);
    QCOMPARE(logTexts(*window).size(), logSize);
    window.reset();

    startWindow(0x3000);
    page()->readPictures();
    button("readFromDeviceButton")->click();
    QCOMPARE(dialogMaximum(), -1);
    QTest::qWait(20);
    QCOMPARE(device->receivedFrames().size(), 0);
    QVERIFY(!QFileInfo::exists(folder()));
}

void TestPictureWindow::pageFollowsScreenFormat()
{
    // A colour device, and a monochrome one plugged in beside it.
    VirtualDevice::Settings colour;
    colour.id = 0x3000;
    colour.serial = testSerial;
    device = std::make_shared<VirtualDevice>(colour);
    auto bus = std::make_shared<VirtualBus>(device);
    VirtualDevice::Settings mono;
    mono.id = 0x1005;
    mono.serial = testSerial + 1;
    bus->addDevice(std::make_shared<VirtualDevice>(mono));
    startWindowOn(bus);
    QTRY_COMPARE(window->deviceManager()->devices().size(), 2);

    navigation()->setCurrentRow(3);
    page()->showPictureSet();
    QVERIFY(navigation()->item(3)->isHidden());
    QCOMPARE(navigation()->currentRow(), 0);
    for (int tab : {0, 2, 3})
        QVERIFY(!tabs()->isTabEnabled(tab));
    QVERIFY(tabs()->isTabEnabled(1));
    for (const char *name : {"readFromDeviceButton", "writeToDeviceButton", "loadConfigButton",
                             "saveConfigButton", "resetDefaultButton", "wenkongGroupBox", "frame_2",
                             "frame_3", "paraButton", "setTimePushButton", "readTimePushbutton"})
        QVERIFY2(widget(QLatin1String(name))->isHidden(), name);
    QVERIFY(!widget(QStringLiteral("timeGroup"))->isHidden());
    QVERIFY(tabs()->styleSheet().contains("QTabBar::tab:disabled{width: 0;"));

    // Choosing the monochrome device brings the page back and starts from the welcome page.
    QTRY_VERIFY(window->deviceManager()->devices().at(1)->isConnected());
    widget<QComboBox>(QStringLiteral("deviceComboBox"))->activated(1);
    QVERIFY(!navigation()->item(3)->isHidden());
    QCOMPARE(navigation()->currentRow(), 0);
    for (int tab : {0, 2, 3})
        QVERIFY(tabs()->isTabEnabled(tab));
    QVERIFY(!button("readFromDeviceButton")->isHidden());
    QVERIFY(widget(QStringLiteral("timeGroup"))->isHidden());
    QCOMPARE(pictureLabel(11)->pixmap(Qt::ReturnByValue).size(), QSize(128, 32));
}

void TestPictureWindow::languageSwitch()
{
    startWindow(0x1005);
    QCOMPARE(nameLabel(0)->text(), QStringLiteral("01.logo for power on"));
    QCOMPARE(nameLabel(0)->maximumWidth(), 180);
    QCOMPARE(editButton(3)->text(), QStringLiteral("&Edit"));
    triggerLanguage("simplifiedChineseAction");
    QCOMPARE(nameLabel(11)->text(), QStringLiteral("12.过温保护"));
    QCOMPARE(nameLabel(11)->minimumWidth(), 100);
    QCOMPARE(nameLabel(11)->maximumWidth(), 100);
    QCOMPARE(button("pageDefaultButton")->text(), QStringLiteral("恢复本页默认值(&B)"));
    triggerLanguage("englishAction");
    QCOMPARE(nameLabel(11)->maximumWidth(), 180);
    QCOMPARE(defaultButton(0)->text(), QStringLiteral("&Default"));
}

void TestPictureWindow::editorFromPage()
{
    startWindow(0x1005);
    pictures().clearMarks();
    editButton(2)->click();
    BmpEditor *editor = page()->editor();
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->windowTitle(), QStringLiteral("03.Coil high"));
    const QString path = folder() + QStringLiteral("/3.bmp");
    QCOMPARE(editor->confirmPath(), path);

    // Confirm saves the slot into the folder, marks it and refreshes the page.
    named<QPushButton>(editor, QStringLiteral("confirmButton"))->click();
    QCOMPARE(pictures().file(2), path);
    QCOMPARE(int(pictures().writeMask()), 0x0004);
    QVERIFY(!editor->isVisible());
    QCOMPARE(pictureLabel(2)
                     ->pixmap(Qt::ReturnByValue)
                     .toImage()
                     .convertToFormat(QImage::Format_RGB32),
             QImage(":/512/512/3.bmp").convertToFormat(QImage::Format_RGB32));

    // The write sends just that slot, with the picture's bytes.
    tabs()->setCurrentIndex(0);
    button("writeToDeviceButton")->click();
    QCOMPARE(dialogMaximum(), 1);
    waitForJobEnd();
    QCOMPARE(device->picture(2), expectedMonoLcd(QImage(":/512/512/3.bmp")));
}

void TestPictureWindow::gridShowsAllAndWriteMarks()
{
    startWindow(0x2001);
    window->resize(1400, 875);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    navigation()->setCurrentRow(3);
    tabs()->setCurrentIndex(0);
    QWidget *viewport = widget<QScrollArea>(QStringLiteral("picScrollArea"))->viewport();
    // All twelve 64 x 128 pictures and their buttons lie inside the visible part of the page.
    QTRY_VERIFY(pictureLabel(11)->isVisible());
    for (int slot = 0; slot < 12; ++slot) {
        for (QWidget *part : std::initializer_list<QWidget *>{
                     pictureLabel(slot), nameLabel(slot), editButton(slot), defaultButton(slot)}) {
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
        QCOMPARE(pictureLabel(slot)->pixmap(Qt::ReturnByValue).size(), QSize(64, 128));
    }

    // After connecting every slot waits for the next write; a successful write clears the marks.
    for (int slot = 0; slot < 12; ++slot)
        QVERIFY(writeMark(slot)->isVisible());
    button("writeToDeviceButton")->click();
    waitForJobEnd();
    QCOMPARE(lastLog(), QStringLiteral(" set successfully!"));
    for (int slot = 0; slot < 12; ++slot)
        QTRY_VERIFY(!writeMark(slot)->isVisible());

    // An edit confirmed for slot 3 marks that slot alone.
    editButton(2)->click();
    named<QPushButton>(page()->editor(), QStringLiteral("confirmButton"))->click();
    QCOMPARE(int(pictures().writeMask()), 0x0004);
    for (int slot = 0; slot < 12; ++slot)
        QCOMPARE(writeMark(slot)->isVisible(), slot == 2);
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
    for (const char *language :
         {"englishAction", "simplifiedChineseAction", "traditionalChineseAction"}) {
        triggerLanguage(language);
        for (int row = 0; row < 4; ++row) {
            navigation()->setCurrentRow(row);
            for (int tab = 0; tab < (row == 3 ? 4 : 1); ++tab) {
                tabs()->setCurrentIndex(tab);
                QCoreApplication::processEvents();
                const QSize least = window->minimumSizeHint();
                QVERIFY2(least.width() <= 1120 && least.height() <= 630,
                         qPrintable(QStringLiteral("page %1 tab %2 needs %3 x %4")
                                            .arg(row)
                                            .arg(tab)
                                            .arg(least.width())
                                            .arg(least.height())));
                QCOMPARE(window->size(), QSize(1120, 630));
                const QString cut = checkCaptions(window.get());
                QVERIFY2(cut.isEmpty(), qPrintable(cut));
            }
        }
        editButton(0)->click();
        QVERIFY(QTest::qWaitForWindowExposed(page()->editor()));
        const QString cut = checkCaptions(page()->editor());
        QVERIFY2(cut.isEmpty(), qPrintable(cut));
        page()->editor()->close();
    }
    QCOMPARE(nameLabel(2)->text(), QStringLiteral("03.雾化器阻值太大"));
    triggerLanguage("englishAction"); // the stored language of the next window
}

void TestPictureWindow::resourceFullFileAndPowerButton()
{
    startWindow(0x2001);
    pictures().setFile(3, workDir.filePath("cannot-load.bmp"));
    CurveSet &curves = shown()->curves();
    for (int g = 0; g < 5; ++g) {
        setTemperatureOffsets(curves, g, 10 * g, 5);
        setPowerOffsets(curves, g, g, 2);
    }
    // Group 1 is checked on both pages: its values come from the widgets.
    setCurve(tempCurve(), 100, 1);
    setCurve(powerCurve(), 30, 1);

    DialogAnswerer answers;
    const QString path = workDir.filePath("full.ct_user");
    answers.fileNames << path;
    button("saveConfigButton")->click();
    QCOMPARE(answers.fileDialogTitles, QStringList{"save user source file"});
    QTRY_COMPARE(readLines(path).size(), 1 + 13 + 6 + 6);
    QVERIFY(answers.messages.isEmpty());

    const QStringList lines = readLines(path);
    QCOMPARE(lines.at(0).left(5), QStringLiteral("d2001"));
    QCOMPARE(lines.at(1), QStringLiteral("b"));
    QCOMPARE(lines.at(5), QStringLiteral("b30000")); // the picture that did not load
    QVERIFY(lines.at(2).startsWith(QStringLiteral("b0424d"))); // a BMP file
    QCOMPARE(lines.at(14), QStringLiteral("t"));
    QCOMPARE(lines.at(15).left(2 + 8), QStringLiteral("M000640065")); // 100, 101, ...
    QCOMPARE(lines.at(20), QStringLiteral("p"));
    QCOMPARE(lines.at(22).left(2 + 8), QStringLiteral("M100010003")); // stored group 1: 1, 3

    // Change everything, then load the full file with the power button.
    const QStringList filesBefore = pictures().files();
    for (int g = 0; g < 5; ++g) {
        setTemperatureOffsets(curves, g, 1, 0);
        setPowerOffsets(curves, g, 2, 0);
    }
    setCurve(powerCurve(), 2, 0);
    answers.fileNames << path;
    button("loadPowerConfigButton")->click();
    QTRY_COMPARE(valuesOf(powerCurve()),
                 (std::array<int, 10>{30, 31, 32, 33, 34, 35, 36, 37, 38, 39}));
    QVERIFY(answers.messages.isEmpty());
    QCOMPARE(lastLog(), QStringLiteral(" load user source file"));
    QCOMPARE(powerOffsets(curves, 0), valuesOf(powerCurve()));
    QCOMPARE(powerOffsets(curves, 4), (std::array<int, 10>{4, 6, 8, 10, 12, 14, 16, 18, 20, 22}));
    QCOMPARE(temperatureOffsets(curves, 2), (std::array<int, 10>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
    QCOMPARE(pictures().files(), filesBefore);
    QVERIFY(!QFileInfo::exists(folder()));

    // Without a device nothing is saved.
    button("unconnectButton")->click();
    answers.fileNames << workDir.filePath("nodevice.ct_user");
    button("saveConfigButton")->click();
    QTest::qWait(50);
    QVERIFY(!QFileInfo::exists(workDir.filePath("nodevice.ct_user")));
}

void TestPictureWindow::resourceTemperatureFile()
{
    startWindow(0x1005);
    CurveSet &curves = shown()->curves();
    for (int g = 0; g < 5; ++g)
        setTemperatureOffsets(curves, g, 50 + g, 3);
    tabs()->setCurrentIndex(2);
    widget<QRadioButton>(QStringLiteral("wkRadioButton3"))->click(); // group 3 is now shown
    setCurve(tempCurve(), 7, 7);

    DialogAnswerer answers;
    const QString path = workDir.filePath("temp.ct_user");
    answers.fileNames << path;
    button("saveWkConfigButton")->click();
    QTRY_COMPARE(readLines(path).size(), 7);
    QCOMPARE(readLines(path).at(1), QStringLiteral("t"));

    for (int g = 0; g < 5; ++g)
        setTemperatureOffsets(curves, g, 0, 0);
    setCurve(tempCurve(), 0, 0);
    const QStringList filesBefore = pictures().files();
    const CurveSet::Points powerBefore = curves.powers[0];

    // The full-file button on a temperature file changes only the temperature groups.
    answers.fileNames << path;
    button("loadConfigButton")->click();
    QTRY_COMPARE(valuesOf(tempCurve()),
                 (std::array<int, 10>{7, 14, 21, 28, 35, 42, 49, 56, 63, 70}));
    QVERIFY(answers.messages.isEmpty());
    QCOMPARE(temperatureOffsets(curves, 2), valuesOf(tempCurve()));
    QCOMPARE(temperatureOffsets(curves, 4),
             (std::array<int, 10>{54, 57, 60, 63, 66, 69, 72, 75, 78, 81}));
    QCOMPARE(pictures().files(), filesBefore);
    QCOMPARE(curves.powers[0], powerBefore);
}

void TestPictureWindow::resourceCelsiusRoundTrip()
{
    startWindow(0x1005);
    tabs()->setCurrentIndex(2);
    widget<QComboBox>(QStringLiteral("tempUnitComboBox"))->setCurrentIndex(0); // Celsius
    QCOMPARE(window->findChild<TemperatureCurvePage *>()->unit(), TemperatureUnit::Celsius);
    setCurve(tempCurve(), 0, 20); // 100 C ... 280 C
    CurveSet &curves = shown()->curves();
    for (int g = 1; g < 5; ++g)
        setTemperatureOffsets(curves, g, 215 - g, -1, TemperatureUnit::Celsius);

    DialogAnswerer answers;
    const QString path = workDir.filePath("celsius.ct_user");
    answers.fileNames << path;
    button("saveWkConfigButton")->click();
    // The file keeps offsets above 200 F: 100 C is 0, 120 C is 48.
    QTRY_COMPARE(readLines(path).size(), 7);
    QCOMPARE(readLines(path).at(2).left(2 + 8), QStringLiteral("M000000030"));

    const std::array<int, 10> shownValues = valuesOf(tempCurve());
    const std::array<int, 10> group4 = temperatureOffsets(curves, 4, TemperatureUnit::Celsius);
    setCurve(tempCurve(), 5, 0);
    setTemperatureOffsets(curves, 4, 5, 0, TemperatureUnit::Celsius);
    answers.fileNames << path;
    button("loadWkConfigButton")->click();
    QTRY_COMPARE(valuesOf(tempCurve()), shownValues);
    QCOMPARE(temperatureOffsets(curves, 4, TemperatureUnit::Celsius), group4);

    // Loaded in Fahrenheit the same temperatures come back in that unit.
    widget<QComboBox>(QStringLiteral("tempUnitComboBox"))->setCurrentIndex(1);
    answers.fileNames << path;
    button("loadWkConfigButton")->click();
    QTRY_COMPARE(tempCurve()->points[9].value, 536 - 200); // 280 C
    QCOMPARE(tempCurve()->points[0].value, 0); // 200 F
}

void TestPictureWindow::resourcePicturesIntoFolder()
{
    startWindow(0x1005);
    pictures().setFile(
            6, saveImage(monoPattern(QSize(128, 32), 6), workDir.filePath("seven.bmp"), true));
    DialogAnswerer answers;
    const QString path = workDir.filePath("pictures.ct_user");
    answers.fileNames << path;
    button("saveConfigButton")->click();
    QTRY_VERIFY(QFileInfo::exists(path));

    button("pageDefaultButton")->click();
    pictures().clearMarks();
    answers.fileNames << path;
    button("loadConfigButton")->click();
    const QString seventh = folder() + QStringLiteral("/7.bmp");
    QTRY_COMPARE(pictures().file(6), seventh);
    QVERIFY(answers.messages.isEmpty());
    QCOMPARE(QImage(seventh).convertToFormat(QImage::Format_RGB32), monoPattern(QSize(128, 32), 6));
    QCOMPARE(pictures().writeMask(), pictures().allSlotsMask());
    QCOMPARE(pictureLabel(6)
                     ->pixmap(Qt::ReturnByValue)
                     .toImage()
                     .convertToFormat(QImage::Format_RGB32),
             monoPattern(QSize(128, 32), 6));
}

void TestPictureWindow::resourceMessages()
{
    startWindow(0x1005);
    DialogAnswerer answers;

    // Another device's file.
    const QString other = workDir.filePath("other.ct_user");
    QFile otherFile(other);
    QVERIFY(otherFile.open(QIODevice::WriteOnly));
    otherFile.write("d20010000\np\n");
    otherFile.close();
    answers.fileNames << other;
    button("loadPowerConfigButton")->click();
    QTRY_COMPARE(answers.messages,
                 QStringList{"Warning|The user source file doesn't match the current device"});

    // A damaged power line: a message and a log line; the other groups load.
    const QString good = workDir.filePath("good.ct_user");
    answers.fileNames << good;
    button("savePowerConfigButton")->click();
    QTRY_COMPARE(readLines(good).size(), 7);
    QStringList lines = readLines(good);
    lines[3] = lines[3].left(lines[3].size() - 1) + (lines[3].endsWith('0') ? "1" : "0");
    QFile damaged(workDir.filePath("damaged.ct_user"));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(lines.join('\n').toLatin1());
    damaged.close();
    answers.messages.clear();
    answers.fileNames << damaged.fileName();
    button("loadPowerConfigButton")->click();
    QTRY_COMPARE(answers.messages, QStringList{"Warning|The file is corrupted"});
    QCOMPARE(lastLog(), QStringLiteral("The file is corrupted"));

    // A file that cannot be opened, and a save that cannot be written.
    answers.messages.clear();
    answers.fileNames << workDir.filePath("absent.ct_user");
    button("loadConfigButton")->click();
    QTRY_COMPARE(answers.messages.size(), 1);
    answers.fileNames << workDir.filePath("no/such/dir/x.ct_user");
    button("saveConfigButton")->click();
    QTRY_COMPARE(answers.messages,
                 QStringList({"Warning|Open Failed", "Warning|save user source failed"}));

    // A cancelled dialog does nothing.
    const int logSize = logTexts(*window).size();
    button("loadConfigButton")->click();
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
        button("saveConfigButton")->click();
        QTRY_COMPARE(answers.messages, QStringList{"Warning|save user source failed"});
    }
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier\n"));
    earlier.close();

    // Loading pictures on a full disk: each picture keeps its earlier file, its slot and the
    // marks stay as they were, and the failure is shown and logged.
    const QString good = workDir.filePath("good.ct_user");
    answers.fileNames << good;
    button("saveConfigButton")->click();
    QTRY_VERIFY(QFileInfo::exists(good));
    QVERIFY(waitForIdle(*window));
    QVERIFY(QDir().mkpath(folder()));
    QFile stored(folder() + "/1.bmp");
    QVERIFY(stored.open(QIODevice::WriteOnly));
    stored.write("kept");
    stored.close();
    const QStringList filesBefore = pictures().files();
    pictures().clearMarks();
    pictures().mark(2);
    answers.messages.clear();
    {
        const FileSizeLimit full(256);
        answers.fileNames << good;
        button("loadConfigButton")->click();
        QTRY_COMPARE(answers.messages.size(), 12);
    }
    QVERIFY2(answers.messages.first().startsWith("Warning| Picture 1 could not be saved: "),
             qPrintable(answers.messages.first()));
    QVERIFY(logTexts(*window).contains(answers.messages.last().mid(8)));
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QCOMPARE(stored.readAll(), QByteArray("kept"));
    QCOMPARE(pictures().files(), filesBefore);
    QCOMPARE(int(pictures().writeMask()), 0x0004);
}

QTEST_MAIN(TestPictureWindow)
#include "tst_picturewindow.moc"
