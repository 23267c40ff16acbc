#include "device/commands.h"
#include "device/devicelink.h"
#include "device/frame.h"
#include "support/recordinghid.h"
#include "virtualdevice/virtualdevice.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <thread>

Q_DECLARE_METATYPE(DeviceLink::OpenResult)
Q_DECLARE_METATYPE(ProductKind)

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

HidDeviceInfo firstEntry(HidBackend &backend)
{
    return backend.enumerate(KorlexVendorId, KorlexProductId).value(0);
}

} // namespace

// The link of one device: reports, frames, replies, opening and the exchanges, against a
// scripted HID device and the virtual device.
class TransportTest : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<RecordingHidBackend> recorder;
    std::shared_ptr<VirtualDevice> device;
    std::shared_ptr<VirtualBus> bus;
    std::unique_ptr<DeviceLink> link;

    void useRecorder()
    {
        recorder = std::make_shared<RecordingHidBackend>();
        link = std::make_unique<DeviceLink>(recorder);
        QCOMPARE(link->open(firstEntry(*recorder)), DeviceLink::OpenResult::Opened);
        recorder->state->opens = 0;
    }
    void useVirtualDevice(VirtualDevice::Settings settings = VirtualDevice::Settings())
    {
        device = std::make_shared<VirtualDevice>(settings);
        bus = std::make_shared<VirtualBus>(device);
        link = std::make_unique<DeviceLink>(bus);
        QCOMPARE(link->open(firstEntry(*bus)), DeviceLink::OpenResult::Opened);
    }

