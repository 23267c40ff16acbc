#include "app/cli/clioptions.h"

#include "pictures/resourcefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

struct CommandEntry
{
    const char *name;
    int minArgs;
    int maxArgs; // -1: any number
    const char *usage;
    const char *summary;
    bool onAll; // --all runs it on every plugged device
    bool confirms; // asks before it changes the device, when standard input is a terminal
};

const CommandEntry commands[] = {
        {"list", 0, 0, "list",
         "devices present: path, port, mode (firmware, bootloader, foreign), product string, "
         "USB serial number; an empty list when there is none",
         false, false},
        {"info", 0, 0, "info",
         "product name, model code, group code, chip id, firmware version, software version, "
         "serial, screen format, picture count",
         false, false},
        {"upgrade", 1, 1,
         "upgrade FILE [--force] [--dry-run] [--restart-timeout SECONDS] [--no-backup] "
         "[--restore]",
         "upgrade from a .swdf/.bwdf file: checks the file's target against the device, makes a "
         "backup of the device (unless --no-backup; a backup that fails keeps the upgrade from "
         "starting), shows the phases and progress, and succeeds only when the device comes back "
         "running normal firmware within --restart-timeout (default 10 s). Then it names what "
         "the device no longer holds of its backup and, with --restore, gives it back. A boot "
         "loader that does not name its device takes the file only with --force",
         true, true},
        {"pictures read", 1, 1, "pictures read DIR",
         "the device's pictures into DIR/1.bmp ... DIR/12.bmp (monochrome formats); DIR is "
         "checked for writing before anything is read",
         false, false},
        {"pictures write", 1, 1, "pictures write DIR [--slots LIST] [--dry-run]",
         "DIR/n.bmp to the device for the listed slots (default: all of the device's slots); "
         "LIST as 1,3,5-7. Says which slots were written and which were not",
         true, true},
        {"params get", 0, 0, "params get",
         "brightness, puff time, coil table (on/off and value per row), as KEY=VALUE lines", false,
         false},
        {"params set", 1, -1, "params set KEY=VALUE ...",
         "brightness=0..255, puff=3..10 (seconds), coil1..coil5=on|off, "
         "coil1.value..coil5.value=N (coil1 1000..1600, coil2 6000..7000, coil3 3500..4500, "
         "coil4 200..600, coil5 100..7000); keys not named keep the device's values",
         true, false},
        {"curves get", 1, 2, "curves get temp|power [GROUP] [--unit C|F]",
         "the ten points of one group (1..5) or of all five, temperatures in the unit asked by "
         "--unit (default F), power in W",
         false, false},
        {"curves set", 3, 3, "curves set temp|power GROUP V1,...,V10 [--unit C|F]",
         "writes the ten points of one group: temperatures 200..600 F or 100..315 C, power "
         "within the model's range",
         true, false},
        {"clock get", 0, 0, "clock get", "the device's clock", false, false},
        {"clock set", 0, 2, "clock set [YYYY-MM-DD HH:MM:SS]",
         "sets the device's clock (default: the computer's clock)", true, false},
        {"factory-reset", 0, 0, "factory-reset", "restores the device's factory settings", false,
         true},
        {"resource save", 1, 1,
         "resource save FILE [--pictures] [--temp] [--power] [--pictures-from DIR]",
         "a .ct_user file of the sections named (all three when none is named): the pictures "
         "read from the device (or DIR/1.bmp ... with --pictures-from), the curves as the "
         "device reports them. FILE's folder is checked for writing before anything is read",
         false, false},
        {"resource load", 1, 1, "resource load FILE [--pictures] [--temp] [--power] [--dry-run]",
         "checks the file's identity and every line's CRC, stores its pictures into the "
         "device's picture folder and writes the sections named (all three when none is "
         "named) to the device; a damaged line is named and changes nothing, the lines that "
         "passed are loaded and written (exit status 6 when a line was damaged)",
         true, true},
        {"backup", 0, 1, "backup [DIR]",
         "a backup of the device: its identity, parameters, curves and pictures, in "
         "DIR/SERIAL/DATE-TIME_FIRMWARE/ (DIR by default the per-user data folder's "
         "korlex-tool/backups)",
         true, false},
        {"backups", 0, 1, "backups [DIR]",
         "the backups kept (in DIR, by default the per-user data folder's korlex-tool/backups), "
         "the newest first: date, serial, model, firmware version, what each holds, its folder; "
         "with --device only that device's; needs no device",
         false, false},
        {"restore", 1, 1, "restore BACKUP [--dry-run]",
         "writes a backup folder's parameters, curves and pictures back to a device of the same "
         "model and screen format; a picture that does not fit the device is named and skipped "
         "(exit status 6), the rest restored. --dry-run names what would change",
         false, true},
        {"file", 1, 1, "file FILE",
         "looks into an upgrade file (target, model, size, blocks, byte sum) or a user "
         "resource file (identity, sections, damaged lines); needs no device",
         false, false},
};

