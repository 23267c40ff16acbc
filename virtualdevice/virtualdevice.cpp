#include "virtualdevice/virtualdevice.h"

#include "device/commands.h"
#include "device/frame.h"
#include "parameters/units.h"

#include <QStringList>

#include <algorithm>
#include <cstring>
#include <functional>
#include <thread>

namespace {

// Copies handed to another thread share no data with what the device goes on changing (Qt's
// shared containers decide whether to copy on a write without ordering it against a reader).
QByteArray ownCopy(const QByteArray &bytes)
{
    return QByteArray(bytes.constData(), bytes.size());
}

constexpr quint16 BroadcastId = 0xAAAA;
// Entries of the reply queue that stand for a restart rather than a report.
constexpr quint8 RestartToBootLoader = 0xF1;
constexpr quint8 RestartToApplication = 0xF2;

quint16 u16(const QByteArray &data, int offset)
{
    return quint16((quint8(data[offset]) << 8) | quint8(data[offset + 1]));
}

quint32 u32(const QByteArray &data, int offset)
{
    return (quint32(u16(data, offset)) << 16) | u16(data, offset + 2);
}

void putU16(QByteArray &data, quint16 value)
{
    data.append(char(value >> 8));
    data.append(char(value & 0xFF));
}

quint8 toBcd(int value)
{
    return quint8(((value / 10) % 10) << 4 | (value % 10));
}

int fromBcdByte(quint8 value)
{
    return (value >> 4) * 10 + (value & 0x0F);
}

// A recognisable factory picture for a slot: a border and slot-number bars, in the page layout.
QByteArray factoryMonoPicture(int width, int height, int slot)
{
    QByteArray bytes(width * height / 8, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool border = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            const bool bar = x >= 4 && (x - 4) / 6 <= slot && (x - 4) % 6 < 4 && y >= 4
                             && y < std::min(height - 4, 28);
            if (border || bar)
                bytes[(y / 8) * width + x]
                        = char(quint8(bytes[(y / 8) * width + x]) | (1 << (y % 8)));
        }
    }
    return bytes;
}

QByteArray factoryColourPicture(int slot)
{
    QByteArray bytes;
    bytes.reserve(80 * 160 * 2);
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 80; ++x) {
            const int r = (x * 31 / 79 + slot * 3) & 0x1F;
            const int g = (y * 63 / 159) & 0x3F;
            const int b = (slot * 3) & 0x1F;
            putU16(bytes, quint16(r << 11 | g << 5 | b));
        }
    }
    return bytes;
}

} // namespace

VirtualDevice::VirtualDevice()
    : VirtualDevice(Settings())
{ }

VirtualDevice::VirtualDevice(const Settings &settings)
    : m_settings(settings)
{
    m_clockSetTo = QDateTime(QDate(2021, 3, 5), QTime(9, 7, 30));
    m_clockSetAt = Clock::now();
    m_mode = settings.startInBootLoader ? Mode::BootLoader : Mode::Application;
    factorySettingsLocked(true);
}

void VirtualDevice::factorySettingsLocked(bool pictures)
{
    m_parameters = Parameters();
    for (auto &curve : m_tempCurves)
        curve.fill(380);
    for (auto &curve : m_powerCurves)
        curve.fill(50);
    if (!pictures)
        return;
    const int format = screenFormatOf(m_settings.id);
    const int count = format == 2 ? 10 : (format < 2 ? 12 : 0);
    m_pictures.clear();
    for (int i = 0; i < count; ++i) {
        if (format == 0)
            m_pictures.append(factoryMonoPicture(128, 32, i));
        else if (format == 1)
            m_pictures.append(factoryMonoPicture(64, 128, i));
        else
            m_pictures.append(factoryColourPicture(i));
    }
    m_monoNextOffset.fill(0, count);
}

VirtualDevice::Settings VirtualDevice::settings() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_settings;
}

VirtualDevice::Mode VirtualDevice::mode() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mode;
}

QString VirtualDevice::productString() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_mode == Mode::Application)
        return QStringLiteral("KORLEX") + m_settings.productSuffix;
    if (m_mode == Mode::BootLoader)
        return QStringLiteral("KORLEX-BOOT");
    return QString();
}

VirtualDevice::Parameters VirtualDevice::parameters() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_parameters;
}

void VirtualDevice::setParameters(const Parameters &parameters)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_parameters = parameters;
}

std::array<std::array<quint16, 10>, 5> VirtualDevice::tempCurves() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_tempCurves;
}

std::array<std::array<quint16, 10>, 5> VirtualDevice::powerCurves() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_powerCurves;
}

void VirtualDevice::setTempCurve(int group, const std::array<quint16, 10> &points)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (group >= 0 && group < 5)
        m_tempCurves[group] = points;
}

void VirtualDevice::setPowerCurve(int group, const std::array<quint16, 10> &points)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (group >= 0 && group < 5)
        m_powerCurves[group] = points;
}

quint8 VirtualDevice::tempUnit() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_tempUnit;
}

