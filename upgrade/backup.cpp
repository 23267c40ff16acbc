#include "upgrade/backup.h"

#include "catalogue/devicemodels.h"
#include "device/commands.h"
#include "device/device.h"
#include "device/userfile.h"
#include "pictures/bmp.h"
#include "pictures/resourcefile.h"
#include "pictures/resourcejobs.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

const char *const DescriptionFormat = "korlex-tool device backup";
constexpr int DescriptionVersion = 1;

// Why a backup cannot be compared with or written to a device: a device that did not name
// itself, or runs its boot loader, holds nothing to compare; another model is refused.
JobCause refusal(const DeviceBackup &backup, const DeviceIdentity &identity)
{
    if (!identity.answered || identity.isBootLoader())
        return JobCause::NotSupported;
    if (!backup.fits(identity))
        return JobCause::WrongDevice;
    return JobCause::None;
}
const char *const FolderTimeFormat = "yyyyMMdd-HHmmss";

QJsonObject descriptionOf(const DeviceBackup &backup)
{
    QJsonArray coils;
    for (int row = 0; row < ParameterRecord::CoilCount; ++row) {
        coils.append(
                QJsonObject{{QStringLiteral("coil"), row + 1},
                            {QStringLiteral("on"), backup.parameters.coilOn[row]},
                            {QStringLiteral("value"), int(backup.parameters.coilValues[row])}});
    }
    return QJsonObject{
            {QStringLiteral("format"), QLatin1String(DescriptionFormat)},
            {QStringLiteral("version"), DescriptionVersion},
            {QStringLiteral("created"), backup.created.toString(Qt::ISODate)},
            {QStringLiteral("device"),
             QJsonObject{{QStringLiteral("id"), deviceIdText(backup.id)},
                         {QStringLiteral("serial"), backup.serial},
                         {QStringLiteral("productName"), backup.productName},
                         {QStringLiteral("modelCode"), backup.modelCode},
                         {QStringLiteral("groupCode"), backup.groupCode},
                         {QStringLiteral("chipId"), backup.chipId},
                         {QStringLiteral("firmwareVersion"), backup.firmwareVersion},
                         {QStringLiteral("softwareVersion"), backup.softwareVersion},
                         {QStringLiteral("screenFormat"), backup.screenFormat}}},
            {QStringLiteral("parameters"),
             QJsonObject{{QStringLiteral("brightness"), int(backup.parameters.brightness)},
                         {QStringLiteral("puff"), int(backup.parameters.puff)},
                         {QStringLiteral("puffSeconds"), backup.parameters.puffSeconds()},
                         {QStringLiteral("coils"), coils}}},
            {QStringLiteral("sections"),
             QJsonArray::fromStringList(ResourceFile::sectionNames(backup.sections))},
            {QStringLiteral("resourceFile"), QLatin1String(DeviceBackup::ResourceFileName)}};
}

// What a backup's user resource file holds: its curves and its pictures as BMP files.
struct BackupContents
{
    CurveSet curves;
    QVector<QByteArray> pictures; // per slot, empty where the file has none
};