private slots:
    void init()
    {
        link.reset();
        recorder.reset();
        device.reset();
        bus.reset();
    }

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
        const QByteArray frame = Wire::deviceInfoRequest();
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
        QCOMPARE(link->transact(frame, 1, 5).status, LinkStatus::NoReply);
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
        recorder = std::make_shared<RecordingHidBackend>();
        link = std::make_unique<DeviceLink>(recorder);
        // Nothing open.
        QCOMPARE(link->transact(Wire::deviceInfoRequest(), 1, 5).status, LinkStatus::NotOpen);
        QCOMPARE(link->requestLong(Wire::deviceInfoRequest(), LongReply::DeviceInfo, 5).status,
                 LinkStatus::NotOpen);
        useRecorder();
        // Nothing to send.
        QCOMPARE(link->transact(QByteArray(), 3, 5).status, LinkStatus::NoReply);
        QVERIFY(recorder->state->written.isEmpty());
        QCOMPARE(recorder->state->opens, 0);
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
        QCOMPARE(classifyReply(buildFrame(0x1005, 0xFA, hex("01"))), ReplyKind::Stop);
        QCOMPARE(classifyReply(buildFrame(0x1005, 0xFA, hex("05"))), ReplyKind::OtherStatus);
        QCOMPARE(classifyReply(buildFrame(0x1005, 0xFA, hex("0a"))), ReplyKind::LowPower);
        // A status reply without its data byte says nothing more.
        QCOMPARE(classifyReply(buildFrame(0x1005, 0xFA, QByteArray())), ReplyKind::OtherStatus);

        std::array<quint8, 6> clock{};
        QVERIFY(clockFromReply(buildFrame(0x1005, 0xBB, hex("210305090730")), &clock));
        const std::array<quint8, 6> expected{{21, 3, 5, 9, 7, 30}};
        QVERIFY(clock == expected);

        // A clock reply too short for its six fields is not taken and leaves the clock.
        QVERIFY(!clockFromReply(buildFrame(0x1005, 0xBB, hex("2203")), &clock));
        QVERIFY(clock == expected);

        QCOMPARE(classifyReply(buildFrame(0x1005, 0x11, QByteArray())), ReplyKind::Answer);
        QCOMPARE(classifyReply(buildFrame(0x1005, 0xBB, hex("210305090730"))), ReplyKind::Answer);
    }

    void openClassification_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<DeviceLink::OpenResult>("result");
        QTest::addColumn<ProductKind>("kind");
        QTest::newRow("normal firmware")
                << "KORLEX" << DeviceLink::OpenResult::Opened << ProductKind::Firmware;
        QTest::newRow("with suffix")
                << "KORLEX-V2 Pro" << DeviceLink::OpenResult::Opened << ProductKind::Firmware;
        QTest::newRow("boot loader")
                << "KORLEX-BOOT" << DeviceLink::OpenResult::Opened << ProductKind::BootLoader;
        QTest::newRow("foreign") << "Lab PN-Lab HID" << DeviceLink::OpenResult::Foreign
                                 << ProductKind::Foreign;
        QTest::newRow("foreign case differs")
                << "pn-lab hid" << DeviceLink::OpenResult::Other << ProductKind::Other;
        QTest::newRow("unknown") << "Other device" << DeviceLink::OpenResult::Other
                                 << ProductKind::Other;
    }
    void openClassification()
    {
        QFETCH(QString, product);
        QFETCH(DeviceLink::OpenResult, result);
        QFETCH(ProductKind, kind);
        QCOMPARE(productKindOf(product), kind);
        recorder = std::make_shared<RecordingHidBackend>();
        recorder->state->product = product;
        link = std::make_unique<DeviceLink>(recorder);
        QCOMPARE(link->open(firstEntry(*recorder)), result);
        QCOMPARE(link->isOpen(), result == DeviceLink::OpenResult::Opened);
        if (result == DeviceLink::OpenResult::Opened) {
            QCOMPARE(link->openEntry().product, product);
            QCOMPARE(link->openKind(), kind);
        } else {
            QCOMPARE(recorder->state->closes, recorder->state->opens);
        }
    }

    void openAbsentDeniedAndReopen()
    {
        recorder = std::make_shared<RecordingHidBackend>();
        link = std::make_unique<DeviceLink>(recorder);
        HidDeviceInfo entry;
        entry.path = QStringLiteral("recorded");
        recorder->state->present = false;
        QCOMPARE(link->open(entry), DeviceLink::OpenResult::NotFound);

        recorder->state->present = true;
        recorder->state->openFails = true;
        // Present, but it could not be opened.
        QCOMPARE(link->open(entry), DeviceLink::OpenResult::Denied);

        recorder->state->openFails = false;
        recorder->state->opens = recorder->state->closes = 0;
        QCOMPARE(link->open(entry), DeviceLink::OpenResult::Opened);
        QCOMPARE(link->open(entry), DeviceLink::OpenResult::Opened);
        // The first handle was closed before the second was stored.
        QCOMPARE(recorder->state->opens, 2);
        QCOMPARE(recorder->state->closes, 1);
        link->close();
        QCOMPARE(recorder->state->closes, 2);
        QVERIFY(!link->isOpen());
        link->close();
        // Closed on purpose, it is not opened again by an exchange.
        QCOMPARE(link->transact(Wire::deviceInfoRequest(), 3, 5).status, LinkStatus::NotOpen);
        QCOMPARE(recorder->state->opens, 2);
    }

    void transactRetriesAndReplies()
    {
        useVirtualDevice();
        const QByteArray request = buildFrame(0x1005, 0x3B, QByteArray());

        // Junk before the start byte inside the report.
        device->junkBeforeReplies(1, 7);
        QVERIFY(link->transact(request, 3, 500).answered());
        QCOMPARE(device->receivedFrames().size(), 1);

        // A wrong CRC is answered by sending the request again.
        device->clearLog();
        device->corruptReplies(1);
        QVERIFY(link->transact(request, 3, 300).answered());
        QCOMPARE(device->receivedFrames().size(), 2);
        QCOMPARE(device->receivedFrames().at(1), request);

        // A lost reply likewise; with every reply lost the tries run out.
        device->clearLog();
        device->dropReplies(3);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(link->transact(request, 3, 100).status, LinkStatus::NoReply);
        QCOMPARE(device->receivedFrames().size(), 3);
        QVERIFY(timer.elapsed() >= 290);

        // A status reply ends the exchange with its status.
        device->answerWithStatus(0x3B, VirtualDevice::Status::Stop);
        QCOMPARE(link->transact(request, 3, 300).status, LinkStatus::Stop);

        // A device that has left the bus ends it too.
        device->unplug();
        QCOMPARE(link->transact(request, 3, 100).status, LinkStatus::Gone);
        QVERIFY(!link->isOpen());
    }

    void transactReadsOneReportPerTry()
    {
        // A reply longer than one report is not found by transact: the frame runs past the
        // report, so the try counts as nothing having arrived.
        useRecorder();
        const QByteArray longReply = buildFrame(0x1005, 0xB3, QByteArray(80, 'x'));
        recorder->state->replies = asInputReports(longReply);
        QCOMPARE(link->transact(buildFrame(0x1005, 0x33, QByteArray()), 1, 10).status,
                 LinkStatus::NoReply);
        QCOMPARE(recorder->state->readTimeouts, QList<int>({10}));
    }

    void jobReadsWaitInSlices()
    {
        // A job's reads look at a cancel request between slices; a short command waits in one
        // piece.
        useRecorder();
        JobControl control(20);
        QCOMPARE(link->transact(Wire::clockReadFrame(0x1005), 1, 50, &control).status,
                 LinkStatus::NoReply);
        QVERIFY(!recorder->state->readTimeouts.isEmpty());
        for (int slice : qAsConst(recorder->state->readTimeouts))
            QVERIFY(slice <= 20);
        recorder->state->readTimeouts.clear();
        QCOMPARE(link->transact(Wire::clockReadFrame(0x1005), 1, 50).status, LinkStatus::NoReply);
        QCOMPARE(recorder->state->readTimeouts, QList<int>({50}));
        control.cancel();
        recorder->state->readTimeouts.clear();
        QCOMPARE(link->transact(Wire::clockReadFrame(0x1005), 3, 50, &control).status,
                 LinkStatus::Cancelled);
        QVERIFY(recorder->state->readTimeouts.isEmpty());
    }

    void longReplyGathering()
    {
        useRecorder();
        // The information reply: (L + 72) / 64 reports, the first one included.
        const QByteArray info = buildFrame(0x1005, 0xB6, QByteArray(DeviceInfoDataLength, '\1'));
        recorder->state->replies = asInputReports(info);
        LinkReply result = link->requestLong(Wire::deviceInfoRequest(), LongReply::DeviceInfo, 200);
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
        result = link->requestLong(Wire::deviceInfoRequest(), LongReply::DeviceInfo, 200);
        QCOMPARE(result.frame, info);

        // Nothing at all: one time-out and the reader gives up.
        recorder->state->readTimeouts.clear();
        result = link->requestLong(Wire::deviceInfoRequest(), LongReply::DeviceInfo, 200);
        QVERIFY(result.frame.isEmpty());
        QCOMPARE(result.status, LinkStatus::NoReply);
        QCOMPARE(recorder->state->readTimeouts.size(), 1);

        // A reply announcing more than the gathering buffer holds never overflows it.
        const QByteArray huge = buildFrame(0x1005, 0xB6, QByteArray(1000, '\2'));
        recorder->state->replies = asInputReports(huge);
        result = link->requestLong(Wire::deviceInfoRequest(), LongReply::DeviceInfo, 200);
        QVERIFY(result.frame.isEmpty());

        // A status reply in place of the long one says why it did not come.
        recorder->state->replies = asInputReports(buildFrame(0x1005, 0xFA, hex("0a")));
        result = link->requestLong(Wire::deviceInfoRequest(), LongReply::DeviceInfo, 200);
        QCOMPARE(result.status, LinkStatus::LowPower);
    }

    void pictureReplyGathering()
    {
        useRecorder();
        // 512 picture bytes: the first report and eight more.
        const QByteArray reply = buildFrame(0x1005, 0xB9, QByteArray(515, '\3'));
        recorder->state->replies = asInputReports(reply) + asInputReports(QByteArray(63, '\4'));
        const QByteArray request = Wire::pictureReadRequest(0x1005, 1);
        const LinkReply result = link->requestLong(request, LongReply::Picture, 300, 0);
        QCOMPARE(result.frame, reply);
        QCOMPARE(recorder->state->readTimeouts.size(), 9);
        QVERIFY(recorder->state->readTimeouts.contains(300));
        QCOMPARE(recorder->state->replies.size(), 1); // the tenth report was left alone

        // 1024 picture bytes do not fit the 768-byte buffer of format 0 ...
        recorder->state->replies.clear();
        const QByteArray large = buildFrame(0x2001, 0xB9, QByteArray(1027, '\5'));
        recorder->state->replies = asInputReports(large);
        QVERIFY(link->requestLong(request, LongReply::Picture, 300, 0).frame.isEmpty());
        // ... but do fit the 1280-byte buffer of format 1.
        recorder->state->replies = asInputReports(large);
        QCOMPARE(link->requestLong(request, LongReply::Picture, 300, 1).frame, large);
    }

    void framesOfThreeThreadsNeverInterleave()
    {
        useVirtualDevice();
        const QByteArray block(512, '\x5a');
        std::atomic<int> failures{0};
        constexpr int rounds = 40;
        auto pictures = [&] {
            for (int i = 0; i < rounds; ++i) {
                const QByteArray frame = Wire::monoPictureFrame(
                        0x1005, reinterpret_cast<const quint8 *>(block.constData()), 1 + i % 12,
                        true);
                if (!link->transact(frame, 2, 500).answered())
                    ++failures;
            }
        };
        auto clock = [&] {
            for (int i = 0; i < rounds; ++i) {
                if (!link->transact(Wire::clockReadFrame(0x1005), 3, 500).answered())
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