QDateTime VirtualDevice::clock() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return clockLocked();
}

QDateTime VirtualDevice::clockLocked() const
{
    if (!m_settings.clockRuns)
        return m_clockSetTo;
    const auto elapsed
            = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - m_clockSetAt);
    return m_clockSetTo.addSecs(elapsed.count());
}

void VirtualDevice::setClock(const QDateTime &time)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_clockSetTo = time;
    m_clockSetAt = Clock::now();
}

int VirtualDevice::factoryResets() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_factoryResets;
}

QByteArray VirtualDevice::picture(int index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return ownCopy(m_pictures.value(index));
}

void VirtualDevice::setPicture(int index, const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index >= 0 && index < m_pictures.size())
        m_pictures[index] = bytes.leftJustified(m_pictures[index].size(), '\0', true);
}

int VirtualDevice::pictureSlots() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pictures.size();
}

int VirtualDevice::pictureBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pictures.isEmpty() ? 0 : m_pictures.first().size();
}

QByteArray VirtualDevice::receivedImage() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return ownCopy(m_image);
}

int VirtualDevice::blocksReceived() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_blocksReceived;
}

bool VirtualDevice::lastUpgradeVerified() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastVerified;
}

int VirtualDevice::upgradesCompleted() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_upgradesCompleted;
}

QVector<QByteArray> VirtualDevice::receivedFrames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QVector<QByteArray> frames;
    frames.reserve(m_frames.size());
    for (const QByteArray &frame : m_frames)
        frames.append(ownCopy(frame));
    return frames;
}

int VirtualDevice::reportsReceived() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reports;
}

std::chrono::steady_clock::time_point VirtualDevice::firstFrameAt(quint8 command) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < m_frames.size(); ++i) {
        if (quint8(m_frames[i][3]) == command)
            return m_frameTimes[i];
    }
    return {};
}

std::chrono::steady_clock::time_point VirtualDevice::bootLoaderSince() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bootLoaderSince;
}

void VirtualDevice::clearLog()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frames.clear();
    m_frameTimes.clear();
    m_reports = 0;
}

void VirtualDevice::dropReplies(int count, quint8 command)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dropReplies = count;
    m_dropCommand = command;
}

void VirtualDevice::corruptReplies(int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_corruptReplies = count;
}

void VirtualDevice::junkBeforeReplies(int count, int bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_junkReplies = count;
    m_junkBytes = std::clamp(bytes, 0, 40);
}

void VirtualDevice::junkReportsBeforeReplies(int count, int reports)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_junkReportReplies = count;
    m_junkReports = reports;
}

void VirtualDevice::setReplyDelay(int milliseconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replyDelayMs = milliseconds;
}

void VirtualDevice::setReportDelay(int milliseconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings.reportDelayMs = milliseconds;
}

void VirtualDevice::setRestartDelay(int milliseconds)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings.restartDelayMs = milliseconds;
}

void VirtualDevice::unplugAfterFrames(int frames)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_unplugAfter = frames;
}

void VirtualDevice::unplug()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    enumerateLocked(Mode::Unplugged);
}

void VirtualDevice::plugIn()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    enumerateLocked(Mode::Application);
}

void VirtualDevice::answerWithStatus(quint8 command, Status status, int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_statusCommand = command;
    m_status = status;
    m_statusCount = count;
}

void VirtualDevice::setBootLoaderNeverAppears(bool never)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bootNeverAppears = never;
}

void VirtualDevice::setSingleReportInfo(bool single)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_singleReportInfo = single;
}

void VirtualDevice::setDeclaredInfoLength(int length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_declaredInfoLength = length;
}

void VirtualDevice::setRestoreDefaultsAnswered(bool answered)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_restoreAnswered = answered;
}

void VirtualDevice::setOpenDenied(bool denied)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openDenied = denied;
}

void VirtualDevice::failWrites(int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failWrites = count;
}

void VirtualDevice::failImageCheck(bool fail)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failImageCheck = fail;
}

void VirtualDevice::restartIntoBootLoaderAfterImage(bool back)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_backToBootLoader = back;
}

QString VirtualDevice::usbSerialString() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (m_settings.usbSerial) {
    case Settings::UsbSerial::Always:
        break;
    case Settings::UsbSerial::Never:
        return QString();
    case Settings::UsbSerial::FirmwareOnly:
        if (m_mode != Mode::Application)
            return QString();
        break;
    }
    return QString::number(m_settings.serial, 16);
}

void VirtualDevice::omitReplies(quint8 command, bool omit)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_omitted.removeAll(command);
    if (omit)
        m_omitted.append(command);
}

bool VirtualDevice::isEnumerated()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    updateModeLocked();
    return m_mode == Mode::Application || m_mode == Mode::BootLoader;
}

bool VirtualDevice::openDenied() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_openDenied;
}

void VirtualDevice::handleOpened()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    processRestartMarkersLocked();
    // Only the reports go; a restart queued behind them still happens when it is due.
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [](const PendingReport &report) {
                                       return report.bytes[0] == HidReportId;
                                   }),
                    m_pending.end());
}