bool readContents(const DeviceBackup &backup, BackupContents *contents, QString *error)
{
    QFile file(backup.resourceFile());
    if (!isRegularUserFile(file.fileName()) || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    QStringList lines;
    QTextStream in(&file);
    while (!in.atEnd())
        lines << in.readLine();
    const int count = PictureSet::slotCount(backup.screenFormat);
    const ResourceFile::ReadResult read
            = ResourceFile::readLines(lines, backup.id, count, ResourceFile::AllSections);
    if (read.identity != ResourceFile::Identity::Matches) {
        *error = QStringLiteral("the resource file does not name the device");
        return false;
    }
    contents->curves = CurveSet::defaults(deviceModelOf(backup.id, deviceModels()));
    contents->pictures = QVector<QByteArray>(count);
    for (const ResourceFile::Entry &entry : read.entries) {
        switch (entry.kind) {
        case ResourceFile::Entry::Picture:
            contents->pictures[entry.index] = entry.picture;
            break;
        case ResourceFile::Entry::TempCurve:
            contents->curves.setTemperaturesFromFile(entry.index, entry.values);
            break;
        case ResourceFile::Entry::PowerCurve:
            contents->curves.setPowersFromFile(entry.index, entry.values);
            break;
        default:
            *error = QStringLiteral("line %1 is damaged").arg(entry.line);
            return false;
        }
    }
    return true;
}

// The LCD bytes of a picture file for a screen format; empty when it does not make a picture
// of the format's size.
QByteArray lcdBytesOf(const QString &path, int format)
{
    const int capacity = PictureSet::conversionCapacity(format);
    QByteArray bytes(capacity, '\0');
    const int size = format == 2
                             ? BMP::bmp24ToLcdData(reinterpret_cast<quint8 *>(bytes.data()), path,
                                                   capacity)
                             : BMP::bmp8ToLcdColRowData(reinterpret_cast<quint8 *>(bytes.data()),
                                                        path, true, capacity);
    if (size != PictureSet::lcdBytes(format))
        return QByteArray();
    bytes.truncate(size);
    return bytes;
}

// Reads the information reply with the parameters and curves; false when it did not come whole.
bool readRecord(DeviceLink &link, const JobControl &control, InfoReply *info, LinkReply *reply)
{
    *reply = link.requestLong(Wire::deviceInfoRequest(), LongReply::DeviceInfo,
                              Exchange::InfoTimeoutMs, 0, &control);
    return reply->answered() && parseInfoReply(reply->frame, reply->reports, info)
           && info->hasRecord;
}

} // namespace

QString DeviceBackup::resourceFile() const
{
    return QDir(folder).filePath(QLatin1String(ResourceFileName));
}

bool DeviceBackup::fits(const DeviceIdentity &device) const
{
    return device.answered && device.id == id && device.screenFormat() == screenFormat;
}

bool DeviceBackup::holdsPictures() const
{
    return sections & ResourceFile::PictureSection;
}

QString DeviceBackup::modelText() const
{
    if (productName.isEmpty() && modelCode.isEmpty())
        return deviceIdText(id);
    return QStringLiteral("%1 %2 (%3)").arg(productName, modelCode, deviceIdText(id));
}

bool DeviceBackup::read(const QString &folder, DeviceBackup *backup, QString *error)
{
    QString reason;
    const auto refuse = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QFile file(QDir(folder).filePath(QLatin1String(DescriptionFileName)));
    if (!isRegularUserFile(file.fileName()) || !file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("no %1").arg(QLatin1String(DescriptionFileName)));
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(1024 * 1024), &parse);
    const QJsonObject root = document.object();
    if (parse.error != QJsonParseError::NoError
        || root.value(QStringLiteral("format")).toString() != QLatin1String(DescriptionFormat))
        return refuse(QStringLiteral("%1 is damaged").arg(QLatin1String(DescriptionFileName)));
    if (root.value(QStringLiteral("version")).toInt() > DescriptionVersion)
        return refuse(QStringLiteral("made by a newer version of the tool"));

    DeviceBackup read;
    read.folder = QDir(folder).absolutePath();
    read.created
            = QDateTime::fromString(root.value(QStringLiteral("created")).toString(), Qt::ISODate);
    const QJsonObject device = root.value(QStringLiteral("device")).toObject();
    bool ok = false;
    read.id = quint16(device.value(QStringLiteral("id")).toString().toUInt(&ok, 16));
    read.serial = device.value(QStringLiteral("serial")).toString();
    read.productName = device.value(QStringLiteral("productName")).toString();
    read.modelCode = device.value(QStringLiteral("modelCode")).toString();
    read.groupCode = device.value(QStringLiteral("groupCode")).toString();
    read.chipId = device.value(QStringLiteral("chipId")).toString();
    read.firmwareVersion = device.value(QStringLiteral("firmwareVersion")).toString();
    read.softwareVersion = device.value(QStringLiteral("softwareVersion")).toString();
    read.screenFormat = device.value(QStringLiteral("screenFormat")).toInt(3);
    if (!ok || !read.created.isValid() || read.serial.isEmpty())
        return refuse(QStringLiteral("%1 is damaged").arg(QLatin1String(DescriptionFileName)));

    const QJsonObject parameters = root.value(QStringLiteral("parameters")).toObject();
    read.parameters.brightness = quint16(parameters.value(QStringLiteral("brightness")).toInt());
    read.parameters.puff = quint16(parameters.value(QStringLiteral("puff")).toInt());
    const QJsonArray coils = parameters.value(QStringLiteral("coils")).toArray();
    for (int row = 0; row < ParameterRecord::CoilCount && row < coils.size(); ++row) {
        const QJsonObject coil = coils.at(row).toObject();
        read.parameters.coilOn[row] = coil.value(QStringLiteral("on")).toBool();
        read.parameters.coilValues[row] = quint16(coil.value(QStringLiteral("value")).toInt());
    }
    read.sections = ResourceFile::sectionsFromNames(
            root.value(QStringLiteral("sections")).toVariant().toStringList());
    if (!QFileInfo(read.resourceFile()).isFile())
        return refuse(QStringLiteral("no %1").arg(QLatin1String(ResourceFileName)));
    *backup = read;
    return true;
}

