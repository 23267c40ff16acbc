#include "pictures/bmp.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

void putLe(QByteArray &data, int offset, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        data[offset + i] = char((value >> (8 * i)) & 0xFF);
}

// A 24-bit BMP file of the picture rgb(x, y) (0xRRGGBB, row 0 at the top).
QByteArray rgbFile(int w, int h, const std::function<quint32(int, int)> &rgb)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, 0xFF000000 | rgb(x, y));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "BMP") ? bytes : QByteArray();
}

// An 8-bit run-length BMP of w x h with the palette colour0, white and the given run data.
QByteArray runLengthFile(int w, int h, const QByteArray &runs, quint32 colour0 = 0)
{
    QByteArray head(62, '\0');
    head[0] = 'B';
    head[1] = 'M';
    putLe(head, 2, quint32(head.size() + runs.size()), 4);
    putLe(head, 10, quint32(head.size()), 4);
    putLe(head, 14, 40, 4);
    putLe(head, 18, quint32(w), 4);
    putLe(head, 22, quint32(h), 4);
    putLe(head, 26, 1, 2);
    putLe(head, 28, 8, 2);
    putLe(head, 30, 1, 4); // run-length, 8 bits
    putLe(head, 34, quint32(runs.size()), 4);
    putLe(head, 46, 2, 4);
    putLe(head, 54, colour0, 4);
    putLe(head, 58, 0xFFFFFF, 4);
    return head + runs;
}

// Leaves the heap full of freed blocks of the pattern, of the sizes a decoded picture takes,
// so that a decoder that leaves pixels unwritten shows the pattern rather than zeros.
void dirtyHeap(char pattern)
{
    for (int size : {512, 1024, 4096, 8192, 65536}) {
        std::vector<QByteArray> blocks;
        for (int i = 0; i < 16; ++i)
            blocks.emplace_back(size, pattern);
    }
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
    void headers();
    void roundTrip_data();
    void roundTrip();
    void monoLayoutAndThreshold();
    void monoSizes_data();
    void monoSizes();
    void colourBytes();
    void capacityAndArguments();
    void resourcePath();
    void anyPictureFormat();
    void refusedBeforeDecoding();
    void cutShortRefused();
    void runLengthSkipsTakeColourZero();
    void topDownRows();

private:
    QString saved(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QString::number(++m_files) + ".bmp");
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? path : QString();
    }
    QTemporaryDir m_dir;
    int m_files = 0;
};

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

// The page shows whatever Qt reads, and the converter reads the same way, by content: a PNG
// saved under a slot's name converts exactly as the BMP of the same picture.
void TestBmp::anyPictureFormat()
{
    QImage image(128, 32, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int x = 0; x < 128; x += 3)
        image.setPixel(x, (x * 7) % 32, qRgb(255, 255, 255));
    const QString png = m_dir.filePath("3.bmp");
    QVERIFY(image.save(png, "PNG"));
    QCOMPARE(BMP::readPicture(png).size(), QSize(128, 32));

    std::vector<quint8> fromPng(512);
    std::vector<quint8> fromBmp(512);
    QCOMPARE(BMP::bmp8ToLcdColRowData(fromPng.data(), png, true, 512), 512);
    QCOMPARE(BMP::bmp8ToLcdColRowData(
                     fromBmp.data(),
                     saved(rgbFile(128, 32,
                                   [&](int x, int y) { return image.pixel(x, y) & 0xFFFFFF; })),
                     true, 512),
             512);
    QVERIFY(fromPng == fromBmp);
    QCOMPARE(int(fromPng[2 * 128 + 3]), 1 << 5); // column 3 is lit in row 21: page 2, bit 5
}

