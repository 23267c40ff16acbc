#ifndef SHELL_LANGUAGE_H
#define SHELL_LANGUAGE_H

// Interface languages, in the order of their stored values.
enum Language : int { English = 0, SimplifiedChinese = 1, TraditionalChinese = 2 };

// The application-wide interface language; English until the stored setting has been read.
extern Language currentLanguage;

#endif // SHELL_LANGUAGE_H