QString defaultBackupRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/korlex-tool/backups");
}

QVector<DeviceBackup> listBackups(const QString &root, const QString &serial)
{
    QVector<DeviceBackup> backups;
    const QDir top(root);
    const QStringList devices = serial.isEmpty() ? top.entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                                 : QStringList{serial};
    for (const QString &device : devices) {
        const QDir folder(top.filePath(device));
        // Folders under a temporary name (a backup being written) start with a dot.
        for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            DeviceBackup backup;
            if (DeviceBackup::read(folder.filePath(name), &backup))
                backups.append(backup);
        }
    }
    std::sort(backups.begin(), backups.end(), [](const DeviceBackup &a, const DeviceBackup &b) {
        return a.created != b.created ? a.created > b.created : a.folder > b.folder;
    });
    return backups;
}

bool deleteBackup(const DeviceBackup &backup, QString *error)
{
    QDir folder(backup.folder);
    if (backup.folder.isEmpty() || !folder.exists()
        || !QFileInfo(folder.filePath(QLatin1String(DeviceBackup::DescriptionFileName))).isFile()) {
        if (error)
            *error = QStringLiteral("%1 is no backup").arg(QDir::toNativeSeparators(backup.folder));
        return false;
    }
    if (!folder.removeRecursively()) {
        if (error)
            *error = QStringLiteral("cannot remove %1")
                             .arg(QDir::toNativeSeparators(backup.folder));
        return false;
    }
    return true;
}

QStringList parameterDifferences(const ParameterRecord &a, const ParameterRecord &b)
{
    QStringList keys;
    if (a.brightness != b.brightness)
        keys << QStringLiteral("brightness");
    if (a.puffSeconds() != b.puffSeconds())
        keys << QStringLiteral("puff");
    for (int row = 0; row < ParameterRecord::CoilCount; ++row) {
        if (a.coilOn[row] != b.coilOn[row])
            keys << QStringLiteral("coil%1").arg(row + 1);
        if (a.coilValues[row] != b.coilValues[row])
            keys << QStringLiteral("coil%1.value").arg(row + 1);
    }
    return keys;
}

QStringList curveDifferences(const CurveSet &a, const CurveSet &b)
{
    QStringList keys;
    for (int group = 0; group < CurveSet::GroupCount; ++group) {
        if (a.temperatures[group] != b.temperatures[group])
            keys << QStringLiteral("temp%1").arg(group + 1);
    }
    for (int group = 0; group < CurveSet::GroupCount; ++group) {
        if (a.powers[group] != b.powers[group])
            keys << QStringLiteral("power%1").arg(group + 1);
    }
    return keys;
}

// --- backup -----------------------------------------------------------------------------------

BackupJob::BackupJob(Device *device, const QString &root, QObject *parent)
    : PictureReadingJob(JobKind::Backup, device, parent)
    , m_root(root)
{ }

BackupJob::~BackupJob()
{
    stopBeforeDestruction();
}

JobCause BackupJob::prepare()
{
    // A boot loader has no parameters, curves or pictures to read.
    if (!device()->identity().answered || device()->identity().isBootLoader())
        return JobCause::NotSupported;
    return JobCause::None;
}

