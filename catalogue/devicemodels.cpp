#include "catalogue/devicemodels.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

void DeviceModelTable::clear()
{
    modelIds.clear();
    modelProducts.clear();
    modelCodes.clear();
    modelGroups.clear();
    modelPowerMin.clear();
    modelPowerMax.clear();
}

int DeviceModelTable::indexOf(quint16 id) const
{
    return modelIds.indexOf(id);
}

bool DeviceModelTable::appendRow(const QString &row)
{
    const QStringList fields = row.split(QLatin1Char(','), Qt::KeepEmptyParts);
    if (fields.size() < 6)
        return false;
    bool ok = false;
    const uint id = fields.at(0).toUInt(&ok, 16); // accepts an optional "0x"
    if (!ok)
        return false;
    modelIds.append(quint16(id));
    modelProducts.append(fields.at(1));
    modelCodes.append(fields.at(2));
    modelGroups.append(fields.at(3));
    modelPowerMin.append(quint16(fields.at(4).toUInt()));
    modelPowerMax.append(quint16(fields.at(5).toUInt()));
    return true;
}

DeviceModelTable &deviceModels()
{
    static DeviceModelTable table;
    return table;
}

QStringList builtInDeviceModelRows()
{
    return {
            QStringLiteral("0x1105,SCOUT-T,J310A,G1,5,120"),
            QStringLiteral("0x1005,TALON,J310,G0,5,120"),
            QStringLiteral("0x1108,ORBIT,J317,G3,5,120"),
            QStringLiteral("0x1008,TALON mini,J311,G2,5,117"),
            QStringLiteral("0x1006,TALON-2,K515,X0,5,177"),
            QStringLiteral("0x1003,TALON-2,K515,X0,5,177"),
            QStringLiteral("0x100B,ORBIT,K517,X1,5,180"),
            QStringLiteral("0x100C,ORBIT,K518,X2,5,180"),
            QStringLiteral("0x2001,ORBIT,K510-204,G0,5,200"),
            QStringLiteral("0x3000,ORBIT,J340,G0,5,40"),
    };
}

namespace {

// The rows of the model file, or no value when the built-in rows are to be used.
bool readModelFile(const QString &fileName, QStringList *rows)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QByteArray content = file.readAll();
    file.close();
    if (content.isEmpty())
        return false;

    static const QRegularExpression whiteSpace(QStringLiteral("\\s"));
    const QList<QByteArray> lines = content.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        // A final line feed does not start another line.
        if (i == lines.size() - 1 && lines.at(i).isEmpty())
            break;
        QByteArray bytes = lines.at(i);
        const int zero = bytes.indexOf('\0');
        if (zero >= 0)
            bytes.truncate(zero);
        QString line = QString::fromUtf8(bytes).trimmed();
        line.remove(whiteSpace);
        if (line.startsWith(QLatin1Char('{')) && line.endsWith(QLatin1Char('}'))
            && line.size() >= 2)
            rows->append(line.mid(1, line.size() - 2));
    }
    return true;
}

} // namespace

void loadDeviceModelsFrom(const QString &fileName)
{
    DeviceModelTable &table = deviceModels();
    table.clear();
    QStringList rows;
    if (!readModelFile(fileName, &rows))
        rows = builtInDeviceModelRows();
    for (const QString &row : qAsConst(rows))
        table.appendRow(row);
}

void loadDeviceModels()
{
    loadDeviceModelsFrom(QDir::currentPath() + QStringLiteral("/dev/device"));
}
