#ifndef DEVICE_TRANSPORT_H
#define DEVICE_TRANSPORT_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "device/frame.h"

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

struct LongReplyResult
{
    QByteArray frame; // the extracted frame, empty when none was found
    quint32 reports = 0; // reports that the reply announced (the information read's count)
};

// Sends the request once and gathers the reply by the rules of its kind.
LongReplyResult requestLongReply(const QByteArray &request, LongReply kind, int timeoutMs);

#endif // DEVICE_TRANSPORT_H