void BackupJob::run()
{
    setPhase(JobPhase::Connecting);
    InfoReply info;
    LinkReply reply;
    if (!readRecord(link(), control(), &info, &reply)) {
        fail(reply.answered() ? JobCause::NoAnswer : causeOf(reply.status), JobStep::Info);
        return;
    }
    const DeviceIdentity identity = DeviceIdentity::fromReply(
            ProductKind::Firmware, link().openEntry().product, info, deviceModels());
    DeviceBackup backup;
    backup.created = QDateTime::currentDateTime();
    backup.created = backup.created.addMSecs(-backup.created.time().msec());
    backup.id = identity.id;
    backup.serial = identity.serial;
    backup.productName = identity.model.productName;
    backup.modelCode = identity.model.modelCode;
    backup.groupCode = identity.model.groupCode;
    backup.chipId = identity.chipId;
    backup.firmwareVersion = identity.firmwareVersion;
    backup.softwareVersion = identity.softwareVersion;
    backup.screenFormat = identity.screenFormat();
    backup.parameters = ParameterRecord::fromReply(info);
    backup.sections = ResourceFile::TempSection | ResourceFile::PowerSection;
    const CurveSet curves = CurveSet::fromReply(info, identity.model);

    // Everything is written under a temporary name beside the final folder and renamed when
    // whole, so that a backup is there complete or not at all.
    const QString deviceFolder = QDir(m_root).filePath(backup.serial);
    QString reason;
    if (!folderIsWritable(deviceFolder, &reason)) {
        fail(JobCause::File, JobStep::File, 0, reason);
        return;
    }
    QTemporaryDir partial(QDir(deviceFolder).filePath(QStringLiteral(".partial-XXXXXX")));
    QTemporaryDir read;
    if (!partial.isValid() || !read.isValid()) {
        fail(JobCause::File, JobStep::File, 0,
             partial.isValid() ? read.errorString() : partial.errorString());
        return;
    }
    QStringList pictures;
    if (backup.screenFormat == 0 || backup.screenFormat == 1) {
        control().setDeadline(pictureReadTimeLimitMs(timing()));
        if (!readPictures(read.path(), identity.id, backup.screenFormat))
            return;
        control().setDeadline(-1);
        for (int slot = 0; slot < PictureSet::slotCount(backup.screenFormat); ++slot)
            pictures << QDir(read.path()).filePath(QStringLiteral("%1.bmp").arg(slot + 1));
        backup.sections |= ResourceFile::PictureSection;
    }

    setPhase(JobPhase::Files);
    QString error;
    const ResourceFile::Contents contents
            = resourceContents(backup.id, backup.sections, pictures, curves);
    if (!writeResourceFile(
                QDir(partial.path()).filePath(QLatin1String(DeviceBackup::ResourceFileName)),
                contents, &error)
        || !writeUserFile(
                QDir(partial.path()).filePath(QLatin1String(DeviceBackup::DescriptionFileName)),
                QJsonDocument(descriptionOf(backup)).toJson(), &error)) {
        fail(JobCause::File, JobStep::File, 0, error);
        return;
    }
    QString name = backup.created.toString(QLatin1String(FolderTimeFormat)) + QLatin1Char('_')
                   + (backup.firmwareVersion.isEmpty() ? QStringLiteral("unknown")
                                                       : backup.firmwareVersion);
    QString final = QDir(deviceFolder).filePath(name);
    for (int again = 2; QFileInfo::exists(final); ++again)
        final = QDir(deviceFolder).filePath(name + QStringLiteral("-%1").arg(again));
    if (!QDir().rename(partial.path(), final)) {
        fail(JobCause::File, JobStep::File, 0,
             QStringLiteral("cannot rename %1").arg(QDir::toNativeSeparators(partial.path())));
        return;
    }
    partial.setAutoRemove(false);
    backup.folder = final;
    m_backup = backup;
}

// --- comparison -------------------------------------------------------------------------------

BackupCompareJob::BackupCompareJob(Device *device, const DeviceBackup &backup, QObject *parent)
    : PictureReadingJob(JobKind::Backup, device, parent)
    , m_backup(backup)
{ }