quint64 VirtualDevice::generation() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_generation;
}

void VirtualDevice::enumerateLocked(Mode mode)
{
    // Every change of the USB connection invalidates the handles opened before it.
    ++m_generation;
    m_mode = mode;
    m_rx.clear();
    m_pending.clear();
    m_replyReady.notify_all();
}

void VirtualDevice::restartLocked(Mode target, Clock::time_point startedAt)
{
    enumerateLocked(Mode::Restarting);
    m_restartTarget = target;
    m_restartAt = startedAt + std::chrono::milliseconds(m_settings.restartDelayMs);
}

void VirtualDevice::processRestartMarkersLocked()
{
    // A restart queued behind an acknowledgement happens once that has had its time on the wire.
    while (!m_pending.empty() && m_pending.front().bytes[0] != HidReportId
           && m_pending.front().readyAt <= Clock::now()) {
        const Mode target = m_pending.front().bytes[0] == RestartToBootLoader ? Mode::BootLoader
                                                                              : Mode::Application;
        // The restart began when the acknowledgement had gone out, not when someone looks.
        restartLocked(target, m_pending.front().readyAt);
    }
}

void VirtualDevice::updateModeLocked()
{
    processRestartMarkersLocked();
    if (m_mode != Mode::Restarting || Clock::now() < m_restartAt)
        return;
    if (m_restartTarget == Mode::BootLoader && m_bootNeverAppears)
        return;
    m_mode = m_restartTarget;
    // It appeared when its restart ended, whenever someone looks.
    if (m_mode == Mode::BootLoader)
        m_bootLoaderSince = m_restartAt;
}

int VirtualDevice::write(quint64 generation, const quint8 *data, std::size_t length)
{
    // With a per-report delay, reports in both directions share one timeline, as on a USB
    // interrupt endpoint: this report's slot follows the previous one, so sleeping late does not
    // add up over a long transfer.
    Clock::time_point slot;
    bool wait = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_settings.reportDelayMs > 0) {
            slot = nextWireSlotLocked();
            m_lastReadyAt = slot;
            wait = true;
        }
    }
    if (wait)
        std::this_thread::sleep_until(slot);

    std::lock_guard<std::mutex> lock(m_mutex);
    processRestartMarkersLocked();
    if (generation != m_generation || !data || length < 2)
        return -1;
    if (m_failWrites > 0) {
        --m_failWrites;
        return -1;
    }
    ++m_reports;
    m_rx.append(reinterpret_cast<const char *>(data + 1),
                int(std::min<std::size_t>(length, 64) - 1));

    // Reassemble frames; the zeros that pad a frame's last report are dropped with it.
    for (;;) {
        const int start = m_rx.indexOf(char(FrameStart));
        if (start < 0) {
            m_rx.clear();
            break;
        }
        m_rx.remove(0, start);
        if (m_rx.size() < 6)
            break;
        const int frameLength = u16(m_rx, 4) + FrameOverhead;
        if (frameLength > 4096) {
            m_rx.remove(0, 1);
            continue;
        }
        if (m_rx.size() < frameLength)
            break;
        const QByteArray frame = m_rx.left(frameLength);
        const quint16 crc
                = crc16(reinterpret_cast<const quint8 *>(frame.constData()) + 1, frameLength - 4);
        const bool valid = quint8(frame[frameLength - 1]) == FrameEnd
                           && quint8(frame[frameLength - 3]) == (crc & 0xFF)
                           && quint8(frame[frameLength - 2]) == (crc >> 8);
        if (!valid) {
            m_rx.remove(0, 1);
            continue;
        }
        m_rx.clear();
        m_frames.append(frame);
        m_frameTimes.append(Clock::now());
        processFrameLocked(frame);
        if (m_unplugAfter > 0 && --m_unplugAfter == 0) {
            m_unplugAfter = -1;
            // The reply to this frame is lost with the cable.
            enumerateLocked(Mode::Unplugged);
        }
        break;
    }
    return int(length);
}

int VirtualDevice::read(quint64 generation, quint8 *data, std::size_t length, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        processRestartMarkersLocked();
        if (generation != m_generation)
            return -1;
        const auto now = Clock::now();
        if (!m_pending.empty() && m_pending.front().bytes[0] == HidReportId
            && m_pending.front().readyAt <= now) {
            const std::size_t count = std::min<std::size_t>(length, 64);
            std::memcpy(data, m_pending.front().bytes.data(), count);
            m_pending.pop_front();
            return int(count);
        }
        if (now >= deadline)
            return 0;
        auto wakeAt = deadline;
        if (!m_pending.empty())
            wakeAt = std::min(wakeAt, m_pending.front().readyAt);
        m_replyReady.wait_until(lock, wakeAt);
    }
}

