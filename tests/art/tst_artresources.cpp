#include "resources/art/artresources.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

quint32 field32(const QByteArray &data, int offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

quint16 field16(const QByteArray &data, int offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

int opaquePixels(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x)
            count += qAlpha(argb.pixel(x, y)) > 0 ? 1 : 0;
    }
    return count;
}

int brightestOpaqueGrey(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int brightest = -1;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb pixel = argb.pixel(x, y);
            if (qAlpha(pixel) == 255)
                brightest = qMax(brightest, qGray(pixel));
        }
    }
    return brightest;
}

void checkAllDifferent(const QStringList &paths, const QList<QImage> &images)
{
    for (int i = 0; i < images.size(); ++i) {
        for (int j = i + 1; j < images.size(); ++j) {
            if (images.at(i) == images.at(j))
                QFAIL(qPrintable(QStringLiteral("%1 and %2 are the same picture")
                                         .arg(paths.at(i), paths.at(j))));
        }
    }
}

} // namespace

class ArtResourcesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initArtResources(); }

    void transparentPictures_data();
    void transparentPictures();
    void windowButtonsDiffer();
    void navigationIcons();
    void logoAndWelcomePicture();
    void lcdSet_data();
    void lcdSet();
    void applicationIcon();
};

void ArtResourcesTest::transparentPictures_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (const char *name : {"showMin", "showMax", "showNormal", "close"}) {
        QTest::newRow(name) << QStringLiteral(":/title/pic/%1.png").arg(QLatin1String(name))
                            << QSize(32, 24);
    }
    QTest::newRow("system menu") << QStringLiteral(":/list/ico/5.png") << QSize(100, 30);
    QTest::newRow("help menu") << QStringLiteral(":/list/ico/6.png") << QSize(100, 30);
}

// Window buttons and menu icons: light glyphs on a transparent background.
void ArtResourcesTest::transparentPictures()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    QVERIFY(image.hasAlphaChannel());
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(size.width() - 1, size.height() - 1)), 0);
    const int opaque = opaquePixels(image);
    QVERIFY2(opaque > 10, "the glyph is missing");
    QVERIFY2(opaque < size.width() * size.height() / 2, "the background is not transparent");
    QVERIFY2(brightestOpaqueGrey(image) >= 200, "the glyph is not light");
    QVERIFY(!QIcon(path).isNull());
}

void ArtResourcesTest::windowButtonsDiffer()
{
    QStringList paths;
    QList<QImage> images;
    for (const char *name : {"showMin", "showMax", "showNormal", "close"}) {
        paths.append(QStringLiteral(":/title/pic/%1.png").arg(QLatin1String(name)));
        images.append(QImage(paths.last()).convertToFormat(QImage::Format_ARGB32));
    }
    paths << ":/list/ico/5.png"
          << ":/list/ico/6.png";
    images << QImage(paths.at(4)).convertToFormat(QImage::Format_ARGB32)
           << QImage(paths.at(5)).convertToFormat(QImage::Format_ARGB32);
    checkAllDifferent(paths, images);
}

void ArtResourcesTest::navigationIcons()
{
    QStringList paths;
    QList<QImage> images;
    for (int index = 1; index <= 4; ++index) {
        const QString path = QStringLiteral(":/list/ico/%1.ico").arg(index);
        const QByteArray data = readAll(path);
        QVERIFY2(data.size() > 6, qPrintable(path));
        // An icon directory: reserved 0, type 1 (icon), then the number of images.
        QCOMPARE(field16(data, 0), quint16(0));
        QCOMPARE(field16(data, 2), quint16(1));
        QVERIFY(field16(data, 4) >= 2);

        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("ico"));
        QCOMPARE(reader.imageCount(), int(field16(data, 4)));
        const QImage first = reader.read();
        QVERIFY2(!first.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(first.width(), first.height());

        const QIcon icon(path);
        const QList<QSize> sizes = icon.availableSizes();
        QVERIFY2(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)), qPrintable(path));
        const QImage small = icon.pixmap(QSize(16, 16)).toImage();
        QCOMPARE(small.size(), QSize(16, 16));
        // Rounded tile: the corner is see-through, the middle is covered.
        QCOMPARE(qAlpha(small.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(small.pixel(8, 8)), 255);
        paths.append(path);
        images.append(icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32));
    }
    checkAllDifferent(paths, images);
}

