#include "pictures/bmp.h"
#include "pictures/bmpdecoder.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <functional>
#include <vector>

namespace {

using PixelFn = std::function<quint32(int, int)>;

void putLe(QByteArray &data, int offset, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        data[offset + i] = char((value >> (8 * i)) & 0xFF);
}

// Pixel values (palette indices, raw 16/32-bit pixels, 0xRRGGBB at 24 bits) packed into rows of
// a file, each padded to four bytes; value(x, y) has row 0 at the top.
QByteArray packRows(int w, int h, int bpp, const PixelFn &value, bool topDown = false)
{
    const int stride = (w * bpp + 31) / 32 * 4;
    QByteArray data(stride * h, '\0');
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) {
            const quint32 v = value(x, topDown ? r : h - 1 - r);
            const int at = r * stride + x * bpp / 8;
            if (bpp < 8)
                data[at] = char(quint8(data[at]) | (v << (8 - bpp - x * bpp % 8)));
            else
                putLe(data, at, v, bpp / 8);
        }
    }
    return data;
}

// A BMP file built from the layout: header size 12 is the core header (3-byte palette entries).
// Masks go inside a 108/124-byte header and after a 40-byte one.
QByteArray bmpFile(int headerSize, int w, int h, int bpp, quint32 compression,
                   const QVector<quint32> &palette, const QByteArray &pixels,
                   const QVector<quint32> &masks = {})
{
    const bool core = headerSize == 12;
    QByteArray head(14 + headerSize + (headerSize == 40 ? 4 * masks.size() : 0), '\0');
    head[0] = 'B';
    head[1] = 'M';
    putLe(head, 14, quint32(headerSize), 4);
    putLe(head, 18, quint32(w), core ? 2 : 4);
    putLe(head, core ? 20 : 22, quint32(h), core ? 2 : 4);
    putLe(head, core ? 22 : 26, 1, 2);
    putLe(head, core ? 24 : 28, quint32(bpp), 2);
    if (!core) {
        putLe(head, 30, compression, 4);
        if (bpp <= 8 && palette.size() < (1 << bpp))
            putLe(head, 46, quint32(palette.size()), 4);
        for (int i = 0; i < masks.size(); ++i)
            putLe(head, 54 + 4 * i, masks[i], 4);
    }
    for (quint32 c : palette) {
        head.append(char(c & 0xFF)).append(char((c >> 8) & 0xFF)).append(char(c >> 16));
        if (!core)
            head.append('\0');
    }
    putLe(head, 10, quint32(head.size()), 4);
    return head + pixels;
}

QByteArray rgbFile(int w, int h, const PixelFn &rgb)
{
    return bmpFile(40, w, h, 24, 0, {}, packRows(w, h, 24, rgb));
}

// Expected pixels, row 0 at the top. The flag marks a pixel not compared with QImage: one that
// a run-length picture leaves out (QImage leaves it undefined), or one of a file that QImage
// does not read.
const quint32 NoReference = 0x1000000;
QVector<quint32> picture(int w, int h, const PixelFn &rgb)
{
    QVector<quint32> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.append(rgb(x, y));
    return out;
}

const int W = 7;
const int H = 5;
const QVector<quint32> four = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
const QVector<quint32> five = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

quint32 colourAt(int x, int y)
{
    return quint32((x * 37) & 0xFF) << 16 | quint32((y * 61) & 0xFF) << 8
           | quint32((x * y * 13 + 5) & 0xFF);
}
quint32 index5(int x, int y)
{
    return quint32((x + 2 * y) % 5);
}
quint32 raw565(int x, int y)
{
    const quint32 c = colourAt(x, y);
    return (c >> 19) << 11 | ((c >> 10) & 0x3F) << 5 | (c & 0xFF) >> 3;
}
// Index picture of a run-length case from its rows; 9 is a pixel left out (palette entry 0).
PixelFn runLengthRows(QVector<int> rows, int w)
{
    return [rows, w](int x, int y) {
        const int i = rows[y * w + x];
        return i == 9 ? NoReference | four[0] : four[i];
    };
}

