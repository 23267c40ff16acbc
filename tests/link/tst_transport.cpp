#include "catalogue/devicemodels.h"
#include "device/protocol.h"
#include "device/session.h"
#include "device/transport.h"
#include "support/recordinghid.h"
#include "virtualdevice/virtualdevice.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

const quint8 *bytes(const QByteArray &data)
{
    return reinterpret_cast<const quint8 *>(data.constData());
}

// A frame with data bytes 0, 1, 2, ... of the given length.
QByteArray patternFrame(int totalLength)
{
    QByteArray data;
    for (int i = 0; i < totalLength - FrameOverhead; ++i)
        data.append(char(i));
    return buildFrame(0x1005, 0x33, data);
}

} // namespace

class TransportTest : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<RecordingHidBackend> recorder;
    std::shared_ptr<VirtualDevice> device;

    void useRecorder()
    {
        recorder = std::make_shared<RecordingHidBackend>();
        setHidBackend(recorder);
        QCOMPARE(openHidDevice(), 1);
    }
    void useVirtualDevice(VirtualDevice::Settings settings = VirtualDevice::Settings())
    {
        device = std::make_shared<VirtualDevice>(settings);
        setHidBackend(std::make_shared<VirtualBus>(device));
        QCOMPARE(openHidDevice(), 1);
    }