VirtualDevice::Clock::time_point VirtualDevice::nextWireSlotLocked() const
{
    // The link moves one report per slot of reportDelayMs, on a fixed grid as USB frames do:
    // a report handed over late still goes in the slot that was next when it arrived.
    const auto period = std::chrono::milliseconds(m_settings.reportDelayMs);
    const auto now = Clock::now();
    if (now <= m_lastReadyAt + period)
        return m_lastReadyAt + period;
    const auto late = now - m_lastReadyAt;
    const auto periods = (late + period - std::chrono::nanoseconds(1)) / period;
    return m_lastReadyAt + periods * period;
}

void VirtualDevice::replyLocked(quint8 code, const QByteArray &data)
{
    if (m_omitted.contains(m_replyingTo))
        return;
    if (m_dropReplies > 0 && (m_dropCommand == 0 || m_dropCommand == m_replyingTo)) {
        --m_dropReplies;
        return;
    }
    QByteArray frame = buildFrame(m_settings.id, code, data);
    if (m_corruptReplies > 0) {
        --m_corruptReplies;
        frame[frame.size() - 3] = char(quint8(frame[frame.size() - 3]) ^ 0x5A);
    }
    QByteArray stream;
    if (m_junkReplies > 0) {
        --m_junkReplies;
        for (int i = 0; i < m_junkBytes; ++i)
            stream.append(char(0x11 + i));
    }
    stream.append(frame);

    const auto now = Clock::now();
    const auto reportTime = std::chrono::milliseconds(m_settings.reportDelayMs);
    auto readyAt = std::max(now, m_lastReadyAt) + std::chrono::milliseconds(m_replyDelayMs);
    if (m_settings.reportDelayMs > 0 && m_replyDelayMs == 0)
        readyAt = nextWireSlotLocked() - reportTime;
    auto queue = [&](const std::array<quint8, 64> &report) {
        readyAt += reportTime;
        m_pending.push_back(PendingReport{report, readyAt});
    };
    if (m_junkReportReplies > 0) {
        --m_junkReportReplies;
        for (int i = 0; i < m_junkReports; ++i) {
            std::array<quint8, 64> report{};
            report[0] = HidReportId;
            report[1] = quint8(0x30 + i);
            queue(report);
        }
    }
    for (int offset = 0; offset < stream.size(); offset += 63) {
        std::array<quint8, 64> report{};
        report[0] = HidReportId;
        const int chunk = std::min(63, int(stream.size()) - offset);
        std::memcpy(report.data() + 1, stream.constData() + offset, size_t(chunk));
        queue(report);
    }
    m_lastReadyAt = readyAt;
    m_replyReady.notify_all();
}

void VirtualDevice::statusReplyLocked(Status status)
{
    replyLocked(0xFA, QByteArray(1, char(quint8(status))));
}

QByteArray VirtualDevice::infoDataLocked() const
{
    QByteArray data;
    putU16(data, m_settings.softwareVersion);
    putU16(data, quint16(m_settings.serial >> 16));
    putU16(data, quint16(m_settings.serial & 0xFFFF));
    if (m_singleReportInfo || m_mode == Mode::BootLoader)
        return data;
    quint16 mask = 0;
    for (int i = 0; i < 5; ++i) {
        if (!m_parameters.coilEnabled[i])
            mask |= quint16(1u << (i + 1));
    }
    putU16(data, mask);
    for (quint16 value : m_parameters.coilValues)
        putU16(data, value);
    putU16(data, m_parameters.lcdBright);
    if (m_settings.puffInSeconds) {
        const int seconds = (m_parameters.smokeTime + 50) / 100;
        putU16(data, quint16(std::clamp(seconds, 3, 10)));
    } else {
        putU16(data, m_parameters.smokeTime);
    }
    for (const auto &curve : m_tempCurves) {
        for (quint16 value : curve)
            putU16(data, value);
    }
    for (const auto &curve : m_powerCurves) {
        for (quint16 value : curve)
            putU16(data, value);
    }
    for (quint8 part : m_settings.firmwareVersion)
        data.append(char(part));
    return data;
}