bool lcdBit(const std::vector<quint8> &lcd, int width, int x, int y)
{
    return (lcd[size_t((y / 8) * width + x)] >> (y % 8)) & 1;
}

} // namespace

class TestBmp : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void decodeHandBuilt_data();
    void decodeHandBuilt();
    void decodeQImageFiles_data();
    void decodeQImageFiles();
    void malformedHeadersFail_data();
    void malformedHeadersFail();
    void randomCorruptionIsSafe();
    void headers();
    void roundTrip_data();
    void roundTrip();
    void monoLayoutAndThreshold();
    void monoSizes_data();
    void monoSizes();
    void colourBytes();
    void capacityAndArguments();
    void resourcePath();

private:
    QString saved(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QString::number(++m_files) + ".bmp");
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? path : QString();
    }
    // The decoded picture against the expected pixels and against what QImage reads.
    void checkPixels(const QString &path, const QVector<quint32> &expected, int w, int h)
    {
        BmpImage image;
        QVERIFY2(image.load(path), qPrintable(image.errorString()));
        QCOMPARE(QSize(image.width(), image.height()), QSize(w, h));
        const QImage reference(path, "BMP");
        const bool referenced = expected.isEmpty()
                                || std::any_of(expected.begin(), expected.end(),
                                               [](quint32 p) { return !(p & NoReference); });
        if (referenced)
            QCOMPARE(reference.size(), QSize(w, h));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const QByteArray at = QByteArray::number(x) + "," + QByteArray::number(y);
                const quint32 want = expected.isEmpty() ? 0 : expected[y * w + x];
                if (!(want & NoReference))
                    QVERIFY2(image.pixel(x, y) == (reference.pixel(x, y) & 0xFFFFFF), at);
                if (!expected.isEmpty())
                    QVERIFY2(image.pixel(x, y) == (want & 0xFFFFFF), at);
            }
        }
    }

    QTemporaryDir m_dir;
    int m_files = 0;
};

