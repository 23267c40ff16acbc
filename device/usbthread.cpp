#include "device/usbthread.h"

#include "device/protocol.h"
#include "device/session.h"
#include "device/transport.h"
#include "pictures/bmp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>

#include <vector>

namespace {

MyUsb *worker = nullptr;

bool statusIs(const char *status)
{
    return deviceSession().deviceStatus() == QLatin1String(status);
}

// Sleeps in short slices so that a stop request is seen quickly.
void interruptibleSleep(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds && !deviceSession().stopRequested)
        QThread::msleep(quint32(qMin<qint64>(20, milliseconds - timer.elapsed())));
}

void failUpgrade()
{
    deviceSession().setDeviceStatus(QStringLiteral("STOP"));
}

// Hello, then the wait for the device to come back as its boot loader (found by the
// connection slot that the GUI runs once a second meanwhile). False ends the job.
bool helloAndWaitForBootLoader()
{
    DeviceSession &session = deviceSession();
    upgradeHello(1500);
    session.awaitingBootLoader = true;
    const int rounds = session.timing.bootWaitRounds;
    const int roundMs = session.timing.bootWaitRoundMs;
    bool found = false;
    for (int round = 0; round <= rounds; ++round) {
        if (statusIs("STOP") || statusIs("LOWPOWER") || session.stopRequested)
            break;
        if (!session.appFirmware) {
            found = true;
            break;
        }
        if (round == rounds) {
            session.setDeviceStatus(QStringLiteral("STOP"));
            break;
        }
        interruptibleSleep(roundMs);
    }
    session.awaitingBootLoader = false;
    if (!found) {
        if (session.stopRequested)
            failUpgrade();
        return false;
    }
    session.upgradeBlockIndex = 0;
    return true;
}

// One step of the upgrade; false ends the job (the step has said why through deviceStatus).
bool upgradeStep(int &step)
{
    DeviceSession &session = deviceSession();
    switch (step) {
    case 0:
        if (!helloAndWaitForBootLoader())
            return false;
        step = 1;
        return true;
    case 1: {
        const int eraseTimeout = session.upgradeSize < LargeImageSize ? 3000 : 6000;
        if (!upgradeErase(eraseTimeout)) {
            if (!statusIs("STOP"))
                failUpgrade();
            return false;
        }
        step = session.upgradeBlockCount > 0 ? 2 : 3;
        return true;
    }
    case 2: {
        const int block = session.upgradeBlockIndex;
        if (!upgradeWriteBlock(block, 800)) {
            // A block the device did not accept would leave a broken image behind.
            if (!statusIs("STOP"))
                failUpgrade();
            return false;
        }
        session.upgradeBlockIndex = quint16(block + 1);
        if (session.upgradeBlockIndex >= session.upgradeBlockCount)
            step = 3;
        return true;
    }
    default:
        if (!upgradeFinish(500)) {
            if (!statusIs("STOP"))
                failUpgrade();
            return false;
        }
        session.upgradeDone = true;
        session.usbJob = JobNone;
        return false;
    }
}

void readAllPictures()
{
    DeviceSession &session = deviceSession();
    session.jobProgress = 0;
    for (int number = 1; number <= 12; ++number) {
        if (session.stopRequested) {
            session.setJobResult(QStringLiteral("false"));
            break;
        }
        if (!readPicture(number))
            session.setJobResult(QStringLiteral("false"));
        ++session.jobProgress;
    }
    session.usbJob = JobNone;
}

