#ifndef DEVICE_DEVICELINK_H
#define DEVICE_DEVICELINK_H

#include "device/deviceidentity.h"
#include "device/frame.h"
#include "device/hidbackend.h"

#include <QByteArray>
#include <QMutex>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

// The waits of the link and the jobs. The defaults are the device's own; tests and the command
// line's test hook shorten them.
struct LinkTiming
{
    int bootWaitRoundMs = 1000; // one round of the wait for the boot loader
    int bootWaitRounds = 8;
    // The longest a read waits before it looks at a cancel request or a time limit again.
    int sliceMs = 20;
    // How long an upgrade waits for the device to come back after the last block.
    int restartWaitMs = 10000;
    // Replaces every job's time limit when above 0.
    int timeLimitMs = 0;
};

// What the reads and waits of one job listen to: a cancel request, which may come from any
// thread, and the job's time limit. The link gives up an exchange within one slice of either.
class JobControl
{
public:
    explicit JobControl(int sliceMs = 20)
        : m_sliceMs(qMax(1, sliceMs))
    { }

    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    // A time limit counted from now; negative: none.
    void setDeadline(int milliseconds);
    bool pastDeadline() const;
    bool shouldStop() const { return cancelled() || pastDeadline(); }
    int sliceMs() const { return m_sliceMs; }
    // Set before the job starts.
    void setSliceMs(int sliceMs) { m_sliceMs = qMax(1, sliceMs); }
    // Sleeps up to milliseconds, in slices; false when a cancel request or the time limit cut
    // it short.
    bool sleep(int milliseconds) const;

private:
    using Clock = std::chrono::steady_clock;
    std::atomic<bool> m_cancelled{false};
    std::atomic<Clock::rep> m_deadline{Clock::time_point::max().time_since_epoch().count()};
    int m_sliceMs;
};

// How an exchange on the link ended.
enum class LinkStatus {
    Answered, // a valid reply that is not a status reply
    Stop, // the device answered STOP
    LowPower, // the device answered LOWPOWER
    OtherStatus, // another status reply
    NoReply, // nothing valid came within the tries
    Cancelled, // the job was asked to stop
    TimedOut, // the job's time limit passed
    Gone, // the device has left the bus
    NotOpen // no device is open
};

struct LinkReply
{
    LinkStatus status = LinkStatus::NoReply;
    QByteArray frame; // the reply frame (Answered, and the status replies)
    quint32 reports = 0; // long replies: the reports the reply announced
    bool answered() const { return status == LinkStatus::Answered; }
};

// Where the device that was enumerated as `was` is plugged in now: at the same USB port where
// the system names one, else at the same path, else the one device with the same USB serial
// number. False when it is not on the bus (or several entries could be it).
bool findPlugged(HidBackend &backend, const HidDeviceInfo &was, HidDeviceInfo *now);

// One device's USB link: its handle and the lock that keeps one request and its reply together.
// A device object owns one; only the thread that runs the device's job uses it while a job
// runs.
//
// A report write or read that fails does not end the link on its own: the device is looked for
// again at its place (its USB port, else its path), and when it is still there the handle is
// opened anew and the exchange goes on with its next try. Only a device that has left the bus
// ends the exchange (LinkStatus::Gone).
class DeviceLink
{
public:
    explicit DeviceLink(std::shared_ptr<HidBackend> backend);
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    std::shared_ptr<HidBackend> backend() const { return m_backend; }

    enum class OpenResult {
        Opened, // a normal-firmware or boot-loader device is open
        Foreign, // the foreign device answered at that place (and was let go)
        NotFound, // nothing of the family's ids is there
        Denied, // the device is there but could not be opened (permissions)
        Other, // a device of the ids with an unknown product string (let go)
        Cancelled // the job was asked to stop: nothing was opened
    };
    // Opens the device of an enumerated entry. A device already open is let go first.
    OpenResult open(const HidDeviceInfo &entry, const JobControl *control = nullptr);
    void close();
    bool isOpen() const;
    // The entry of the open device (its path, place, product and serial), as it was opened.
    HidDeviceInfo openEntry() const;
    ProductKind openKind() const;

    // Sends the frame and reads one report per try until a valid frame comes; a status reply
    // ends the exchange with its status.
    LinkReply transact(const QByteArray &frame, int tries, int timeoutMs,
                       const JobControl *control = nullptr);
    // Sends the request once and gathers a reply of several reports by the rules of its kind.
    LinkReply requestLong(const QByteArray &request, LongReply kind, int timeoutMs,
                          int pictureFormat = 0, const JobControl *control = nullptr);

    // Whether an entry stands at the place of the open (or last opened) device.
    static bool samePlace(const HidDeviceInfo &a, const HidDeviceInfo &b);

    // Sees every frame written (sent true) and every reply frame read, on the thread of the
    // exchange and under the link's lock, so it must not use the link. None by default.
    using FrameObserver = std::function<void(bool sent, const QByteArray &frame)>;
    void setFrameObserver(FrameObserver observer);

private:
    enum ReadResult : int { ReadFailed = -1, ReadCancelled = -2, ReadTimedOut = -3 };
    int readReport(quint8 *report, int timeoutMs, const JobControl *control);
    bool writeFrame(const QByteArray &frame);
    // After a failed read or write: false when the device has left the bus (the handle is let
    // go); else the handle has been opened anew where possible.
    bool recover(const JobControl *control);
    OpenResult openLocked(const HidDeviceInfo &entry);
    static LinkStatus statusOf(ReplyKind kind);
    static LinkStatus stopStatus(int readResult);

    mutable QMutex m_mutex;
    std::shared_ptr<HidBackend> m_backend;
    std::unique_ptr<HidDevice> m_handle; // under m_mutex
    HidDeviceInfo m_entry; // under m_mutex
    ProductKind m_kind = ProductKind::Other; // under m_mutex
    FrameObserver m_observer; // under m_mutex
};

#endif // DEVICE_DEVICELINK_H
