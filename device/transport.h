#ifndef DEVICE_TRANSPORT_H
#define DEVICE_TRANSPORT_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

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

// 1: a normal-firmware or boot-loader device was opened; 0: only the foreign device was found
// (and closed again); -1: none was opened.
int openHidDevice();
// The same for one device, named by its path or location (empty: the first one found). The
// device's location is kept in the session, so that it can be found again after a restart.
int openHidDeviceAt(const QString &device);
int closeHidDevice();

// Cuts a frame into 64-byte output reports and writes them back to back.
bool sendFrame(const quint8 *frame, int length);
inline bool sendFrame(const QByteArray &frame)
{
    return sendFrame(reinterpret_cast<const quint8 *>(frame.constData()), frame.size());
}

// Finds the first valid frame in count received bytes and copies it to the start of out, which
// must hold at least count bytes. Returns the frame length, 0 when there is none.
quint16 extractFrame(quint8 *out, const quint8 *received, int count);

// Acts on a valid reply frame of the given length: status replies store "STOP" or "LOWPOWER"
// and give false, the clock reply fills deviceClock, anything else gives true.
bool handleReply(const quint8 *frame, int length);

// Sends the frame and reads one input report per try; the result of handleReply on the first
// valid reply, false when none came within the tries.
bool transact(const quint8 *frame, int length, quint8 tries, int timeoutMs);
inline bool transact(const QByteArray &frame, quint8 tries, int timeoutMs)
{
    return transact(reinterpret_cast<const quint8 *>(frame.constData()), frame.size(), tries,
                    timeoutMs);
}

// Makes the reads of the calling thread give up within one slice once DeviceSession::
// stopRequested is set (the worker thread of the long jobs).
void setLinkInterruptible(bool on);
// Gives the interruptible reads of the calling thread a time limit, counted from now (negative:
// none); a read then gives up once it has passed, as on a stop request.
void setLinkDeadline(int milliseconds);
bool linkDeadlinePassed();

// The two replies that span several input reports.
enum class LongReply { DeviceInfo, Picture };

struct LongReplyResult
{
    QByteArray frame; // the extracted frame, empty when none was found
    quint32 reports = 0; // reports that the reply announced (the information read's count)
};

// Sends the request once and gathers the reply by the rules of its kind.
LongReplyResult requestLongReply(const QByteArray &request, LongReply kind, int timeoutMs);

#endif // DEVICE_TRANSPORT_H
