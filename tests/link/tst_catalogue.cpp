#include "catalogue/devicemodels.h"
#include "device/deviceidentity.h"
#include "parameters/curveset.h"
#include "parameters/units.h"

#include <QTemporaryDir>
#include <QtTest>

class CatalogueTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    void loadText(const QByteArray &content)
    {
        QFile file(dir.filePath(QStringLiteral("device")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        loadDeviceModelsFrom(file.fileName());
    }

private slots:
    void builtInRowsAndStartupValues()
    {
        loadDeviceModelsFrom(dir.filePath(QStringLiteral("missing")));
        const DeviceModelTable &table = deviceModels();
        QCOMPARE(table.size(), 10);
        QCOMPARE(table.modelIds.first(), quint16(0x1105));
        QCOMPARE(table.modelProducts.at(3), QStringLiteral("TALON mini")); // keeps its blank
        QCOMPARE(table.modelPowerMax.at(3), quint16(117));
        QCOMPARE(table.indexOf(0x3000), 9);
        QCOMPARE(table.indexOf(0x1003), 5);
        QCOMPARE(table.indexOf(0x4444), -1);

        // A model the table does not know: the start-up values of a device.
        const DeviceModel unknown = deviceModelOf(0x4444, table);
        QVERIFY(!unknown.known);
        QCOMPARE(unknown.powerMin, 5);
        QCOMPARE(unknown.powerMax, 80);
        const CurveSet curves = CurveSet::defaults(unknown);
        QCOMPARE(CurveSet::temperatureMin(TemperatureUnit::Fahrenheit), 200);
        QCOMPARE(CurveSet::temperatureMax(TemperatureUnit::Fahrenheit), 600);
        QCOMPARE(CurveSet::temperatureDefault(TemperatureUnit::Fahrenheit), 200 + 180);
        QCOMPARE(curves.powerDefault(), 5 + 45);
        QCOMPARE(int(curves.temperatures[4][9]), 380);
        QCOMPARE(int(curves.powers[0][0]), 50);
        const DeviceModel known = deviceModelOf(0x3000, table);
        QVERIFY(known.known);
        QCOMPARE(known.productName, table.modelProducts.at(9));
    }

    void fileRules()
    {
        loadText("{0x1008, TALON mini, J311, G2, 5, 117}\n"
                 "0x2001,ORBIT,K510-204,G0,5,200\n"
                 "{2001,ORBIT,K510-204,G0,5,200}\n"
                 "{0x2001,SECOND,X,Y,1,2}\n"
                 "{zz12,BAD,A,B,1,2}\n"
                 "{0x3000,SHORT,A,B,1}\n"
                 "{0x3001,NUMBERS,A,B,x5,70000}\n"
                 "  \t{0x1005,\tTALON,J310,G0,5,120}  \r\n");
        const DeviceModelTable &table = deviceModels();
        QCOMPARE(table.size(), 5);
        QCOMPARE(table.modelProducts.at(0), QStringLiteral("TALONmini"));
        QCOMPARE(table.modelIds.at(1), quint16(0x2001)); // without the prefix
        QCOMPARE(table.modelProducts.at(table.indexOf(0x2001)), QStringLiteral("ORBIT"));
        QCOMPARE(table.indexOf(0x3000), -1);
        QCOMPARE(table.modelPowerMin.at(3), quint16(0));
        QCOMPARE(table.modelPowerMax.at(3), quint16(70000 & 0xFFFF));
        QCOMPARE(table.modelIds.at(4), quint16(0x1005));
    }

    void emptyAndBracelessFiles()
    {
        loadText("");
        QCOMPARE(deviceModels().size(), 10);
        loadText("0x2001,ORBIT,K510-204,G0,5,200\n0x3000,ORBIT,J340,G0,5,40\n");
        QCOMPARE(deviceModels().size(), 0);
        loadText("\n");
        QCOMPARE(deviceModels().size(), 0);
        // A zero byte ends the line's text.
        loadText(QByteArray("{0x1105,A,B,C,1,2}\0garbage\n", 28));
        QCOMPARE(deviceModels().size(), 1);
    }

    void temperatureConversions()
    {
        QCOMPARE(fahrenheitToCelsius(380), quint16(193));
        QCOMPARE(celsiusToFahrenheit(193), quint16(380));
        QCOMPARE(fahrenheitToCelsius(200), quint16(100));
        QCOMPARE(fahrenheitToCelsius(600), quint16(315));
        QCOMPARE(fahrenheitToCelsius(212), quint16(100));
        QCOMPARE(celsiusToFahrenheit(100), quint16(200));
        QCOMPARE(celsiusToFahrenheit(315), quint16(600));
        // Clamping at both ends of both ranges.
        QCOMPARE(fahrenheitToCelsius(0), quint16(100));
        QCOMPARE(fahrenheitToCelsius(65535), quint16(315));
        QCOMPARE(celsiusToFahrenheit(0), quint16(200));
        QCOMPARE(celsiusToFahrenheit(400), quint16(600));
        QCOMPARE(celsiusToFahrenheit(200), quint16(392));
        // Above the clamped bottom (200 to 212 F all give 100 C, which gives 200 F) every
        // temperature survives the round trip within a degree.
        for (int f = 213; f <= 600; ++f) {
            const int back = celsiusToFahrenheit(fahrenheitToCelsius(quint16(f)));
            QVERIFY2(qAbs(back - f) <= 1, qPrintable(QString::number(f)));
        }
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
