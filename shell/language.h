#ifndef SHELL_LANGUAGE_H
#define SHELL_LANGUAGE_H

#include <QString>

// Interface languages, in the order of their stored values.
enum Language : int { English = 0, SimplifiedChinese = 1, TraditionalChinese = 2 };

// The application-wide interface language; English until the stored setting has been read.
extern Language currentLanguage;

bool isKnownLanguage(int value);
// The stored interface language (organisation "lgInfo", application "lg"): English unless the
// setting is marked valid and names a language.
Language storedLanguage();
void storeLanguage(Language language);
// The compiled-in translation of a language.
QString translationFile(Language language);

#endif // SHELL_LANGUAGE_H
