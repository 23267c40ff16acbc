#include "device/deviceidentity.h"

#include "catalogue/devicemodels.h"
#include "device/commands.h"
#include "pictures/pictureset.h"

ProductKind productKindOf(const QString &productString)
{
    if (productString.startsWith(QLatin1String("KORLEX-BOOT")))
        return ProductKind::BootLoader;
    if (productString.startsWith(QLatin1String("KORLEX")))
        return ProductKind::Firmware;
    if (productString.contains(QLatin1String("PN-Lab HID")))
        return ProductKind::Foreign;
    return ProductKind::Other;
}

DeviceModel deviceModelOf(quint16 id, const DeviceModelTable &table)
{
    DeviceModel model;
    const int row = table.indexOf(id);
    if (row < 0)
        return model;
    model.known = true;
    model.productName = table.modelProducts.value(row);
    model.modelCode = table.modelCodes.value(row);
    model.groupCode = table.modelGroups.value(row);
    model.powerMin = table.modelPowerMin.value(row);
    model.powerMax = table.modelPowerMax.value(row);
    return model;
}

QString deviceIdText(quint16 id)
{
    return QStringLiteral("0x")
           + QString::number(id, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

int DeviceIdentity::screenFormat() const
{
    return answered ? screenFormatOf(id) : 3;
}

int DeviceIdentity::pictureCount() const
{
    return PictureSet::slotCount(screenFormat());
}

DeviceIdentity DeviceIdentity::fromReply(ProductKind kind, const QString &productString,
                                         const InfoReply &reply, const DeviceModelTable &models)
{
    DeviceIdentity identity;
    identity.kind = kind;
    identity.productString = productString;
    identity.answered = true;
    identity.id = reply.id;
    identity.serial = reply.serialText();
    identity.softwareVersion = QString::number(reply.softwareVersion);
    if (reply.hasRecord)
        identity.firmwareVersion = reply.firmwareText();
    identity.model = deviceModelOf(reply.id, models);
    if (identity.model.known) {
        identity.chipId = makeChipId(identity.model.groupCode, reply.chipBytes[0],
                                     reply.chipBytes[1], reply.chipBytes[2]);
    }
    return identity;
}
