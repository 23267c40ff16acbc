#include "catalogue/devicemodels.h"
#include "device/commands.h"
#include "device/devicejobs.h"
#include "device/frame.h"
#include "parameters/units.h"
#include "pictures/bmp.h"
#include "pictures/picturejobs.h"
#include "support/engine.h"
#include "virtualdevice/virtualdevice.h"

#include <QColor>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

quint16 u16At(const QByteArray &data, int offset)
{
    return quint16((quint8(data[offset]) << 8) | quint8(data[offset + 1]));
}

// Bit-by-bit reference of the device code's CRC, independent of the table-driven one.
quint32 referenceWordCrc(const QByteArray &input)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char byte : input) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 32; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

bool checksumOk(const QByteArray &frame)
{
    const quint16 crc
            = crc16(reinterpret_cast<const quint8 *>(frame.constData()) + 1, frame.size() - 4);
    return quint8(frame[frame.size() - 3]) == (crc & 0xFF)
           && quint8(frame[frame.size() - 2]) == (crc >> 8)
           && quint8(frame[frame.size() - 1]) == 0x16;
}

// A monochrome BMP file made from LCD bytes, as the read job writes it.
QString monoFile(const QString &path, int format, const QByteArray &lcd)
{
    const int width = format == 0 ? 128 : 64;
    const int height = format == 0 ? 32 : 128;
    QByteArray pixels(1280, '\0');
    const int size
            = BMP::lcdColRowDataToBmp8(reinterpret_cast<quint8 *>(pixels.data()),
                                       reinterpret_cast<const quint8 *>(lcd.constData()), width,
                                       height, format == 1, lcd.size(), pixels.size());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(BMP::monoBmpHeader(format) + pixels.left(size));
    return path;
}

} // namespace

