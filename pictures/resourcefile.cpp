#include "pictures/resourcefile.h"

#include "device/frame.h"
#include "pictures/bmp.h"

#include <QRegularExpression>

namespace ResourceFile {

namespace {

// The identifier's two bytes, high byte first.
QByteArray idBytes(quint16 deviceId)
{
    QByteArray bytes;
    bytes.append(char(deviceId >> 8));
    bytes.append(char(deviceId & 0xFF));
    return bytes;
}

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

QByteArray valueBytes(const Values &values)
{
    QByteArray bytes;
    bytes.reserve(2 * CurveValues);
    for (quint16 v : values) {
        bytes.append(char(v >> 8));
        bytes.append(char(v & 0xFF));
    }
    return bytes;
}

// Walks the lines of a file, white space removed.
class LineReader
{
public:
    explicit LineReader(const QStringList &lines)
        : m_lines(lines)
    { }

    // The next line; a line missing at the end of the file counts as empty.
    QString next()
    {
        if (m_pos >= m_lines.size()) {
            m_lastLine = 0;
            return QString();
        }
        m_lastLine = m_pos + 1;
        return withoutWhiteSpace(m_lines.at(m_pos++));
    }

    // The next non-empty line, or an empty text at the end of the file.
    QString nextNonEmpty()
    {
        while (m_pos < m_lines.size()) {
            const QString line = withoutWhiteSpace(m_lines.at(m_pos++));
            if (!line.isEmpty()) {
                m_lastLine = m_pos;
                return line;
            }
        }
        m_lastLine = 0;
        return QString();
    }

