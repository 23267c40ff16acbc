#include "pictures/resourcejobs.h"

#include "device/device.h"
#include "device/userfile.h"
#include "pictures/bmp.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// The line end of a text file on this platform.
#ifdef Q_OS_WIN
const char *const lineEnd = "\r\n";
#else
const char *const lineEnd = "\n";
#endif

// An image as a BMP file in memory; empty when it cannot be written.
QByteArray bmpFileOf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(image))
        return QByteArray();
    return bytes;
}

} // namespace

QByteArray resourcePictureBytes(const QString &path)
{
    const QImage image = BMP::readPicture(path);
    if (image.isNull())
        return QByteArray();
    return bmpFileOf(image);
}

ResourceFile::Contents resourceContents(quint16 deviceId, unsigned sections,
                                        const QStringList &pictureFiles, const CurveSet &curves)
{
    ResourceFile::Contents contents;
    contents.deviceId = deviceId;
    contents.sections = sections;
    if (sections & ResourceFile::PictureSection) {
        for (const QString &file : pictureFiles)
            contents.pictures << resourcePictureBytes(file);
    }
    for (int group = 0; group < CurveSet::GroupCount; ++group) {
        contents.temp[group] = curves.temperatureFileValues(group);
        contents.power[group] = curves.powerFileValues(group);
    }
    return contents;
}

bool writeResourceFile(const QString &path, const ResourceFile::Contents &contents, QString *error)
{
    QByteArray text;
    for (const QString &line : ResourceFile::fileLines(contents))
        text += line.toLatin1() + lineEnd;
    return writeUserFile(path, text, error);
}

// --- saving -----------------------------------------------------------------------------------

ResourceSaveJob::ResourceSaveJob(Device *device, const QString &path, unsigned sections,
                                 ResourcePictures pictures, const QString &pictureFolder,
                                 QObject *parent)
    : PictureReadingJob(JobKind::ResourceSave, device, parent)
    , m_path(path)
    , m_sections(sections)
    , m_source(pictures)
    , m_pictureFolder(pictureFolder)
{ }

ResourceSaveJob::~ResourceSaveJob()
{
    stopBeforeDestruction();
}

JobCause ResourceSaveJob::prepare()
{
    const DeviceIdentity &identity = device()->identity();
    if (!identity.answered)
        return JobCause::NotSupported;
    m_deviceId = identity.id;
    m_format = identity.screenFormat();
    m_curves = device()->curves();
    m_files.clear();
    const bool pictures = m_sections & ResourceFile::PictureSection;
    if (pictures && m_source == ResourcePictures::Device && m_format != 0 && m_format != 1)
        return JobCause::NotSupported; // only the mono formats send their pictures
    if (pictures && m_source == ResourcePictures::Set)
        m_files = device()->pictures().files();
    if (pictures && m_source == ResourcePictures::Folder) {
        for (int slot = 0; slot < PictureSet::slotCount(m_format); ++slot)
            m_files << QDir(m_pictureFolder).filePath(QStringLiteral("%1.bmp").arg(slot + 1));
    }
    return JobCause::None;
}

void ResourceSaveJob::run()
{
    QTemporaryDir read;
    const bool fromDevice
            = (m_sections & ResourceFile::PictureSection) && m_source == ResourcePictures::Device;
    if (fromDevice) {
        control().setDeadline(pictureReadTimeLimitMs(timing()));
        if (!read.isValid()) {
            fail(JobCause::File, JobStep::File, 0, read.errorString());
            return;
        }
        if (!readPictures(read.path(), m_deviceId, m_format))
            return; // nothing is saved that the device did not all send
        control().setDeadline(-1);
        for (int slot = 0; slot < PictureSet::slotCount(m_format); ++slot)
            m_files << QDir(read.path()).filePath(QStringLiteral("%1.bmp").arg(slot + 1));
    }
    setPhase(JobPhase::Files);
    const ResourceFile::Contents contents
            = resourceContents(m_deviceId, m_sections, m_files, m_curves);
    // A picture that does not load would be saved empty: that is no copy of the device's.
    if (m_source != ResourcePictures::Set) {
        for (int slot = 0; slot < contents.pictures.size(); ++slot) {
            if (contents.pictures.at(slot).isEmpty()) {
                fail(JobCause::PictureFile, JobStep::Picture, slot + 1);
                return;
            }
        }
    }
    QString error;
    if (!writeResourceFile(m_path, contents, &error))
        fail(JobCause::File, JobStep::File, 0, error);
}

// --- loading ----------------------------------------------------------------------------------

ResourceLoadJob::ResourceLoadJob(Device *device, const QString &path, unsigned sections,
                                 QObject *parent)
    : Job(JobKind::ResourceLoad, device, parent)
    , m_path(path)
    , m_sections(sections)
{ }

ResourceLoadJob::~ResourceLoadJob()
{
    stopBeforeDestruction();
}

bool ResourceLoadJob::hasProblems() const
{
    for (const ResourceLoadEvent &event : m_events) {
        if (event.isProblem())
            return true;
    }
    return false;
}

