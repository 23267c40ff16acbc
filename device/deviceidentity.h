#ifndef DEVICE_DEVICEIDENTITY_H
#define DEVICE_DEVICEIDENTITY_H

#include <QString>
#include <QtGlobal>

struct DeviceModelTable;
struct InfoReply;

// What a HID device of the family's USB ids is, told by its product string: the normal
// firmware ("KORLEX" and anything after it), its boot loader ("KORLEX-BOOT", tested first since
// it also begins with the firmware's string), the foreign device that shares the ids and
// belongs to another program ("PN-Lab HID" anywhere), or something else.
enum class ProductKind { Firmware, BootLoader, Foreign, Other };
ProductKind productKindOf(const QString &productString);
inline bool isFamily(ProductKind kind)
{
    return kind == ProductKind::Firmware || kind == ProductKind::BootLoader;
}

// The row of the model table that a device identifier matched.
struct DeviceModel
{
    bool known = false;
    QString productName;
    QString modelCode;
    QString groupCode;
    int powerMin = 5; // W
    int powerMax = 80;
};
DeviceModel deviceModelOf(quint16 id, const DeviceModelTable &table);

// A device identifier as users and files see it: "0x1005".
QString deviceIdText(quint16 id);

// What a device is: how it enumerated, and what its information reply said.
struct DeviceIdentity
{
    ProductKind kind = ProductKind::Other;
    QString productString;
    bool answered = false; // an information reply arrived
    quint16 id = 0;
    QString serial; // the information reply's unique number, lower-case hex: the picture folder
    QString softwareVersion;
    QString firmwareVersion; // empty when the reply did not carry it
    QString chipId; // empty for a model not in the table
    DeviceModel model;

    bool isBootLoader() const { return kind == ProductKind::BootLoader; }
    // A boot loader that never named its device: nothing the tool sends can be checked against
    // the device it goes to.
    bool isUnnamedBootLoader() const { return isBootLoader() && (!answered || id == 0); }
    // 0 (128 x 32 mono), 1 (64 x 128 mono), 2 (80 x 160 colour), 3 (no pictures).
    int screenFormat() const;
    // Twelve pictures for the mono formats, ten for the colour one, none otherwise.
    int pictureCount() const;
    bool hasPictures() const { return pictureCount() > 0; }

    // Fills the identity from an information reply and the model table.
    static DeviceIdentity fromReply(ProductKind kind, const QString &productString,
                                    const InfoReply &reply, const DeviceModelTable &models);
};

#endif // DEVICE_DEVICEIDENTITY_H