    // The number (from 1) of the line returned last, 0 when it lay past the end.
    int lastLine() const { return m_lastLine; }

private:
    const QStringList &m_lines;
    int m_pos = 0;
    int m_lastLine = 0;
};

Identity checkIdentity(const QString &line, quint16 deviceId, quint16 *fileId)
{
    if (!line.startsWith(QLatin1Char('d')))
        return Identity::Corrupted;
    const QString rest = line.mid(1);
    bool idOk = false;
    const uint id = rest.leftRef(4).toUInt(&idOk, 16);
    *fileId = quint16(id);
    if (!idOk || rest.size() < 4 || id != deviceId)
        return Identity::OtherDevice;
    bool crcOk = false;
    const uint crc = rest.rightRef(4).toUInt(&crcOk, 16);
    if (!crcOk || rest.size() < 8 || crc != crc16(idBytes(deviceId)))
        return Identity::Corrupted;
    return Identity::Matches;
}

// Reads the five lines of a curve section.
void readCurves(LineReader &reader, bool wanted, Entry::Kind good, Entry::Kind bad,
                QVector<Entry> *entries)
{
    for (int group = 0; group < CurveGroups; ++group) {
        const QString line = reader.next();
        if (!wanted)
            continue;
        Entry entry;
        entry.index = group;
        entry.kind = bad;
        entry.line = reader.lastLine();
        QByteArray payload;
        const QString prefix = QLatin1Char('M') + QString::number(group);
        // A line of any other length than ten values is no curve, whatever its CRC says.
        if (line.startsWith(prefix) && takeCrc(fromHex(line.mid(prefix.size())), &payload)
            && payload.size() == 2 * CurveValues) {
            entry.kind = good;
            for (int j = 0; j < CurveValues; ++j) {
                entry.values[j]
                        = quint16((quint8(payload.at(2 * j)) << 8) | quint8(payload.at(2 * j + 1)));
            }
        }
        entries->append(entry);
    }
}

} // namespace

QString toHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

QByteArray fromHex(const QString &digits)
{
    if (digits.size() % 2 != 0)
        return QByteArray();
    QByteArray bytes(digits.size() / 2, '\0');
    for (int i = 0; i < bytes.size(); ++i) {
        const int high = hexDigit(digits.at(2 * i));
        const int low = hexDigit(digits.at(2 * i + 1));
        bytes[i] = (high < 0 || low < 0) ? '\0' : char(high << 4 | low);
    }
    return bytes;
}

quint16 payloadCrc(const QByteArray &payload)
{
    return crc16(reinterpret_cast<const quint8 *>(payload.constData()), payload.size() & 0xFFFF);
}

QByteArray withCrc(const QByteArray &payload)
{
    const quint16 crc = payloadCrc(payload);
    QByteArray bytes = payload;
    bytes.append(char(crc >> 8));
    bytes.append(char(crc & 0xFF));
    return bytes;
}

bool takeCrc(const QByteArray &decoded, QByteArray *payload)
{
    if (decoded.size() < 2)
        return false;
    const QByteArray data = decoded.left(decoded.size() - 2);
    const quint16 stored = quint16((quint8(decoded.at(decoded.size() - 2)) << 8)
                                   | quint8(decoded.at(decoded.size() - 1)));
    if (stored != payloadCrc(data))
        return false;
    if (payload)
        *payload = data;
    return true;
}

QString withoutWhiteSpace(const QString &line)
{
    static const QRegularExpression space(QStringLiteral("\\s"));
    QString result = line;
    result.remove(space);
    return result;
}

QString identityLine(quint16 deviceId)
{
    QByteArray bytes = idBytes(deviceId);
    const quint16 crc = crc16(bytes);
    bytes.append(char(crc >> 8));
    bytes.append(char(crc & 0xFF));
    return QLatin1Char('d') + toHex(bytes);
}

QString pictureLine(int slot, const QByteArray &bmpFile)
{
    return QLatin1Char('b') + QString::number(slot) + toHex(withCrc(bmpFile));
}

QString curveLine(int group, const Values &values)
{
    return QLatin1Char('M') + QString::number(group) + toHex(withCrc(valueBytes(values)));
}

QStringList fileLines(const Contents &contents)
{
    QStringList lines{identityLine(contents.deviceId)};
    if (contents.sections & PictureSection) {
        lines << QStringLiteral("b");
        for (int slot = 0; slot < contents.pictures.size(); ++slot)
            lines << pictureLine(slot, contents.pictures.at(slot));
    }
    if (contents.sections & TempSection) {
        lines << QStringLiteral("t");
        for (int group = 0; group < CurveGroups; ++group)
            lines << curveLine(group, contents.temp[group]);
    }
    if (contents.sections & PowerSection) {
        lines << QStringLiteral("p");
        for (int group = 0; group < CurveGroups; ++group)
            lines << curveLine(group, contents.power[group]);
    }
    return lines;
}

ReadResult readLines(const QStringList &lines, quint16 deviceId, int pictureCount,
                     unsigned sections)
{
    ReadResult result;
    LineReader reader(lines);
    result.identity = checkIdentity(reader.nextNonEmpty(), deviceId, &result.fileDeviceId);
    result.identityLine = reader.lastLine();
    if (result.identity != Identity::Matches)
        return result;

    // A header that is not the one a section looks for is kept for the next section.
    QString header = reader.nextNonEmpty();
    if (header == QLatin1String("b")) {
        for (int slot = 0; slot < pictureCount; ++slot) {
            const QString line = reader.next();
            if (!(sections & PictureSection))
                continue;
            const QString prefix = QLatin1Char('b') + QString::number(slot);
            if (!line.startsWith(prefix))
                continue; // not this slot's line: the slot is left alone
            Entry entry;
            entry.index = slot;
            entry.line = reader.lastLine();
            entry.kind = takeCrc(fromHex(line.mid(prefix.size())), &entry.picture)
                                 ? Entry::Picture
                                 : Entry::PictureCorrupted;
            result.entries.append(entry);
        }
        header = reader.nextNonEmpty();
    }
    if (header == QLatin1String("t")) {
        readCurves(reader, sections & TempSection, Entry::TempCurve, Entry::TempCorrupted,
                   &result.entries);
        header = reader.nextNonEmpty();
    }
    if (header == QLatin1String("p")) {
        readCurves(reader, sections & PowerSection, Entry::PowerCurve, Entry::PowerCorrupted,
                   &result.entries);
    }
    return result;
}

QStringList sectionNames(unsigned sections)
{
    QStringList names;
    if (sections & PictureSection)
        names << QStringLiteral("pictures");
    if (sections & TempSection)
        names << QStringLiteral("temp");
    if (sections & PowerSection)
        names << QStringLiteral("power");
    return names;
}

unsigned sectionsFromNames(const QStringList &names)
{
    unsigned sections = 0;
    for (const QString &name : names) {
        if (name == QLatin1String("pictures"))
            sections |= PictureSection;
        else if (name == QLatin1String("temp"))
            sections |= TempSection;
        else if (name == QLatin1String("power"))
            sections |= PowerSection;
    }
    return sections;
}

QImage pictureImage(const QByteArray &bmpFile)
{
    return BMP::readPicture(bmpFile, QByteArrayLiteral("bmp"));
}

} // namespace ResourceFile
