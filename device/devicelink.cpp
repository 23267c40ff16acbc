#include "device/devicelink.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QThread>

#include <cstring>

void JobControl::setDeadline(int milliseconds)
{
    const Clock::time_point at = milliseconds < 0
                                         ? Clock::time_point::max()
                                         : Clock::now() + std::chrono::milliseconds(milliseconds);
    m_deadline = at.time_since_epoch().count();
}

bool JobControl::pastDeadline() const
{
    return Clock::now().time_since_epoch().count() >= m_deadline.load();
}

bool JobControl::sleep(int milliseconds) const
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (shouldStop())
            return false;
        const qint64 left = milliseconds - clock.elapsed();
        if (left <= 0)
            return true;
        QThread::msleep(quint32(qMin<qint64>(left, m_sliceMs)));
    }
}

bool findPlugged(HidBackend &backend, const HidDeviceInfo &was, HidDeviceInfo *now)
{
    const QVector<HidDeviceInfo> entries = backend.enumerate(KorlexVendorId, KorlexProductId);
    for (const HidDeviceInfo &info : entries) {
        if (!was.location.isEmpty() ? info.location == was.location : info.path == was.path) {
            *now = info;
            return true;
        }
    }
    if (!was.location.isEmpty() || was.serial.isEmpty())
        return false;
    int matches = 0;
    for (const HidDeviceInfo &info : entries) {
        if (info.serial == was.serial && isFamily(productKindOf(info.product))) {
            *now = info;
            ++matches;
        }
    }
    return matches == 1;
}

DeviceLink::DeviceLink(std::shared_ptr<HidBackend> backend)
    : m_backend(std::move(backend))
{ }

DeviceLink::~DeviceLink()
{
    close();
}

bool DeviceLink::samePlace(const HidDeviceInfo &a, const HidDeviceInfo &b)
{
    if (!a.location.isEmpty() || !b.location.isEmpty())
        return a.location == b.location;
    return !a.path.isEmpty() && a.path == b.path;
}

DeviceLink::OpenResult DeviceLink::open(const HidDeviceInfo &entry, const JobControl *control)
{
    QMutexLocker locker(&m_mutex);
    // Checked under the lock: once a job is asked to stop, nothing is opened for it any more.
    if (control && control->cancelled()) {
        m_handle.reset();
        return OpenResult::Cancelled;
    }
    return openLocked(entry);
}

DeviceLink::OpenResult DeviceLink::openLocked(const HidDeviceInfo &entry)
{
    m_handle.reset();
    m_entry = entry;
    std::unique_ptr<HidDevice> opened = m_backend->openPath(entry.path);
    if (!opened) {
        bool present = false;
        for (const HidDeviceInfo &info : m_backend->enumerate(KorlexVendorId, KorlexProductId))
            present = present || info.path == entry.path;
        return present ? OpenResult::Denied : OpenResult::NotFound;
    }
    const QString product = opened->productString().left(255);
    const ProductKind kind = productKindOf(product);
    if (!isFamily(kind))
        return kind == ProductKind::Foreign ? OpenResult::Foreign : OpenResult::Other;
    opened->setNonBlocking(false);
    m_entry.product = product;
    m_kind = kind;
    m_handle = std::move(opened);
    return OpenResult::Opened;
}

void DeviceLink::close()
{
    QMutexLocker locker(&m_mutex);
    m_handle.reset();
    // Closed on purpose: nothing opens it again until it is opened anew.
    m_entry = HidDeviceInfo();
}

bool DeviceLink::isOpen() const
{
    QMutexLocker locker(&m_mutex);
    return m_handle != nullptr;
}

HidDeviceInfo DeviceLink::openEntry() const
{
    QMutexLocker locker(&m_mutex);
    return m_entry;
}

ProductKind DeviceLink::openKind() const
{
    QMutexLocker locker(&m_mutex);
    return m_kind;
}

void DeviceLink::setFrameObserver(FrameObserver observer)
{
    QMutexLocker locker(&m_mutex);
    m_observer = std::move(observer);
}

bool DeviceLink::writeFrame(const QByteArray &frame)
{
    if (!m_handle || frame.isEmpty())
        return false;
    if (m_observer)
        m_observer(true, frame);
    const auto *bytes = reinterpret_cast<const quint8 *>(frame.constData());
    quint8 report[HidReportSize];
    // The reports go back to back; nothing is waited for between them.
    for (int index = 0; index < reportCount(frame.size()); ++index) {
        fillReport(report, bytes, frame.size(), index);
        if (m_handle->write(report, HidReportSize) < 0)
            return false;
    }
    return true;
}

int DeviceLink::readReport(quint8 *report, int timeoutMs, const JobControl *control)
{
    if (!m_handle)
        return ReadFailed;
    // A job's reads wait in slices, so that a cancel request or its time limit ends them within
    // one; a read without a job waits in one piece.
    const int slice = control ? control->sliceMs() : qMax(1, timeoutMs);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (control && control->cancelled())
            return ReadCancelled;
        if (control && control->pastDeadline())
            return ReadTimedOut;
        const int left = timeoutMs - int(clock.elapsed());
        const int got = m_handle->readTimeout(report, HidReportSize, qBound(0, left, slice));
        if (got > 0)
            return got;
        if (got < 0)
            return ReadFailed;
        if (left <= slice)
            return 0;
    }
}

