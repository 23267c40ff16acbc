// The user resource file (ResourceFile::readLines, pictureImage, fileLines): the entries read
// lie inside the file and the device's slots and groups, their pictures decode the same way
// whatever the memory held, and what was read, written as a file, reads back the same.

#include "pictures/resourcefile.h"
#include "fuzz/fuzzsupport.h"

#include <QBuffer>
#include <QTextStream>

using namespace ResourceFile;

namespace {

constexpr int Slots = 12;

// The lines of a file as the resource load reads them.
QStringList linesOf(const QByteArray &file)
{
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    QStringList lines;
    QTextStream in(&buffer);
    while (!in.atEnd())
        lines << in.readLine();
    return lines;
}

QImage picture(const QByteArray &bmpFile, quint8 pattern)
{
    const Fuzz::FilledAllocations filled(pattern);
    return pictureImage(bmpFile);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 1024 * 1024)
        return 0;
    const QStringList lines = linesOf(Fuzz::bytesOf(data, size));
    // Read for the device the file names, so that the sections are reached.
    ReadResult read = readLines(lines, 0, Slots, AllSections);
    const quint16 deviceId = read.fileDeviceId;
    if (read.identity == Identity::OtherDevice)
        read = readLines(lines, deviceId, Slots, AllSections);
    FUZZ_CHECK(read.identityLine >= 0 && read.identityLine <= lines.size());
    if (read.identity != Identity::Matches) {
        FUZZ_CHECK(read.entries.isEmpty());
        return 0;
    }

    Contents contents;
    contents.deviceId = deviceId;
    contents.pictures.resize(Slots);
    int lastLine = read.identityLine;
    for (const Entry &entry : qAsConst(read.entries)) {
        FUZZ_CHECK(entry.line == 0 || (entry.line > lastLine && entry.line <= lines.size()));
        if (entry.line > 0)
            lastLine = entry.line;
        switch (entry.kind) {
        case Entry::Picture: {
            FUZZ_CHECK(entry.index >= 0 && entry.index < Slots);
            const QImage first = picture(entry.picture, Fuzz::FirstPattern);
            FUZZ_CHECK(Fuzz::samePicture(picture(entry.picture, Fuzz::SecondPattern), first));
            contents.pictures[entry.index] = entry.picture;
            break;
        }
        case Entry::PictureCorrupted:
            FUZZ_CHECK(entry.index >= 0 && entry.index < Slots);
            break;
        case Entry::TempCurve:
        case Entry::PowerCurve:
            FUZZ_CHECK(entry.index >= 0 && entry.index < CurveGroups);
            (entry.kind == Entry::TempCurve ? contents.temp : contents.power)[entry.index]
                    = entry.values;
            break;
        default:
            FUZZ_CHECK(entry.index >= 0 && entry.index < CurveGroups);
            break;
        }
    }

    // Written as the program writes it, read as it reads it: the same contents.
    QByteArray written;
    for (const QString &line : fileLines(contents))
        written += line.toLatin1() + '\n';
    const ReadResult again = readLines(linesOf(written), deviceId, Slots, AllSections);
    FUZZ_CHECK(again.identity == Identity::Matches);
    FUZZ_CHECK(again.entries.size() == Slots + 2 * CurveGroups);
    for (const Entry &entry : qAsConst(again.entries)) {
        switch (entry.kind) {
        case Entry::Picture:
            FUZZ_CHECK(entry.picture == contents.pictures.at(entry.index));
            break;
        case Entry::TempCurve:
            FUZZ_CHECK(entry.values == contents.temp[entry.index]);
            break;
        case Entry::PowerCurve:
            FUZZ_CHECK(entry.values == contents.power[entry.index]);
            break;
        default:
            Fuzz::fail("a written line reads back as damaged", __FILE__, __LINE__);
        }
    }
    return 0;
}
