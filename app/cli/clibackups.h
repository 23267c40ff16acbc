#ifndef APP_CLI_CLIBACKUPS_H
#define APP_CLI_CLIBACKUPS_H

#include "device/deviceidentity.h"
#include "upgrade/backup.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// The command line's words for backups.

// What a backup holds, in the order the list shows it: "parameters", "temp", "power",
// "pictures".
QStringList backupHoldings(const DeviceBackup &backup);

// The keys of what differs from a backup (see BackupCompareJob) in words: "brightness, puff
// time, coil 3, temperature curves 1-2, picture 7". A coil's switch and value are one coil.
QString differenceText(const QStringList &keys);

// A backup as the JSON output shows it.
QJsonObject backupJson(const DeviceBackup &backup);

// A device's model as DeviceBackup::modelText() names a backup's: "ORBIT K510-204 (0x2001)".
QString modelTextOf(const DeviceIdentity &identity);

// A path as a shell reads it back: in single quotes when it holds more than plain characters.
QString shellQuoted(const QString &text);

#endif // APP_CLI_CLIBACKUPS_H
