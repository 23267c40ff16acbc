#ifndef APP_CLI_CLIOPTIONS_H
#define APP_CLI_CLIOPTIONS_H

#include <QString>
#include <QStringList>

// The exit statuses of korlex-cli. An interrupted command exits with 128 + the signal number.
enum ExitStatus : int {
    ExitSuccess = 0,
    // A usage error: unknown command, key or option, a value that is not a whole number or out
    // of range; or the confirmation was declined.
    ExitUsage = 1,
    ExitNoDevice = 2, // no device (or --wait expired), or it went away or could not be opened
    // The device refused: a STOP reply, a file for another device, a file whose target cannot
    // be checked (without --force), a boot loader for a command other than upgrade and info, a
    // backup of another model or screen format.
    ExitRefused = 3,
    ExitLowBattery = 4,
    // The device stopped answering, a time limit passed, or an upgrade was not verified.
    ExitNoAnswer = 5,
    // A file that cannot be read or written, or is damaged: also a backup that could not be
    // made (the upgrade then does not start) or read, and a backup's picture that does not fit
    // the device.
    ExitBadFile = 6,
    // Several devices present and no --device; or an upgrade that could not tell its device
    // from another after the restart.
    ExitSeveralDevices = 7,
    ExitOutput = 8, // the output could not be written (a closed pipe, a full disk)
    ExitSignalBase = 128
};

// The command line, split into the global options, the command and its own arguments.
struct CliOptions
{
    QString device; // --device: a port, a path or a serial number
    bool all = false; // --all: every plugged device
    int waitSeconds = -1; // --wait; -1 when not given
    bool json = false;
    bool quiet = false;
    int verbose = 0; // -v: phases with their times; -vv: every frame too
    QString logFile; // --log
    bool yes = false; // -y, --yes: no confirmation
    bool help = false; // --help (for the program, or for the command when one is named)
    bool version = false;

    QString command; // "list", "info", "upgrade", "pictures read", "params set", ...
    QStringList args; // the command's positional arguments
    QString slotText; // pictures write --slots
    bool hasSlotList = false;
    QString unit; // curves --unit
    bool hasUnit = false;
    unsigned sections = 0; // resource --pictures/--temp/--power (ResourceFile::Section bits)
    bool dryRun = false;
    bool force = false; // upgrade --force: send to a boot loader that does not name its device
    int restartTimeoutSeconds = -1; // upgrade --restart-timeout
    QString picturesFrom; // resource save --pictures-from
    bool backup = true; // upgrade: a backup first; --no-backup drops it
    bool restore = false; // upgrade --restore: the backup goes back after the upgrade

    QString error; // why the command line is not usable; empty when it is
};

CliOptions parseCommandLine(const QStringList &arguments);

// A whole number written in decimal (an optional sign and digits, nothing else). The message of
// a text that is none is the same for every command: "'abc' is not a whole number".
bool parseWholeNumber(const QString &text, int *value);
QString notWholeNumber(const QString &text);

// The texts of --help and COMMAND --help, and of --version.
QString programHelp();
QString commandHelp(const QString &command);
QString versionText();

// Whether the command asks before it changes the device (when standard input is a terminal).
bool commandConfirms(const QString &command);

#endif // APP_CLI_CLIOPTIONS_H
