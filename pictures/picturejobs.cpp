#include "pictures/picturejobs.h"

#include "device/commands.h"
#include "device/device.h"
#include "device/userfile.h"
#include "pictures/bmp.h"

#include <QDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <future>
#include <vector>

namespace {

// A picture read may take 10 s, a picture write 500 s.
constexpr int PictureReadLimitMs = 10000;
constexpr int PictureWriteLimitMs = 500000;

int limitOr(int forced, int usual)
{
    return forced > 0 ? forced : usual;
}

// Whether nothing more can be sent after an exchange ended this way.
bool endsTheJob(JobCause cause)
{
    return cause != JobCause::NoAnswer && cause != JobCause::DeviceStop
           && cause != JobCause::PictureFile;
}

// Converts a picture file into the LCD bytes of the format; the size of the picture, or -1
// when the file gives no picture the device takes.
int convertPictureFile(const QString &file, int format, std::vector<quint8> &buffer)
{
    const int capacity = PictureSet::conversionCapacity(format);
    buffer.assign(size_t(capacity), 0);
    if (!isRegularUserFile(file))
        return -1;
    const bool colour = format == 2;
    const int size = colour ? BMP::bmp24ToLcdData(buffer.data(), file, capacity)
                            : BMP::bmp8ToLcdColRowData(buffer.data(), file, true, capacity);
    const bool sendable = colour ? size > 0 : (size == 512 || size == 1024);
    return sendable ? size : -1;
}

} // namespace

bool pictureFileConverts(const QString &file, int format)
{
    if (PictureSet::slotCount(format) == 0)
        return false;
    std::vector<quint8> buffer;
    return convertPictureFile(file, format, buffer) > 0;
}

int pictureReadTimeLimitMs(const LinkTiming &timing)
{
    return limitOr(timing.timeLimitMs, PictureReadLimitMs);
}

QByteArray pictureFileFromReply(const QByteArray &frame, int format)
{
    if (format != 0 && format != 1)
        return QByteArray();
    const int width = format == 0 ? 128 : 64;
    const int height = format == 0 ? 32 : 128;
    const int pictureBytes = width * height / 8;
    // The picture data begin three bytes into the frame's data; a short reply is no picture.
    constexpr int dataStart = 9;
    const int available = frame.size() - 3 - dataStart;
    if (available < pictureBytes)
        return QByteArray();
    QByteArray pixels(format == 0 ? 768 : 1280, '\0');
    const int written = BMP::lcdColRowDataToBmp8(
            reinterpret_cast<quint8 *>(pixels.data()),
            reinterpret_cast<const quint8 *>(frame.constData()) + dataStart, width, height,
            format == 1, available, pixels.size());
    if (written < 0)
        return QByteArray();
    pixels.truncate(written);
    return BMP::monoBmpHeader(format) + pixels;
}

bool folderIsWritable(const QString &folder, QString *reason)
{
    if (folder.isEmpty()) {
        *reason = QStringLiteral("no folder");
        return false;
    }
    errno = 0;
    if (!QDir().mkpath(folder)) {
        *reason = errno ? qt_error_string(errno) : QStringLiteral("cannot create the folder");
        return false;
    }
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".korlex-XXXXXX")));
    errno = 0;
    if (!probe.open()) {
        *reason = errno ? qt_error_string(errno) : probe.errorString();
        return false;
    }
    return true;
}

// --- reading ----------------------------------------------------------------------------------

PictureReadJob::PictureReadJob(Device *device, const QString &folder, QObject *parent)
    : PictureReadingJob(JobKind::PictureRead, device, parent)
    , m_folder(folder)
{ }

PictureReadJob::~PictureReadJob()
{
    stopBeforeDestruction();
}

JobCause PictureReadJob::prepare()
{
    const DeviceIdentity &identity = device()->identity();
    m_format = identity.screenFormat();
    if (m_format != 0 && m_format != 1)
        return JobCause::NotSupported;
    m_address = identity.id;
    if (m_folder.isEmpty())
        m_folder = device()->pictures().folder();
    if (m_folder.isEmpty())
        m_folder = PictureSet::folderFor(identity.serial);
    if (!m_folder.endsWith(QLatin1Char('/')))
        m_folder += QLatin1Char('/');
    return JobCause::None;
}

void PictureReadJob::run()
{
    control().setDeadline(pictureReadTimeLimitMs(timing()));
    readPictures(m_folder, m_address, m_format);
}

bool PictureReadingJob::readPictures(const QString &folder, quint16 address, int format)
{
    setPhase(JobPhase::ReadingPictures);
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    const int count = PictureSet::slotCount(format);
    QString reason;
    if (!folderIsWritable(prefix, &reason)) {
        fail(JobCause::File, JobStep::File, 0, reason);
        return false;
    }

    // Saving goes on beside the transfer, so the next request never waits for the disk.
    struct Save
    {
        int number;
        QString path;
        std::future<QString> error;
    };
    std::vector<Save> saves;
    QVector<SlotResult> results;
    bool allRead = true;
    for (int number = 1; number <= count; ++number) {
        SlotResult slot;
        slot.slot = number;
        if (control().shouldStop()) {
            fail(causeOf(control().cancelled() ? LinkStatus::Cancelled : LinkStatus::TimedOut),
                 JobStep::Picture, number);
            allRead = false;
            break;
        }
        const LinkReply reply
                = link().requestLong(Wire::pictureReadRequest(address, number), LongReply::Picture,
                                     Exchange::PictureReadTimeoutMs, format, &control());
        if (!reply.answered()) {
            slot.cause = causeOf(reply.status);
            fail(slot.cause, JobStep::Picture, number);
            results.append(slot);
            reportProgress(number, count);
            allRead = false;
            if (endsTheJob(slot.cause))
                break;
            continue;
        }
        const QByteArray file = pictureFileFromReply(reply.frame, format);
        if (file.isEmpty()) {
            slot.cause = JobCause::NoAnswer;
            fail(slot.cause, JobStep::Picture, number);
            results.append(slot);
            allRead = false;
        } else {
            const QString path = prefix + QString::number(number) + QStringLiteral(".bmp");
            saves.push_back(Save{number, path, std::async(std::launch::async, [path, file]() {
                                     QString error;
                                     return writeUserFile(path, file, &error) ? QString() : error;
                                 })});
        }
        reportProgress(number, count);
    }
    setPhase(JobPhase::Files);
    for (Save &save : saves) {
        SlotResult slot;
        slot.slot = save.number;
        slot.file = save.path;
        slot.error = save.error.get();
        slot.done = slot.error.isEmpty();
        if (!slot.done) {
            slot.cause = JobCause::File;
            fail(JobCause::File, JobStep::Picture, save.number, slot.error);
            allRead = false;
        }
        results.append(slot);
    }
    std::sort(results.begin(), results.end(),
              [](const SlotResult &a, const SlotResult &b) { return a.slot < b.slot; });
    m_result.pictureSlots = results;
    return allRead;
}

