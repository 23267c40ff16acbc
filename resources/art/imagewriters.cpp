#include "resources/art/imagewriters.h"

#include <QtEndian>

namespace ImageWriters {

namespace {

// Resolution written into the BMP headers: 72 dots per inch.
constexpr quint32 pixelsPerMetre = 2834;

void put16(QByteArray &out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

int paddedRowBytes(int bitsPerRow)
{
    return ((bitsPerRow + 31) / 32) * 4;
}

void putFileHeader(QByteArray &out, quint32 fileSize, quint32 pixelOffset)
{
    out.append("BM", 2);
    put32(out, fileSize);
    put32(out, 0);
    put32(out, pixelOffset);
}

void putInfoHeader(QByteArray &out, int width, int height, quint16 bitsPerPixel, quint32 imageSize,
                   quint32 colours)
{
    put32(out, 40);
    put32(out, quint32(width));
    put32(out, quint32(height));
    put16(out, 1);
    put16(out, bitsPerPixel);
    put32(out, 0); // no compression
    put32(out, imageSize);
    put32(out, pixelsPerMetre);
    put32(out, pixelsPerMetre);
    put32(out, colours);
    put32(out, colours);
}

} // namespace

QByteArray monoBmp(const QImage &image, int lightBit)
{
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const int width = source.width();
    const int height = source.height();
    const int rowBytes = paddedRowBytes(width);
    const quint32 imageSize = quint32(rowBytes * height);

    QByteArray out;
    out.reserve(62 + int(imageSize));
    putFileHeader(out, 62 + imageSize, 62);
    putInfoHeader(out, width, height, 1, imageSize, 2);
    const quint32 black = 0x00000000;
    const quint32 white = 0x00ffffff; // blue, green, red, reserved: FF FF FF 00
    put32(out, lightBit ? black : white);
    put32(out, lightBit ? white : black);

    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        const QRgb *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const bool light = qGray(line[x]) >= 128;
            if (light == (lightBit != 0))
                row[x / 8] = char(quint8(row[x / 8]) | (0x80 >> (x % 8)));
        }
        out.append(row);
    }
    return out;
}

QByteArray rgbBmp(const QImage &image)
{
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const int width = source.width();
    const int height = source.height();
    const int rowBytes = paddedRowBytes(width * 24);
    const quint32 imageSize = quint32(rowBytes * height);

    QByteArray out;
    out.reserve(54 + int(imageSize));
    putFileHeader(out, 54 + imageSize, 54);
    putInfoHeader(out, width, height, 24, imageSize, 0);
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        const QRgb *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            row[3 * x] = char(qBlue(line[x]));
            row[3 * x + 1] = char(qGreen(line[x]));
            row[3 * x + 2] = char(qRed(line[x]));
        }
        out.append(row);
    }
    return out;
}

QByteArray ico(const QList<QImage> &images)
{
    QList<QByteArray> bitmaps;
    for (const QImage &image : images) {
        const QImage source = image.convertToFormat(QImage::Format_ARGB32);
        const int width = source.width();
        const int height = source.height();
        Q_ASSERT(width >= 1 && width <= 256 && height >= 1 && height <= 256);
        const int maskRowBytes = paddedRowBytes(width);
        const quint32 colourSize = quint32(width * 4 * height);
        const quint32 maskSize = quint32(maskRowBytes * height);

        QByteArray bitmap;
        // The height of an icon bitmap counts the colour rows and the mask rows.
        putInfoHeader(bitmap, width, 2 * height, 32, colourSize + maskSize, 0);
        for (int y = height - 1; y >= 0; --y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
            for (int x = 0; x < width; ++x)
                put32(bitmap, line[x]); // 0xAARRGGBB little-endian is B, G, R, A
        }
        for (int y = height - 1; y >= 0; --y) {
            QByteArray row(maskRowBytes, '\0');
            const QRgb *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                if (qAlpha(line[x]) == 0)
                    row[x / 8] = char(quint8(row[x / 8]) | (0x80 >> (x % 8)));
            }
            bitmap.append(row);
        }
        bitmaps.append(bitmap);
    }

    QByteArray out;
    put16(out, 0);
    put16(out, 1); // icon resource
    put16(out, quint16(bitmaps.size()));
    quint32 offset = quint32(6 + 16 * bitmaps.size());
    for (int i = 0; i < bitmaps.size(); ++i) {
        const int width = images.at(i).width();
        const int height = images.at(i).height();
        out.append(char(width == 256 ? 0 : width));
        out.append(char(height == 256 ? 0 : height));
        out.append('\0'); // no palette
        out.append('\0');
        put16(out, 1);
        put16(out, 32);
        put32(out, quint32(bitmaps.at(i).size()));
        put32(out, offset);
        offset += quint32(bitmaps.at(i).size());
    }
    for (const QByteArray &bitmap : bitmaps)
        out.append(bitmap);
    return out;
}

} // namespace ImageWriters
