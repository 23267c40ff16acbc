// The interface language's setting and translation files.

#include "shell/language.h"

#include <QSettings>

namespace {

// Marks the stored language as valid; only the low byte of the stored flag is compared.
const int settingsValidFlag = 0x55;

} // namespace

bool isKnownLanguage(int value)
{
    return value == English || value == SimplifiedChinese || value == TraditionalChinese;
}

Language storedLanguage()
{
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    const int flag = settings.value(QStringLiteral("flag"), 0).toInt() & 0xFF;
    if (flag != settingsValidFlag)
        return English;
    const int stored = settings.value(QStringLiteral("lg"), 0).toInt();
    // A value that names no language starts the program in English, so that one language
    // action is checked and the help command opens a real document.
    return isKnownLanguage(stored) ? Language(stored) : English;
}

void storeLanguage(Language language)
{
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    settings.setValue(QStringLiteral("flag"), settingsValidFlag);
    settings.setValue(QStringLiteral("lg"), int(language));
}

QString translationFile(Language language)
{
    switch (language) {
    case SimplifiedChinese:
        return QStringLiteral(":/lg/chinese_s.qm");
    case TraditionalChinese:
        return QStringLiteral(":/lg/chinese_t.qm");
    case English:
    default:
        return QStringLiteral(":/lg/english.qm");
    }
}