const CommandEntry *findCommand(const QString &name)
{
    for (const CommandEntry &entry : commands) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

const char *const groupWords[][3] = {
        {"pictures", "read", "write"}, {"params", "get", "set"},     {"curves", "get", "set"},
        {"clock", "get", "set"},       {"resource", "save", "load"},
};

bool isGroupWord(const QString &word, QString *first, QString *second)
{
    for (const auto &group : groupWords) {
        if (word == QLatin1String(group[0])) {
            *first = QLatin1String(group[1]);
            *second = QLatin1String(group[2]);
            return true;
        }
    }
    return false;
}

// A text broken into lines of at most 80 characters, each indented (the lines after the first
// by nextIndent, when it is given).
QString wrapped(const char *text, int indent, int nextIndent = -1)
{
    QString result;
    QString line;
    for (const QString &word : QString::fromLatin1(text).split(QLatin1Char(' '))) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > 80) {
            result += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
            line.clear();
            if (nextIndent >= 0)
                indent = nextIndent;
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        result += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
    return result;
}

// The options that take a value.
bool takesValue(const QString &name)
{
    static const char *const names[] = {"--device",          "--wait",          "--slots", "--unit",
                                        "--restart-timeout", "--pictures-from", "--log"};
    for (const char *known : names) {
        if (name == QLatin1String(known))
            return true;
    }
    return false;
}

// The commands that take each command option.
bool optionFits(const QString &option, const QString &command)
{
    if (option == QLatin1String("--slots"))
        return command == QLatin1String("pictures write");
    if (option == QLatin1String("--unit"))
        return command.startsWith(QLatin1String("curves "));
    if (option == QLatin1String("--pictures") || option == QLatin1String("--temp")
        || option == QLatin1String("--power"))
        return command.startsWith(QLatin1String("resource "));
    if (option == QLatin1String("--dry-run"))
        return command == QLatin1String("upgrade") || command == QLatin1String("pictures write")
               || command == QLatin1String("resource load") || command == QLatin1String("restore");
    if (option == QLatin1String("--force") || option == QLatin1String("--restart-timeout")
        || option == QLatin1String("--no-backup") || option == QLatin1String("--restore"))
        return command == QLatin1String("upgrade");
    if (option == QLatin1String("--pictures-from"))
        return command == QLatin1String("resource save");
    return true;
}

// A number of seconds for an option, or an error.
bool secondsOption(const QString &name, const QString &value, int maximum, int *seconds,
                   QString *error)
{
    if (!parseWholeNumber(value, seconds)) {
        *error = QStringLiteral("%1: %2").arg(name, notWholeNumber(value));
        return false;
    }
    if (*seconds < 0 || *seconds > maximum) {
        *error = QStringLiteral("%1 %2 is out of range 0..%3 (seconds)")
                         .arg(name, value)
                         .arg(maximum);
        return false;
    }
    return true;
}

// Where the installed user guide is: beside the program (<prefix>/bin → <prefix>/share), else
// in the system's data folders.
QString guidePath()
{
    const QString relative = QStringLiteral("korlex-tool/guide/en/index.html");
    const QString beside
            = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/"))
              + relative;
    if (QFileInfo::exists(beside))
        return QDir::cleanPath(beside);
    const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative);
    return found.isEmpty() ? QStringLiteral("/usr/share/") + relative : found;
}

} // namespace

