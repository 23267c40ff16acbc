#ifndef CATALOGUE_DEVICEMODELS_H
#define CATALOGUE_DEVICEMODELS_H

#include <QString>
#include <QStringList>
#include <QVector>

// The known device models: six parallel columns, one entry per accepted row, in file order.
struct DeviceModelTable
{
    QVector<quint16> modelIds;
    QStringList modelProducts;
    QStringList modelCodes;
    QStringList modelGroups;
    QVector<quint16> modelPowerMin;
    QVector<quint16> modelPowerMax;

    int size() const { return modelIds.size(); }
    void clear();
    // Row number of the first row with this identifier, -1 when there is none.
    int indexOf(quint16 id) const;
    // Appends one comma-separated row; false (and nothing appended) when it is malformed.
    bool appendRow(const QString &row);
};

// The table of this run, built once at start-up.
DeviceModelTable &deviceModels();

// The rows used when the model file is missing or empty.
QStringList builtInDeviceModelRows();

// Fills the table from <current directory>/dev/device (or the built-in rows). The device objects
// take what they need from it when they connect.
void loadDeviceModels();
// The same from a given file.
void loadDeviceModelsFrom(const QString &fileName);

#endif // CATALOGUE_DEVICEMODELS_H