void VirtualDevice::processFrameLocked(const QByteArray &frame)
{
    const quint16 address = u16(frame, 1);
    const quint8 code = quint8(frame[3]);
    const QByteArray data = frame.mid(6, u16(frame, 4));
    m_replyingTo = code;

    const bool addressed = address == m_settings.id || address == BroadcastId;
    if (!addressed)
        return;
    if (m_statusCount > 0 && code == m_statusCommand) {
        --m_statusCount;
        statusReplyLocked(m_status);
        return;
    }
    if (code == 0x36) {
        if (m_mode == Mode::BootLoader && !m_settings.bootLoaderAnswersInfo)
            return;
        QByteArray info = infoDataLocked();
        if (m_declaredInfoLength >= 0) {
            // A reply that announces a length other than what it carries.
            QByteArray frameBytes = buildFrame(m_settings.id, 0xB6, info);
            frameBytes[4] = char(m_declaredInfoLength >> 8);
            frameBytes[5] = char(m_declaredInfoLength & 0xFF);
            const quint16 crc = crc16(reinterpret_cast<const quint8 *>(frameBytes.constData()) + 1,
                                      frameBytes.size() - 4);
            frameBytes[frameBytes.size() - 3] = char(crc & 0xFF);
            frameBytes[frameBytes.size() - 2] = char(crc >> 8);
            const auto now = Clock::now();
            auto readyAt = std::max(now, m_lastReadyAt);
            for (int offset = 0; offset < frameBytes.size(); offset += 63) {
                std::array<quint8, 64> report{};
                report[0] = HidReportId;
                const int chunk = std::min(63, int(frameBytes.size()) - offset);
                std::memcpy(report.data() + 1, frameBytes.constData() + offset, size_t(chunk));
                readyAt += std::chrono::milliseconds(m_settings.reportDelayMs);
                m_pending.push_back(PendingReport{report, readyAt});
            }
            m_lastReadyAt = readyAt;
            m_replyReady.notify_all();
            return;
        }
        replyLocked(0xB6, info);
        return;
    }
    const bool handled = m_mode == Mode::BootLoader ? bootCommandLocked(code, data)
                                                    : applicationCommandLocked(code, data);
    Q_UNUSED(handled);
}

bool VirtualDevice::applicationCommandLocked(quint8 code, const QByteArray &data)
{
    const QByteArray ack(1, '\0');
    switch (code) {
    case 0x33:
        if (data.size() != 21)
            return false;
        for (int i = 0; i < 5; ++i) {
            m_parameters.coilEnabled[i] = data[3 * i] != 0;
            m_parameters.coilValues[i] = u16(data, 3 * i + 1);
        }
        m_parameters.lcdBright = u16(data, 16);
        m_parameters.smokeTime = u16(data, 19);
        replyLocked(0xB3, ack);
        return true;
    case 0x32: {
        if (data.size() != 23 || quint8(data[2]) > 4)
            return false;
        std::array<quint16, 10> points{};
        for (int i = 0; i < 10; ++i)
            points[i] = u16(data, 3 + 2 * i);
        if (data[0] == 0x01) {
            // The unit byte tells how to read this write; the device keeps Fahrenheit.
            m_tempUnit = quint8(data[1]);
            if (m_tempUnit == 0) {
                for (quint16 &point : points)
                    point = celsiusToFahrenheit(point);
            }
            m_tempCurves[quint8(data[2])] = points;
        } else {
            m_powerCurves[quint8(data[2])] = points;
        }
        replyLocked(0xB2, ack);
        return true;
    }
    case 0x3A: {
        if (data.size() != 8)
            return false;
        const QDate date(2000 + fromBcdByte(quint8(data[0])), fromBcdByte(quint8(data[1])),
                         fromBcdByte(quint8(data[2])));
        const QTime time(fromBcdByte(quint8(data[3])), fromBcdByte(quint8(data[4])),
                         fromBcdByte(quint8(data[5])));
        if (date.isValid() && time.isValid()) {
            m_clockSetTo = QDateTime(date, time);
            m_clockSetAt = Clock::now();
        }
        replyLocked(0xBA, ack);
        return true;
    }
    case 0x3B: {
        const QDateTime now = clockLocked();
        QByteArray clock;
        clock.append(char(toBcd(now.date().year() % 100)));
        clock.append(char(toBcd(now.date().month())));
        clock.append(char(toBcd(now.date().day())));
        clock.append(char(toBcd(now.time().hour())));
        clock.append(char(toBcd(now.time().minute())));
        clock.append(char(toBcd(now.time().second())));
        replyLocked(0xBB, clock);
        return true;
    }
    case 0x3C:
        ++m_factoryResets;
        factorySettingsLocked(false);
        if (m_restoreAnswered)
            replyLocked(0xBC, ack);
        return true;
    case 0x34: {
        const int format = screenFormatOf(m_settings.id);
        if (format < 2) {
            if (data.size() != 513)
                return false;
            const int number = quint8(data[0]) & 0x7F;
            const bool continued = quint8(data[0]) & 0x80;
            if (number < 1 || number > m_pictures.size())
                return false;
            int &offset = m_monoNextOffset[number - 1];
            if (!continued)
                offset = 0;
            QByteArray &picture = m_pictures[number - 1];
            if (offset + 512 <= picture.size())
                picture.replace(offset, 512, data.mid(1));
            offset += 512;
        } else if (format == 2) {
            if (data.size() < 5)
                return false;
            const quint32 address = u32(data, 0);
            const int slot = int(address / 25600);
            const int offset = int(address % 25600);
            const QByteArray bytes = data.mid(4);
            if (slot >= m_pictures.size() || offset + bytes.size() > 25600)
                return false;
            m_pictures[slot].replace(offset, bytes.size(), bytes);
        } else {
            return false;
        }
        replyLocked(0xB4, ack);
        return true;
    }
    case 0x39: {
        if (data.size() != 1 || screenFormatOf(m_settings.id) > 1)
            return false;
        const int number = quint8(data[0]);
        if (number < 1 || number > m_pictures.size())
            return false;
        const QByteArray &picture = m_pictures[number - 1];
        QByteArray reply;
        reply.append(char(number));
        putU16(reply, quint16(picture.size()));
        reply.append(picture);
        replyLocked(0xB9, reply);
        return true;
    }
    case 0x37: {
        // The hello text: five letters, four letters, four digits, each group lower case.
        bool wellFormed
                = data.size() == 16 && data[5] == '-' && data[10] == '-' && data[15] == '\0';
        for (int i = 0; wellFormed && i < 15; ++i) {
            const char c = data[i];
            if (i < 10 && i != 5)
                wellFormed = c >= 'a' && c <= 'z';
            else if (i > 10)
                wellFormed = c >= '0' && c <= '9';
        }
        if (!wellFormed)
            return false;
        replyLocked(0xB7, ack);
        // The firmware restarts into its boot loader once the acknowledgement has gone out.
        const auto leaveAt = m_lastReadyAt + std::chrono::milliseconds(2);
        m_pending.push_back(PendingReport{{}, leaveAt});
        m_pending.back().bytes[0] = RestartToBootLoader; // never handed out
        return true;
    }
    default:
        return false;
    }
}

