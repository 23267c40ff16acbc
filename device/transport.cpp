#include "device/transport.h"

#include "device/hidbackend.h"
#include "device/session.h"

#include <QElapsedTimer>
#include <QMutexLocker>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <limits>

namespace {

// Reads one input report from the open device, called with the link lock held. The wait is cut
// into short slices so that a stop request ends it within one slice. Returns the bytes read, 0
// on a time-out, ReadFailed when the handle failed (the device has gone) and ReadStopped when a
// stop was requested.
constexpr int ReadFailed = -1;
constexpr int ReadStopped = -2;

// Only the thread that runs a job gives up its reads on a stop request; the short commands of
// the window always run to their end.
thread_local bool interruptible = false;
// The moment the calling job gives up (its time limit), on the steady clock; none by default.
thread_local std::chrono::steady_clock::time_point deadline
        = std::chrono::steady_clock::time_point::max();

bool pastDeadline()
{
    return std::chrono::steady_clock::now() >= deadline;
}

int readReport(quint8 *report, int timeoutMs)
{
    DeviceSession &session = deviceSession();
    if (!session.hidHandle)
        return ReadFailed;
    // The short commands of the window wait in one piece; a job's reads in slices.
    const int slice = interruptible ? qMax(1, int(session.timing.sliceMs)) : timeoutMs;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (interruptible && (session.stopRequested || pastDeadline()))
            return ReadStopped;
        const int left = timeoutMs - int(clock.elapsed());
        const int got
                = session.hidHandle->readTimeout(report, HidReportSize, qBound(0, left, slice));
        if (got > 0)
            return got;
        if (got < 0) {
            session.linkLost = true;
            return ReadFailed;
        }
        if (left <= slice)
            return 0;
    }
}

quint16 readLength(const quint8 *bytes)
{
    return quint16((bytes[0] << 8) | bytes[1]);
}

} // namespace

void setLinkInterruptible(bool on)
{
    interruptible = on;
}

