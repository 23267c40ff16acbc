#include "catalogue/devicemodels.h"
#include "device/protocol.h"
#include "device/session.h"
#include "device/transport.h"
#include "parameters/units.h"
#include "virtualdevice/virtualdevice.h"

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

} // namespace

class ProtocolTest : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<VirtualDevice> device;

    void connectVirtual(quint16 id)
    {
        VirtualDevice::Settings settings;
        settings.id = id;
        settings.serial = 0x00ab12cd;
        settings.softwareVersion = 12;
        settings.firmwareVersion = {{2, 1, 0, 9, 255}};
        settings.clockRuns = false;
        device = std::make_shared<VirtualDevice>(settings);
        setHidBackend(std::make_shared<VirtualBus>(device));
        QCOMPARE(openHidDevice(), 1);
    }

private slots:
    void init()
    {
        deviceSession().clear();
        loadDeviceModelsFrom(QStringLiteral("/nonexistent/dev/device"));
    }
    void cleanup() { closeHidDevice(); }

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
        QTest::newRow("unknown id") << 0x0FFF << 3 << 7 << "" << 80;
    }
    void informationReply()
    {
        QFETCH(int, id);
        QFETCH(int, format);
        QFETCH(int, count);
        QFETCH(QString, product);
        QFETCH(int, powerMax);
        connectVirtual(quint16(id));
        DeviceSession &session = deviceSession();
        session.pictureCount = 7; // left alone for an unknown identifier
        VirtualDevice::Parameters parameters;
        parameters.coilEnabled = {{false, true, false, true, true}};
        parameters.coilValues = {{1301, 6502, 4003, 404, 1005}};
        parameters.lcdBright = 255;
        parameters.smokeTime = 700;
        device->setParameters(parameters);
        device->setTempCurve(2, {{200, 210, 220, 230, 240, 250, 260, 270, 280, 600}});
        device->setPowerCurve(4, {{5, 6, 7, 8, 9, 10, 11, 12, 13, 200}});

        QVERIFY(readDeviceInfo(200));
        QCOMPARE(device->receivedFrames().first(),
                 hex("68aaaa360000") + deviceInfoRequest().mid(6));
        QCOMPARE(int(session.deviceId), id);
        QCOMPARE(session.deviceSerial(), QStringLiteral("ab12cd"));
        QCOMPARE(session.softwareVersion, QStringLiteral("12"));
        QCOMPARE(int(session.screenFormat), format);
        QCOMPARE(int(session.pictureCount), count);
        QCOMPARE(session.productName, product);
        QCOMPARE(int(session.powerMax), powerMax);
        QCOMPARE(int(session.infoValid), 0x55);
        QCOMPARE(session.firmwareVersion, QStringLiteral("2.1.0.9.255"));
        const std::array<quint8, 5> enabled{{0, 1, 0, 1, 1}};
        QVERIFY(session.coilEnabled == enabled);
        const std::array<quint16, 5> values{{1301, 6502, 4003, 404, 1005}};
        QVERIFY(session.coilValues == values);
        QCOMPARE(int(session.lcdBright), 255);
        QCOMPARE(int(session.smokeTime), 700);
        // Temperatures are stored as offsets above 200 (Fahrenheit), power above 5 W.
        QCOMPARE(session.tempCurves[2][0].value, 0);
        QCOMPARE(session.tempCurves[2][9].value, 400);
        QCOMPARE(session.tempCurves[0][0].value, 180);
        QCOMPARE(session.powerCurves[4][9].value, 195);
        QCOMPARE(session.powerCurves[4][0].value, 0);
        if (id == 0x1005) {
            QCOMPARE(session.modelName, QStringLiteral("J310"));
            QCOMPARE(session.softwareDescription, QStringLiteral("J310"));
            QVERIFY(session.deviceCode.startsWith(QStringLiteral("G0")));
            QVERIFY(session.deviceCode.endsWith(QStringLiteral("12AB0")));
            QCOMPARE(session.modelIndex, 1);
        }
        if (format == 3)
            QCOMPARE(session.modelIndex, -1);
    }

    void informationReplyInCelsius()
    {
        connectVirtual(0x1005);
        device->setTempCurve(0, {{380, 200, 600, 212, 400, 400, 400, 400, 400, 100}});
        deviceSession().tempUnit = 0;
        QVERIFY(readDeviceInfo(200));
        const Curve &curve = deviceSession().tempCurves[0];
        // Offsets above 100 C of the converted Fahrenheit values, clamped into the range.
        QCOMPARE(curve[0].value, 93);
        QCOMPARE(curve[1].value, 0);
        QCOMPARE(curve[2].value, 215);
        QCOMPARE(curve[3].value, 0);
        QCOMPARE(curve[4].value, fahrenheitToCelsius(400) - 100);
        QCOMPARE(curve[9].value, 0);
    }

    void informationReplyShortAndMalformed()
    {
        connectVirtual(0x2001);
        DeviceSession &session = deviceSession();
        device->setSingleReportInfo(true);
        session.lcdBright = 77;
        session.firmwareVersion = QStringLiteral("kept");
        QVERIFY(readDeviceInfo(200));
        QCOMPARE(session.deviceSerial(), QStringLiteral("ab12cd"));
        QCOMPARE(int(session.screenFormat), 1);
        QCOMPARE(int(session.lcdBright), 77);
        QCOMPARE(session.firmwareVersion, QStringLiteral("kept"));

        // A reply spanning several reports but too short for the record: identity only.
        device->setSingleReportInfo(false);
        device->setDeclaredInfoLength(-1);
        const QByteArray shortFrame = buildFrame(0x2001, 0xB6, QByteArray(100, '\x01'));
        QVERIFY(parseDeviceInfo(shortFrame, 3));
        QCOMPARE(int(session.lcdBright), 77);

        // Too short even for the identity, or cut off: no reply.
        QVERIFY(!parseDeviceInfo(buildFrame(0x2001, 0xB6, hex("0102")), 1));
        QVERIFY(!parseDeviceInfo(QByteArray(5, '\x68'), 1));

        // A declared length that runs past what arrives gives no frame at all.
        device->setDeclaredInfoLength(400);
        session.infoValid = 0;
        QVERIFY(!readDeviceInfo(50));
        QCOMPARE(int(session.infoValid), 0);

        closeHidDevice();
        QVERIFY(!readDeviceInfo(50));
    }

    void deviceCode()
    {
        deviceSession().modelGroup = QStringLiteral("G2");
        const QString code = makeDeviceCode(0x01, 0x02, 0x03);
        const QString crc = QString::number(referenceWordCrc(hex("01020311")), 16).toUpper();
        QCOMPARE(code, QStringLiteral("G2") + crc + QStringLiteral("321"));
        QVERIFY(makeDeviceCode(0x0A, 0x00, 0x00).endsWith(QStringLiteral("00A")));
        QVERIFY(makeDeviceCode(0x05, 0xB0, 0xFF).endsWith(QStringLiteral("FFB05")));
    }

    void parameterFrame()
    {
        DeviceSession &session = deviceSession();
        session.deviceId = 0x1005;
        session.coilEnabled = {{0, 1, 0, 1, 0}};
        session.coilValues = {{1300, 6500, 4000, 400, 1000}};
        session.lcdBright = 255;
        session.smokeTime = 300;
        QByteArray frame = parametersFrame();
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
        session.smokeTime = 1000;
        frame = parametersFrame();
        QCOMPARE(frame.mid(24, 3), hex("0103e8"));
    }

    void curveFrames()
    {
        DeviceSession &session = deviceSession();
        session.deviceId = 0x2001;
        session.tempUnit = 1;
        session.tempCurveNo = 3;
        for (int i = 0; i < 10; ++i) {
            session.tempCurvePoints[i] = quint16(200 + i);
            session.powerCurvePoints[i] = quint16(0x0100 + i);
        }
        session.powerCurveNo = 4;
        const QByteArray temp = tempCurveFrame();
        QCOMPARE(temp.size(), 32);
        QCOMPARE(temp.left(9), hex("682001320017010103"));
        QCOMPARE(u16At(temp, 9), quint16(200));
        QCOMPARE(u16At(temp, 27), quint16(209));
        QVERIFY(checksumOk(temp));
        const QByteArray power = powerCurveFrame();
        QCOMPARE(power.left(9), hex("682001320017000004"));
        QCOMPARE(u16At(power, 27), quint16(0x0109));
        QVERIFY(checksumOk(power));
    }

    void clockFrame()
    {
        deviceSession().deviceId = 0x1005;
        QByteArray frame = clockWriteFrame(QDateTime(QDate(2021, 3, 5), QTime(10, 5, 0)));
        QCOMPARE(frame.size(), 17);
        QCOMPARE(frame.left(14), hex("6810053a0008"
                                     "210305100500"
                                     "0001"));
        QVERIFY(checksumOk(frame));
        frame = clockWriteFrame(QDateTime(QDate(2021, 12, 31), QTime(9, 59, 7)));
        QCOMPARE(frame.mid(6, 8), hex("2112310959070000"));
    }

    void clockRoundTrip()
    {
        connectVirtual(0x3000);
        deviceSession().deviceId = 0x3000;
        QVERIFY(writeClock(QDateTime(QDate(2023, 11, 28), QTime(23, 45, 1))));
        QVERIFY(readClock());
        const std::array<quint8, 6> expected{{23, 11, 28, 23, 45, 1}};
        QVERIFY(deviceSession().deviceClock() == expected);
        QVERIFY(restoreDefaults());
        QCOMPARE(device->factoryResets(), 1);
        device->setRestoreDefaultsAnswered(false);
        QVERIFY(!restoreDefaults());
    }

    void monoPictureBlocks()
    {
        connectVirtual(0x2001);
        deviceSession().deviceId = 0x2001;
        QByteArray picture(1024, '\0');
        for (int i = 0; i < picture.size(); ++i)
            picture[i] = char(i * 7);
        QVERIFY(writeMonoPicture(reinterpret_cast<const quint8 *>(picture.constData()), 1024, 3));
        const QVector<QByteArray> frames = device->receivedFrames();
        QCOMPARE(frames.size(), 2);
        QCOMPARE(frames[0].size(), 522);
        QCOMPARE(frames[0].left(7), hex("68200134020103"));
        QCOMPARE(quint8(frames[1][6]), quint8(0x83));
        QCOMPARE(frames[1].mid(7, 512), picture.mid(512));
        QCOMPARE(device->picture(2), picture);

        // Below one block nothing is sent; a tail shorter than a block is not sent.
        device->clearLog();
        QVERIFY(!writeMonoPicture(reinterpret_cast<const quint8 *>(picture.constData()), 511, 1));
        QVERIFY(writeMonoPicture(reinterpret_cast<const quint8 *>(picture.constData()), 700, 1));
        QCOMPARE(device->receivedFrames().size(), 1);
    }

    void colourPictureBlocks()
    {
        connectVirtual(0x3000);
        deviceSession().deviceId = 0x3000;
        QByteArray picture(25600 + 100, '\0');
        for (int i = 0; i < picture.size(); ++i)
            picture[i] = char(i % 251);
        QVERIFY(writeColourPicture(reinterpret_cast<const quint8 *>(picture.constData()), 25600,
                                   2));
        QVector<QByteArray> frames = device->receivedFrames();
        QCOMPARE(frames.size(), 50);
        QCOMPARE(frames[0].size(), 525);
        QCOMPARE(frames[0].mid(4, 6), hex("0204"
                                          "0000c800"));
        const quint32 last = 2 * 25600 + 49 * 512;
        QCOMPARE(frames[49].mid(6, 4), hex(QByteArray::number(last, 16).rightJustified(8, '0')));
        QCOMPARE(quint8(frames[49][9]), quint8(0));
        QCOMPARE(device->picture(2), picture.left(25600));

        // A size that is not a multiple of 512 ends with a shorter block.
        device->clearLog();
        QVERIFY(writeColourPicture(reinterpret_cast<const quint8 *>(picture.constData()), 600, 0));
        frames = device->receivedFrames();
        QCOMPARE(frames.size(), 2);
        QCOMPARE(u16At(frames[1], 4), quint16(88 + 4));
        QVERIFY(!writeColourPicture(reinterpret_cast<const quint8 *>(picture.constData()), 0, 0));
    }

    void pictureRead()
    {
        connectVirtual(0x1005);
        deviceSession().deviceId = 0x1005;
        QCOMPARE(pictureReadRequest(5), buildFrame(0x1005, 0x39, hex("05")));
        QCOMPARE(pictureReadRequest(5).size(), 10);
        QByteArray frame;
        QVERIFY(readPictureFrame(5, &frame));
        QCOMPARE(frame.mid(9, 512), device->picture(4));
        device->dropReplies(1);
        QVERIFY(!readPictureFrame(5, &frame));
        QVERIFY(frame.isEmpty());
    }

    void upgradeFrames()
    {
        DeviceSession &session = deviceSession();
        session.upgradeTargetId = 0xAAAA;
        QByteArray image(1000, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i);
        session.setUpgradeImage(image);
        session.upgradeSize = image.size();
        session.upgradeScramble = false;

        QByteArray first = upgradeBlockFrame(0);
        QCOMPARE(first.size(), 525);
        QCOMPARE(first.left(10), hex("68aaaa040204"
                                     "00000000"));
        QCOMPARE(first.mid(10, 512), image.left(512));
        QByteArray second = upgradeBlockFrame(1);
        QCOMPARE(u16At(second, 4), quint16(492));
        QCOMPARE(second.mid(6, 4), hex("00000200"));
        QCOMPARE(second.mid(10, 488), image.mid(512));
        QVERIFY(checksumOk(second));

        // The scramble changes the image bytes only; the CRC covers the changed bytes.
        session.upgradeScramble = true;
        const QByteArray scrambled = upgradeBlockFrame(1);
        QCOMPARE(scrambled.left(10), second.left(10));
        for (int i = 0; i < 488; ++i)
            QCOMPARE(quint8(scrambled[10 + i]), quint8(quint8(image[512 + i]) + 0x5D));
        QVERIFY(checksumOk(scrambled));

        QCOMPARE(upgradeHelloFrame().size(), 25);
        const QByteArray hello = Wire::upgradeHelloText();
        QCOMPARE(hello.size(), 16);
        QVERIFY(QRegularExpression(QStringLiteral("^[a-z]{5}-[a-z]{4}-[0-9]{4}$"))
                        .match(QString::fromLatin1(hello.left(15)))
                        .hasMatch());
        QCOMPARE(hello.at(15), '\0');

        session.setUpgradeCheck({{0x00, 0x01, 0xF3, 0x3C}});
        const QByteArray finish = upgradeFinishFrame();
        QCOMPARE(finish.size(), 17);
        QCOMPARE(finish.mid(3, 11), hex("200008"
                                        "000003e8"
                                        "0001f33c"));
    }

    void eraseCommandBySize()
    {
        connectVirtual(0x1005);
        VirtualDevice::Settings settings = device->settings();
        settings.startInBootLoader = true;
        device = std::make_shared<VirtualDevice>(settings);
        setHidBackend(std::make_shared<VirtualBus>(device));
        QCOMPARE(openHidDevice(), 1);
        DeviceSession &session = deviceSession();
        session.upgradeTargetId = 0x1005;
        session.upgradeSize = 0x12000;
        QVERIFY(upgradeErase(3000));
        session.upgradeSize = 0x11FFF;
        QVERIFY(upgradeErase(3000));
        const QVector<QByteArray> frames = device->receivedFrames();
        QCOMPARE(frames.size(), 2);
        QCOMPARE(quint8(frames[0][3]), quint8(0x08));
        QCOMPARE(quint8(frames[1][3]), quint8(0x09));
        QCOMPARE(frames[1].size(), 9);
    }

    void nothingSentWithoutDevice()
    {
        deviceSession().deviceId = 0x1005;
        QVERIFY(!writeParameters());
        QVERIFY(!writeTempCurve());
        QVERIFY(!writeClock());
        QVERIFY(!readClock());
        QVERIFY(!restoreDefaults());
        QVERIFY(!upgradeHello(10));
        QVERIFY(!upgradeFinish(10));
    }
};

QTEST_GUILESS_MAIN(ProtocolTest)
#include "tst_protocol.moc"
