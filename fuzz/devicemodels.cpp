// The device model table file (dev/device, loadDeviceModelsFrom): every row read is complete,
// a file without rows gives the built-in table, and the table written out as a file reads
// back as the same table.

#include "catalogue/devicemodels.h"
#include "fuzz/fuzzsupport.h"

namespace {

// The rows of the table as a model file.
QByteArray tableFile(const DeviceModelTable &table)
{
    QByteArray file;
    for (int row = 0; row < table.size(); ++row) {
        const QStringList fields{QStringLiteral("0x") + QString::number(table.modelIds.at(row), 16),
                                 table.modelProducts.at(row),
                                 table.modelCodes.at(row),
                                 table.modelGroups.at(row),
                                 QString::number(table.modelPowerMin.at(row)),
                                 QString::number(table.modelPowerMax.at(row))};
        file += '{' + fields.join(QLatin1Char(',')).toUtf8() + "}\n";
    }
    return file;
}

bool sameTable(const DeviceModelTable &a, const DeviceModelTable &b)
{
    return a.modelIds == b.modelIds && a.modelProducts == b.modelProducts
           && a.modelCodes == b.modelCodes && a.modelGroups == b.modelGroups
           && a.modelPowerMin == b.modelPowerMin && a.modelPowerMax == b.modelPowerMax;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray file = Fuzz::bytesOf(data, size);
    loadDeviceModelsFrom(Fuzz::scratchFile(QStringLiteral("device"), file));
    const DeviceModelTable table = deviceModels();
    const int rows = table.size();
    FUZZ_CHECK(table.modelProducts.size() == rows && table.modelCodes.size() == rows
               && table.modelGroups.size() == rows && table.modelPowerMin.size() == rows
               && table.modelPowerMax.size() == rows);
    for (int row = 0; row < rows; ++row) {
        const int first = table.indexOf(table.modelIds.at(row));
        FUZZ_CHECK(first >= 0 && first <= row);
    }

    // The file is read as text, which drops carriage returns: one of nothing else is empty.
    if (QByteArray(file).replace('\r', QByteArray()).isEmpty()) {
        FUZZ_CHECK(rows == builtInDeviceModelRows().size());
        return 0;
    }
    FUZZ_CHECK(rows <= file.count('\n') + 1);
    if (rows == 0)
        return 0;

    loadDeviceModelsFrom(Fuzz::scratchFile(QStringLiteral("device"), tableFile(table)));
    FUZZ_CHECK(sameTable(deviceModels(), table));
    return 0;
}
