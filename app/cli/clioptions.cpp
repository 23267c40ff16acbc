#include "app/cli/clioptions.h"

#include "pictures/resourcefile.h"

namespace {

struct CommandEntry
{
    const char *name;
    int minArgs;
    int maxArgs; // -1: any number
    const char *usage;
    const char *summary;
};

const CommandEntry commands[] = {
        {"list", 0, 0, "list",
         "devices present: path, port, mode (firmware, bootloader, foreign), "
         "product string, serial"},
        {"info", 0, 0, "info",
         "product name, model code, group code, chip id, firmware version, software version, "
         "serial, screen format, picture count"},
        {"upgrade", 1, 1, "upgrade FILE",
         "upgrade from a .swdf/.bwdf file: checks the file's target against the device, shows "
         "the phases and progress, and succeeds only when the device comes back running normal "
         "firmware"},
        {"pictures read", 1, 1, "pictures read DIR",
         "the device's pictures into DIR/1.bmp ... DIR/N.bmp (monochrome formats), the same "
         "files as the window writes"},
        {"pictures write", 1, 1, "pictures write DIR [--slots LIST]",
         "DIR/n.bmp to the device for the listed slots (default: all of the device's slots); "
         "LIST as 1,3,5-7"},
        {"params get", 0, 0, "params get",
         "brightness, puff time, coil table (on/off and value per row), as KEY=VALUE lines"},
        {"params set", 1, -1, "params set KEY=VALUE ...",
         "brightness=0..255, puff=3..10 (seconds), coil1..coil5=on|off, "
         "coil1.value..coil5.value=N (coil1 1000..1600, coil2 6000..7000, coil3 3500..4500, "
         "coil4 200..600, coil5 100..7000); keys not named keep the device's values"},
        {"curves get", 1, 2, "curves get temp|power [GROUP] [--unit C|F]",
         "the ten points of one group (1..5) or of all five, temperatures in the unit asked by "
         "--unit (default F), power in W"},
        {"curves set", 3, 3, "curves set temp|power GROUP V1,...,V10 [--unit C|F]",
         "writes the ten points of one group: temperatures 200..600 F or 100..315 C, power "
         "within the model's range"},
        {"clock get", 0, 0, "clock get", "the device's clock"},
        {"clock set", 0, 2, "clock set [YYYY-MM-DD HH:MM:SS]",
         "sets the device's clock (default: the computer's clock)"},
        {"factory-reset", 0, 0, "factory-reset", "restores the device's factory settings"},
        {"resource save", 1, 1, "resource save FILE [--pictures] [--temp] [--power]",
         "a .ct_user file, byte for byte what the window writes for the same sections (all "
         "three when none is named); pictures from the device's picture folder (<serial>/n.bmp "
         "under the current folder) or the default pictures, curves from the device"},
        {"resource load", 1, 1, "resource load FILE [--pictures] [--temp] [--power]",
         "checks the file's identity and every line's CRC as the window does, stores its "
         "pictures into the device's picture folder and writes the sections named (all three "
         "when none is named) to the device; a damaged file changes nothing on the device"},
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

// A text broken into lines of at most 80 characters, each indented.
QString wrapped(const char *text, int indent)
{
    QString result;
    QString line;
    for (const QString &word : QString::fromLatin1(text).split(QLatin1Char(' '))) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > 80) {
            result += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        result += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
    return result;
}

// Options that take a value, and the commands that accept each command option.
bool takesValue(const QString &name)
{
    return name == QLatin1String("--device") || name == QLatin1String("--wait")
           || name == QLatin1String("--slots") || name == QLatin1String("--unit");
}

} // namespace

CliOptions parseCommandLine(const QStringList &arguments)
{
    CliOptions options;
    QStringList positional;
    QStringList commandOptions;
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1String("--"))) {
            if (!optionsEnded && argument.startsWith(QLatin1Char('-')) && argument.size() > 1
                && argument != QLatin1String("-")) {
                options.error = QStringLiteral("unknown option '%1'").arg(argument);
                return options;
            }
            positional << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
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
                options.error = QStringLiteral("--device needs a path");
                return options;
            }
            options.device = value;
        } else if (name == QLatin1String("--wait")) {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (!ok || seconds < 0 || seconds > 86400) {
                options.error
                        = QStringLiteral("--wait %1: give a number of seconds from 0 to 86400")
                                  .arg(value);
                return options;
            }
            options.waitSeconds = seconds;
        } else if (name == QLatin1String("--json")) {
            options.json = true;
        } else if (name == QLatin1String("--quiet")) {
            options.quiet = true;
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
        const bool allowed
                = (option == QLatin1String("--slots") && command == QLatin1String("pictures write"))
                  || (option == QLatin1String("--unit")
                      && command.startsWith(QLatin1String("curves")))
                  || ((option == QLatin1String("--pictures") || option == QLatin1String("--temp")
                       || option == QLatin1String("--power"))
                      && command.startsWith(QLatin1String("resource")));
        if (!allowed) {
            options.error = QStringLiteral("'%1' takes no option %2").arg(command, option);
            return options;
        }
    }
    if (positional.size() < entry->minArgs
        || (entry->maxArgs >= 0 && positional.size() > entry->maxArgs)) {
        options.error = QStringLiteral("usage: korlex-cli %1").arg(QLatin1String(entry->usage));
        return options;
    }
    if (options.sections == 0)
        options.sections = ResourceFile::AllSections;
    return options;
}