bool parseWholeNumber(const QString &text, int *value)
{
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]{1,9}$"));
    if (!whole.match(text).hasMatch())
        return false;
    *value = text.toInt();
    return true;
}

QString notWholeNumber(const QString &text)
{
    return QStringLiteral("'%1' is not a whole number").arg(text);
}

bool commandConfirms(const QString &command)
{
    const CommandEntry *entry = findCommand(command);
    return entry && entry->confirms;
}

CliOptions parseCommandLine(const QStringList &arguments)
{
    CliOptions options;
    QStringList positional;
    QStringList commandOptions;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-'))
            || argument == QLatin1String("-")) {
            positional << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!argument.startsWith(QLatin1String("--"))) {
            // Short options, which may be written together: -h, -V, -v (-vv), -y.
            for (const QChar letter : argument.mid(1)) {
                if (letter == QLatin1Char('h')) {
                    options.help = true;
                } else if (letter == QLatin1Char('V')) {
                    options.version = true;
                } else if (letter == QLatin1Char('v')) {
                    ++options.verbose;
                } else if (letter == QLatin1Char('y')) {
                    options.yes = true;
                } else {
                    options.error = QStringLiteral("unknown option '%1'").arg(argument);
                    return options;
                }
            }
            continue;
        }
        QString name = argument;
        QString value;
        bool hasValue = false;
        const int equals = argument.indexOf(QLatin1Char('='));
        if (equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
            hasValue = true;
        }
        if (takesValue(name) && !hasValue) {
            if (i + 1 >= arguments.size()) {
                options.error = QStringLiteral("%1 needs a value").arg(name);
                return options;
            }
            value = arguments.at(++i);
            hasValue = true;
        } else if (!takesValue(name) && hasValue) {
            options.error = QStringLiteral("%1 takes no value").arg(name);
            return options;
        }

        if (name == QLatin1String("--device")) {
            if (value.isEmpty()) {
                options.error = QStringLiteral("--device needs a port, a path or a serial number");
                return options;
            }
            options.device = value;
        } else if (name == QLatin1String("--all")) {
            options.all = true;
        } else if (name == QLatin1String("--wait")) {
            if (!secondsOption(name, value, 86400, &options.waitSeconds, &options.error))
                return options;
        } else if (name == QLatin1String("--json")) {
            options.json = true;
        } else if (name == QLatin1String("--quiet")) {
            options.quiet = true;
        } else if (name == QLatin1String("--verbose")) {
            ++options.verbose;
        } else if (name == QLatin1String("--log")) {
            if (value.isEmpty()) {
                options.error = QStringLiteral("--log needs a file");
                return options;
            }
            options.logFile = value;
        } else if (name == QLatin1String("--yes")) {
            options.yes = true;
        } else if (name == QLatin1String("--help")) {
            options.help = true;
        } else if (name == QLatin1String("--version")) {
            options.version = true;
        } else if (name == QLatin1String("--slots")) {
            options.slotText = value;
            options.hasSlotList = true;
            commandOptions << name;
        } else if (name == QLatin1String("--unit")) {
            options.unit = value.toUpper();
            options.hasUnit = true;
            commandOptions << name;
            if (options.unit != QLatin1String("C") && options.unit != QLatin1String("F")) {
                options.error = QStringLiteral("--unit %1: give C or F").arg(value);
                return options;
            }
        } else if (name == QLatin1String("--pictures")) {
            options.sections |= ResourceFile::PictureSection;
            commandOptions << name;
        } else if (name == QLatin1String("--temp")) {
            options.sections |= ResourceFile::TempSection;
            commandOptions << name;
        } else if (name == QLatin1String("--power")) {
            options.sections |= ResourceFile::PowerSection;
            commandOptions << name;
        } else if (name == QLatin1String("--dry-run")) {
            options.dryRun = true;
            commandOptions << name;
        } else if (name == QLatin1String("--force")) {
            options.force = true;
            commandOptions << name;
        } else if (name == QLatin1String("--restart-timeout")) {
            if (!secondsOption(name, value, 3600, &options.restartTimeoutSeconds, &options.error))
                return options;
            commandOptions << name;
        } else if (name == QLatin1String("--no-backup")) {
            options.backup = false;
            commandOptions << name;
        } else if (name == QLatin1String("--restore")) {
            options.restore = true;
            commandOptions << name;
        } else if (name == QLatin1String("--pictures-from")) {
            if (value.isEmpty()) {
                options.error = QStringLiteral("--pictures-from needs a folder");
                return options;
            }
            options.picturesFrom = value;
            commandOptions << name;
        } else {
            options.error = QStringLiteral("unknown option '%1'").arg(argument);
            return options;
        }
    }

    if (positional.isEmpty()) {
        if (!options.help && !options.version)
            options.error = QStringLiteral("no command given");
        if (!commandOptions.isEmpty() && options.error.isEmpty())
            options.error = QStringLiteral("%1 needs a command").arg(commandOptions.first());
        return options;
    }

    QString command = positional.takeFirst();
    QString first;
    QString second;
    if (isGroupWord(command, &first, &second)) {
        if (positional.isEmpty()) {
            if (options.help) {
                options.command = command;
                return options;
            }
            options.error = QStringLiteral("'%1' needs '%2' or '%3'").arg(command, first, second);
            return options;
        }
        const QString word = positional.takeFirst();
        if (word != first && word != second) {
            options.error = QStringLiteral("unknown command '%1 %2' ('%1' takes '%3' or '%4')")
                                    .arg(command, word, first, second);
            return options;
        }
        command += QLatin1Char(' ') + word;
    }
    const CommandEntry *entry = findCommand(command);
    if (!entry) {
        options.error = QStringLiteral("unknown command '%1'").arg(command);
        return options;
    }
    options.command = command;
    options.args = positional;
    if (options.help)
        return options;

    for (const QString &option : qAsConst(commandOptions)) {
        if (!optionFits(option, command)) {
            options.error = QStringLiteral("'%1' takes no option %2").arg(command, option);
            return options;
        }
    }
    if (options.all && !entry->onAll) {
        options.error
                = QStringLiteral("'%1' takes no option --all (it runs on one device)").arg(command);
        return options;
    }
    if (options.all && !options.device.isEmpty()) {
        options.error = QStringLiteral("--all and --device exclude each other");
        return options;
    }
    if (positional.size() < entry->minArgs
        || (entry->maxArgs >= 0 && positional.size() > entry->maxArgs)) {
        options.error = QStringLiteral("usage: korlex-cli %1").arg(QLatin1String(entry->usage));
        return options;
    }
    if (options.restore && !options.backup) {
        options.error = QStringLiteral("--restore needs the backup that --no-backup leaves out");
        return options;
    }
    if (options.sections == 0)
        options.sections = ResourceFile::AllSections;
    return options;
}

