#include "resources/art/imagewriters.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

namespace {

quint32 field32(const QByteArray &data, int offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

quint16 field16(const QByteArray &data, int offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

// An uneven pattern, so that swapped rows, columns or bit orders show up.
bool patternLight(int x, int y)
{
    return x == 0 || y == 0 || (x * 7 + y * 3) % 5 == 0;
}

QImage decode(const QByteArray &data, const char *format)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    return reader.read();
}

} // namespace

class ImageWritersTest : public QObject
{
    Q_OBJECT

private slots:
    void monoBmp_data();
    void monoBmp();
    void rgbBmp_data();
    void rgbBmp();
    void icoKeepsEverySizeAndTransparency();
};

void ImageWritersTest::monoBmp_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("lightBit");
    QTest::newRow("128 x 32, light is 1") << QSize(128, 32) << 1;
    QTest::newRow("64 x 128, light is 0") << QSize(64, 128) << 0;
    QTest::newRow("13 x 5, padded rows") << QSize(13, 5) << 1;
    QTest::newRow("33 x 2, padded rows, light is 0") << QSize(33, 2) << 0;
}

void ImageWritersTest::monoBmp()
{
    QFETCH(QSize, size);
    QFETCH(int, lightBit);
    QImage source(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            source.setPixel(x, y, patternLight(x, y) ? qRgb(230, 240, 250) : qRgb(20, 10, 0));
    }

    const QByteArray data = ImageWriters::monoBmp(source, lightBit);
    const int rowBytes = (size.width() + 31) / 32 * 4;
    QCOMPARE(data.size(), 62 + rowBytes * size.height());
    QCOMPARE(field32(data, 2), quint32(data.size()));
    QCOMPARE(field32(data, 10), quint32(62));
    QCOMPARE(field16(data, 28), quint16(1));
    QCOMPARE(field32(data, 34), quint32(rowBytes * size.height()));
    // Palette entry for the bit value of light pixels is white, the other black.
    const quint32 white = 0x00ffffff;
    QCOMPARE(field32(data, 54 + 4 * lightBit), white);
    QCOMPARE(field32(data, 54 + 4 * (1 - lightBit)), quint32(0));
    // Bottom-up: the last row of the file is the top row, whose first pixel is light.
    const quint8 topFirstByte = quint8(data.at(62 + rowBytes * (size.height() - 1)));
    QCOMPARE(bool(topFirstByte & 0x80), lightBit == 1);

    const QImage decoded = decode(data, "bmp");
    QVERIFY(!decoded.isNull());
    QCOMPARE(decoded.size(), size);
    QCOMPARE(decoded.depth(), 1);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb expected = patternLight(x, y) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
            if (decoded.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1, %2 is wrong").arg(x).arg(y)));
        }
    }
}

void ImageWritersTest::rgbBmp_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("80 x 160") << QSize(80, 160);
    QTest::newRow("5 x 3, padded rows") << QSize(5, 3);
}

void ImageWritersTest::rgbBmp()
{
    QFETCH(QSize, size);
    QImage source(size, QImage::Format_ARGB32);
    auto colourAt = [](int x, int y) {
        return qRgb((x * 37) % 256, (y * 53) % 256, ((x + y) * 11 + 5) % 256);
    };
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            source.setPixel(x, y, colourAt(x, y));
    }

    const QByteArray data = ImageWriters::rgbBmp(source);
    const int rowBytes = (size.width() * 3 + 3) / 4 * 4;
    QCOMPARE(data.size(), 54 + rowBytes * size.height());
    QCOMPARE(field32(data, 2), quint32(data.size()));
    QCOMPARE(field32(data, 10), quint32(54));
    QCOMPARE(field16(data, 28), quint16(24));

    const QImage decoded = decode(data, "bmp");
    QCOMPARE(decoded.size(), size);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (decoded.pixel(x, y) != colourAt(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel %1, %2 is wrong").arg(x).arg(y)));
        }
    }
}

void ImageWritersTest::icoKeepsEverySizeAndTransparency()
{
    QList<QImage> sources;
    for (int size : {16, 24, 256}) {
        QImage image(size, size, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        for (int y = 1; y < size - 1; ++y) {
            for (int x = 1; x < size - 1; ++x)
                image.setPixel(x, y, qRgba(x * 255 / size, y * 255 / size, 90, 255));
        }
        sources.append(image);
    }

    const QByteArray data = ImageWriters::ico(sources);
    QCOMPARE(field16(data, 4), quint16(3));
    QCOMPARE(quint8(data.at(6 + 2 * 16)), quint8(0)); // 256 is written as 0

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QCOMPARE(reader.imageCount(), 3);
    for (int i = 0; i < sources.size(); ++i) {
        if (i > 0)
            QVERIFY(reader.jumpToNextImage());
        const QImage decoded = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!decoded.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(decoded.size(), sources.at(i).size());
        const int last = decoded.width() - 1;
        QCOMPARE(qAlpha(decoded.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(decoded.pixel(last, last)), 0);
        // Opaque pixels keep their colour; the top row tells an upside-down image apart.
        QCOMPARE(decoded.pixel(1, 1), sources.at(i).pixel(1, 1));
        QCOMPARE(decoded.pixel(last - 1, 1), sources.at(i).pixel(last - 1, 1));
        QCOMPARE(decoded.pixel(1, last - 1), sources.at(i).pixel(1, last - 1));
    }
}

QTEST_MAIN(ImageWritersTest)
#include "tst_imagewriters.moc"