void TestBmp::decodeHandBuilt_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVector<quint32>>("expected");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    const auto byIndex5 = [](int x, int y) {
        return five[int(index5(x, y))];
    };
    QTest::newRow("4-bit, 5-colour palette")
            << bmpFile(40, W, H, 4, 0, five, packRows(W, H, 4, index5)) << picture(W, H, byIndex5)
            << W << H;
    QTest::newRow("8-bit, top-down")
            << bmpFile(40, W, -H, 8, 0, five, packRows(W, H, 8, index5, true))
            << picture(W, H, byIndex5) << W << H;
    // No colour count, but the pixel offset leaves room for three entries; indices 3 and 4
    // then lie outside the palette and read as black.
    QByteArray shortPalette = bmpFile(40, W, H, 8, 0, five.mid(0, 3), packRows(W, H, 8, index5));
    putLe(shortPalette, 46, 0, 4);
    QTest::newRow("8-bit, palette cut short") << shortPalette << picture(W, H, [](int x, int y) {
        return NoReference | (index5(x, y) < 3 ? five[int(index5(x, y))] : 0u);
    }) << W << H;
    QTest::newRow("1-bit, core header")
            << bmpFile(12, W, H, 1, 0, {0, 0xFFFFFF},
                       packRows(W, H, 1, [](int x, int y) { return quint32((x ^ y) & 1); }))
            << picture(W, H, [](int x, int y) { return (x ^ y) & 1 ? 0xFFFFFFu : 0u; }) << W << H;
    QTest::newRow("24-bit, core header")
            << bmpFile(12, W, H, 24, 0, {}, packRows(W, H, 24, colourAt)) << picture(W, H, colourAt)
            << W << H;
    QTest::newRow("24-bit, top-down")
            << bmpFile(40, W, -H, 24, 0, {}, packRows(W, H, 24, colourAt, true))
            << picture(W, H, colourAt) << W << H;
    // 16-bit channels take the field's bits as their top bits (31 of 5 bits gives 248).
    QTest::newRow("16-bit, 565 bit fields") << bmpFile(
            40, W, H, 16, 3, {}, packRows(W, H, 16, raw565),
            {0xF800, 0x07E0, 0x001F}) << picture(W, H, [](int x, int y) {
        const quint32 v = raw565(x, y);
        return (v >> 11) << 19 | ((v >> 5) & 0x3F) << 10 | (v & 0x1F) << 3;
    }) << W << H;
    QTest::newRow("16-bit, default 555") << bmpFile(
            40, W, H, 16, 0, {}, packRows(W, H, 16, [](int x, int) {
                return 0x7C00u >> x;
            })) << picture(W, H, [](int x, int) {
        const quint32 v = 0x7C00u >> x;
        return (v >> 10) << 19 | ((v >> 5) & 0x1F) << 11 | (v & 0x1F) << 3;
    }) << W << H;
    QTest::newRow("32-bit, unused top byte")
            << bmpFile(40, W, H, 32, 0, {},
                       packRows(W, H, 32, [](int x, int y) { return 0x5A000000 | colourAt(x, y); }))
            << picture(W, H, colourAt) << W << H;
    QTest::newRow("32-bit, V5 header with alpha mask")
            << bmpFile(124, W, H, 32, 3, {},
                       packRows(W, H, 32, [](int x, int y) { return 0xFF000000 | colourAt(x, y); }),
                       {0xFF0000, 0xFF00, 0xFF, 0xFF000000})
            << picture(W, H, colourAt) << W << H;
    QTest::newRow("32-bit, V4 header, reordered masks")
            << bmpFile(108, W, H, 32, 3, {},
                       packRows(W, H, 32,
                                [](int x, int y) {
                                    const quint32 c = colourAt(x, y);
                                    return (c & 0xFF) << 24 | ((c >> 8) & 0xFF) << 16
                                           | (c >> 16) << 8;
                                }),
                       {0xFF00, 0xFF0000, 0xFF000000, 0})
            << picture(W, H, colourAt) << W << H;

    // Run-length rows in the file go bottom first: runs, literals (padded), moves, line ends.
    const QByteArray rle8 = QByteArray::fromHex("0401 000302030100 0000  0202 00020301 0203 0000 "
                                                "0702 0000  000401020301 0303 0000 0001");
    QTest::newRow("8-bit, run-length")
            << bmpFile(40, W, H, 8, 1, four, rle8)
            << picture(W, H,
                       runLengthRows({1, 2, 3, 1, 3, 3, 3, 2, 2, 2, 2, 2, 2, 2, 9, 9, 9, 9,
                                      9, 3, 3, 2, 2, 9, 9, 9, 9, 9, 1, 1, 1, 1, 2, 3, 1},
                                     W))
            << W << H;
    const QByteArray rle4 = QByteArray::fromHex("0712 0000  000531230000 0233 0000  0320 0001");
    QTest::newRow("4-bit, run-length")
            << bmpFile(40, W, 3, 4, 2, four, rle4)
            << picture(W, 3,
                       runLengthRows(
                               {2, 0, 2, 9, 9, 9, 9, 3, 1, 2, 3, 0, 3, 3, 1, 2, 1, 2, 1, 2, 1}, W))
            << W << 3;
    // A run and a literal past the row end and a move above the top are clipped.
    const QByteArray overrun = QByteArray::fromHex("FF01 0000  000A02020202020202020202 0000 "
                                                   "00020503 0301 0001");
    QTest::newRow("8-bit, run-length overruns")
            << bmpFile(40, 4, 2, 8, 1, four, overrun)
            << picture(4, 2, [](int, int y) { return NoReference | four[2 - y]; }) << 4 << 2;
}

