#ifndef APP_CLI_CLIOPTIONS_H
#define APP_CLI_CLIOPTIONS_H

#include <QString>
#include <QStringList>

// The exit statuses of korlex-cli.
enum ExitStatus : int {
    ExitSuccess = 0,
    ExitUsage = 1, // a usage error: unknown command, key or option, a value out of range
    ExitNoDevice = 2, // no device (or --wait expired)
    ExitRefused = 3, // the device refused (a STOP reply, a file for another device)
    ExitLowBattery = 4,
    ExitNoAnswer = 5, // the device stopped answering, or a time limit passed
    ExitBadFile = 6, // a file that cannot be read or written, or is corrupted
    ExitSeveralDevices = 7 // several devices present and no --device
};

// The command line, split into the global options, the command and its own arguments.
struct CliOptions
{
    QString device; // --device: a path or a location as `list` shows them
    int waitSeconds = -1; // --wait; -1 when not given
    bool json = false;
    bool quiet = false;
    bool help = false; // --help (for the program, or for the command when one is named)
    bool version = false;

    QString command; // "list", "info", "upgrade", "pictures read", "params set", ...
    QStringList args; // the command's positional arguments
    QString slotText; // pictures write --slots
    bool hasSlotList = false;
    QString unit; // curves --unit
    bool hasUnit = false;
    unsigned sections = 0; // resource --pictures/--temp/--power (ResourceFile::Section bits)

    QString error; // why the command line is not usable; empty when it is
};

CliOptions parseCommandLine(const QStringList &arguments);

// The texts of --help and COMMAND --help, and of --version.
QString programHelp();
QString commandHelp(const QString &command);
QString versionText();

#endif // APP_CLI_CLIOPTIONS_H