void PictureReadJob::apply()
{
    // Whatever arrived has been saved: the set shows it, also after a partly failed read.
    for (const SlotResult &slot : qAsConst(m_result.pictureSlots)) {
        if (slot.done)
            device()->pictures().setFile(slot.slot - 1, slot.file);
    }
}

// --- writing ----------------------------------------------------------------------------------

PictureWriteJob::PictureWriteJob(Device *device, const QVector<PictureInput> &pictures,
                                 QObject *parent)
    : Job(JobKind::PictureWrite, device, parent)
    , m_inputs(pictures)
{ }

PictureWriteJob::PictureWriteJob(Device *device, QObject *parent)
    : Job(JobKind::PictureWrite, device, parent)
    , m_fromSet(true)
{ }

PictureWriteJob::~PictureWriteJob()
{
    stopBeforeDestruction();
}

JobCause PictureWriteJob::prepare()
{
    const DeviceIdentity &identity = device()->identity();
    m_format = identity.screenFormat();
    if (m_format < 0 || m_format > 2)
        return JobCause::NotSupported;
    m_address = identity.id;
    if (m_fromSet) {
        const PictureSet &set = device()->pictures();
        m_inputs.clear();
        for (int slot : set.slotsToWrite())
            m_inputs.append(PictureInput{slot, set.file(slot)});
    }
    const int count = PictureSet::slotCount(m_format);
    for (const PictureInput &input : qAsConst(m_inputs)) {
        if (input.slot < 0 || input.slot >= count)
            return JobCause::NotSupported;
    }
    if (m_inputs.isEmpty())
        return JobCause::NothingDone;
    return JobCause::None;
}

void PictureWriteJob::run()
{
    setPhase(JobPhase::WritingPictures);
    control().setDeadline(limitOr(timing().timeLimitMs, PictureWriteLimitMs));
    const bool colour = m_format == 2;
    std::vector<quint8> buffer;
    const int total = m_inputs.size();
    QVector<SlotResult> results;
    JobCause ended = JobCause::None;
    for (int index = 0; index < total; ++index) {
        const PictureInput &input = m_inputs.at(index);
        SlotResult slot;
        slot.slot = input.slot + 1;
        slot.file = input.file;
        if (ended == JobCause::None && control().shouldStop())
            ended = causeOf(control().cancelled() ? LinkStatus::Cancelled : LinkStatus::TimedOut);
        if (ended != JobCause::None) {
            // Nothing more is sent; the slot stays as it was on the device.
            slot.cause = ended;
            fail(ended, JobStep::Picture, slot.slot);
            results.append(slot);
            continue;
        }
        const int size = convertPictureFile(input.file, m_format, buffer);
        if (size < 0) {
            slot.cause = JobCause::PictureFile;
            fail(slot.cause, JobStep::Picture, slot.slot);
            results.append(slot);
            reportProgress(index + 1, total);
            continue;
        }
        // Every block of the picture must be taken for the picture to count as written.
        LinkStatus status = LinkStatus::Answered;
        const int blocks = colour ? (size + PictureBlockSize - 1) / PictureBlockSize
                                  : size / PictureBlockSize;
        for (int block = 0; block < blocks; ++block) {
            const quint8 *bytes = buffer.data() + block * PictureBlockSize;
            const QByteArray frame
                    = colour ? Wire::colourPictureFrame(
                              m_address, bytes,
                              qMin(PictureBlockSize, size - block * PictureBlockSize), input.slot,
                              block)
                             : Wire::monoPictureFrame(m_address, bytes, input.slot + 1, block == 0);
            const LinkReply reply = link().transact(frame, Exchange::PictureTries,
                                                    Exchange::PictureTimeoutMs, &control());
            if (!reply.answered() && status == LinkStatus::Answered)
                status = reply.status;
            if (!reply.answered() && endsTheJob(causeOf(reply.status)))
                break;
        }
        if (status == LinkStatus::Answered) {
            slot.done = true;
        } else {
            slot.cause = causeOf(status);
            fail(slot.cause, JobStep::Picture, slot.slot);
            if (endsTheJob(slot.cause))
                ended = slot.cause;
        }
        results.append(slot);
        reportProgress(index + 1, total);
    }
    m_result.pictureSlots = results;
}

void PictureWriteJob::apply()
{
    // Each slot sent loses its mark; those that failed keep it, so that the next write sends
    // them again.
    for (const SlotResult &slot : qAsConst(m_result.pictureSlots)) {
        if (slot.done)
            device()->pictures().unmark(slot.slot - 1);
    }
}
