#ifndef SHELL_LANGUAGE_H
#define SHELL_LANGUAGE_H

#include "widgets/language.h"

#include <QString>

bool isKnownLanguage(int value);
// The stored interface language (organisation "lgInfo", application "lg"): English unless the
// setting is marked valid and names a language.
Language storedLanguage();
void storeLanguage(Language language);
// The compiled-in translation of a language.
QString translationFile(Language language);

#endif // SHELL_LANGUAGE_H