void setLinkDeadline(int milliseconds)
{
    deadline = milliseconds < 0
                       ? std::chrono::steady_clock::time_point::max()
                       : std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

bool linkDeadlinePassed()
{
    return pastDeadline();
}

int openHidDevice()
{
    return openHidDeviceAt(deviceSession().selectedDevice());
}

int openHidDeviceAt(const QString &device)
{
    DeviceSession &session = deviceSession();
    QMutexLocker locker(&session.linkMutex);

    // A handle that is still open is given up before the new one is stored.
    session.hidHandle.reset();
    session.deviceOpen = false;
    session.linkLost = false;

    const std::shared_ptr<HidBackend> backend = hidBackend();
    HidDeviceInfo chosen;
    bool present = false;
    for (const HidDeviceInfo &info : backend->enumerate(KorlexVendorId, KorlexProductId)) {
        if (device.isEmpty() || info.path == device || info.location == device) {
            chosen = info;
            present = true;
            break;
        }
    }
    std::unique_ptr<HidDevice> opened = present ? backend->openPath(chosen.path) : nullptr;
    if (!opened) {
        session.setProductString(QString());
        session.openDenied = present;
        return -1;
    }
    session.openDenied = false;

    const QString product = opened->productString().left(255);
    if (product.startsWith(QLatin1String("KORLEX-BOOT"))) {
        opened->setNonBlocking(false);
        session.appFirmware = false;
    } else if (product.startsWith(QLatin1String("KORLEX"))) {
        opened->setNonBlocking(false);
        session.appFirmware = true;
    } else {
        const bool foreign = product.contains(QLatin1String("PN-Lab HID"));
        opened.reset();
        session.setProductString(QString());
        return foreign ? 0 : -1;
    }
    session.setProductString(product);
    session.setDeviceLocation(chosen.location.isEmpty() ? chosen.path : chosen.location);
    session.hidHandle = std::move(opened);
    session.deviceOpen = true;
    return 1;
}

int closeHidDevice()
{
    DeviceSession &session = deviceSession();
    QMutexLocker locker(&session.linkMutex);
    session.hidHandle.reset();
    session.deviceOpen = false;
    return 1;
}

bool sendFrame(const quint8 *frame, int length)
{
    DeviceSession &session = deviceSession();
    QMutexLocker locker(&session.linkMutex);
    if (!session.hidHandle || !frame || length <= 0)
        return false;

    quint8 report[HidReportSize];
    constexpr int payload = HidReportSize - 1;
    for (int offset = 0; offset < length; offset += payload) {
        const int chunk = std::min(payload, length - offset);
        report[0] = HidReportId;
        std::memcpy(report + 1, frame + offset, size_t(chunk));
        std::memset(report + 1 + chunk, 0, size_t(payload - chunk));
        // A report the device did not take is not waited for; a handle that failed belongs to
        // a device that has gone, and nothing more is sent to it.
        if (session.hidHandle->write(report, HidReportSize) < 0) {
            session.linkLost = true;
            return false;
        }
    }
    return true;
}

bool handleReply(const quint8 *frame, int length)
{
    if (!frame || length < FrameOverhead)
        return false;
    const int dataLength = std::min(int(readLength(frame + 4)), length - FrameOverhead);
    DeviceSession &session = deviceSession();
    switch (frame[3]) {
    case 0xFA:
        if (dataLength >= 1) {
            if (frame[6] == 0x01)
                session.setDeviceStatus(QStringLiteral("STOP"));
            else if (frame[6] == 0x0A)
                session.setDeviceStatus(QStringLiteral("LOWPOWER"));
        }
        return false;
    case 0xBB: {
        // A clock reply too short to carry the six fields is no clock reply.
        if (dataLength < 6)
            return false;
        std::array<quint8, 6> clock{};
        for (int i = 0; i < 6; ++i)
            clock[i] = fromBcd(frame[6 + i]);
        session.setDeviceClock(clock);
        return true;
    }
    default:
        return true;
    }
}

bool transact(const quint8 *frame, int length, quint8 tries, int timeoutMs)
{
    DeviceSession &session = deviceSession();
    quint8 reply[ReplyBufferSize];
    quint8 extracted[ReplyBufferSize];
    quint8 triesDone = 0;
    for (;;) {
        // One request and its reply hold the link; another thread may use it between tries.
        QMutexLocker locker(&session.linkMutex);
        std::memset(reply, 0, sizeof reply);
        ++triesDone;
        if (!sendFrame(frame, length))
            return false;
        const int got = readReport(reply, timeoutMs);
        if (got > 0) {
            const quint16 frameLength = extractFrame(extracted, reply, got);
            if (frameLength > 0)
                return handleReply(extracted, frameLength);
        } else if (got < 0) {
            return false; // stopped, or the device has gone: trying again cannot help
        }
        if (triesDone >= tries)
            return false;
    }
}

LongReplyResult requestLongReply(const QByteArray &request, LongReply kind, int timeoutMs)
{
    DeviceSession &session = deviceSession();
    QMutexLocker locker(&session.linkMutex);
    LongReplyResult result;
    if (!sendFrame(request))
        return result;

    const bool info = kind == LongReply::DeviceInfo;
    const int capacity = info ? 512 : (session.screenFormat == 1 ? 1280 : 768);
    QByteArray gathered;
    gathered.reserve(capacity);

    // The information read counts with 32 bits, the picture read with 8 bits, so that skipping
    // reports before the reply starts wraps the same way the device firmware expects.
    quint32 remaining32 = 0;
    quint8 remaining8 = 0;
    quint8 misses = 0;
    bool started = false;
    quint8 report[HidReportSize];

    auto remainingIsZero = [&] {
        return info ? remaining32 == 0 : remaining8 == 0;
    };
    for (;;) {
        std::memset(report, 0, sizeof report);
        const int got = readReport(report, timeoutMs);
        if (got < 0)
            break; // stopped, or the device has gone
        if (got == 0) {
            if (misses > 5)
                break;
            ++misses;
            if (remainingIsZero())
                break;
            continue;
        }
        if (!started) {
            if (!(report[0] == HidReportId && report[1] == FrameStart)) {
                if (info)
                    --remaining32;
                else
                    --remaining8;
                misses = 0;
                if (remainingIsZero())
                    break;
                continue;
            }
            const quint32 dataLength = readLength(report + 5);
            if (info) {
                remaining32 = (dataLength + 72) / 64;
                result.reports = remaining32;
            } else {
                remaining8 = dataLength <= 1024 ? 8 : 16;
                result.reports = quint32(remaining8) + 1;
            }
        } else if (!info) {
            --remaining8;
        }
        if (gathered.size() + (HidReportSize - 1) > capacity)
            break; // a report that would not fit whole ends the gathering
        gathered.append(reinterpret_cast<const char *>(report + 1), HidReportSize - 1);
        started = true;
        misses = 0;
        if (info)
            --remaining32;
        if (remainingIsZero())
            break;
    }

    if (gathered.isEmpty())
        return result;
    QByteArray frame(gathered.size(), Qt::Uninitialized);
    const quint16 frameLength
            = extractFrame(reinterpret_cast<quint8 *>(frame.data()),
                           reinterpret_cast<const quint8 *>(gathered.constData()), gathered.size());
    frame.truncate(frameLength);
    // A status reply instead of the long one says why it did not come.
    if (frameLength > 0 && quint8(frame[3]) == 0xFA) {
        handleReply(reinterpret_cast<const quint8 *>(frame.constData()), frameLength);
        return result;
    }
    result.frame = frame;
    return result;
}