// A picture takes memory in proportion to its file: 70 bytes of run-length data announcing
// 4096 x 4096 pixels are refused from the header, while run-length data for a picture of the
// screen's size converts. Named pipes are never opened: reading one waits for a writer.
void TestBmp::refusedBeforeDecoding()
{
    const QByteArray huge = runLengthFile(4096, 4096, QByteArray::fromHex("ff010000ff010001"));
    QCOMPARE(huge.size(), 70);
    const QString hugePath = saved(huge);
    QCOMPARE(QImageReader(hugePath).size(), QSize(4096, 4096)); // a well-formed header
    QString why;
    QVERIFY(BMP::readPicture(hugePath, &why).isNull());
    QVERIFY2(why.contains("too large"), qPrintable(why));

    QByteArray rows;
    for (int row = 0; row < 32; ++row) // bottom row first: lit, then 31 dark rows
        rows += QByteArray::fromHex(row == 0 ? "80010000" : "80000000");
    rows += QByteArray::fromHex("0001");
    std::vector<quint8> lcd(512);
    QCOMPARE(BMP::bmp8ToLcdColRowData(lcd.data(), saved(runLengthFile(128, 32, rows)), true, 512),
             512);
    for (int i = 0; i < 512; ++i)
        QCOMPARE(int(lcd[size_t(i)]), i >= 384 ? 0x80 : 0x00);

#ifdef Q_OS_UNIX
    const QString pipe = m_dir.filePath("pipe.bmp");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY(BMP::readPicture(pipe).isNull());
    QVERIFY(BMP::bmp8ToLcdColRowData(lcd.data(), pipe, true, 512) < 0);
#endif
}

// A BMP file with less pixel data than its header announces is refused on every read, whatever
// the memory held, and the message names the file.
void TestBmp::cutShortRefused()
{
    const QByteArray whole = rgbFile(40, 30, [](int, int) { return 0xFF0000u; });
    const QString path = saved(whole.left(whole.size() - 1));
    std::vector<quint8> lcd(26112);
    for (char pattern : {'\x11', '\xEE'}) {
        dirtyHeap(pattern);
        QString why;
        QVERIFY(BMP::readPicture(path, &why).isNull());
        QVERIFY2(why.contains(path) && why.contains("cut short"), qPrintable(why));
        QVERIFY(BMP::readPicture(whole.left(whole.size() - 1), "bmp").isNull());
        QVERIFY(BMP::bmp24ToLcdData(lcd.data(), path, int(lcd.size())) < 0);
    }
    QCOMPARE(BMP::readPicture(saved(whole)).size(), QSize(40, 30));
}

// Run-length data that skip pixels (a delta escape, a line ended early, the picture ended
// early) decode with those pixels in the colour of palette entry 0, on every read.
void TestBmp::runLengthSkipsTakeColourZero()
{
    // 64 x 16, bottom row first: four white pixels, a jump 5 right and 2 up, three white
    // pixels, the end of that line, two white pixels, the end of the picture.
    const QByteArray runs = QByteArray::fromHex("0401"
                                                "00020502"
                                                "0301"
                                                "0000"
                                                "0201"
                                                "0001");
    const QString path = saved(runLengthFile(64, 16, runs, 0x204080));
    const auto white = [](int x, int y) {
        return (y == 15 && x < 4) || (y == 13 && x >= 9 && x < 12) || (y == 12 && x < 2);
    };
    std::vector<quint8> lcd(128);
    for (char pattern : {'\x11', '\xEE'}) {
        dirtyHeap(pattern);
        const QImage image = BMP::readPicture(path);
        QCOMPARE(image.size(), QSize(64, 16));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 64; ++x)
                QCOMPARE(image.pixel(x, y), white(x, y) ? 0xFFFFFFFFu : 0xFF204080u);
        dirtyHeap(pattern);
        QCOMPARE(BMP::bmp8ToLcdColRowData(lcd.data(), path, true, 128), 128);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 64; ++x)
                QCOMPARE(lcdBit(lcd, 64, x, y), white(x, y));
    }
}

// A BMP file may store its rows from the top (a negative height); it reads upright.
void TestBmp::topDownRows()
{
    const QByteArray bottomUp = rgbFile(4, 3, [](int, int y) { return y == 0 ? 0xFF0000u : 0u; });
    const int stride = 12;
    QByteArray topDown = bottomUp.left(54);
    putLe(topDown, 22, quint32(-3), 4);
    for (int row = 2; row >= 0; --row)
        topDown += bottomUp.mid(54 + row * stride, stride);
    const QImage image = BMP::readPicture(saved(topDown));
    QCOMPARE(image.size(), QSize(4, 3));
    QCOMPARE(image.pixel(2, 0), 0xFFFF0000u);
    QCOMPARE(image.pixel(2, 2), 0xFF000000u);
}

QTEST_GUILESS_MAIN(TestBmp)
#include "tst_bmp.moc"