void writePictures()
{
    DeviceSession &session = deviceSession();
    const int format = session.screenFormat;
    const int capacity = format == 2 ? 26112 : (format == 1 ? 1536 : 1024);
    std::vector<quint8> buffer(size_t(capacity), 0);
    const QStringList files = session.pictureFiles();
    const auto failSlot = [&session] {
        session.setJobResult(QStringLiteral("false"));
    };

    if (format == 0 || format == 1) {
        const int count = session.pictureCount;
        const quint16 mask = session.pictureWriteMask;
        for (int i = 0; i < count && !session.stopRequested; ++i) {
            if (!(mask & (1u << i)))
                continue;
            const int size
                    = BMP::bmp8ToLcdColRowData(buffer.data(), files.value(i), true, capacity);
            if (size < 0) {
                failSlot(); // nothing to send; the slot is not counted
                continue;
            }
            const bool sendable = i + 1 <= 12 && (size == 512 || size == 1024);
            if (!sendable || !writeMonoPicture(buffer.data(), size, i + 1))
                failSlot();
            ++session.jobProgress;
        }
    } else if (format == 2) {
        for (int i = 0; i < 10 && !session.stopRequested; ++i) {
            const int size = BMP::bmp24ToLcdData(buffer.data(), files.value(i), capacity);
            if (size < 0) {
                failSlot();
                continue;
            }
            if (i > session.pictureCount || !writeColourPicture(buffer.data(), size, i))
                failSlot();
            ++session.jobProgress;
        }
    }
    if (session.stopRequested)
        failSlot();
    session.usbJob = JobNone;
    session.pictureWriteMask = 0;
}

} // namespace

QString pictureFolderPath()
{
    return QDir::currentPath() + QLatin1Char('/') + deviceSession().deviceSerial()
           + QLatin1Char('/');
}

bool readPicture(int pictureNumber)
{
    DeviceSession &session = deviceSession();
    QByteArray frame;
    if (!readPictureFrame(pictureNumber, &frame))
        return false;

    const int format = session.screenFormat;
    if (format != 0 && format != 1)
        return false;
    const int width = format == 0 ? 128 : 64;
    const int height = format == 0 ? 32 : 128;
    const int pictureBytes = width * height / 8;
    // The picture data begin three bytes into the frame's data; a short reply is no picture.
    constexpr int dataStart = 9;
    const int available = frame.size() - 3 - dataStart;
    if (available < pictureBytes)
        return false;

    QByteArray pixels(format == 0 ? 768 : 1280, '\0');
    const int written = BMP::lcdColRowDataToBmp8(
            reinterpret_cast<quint8 *>(pixels.data()),
            reinterpret_cast<const quint8 *>(frame.constData()) + dataStart, width, height,
            format == 1, available, pixels.size());
    if (written < 0)
        return false;
    pixels.truncate(quint16(written));

    const QString serial = session.deviceSerial();
    if (serial.isEmpty())
        return false;
    QDir current = QDir::current();
    if (!current.exists(serial) && !current.mkdir(serial))
        return false;
    const QString path
            = pictureFolderPath() + QString::number(pictureNumber) + QStringLiteral(".bmp");
    QSaveFile file(path);
    bool saved = file.open(QIODevice::WriteOnly);
    if (saved) {
        file.write(BMP::monoBmpHeader(format));
        file.write(pixels);
        saved = file.commit();
    }
    session.setPictureFile(pictureNumber - 1, path);
    return saved;
}

void runUsbJob()
{
    DeviceSession &session = deviceSession();
    int job = session.usbJob;
    if (job == JobReadPictures) {
        readAllPictures();
        return;
    }
    int step = 0;
    while (job == JobUpgrade) {
        if (session.stopRequested) {
            failUpgrade(); // the window sees the stopped job end as a failure
            return;
        }
        if (!upgradeStep(step))
            return;
        if (statusIs("STOP"))
            return;
        job = session.usbJob;
        if (job == JobReadPictures) {
            readAllPictures();
            return;
        }
        if (job != JobUpgrade && job != JobWritePictures)
            return;
    }
    if (job == JobWritePictures)
        writePictures();
}

void MyUsb::run()
{
    runUsbJob();
}

MyUsb *usbThread()
{
    if (!worker)
        worker = new MyUsb;
    return worker;
}

void startUsbThread()
{
    MyUsb *thread = usbThread();
    if (thread->isRunning())
        return;
    deviceSession().stopRequested = false;
    thread->start(QThread::InheritPriority);
}

bool usbThreadRunning()
{
    return worker && worker->isRunning();
}

bool stopUsbThread()
{
    if (!worker)
        return true;
    if (worker->isRunning()) {
        deviceSession().stopRequested = true;
        worker->wait();
    }
    deviceSession().stopRequested = false;
    return !worker->isRunning();
}

void destroyUsbThread()
{
    stopUsbThread();
    delete worker;
    worker = nullptr;
}