void TestBmp::decodeHandBuilt()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QVector<quint32>, expected);
    QFETCH(int, width);
    QFETCH(int, height);
    checkPixels(saved(bytes), expected, width, height);

    // Every file is exactly as long as its content, so any shorter prefix is truncated.
    for (int length = 0; length < bytes.size(); ++length) {
        BmpImage cut;
        QVERIFY2(!cut.loadFromData(bytes.left(length)), qPrintable(QString::number(length)));
        QVERIFY(cut.isNull() && !cut.errorString().isEmpty());
    }
}

void TestBmp::decodeQImageFiles_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<int>("bitsPerPixel");

    QRandomGenerator random(20240611);
    const auto fill = [&random](QImage image, int colours) {
        for (int i = 0; i < colours; ++i)
            image.setColor(i, random.generate() | 0xFF000000);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, colours ? random.bounded(colours) : random.generate());
        return image;
    };
    QTest::newRow("mono 37x9") << fill(QImage(37, 9, QImage::Format_Mono), 2) << 1;
    QTest::newRow("16 colours 13x7") << fill(QImage(13, 7, QImage::Format_Indexed8), 16) << 4;
    QTest::newRow("200 colours 31x6") << fill(QImage(31, 6, QImage::Format_Indexed8), 200) << 8;
    QTest::newRow("rgb 11x10") << fill(QImage(11, 10, QImage::Format_RGB32), 0) << 24;
}

