#ifndef WIDGETS_LANGUAGE_H
#define WIDGETS_LANGUAGE_H

// Interface languages, in the order of their stored values.
enum Language : int { English = 0, SimplifiedChinese = 1, TraditionalChinese = 2 };

// The application-wide interface language; English until the stored setting has been read. The
// widgets size some texts by it.
extern Language currentLanguage;

#endif // WIDGETS_LANGUAGE_H
