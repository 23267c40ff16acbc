#ifndef TESTS_I18N_TSFILE_H
#define TESTS_I18N_TSFILE_H

#include <QString>
#include <QVector>

// A translation source file as the tests see it.
struct TsMessage
{
    QString context;
    QString source;
    QString translation;
    QString translationType; // "", "unfinished", "vanished" or "obsolete"
    int line = 0;
};

struct TsFile
{
    QString version;
    QString language;
    QVector<TsMessage> messages;
    QString error; // empty when the file was read completely
};

TsFile readTsFile(const QString &path);

// Texts that pass through a translation call on purpose and have no translation, so that they
// show as written in every language.
bool isDeliberatelyUntranslated(const QString &context, const QString &text);

#endif // TESTS_I18N_TSFILE_H