private slots:
    void init()
    {
        deviceSession().clear();
        loadDeviceModelsFrom(QStringLiteral("/nonexistent/dev/device"));
        recorder.reset();
        device.reset();
    }
    void cleanup() { closeHidDevice(); }

    void crcAndBcd()
    {
        const QByteArray check("123456789");
        QCOMPARE(crc16(check), quint16(0x31C3));
        QCOMPARE(crc16(bytes(check), 0), quint16(0));
        QCOMPARE(fromBcd(0x59), quint8(59));
        QCOMPARE(fromBcd(0x10), quint8(10));
        QCOMPARE(fromBcd(0x09), quint8(9));
    }

    void frameEnvelope()
    {
        const QByteArray frame = deviceInfoRequest();
        QCOMPARE(frame.size(), 9);
        QCOMPARE(frame.left(6), hex("68aaaa360000"));
        const quint16 crc = crc16(bytes(frame) + 1, 5);
        QCOMPARE(quint8(frame[6]), quint8(crc & 0xFF)); // low byte first
        QCOMPARE(quint8(frame[7]), quint8(crc >> 8));
        QCOMPARE(quint8(frame[8]), quint8(0x16));
    }

    void reportSplitting_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("reports");
        QTest::newRow("63 bytes") << 63 << 1;
        QTest::newRow("64 bytes") << 64 << 2;
        QTest::newRow("126 bytes") << 126 << 2;
        QTest::newRow("525 bytes") << 525 << 9;
    }
    void reportSplitting()
    {
        QFETCH(int, length);
        QFETCH(int, reports);
        useRecorder();
        const QByteArray frame = patternFrame(length);
        QVERIFY(sendFrame(frame));
        const QList<QByteArray> written = recorder->state->written;
        QCOMPARE(written.size(), reports);
        QByteArray carried;
        for (const QByteArray &report : written) {
            QCOMPARE(report.size(), 64);
            QCOMPARE(quint8(report[0]), quint8(0x02));
            carried.append(report.mid(1));
        }
        QCOMPARE(carried.left(length), frame);
        QCOMPARE(carried.mid(length), QByteArray(carried.size() - length, '\0'));
    }

    void sendRefusals()
    {
        QVERIFY(!sendFrame(deviceInfoRequest())); // nothing open
        useRecorder();
        QVERIFY(!sendFrame(nullptr, 9));
        QVERIFY(!sendFrame(bytes(deviceInfoRequest()), 0));
        QVERIFY(!sendFrame(bytes(deviceInfoRequest()), -3));
        QVERIFY(recorder->state->written.isEmpty());
    }

    void extractFrameCases()
    {
        const QByteArray good = buildFrame(0x2001, 0xB3, hex("00"));
        quint8 out[600];

        // Junk before the frame.
        QByteArray stream = hex("0211223344") + good + hex("0000");
        QCOMPARE(int(extractFrame(out, bytes(stream), stream.size())), good.size());
        QCOMPARE(QByteArray(reinterpret_cast<char *>(out), good.size()), good);

        // A wrong CRC is skipped and a later frame is found.
        QByteArray corrupt = good;
        corrupt[7] = char(corrupt[7] ^ 0x01);
        stream = corrupt + good;
        QCOMPARE(int(extractFrame(out, bytes(stream), stream.size())), good.size());

        // A stray start byte whose candidate fails its check is passed over.
        stream = hex("68000033000000") + good;
        QCOMPARE(int(extractFrame(out, bytes(stream), stream.size())), good.size());

        // A missing end byte is no frame.
        QByteArray noEnd = good;
        noEnd[noEnd.size() - 1] = 0x17;
        QCOMPARE(int(extractFrame(out, bytes(noEnd), noEnd.size())), 0);

        // A declared length running past the received bytes ends the search, even though a
        // valid frame follows.
        stream = hex("6800003300ff") + good;
        QCOMPARE(int(extractFrame(out, bytes(stream), stream.size())), 0);

        // Fewer than nine bytes from the start byte.
        stream = good.left(8);
        QCOMPARE(int(extractFrame(out, bytes(stream), stream.size())), 0);
        QCOMPARE(int(extractFrame(out, bytes(stream), 0)), 0);
    }

    void statusAndClockReplies()
    {
        const QByteArray stop = buildFrame(0x1005, 0xFA, hex("01"));
        QVERIFY(!handleReply(bytes(stop), stop.size()));
        QCOMPARE(deviceSession().deviceStatus(), QStringLiteral("STOP"));

        deviceSession().setDeviceStatus(QString());
        const QByteArray other = buildFrame(0x1005, 0xFA, hex("05"));
        QVERIFY(!handleReply(bytes(other), other.size()));
        QCOMPARE(deviceSession().deviceStatus(), QString());

        const QByteArray low = buildFrame(0x1005, 0xFA, hex("0a"));
        QVERIFY(!handleReply(bytes(low), low.size()));
        QCOMPARE(deviceSession().deviceStatus(), QStringLiteral("LOWPOWER"));

        // A status reply without its data byte changes nothing.
        deviceSession().setDeviceStatus(QString());
        const QByteArray empty = buildFrame(0x1005, 0xFA, QByteArray());
        QVERIFY(!handleReply(bytes(empty), empty.size()));
        QCOMPARE(deviceSession().deviceStatus(), QString());

        const QByteArray clock = buildFrame(0x1005, 0xBB, hex("210305090730"));
        QVERIFY(handleReply(bytes(clock), clock.size()));
        const std::array<quint8, 6> expected{{21, 3, 5, 9, 7, 30}};
        QVERIFY(deviceSession().deviceClock() == expected);

        // A clock reply too short for its six fields is not accepted and leaves the clock.
        const QByteArray shortClock = buildFrame(0x1005, 0xBB, hex("2203"));
        QVERIFY(!handleReply(bytes(shortClock), shortClock.size()));
        QVERIFY(deviceSession().deviceClock() == expected);

        const QByteArray ack = buildFrame(0x1005, 0x11, QByteArray());
        QVERIFY(handleReply(bytes(ack), ack.size()));
    }

    void openClassification_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("application");
        QTest::newRow("normal firmware") << "KORLEX" << 1 << true;
        QTest::newRow("with suffix") << "KORLEX-V2 Pro" << 1 << true;
        QTest::newRow("boot loader") << "KORLEX-BOOT" << 1 << false;
        QTest::newRow("foreign") << "Lab PN-Lab HID" << 0 << false;
        QTest::newRow("foreign case differs") << "pn-lab hid" << -1 << false;
        QTest::newRow("unknown") << "Other device" << -1 << false;
    }
    void openClassification()
    {
        QFETCH(QString, product);
        QFETCH(int, result);
        QFETCH(bool, application);
        recorder = std::make_shared<RecordingHidBackend>();
        recorder->state->product = product;
        setHidBackend(recorder);
        deviceSession().appFirmware = !application;
        QCOMPARE(openHidDevice(), result);
        QCOMPARE(bool(deviceSession().deviceOpen), result == 1);
        if (result == 1) {
            QCOMPARE(deviceSession().productString(), product);
            QCOMPARE(bool(deviceSession().appFirmware), application);
        } else {
            QVERIFY(deviceSession().productString().isEmpty());
            QCOMPARE(recorder->state->closes, recorder->state->opens);
        }
    }

    void openAbsentDeniedAndReopen()
    {
        recorder = std::make_shared<RecordingHidBackend>();
        setHidBackend(recorder);
        recorder->state->present = false;
        deviceSession().setProductString(QStringLiteral("stale"));
        QCOMPARE(openHidDevice(), -1);
        QVERIFY(deviceSession().productString().isEmpty());
        QVERIFY(!deviceSession().openDenied);

        recorder->state->present = true;
        recorder->state->openFails = true;
        QCOMPARE(openHidDevice(), -1);
        QVERIFY(deviceSession().openDenied); // present, but could not be opened

        recorder->state->openFails = false;
        QCOMPARE(openHidDevice(), 1);
        QCOMPARE(openHidDevice(), 1);
        // The first handle was closed before the second was stored.
        QCOMPARE(recorder->state->opens, 2);
        QCOMPARE(recorder->state->closes, 1);
        QCOMPARE(closeHidDevice(), 1);
        QCOMPARE(recorder->state->closes, 2);
        QVERIFY(!deviceSession().deviceOpen);
        QCOMPARE(closeHidDevice(), 1);
    }

    void transactRetriesAndReplies()
    {
        useVirtualDevice();
        const QByteArray request = buildFrame(0x1005, 0x3B, QByteArray());

        // Junk before the start byte inside the report.
        device->junkBeforeReplies(1, 7);
        QVERIFY(transact(request, 3, 500));
        QCOMPARE(device->receivedFrames().size(), 1);

        // A wrong CRC is answered by sending the request again.
        device->clearLog();
        device->corruptReplies(1);
        QVERIFY(transact(request, 3, 300));
        QCOMPARE(device->receivedFrames().size(), 2);
        QCOMPARE(device->receivedFrames().at(1), request);

        // A lost reply likewise; with every reply lost the tries run out.
        device->clearLog();
        device->dropReplies(3);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!transact(request, 3, 100));
        QCOMPARE(device->receivedFrames().size(), 3);
        QVERIFY(timer.elapsed() >= 290);

        // A status reply is a failure and is stored.
        device->answerWithStatus(0x3B, VirtualDevice::Status::Stop);
        QVERIFY(!transact(request, 3, 300));
        QCOMPARE(deviceSession().deviceStatus(), QStringLiteral("STOP"));

        closeHidDevice();
        QVERIFY(!transact(request, 3, 100));
    }

    void transactReadsOneReportPerTry()
    {
        // A reply longer than one report is not found by transact: the frame runs past the
        // report, so the try counts as nothing having arrived.
        useRecorder();
        const QByteArray longReply = buildFrame(0x1005, 0xB3, QByteArray(80, 'x'));
        recorder->state->replies = asInputReports(longReply);
        QVERIFY(!transact(buildFrame(0x1005, 0x33, QByteArray()), 1, 10));
        QCOMPARE(recorder->state->readTimeouts, QList<int>({10}));
    }

    void longReplyGathering()
    {
        useRecorder();
        // The information reply: (L + 72) / 64 reports, the first one included.
        const QByteArray info = buildFrame(0x1005, 0xB6, QByteArray(DeviceInfoDataLength, '\1'));
        recorder->state->replies = asInputReports(info);
        LongReplyResult result = requestLongReply(deviceInfoRequest(), LongReply::DeviceInfo, 200);
        QCOMPARE(result.frame, info);
        QCOMPARE(result.reports, quint32((DeviceInfoDataLength + 72) / 64));
        QCOMPARE(recorder->state->readTimeouts.size(), 4);
        QCOMPARE(recorder->state->written.size(), 1); // sent once, never repeated

        // Junk reports before the reply are skipped; the reply is still found.
        recorder->state->readTimeouts.clear();
        QByteArray junk(64, '\0');
        junk[0] = 0x02;
        junk[1] = 0x55;
        recorder->state->replies = QList<QByteArray>{junk, junk} + asInputReports(info);
        result = requestLongReply(deviceInfoRequest(), LongReply::DeviceInfo, 200);
        QCOMPARE(result.frame, info);

        // Nothing at all: one time-out and the reader gives up.
        recorder->state->readTimeouts.clear();
        result = requestLongReply(deviceInfoRequest(), LongReply::DeviceInfo, 200);
        QVERIFY(result.frame.isEmpty());
        QCOMPARE(recorder->state->readTimeouts.size(), 1);

        // A reply announcing more than the gathering buffer holds never overflows it.
        const QByteArray huge = buildFrame(0x1005, 0xB6, QByteArray(1000, '\2'));
        recorder->state->replies = asInputReports(huge);
        result = requestLongReply(deviceInfoRequest(), LongReply::DeviceInfo, 200);
        QVERIFY(result.frame.isEmpty());
    }

    void pictureReplyGathering()
    {
        useRecorder();
        deviceSession().screenFormat = 0;
        // 512 picture bytes: the first report and eight more.
        const QByteArray reply = buildFrame(0x1005, 0xB9, QByteArray(515, '\3'));
        recorder->state->replies = asInputReports(reply) + asInputReports(QByteArray(63, '\4'));
        const LongReplyResult result
                = requestLongReply(pictureReadRequest(1), LongReply::Picture, 300);
        QCOMPARE(result.frame, reply);
        QCOMPARE(recorder->state->readTimeouts.size(), 9);
        QVERIFY(recorder->state->readTimeouts.contains(300));
        QCOMPARE(recorder->state->replies.size(), 1); // the tenth report was left alone

        // 1024 picture bytes do not fit the 768-byte buffer of format 0 ...
        recorder->state->replies.clear();
        const QByteArray large = buildFrame(0x2001, 0xB9, QByteArray(1027, '\5'));
        recorder->state->replies = asInputReports(large);
        QVERIFY(requestLongReply(pictureReadRequest(1), LongReply::Picture, 300).frame.isEmpty());
        // ... but do fit the 1280-byte buffer of format 1.
        deviceSession().screenFormat = 1;
        recorder->state->replies = asInputReports(large);
        QCOMPARE(requestLongReply(pictureReadRequest(1), LongReply::Picture, 300).frame, large);
    }

    void framesOfTwoThreadsNeverInterleave()
    {
        useVirtualDevice();
        deviceSession().deviceId = 0x1005;
        const QByteArray block(512, '\x5a');
        std::atomic<int> failures{0};
        constexpr int rounds = 40;
        auto pictures = [&] {
            for (int i = 0; i < rounds; ++i) {
                if (!writeMonoPicture(reinterpret_cast<const quint8 *>(block.constData()), 512,
                                      1 + i % 12))
                    ++failures;
            }
        };
        auto clock = [&] {
            for (int i = 0; i < rounds; ++i) {
                if (!readClock())
                    ++failures;
            }
        };
        std::thread first(pictures);
        std::thread second(clock);
        std::thread third(pictures);
        first.join();
        second.join();
        third.join();
        QCOMPARE(failures.load(), 0);
        // Every frame arrived whole: an interleaved report would have broken one.
        QCOMPARE(device->receivedFrames().size(), 3 * rounds);
    }
};

QTEST_GUILESS_MAIN(TransportTest)
#include "tst_transport.moc"