QString programHelp()
{
    QString text = QStringLiteral(
            "Usage: korlex-cli [--device NAME | --all] [--wait SECONDS] [--json] [--quiet]\n"
            "                  [-v] [--log FILE] [-y] COMMAND [ARGS]\n"
            "\n"
            "Service tool for korlex e-cigarettes on the command line: the jobs of korlex-tool,\n"
            "for scripts, batches and machines without a desktop.\n"
            "\n"
            "Commands:\n");
    for (const CommandEntry &entry : commands)
        text += wrapped(entry.usage, 2, 4) + wrapped(entry.summary, 6);
    text += QStringLiteral(
                    "  COMMAND --help\n"
                    "      what one command does\n"
                    "\n"
                    "Options:\n"
                    "  --device NAME    the device to work with: the port or the path that "
                    "`list`\n"
                    "                   shows, or its serial number; an upgrade follows that "
                    "device\n"
                    "                   through its restarts, so several upgrades can run side "
                    "by side\n"
                    "  --all            run upgrade, params set, curves set, clock set, pictures\n"
                    "                   write, resource load or backup on every plugged device "
                    "at\n"
                    "                   once\n"
                    "  --wait SECONDS   wait up to SECONDS for a device to be plugged in\n"
                    "  --json           print one JSON document on standard output instead of "
                    "text\n"
                    "  --quiet          no progress and no informational lines\n"
                    "  -v, --verbose    the phases of each job with their times; -vv every "
                    "frame too\n"
                    "  --log FILE       append a transcript with time stamps to FILE\n"
                    "  -y, --yes        do not ask before upgrade, pictures write, resource "
                    "load,\n"
                    "                   restore and factory-reset (asked only when standard "
                    "input is\n"
                    "                   a terminal)\n"
                    "  --dry-run        upgrade, pictures write, resource load, restore: every "
                    "check,\n"
                    "                   nothing sent (and no backup made)\n"
                    "  --no-backup      upgrade without the backup made before it\n"
                    "  --restore        upgrade, then write the backup back when the device no "
                    "longer\n"
                    "                   holds what it held\n"
                    "  -h, --help       this text\n"
                    "  -V, --version    the program's version (with --json as JSON)\n"
                    "\n"
                    "With more than one device present every command but `list` needs --device "
                    "or --all.\n"
                    "Nothing is sent to a device before all arguments have been checked (those "
                    "that\n"
                    "depend on the device after its information request, which changes "
                    "nothing).\n"
                    "Results go to standard output, progress and messages to standard error.\n"
                    "\n"
                    "Interrupts (Ctrl-C, SIGTERM, SIGHUP): a job stops between two frames; an "
                    "upgrade\n"
                    "that has begun to erase runs to its end unless interrupted a second time.\n"
                    "An interrupted command exits with 128 + the signal number.\n"
                    "\n"
                    "Exit status:\n"
                    "  0  success\n"
                    "  1  usage error (unknown command, option or key, a value that is not a "
                    "whole\n"
                    "     number or out of range), or the confirmation was declined\n"
                    "  2  no device (or --wait expired), or it went away\n"
                    "  3  the device refused (a STOP reply, a file for another device, a file "
                    "whose\n"
                    "     target cannot be checked without --force, a boot loader, a backup "
                    "of\n"
                    "     another model or screen format)\n"
                    "  4  low battery\n"
                    "  5  the device stopped answering, a time limit passed, or the upgrade was "
                    "not\n"
                    "     verified\n"
                    "  6  a file that cannot be read or written, or is damaged: also a backup "
                    "that\n"
                    "     could not be made (the upgrade then does not start) or read, and a\n"
                    "     backup's picture that does not fit the device (the rest is "
                    "restored)\n"
                    "  7  several devices present and no --device\n"
                    "  8  the output could not be written\n"
                    "  128+N  interrupted by signal N\n"
                    "  With --all: the highest status of the devices.\n"
                    "\n"
                    "Environment:\n"
                    "  KORLEX_VIRTUAL_DEVICE  use the virtual device instead of USB, e.g. 1005,\n"
                    "                         \"1005;2001\" or bus:SOCKET (korlex-virtualbus)\n"
                    "  XDG_DATA_HOME          the per-user data folder (default ~/.local/share); "
                    "the\n"
                    "                         backups are kept in its korlex-tool/backups\n"
                    "\n"
                    "Documents: the manual page korlex-cli(1) and the user guide\n")
            + guidePath() + QLatin1Char('\n');
    return text;
}

QString commandHelp(const QString &command)
{
    if (const CommandEntry *entry = findCommand(command)) {
        return QStringLiteral("Usage: korlex-cli [OPTIONS] %1\n\n").arg(QLatin1String(entry->usage))
               + wrapped(entry->summary, 0)
               + QStringLiteral("\nThe options and exit statuses: korlex-cli --help, "
                                "korlex-cli(1).\n");
    }
    // A group word alone: the help of both its commands.
    QString text;
    for (const CommandEntry &entry : commands) {
        if (QString::fromLatin1(entry.name).startsWith(command + QLatin1Char(' ')))
            text += commandHelp(QLatin1String(entry.name)) + QLatin1Char('\n');
    }
    return text.isEmpty() ? programHelp() : text.trimmed() + QLatin1Char('\n');
}

QString versionText()
{
    return QStringLiteral("korlex-cli %1\n").arg(QLatin1String(KORLEX_VERSION));
}
