#ifndef SHELL_TEXTS_H
#define SHELL_TEXTS_H

#include <QString>

// The two contexts the window's own texts are looked up in: "main", and "MainWindow", the
// context of the window's form, whose captions the pages set again after a language switch.
// lupdate collects the texts of both helpers (resources/translations/sourcetexts.cmake).
QString trMain(const char *text);
QString trWindow(const char *text);

#endif // SHELL_TEXTS_H
