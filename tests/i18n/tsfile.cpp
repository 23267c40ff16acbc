#include "i18n/tsfile.h"

#include <QFile>
#include <QXmlStreamReader>

TsFile readTsFile(const QString &path)
{
    TsFile ts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ts.error = QStringLiteral("cannot open %1").arg(path);
        return ts;
    }
    QXmlStreamReader xml(&file);
    QString context;
    TsMessage message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("TS")) {
            ts.version = xml.attributes().value(QLatin1String("version")).toString();
            ts.language = xml.attributes().value(QLatin1String("language")).toString();
        } else if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            message = TsMessage();
            message.context = context;
            message.line = int(xml.lineNumber());
        } else if (name == QLatin1String("source")) {
            message.source = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            message.translationType = xml.attributes().value(QLatin1String("type")).toString();
            message.translation = xml.readElementText();
            ts.messages.append(message);
        }
    }
    if (xml.hasError())
        ts.error = QStringLiteral("%1:%2: %3")
                           .arg(path)
                           .arg(xml.lineNumber())
                           .arg(xml.errorString());
    return ts;
}

bool isDeliberatelyUntranslated(const QString &context, const QString &text)
{
    // The task dialog's row caption is looked up, finds nothing and shows as written.
    return context == QLatin1String("about") && text == QLatin1String("Progress:");
}