void TestBmp::decodeQImageFiles()
{
    QFETCH(QImage, source);
    QFETCH(int, bitsPerPixel);
    const QString path = m_dir.filePath("qt.bmp");
    QVERIFY(source.save(path, "BMP"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(int(quint8(f.readAll().at(28))), bitsPerPixel);
    checkPixels(path, {}, source.width(), source.height());
}

void TestBmp::malformedHeadersFail_data()
{
    QTest::addColumn<bool>("runLength");
    QTest::addColumn<int>("offset");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<int>("size");

    QTest::newRow("signature") << false << 0 << quint32('X') << 1;
    QTest::newRow("header size 64") << false << 14 << 64u << 4;
    QTest::newRow("header size huge") << false << 14 << 0xFFFFFFF0u << 4;
    QTest::newRow("width 0") << false << 18 << 0u << 4;
    QTest::newRow("width negative") << false << 18 << quint32(-7) << 4;
    QTest::newRow("width 4097") << false << 18 << 4097u << 4;
    QTest::newRow("width 4096, data for 7") << false << 18 << 4096u << 4;
    QTest::newRow("height INT_MIN") << false << 22 << quint32(INT_MIN) << 4;
    QTest::newRow("planes 2") << false << 26 << 2u << 2;
    QTest::newRow("2 bits") << false << 28 << 2u << 2;
    QTest::newRow("jpeg compression") << false << 30 << 4u << 4;
    QTest::newRow("bit fields at 8 bits") << false << 30 << 3u << 4;
    QTest::newRow("257 colours") << false << 46 << 257u << 4;
    QTest::newRow("colours huge") << false << 46 << 0xFFFFFFFFu << 4;
    QTest::newRow("pixel offset past end") << false << 10 << 0x7FFFFFF0u << 4;
    QTest::newRow("run-length at 24 bits") << true << 28 << 24u << 2;
    QTest::newRow("run-length top-down") << true << 22 << quint32(-H) << 4;
}

void TestBmp::malformedHeadersFail()
{
    QFETCH(bool, runLength);
    QFETCH(int, offset);
    QFETCH(quint32, value);
    QFETCH(int, size);
    QByteArray bytes
            = runLength ? bmpFile(40, W, H, 8, 1, four, QByteArray::fromHex("0701000007020001"))
                        : bmpFile(40, W, H, 8, 0, four,
                                  packRows(W, H, 8, [](int x, int) { return x & 3; }));
    QVERIFY(BmpImage().loadFromData(bytes));
    putLe(bytes, offset, value, size);
    BmpImage image;
    QVERIFY(!image.loadFromData(bytes));
    QVERIFY(image.isNull());
}

void TestBmp::randomCorruptionIsSafe()
{
    const QVector<QByteArray> samples = {
            bmpFile(40, W, H, 4, 0, four, packRows(W, H, 4, [](int x, int) { return x & 3; })),
            bmpFile(124, W, H, 32, 3, {}, packRows(W, H, 32, colourAt), {0xFF0000, 0xFF00, 0xFF}),
            bmpFile(12, W, H, 24, 0, {}, packRows(W, H, 24, colourAt)),
            bmpFile(40, W, H, 8, 1, four, QByteArray::fromHex("0401000302030100000007020001")),
            bmpFile(40, W, 3, 4, 2, four, QByteArray::fromHex("0712000000053123000002330001"))};
    QRandomGenerator random(7);
    int loaded = 0;
    int failed = 0;
    for (const QByteArray &sample : samples) {
        for (int round = 0; round < 3000; ++round) {
            QByteArray bytes = sample;
            for (int i = random.bounded(1, 5); i > 0; --i)
                bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            if (random.bounded(4) == 0)
                bytes.truncate(random.bounded(bytes.size()));
            BmpImage image;
            if (image.loadFromData(bytes)) {
                ++loaded;
                QVERIFY(image.width() >= 1 && image.width() <= BmpImage::MaxDimension);
                QVERIFY(image.height() >= 1 && image.height() <= BmpImage::MaxDimension);
                volatile int sink = 0; // every pixel is read, for the sanitizer to check
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x)
                        sink = sink + image.luminance(x, y);
            } else {
                ++failed;
                QVERIFY(image.isNull() && !image.errorString().isEmpty());
            }
        }
    }
    QVERIFY(loaded > 0 && failed > 0); // else the mutations do not reach the decoder
}

void TestBmp::headers()
{
    QCOMPARE(BMP::monoBmpHeader(0).toHex(),
             QByteArray("424d3e020000000000003e000000280000008000000020000000010001000000"
                        "000000020000120b0000120b0000000000000000000000000000ffffff00"));
    QCOMPARE(BMP::monoBmpHeader(1).toHex(),
             QByteArray("424d3e040000000000003e000000280000004000000080000000010001000000"
                        "000000040000120b0000120b00000200000002000000ffffff0000000000"));
    QVERIFY(BMP::monoBmpHeader(2).isEmpty());
    QVERIFY(BMP::monoBmpHeader(-1).isEmpty());
}

void TestBmp::roundTrip_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<quint32>("salt");
    for (quint32 salt : {1u, 2u, 3u}) {
        QTest::addRow("128x32 #%u", salt) << 0 << salt;
        QTest::addRow("64x128 #%u", salt) << 1 << salt;
    }
}