void ArtResourcesTest::logoAndWelcomePicture()
{
    const QImage logo(":/log/log/korlex.png");
    QCOMPARE(logo.size(), QSize(180, 60));
    QVERIFY2(brightestOpaqueGrey(logo) >= 200, "the logo has nothing light to show on black");

    const QImage welcome(":/log/log/welcomPic.png");
    QCOMPARE(welcome.size(), QSize(1200, 700));
    // Opaque, since it is the background of a whole page.
    QCOMPARE(opaquePixels(welcome), 1200 * 700);
}

void ArtResourcesTest::lcdSet_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("count");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("bitsPerPixel");
    QTest::newRow("128 x 32") << QStringLiteral(":/512/512/%1.bmp") << 12 << QSize(128, 32) << 1;
    QTest::newRow("64 x 128") << QStringLiteral(":/1024/1024/%1.bmp") << 12 << QSize(64, 128) << 1;
    QTest::newRow("80 x 160") << QStringLiteral(":/25K/25K/%1.bmp") << 10 << QSize(80, 160) << 24;
}

void ArtResourcesTest::lcdSet()
{
    QFETCH(QString, pattern);
    QFETCH(int, count);
    QFETCH(QSize, size);
    QFETCH(int, bitsPerPixel);

    QStringList paths;
    QList<QImage> images;
    for (int slot = 1; slot <= count; ++slot) {
        const QString path = pattern.arg(slot);
        const QByteArray data = readAll(path);
        QVERIFY2(data.size() >= 54, qPrintable(path));
        QVERIFY(data.startsWith("BM"));
        QCOMPARE(field32(data, 2), quint32(data.size()));
        QCOMPARE(int(field32(data, 18)), size.width());
        QCOMPARE(int(field32(data, 22)), size.height()); // positive: bottom-up
        QCOMPARE(int(field16(data, 28)), bitsPerPixel);
        QCOMPARE(field32(data, 30), quint32(0)); // uncompressed
        const int rowBytes = (size.width() * bitsPerPixel + 31) / 32 * 4;
        QCOMPARE(int(field32(data, 10)) + rowBytes * size.height(), data.size());

        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);

        int light = 0;
        int edgeLight = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (bitsPerPixel == 1)
                    QVERIFY2(pixel == qRgb(0, 0, 0) || pixel == qRgb(255, 255, 255),
                             qPrintable(path));
                if (qGray(pixel) >= 128) {
                    ++light;
                    if (x == 0 || y == 0 || x == size.width() - 1 || y == size.height() - 1)
                        ++edgeLight;
                }
            }
        }
        const int area = size.width() * size.height();
        QVERIFY2(light > area / 100, qPrintable(path + " is blank"));
        // Lit pixels are drawn on a dark background, never the other way round.
        QVERIFY2(light < area / 2, qPrintable(path + " is not light on black"));
        QVERIFY2(edgeLight == 0, qPrintable(path + " is cut off at the edge"));
        paths.append(path);
        images.append(image.convertToFormat(QImage::Format_RGB32));
    }
    QVERIFY2(!QFile::exists(pattern.arg(count + 1)), "the set has more pictures than slots");
    checkAllDifferent(paths, images);
}

// Every size of the icon theme is drawn: a square tile, see-through at the corner, covered in
// the middle, and showing the device (light body on the dark tile) down to 16 pixels.
void ArtResourcesTest::applicationIcon()
{
    QCOMPARE(QImage(QStringLiteral(KORLEX_APP_ICON_PATH)).size(), QSize(256, 256));
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        const QString path
                = QStringLiteral(KORLEX_APP_ICON_DIR "/%1x%1/apps/" KORLEX_APP_ID ".png").arg(size);
        const QImage icon(path);
        QVERIFY2(!icon.isNull(), qPrintable(path));
        QCOMPARE(icon.size(), QSize(size, size));
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
        QVERIFY2(brightestOpaqueGrey(icon) >= 200, qPrintable(path + " shows no device"));
    }
}

QTEST_MAIN(ArtResourcesTest)
#include "tst_artresources.moc"
