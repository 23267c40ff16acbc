#include "pictures/bmp.h"

#include "device/userfile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cstring>
#include <functional>

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
QImage decode(QImageReader &reader, qint64 fileSize, const SizeCheck &fits, QString *error)
{
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return refuse(error, QStringLiteral("no picture: %1").arg(reader.errorString()));
    if (size.width() > BMP::MaxPictureSide || size.height() > BMP::MaxPictureSide
        || qint64(size.width()) * size.height() > BMP::pixelBudget(fileSize)) {
        return refuse(error, QStringLiteral("a picture of %1 x %2 pixels is too large for a file "
                                            "of %3 bytes")
                                     .arg(size.width())
                                     .arg(size.height())
                                     .arg(fileSize));
    }
    if (fits && !fits(size))
        return refuse(error, QStringLiteral("a picture of %1 x %2 pixels does not fit")
                                     .arg(size.width())
                                     .arg(size.height()));
    const QImage image = reader.read();
    if (image.isNull())
        return refuse(error, reader.errorString());
    if (image.size() != size) // the checks above were made for another size
        return refuse(error, QStringLiteral("the picture is not as large as its header says"));
    return image;
}

QImage readFile(const QString &path, const SizeCheck &fits, QString *error)
{
    if (!isRegularUserFile(path))
        return refuse(error, QStringLiteral("%1 is no picture file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(error, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    const qint64 size = file.size();
    if (size > MaxPictureFileSize)
        return refuse(error, QStringLiteral("%1 is too large for a picture").arg(path));
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    return decode(reader, size, fits, error);
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
    return readFile(path, SizeCheck(), error);
}

QImage readPicture(const QByteArray &data, const QByteArray &format, QString *error)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    return decode(reader, data.size(), SizeCheck(), error);
}

int bmp8ToLcdColRowData(quint8 *out, const QString &path, bool lightIsSet, int capacity)
{
    if (!validOutput(out, capacity))
        return -1;
    const QImage picture = readFile(
            path,
            [capacity](const QSize &size) {
                return monoLcdBytes(size.width(), size.height()) <= capacity;
            },
            nullptr);
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
    const QImage picture = readFile(
            path,
            [capacity](const QSize &size) {
                return qint64(size.width()) * size.height() * 2 <= capacity;
            },
            nullptr);
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
