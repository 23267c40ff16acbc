#ifndef PICTURES_RESOURCEFILE_H
#define PICTURES_RESOURCEFILE_H

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

// The line format of the user resource file (".ct_user").
//
// Every line is ASCII. The first is the identity line, "d" followed by the hex digits of the
// device identifier and of its CRC-16. Then come, as present, three sections, each a header line
// followed by data lines:
//   "b"  then one line per picture slot i: "b" + i (decimal) + HEX(BMP file + CRC)
//   "t"  then five temperature curve lines: "M" + group digit + HEX(10 values + CRC)
//   "p"  then five power curve lines, as the temperature lines
// HEX(...) is two lower-case hex digits per byte; the CRC (CRC-16/XMODEM) follows its data high
// byte first; the curve values are big-endian 16-bit offsets above the range minimum, the
// temperature offsets always above 200 F.
//
// Reading strips all white space from every line first. Everything here is pure text work, but
// for decoding a picture; the caller turns pictures into files and values into curves.
namespace ResourceFile {

enum Section : unsigned {
    PictureSection = 1,
    TempSection = 2,
    PowerSection = 4,
    AllSections = PictureSection | TempSection | PowerSection
};

// The names of the sections, as files and machine output give them: "pictures", "temp",
// "power".
QStringList sectionNames(unsigned sections);
unsigned sectionsFromNames(const QStringList &names);

constexpr int CurveGroups = 5;
constexpr int CurveValues = 10;
using Values = std::array<quint16, CurveValues>;
using ValueGroups = std::array<Values, CurveGroups>;

// --- encoding -------------------------------------------------------------------------------
QString toHex(const QByteArray &bytes);
// An odd number of digits gives no bytes; a pair that is not hex gives 0.
QByteArray fromHex(const QString &digits);
// The CRC of a picture or curve payload. Pictures of 64 KiB and more are checked over their
// first (size modulo 65536) bytes, as files of earlier versions are.
quint16 payloadCrc(const QByteArray &payload);
// payload followed by its CRC, high byte first.
QByteArray withCrc(const QByteArray &payload);
// Checks the CRC at the end of decoded bytes; on success stores the bytes before it.
bool takeCrc(const QByteArray &decoded, QByteArray *payload);
QString withoutWhiteSpace(const QString &line);

QString identityLine(quint16 deviceId);
QString pictureLine(int slot, const QByteArray &bmpFile);
QString curveLine(int group, const Values &values);

// What a file holds, for writing.
struct Contents
{
    quint16 deviceId = 0;
    unsigned sections = AllSections;
    QVector<QByteArray> pictures; // one BMP file per slot (empty when it did not load)
    ValueGroups temp{};
    ValueGroups power{};
};
QStringList fileLines(const Contents &contents);

// --- reading ---------------------------------------------------------------------------------
enum class Identity { Matches, Corrupted, OtherDevice };

struct Entry
{
    enum Kind { Picture, PictureCorrupted, TempCurve, TempCorrupted, PowerCurve, PowerCorrupted };
    Kind kind = Picture;
    int index = 0; // picture slot or curve group, 0-based
    QByteArray picture; // Picture: the BMP file bytes
    Values values{}; // TempCurve, PowerCurve
    int line = 0; // the line of the file it was read from, counted from 1; 0 past the end
};

struct ReadResult
{
    Identity identity = Identity::Corrupted;
    int identityLine = 0; // the line the identity was read from, 0 when the file has none
    quint16 fileDeviceId = 0; // the identifier the file names (OtherDevice)
    QVector<Entry> entries; // in file order; only for the sections asked for
};

// Reads the lines of a file for a device with deviceId and pictureCount slots. Sections not
// asked for are passed over without being decoded.
ReadResult readLines(const QStringList &lines, quint16 deviceId, int pictureCount,
                     unsigned sections);

// The picture of an entry. The file holds BMP files, so only the BMP reader sees the bytes
// (a file from elsewhere cannot reach every image plugin), with the size checks of any picture
// read; null when they are no BMP picture.
QImage pictureImage(const QByteArray &bmpFile);

} // namespace ResourceFile

#endif // PICTURES_RESOURCEFILE_H