// The device's commands on the wire and what the tool takes from its information reply.
class ProtocolTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir workDir;
    std::unique_ptr<VirtualRig> rig;
    std::shared_ptr<VirtualDevice> device;
    Device *target = nullptr;

    void connectVirtual(quint16 id)
    {
        rig = std::make_unique<VirtualRig>();
        VirtualDevice::Settings settings;
        settings.id = id;
        settings.serial = 0x00ab12cd;
        settings.softwareVersion = 12;
        settings.firmwareVersion = {{2, 1, 0, 9, 255}};
        settings.clockRuns = false;
        device = rig->plug(settings);
        target = rig->connect(QStringLiteral("virtual:1"));
        QVERIFY(target);
    }

    // Connects again and returns how the connection ended.
    ConnectStatus reconnect()
    {
        QSignalSpy done(target, &Device::connectFinished);
        target->requestConnect();
        spinUntil([&done]() { return !done.isEmpty(); });
        return done.isEmpty() ? ConnectStatus::Stopped
                              : done.first().first().value<ConnectStatus>();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(workDir.isValid());
        loadDeviceModelsFrom(QStringLiteral("/nonexistent/dev/device"));
    }
    void cleanup()
    {
        target = nullptr;
        rig.reset();
        device.reset();
    }

    void informationReply_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("product");
        QTest::addColumn<int>("powerMax");
        QTest::newRow("128 x 32") << 0x1005 << 0 << 12 << "TALON" << 120;
        QTest::newRow("64 x 128") << 0x2001 << 1 << 12 << "ORBIT" << 200;
        QTest::newRow("colour") << 0x3000 << 2 << 10 << "ORBIT" << 40;
        QTest::newRow("unknown id") << 0x0FFF << 3 << 0 << "" << 80;
    }
    void informationReply()
    {
        QFETCH(int, id);
        QFETCH(int, format);
        QFETCH(int, count);
        QFETCH(QString, product);
        QFETCH(int, powerMax);
        rig = std::make_unique<VirtualRig>();
        VirtualDevice::Settings settings;
        settings.id = quint16(id);
        settings.serial = 0x00ab12cd;
        settings.firmwareVersion = {{2, 1, 0, 9, 255}};
        device = rig->plug(settings);
        VirtualDevice::Parameters parameters;
        parameters.coilEnabled = {{false, true, false, true, true}};
        parameters.coilValues = {{1301, 6502, 4003, 404, 1005}};
        parameters.lcdBright = 255;
        parameters.smokeTime = 700;
        device->setParameters(parameters);
        device->setTempCurve(2, {{200, 210, 220, 230, 240, 250, 260, 270, 280, 600}});
        device->setPowerCurve(4, {{5, 6, 7, 8, 9, 10, 11, 12, 13, 200}});

        target = rig->connect(QStringLiteral("virtual:1"));
        QVERIFY(target);
        QCOMPARE(device->receivedFrames().first(),
                 hex("68aaaa360000") + Wire::deviceInfoRequest().mid(6));
        const DeviceIdentity &identity = target->identity();
        QCOMPARE(int(identity.id), id);
        QCOMPARE(identity.serial, QStringLiteral("ab12cd"));
        QCOMPARE(identity.softwareVersion, QStringLiteral("12"));
        QCOMPARE(identity.screenFormat(), format);
        QCOMPARE(identity.pictureCount(), count);
        QCOMPARE(identity.model.productName, product);
        QCOMPARE(identity.model.powerMax, powerMax);
        QCOMPARE(identity.firmwareVersion, QStringLiteral("2.1.0.9.255"));
        QVERIFY(target->hasRecord());
        const ParameterRecord &record = target->parameters();
        const std::array<bool, 5> enabled{{false, true, false, true, true}};
        QVERIFY(record.coilOn == enabled);
        const std::array<quint16, 5> values{{1301, 6502, 4003, 404, 1005}};
        QVERIFY(record.coilValues == values);
        QCOMPARE(int(record.brightness), 255);
        QCOMPARE(int(record.puff), 700);
        // The curves are kept as the device sends them: Fahrenheit and W.
        const CurveSet &curves = target->curves();
        QCOMPARE(int(curves.temperatures[2][0]), 200);
        QCOMPARE(int(curves.temperatures[2][9]), 600);
        QCOMPARE(int(curves.temperatures[0][0]), 380);
        QCOMPARE(int(curves.powers[4][9]), 200);
        QCOMPARE(int(curves.powers[4][0]), 5);
        if (id == 0x1005) {
            QCOMPARE(identity.model.modelCode, QStringLiteral("J310"));
            QVERIFY(identity.chipId.startsWith(QStringLiteral("G0")));
            QVERIFY(identity.chipId.endsWith(QStringLiteral("12AB0")));
        }
        QCOMPARE(identity.model.known, format != 3);
    }

    void informationReplyInCelsius()
    {
        connectVirtual(0x1005);
        device->setTempCurve(0, {{380, 200, 600, 212, 400, 400, 400, 400, 400, 100}});
        QCOMPARE(reconnect(), ConnectStatus::Connected);
        const CurveSet::Points celsius
                = target->curves().temperaturesIn(0, TemperatureUnit::Celsius);
        // The converted Fahrenheit values, clamped into the Celsius range.
        QCOMPARE(int(celsius[0]), 193);
        QCOMPARE(int(celsius[1]), 100);
        QCOMPARE(int(celsius[2]), 315);
        QCOMPARE(int(celsius[3]), 100);
        QCOMPARE(int(celsius[4]), int(fahrenheitToCelsius(400)));
        QCOMPARE(int(celsius[9]), 100);
    }

    void informationReplyShortAndMalformed()
    {
        connectVirtual(0x2001);
        // A reply of one report carries the identity only: the record and the firmware version
        // read before stay.
        const ParameterRecord before = target->parameters();
        device->setSingleReportInfo(true);
        VirtualDevice::Parameters changed = device->parameters();
        changed.lcdBright = 77;
        device->setParameters(changed);
        QCOMPARE(reconnect(), ConnectStatus::Connected);
        QCOMPARE(target->identity().serial, QStringLiteral("ab12cd"));
        QCOMPARE(target->identity().screenFormat(), 1);
        QCOMPARE(target->parameters(), before);
        QCOMPARE(target->identity().firmwareVersion, QStringLiteral("2.1.0.9.255"));

        // A reply spanning several reports but too short for the record: identity only.
        InfoReply reply;
        QVERIFY(parseInfoReply(buildFrame(0x2001, 0xB6, QByteArray(100, '\x01')), 3, &reply));
        QVERIFY(!reply.hasRecord);
        QCOMPARE(reply.serialText(), QStringLiteral("1010101"));

        // Too short even for the identity, or cut off: no reply.
        QVERIFY(!parseInfoReply(buildFrame(0x2001, 0xB6, hex("0102")), 1, &reply));
        QVERIFY(!parseInfoReply(QByteArray(5, '\x68'), 1, &reply));

        // A declared length that runs past what arrives gives no frame at all.
        device->setSingleReportInfo(false);
        device->setDeclaredInfoLength(400);
        QCOMPARE(reconnect(), ConnectStatus::NoAnswer);
        QCOMPARE(target->identity().serial, QStringLiteral("ab12cd"));
    }

    void chipId()
    {
        const QString code = makeChipId(QStringLiteral("G2"), 0x01, 0x02, 0x03);
        const QString crc = QString::number(referenceWordCrc(hex("01020311")), 16).toUpper();
        QCOMPARE(code, QStringLiteral("G2") + crc + QStringLiteral("321"));
        QVERIFY(makeChipId(QString(), 0x0A, 0x00, 0x00).endsWith(QStringLiteral("00A")));
        QVERIFY(makeChipId(QString(), 0x05, 0xB0, 0xFF).endsWith(QStringLiteral("FFB05")));
    }

    void parameterFrame()
    {
        Wire::ParameterItems items;
        items.coilEnabled = {{0, 1, 0, 1, 0}};
        items.coilValues = {{1300, 6500, 4000, 400, 1000}};
        items.brightness = 255;
        items.puff = 300;
        QByteArray frame = Wire::parametersFrame(0x1005, items);
        QCOMPARE(frame.size(), 30);
        QCOMPARE(frame.left(6), hex("681005330015"));
        QCOMPARE(frame.mid(6, 15), hex("000514"
                                       "011964"
                                       "000fa0"
                                       "010190"
                                       "0003e8"));
        QCOMPARE(frame.mid(21, 3), hex("0100ff"));
        QCOMPARE(frame.mid(24, 3), hex("01012c"));
        QVERIFY(checksumOk(frame));
        items.puff = 1000;
        frame = Wire::parametersFrame(0x1005, items);
        QCOMPARE(frame.mid(24, 3), hex("0103e8"));
    }

    void curveFrames()
    {
        std::array<quint16, 10> temp{};
        std::array<quint16, 10> power{};
        for (int i = 0; i < 10; ++i) {
            temp[i] = quint16(200 + i);
            power[i] = quint16(0x0100 + i);
        }
        const QByteArray tempFrame = Wire::temperatureCurveFrame(0x2001, 1, 3, temp);
        QCOMPARE(tempFrame.size(), 32);
        QCOMPARE(tempFrame.left(9), hex("682001320017010103"));
        QCOMPARE(u16At(tempFrame, 9), quint16(200));
        QCOMPARE(u16At(tempFrame, 27), quint16(209));
        QVERIFY(checksumOk(tempFrame));
        const QByteArray powerFrame = Wire::powerCurveFrame(0x2001, 4, power);
        QCOMPARE(powerFrame.left(9), hex("682001320017000004"));
        QCOMPARE(u16At(powerFrame, 27), quint16(0x0109));
        QVERIFY(checksumOk(powerFrame));
    }

    void clockFrame()
    {
        QByteArray frame
                = Wire::clockWriteFrame(0x1005, QDateTime(QDate(2021, 3, 5), QTime(10, 5, 0)));
        QCOMPARE(frame.size(), 17);
        QCOMPARE(frame.left(14), hex("6810053a0008"
                                     "210305100500"
                                     "0001"));
        QVERIFY(checksumOk(frame));
        frame = Wire::clockWriteFrame(0x1005, QDateTime(QDate(2021, 12, 31), QTime(9, 59, 7)));
        QCOMPARE(frame.mid(6, 8), hex("2112310959070000"));
    }

    void clockRoundTrip()
    {
        connectVirtual(0x3000);
        ClockWriteJob write(target, QDateTime(QDate(2023, 11, 28), QTime(23, 45, 1)));
        QVERIFY(runJob(write));
        QVERIFY(write.result().succeeded());
        ClockReadJob read(target);
        QVERIFY(runJob(read));
        const std::array<quint8, 6> expected{{23, 11, 28, 23, 45, 1}};
        QVERIFY(read.clock() == expected);
        FactoryResetJob reset(target);
        QVERIFY(runJob(reset));
        QVERIFY(reset.result().succeeded());
        QCOMPARE(device->factoryResets(), 1);
        QVERIFY(spinUntil([this]() { return !target->isBusy(); }));
        device->setRestoreDefaultsAnswered(false);
        FactoryResetJob unanswered(target);
        QVERIFY(runJob(unanswered));
        QCOMPARE(unanswered.result().cause, JobCause::NoAnswer);
    }

    void monoPictureBlocks()
    {
        connectVirtual(0x2001);
        QByteArray picture(1024, '\0');
        for (int i = 0; i < picture.size(); ++i)
            picture[i] = char(i * 7);
        const QString file = monoFile(workDir.filePath(QStringLiteral("tall.bmp")), 1, picture);
        device->clearLog();
        PictureWriteJob job(target, {{2, file}});
        QVERIFY(runJob(job));
        QVERIFY(job.result().succeeded());
        const QVector<QByteArray> frames = device->receivedFrames();
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0].size(), 522);
        QCOMPARE(frames[0].left(7), hex("68200134020103"));
        QCOMPARE(quint8(frames[1][6]), quint8(0x83));
        QCOMPARE(frames[1].mid(7, 512), picture.mid(512));
        QCOMPARE(device->picture(2), picture);
    }

    void colourPictureBlocks()
    {
        QByteArray block(512, '\0');
        for (int i = 0; i < block.size(); ++i)
            block[i] = char(i % 251);
        const auto *bytes = reinterpret_cast<const quint8 *>(block.constData());
        const QByteArray first = Wire::colourPictureFrame(0x3000, bytes, 512, 2, 0);
        QCOMPARE(first.size(), 525);
        QCOMPARE(first.mid(4, 6), hex("0204"
                                      "0000c800"));
        const QByteArray last = Wire::colourPictureFrame(0x3000, bytes, 512, 2, 49);
        const quint32 address = 2 * 25600 + 49 * 512;
        QCOMPARE(last.mid(6, 4), hex(QByteArray::number(address, 16).rightJustified(8, '0')));
        QCOMPARE(quint8(last[9]), quint8(0));
        // A shorter last block carries its own length.
        QCOMPARE(u16At(Wire::colourPictureFrame(0x3000, bytes, 88, 0, 1), 4), quint16(88 + 4));

        // A whole colour picture goes as fifty full blocks, addressed picture by picture.
        connectVirtual(0x3000);
        QImage colour(80, 160, QImage::Format_RGB888);
        for (int y = 0; y < 160; ++y) {
            for (int x = 0; x < 80; ++x)
                colour.setPixelColor(x, y, QColor(x * 3, y, 255 - x));
        }
        const QString file = workDir.filePath(QStringLiteral("colour.bmp"));
        QVERIFY(colour.save(file, "BMP"));
        QByteArray expected(26112, '\0');
        QCOMPARE(BMP::bmp24ToLcdData(reinterpret_cast<quint8 *>(expected.data()), file,
                                     expected.size()),
                 25600);
        device->clearLog();
        PictureWriteJob job(target, {{3, file}});
        QVERIFY(runJob(job));
        QVERIFY(job.result().succeeded());
        const QVector<QByteArray> frames = device->receivedFrames();
        QCOMPARE(frames.size(), 50);
        QCOMPARE(frames[49].mid(6, 4),
                 hex(QByteArray::number(3 * 25600 + 49 * 512, 16).rightJustified(8, '0')));
        QCOMPARE(device->picture(3), expected.left(25600));
    }

    void pictureRead()
    {
        connectVirtual(0x1005);
        const QByteArray request = Wire::pictureReadRequest(0x1005, 5);
        QCOMPARE(request, buildFrame(0x1005, 0x39, hex("05")));
        QCOMPARE(request.size(), 10);
        LinkReply reply = target->link().requestLong(request, LongReply::Picture, 300, 0);
        QVERIFY(reply.answered());
        QCOMPARE(reply.frame.mid(9, 512), device->picture(4));
        device->dropReplies(1);
        reply = target->link().requestLong(request, LongReply::Picture, 300, 0);
        QCOMPARE(reply.status, LinkStatus::NoReply);
        QVERIFY(reply.frame.isEmpty());
    }

    void upgradeFrames()
    {
        QByteArray image(1000, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i);

        const QByteArray first = Wire::upgradeBlockFrame(0xAAAA, image, 0, false);
        QCOMPARE(first.size(), 525);
        QCOMPARE(first.left(10), hex("68aaaa040204"
                                     "00000000"));
        QCOMPARE(first.mid(10, 512), image.left(512));
        const QByteArray second = Wire::upgradeBlockFrame(0xAAAA, image, 1, false);
        QCOMPARE(u16At(second, 4), quint16(492));
        QCOMPARE(second.mid(6, 4), hex("00000200"));
        QCOMPARE(second.mid(10, 488), image.mid(512));
        QVERIFY(checksumOk(second));
        QVERIFY(Wire::upgradeBlockFrame(0xAAAA, image, -1, false).isEmpty());

        // The scramble changes the image bytes only; the CRC covers the changed bytes.
        const QByteArray scrambled = Wire::upgradeBlockFrame(0xAAAA, image, 1, true);
        QCOMPARE(scrambled.left(10), second.left(10));
        for (int i = 0; i < 488; ++i)
            QCOMPARE(quint8(scrambled[10 + i]), quint8(quint8(image[512 + i]) + 0x5D));
        QVERIFY(checksumOk(scrambled));

        QCOMPARE(Wire::upgradeHelloFrame(0xAAAA).size(), 25);
        const QByteArray hello = Wire::upgradeHelloText();
        QCOMPARE(hello.size(), 16);
        QVERIFY(QRegularExpression(QStringLiteral("^[a-z]{5}-[a-z]{4}-[0-9]{4}$"))
                        .match(QString::fromLatin1(hello.left(15)))
                        .hasMatch());
        QCOMPARE(hello.at(15), '\0');

        const QByteArray finish
                = Wire::upgradeFinishFrame(0xAAAA, 1000, {{0x00, 0x01, 0xF3, 0x3C}});
        QCOMPARE(finish.size(), 17);
        QCOMPARE(finish.mid(3, 11), hex("200008"
                                        "000003e8"
                                        "0001f33c"));
    }

    void eraseCommandBySize()
    {
        QCOMPARE(quint8(Wire::upgradeEraseFrame(0x1005, 0x12000)[3]), quint8(0x08));
        QCOMPARE(quint8(Wire::upgradeEraseFrame(0x1005, 0x11FFF)[3]), quint8(0x09));
        QCOMPARE(Wire::upgradeEraseFrame(0x1005, 0x11FFF).size(), 9);
        // The boot loader takes both.
        VirtualDevice::Settings settings;
        settings.startInBootLoader = true;
        auto bootLoader = std::make_shared<VirtualDevice>(settings);
        auto bus = std::make_shared<VirtualBus>(bootLoader);
        DeviceLink link(bus);
        QCOMPARE(link.open(bus->enumerate(KorlexVendorId, KorlexProductId).value(0)),
                 DeviceLink::OpenResult::Opened);
        QVERIFY(link.transact(Wire::upgradeEraseFrame(0x1005, 0x12000), 3, 3000).answered());
        QVERIFY(link.transact(Wire::upgradeEraseFrame(0x1005, 0x11FFF), 3, 3000).answered());
        QCOMPARE(bootLoader->receivedFrames().size(), 2);
    }

    void nothingSentWithoutDevice()
    {
        // A device that is not connected takes no job.
        rig = std::make_unique<VirtualRig>();
        device = rig->plug(VirtualDevice::Settings());
        rig->manager->scan();
        Device *unconnected = rig->manager->find(QStringLiteral("virtual:1"));
        QVERIFY(unconnected);
        ClockReadJob clock(unconnected);
        QVERIFY(!clock.start());
        QCOMPARE(clock.result().cause, JobCause::NotConnected);
        ParametersWriteJob parameters(unconnected, ParameterRecord::defaults());
        QVERIFY(!parameters.start());
        FactoryResetJob reset(unconnected);
        QVERIFY(!reset.start());
        QCOMPARE(device->receivedFrames().size(), 0);
    }
};

QTEST_GUILESS_MAIN(ProtocolTest)
#include "tst_protocol.moc"