bool VirtualDevice::bootCommandLocked(quint8 code, const QByteArray &data)
{
    const QByteArray ack(1, '\0');
    switch (code) {
    case 0x37:
        replyLocked(0xB7, ack);
        return true;
    case 0x08:
    case 0x09:
        m_image.clear();
        m_blocksReceived = 0;
        m_erased = true;
        m_lastReadyAt = std::max(Clock::now(), m_lastReadyAt)
                        + std::chrono::milliseconds(m_settings.eraseDelayMs);
        replyLocked(0x80 | code, ack);
        return true;
    case 0x04: {
        if (data.size() < 5 || !m_erased)
            return false;
        const int offset = int(u32(data, 0));
        if (offset > 64 * 1024 * 1024)
            return false;
        QByteArray bytes = data.mid(4);
        for (char &byte : bytes)
            byte = char(quint8(byte) - 0x5D);
        if (m_image.size() < offset + bytes.size())
            m_image.resize(offset + bytes.size());
        m_image.replace(offset, bytes.size(), bytes);
        ++m_blocksReceived;
        replyLocked(0x84, ack);
        return true;
    }
    case 0x20: {
        if (data.size() != 8)
            return false;
        const quint32 size = u32(data, 0);
        const quint32 check = u32(data, 4);
        quint32 sum = 0;
        for (char byte : qAsConst(m_image))
            sum += quint8(byte);
        m_lastVerified
                = m_erased && quint32(m_image.size()) == size && sum == check && !m_failImageCheck;
        if (!m_lastVerified) {
            statusReplyLocked(Status::Stop);
            return true;
        }
        ++m_upgradesCompleted;
        m_erased = false;
        replyLocked(0xA0, ack);
        const auto leaveAt = m_lastReadyAt + std::chrono::milliseconds(2);
        m_pending.push_back(PendingReport{{}, leaveAt});
        if (m_backToBootLoader) {
            m_pending.back().bytes[0] = RestartToBootLoader; // never handed out
            return true;
        }
        // The new firmware names itself with the next version.
        ++m_settings.firmwareVersion[4];
        if (m_settings.factoryAfterUpgrade)
            factorySettingsLocked(true);
        m_pending.back().bytes[0] = RestartToApplication; // never handed out
        return true;
    }
    default:
        return false;
    }
}

// --- bus --------------------------------------------------------------------------------------

namespace {

class VirtualHandle : public HidDevice
{
public:
    VirtualHandle(std::shared_ptr<VirtualDevice> device, quint64 generation, QString product)
        : m_device(std::move(device))
        , m_generation(generation)
        , m_product(std::move(product))
    { }
    QString productString() override { return m_product; }
    int setNonBlocking(bool) override { return 0; }
    int write(const quint8 *data, std::size_t length) override
    {
        return m_device->write(m_generation, data, length);
    }
    int readTimeout(quint8 *data, std::size_t length, int milliseconds) override
    {
        return m_device->read(m_generation, data, length, milliseconds);
    }

private:
    std::shared_ptr<VirtualDevice> m_device;
    quint64 m_generation;
    QString m_product;
};

// The foreign device: it opens, names itself, and never answers.
class ForeignHandle : public HidDevice
{
public:
    QString productString() override { return QStringLiteral("Lab tools PN-Lab HID"); }
    int setNonBlocking(bool) override { return 0; }
    int write(const quint8 *, std::size_t length) override { return int(length); }
    int readTimeout(quint8 *, std::size_t, int) override { return 0; }
};

} // namespace

VirtualBus::VirtualBus(std::shared_ptr<VirtualDevice> device, bool foreign)
    : m_foreign(foreign)
{
    if (device)
        m_devices.append(std::move(device));
}

std::shared_ptr<VirtualDevice> VirtualBus::device() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devices.value(0);
}

