#include "app/cli/clibackups.h"

#include "app/cli/climessages.h"
#include "pictures/resourcefile.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QVector>

QStringList backupHoldings(const DeviceBackup &backup)
{
    QStringList holds{QStringLiteral("parameters")};
    if (backup.sections & ResourceFile::TempSection)
        holds << QStringLiteral("temp");
    if (backup.sections & ResourceFile::PowerSection)
        holds << QStringLiteral("power");
    if (backup.holdsPictures())
        holds << QStringLiteral("pictures");
    return holds;
}

QString differenceText(const QStringList &keys)
{
    // The numbered kinds of difference, in the order they are named.
    struct Numbered
    {
        QRegularExpression key;
        const char *one;
        const char *several;
        QVector<int> numbers;
    };
    Numbered numbered[] = {
            {QRegularExpression(QStringLiteral("^coil(\\d+)(\\.value)?$")), "coil", "coils", {}},
            {QRegularExpression(QStringLiteral("^temp(\\d+)$")),
             "temperature curve",
             "temperature curves",
             {}},
            {QRegularExpression(QStringLiteral("^power(\\d+)$")),
             "power curve",
             "power curves",
             {}},
            {QRegularExpression(QStringLiteral("^picture(\\d+)$")), "picture", "pictures", {}},
    };
    QStringList words;
    QStringList others;
    for (const QString &key : keys) {
        if (key == QLatin1String("brightness")) {
            words << QStringLiteral("brightness");
            continue;
        }
        if (key == QLatin1String("puff")) {
            words << QStringLiteral("puff time");
            continue;
        }
        bool known = false;
        for (Numbered &kind : numbered) {
            const QRegularExpressionMatch match = kind.key.match(key);
            if (!match.hasMatch())
                continue;
            const int number = match.captured(1).toInt();
            if (!kind.numbers.contains(number))
                kind.numbers << number;
            known = true;
            break;
        }
        if (!known)
            others << key;
    }
    for (Numbered &kind : numbered) {
        if (kind.numbers.isEmpty())
            continue;
        std::sort(kind.numbers.begin(), kind.numbers.end());
        words << QStringLiteral("%1 %2").arg(
                QLatin1String(kind.numbers.size() == 1 ? kind.one : kind.several),
                slotRanges(kind.numbers));
    }
    return (words + others).join(QStringLiteral(", "));
}

QJsonObject backupJson(const DeviceBackup &backup)
{
    return QJsonObject{
            {QStringLiteral("folder"), backup.folder},
            {QStringLiteral("created"), backup.created.toString(Qt::ISODate)},
            {QStringLiteral("serial"), backup.serial},
            {QStringLiteral("deviceId"), hex16(backup.id)},
            {QStringLiteral("model"), backup.modelText()},
            {QStringLiteral("productName"), backup.productName},
            {QStringLiteral("modelCode"), backup.modelCode},
            {QStringLiteral("chipId"), backup.chipId},
            {QStringLiteral("firmwareVersion"), backup.firmwareVersion},
            {QStringLiteral("softwareVersion"), backup.softwareVersion},
            {QStringLiteral("screenFormat"), screenKey(backup.screenFormat)},
            {QStringLiteral("holds"), QJsonArray::fromStringList(backupHoldings(backup))}};
}

QString modelTextOf(const DeviceIdentity &identity)
{
    if (identity.model.productName.isEmpty() && identity.model.modelCode.isEmpty())
        return hex16(identity.id);
    return QStringLiteral("%1 %2 (%3)")
            .arg(identity.model.productName, identity.model.modelCode, hex16(identity.id));
}

QString shellQuoted(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./:@%+=,-]+$"));
    if (plain.match(text).hasMatch())
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}
