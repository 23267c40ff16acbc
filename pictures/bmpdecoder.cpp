#include "pictures/bmpdecoder.h"

#include <QFile>

namespace {

enum Compression : quint32 {
    CompressionRgb = 0,
    CompressionRle8 = 1,
    CompressionRle4 = 2,
    CompressionBitFields = 3,
    CompressionAlphaBitFields = 6
};

const int FileHeaderSize = 14;
const int CoreHeaderSize = 12;

// The largest uncompressed picture (32 bits per pixel at the largest size) with room for the
// headers, a palette and some trailing bytes.
const qint64 MaxFileSize
        = qint64(BmpImage::MaxDimension) * BmpImage::MaxDimension * 4 + 1024 * 1024;

quint16 le16(const uchar *p)
{
    return quint16(p[0] | (p[1] << 8));
}

quint32 le32(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

bool isInfoHeaderSize(quint32 size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// One colour channel of a 16 or 32-bit pixel, described by its bit mask.
struct Channel
{
    quint32 mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(quint32 m = 0)
        : mask(m)
    {
        if (!mask)
            return;
        while (!((mask >> shift) & 1))
            ++shift;
        for (quint32 v = mask >> shift; v; v >>= 1)
            ++bits;
    }

    // The channel as an 8-bit value: the field's top bits become the value's top bits, as the
    // usual readers do (a 5-bit 31 gives 248), and fields wider than 8 bits keep their top 8.
    quint32 value(quint32 pixel) const
    {
        if (!mask)
            return 0;
        const quint32 v = (pixel & mask) >> shift;
        return (bits >= 8 ? v >> (bits - 8) : v << (8 - bits)) & 0xFF;
    }
};

} // namespace

bool BmpImage::fail(const QString &why)
{
    m_width = 0;
    m_height = 0;
    m_pixels.clear();
    m_error = why;
    return false;
}

int BmpImage::luminance(int x, int y) const
{
    const quint32 rgb = pixel(x, y);
    const int r = int((rgb >> 16) & 0xFF);
    const int g = int((rgb >> 8) & 0xFF);
    const int b = int(rgb & 0xFF);
    return (299 * r + 587 * g + 114 * b) / 1000;
}

bool BmpImage::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    if (file.size() > MaxFileSize)
        return fail(QStringLiteral("%1 is too large").arg(path));
    // Read one byte more than allowed, in case the size the device reported was wrong.
    const QByteArray data = file.read(MaxFileSize + 1);
    if (data.size() > MaxFileSize)
        return fail(QStringLiteral("%1 is too large").arg(path));
    return loadFromData(data);
}

bool BmpImage::loadFromData(const QByteArray &data)
{
    fail(QString());
    const qint64 size = data.size();
    const uchar *d = reinterpret_cast<const uchar *>(data.constData());

    if (size < FileHeaderSize + CoreHeaderSize)
        return fail(QStringLiteral("file too short"));
    if (d[0] != 'B' || d[1] != 'M')
        return fail(QStringLiteral("not a BMP file"));
    const quint32 pixelOffset = le32(d + 10);
    const quint32 headerSize = le32(d + 14);

    qint64 width = 0;
    qint64 height = 0;
    int planes = 0;
    int bpp = 0;
    quint32 compression = CompressionRgb;
    qint64 coloursUsed = 0;
    int paletteEntrySize = 4;
    quint32 masks[3] = {0, 0, 0};
    bool masksInHeader = false;

    if (headerSize == CoreHeaderSize) {
        width = le16(d + 18);
        height = le16(d + 20);
        planes = le16(d + 22);
        bpp = le16(d + 24);
        paletteEntrySize = 3;
    } else if (isInfoHeaderSize(headerSize)) {
        if (size < FileHeaderSize + qint64(headerSize))
            return fail(QStringLiteral("truncated information header"));
        width = qint32(le32(d + 18));
        height = qint32(le32(d + 22));
        planes = le16(d + 26);
        bpp = le16(d + 28);
        compression = le32(d + 30);
        coloursUsed = le32(d + 46);
        if (headerSize >= 52) {
            masks[0] = le32(d + 54);
            masks[1] = le32(d + 58);
            masks[2] = le32(d + 62);
            masksInHeader = true;
        }
    } else {
        return fail(QStringLiteral("unsupported header size %1").arg(headerSize));
    }
    qint64 pos = FileHeaderSize + qint64(headerSize);

    if (planes != 1)
        return fail(QStringLiteral("plane count %1").arg(planes));
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > MaxDimension || height > MaxDimension)
        return fail(QStringLiteral("unsupported size %1 x %2").arg(width).arg(height));

    bool formatOk = false;
    switch (compression) {
    case CompressionRgb:
        formatOk = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
        break;
    case CompressionRle8:
        formatOk = bpp == 8 && !topDown;
        break;
    case CompressionRle4:
        formatOk = bpp == 4 && !topDown;
        break;
    case CompressionBitFields:
    case CompressionAlphaBitFields:
        formatOk = bpp == 16 || bpp == 32;
        break;
    default:
        break;
    }
    if (!formatOk)
        return fail(QStringLiteral("unsupported format: %1 bits, compression %2")
                            .arg(bpp)
                            .arg(compression));