BackupCompareJob::~BackupCompareJob()
{
    stopBeforeDestruction();
}

JobCause BackupCompareJob::prepare()
{
    const DeviceIdentity &identity = device()->identity();
    if (const JobCause refused = refusal(m_backup, identity); refused != JobCause::None)
        return refused;
    m_address = identity.id;
    m_format = identity.screenFormat();
    return JobCause::None;
}

void BackupCompareJob::run()
{
    BackupContents contents;
    QString error;
    if (!readContents(m_backup, &contents, &error)) {
        fail(JobCause::Damaged, JobStep::File, 0, error);
        return;
    }
    setPhase(JobPhase::Connecting);
    InfoReply info;
    LinkReply reply;
    if (!readRecord(link(), control(), &info, &reply)) {
        fail(reply.answered() ? JobCause::NoAnswer : causeOf(reply.status), JobStep::Info);
        return;
    }
    const CurveSet now = CurveSet::fromReply(info, deviceModelOf(info.id, deviceModels()));
    m_differences = parameterDifferences(m_backup.parameters, ParameterRecord::fromReply(info))
                    + curveDifferences(contents.curves, now);
    if (!m_backup.holdsPictures() || (m_format != 0 && m_format != 1))
        return;
    QTemporaryDir read;
    QTemporaryDir kept;
    if (!read.isValid() || !kept.isValid()) {
        fail(JobCause::File, JobStep::File, 0, read.errorString());
        return;
    }
    control().setDeadline(pictureReadTimeLimitMs(timing()));
    if (!readPictures(read.path(), m_address, m_format))
        return;
    for (int slot = 0; slot < contents.pictures.size(); ++slot) {
        const QString saved = QDir(kept.path()).filePath(QStringLiteral("%1.bmp").arg(slot + 1));
        const QByteArray before = writeUserFile(saved, contents.pictures.at(slot))
                                          ? lcdBytesOf(saved, m_format)
                                          : QByteArray();
        const QByteArray after = lcdBytesOf(
                QDir(read.path()).filePath(QStringLiteral("%1.bmp").arg(slot + 1)), m_format);
        if (before != after)
            m_differences << QStringLiteral("picture%1").arg(slot + 1);
    }
}

// --- restore ----------------------------------------------------------------------------------

RestoreJob::RestoreJob(Device *device, const DeviceBackup &backup, QObject *parent)
    : Job(JobKind::Restore, device, parent)
    , m_backup(backup)
{ }

RestoreJob::~RestoreJob()
{
    stopBeforeDestruction();
}

JobCause RestoreJob::prepare()
{
    const DeviceIdentity &identity = device()->identity();
    if (const JobCause refused = refusal(m_backup, identity); refused != JobCause::None)
        return refused;
    m_address = identity.id;
    m_format = identity.screenFormat();
    m_powerMin = identity.model.powerMin;
    m_powerMax = identity.model.powerMax;
    m_pictureFolder = device()->pictures().folder();
    return JobCause::None;
}

