#include "pictures/bmp.h"

#include "device/userfile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

namespace {

const int MonoHeaderSize = 62;
const int PixelsPerMetre = 2834; // 72 dpi

// The largest file a readable picture needs: four bytes a pixel at the largest size, with room
// for headers, palettes and metadata.
const qint64 MaxPictureFileSize
        = qint64(BMP::MaxPictureSide) * BMP::MaxPictureSide * 4 + 1024 * 1024;

// Whether a picture of this size may go on: the conversions refuse, before decoding, pictures
// whose LCD bytes would not fit their buffer.
using SizeCheck = std::function<bool(const QSize &)>;

// How a picture is read, beyond the checks every read makes.
struct Reading
{
    SizeCheck fits;
    bool autoTransform = false; // photos turned upright by their orientation tag
    QSize drawingFit; // valid: a drawing (SVG) is drawn at the largest size that fits it
};

// The most bytes of a BMP file's headers that the layout check looks at: the file header, the
// largest information header and the colour masks that may follow a smaller one.
const int BmpHeadBytes = 14 + 124 + 12;

// Where the pixels of a BMP file lie, taken from its headers the way Qt's BMP reader takes them:
// the reader starts on the pixels after the headers, the colour masks and the palette, or at
// the pixel offset of the file header when that lies further on. Uncompressed pixels are read
// row by row, each row padded to four bytes; run-length pixels as many bytes as the header
// counts.
struct BmpLayout
{
    bool runLength = false;
    qint64 pixelStart = 0;
    qint64 pixelBytes = 0;
};

qint64 le16(const QByteArray &data, int offset)
{
    return qint64(quint8(data.at(offset))) | qint64(quint8(data.at(offset + 1))) << 8;
}

qint64 le32(const QByteArray &data, int offset)
{
    return le16(data, offset) | le16(data, offset + 2) << 16;
}

qint64 signed32(qint64 value)
{
    return value >= 0x80000000LL ? value - 0x100000000LL : value;
}

qint64 signed16(qint64 value)
{
    return value >= 0x8000 ? value - 0x10000 : value;
}

// False when the headers are not those of a picture the BMP reader decodes.
bool bmpLayout(const QByteArray &head, BmpLayout *layout)
{
    if (head.size() < 14 + 4 || !head.startsWith("BM"))
        return false;
    const qint64 offBits = signed32(le32(head, 10));
    const qint64 infoSize = signed32(le32(head, 14));
    // The reader knows four sizes of the information header; any other is read as the oldest
    // one, with 16-bit sides and no compression.
    const bool full = infoSize == 40 || infoSize == 64 || infoSize == 108 || infoSize == 124;
    if (head.size() < 14 + (full ? 40 : 12) || infoSize < 12)
        return false;
    const qint64 width = full ? signed32(le32(head, 18)) : signed16(le16(head, 18));
    const qint64 height = full ? signed32(le32(head, 22)) : signed16(le16(head, 20));
    const qint64 planes = le16(head, full ? 26 : 22);
    const qint64 bits = le16(head, full ? 28 : 24);
    const qint64 compression = full ? le32(head, 30) : 0;
    const qint64 runBytes = full ? le32(head, 34) : 0;
    const qint64 coloursUsed = full ? signed32(le32(head, 46)) : 0;

    const bool runLength = (compression == 1 && bits == 8) || (compression == 2 && bits == 4);
    const bool bitFields = compression == 3 && (bits == 16 || bits == 32);
    if (planes != 1 || width <= 0 || height == 0 || height == -0x80000000LL)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (compression != 0 && !runLength && !bitFields)
        return false;

    qint64 position = 14 + infoSize;
    if (bitFields && infoSize < 108)
        position += 12; // the three colour masks follow the header
    if (bits <= 8) {
        const qint64 colours = coloursUsed ? coloursUsed : qint64(1) << bits;
        if (colours < 1 || colours > 256)
            return false;
        position += colours * (infoSize == 12 ? 3 : 4);
    }
    layout->runLength = runLength;
    layout->pixelStart = qMax(position, offBits);
    layout->pixelBytes = runLength ? runBytes : (width * bits + 31) / 32 * 4 * qAbs(height);
    return true;
}

// Bytes of the monochrome LCD layout for a picture: one byte per column for each page of eight
// rows.
qint64 monoLcdBytes(qint64 width, qint64 height)
{
    return width * ((height + 7) / 8);
}

void putLe16(QByteArray &data, int offset, quint16 value)
{
    data[offset] = char(value & 0xFF);
    data[offset + 1] = char(value >> 8);
}

void putLe32(QByteArray &data, int offset, quint32 value)
{
    putLe16(data, offset, quint16(value & 0xFFFF));
    putLe16(data, offset + 2, quint16(value >> 16));
}

bool validOutput(const quint8 *out, int capacity)
{
    return out && capacity >= 0;
}

QImage refuse(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return QImage();
}

// Decodes what the reader is set up for once the size it announces has passed every check.
// head holds the first bytes of the file (BmpHeadBytes of them, or all when it is shorter) and
// name names it in the messages.
//
// Qt's BMP reader leaves alone the pixels it gets no data for: the rows a cut-short file lacks
// and the pixels that the escapes of run-length data pass over. Such pixels would show whatever
// the memory held before. So a BMP file must hold all the pixel data its headers announce, and
// run-length data are decoded into an image cleared to colour 0 beforehand: passed-over pixels
// take the colour of palette entry 0, on every read.
QImage decode(QImageReader &reader, const QByteArray &head, qint64 fileSize, const QString &name,
              const Reading &how, QString *error)
{
    const QByteArray format = reader.format().toLower();
    QSize size = reader.size();
    // Qt's BMP reader announces the rows of a top-down picture as a negative height.
    if (format == "bmp" && size.height() < 0 && size.height() > std::numeric_limits<int>::min())
        size.setHeight(-size.height());
    if (!size.isValid() || size.isEmpty())
        return refuse(error, QStringLiteral("%1: no picture: %2").arg(name, reader.errorString()));
    if (how.drawingFit.isValid() && format.startsWith("svg")) {
        size = size.scaled(how.drawingFit, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
        reader.setScaledSize(size);
    }
    if (size.width() > BMP::MaxPictureSide || size.height() > BMP::MaxPictureSide
        || qint64(size.width()) * size.height() > BMP::pixelBudget(fileSize)) {
        return refuse(error, QStringLiteral("%1: a picture of %2 x %3 pixels is too large for a "
                                            "file of %4 bytes")
                                     .arg(name)
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(fileSize));
    }
    if (how.fits && !how.fits(size))
        return refuse(error, QStringLiteral("%1: a picture of %2 x %3 pixels does not fit")
                                     .arg(name)
                                     .arg(size.width())
                                     .arg(size.height()));

    QImage image;
    BmpLayout layout;
    if (format == "bmp") {
        if (!bmpLayout(head, &layout))
            return refuse(error, QStringLiteral("%1: the BMP headers are damaged").arg(name));
        if (fileSize < layout.pixelStart + layout.pixelBytes) {
            return refuse(error, QStringLiteral("%1 is cut short: its pixels need %2 bytes, the "
                                                "file has %3")
                                         .arg(name)
                                         .arg(layout.pixelStart + layout.pixelBytes)
                                         .arg(fileSize));
        }
        if (layout.runLength) {
            image = QImage(size, QImage::Format_Indexed8);
            if (image.isNull())
                return refuse(error, QStringLiteral("%1: no memory for the picture").arg(name));
            std::memset(image.bits(), 0, size_t(image.sizeInBytes()));
        }
    }
    const uchar *cleared = image.constBits();
    reader.setAutoTransform(how.autoTransform);
    if (!reader.read(&image))
        return refuse(error, QStringLiteral("%1: %2").arg(name, reader.errorString()));
    // The reader decodes into the image it is given when size and format match; should it ever
    // make an image of its own, the passed-over pixels would be undetermined again.
    if (layout.runLength && image.constBits() != cleared)
        return refuse(error, QStringLiteral("%1: the run-length picture was not decoded into a "
                                            "cleared image")
                                     .arg(name));
    // Pixel values that a short palette has no colour for show black, as the LCD conversions
    // show them; painting the picture would otherwise look them up past the end of its table.
    const int values = image.depth() <= 8 ? 1 << image.depth() : 0;
    if (image.colorCount() > 0 && image.colorCount() < values) {
        QVector<QRgb> table = image.colorTable();
        table.resize(values);
        std::fill(table.begin() + image.colorCount(), table.end(), qRgb(0, 0, 0));
        image.setColorTable(table);
    }
    const bool turned = how.autoTransform && image.size() == size.transposed();
    if (image.size() != size && !turned) // the checks above were made for another size
        return refuse(
                error,
                QStringLiteral("%1: the picture is not as large as its header says").arg(name));
    return image;
}

QImage readFile(const QString &path, const Reading &how, QString *error)
{
    if (!isRegularUserFile(path))
        return refuse(error, QStringLiteral("%1 is no picture file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    const qint64 size = file.size();
    if (size > MaxPictureFileSize)
        return refuse(error, QStringLiteral("%1 is too large for a picture").arg(path));
    const QByteArray head = file.peek(BmpHeadBytes);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    return decode(reader, head, size, path, how, error);
}

// Integer luminance 0..255 of a pixel: (299 R + 587 G + 114 B) / 1000.
int luminance(QRgb rgb)
{
    return (299 * qRed(rgb) + 587 * qGreen(rgb) + 114 * qBlue(rgb)) / 1000;
}

} // namespace

namespace BMP {

qint64 pixelBudget(qint64 fileSize)
{
    const qint64 floor = 1024 * 1024;
    const qint64 ceiling = qint64(MaxPictureSide) * MaxPictureSide;
    return qBound(floor, qMax(qint64(0), fileSize) * 64, ceiling);
}

QImage readPicture(const QString &path, QString *error)
{
    return readFile(path, Reading(), error);
}

QImage readImportPicture(const QString &path, const QSize &slotSize, QString *error)
{
    Reading how;
    how.autoTransform = true;
    how.drawingFit = slotSize;
    return readFile(path, how, error);
}

QImage readPicture(const QByteArray &data, const QByteArray &format, QString *error)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    return decode(reader, data.left(BmpHeadBytes), data.size(),
                  QStringLiteral("the %1 picture").arg(QString::fromLatin1(format)), Reading(),
                  error);
}

int bmp8ToLcdColRowData(quint8 *out, const QString &path, bool lightIsSet, int capacity)
{
    if (!validOutput(out, capacity))
        return -1;
    Reading how;
    how.fits = [capacity](const QSize &size) {
        return monoLcdBytes(size.width(), size.height()) <= capacity;
    };
    const QImage picture = readFile(path, how, nullptr);
    if (picture.isNull())
        return -1;
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const qint64 size = monoLcdBytes(width, height);

    const int pages = (height + 7) / 8;
    for (int page = 0; page < pages; ++page) {
        for (int x = 0; x < width; ++x) {
            quint8 byte = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int y = page * 8 + bit;
                if (y >= height)
                    break; // rows below the picture stay clear
                const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
                const bool light = luminance(line[x]) >= 128;
                if (light == lightIsSet)
                    byte |= quint8(1u << bit);
            }
            out[page * width + x] = byte;
        }
    }
    return int(size);
}

int bmp24ToLcdData(quint8 *out, const QString &path, int capacity)
{
    if (!validOutput(out, capacity))
        return -1;
    Reading how;
    how.fits = [capacity](const QSize &size) {
        return qint64(size.width()) * size.height() * 2 <= capacity;
    };
    const QImage picture = readFile(path, how, nullptr);
    if (picture.isNull())
        return -1;
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const qint64 size = qint64(width) * height * 2;

    quint8 *p = out;
    for (int y = 0; y < height; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 r = quint32(qRed(line[x]));
            const quint32 g = quint32(qGreen(line[x]));
            const quint32 b = quint32(qBlue(line[x]));
            const quint16 rgb565 = quint16(((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3));
            *p++ = quint8(rgb565 >> 8);
            *p++ = quint8(rgb565 & 0xFF);
        }
    }
    return int(size);
}

int lcdColRowDataToBmp8(quint8 *out, const quint8 *lcd, int width, int height, bool invert,
                        int lcdSize, int capacity)
{
    if (!validOutput(out, capacity) || !lcd || lcdSize < 0)
        return -1;
    if (width <= 0 || height <= 0 || width > MaxPictureSide || height > MaxPictureSide)
        return -1;
    if (lcdSize < monoLcdBytes(width, height))
        return -1;
    const int stride = ((width + 31) / 32) * 4;
    const qint64 size = qint64(stride) * height;
    if (size > capacity)
        return -1;

    // Padding bits and bytes at the end of each row are left clear.
    std::memset(out, 0, size_t(size));
    for (int y = 0; y < height; ++y) {
        quint8 *row = out + qint64(height - 1 - y) * stride;
        const quint8 *page = lcd + qint64(y / 8) * width;
        const int shift = y % 8;
        for (int x = 0; x < width; ++x) {
            const bool lit = (page[x] >> shift) & 1;
            if (lit != invert)
                row[x >> 3] |= quint8(0x80u >> (x & 7));
        }
    }
    return int(size);
}

QByteArray monoBmpHeader(int screenFormat)
{
    int width = 0;
    int height = 0;
    quint32 coloursUsed = 0;
    quint8 palette0 = 0x00; // grey level of palette entry 0; entry 1 is the other one
    if (screenFormat == 0) {
        width = 128;
        height = 32;
        coloursUsed = 0;
        palette0 = 0x00;
    } else if (screenFormat == 1) {
        width = 64;
        height = 128;
        coloursUsed = 2;
        palette0 = 0xFF;
    } else {
        return QByteArray();
    }
    const quint32 pixelBytes = quint32(((width + 31) / 32) * 4 * height);

    QByteArray header(MonoHeaderSize, '\0');
    header[0] = 'B';
    header[1] = 'M';
    putLe32(header, 2, MonoHeaderSize + pixelBytes);
    putLe32(header, 10, MonoHeaderSize);
    putLe32(header, 14, 40);
    putLe32(header, 18, quint32(width));
    putLe32(header, 22, quint32(height));
    putLe16(header, 26, 1);
    putLe16(header, 28, 1);
    putLe32(header, 30, 0);
    putLe32(header, 34, pixelBytes);
    putLe32(header, 38, PixelsPerMetre);
    putLe32(header, 42, PixelsPerMetre);
    putLe32(header, 46, coloursUsed);
    putLe32(header, 50, coloursUsed);
    const quint8 palette1 = quint8(~palette0);
    for (int i = 0; i < 3; ++i) {
        header[54 + i] = char(palette0);
        header[58 + i] = char(palette1);
    }
    return header;
}

} // namespace BMP
