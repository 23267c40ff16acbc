#ifndef APP_CLI_CLICOMMANDS_H
#define APP_CLI_CLICOMMANDS_H

#include <QStringList>

// Runs korlex-cli with its arguments (without the program name) and returns the exit status.
// Needs a QCoreApplication.
int runCli(const QStringList &arguments);

#endif // APP_CLI_CLICOMMANDS_H