QVector<std::shared_ptr<VirtualDevice>> VirtualBus::devices() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_devices;
}

void VirtualBus::addDevice(std::shared_ptr<VirtualDevice> device)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (device)
        m_devices.append(std::move(device));
}

void VirtualBus::setForeignDevicePresent(bool present)
{
    m_foreign = present;
}

namespace {

const QString foreignPath = QStringLiteral("virtual:foreign");

QString portPath(int index)
{
    return QStringLiteral("virtual:%1").arg(index + 1);
}

// Without a port the path names the device's enumeration of the moment.
QString pathOf(int index, const VirtualDevice &device)
{
    if (!device.settings().noPort)
        return portPath(index);
    return QStringLiteral("virtual-hid:%1.%2").arg(index + 1).arg(device.generation());
}

} // namespace

QVector<HidDeviceInfo> VirtualBus::enumerate(quint16 vendorId, quint16 productId)
{
    QVector<HidDeviceInfo> found;
    if (vendorId != KorlexVendorId || productId != KorlexProductId)
        return found;
    if (m_foreign) {
        HidDeviceInfo info;
        info.path = info.location = foreignPath;
        info.product = ForeignHandle().productString();
        found.append(info);
    }
    const QVector<std::shared_ptr<VirtualDevice>> all = devices();
    for (int i = 0; i < all.size(); ++i) {
        if (!all[i]->isEnumerated())
            continue;
        HidDeviceInfo info;
        info.path = pathOf(i, *all[i]);
        info.location = all[i]->settings().noPort ? QString() : portPath(i);
        info.product = all[i]->productString();
        info.serial = all[i]->usbSerialString();
        found.append(info);
    }
    return found;
}

std::unique_ptr<HidDevice> VirtualBus::openPath(const QString &path)
{
    if (path == foreignPath)
        return m_foreign ? std::make_unique<ForeignHandle>() : nullptr;
    const QVector<std::shared_ptr<VirtualDevice>> all = devices();
    for (int i = 0; i < all.size(); ++i) {
        const std::shared_ptr<VirtualDevice> &device = all[i];
        if (pathOf(i, *device) != path)
            continue;
        if (!device->isEnumerated() || device->openDenied())
            return nullptr;
        ++m_opens;
        device->handleOpened();
        return std::make_unique<VirtualHandle>(device, device->generation(),
                                               device->productString());
    }
    return nullptr;
}

std::unique_ptr<HidDevice> VirtualBus::open(quint16 vendorId, quint16 productId)
{
    const QVector<HidDeviceInfo> found = enumerate(vendorId, productId);
    return found.isEmpty() ? nullptr : openPath(found.first().path);
}

bool VirtualBus::isPresent(quint16 vendorId, quint16 productId)
{
    return !enumerate(vendorId, productId).isEmpty();
}

namespace {

// A whole number from 0 to maximum, written in decimal; false for anything else.
bool decimalValue(const QString &text, int maximum, int *value)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    *value = text.toInt();
    return *value <= maximum;
}

// A hexadecimal number (with or without 0x) up to maximum; false for anything else.
bool hexValue(const QString &text, quint32 maximum, quint32 *value)
{
    QString digits = text;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        digits = digits.mid(2);
    if (digits.isEmpty() || digits.size() > 8)
        return false;
    bool ok = false;
    *value = digits.toUInt(&ok, 16);
    return ok && *value <= maximum;
}

// The options of one device setting, applied to its settings and, for the faults, to the
// device once it exists. Empty when every option is known and has a value of its kind, else
// why not.
struct DeviceOptions
{
    VirtualDevice::Settings settings;
    bool foreign = false;
    QVector<std::function<void(VirtualDevice &)>> faults;
};