// Device bytes -> pixel array behind the fixed header -> file -> device bytes, exactly; QImage
// must also show every lit LCD pixel of the file white.
void TestBmp::roundTrip()
{
    QFETCH(int, format);
    QFETCH(quint32, salt);
    const int width = format == 0 ? 128 : 64;
    const int height = format == 0 ? 32 : 128;
    const int lcdSize = format == 0 ? 512 : 1024;

    QRandomGenerator random(salt);
    std::vector<quint8> lcd(static_cast<size_t>(lcdSize));
    for (quint8 &b : lcd)
        b = quint8(random.bounded(256));
    std::vector<quint8> pixels(format == 0 ? 768 : 1280);
    const int written = BMP::lcdColRowDataToBmp8(pixels.data(), lcd.data(), width, height,
                                                 format == 1, lcdSize, int(pixels.size()));
    QCOMPARE(written, lcdSize);
    const QByteArray bytes = BMP::monoBmpHeader(format)
                             + QByteArray(reinterpret_cast<const char *>(pixels.data()), written);

    const QImage shown = QImage::fromData(bytes, "BMP");
    QCOMPARE(shown.size(), QSize(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            QVERIFY(lcdBit(lcd, width, x, y) == (qGray(shown.pixel(x, y)) == 255));

    std::vector<quint8> back(format == 0 ? 1024 : 1536, 0xAA);
    QCOMPARE(BMP::bmp8ToLcdColRowData(back.data(), saved(bytes), true, int(back.size())), lcdSize);
    QVERIFY(std::equal(lcd.begin(), lcd.end(), back.begin()));
}

void TestBmp::monoLayoutAndThreshold()
{
    // One light pixel at column 5, row 10 of a dark 128 x 32 picture: page 1, bit 2.
    const QString one = saved(
            rgbFile(128, 32, [](int x, int y) { return x == 5 && y == 10 ? 0xFFFFFFu : 0u; }));
    std::vector<quint8> lcd(512);
    QCOMPARE(BMP::bmp8ToLcdColRowData(lcd.data(), one, true, 512), 512);
    for (int i = 0; i < 512; ++i)
        QCOMPARE(int(lcd[size_t(i)]), i == 128 + 5 ? 0x04 : 0x00);
    QCOMPARE(BMP::bmp8ToLcdColRowData(lcd.data(), one, false, 512), 512);
    for (int i = 0; i < 512; ++i)
        QCOMPARE(int(lcd[size_t(i)]), i == 128 + 5 ? 0xFB : 0xFF);

    // And back, inverted: only that pixel has bit value 1, in BMP row 31 - 10, bit 7 - 5.
    std::vector<quint8> bmp(512);
    QCOMPARE(BMP::lcdColRowDataToBmp8(bmp.data(), lcd.data(), 128, 32, true, 512, 512), 512);
    for (int i = 0; i < 512; ++i)
        QCOMPARE(int(bmp[size_t(i)]), i == 21 * 16 ? 0x04 : 0x00);

    // Luminance threshold at 128: grey 127 dark, grey 128 light, green light, red and blue dark.
    const quint32 colours[] = {0x7F7F7F, 0x808080, 0x00FF00, 0xFF0000, 0x0000FF, 0xFFFF00};
    const QString mixed = saved(rgbFile(6, 1, [&](int x, int) { return colours[x]; }));
    QCOMPARE(BMP::bmp8ToLcdColRowData(lcd.data(), mixed, true, 6), 6);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(lcd.data()), 6).toHex(),
             QByteArray("000101000001"));
}

void TestBmp::monoSizes_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bytes");
    QTest::newRow("128x48") << 128 << 48 << 768;
    QTest::newRow("64x64") << 64 << 64 << 512;
    QTest::newRow("20x12") << 20 << 12 << 40;
}

// Any size converts to width x whole pages; rows below the picture stay clear.
void TestBmp::monoSizes()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bytes);
    const QString path = saved(rgbFile(width, height, [](int, int) { return 0u; }));
    std::vector<quint8> lcd(static_cast<size_t>(bytes));
    QCOMPARE(BMP::bmp8ToLcdColRowData(lcd.data(), path, false, bytes), bytes);
    const quint8 lastPage = quint8(0xFF >> ((8 - height % 8) % 8));
    for (int i = 0; i < bytes; ++i)
        QCOMPARE(lcd[size_t(i)], i < bytes - width ? quint8(0xFF) : lastPage);
}

