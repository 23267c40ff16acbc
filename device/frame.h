#ifndef DEVICE_FRAME_H
#define DEVICE_FRAME_H

#include <QByteArray>
#include <QtGlobal>

#include <array>

// The framing of every message between the tool and the device, and the HID reports that carry
// it. Nothing here touches a device: these are the pure rules the link applies.
//
// A frame is 0x68, a 16-bit address, a command code, a 16-bit data length, the data, a
// CRC-16/XMODEM of the bytes from the address to the end of the data (low byte first) and 0x16.
// Every other number is big-endian.

// USB ids of the device family.
constexpr quint16 KorlexVendorId = 0x0483;
constexpr quint16 KorlexProductId = 0x5750;

constexpr int HidReportSize = 64;
constexpr quint8 HidReportId = 0x02;
constexpr quint8 FrameStart = 0x68;
constexpr quint8 FrameEnd = 0x16;
constexpr int FrameOverhead = 9; // start, address, code, length, CRC, end
constexpr int ReplyBufferSize = 576;

// CRC-16/XMODEM: polynomial 0x1021, initial value 0, table driven.
quint16 crc16(const quint8 *data, int count);
inline quint16 crc16(const QByteArray &data)
{
    return crc16(reinterpret_cast<const quint8 *>(data.constData()), data.size());
}
quint8 fromBcd(quint8 value);

// Builds a complete frame: 0x68, address, code, length, data, CRC (low byte first), 0x16.
QByteArray buildFrame(quint16 address, quint8 code, const QByteArray &data);

// Finds the first valid frame in count received bytes and copies it to the start of out, which
// must hold at least count bytes. Returns the frame length, 0 when there is none. A candidate
// whose declared length runs past what arrived ends the search.
quint16 extractFrame(quint8 *out, const quint8 *received, int count);
// The same over a byte array; empty when there is no frame.
QByteArray extractFrame(const QByteArray &received);

// What a valid reply frame says. Any code but the status reply counts as an answer; the reply
// code is not compared with the command that was sent.
enum class ReplyKind {
    Answer,
    Stop, // status reply, data byte 0x01: the device refuses
    LowPower, // status reply, data byte 0x0A: the battery is too low
    OtherStatus // a status reply with any other data byte
};
ReplyKind classifyReply(const QByteArray &frame);

// The clock of a clock reply (code 0xBB): year (two digits), month, day, hour, minute, second,
// decoded from BCD. False when the frame is too short to carry them.
bool clockFromReply(const QByteArray &frame, std::array<quint8, 6> *clock);

// The output reports that carry a frame: 63 frame bytes each after the report id, the last one
// padded with zeros.
int reportCount(int frameLength);
void fillReport(quint8 *report, const quint8 *frame, int length, int index);

// The two replies that span several input reports, and the rules by which their reports are
// gathered: the information reply counts its reports from the declared length with 32 bits, the
// picture reply with 8 bits and a fixed count, so that skipping reports before the reply starts
// wraps the way the device firmware expects.
enum class LongReply { DeviceInfo, Picture };

class LongReplyGatherer
{
public:
    // pictureFormat: the screen format of the device, which sets the room a picture reply
    // has (768 bytes, 1280 for the 64 x 128 format).
    LongReplyGatherer(LongReply kind, int pictureFormat = 0);

    // Takes one read: count bytes of a report (0 for a read that timed out). Returns true while
    // more reports are wanted.
    bool take(const quint8 *report, int count);
    bool done() const { return m_done; }

    // The frame found in what was gathered; empty when there is none.
    QByteArray frame() const;
    // Reports that the reply announced (the information read's count), 0 before it started.
    quint32 reports() const { return m_reports; }
    bool started() const { return m_started; }

private:
    bool remainingIsZero() const;

    LongReply m_kind;
    int m_capacity;
    QByteArray m_gathered;
    quint32 m_remaining32 = 0;
    quint8 m_remaining8 = 0;
    quint8 m_misses = 0;
    quint32 m_reports = 0;
    bool m_started = false;
    bool m_done = false;
};

#endif // DEVICE_FRAME_H