QString parseDevice(const QString &text, DeviceOptions *device)
{
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return QStringLiteral("an empty device setting");
    const QString first = parts.first().trimmed();
    quint32 id = 0;
    if (first.compare(QLatin1String("foreign"), Qt::CaseInsensitive) == 0)
        device->foreign = true;
    else if (first != QLatin1String("1") && !hexValue(first, 0xFFFF, &id))
        return QStringLiteral("'%1' is not a device: give 1, a hexadecimal device identifier "
                              "such as 2001, or foreign")
                .arg(first);
    else if (first != QLatin1String("1"))
        device->settings.id = quint16(id);

    VirtualDevice::Settings &settings = device->settings;
    for (int i = 1; i < parts.size(); ++i) {
        const QString part = parts.at(i).trimmed();
        const int equals = part.indexOf(QLatin1Char('='));
        const QString key = equals < 0 ? part : part.left(equals);
        const QString value = equals < 0 ? QString() : part.mid(equals + 1);
        const bool hasValue = equals >= 0;
        const auto bad = [&](const QString &expected) {
            return QStringLiteral("'%1': %2").arg(part, expected);
        };
        int number = 0;
        quint32 hex = 0;
        // The options without a value.
        const struct
        {
            const char *name;
            std::function<void()> apply;
        } flags[] = {
                {"boot",
                 [&]() {
                     settings.startInBootLoader = true;
                 }},
                {"puffseconds",
                 [&]() {
                     settings.puffInSeconds = true;
                 }},
                {"silentboot",
                 [&]() {
                     settings.bootLoaderAnswersInfo = false;
                 }},
                {"noport",
                 [&]() {
                     settings.noPort = true;
                 }},
                {"factory",
                 [&]() {
                     settings.factoryAfterUpgrade = true;
                 }},
                {"noserial",
                 [&]() {
                     settings.usbSerial = VirtualDevice::Settings::UsbSerial::Never;
                 }},
                {"bootnoserial",
                 [&]() {
                     settings.usbSerial = VirtualDevice::Settings::UsbSerial::FirmwareOnly;
                 }},
                {"nobootloader",
                 [&]() {
                     device->faults << [](VirtualDevice &d) {
                         d.setBootLoaderNeverAppears(true);
                     };
                 }},
                {"backtoboot",
                 [&]() {
                     device->faults << [](VirtualDevice &d) {
                         d.restartIntoBootLoaderAfterImage(true);
                     };
                 }},
        };
        bool flag = false;
        for (const auto &entry : flags) {
            if (key == QLatin1String(entry.name)) {
                if (hasValue)
                    return bad(QStringLiteral("%1 takes no value").arg(key));
                entry.apply();
                flag = true;
            }
        }
        if (flag)
            continue;
        if (key == QLatin1String("delay") || key == QLatin1String("restart")
            || key == QLatin1String("erase")) {
            if (!decimalValue(value, 3600000, &number))
                return bad(QStringLiteral("give a number of milliseconds"));
            if (key == QLatin1String("delay"))
                settings.reportDelayMs = number;
            else if (key == QLatin1String("restart"))
                settings.restartDelayMs = number;
            else
                settings.eraseDelayMs = number;
        } else if (key == QLatin1String("serial")) {
            if (!hexValue(value, 0xFFFFFFFFu, &hex))
                return bad(QStringLiteral("give the serial number in hexadecimal"));
            settings.serial = hex;
        } else if (key == QLatin1String("failwrites") || key == QLatin1String("unplugafter")) {
            if (!decimalValue(value, 1000000, &number) || number < 1)
                return bad(QStringLiteral("give a number from 1"));
            if (key == QLatin1String("failwrites"))
                device->faults << [number](VirtualDevice &d) {
                    d.failWrites(number);
                };
            else
                device->faults << [number](VirtualDevice &d) {
                    d.unplugAfterFrames(number);
                };
        } else if (key == QLatin1String("omit")) {
            if (!hexValue(value, 0xFF, &hex))
                return bad(QStringLiteral("give a command code in hexadecimal"));
            device->faults << [hex](VirtualDevice &d) {
                d.omitReplies(quint8(hex));
            };
        } else if (key == QLatin1String("status")) {
            // <command>:<stop|lowpower>[:<count>]
            const QStringList fields = value.split(QLatin1Char(':'));
            const QString kind = fields.value(1).toLower();
            int count = 1;
            if (fields.size() < 2 || fields.size() > 3 || !hexValue(fields.at(0), 0xFF, &hex)
                || (kind != QLatin1String("stop") && kind != QLatin1String("lowpower"))
                || (fields.size() == 3
                    && (!decimalValue(fields.at(2), 1000000, &count) || count < 1)))
                return bad(QStringLiteral("give status=<command>:<stop|lowpower>[:<count>]"));
            const VirtualDevice::Status status = kind == QLatin1String("lowpower")
                                                         ? VirtualDevice::Status::LowPower
                                                         : VirtualDevice::Status::Stop;
            device->faults << [hex, status, count](VirtualDevice &d) {
                d.answerWithStatus(quint8(hex), status, count);
            };
        } else {
            return QStringLiteral("unknown option '%1'").arg(part);
        }
    }
    return QString();
}

} // namespace

std::shared_ptr<VirtualBus> VirtualBus::fromEnvironment(const QString &setting, QString *error)
{
    auto bus = std::make_shared<VirtualBus>();
    const QStringList devices = setting.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (int index = 0; index < devices.size(); ++index) {
        DeviceOptions options;
        options.settings.serial += quint32(index); // each device its own picture folder
        const QString problem = parseDevice(devices.at(index), &options);
        if (!problem.isEmpty()) {
            if (error) {
                *error = devices.size() > 1 ? QStringLiteral("device %1 (%2): %3")
                                                      .arg(index + 1)
                                                      .arg(devices.at(index), problem)
                                            : problem;
            }
            return nullptr;
        }
        // The foreign device enumerates in front of a device of the family.
        if (options.foreign)
            bus->setForeignDevicePresent(true);
        auto device = std::make_shared<VirtualDevice>(options.settings);
        for (const auto &fault : qAsConst(options.faults))
            fault(*device);
        bus->addDevice(device);
    }
    return bus;
}