bool DeviceLink::recover(const JobControl *control)
{
    const HidDeviceInfo was = m_entry;
    m_handle.reset();
    if (control && control->cancelled())
        return true; // the exchange ends as cancelled; nothing is opened any more
    for (const HidDeviceInfo &info : m_backend->enumerate(KorlexVendorId, KorlexProductId)) {
        if (!samePlace(info, was) || !isFamily(productKindOf(info.product)))
            continue;
        // Still on the bus: a report that did not go through is no reason to give the device
        // up. The handle is opened anew (it may have restarted in between).
        openLocked(info);
        return true;
    }
    return false;
}

LinkStatus DeviceLink::statusOf(ReplyKind kind)
{
    switch (kind) {
    case ReplyKind::Answer:
        return LinkStatus::Answered;
    case ReplyKind::Stop:
        return LinkStatus::Stop;
    case ReplyKind::LowPower:
        return LinkStatus::LowPower;
    case ReplyKind::OtherStatus:
        return LinkStatus::OtherStatus;
    }
    return LinkStatus::NoReply;
}

LinkStatus DeviceLink::stopStatus(int readResult)
{
    return readResult == ReadTimedOut ? LinkStatus::TimedOut : LinkStatus::Cancelled;
}

LinkReply DeviceLink::transact(const QByteArray &frame, int tries, int timeoutMs,
                               const JobControl *control)
{
    LinkReply reply;
    if (frame.isEmpty())
        return reply; // nothing to send, nothing comes back
    quint8 report[HidReportSize];
    quint8 extracted[ReplyBufferSize];
    for (int attempt = 0; attempt < qMax(1, tries); ++attempt) {
        // One request and its reply hold the link.
        QMutexLocker locker(&m_mutex);
        if (control && control->cancelled()) {
            reply.status = LinkStatus::Cancelled;
            return reply;
        }
        if (control && control->pastDeadline()) {
            reply.status = LinkStatus::TimedOut;
            return reply;
        }
        if (!m_handle) {
            if (m_entry.path.isEmpty()) {
                reply.status = LinkStatus::NotOpen;
                return reply;
            }
            if (!recover(control)) {
                reply.status = LinkStatus::Gone;
                return reply;
            }
            if (!m_handle)
                continue;
        }
        if (!writeFrame(frame)) {
            if (!recover(control)) {
                reply.status = LinkStatus::Gone;
                return reply;
            }
            continue; // this try is spent
        }
        std::memset(report, 0, sizeof report);
        const int got = readReport(report, timeoutMs, control);
        if (got == ReadCancelled || got == ReadTimedOut) {
            reply.status = stopStatus(got);
            return reply;
        }
        if (got == ReadFailed) {
            if (!recover(control)) {
                reply.status = LinkStatus::Gone;
                return reply;
            }
            continue;
        }
        if (got > 0) {
            const quint16 length = extractFrame(extracted, report, got);
            if (length > 0) {
                reply.frame = QByteArray(reinterpret_cast<const char *>(extracted), length);
                if (m_observer)
                    m_observer(false, reply.frame);
                reply.status = statusOf(classifyReply(reply.frame));
                return reply;
            }
        }
    }
    reply.status = LinkStatus::NoReply;
    return reply;
}

LinkReply DeviceLink::requestLong(const QByteArray &request, LongReply kind, int timeoutMs,
                                  int pictureFormat, const JobControl *control)
{
    LinkReply reply;
    QMutexLocker locker(&m_mutex);
    if (control && control->cancelled()) {
        reply.status = LinkStatus::Cancelled;
        return reply;
    }
    if (!m_handle) {
        reply.status = m_entry.path.isEmpty() || !recover(control) ? LinkStatus::NotOpen
                                                                   : LinkStatus::NoReply;
        if (!m_handle)
            return reply;
    }
    if (!writeFrame(request)) {
        reply.status = recover(control) ? LinkStatus::NoReply : LinkStatus::Gone;
        return reply;
    }
    LongReplyGatherer gatherer(kind, pictureFormat);
    quint8 report[HidReportSize];
    for (;;) {
        std::memset(report, 0, sizeof report);
        const int got = readReport(report, timeoutMs, control);
        if (got == ReadCancelled || got == ReadTimedOut) {
            reply.status = stopStatus(got);
            return reply;
        }
        if (got == ReadFailed) {
            reply.status = recover(control) ? LinkStatus::NoReply : LinkStatus::Gone;
            return reply;
        }
        if (!gatherer.take(report, got))
            break;
    }
    reply.frame = gatherer.frame();
    reply.reports = gatherer.reports();
    if (m_observer && !reply.frame.isEmpty())
        m_observer(false, reply.frame);
    if (reply.frame.isEmpty()) {
        reply.status = LinkStatus::NoReply;
        return reply;
    }
    // A status reply instead of the long one says why it did not come.
    reply.status = statusOf(classifyReply(reply.frame));
    return reply;
}
