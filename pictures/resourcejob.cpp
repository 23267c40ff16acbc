#include "pictures/resourcejob.h"

#include "device/jobs.h"
#include "device/userfile.h"
#include "pictures/bmp.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QTextStream>

namespace {

const char *const defaultSetPatterns[3]
        = {":/512/512/%1.bmp", ":/1024/1024/%1.bmp", ":/25K/25K/%1.bmp"};
const int defaultSetSizes[3] = {12, 12, 10};

// The line end of a text file on this platform.
#ifdef Q_OS_WIN
const char *const lineEnd = "\r\n";
#else
const char *const lineEnd = "\n";
#endif

int slotCount()
{
    return qBound(0, int(deviceSession().pictureCount), int(MaxPictureSlots));
}

// Whether a picture stored in the folder may stand for a slot of the format.
bool storedPictureFits(int format, const QImage &image)
{
    if (image.isNull())
        return false;
    return format == 1 || (format == 0 && image.width() * image.height() / 8 == 512);
}

// The picture a resource file line carries, decoded from its BMP file bytes.
QImage pictureFromResourceLine(const QByteArray &bmpFile)
{
    return ResourceFile::pictureImage(bmpFile);
}

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

ResourceFile::ValueGroups curveValues(const CurveGroups &stored, const EditedCurveGroup &edited)
{
    ResourceFile::ValueGroups values{};
    for (int group = 0; group < CurveGroupCount; ++group) {
        const Curve &curve = group == edited.group ? edited.points : stored[group];
        for (int point = 0; point < CurvePointCount; ++point)
            values[group][point] = quint16(curve[point].value);
    }
    return values;
}

// Saves a picture loaded from a resource file as slot's file of the picture folder.
ResourceLoadEvent storePicture(const ResourceFile::Entry &entry)
{
    DeviceSession &session = deviceSession();
    ResourceLoadEvent event;
    event.index = entry.index;
    event.line = entry.line;
    const QImage image = pictureFromResourceLine(entry.picture);
    if (image.isNull()) {
        // Bytes that pass the CRC but are no picture would leave the slot pointing at whatever
        // file happens to be there.
        event.kind = ResourceLoadEvent::PictureCorrupted;
        return event;
    }
    const QString folder = pictureFolderPath();
    if (folder.isEmpty()) {
        event.kind = ResourceLoadEvent::PictureNotStored;
        return event;
    }
    event.kind = ResourceLoadEvent::PictureUnwritable;
    const QString target = folder + QString::number(entry.index + 1) + QStringLiteral(".bmp");
    const QByteArray file = bmpFileOf(image);
    if (!QDir().mkpath(folder)) {
        event.error = QStringLiteral("cannot create %1").arg(QDir::toNativeSeparators(folder));
        return event;
    }
    if (file.isEmpty()) {
        event.error = QStringLiteral("the picture cannot be encoded");
        return event;
    }
    if (!writeUserFile(target, file, &event.error))
        return event;
    session.setPictureFile(entry.index, target);
    session.pictureWriteMask = 0xFFFF;
    event.kind = ResourceLoadEvent::PictureStored;
    return event;
}

} // namespace

QString defaultPicturePath(int format, int slot)
{
    if (format < 0 || format > 2 || slot < 0 || slot >= defaultSetSizes[format])
        return QString();
    return QString::fromLatin1(defaultSetPatterns[format]).arg(slot + 1);
}

QStringList pictureSetFromFolder(int format, int count, const QString &folder)
{
    QStringList files;
    if (format < 0 || format > 2)
        return files;
    const bool useFolder = format != 2 && !folder.isEmpty() && QFileInfo(folder).isDir();
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (int slot = 0; slot < count; ++slot) {
        const QString stored = prefix + QString::number(slot + 1) + QStringLiteral(".bmp");
        // Anything but a regular file (a named pipe, a device) is never opened.
        // readPicture never opens anything but a regular file (a named pipe could block).
        const bool fits = useFolder && storedPictureFits(format, BMP::readPicture(stored));
        files << (fits ? stored : defaultPicturePath(format, slot));
    }
    return files;
}