void TestBmp::colourBytes()
{
    // Quadrants red, green / blue, white, with two odd colours; the file is bottom-up, the
    // output starts at the top row.
    const QString path = saved(rgbFile(80, 160, [](int x, int y) {
        if (x == 0 && y == 0)
            return 0x123456u;
        if (x == 79 && y == 159)
            return 0x070307u;
        if (y < 80)
            return x < 40 ? 0xFF0000u : 0x00FF00u;
        return x < 40 ? 0x0000FFu : 0xFFFFFFu;
    }));
    std::vector<quint8> lcd(26112);
    QCOMPARE(BMP::bmp24ToLcdData(lcd.data(), path, int(lcd.size())), 25600);
    const auto at = [&](int x, int y) {
        return (lcd[size_t((y * 80 + x) * 2)] << 8) | lcd[size_t((y * 80 + x) * 2 + 1)];
    };
    QCOMPARE(lcd[2], quint8(0xF8)); // pure red, high byte first
    QCOMPARE(lcd[3], quint8(0x00));
    QCOMPARE(at(0, 0), 0x11AA);
    QCOMPARE(at(79, 79), 0x07E0);
    QCOMPARE(at(0, 80), 0x001F);
    QCOMPARE(at(78, 159), 0xFFFF);
    QCOMPARE(at(79, 159), 0x0000);
}

void TestBmp::capacityAndArguments()
{
    // Buffers of exactly the capacity given: the sanitizer reports any write past them.
    const QString mono = saved(rgbFile(128, 32, [](int x, int) { return x ? 0xFFFFFFu : 0u; }));
    std::vector<quint8> small(511, 0x5A);
    const auto untouched = [&] {
        return std::all_of(small.begin(), small.end(), [](quint8 b) { return b == 0x5A; });
    };
    QVERIFY(BMP::bmp8ToLcdColRowData(small.data(), mono, true, 511) < 0);
    QVERIFY(BMP::bmp24ToLcdData(small.data(), mono, 511) < 0);
    std::vector<quint8> lcd(1024, 0xFF);
    QVERIFY(BMP::lcdColRowDataToBmp8(small.data(), lcd.data(), 128, 32, false, 512, 511) < 0);
    QVERIFY(BMP::lcdColRowDataToBmp8(small.data(), lcd.data(), 8, 8, false, 7, 511) < 0);
    QVERIFY(BMP::lcdColRowDataToBmp8(small.data(), lcd.data(), 0, 8, false, 512, 511) < 0);
    QVERIFY(BMP::lcdColRowDataToBmp8(small.data(), nullptr, 8, 8, false, 512, 511) < 0);
    QVERIFY(untouched());
    std::vector<quint8> exact(8192);
    QCOMPARE(BMP::bmp24ToLcdData(exact.data(), mono, 8192), 8192);

    // Rows padded to four bytes, padding clear: 20 pixels take 3 of 4 bytes.
    std::vector<quint8> padded(48);
    QCOMPARE(BMP::lcdColRowDataToBmp8(padded.data(), lcd.data(), 20, 12, false, 40, 48), 48);
    for (int row = 0; row < 12; ++row)
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&padded[size_t(row * 4)]), 4).toHex(),
                 QByteArray("fffff000"));

    QVERIFY(BMP::bmp8ToLcdColRowData(nullptr, mono, true, 512) < 0);
    QVERIFY(BMP::bmp8ToLcdColRowData(lcd.data(), m_dir.filePath("missing.bmp"), true, 1024) < 0);
    const QString garbage = saved("BM this is not a picture at all");
    QVERIFY(BMP::bmp8ToLcdColRowData(lcd.data(), garbage, true, 1024) < 0);
    QVERIFY(BMP::bmp24ToLcdData(lcd.data(), garbage, 1024) < 0);
}

void TestBmp::resourcePath()
{
    // Compiled-in 128 x 32 picture whose device bytes are (i * 37 + 11) & 0xFF.
    std::vector<quint8> lcd(1024);
    QCOMPARE(BMP::bmp8ToLcdColRowData(lcd.data(), ":/bmptest/pattern.bmp", true, 1024), 512);
    for (int i = 0; i < 512; ++i)
        QCOMPARE(int(lcd[size_t(i)]), (i * 37 + 11) & 0xFF);
    QVERIFY(BMP::bmp8ToLcdColRowData(lcd.data(), ":/bmptest/none.bmp", true, 1024) < 0);
}

QTEST_GUILESS_MAIN(TestBmp)
#include "tst_bmp.moc"