QString programHelp()
{
    QString text = QStringLiteral(
            "Usage: korlex-cli [--device PATH] [--wait SECONDS] [--json] [--quiet] COMMAND [ARGS]\n"
            "\n"
            "Service tool for korlex e-cigarettes on the command line: the jobs of korlex-tool,\n"
            "for scripts, batches and machines without a desktop.\n"
            "\n"
            "Commands:\n");
    for (const CommandEntry &entry : commands)
        text += QStringLiteral("  %1\n").arg(QLatin1String(entry.usage))
                + wrapped(entry.summary, 6);
    text += QStringLiteral(
            "  COMMAND --help\n"
            "      what one command does\n"
            "\n"
            "Options:\n"
            "  --device PATH    the device to work with, by the path or the port that `list` "
            "shows;\n"
            "                   an upgrade follows that device through its restart, so several\n"
            "                   upgrades can run side by side, one per device\n"
            "  --wait SECONDS   wait up to SECONDS for a device to be plugged in\n"
            "  --json           print one JSON document on standard output instead of text\n"
            "  --quiet          no progress and no informational lines\n"
            "  --help           this text\n"
            "  --version        the program's version\n"
            "\n"
            "With more than one device present every command but `list` needs --device.\n"
            "Nothing is sent to a device before all arguments have been checked (those that\n"
            "depend on the device after its information request, which changes nothing).\n"
            "\n"
            "Exit status:\n"
            "  0  success\n"
            "  1  usage error (unknown command, option or key, a value out of range)\n"
            "  2  no device (or --wait expired)\n"
            "  3  the device refused (a STOP reply, a file for another device)\n"
            "  4  low battery\n"
            "  5  the device stopped answering or a time limit passed\n"
            "  6  a file that cannot be read or written, or is corrupted\n"
            "  7  several devices present and no --device\n"
            "\n"
            "Environment:\n"
            "  KORLEX_VIRTUAL_DEVICE  use the virtual device instead of USB (see the README),\n"
            "                         e.g. 1005, \"1005;2001\" or bus:SOCKET\n");
    return text;
}

QString commandHelp(const QString &command)
{
    if (const CommandEntry *entry = findCommand(command)) {
        return QStringLiteral("Usage: korlex-cli [--device PATH] [--wait SECONDS] [--json] "
                              "[--quiet] %1\n\n")
                       .arg(QLatin1String(entry->usage))
               + wrapped(entry->summary, 0);
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
