#ifndef TESTS_SUPPORT_RECORDINGHID_H
#define TESTS_SUPPORT_RECORDINGHID_H

#include "device/hidbackend.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

#include <memory>

// A scripted HID device for tests that need the exact reports: it records every output report
// and hands out queued input reports (an empty entry stands for a time-out).
struct RecordingHidState
{
    QMutex mutex;
    QString product = QStringLiteral("KORLEX");
    bool present = true;
    bool openFails = false;
    int opens = 0;
    int closes = 0;
    QList<QByteArray> written;
    QList<QByteArray> replies;
    QList<int> readTimeouts;
};

class RecordingHidDevice : public HidDevice
{
public:
    explicit RecordingHidDevice(std::shared_ptr<RecordingHidState> state)
        : m_state(state)
    { }
    ~RecordingHidDevice() override
    {
        QMutexLocker locker(&m_state->mutex);
        ++m_state->closes;
    }
    QString productString() override
    {
        QMutexLocker locker(&m_state->mutex);
        return m_state->product;
    }
    int setNonBlocking(bool) override { return 0; }
    int write(const quint8 *data, std::size_t length) override
    {
        QMutexLocker locker(&m_state->mutex);
        m_state->written.append(QByteArray(reinterpret_cast<const char *>(data), int(length)));
        return int(length);
    }
    int readTimeout(quint8 *data, std::size_t length, int milliseconds) override
    {
        QMutexLocker locker(&m_state->mutex);
        m_state->readTimeouts.append(milliseconds);
        if (m_state->replies.isEmpty())
            return 0;
        const QByteArray reply = m_state->replies.takeFirst();
        const int count = qMin(int(length), reply.size());
        memcpy(data, reply.constData(), size_t(count));
        return count;
    }

private:
    std::shared_ptr<RecordingHidState> m_state;
};

class RecordingHidBackend : public HidBackend
{
public:
    std::shared_ptr<RecordingHidState> state = std::make_shared<RecordingHidState>();

    std::unique_ptr<HidDevice> open(quint16, quint16) override
    {
        QMutexLocker locker(&state->mutex);
        if (!state->present || state->openFails)
            return nullptr;
        ++state->opens;
        return std::make_unique<RecordingHidDevice>(state);
    }
    bool isPresent(quint16, quint16) override
    {
        QMutexLocker locker(&state->mutex);
        return state->present;
    }
    // One device, enumerated without being opened.
    QVector<HidDeviceInfo> enumerate(quint16, quint16) override
    {
        QMutexLocker locker(&state->mutex);
        if (!state->present)
            return {};
        HidDeviceInfo info;
        info.path = QStringLiteral("recorded");
        info.product = state->product;
        return {info};
    }
    std::unique_ptr<HidDevice> openPath(const QString &path) override
    {
        return path == QLatin1String("recorded") ? open(0, 0) : nullptr;
    }
};

// Cuts a frame into input reports the way a device sends them (report id, 63 frame bytes).
inline QList<QByteArray> asInputReports(const QByteArray &stream)
{
    QList<QByteArray> reports;
    for (int offset = 0; offset < stream.size(); offset += 63) {
        QByteArray report(64, '\0');
        report[0] = 0x02;
        const QByteArray chunk = stream.mid(offset, 63);
        report.replace(1, chunk.size(), chunk);
        reports.append(report);
    }
    return reports;
}

#endif // TESTS_SUPPORT_RECORDINGHID_H
