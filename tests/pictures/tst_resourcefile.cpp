// The line format of the user resource file: encoding, the identity and CRC checks, the section
// walk, and the temperature values kept in Fahrenheit.

#include "device/frame.h"
#include "parameters/curveset.h"
#include "parameters/units.h"
#include "pictures/resourcefile.h"

#include <QBuffer>
#include <QImage>
#include <QtTest>

using namespace ResourceFile;

namespace {

// CRC-16/XMODEM computed bit by bit, independent of the table-driven one.
quint16 slowCrc(const QByteArray &data)
{
    quint16 crc = 0;
    for (char c : data) {
        crc ^= quint16(quint8(c)) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

Values ramp(int first, int step)
{
    Values values{};
    for (int j = 0; j < CurveValues; ++j)
        values[j] = quint16(first + step * j);
    return values;
}

Contents fullContents(quint16 id)
{
    Contents contents;
    contents.deviceId = id;
    contents.pictures = {QByteArray("BM-first"), QByteArray(), QByteArray("BM-third")};
    for (int g = 0; g < CurveGroups; ++g) {
        contents.temp[g] = ramp(10 * g, 3);
        contents.power[g] = ramp(g, 1);
    }
    return contents;
}

QVector<Entry::Kind> kindsOf(const ReadResult &result)
{
    QVector<Entry::Kind> kinds;
    for (const Entry &entry : result.entries)
        kinds << entry.kind;
    return kinds;
}

} // namespace

class TestResourceFile : public QObject
{
    Q_OBJECT

private slots:
    void identityLineFor2001();
    void hexDecoding_data();
    void hexDecoding();
    void crcCheck();
    void lineEncodings();
    void identityChecks_data();
    void identityChecks();
    void fullFileRoundTrip();
    void sectionsTakenBySender();
    void whiteSpaceInsideLines();
    void pictureLinePrefixes();
    void damagedLines();
    void missingLinesAtTheEnd();
    void celsiusValues();
    void picturesAreBmpOnly();
};

void TestResourceFile::identityLineFor2001()
{
    const quint16 crc = slowCrc(QByteArray::fromHex("2001"));
    const QString expected
            = QStringLiteral("d2001") + QStringLiteral("%1").arg(crc, 4, 16, QLatin1Char('0'));
    QCOMPARE(identityLine(0x2001), expected);
    QCOMPARE(identityLine(0x2001).size(), 9);
    QCOMPARE(identityLine(0x00ab).left(5), QStringLiteral("d00ab"));
}

void TestResourceFile::hexDecoding_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lower") << "00ff10" << QByteArray::fromHex("00ff10");
    QTest::newRow("upper") << "ABCD" << QByteArray::fromHex("abcd");
    QTest::newRow("odd count gives nothing") << "abc" << QByteArray();
    QTest::newRow("bad pair gives 0") << "12zz34" << QByteArray::fromHex("120034");
    QTest::newRow("half bad pair gives 0") << "1g" << QByteArray(1, '\0');
    QTest::newRow("empty") << "" << QByteArray();
}

void TestResourceFile::hexDecoding()
{
    QFETCH(QString, digits);
    QFETCH(QByteArray, bytes);
    QCOMPARE(fromHex(digits), bytes);
}

void TestResourceFile::crcCheck()
{
    const QByteArray payload("any picture bytes");
    const QByteArray line = withCrc(payload);
    QCOMPARE(line.size(), payload.size() + 2);
    const quint16 crc = slowCrc(payload);
    QCOMPARE(quint8(line.at(line.size() - 2)), quint8(crc >> 8)); // high byte first
    QCOMPARE(quint8(line.at(line.size() - 1)), quint8(crc & 0xFF));

    QByteArray taken;
    QVERIFY(takeCrc(line, &taken));
    QCOMPARE(taken, payload);

    QByteArray flipped = line;
    flipped[3] = char(flipped.at(3) ^ 0x01);
    QVERIFY(!takeCrc(flipped, &taken));
    QVERIFY(!takeCrc(QByteArray(1, '\0'), &taken));
    QVERIFY(!takeCrc(QByteArray(), &taken));
    // Two bytes are an empty payload with the CRC of nothing, which is 0.
    QVERIFY(takeCrc(QByteArray(2, '\0'), &taken));
    QVERIFY(taken.isEmpty());

    // Pictures from 64 KiB on are checked over their first (size modulo 65536) bytes.
    QByteArray big(65536 + 10, 'x');
    big[3] = 'y';
    QCOMPARE(payloadCrc(big), slowCrc(big.left(10)));
}

void TestResourceFile::lineEncodings()
{
    // A picture that did not load is written with an empty payload.
    QCOMPARE(pictureLine(4, QByteArray()), QStringLiteral("b40000"));
    QCOMPARE(pictureLine(11, QByteArray("BM")),
             QStringLiteral("b11424d")
                     + QStringLiteral("%1").arg(slowCrc("BM"), 4, 16, QLatin1Char('0')));
    const QString curve = curveLine(3, ramp(0x0102, 0x0101));
    QCOMPARE(curve.size(), 46);
    QVERIFY(curve.startsWith(QStringLiteral("M30102020303040405")));
    QCOMPARE(curve.mid(2), curve.mid(2).toLower());
}

void TestResourceFile::identityChecks_data()
{
    const QString good = identityLine(0x2001);
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("identity");
    QTest::newRow("good") << good << int(Identity::Matches);
    QTest::newRow("upper-case hex")
            << good.toUpper().replace(0, 1, QLatin1Char('d')) << int(Identity::Matches);
    QTest::newRow("upper-case D") << QLatin1Char('D') + good.mid(1) << int(Identity::Corrupted);
    QTest::newRow("other device") << identityLine(0x2002) << int(Identity::OtherDevice);
    QTest::newRow("wrong CRC") << good.left(8) + (good.endsWith('0') ? "1" : "0")
                               << int(Identity::Corrupted);
    // The identifier is looked at before the CRC.
    QTest::newRow("other device, damaged CRC")
            << identityLine(0x1234).left(5) + QStringLiteral("zzzz") << int(Identity::OtherDevice);
    QTest::newRow("no CRC") << QStringLiteral("d2001") << int(Identity::Corrupted);
    QTest::newRow("no identity") << QStringLiteral("b") << int(Identity::Corrupted);
    QTest::newRow("empty file") << QString() << int(Identity::Corrupted);
}

void TestResourceFile::identityChecks()
{
    QFETCH(QString, line);
    QFETCH(int, identity);
    const QStringList lines = line.isNull() ? QStringList() : QStringList{QString(), line};
    QCOMPARE(int(readLines(lines, 0x2001, 12, AllSections).identity), identity);
}

void TestResourceFile::fullFileRoundTrip()
{
    const Contents contents = fullContents(0x1005);
    const QStringList lines = fileLines(contents);
    QCOMPARE(lines.size(), 1 + 1 + 3 + 1 + 5 + 1 + 5);
    QCOMPARE(lines.at(1), QStringLiteral("b"));
    QCOMPARE(lines.at(5), QStringLiteral("t"));
    QCOMPARE(lines.at(11), QStringLiteral("p"));

    const ReadResult read = readLines(lines, 0x1005, 3, AllSections);
    QCOMPARE(int(read.identity), int(Identity::Matches));
    QCOMPARE(read.entries.size(), 13);
    for (int slot = 0; slot < 3; ++slot) {
        QCOMPARE(read.entries[slot].kind, Entry::Picture);
        QCOMPARE(read.entries[slot].index, slot);
        QCOMPARE(read.entries[slot].picture, contents.pictures[slot]);
    }
    for (int g = 0; g < CurveGroups; ++g) {
        const Entry &temp = read.entries[3 + g];
        const Entry &power = read.entries[8 + g];
        QCOMPARE(temp.kind, Entry::TempCurve);
        QCOMPARE(temp.index, g);
        QVERIFY(temp.values == contents.temp[g]);
        QCOMPARE(power.kind, Entry::PowerCurve);
        QVERIFY(power.values == contents.power[g]);
    }
}

void TestResourceFile::sectionsTakenBySender()
{
    const QStringList full = fileLines(fullContents(0x1005));

    // The power button passes over the pictures and temperatures without decoding them, even
    // when they are damaged.
    QStringList damaged = full;
    damaged[2] = QStringLiteral("b0zz");
    damaged[6] = QStringLiteral("M9");
    const ReadResult power = readLines(damaged, 0x1005, 3, PowerSection);
    QCOMPARE(kindsOf(power), QVector<Entry::Kind>(5, Entry::PowerCurve));

    const ReadResult temp = readLines(full, 0x1005, 3, TempSection);
    QCOMPARE(kindsOf(temp), QVector<Entry::Kind>(5, Entry::TempCurve));

    // Temperature-only and power-only files.
    Contents tempOnly = fullContents(0x1005);
    tempOnly.sections = TempSection;
    const QStringList tempLines = fileLines(tempOnly);
    QCOMPARE(tempLines.size(), 7);
    QCOMPARE(tempLines.at(1), QStringLiteral("t"));
    const ReadResult back = readLines(tempLines, 0x1005, 12, TempSection);
    QCOMPARE(back.entries.size(), 5);
    for (int g = 0; g < CurveGroups; ++g)
        QVERIFY(back.entries[g].values == tempOnly.temp[g]);
    QVERIFY(readLines(tempLines, 0x1005, 12, PowerSection).entries.isEmpty());

    Contents powerOnly = fullContents(0x1005);
    powerOnly.sections = PowerSection;
    const ReadResult powerBack = readLines(fileLines(powerOnly), 0x1005, 12, AllSections);
    QCOMPARE(kindsOf(powerBack), QVector<Entry::Kind>(5, Entry::PowerCurve));
    QVERIFY(powerBack.entries[4].values == powerOnly.power[4]);
}

void TestResourceFile::whiteSpaceInsideLines()
{
    QStringList lines = fileLines(fullContents(0x1005));
    for (int i = 0; i < lines.size(); ++i) {
        QString spaced;
        for (int c = 0; c < lines[i].size(); ++c)
            spaced += lines[i].at(c) + QString(c % 3 == 0 ? QStringLiteral(" \t") : QString());
        lines[i] = QStringLiteral("  ") + spaced + QStringLiteral(" \r");
    }
    lines.insert(1, QStringLiteral(" \t "));
    const ReadResult read = readLines(lines, 0x1005, 3, AllSections);
    QCOMPARE(int(read.identity), int(Identity::Matches));
    QCOMPARE(read.entries.size(), 13);
    QCOMPARE(read.entries[2].picture, QByteArray("BM-third"));
    QVERIFY(read.entries[12].values == fullContents(0x1005).power[4]);
}

void TestResourceFile::pictureLinePrefixes()
{
    Contents contents = fullContents(0x1005);
    contents.sections = PictureSection;
    contents.pictures.clear();
    for (int slot = 0; slot < 12; ++slot)
        contents.pictures << QByteArray("picture ") + QByteArray::number(slot);
    const QStringList lines = fileLines(contents);

    // "b10..." is slot 10's line.
    const ReadResult read = readLines(lines, 0x1005, 12, PictureSection);
    QCOMPARE(read.entries.size(), 12);
    QCOMPARE(read.entries[10].index, 10);
    QCOMPARE(read.entries[10].picture, QByteArray("picture 10"));

    // Standing in slot 1's place it fails slot 1's check instead of loading into slot 1.
    QStringList moved = lines;
    moved[2 + 1] = lines[2 + 10];
    const ReadResult misplaced = readLines(moved, 0x1005, 12, PictureSection);
    QCOMPARE(misplaced.entries[1].index, 1);
    QCOMPARE(misplaced.entries[1].kind, Entry::PictureCorrupted);

    // A line of another slot's number is passed over silently; the next slot still loads.
    QStringList swapped = lines;
    swapped[2 + 4] = lines[2 + 5];
    const ReadResult skipped = readLines(swapped, 0x1005, 12, PictureSection);
    QCOMPARE(skipped.entries.size(), 11);
    QCOMPARE(skipped.entries[4].index, 5);
    QCOMPARE(skipped.entries[4].kind, Entry::Picture);
}

void TestResourceFile::damagedLines()
{
    QStringList lines = fileLines(fullContents(0x1005));
    lines[2] = lines[2] + QStringLiteral("0"); // odd number of hex digits
    lines[4] = lines[4].left(lines[4].size() - 1) + (lines[4].endsWith('0') ? "1" : "0");
    lines[7] = QStringLiteral("M7") + lines[7].mid(2); // wrong group digit
    // A curve line with a correct CRC over fewer than ten values is no curve.
    lines[8] = QStringLiteral("M2") + toHex(withCrc(QByteArray::fromHex("0001000200030004")));
    lines[13] = QStringLiteral("M1") + lines[13].mid(2).left(40) + QStringLiteral("ffff");

    const ReadResult read = readLines(lines, 0x1005, 3, AllSections);
    const QVector<Entry::Kind> expected{
            Entry::PictureCorrupted, Entry::Picture,       Entry::PictureCorrupted,
            Entry::TempCurve,        Entry::TempCorrupted, Entry::TempCorrupted,
            Entry::TempCurve,        Entry::TempCurve,     Entry::PowerCurve,
            Entry::PowerCorrupted,   Entry::PowerCurve,    Entry::PowerCurve,
            Entry::PowerCurve};
    QCOMPARE(kindsOf(read), expected);
}

void TestResourceFile::missingLinesAtTheEnd()
{
    QStringList lines = fileLines(fullContents(0x1005));
    // Cut inside the power section: the missing lines count as empty, which fail their check.
    lines = lines.mid(0, 14);
    const ReadResult read = readLines(lines, 0x1005, 3, PowerSection);
    const QVector<Entry::Kind> expected{Entry::PowerCurve, Entry::PowerCurve, Entry::PowerCorrupted,
                                        Entry::PowerCorrupted, Entry::PowerCorrupted};
    QCOMPARE(kindsOf(read), expected);

    // Cut inside the pictures: the missing slot is passed over, and no later section exists.
    const ReadResult pictures
            = readLines(fileLines(fullContents(0x1005)).mid(0, 4), 0x1005, 3, AllSections);
    QCOMPARE(kindsOf(pictures), QVector<Entry::Kind>(2, Entry::Picture));
}

void TestResourceFile::celsiusValues()
{
    // The file keeps offsets above 200 F; a curve shown in Celsius goes through them.
    CurveSet curves;
    curves.setTemperaturesIn(0, {{100, 315, 280, 100, 100, 100, 100, 100, 100, 100}},
                             TemperatureUnit::Celsius);
    const CurveSet::Points file = curves.temperatureFileValues(0);
    QCOMPARE(int(file[0]), 0); // 100 C = 200 F
    QCOMPARE(int(file[1]), 400); // 315 C = 600 F
    QCOMPARE(int(file[2]), celsiusToFahrenheit(280) - 200);
    CurveSet loaded;
    loaded.setTemperaturesFromFile(0, file);
    QCOMPARE(loaded.temperaturesIn(0, TemperatureUnit::Celsius),
             curves.temperaturesIn(0, TemperatureUnit::Celsius));
    // A Fahrenheit value beyond the range is kept inside it, never wrapped.
    loaded.setTemperaturesFromFile(1, {{0xFFFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
    QCOMPARE(int(loaded.temperaturesIn(1, TemperatureUnit::Celsius)[0]), 315);

    // Every Celsius value survives the trip through the file.
    for (int celsius = 100; celsius <= 315; ++celsius) {
        CurveSet one;
        one.setTemperaturesIn(0, {{quint16(celsius)}}, TemperatureUnit::Celsius);
        CurveSet back;
        back.setTemperaturesFromFile(0, one.temperatureFileValues(0));
        QCOMPARE(int(back.temperaturesIn(0, TemperatureUnit::Celsius)[0]), celsius);
    }
}

// The file holds BMP files: those decode, with the size checks of every picture read; bytes of
// any other picture format are refused, whatever reader Qt has for them.
void TestResourceFile::picturesAreBmpOnly()
{
    QImage picture(64, 128, QImage::Format_Mono);
    picture.fill(0);
    picture.setColor(0, qRgb(0, 0, 0));
    picture.setColor(1, qRgb(255, 255, 255));
    picture.setPixel(5, 9, 1);
    const auto encoded = [&picture](const char *format) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        return picture.save(&buffer, format) ? bytes : QByteArray();
    };
    const QStringList lines{identityLine(0x2001), QStringLiteral("b"),
                            pictureLine(0, encoded("BMP")), pictureLine(1, encoded("PNG"))};
    const ReadResult read = readLines(lines, 0x2001, 2, PictureSection);
    QCOMPARE(read.entries.size(), 2);
    QCOMPARE(read.entries[1].kind, Entry::Picture); // the CRC holds
    const QImage bmp = pictureImage(read.entries[0].picture);
    QCOMPARE(bmp.size(), QSize(64, 128));
    QCOMPARE(bmp.pixel(5, 9), qRgb(255, 255, 255));
    QCOMPARE(bmp.pixel(6, 9), qRgb(0, 0, 0));
    QVERIFY(QImage::fromData(read.entries[1].picture).size() == QSize(64, 128));
    QVERIFY(pictureImage(read.entries[1].picture).isNull());
    QVERIFY(pictureImage(QByteArray("BM not a picture")).isNull());
}

QTEST_GUILESS_MAIN(TestResourceFile)
#include "tst_resourcefile.moc"