void RestoreJob::run()
{
    BackupContents contents;
    QString error;
    setPhase(JobPhase::Files);
    if (!readContents(m_backup, &contents, &error)) {
        fail(JobCause::Damaged, JobStep::File, 0, error);
        return;
    }
    contents.curves.powerMin = m_powerMin;
    contents.curves.powerMax = qMax(m_powerMin, m_powerMax);

    // Each exchange that fails is named; the rest goes on unless nothing more can be sent. The
    // cause of the exchange is returned (None when it was answered): the job keeps only its
    // first cause, which may be a skipped picture's.
    JobCause ending = JobCause::None; // a failure after which nothing more can be sent
    const auto send = [this, &ending](const QByteArray &frame, JobStep step, int detail, int tries,
                                      int timeoutMs) {
        const LinkReply reply = link().transact(frame, tries, timeoutMs, &control());
        if (reply.answered())
            return JobCause::None;
        const JobCause cause = causeOf(reply.status);
        fail(cause, step, detail);
        if (cause == JobCause::Unplugged || cause == JobCause::LowPower)
            ending = cause;
        return cause;
    };
    const auto mustEnd = [this, &ending]() {
        return control().shouldStop() || ending != JobCause::None;
    };

    setPhase(JobPhase::Sending);
    const ParameterRecord record = m_backup.parameters.forWrite();
    Wire::ParameterItems items;
    for (int i = 0; i < ParameterRecord::CoilCount; ++i) {
        items.coilEnabled[i] = record.coilOn[i] ? 1 : 0;
        items.coilValues[i] = record.coilValues[i];
    }
    items.brightness = record.brightness;
    items.puff = record.puff;
    send(Wire::parametersFrame(m_address, items), JobStep::Parameters, 0, Exchange::CommandTries,
         Exchange::CommandTimeoutMs);
    for (int group = 0; group < CurveSet::GroupCount && !mustEnd(); ++group) {
        const CurveSet::Write write
                = contents.curves.temperatureWrite(group, TemperatureUnit::Fahrenheit);
        send(Wire::temperatureCurveFrame(m_address, write.unitByte, group, write.points),
             JobStep::Curve, group + 1, Exchange::CommandTries, Exchange::CommandTimeoutMs);
    }
    for (int group = 0; group < CurveSet::GroupCount && !mustEnd(); ++group) {
        send(Wire::powerCurveFrame(m_address, group, contents.curves.powerWrite(group).points),
             JobStep::Curve, CurveSet::GroupCount + group + 1, Exchange::CommandTries,
             Exchange::CommandTimeoutMs);
    }
    if (!m_backup.holdsPictures() || (m_format != 0 && m_format != 1))
        return;

    setPhase(JobPhase::WritingPictures);
    QTemporaryDir scratch;
    QVector<SlotResult> slotResults;
    const int count = contents.pictures.size();
    for (int slot = 0; slot < count; ++slot) {
        SlotResult result;
        result.slot = slot + 1;
        if (mustEnd()) {
            result.cause = control().cancelled()      ? JobCause::Stopped
                           : ending != JobCause::None ? ending
                                                      : m_result.cause;
            slotResults.append(result);
            continue;
        }
        const QString file = QDir(scratch.path()).filePath(QStringLiteral("%1.bmp").arg(slot + 1));
        const QByteArray lcd = writeUserFile(file, contents.pictures.at(slot))
                                       ? lcdBytesOf(file, m_format)
                                       : QByteArray();
        if (lcd.isEmpty()) {
            // A picture that does not fit this device's screen is left out.
            result.cause = JobCause::PictureFile;
            fail(JobCause::PictureFile, JobStep::Picture, slot + 1);
            slotResults.append(result);
            continue;
        }
        JobCause cause = JobCause::None;
        for (int block = 0; block * PictureBlockSize < lcd.size() && cause == JobCause::None;
             ++block) {
            cause = send(Wire::monoPictureFrame(m_address,
                                                reinterpret_cast<const quint8 *>(lcd.constData())
                                                        + block * PictureBlockSize,
                                                slot + 1, block == 0),
                         JobStep::Picture, slot + 1, Exchange::PictureTries,
                         Exchange::PictureTimeoutMs);
        }
        const bool written = cause == JobCause::None;
        result.done = written;
        result.cause = cause;
        // The picture folder keeps what the device now shows.
        if (written && !m_pictureFolder.isEmpty() && QDir().mkpath(m_pictureFolder)) {
            const QString kept = m_pictureFolder + QStringLiteral("%1.bmp").arg(slot + 1);
            if (writeUserFile(kept, contents.pictures.at(slot)))
                result.file = kept;
        }
        slotResults.append(result);
        reportProgress(slot + 1, count);
    }
    m_result.pictureSlots = slotResults;
}

void RestoreJob::apply()
{
    for (const SlotResult &slot : qAsConst(m_result.pictureSlots)) {
        if (slot.done && !slot.file.isEmpty()) {
            device()->pictures().setFile(slot.slot - 1, slot.file);
            device()->pictures().unmark(slot.slot - 1);
        }
    }
    // What the device holds now is read again.
    if (m_result.cause != JobCause::Stopped)
        device()->requestConnect();
}
