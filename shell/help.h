#ifndef SHELL_HELP_H
#define SHELL_HELP_H

#include "shell/language.h"

#include <QString>

class QWidget;

// The user guide of a language: on Linux share/korlex-tool/guide/<en or zh_CN>/index.html
// beside the program or in the desktop's data folders (Traditional Chinese readers get the
// Simplified Chinese guide); on Windows chm/3.chm, 1.chm, 2.chm under the working folder.
QString helpFilePath(Language language);

// Opens the guide in the desktop's browser. When it cannot be found or opened, a message says
// so and names the file; the returned line (empty on success) is for the log.
QString openHelpFile(const QString &path);

#endif // SHELL_HELP_H