QVector<int> ResourceLoadJob::indexesOf(ResourceLoadEvent::Kind kind) const
{
    QVector<int> indexes;
    for (const ResourceLoadEvent &event : m_events) {
        if (event.kind == kind)
            indexes << event.index;
    }
    return indexes;
}

QVector<int> ResourceLoadJob::storedPictures() const
{
    return indexesOf(ResourceLoadEvent::PictureStored);
}

QVector<int> ResourceLoadJob::loadedTemperatureGroups() const
{
    return indexesOf(ResourceLoadEvent::TempLoaded);
}

QVector<int> ResourceLoadJob::loadedPowerGroups() const
{
    return indexesOf(ResourceLoadEvent::PowerLoaded);
}

JobCause ResourceLoadJob::prepare()
{
    const DeviceIdentity &identity = device()->identity();
    if (!identity.answered)
        return JobCause::NotSupported;
    m_deviceId = identity.id;
    m_count = identity.pictureCount();
    m_folder = device()->pictures().folder();
    m_curves = device()->curves();
    return JobCause::None;
}

void ResourceLoadJob::run()
{
    setPhase(JobPhase::Files);
    // Anything but a regular file (a named pipe, a device) could block the reader for ever.
    QFile file(m_path);
    if (!isRegularUserFile(m_path) || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        fail(JobCause::File, JobStep::File, 0,
             file.error() != QFileDevice::NoError ? file.errorString()
                                                  : QStringLiteral("not a regular file"));
        return;
    }
    QStringList lines;
    QTextStream in(&file);
    while (!in.atEnd())
        lines << in.readLine();
    file.close();

    const ResourceFile::ReadResult read
            = ResourceFile::readLines(lines, m_deviceId, m_count, m_sections);
    m_identityLine = read.identityLine;
    m_fileDeviceId = read.fileDeviceId;
    if (read.identity == ResourceFile::Identity::Corrupted) {
        fail(JobCause::Damaged, JobStep::File, read.identityLine);
        return;
    }
    if (read.identity == ResourceFile::Identity::OtherDevice) {
        fail(JobCause::WrongDevice, JobStep::File, read.identityLine);
        return;
    }

    for (const ResourceFile::Entry &entry : read.entries) {
        ResourceLoadEvent event;
        event.index = entry.index;
        event.line = entry.line;
        switch (entry.kind) {
        case ResourceFile::Entry::Picture: {
            const QImage image = ResourceFile::pictureImage(entry.picture);
            const QByteArray bytes = image.isNull() ? QByteArray() : bmpFileOf(image);
            if (bytes.isEmpty()) {
                // Bytes that pass the CRC but are no picture would leave the slot pointing at
                // whatever file happens to be there.
                event.kind = ResourceLoadEvent::PictureCorrupted;
            } else if (m_folder.isEmpty()) {
                event.kind = ResourceLoadEvent::PictureNotStored;
            } else if (m_dryRun) {
                event.kind = ResourceLoadEvent::PictureStored;
            } else {
                event.kind = ResourceLoadEvent::PictureUnwritable;
                event.file = m_folder + QString::number(entry.index + 1) + QStringLiteral(".bmp");
                if (!QDir().mkpath(m_folder))
                    event.error = QStringLiteral("cannot create %1")
                                          .arg(QDir::toNativeSeparators(m_folder));
                else if (writeUserFile(event.file, bytes, &event.error))
                    event.kind = ResourceLoadEvent::PictureStored;
            }
            break;
        }
        case ResourceFile::Entry::TempCurve:
            event.kind = ResourceLoadEvent::TempLoaded;
            m_curves.setTemperaturesFromFile(entry.index, entry.values);
            break;
        case ResourceFile::Entry::PowerCurve:
            event.kind = ResourceLoadEvent::PowerLoaded;
            m_curves.setPowersFromFile(entry.index, entry.values);
            break;
        case ResourceFile::Entry::PictureCorrupted:
            event.kind = ResourceLoadEvent::PictureCorrupted;
            break;
        case ResourceFile::Entry::TempCorrupted:
            event.kind = ResourceLoadEvent::TempCorrupted;
            break;
        case ResourceFile::Entry::PowerCorrupted:
            event.kind = ResourceLoadEvent::PowerCorrupted;
            break;
        }
        m_events.append(event);
    }
}

void ResourceLoadJob::apply()
{
    if (m_dryRun || m_result.cause != JobCause::None)
        return;
    bool picturesChanged = false;
    for (const ResourceLoadEvent &event : qAsConst(m_events)) {
        switch (event.kind) {
        case ResourceLoadEvent::PictureStored:
            device()->pictures().setFile(event.index, event.file);
            picturesChanged = true;
            break;
        case ResourceLoadEvent::TempLoaded:
            device()->curves().temperatures[event.index] = m_curves.temperatures[event.index];
            break;
        case ResourceLoadEvent::PowerLoaded:
            device()->curves().powers[event.index] = m_curves.powers[event.index];
            break;
        default:
            break;
        }
    }
    // Loaded pictures go with the next write, all of them.
    if (picturesChanged)
        device()->pictures().markAll();
}
