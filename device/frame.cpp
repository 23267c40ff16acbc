#include "device/frame.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table{};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = quint16(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
        table[i] = crc;
    }
    return table;
}

const std::array<quint16, 256> crcTable = makeCrcTable();

quint16 readLength(const quint8 *bytes)
{
    return quint16((bytes[0] << 8) | bytes[1]);
}

constexpr quint8 StatusReplyCode = 0xFA;
constexpr quint8 ClockReplyCode = 0xBB;

} // namespace

quint16 crc16(const quint8 *data, int count)
{
    quint16 crc = 0;
    for (int i = 0; i < count; ++i)
        crc = quint16((crc << 8) ^ crcTable[((crc >> 8) ^ data[i]) & 0xFF]);
    return crc;
}

quint8 fromBcd(quint8 value)
{
    return quint8((value & 0x0F) + (value >> 4) * 10);
}

QByteArray buildFrame(quint16 address, quint8 code, const QByteArray &data)
{
    QByteArray frame;
    frame.reserve(data.size() + FrameOverhead);
    frame.append(char(FrameStart));
    frame.append(char(address >> 8));
    frame.append(char(address & 0xFF));
    frame.append(char(code));
    frame.append(char((data.size() >> 8) & 0xFF));
    frame.append(char(data.size() & 0xFF));
    frame.append(data);
    const quint16 crc
            = crc16(reinterpret_cast<const quint8 *>(frame.constData()) + 1, frame.size() - 1);
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
    frame.append(char(FrameEnd));
    return frame;
}

quint16 extractFrame(quint8 *out, const quint8 *received, int count)
{
    if (!out || !received)
        return 0;
    int position = 0;
    while (position < count) {
        const quint8 *start = static_cast<const quint8 *>(
                std::memchr(received + position, FrameStart, size_t(count - position)));
        if (!start)
            return 0;
        const int candidate = int(start - received);
        const int available = count - candidate;
        if (available < FrameOverhead)
            return 0;
        const int dataLength = readLength(start + 4);
        const int frameLength = dataLength + FrameOverhead;
        // A length that runs past what arrived ends the search.
        if (available < frameLength || frameLength > std::numeric_limits<quint16>::max())
            return 0;
        if (start[dataLength + 8] == FrameEnd) {
            const quint16 crc = crc16(start + 1, dataLength + 5);
            if (start[dataLength + 6] == (crc & 0xFF) && start[dataLength + 7] == (crc >> 8)) {
                std::memmove(out, start, size_t(frameLength));
                return quint16(frameLength);
            }
        }
        position = candidate + 1;
    }
    return 0;
}

QByteArray extractFrame(const QByteArray &received)
{
    QByteArray frame(received.size(), Qt::Uninitialized);
    const quint16 length
            = extractFrame(reinterpret_cast<quint8 *>(frame.data()),
                           reinterpret_cast<const quint8 *>(received.constData()), received.size());
    frame.truncate(length);
    return frame;
}

ReplyKind classifyReply(const QByteArray &frame)
{
    if (frame.size() < FrameOverhead || quint8(frame[3]) != StatusReplyCode)
        return ReplyKind::Answer;
    const int dataLength
            = std::min(int(readLength(reinterpret_cast<const quint8 *>(frame.constData() + 4))),
                       frame.size() - FrameOverhead);
    if (dataLength >= 1 && quint8(frame[6]) == 0x01)
        return ReplyKind::Stop;
    if (dataLength >= 1 && quint8(frame[6]) == 0x0A)
        return ReplyKind::LowPower;
    return ReplyKind::OtherStatus;
}

bool clockFromReply(const QByteArray &frame, std::array<quint8, 6> *clock)
{
    if (frame.size() < FrameOverhead || quint8(frame[3]) != ClockReplyCode)
        return false;
    const int dataLength
            = std::min(int(readLength(reinterpret_cast<const quint8 *>(frame.constData() + 4))),
                       frame.size() - FrameOverhead);
    // A clock reply too short to carry the six fields is no clock reply.
    if (dataLength < 6)
        return false;
    for (int i = 0; i < 6; ++i)
        (*clock)[i] = fromBcd(quint8(frame[6 + i]));
    return true;
}

int reportCount(int frameLength)
{
    constexpr int payload = HidReportSize - 1;
    return frameLength <= 0 ? 0 : (frameLength + payload - 1) / payload;
}

void fillReport(quint8 *report, const quint8 *frame, int length, int index)
{
    constexpr int payload = HidReportSize - 1;
    const int offset = index * payload;
    const int chunk = std::max(0, std::min(payload, length - offset));
    report[0] = HidReportId;
    if (chunk > 0)
        std::memcpy(report + 1, frame + offset, size_t(chunk));
    std::memset(report + 1 + chunk, 0, size_t(payload - chunk));
}

LongReplyGatherer::LongReplyGatherer(LongReply kind, int pictureFormat)
    : m_kind(kind)
    , m_capacity(kind == LongReply::DeviceInfo ? 512 : (pictureFormat == 1 ? 1280 : 768))
{
    m_gathered.reserve(m_capacity);
}

bool LongReplyGatherer::remainingIsZero() const
{
    return m_kind == LongReply::DeviceInfo ? m_remaining32 == 0 : m_remaining8 == 0;
}

bool LongReplyGatherer::take(const quint8 *bytes, int count)
{
    if (m_done)
        return false;
    const bool info = m_kind == LongReply::DeviceInfo;
    if (count <= 0 || !bytes) {
        if (m_misses > 5 || (++m_misses, remainingIsZero()))
            m_done = true;
        return !m_done;
    }
    quint8 report[HidReportSize] = {};
    std::memcpy(report, bytes, size_t(std::min(count, HidReportSize)));

    if (!m_started) {
        if (!(report[0] == HidReportId && report[1] == FrameStart)) {
            // Reports before the reply are skipped; from zero the count wraps, so skipping goes
            // on until the reads time out.
            if (info)
                --m_remaining32;
            else
                --m_remaining8;
            m_misses = 0;
            m_done = remainingIsZero();
            return !m_done;
        }
        const quint32 dataLength = readLength(report + 5);
        if (info) {
            m_remaining32 = (dataLength + 72) / 64;
            m_reports = m_remaining32;
        } else {
            m_remaining8 = dataLength <= 1024 ? 8 : 16;
            m_reports = quint32(m_remaining8) + 1;
        }
    } else if (!info) {
        --m_remaining8;
    }
    if (m_gathered.size() + (HidReportSize - 1) > m_capacity) {
        m_done = true; // a report that would not fit whole ends the gathering
        return false;
    }
    m_gathered.append(reinterpret_cast<const char *>(report + 1), HidReportSize - 1);
    m_started = true;
    m_misses = 0;
    if (info)
        --m_remaining32;
    m_done = remainingIsZero();
    return !m_done;
}

QByteArray LongReplyGatherer::frame() const
{
    return m_gathered.isEmpty() ? QByteArray() : extractFrame(m_gathered);
}