ResourceFile::Contents resourceContents(unsigned sections, const EditedCurveGroup &temp,
                                        const EditedCurveGroup &power)
{
    const DeviceSession &session = deviceSession();
    ResourceFile::Contents contents;
    contents.deviceId = session.deviceId;
    contents.sections = sections;
    if (sections & ResourceFile::PictureSection) {
        const QStringList files = session.pictureFiles();
        for (int slot = 0; slot < slotCount(); ++slot)
            contents.pictures << resourcePictureBytes(files.value(slot));
    }
    contents.temp = curveValues(session.tempCurves, temp);
    if (session.tempUnit == 0) {
        for (ResourceFile::Values &group : contents.temp) {
            for (quint16 &value : group)
                value = ResourceFile::fileValueFromCelsiusOffset(value);
        }
    }
    contents.power = curveValues(session.powerCurves, power);
    return contents;
}

bool writeResourceFile(const QString &path, unsigned sections, const EditedCurveGroup &temp,
                       const EditedCurveGroup &power, QString *error)
{
    QByteArray text;
    for (const QString &line : ResourceFile::fileLines(resourceContents(sections, temp, power)))
        text += line.toLatin1() + lineEnd;
    return writeUserFile(path, text, error);
}

bool ResourceLoad::hasProblems() const
{
    for (const ResourceLoadEvent &event : events) {
        switch (event.kind) {
        case ResourceLoadEvent::PictureCorrupted:
        case ResourceLoadEvent::PictureUnwritable:
        case ResourceLoadEvent::TempCorrupted:
        case ResourceLoadEvent::PowerCorrupted:
            return true;
        default:
            break;
        }
    }
    return false;
}

ResourceLoad readResourceFile(const QString &path, unsigned sections)
{
    ResourceLoad load;
    // Anything but a regular file (a named pipe, a device) could block the reader for ever.
    QFile file(path);
    if (!isRegularUserFile(path) || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        load.status = ResourceLoad::Unreadable;
        return load;
    }
    QStringList lines;
    QTextStream in(&file);
    while (!in.atEnd())
        lines << in.readLine();
    file.close();

    DeviceSession &session = deviceSession();
    const ResourceFile::ReadResult read
            = ResourceFile::readLines(lines, session.deviceId, slotCount(), sections);
    load.identityLine = read.identityLine;
    load.fileDeviceId = read.fileDeviceId;
    if (read.identity == ResourceFile::Identity::Corrupted) {
        load.status = ResourceLoad::Corrupted;
        return load;
    }
    if (read.identity == ResourceFile::Identity::OtherDevice) {
        load.status = ResourceLoad::OtherDevice;
        return load;
    }
    load.status = ResourceLoad::Loaded;

    const int tempSpan = qMax(0, int(session.tempMax) - int(session.tempMin));
    const int powerSpan = qMax(0, int(session.powerMax) - int(session.powerMin));
    for (const ResourceFile::Entry &entry : read.entries) {
        ResourceLoadEvent event;
        event.index = entry.index;
        event.line = entry.line;
        switch (entry.kind) {
        case ResourceFile::Entry::Picture:
            event = storePicture(entry);
            if (event.kind != ResourceLoadEvent::PictureCorrupted)
                load.picturesChanged = true;
            break;
        case ResourceFile::Entry::TempCurve:
            event.kind = ResourceLoadEvent::TempLoaded;
            for (int point = 0; point < CurvePointCount; ++point) {
                quint16 value = entry.values[point];
                if (session.tempUnit == 0)
                    value = ResourceFile::celsiusOffsetFromFileValue(value);
                session.tempCurves[entry.index][point].value = qMin(int(value), tempSpan);
            }
            break;
        case ResourceFile::Entry::PowerCurve:
            event.kind = ResourceLoadEvent::PowerLoaded;
            for (int point = 0; point < CurvePointCount; ++point) {
                session.powerCurves[entry.index][point].value
                        = qMin(int(entry.values[point]), powerSpan);
            }
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
        load.events.append(event);
    }
    return load;
}