    if (compression == CompressionBitFields || compression == CompressionAlphaBitFields) {
        if (!masksInHeader) {
            // The masks follow a 40-byte header (with a fourth, alpha, mask for type 6).
            const int maskBytes = compression == CompressionAlphaBitFields ? 16 : 12;
            if (pos + maskBytes > size)
                return fail(QStringLiteral("truncated colour masks"));
            masks[0] = le32(d + pos);
            masks[1] = le32(d + pos + 4);
            masks[2] = le32(d + pos + 8);
            pos += maskBytes;
        }
        if (!masks[0] && !masks[1] && !masks[2])
            return fail(QStringLiteral("empty colour masks"));
    } else if (bpp == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
    const Channel red(masks[0]);
    const Channel green(masks[1]);
    const Channel blue(masks[2]);

    QVector<quint32> palette;
    if (bpp <= 8) {
        if (coloursUsed > 256)
            return fail(QStringLiteral("palette of %1 colours").arg(coloursUsed));
        qint64 count = coloursUsed ? coloursUsed : (qint64(1) << bpp);
        // A pixel offset inside the palette means the palette is shorter than announced.
        if (pixelOffset >= pos && pixelOffset < pos + count * paletteEntrySize)
            count = (pixelOffset - pos) / paletteEntrySize;
        if (count < 1)
            return fail(QStringLiteral("empty palette"));
        if (pos + count * paletteEntrySize > size)
            return fail(QStringLiteral("truncated palette"));
        palette.resize(int(count));
        for (int i = 0; i < count; ++i) {
            const uchar *e = d + pos + i * paletteEntrySize;
            palette[i] = (quint32(e[2]) << 16) | (quint32(e[1]) << 8) | e[0];
        }
        pos += count * paletteEntrySize;
    }
    const auto colourOf = [&palette](quint32 index) -> quint32 {
        return index < quint32(palette.size()) ? palette[int(index)] : 0;
    };

    // Pixel data starts at the offset the file gives, unless that points back into the headers.
    const qint64 dataStart = pixelOffset >= pos ? qint64(pixelOffset) : pos;
    if (dataStart > size)
        return fail(QStringLiteral("pixel offset past the end of the file"));

    const int w = int(width);
    const int h = int(height);

    if (compression == CompressionRle8 || compression == CompressionRle4) {
        const bool rle8 = compression == CompressionRle8;
        // Pixels that the runs skip keep the first palette colour.
        QVector<quint32> pixels(w * h, colourOf(0));
        qint64 x = 0;
        qint64 y = 0; // counted from the bottom row
        const auto put = [&](quint32 index) {
            if (x < w && y < h)
                pixels[int((h - 1 - y) * w + x)] = colourOf(index);
            ++x;
        };
        qint64 p = dataStart;
        for (;;) {
            if (p + 2 > size)
                return fail(QStringLiteral("run-length data ends without its end marker"));
            const int count = d[p];
            const int value = d[p + 1];
            p += 2;
            if (count > 0) {
                if (x >= w || y >= h) {
                    x += count;
                    continue;
                }
                for (int i = 0; i < count; ++i)
                    put(rle8 ? quint32(value) : quint32((i & 1) ? value & 0x0F : value >> 4));
                continue;
            }
            if (value == 0) { // end of line
                x = 0;
                ++y;
            } else if (value == 1) { // end of picture
                break;
            } else if (value == 2) { // move right and up
                if (p + 2 > size)
                    return fail(QStringLiteral("truncated run-length move"));
                x += d[p];
                y += d[p + 1];
                p += 2;
            } else { // literal pixels, padded to a 16-bit boundary
                const qint64 bytes = rle8 ? value : (value + 1) / 2;
                const qint64 padded = (bytes + 1) & ~qint64(1);
                if (p + padded > size)
                    return fail(QStringLiteral("truncated run-length literal"));
                for (int i = 0; i < value; ++i) {
                    const uchar b = d[p + (rle8 ? i : i / 2)];
                    put(rle8 ? b : quint32((i & 1) ? b & 0x0F : b >> 4));
                }
                p += padded;
            }
        }
        m_pixels = pixels;
        m_width = w;
        m_height = h;
        return true;
    }

    const qint64 stride = ((width * bpp + 31) / 32) * 4;
    if (dataStart + stride * height > size)
        return fail(QStringLiteral("truncated pixel data"));

    QVector<quint32> pixels(w * h);
    for (int r = 0; r < h; ++r) {
        const uchar *row = d + dataStart + r * stride;
        quint32 *out = pixels.data() + (topDown ? r : h - 1 - r) * w;
        for (int x = 0; x < w; ++x) {
            switch (bpp) {
            case 1:
                out[x] = colourOf((row[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                out[x] = colourOf((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
                break;
            case 8:
                out[x] = colourOf(row[x]);
                break;
            case 24:
                out[x] = (quint32(row[3 * x + 2]) << 16) | (quint32(row[3 * x + 1]) << 8)
                         | row[3 * x];
                break;
            default: {
                const quint32 v = bpp == 16 ? le16(row + 2 * x) : le32(row + 4 * x);
                out[x] = (red.value(v) << 16) | (green.value(v) << 8) | blue.value(v);
                break;
            }
            }
        }
    }
    m_pixels = pixels;
    m_width = w;
    m_height = h;
    return true;
}
