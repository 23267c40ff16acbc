// The command line of the window program and the folder it works in.

#include "app/startup.h"

#include <QDir>
#include <QStandardPaths>

namespace {

// Qt's own command-line options, which QApplication takes out of the arguments (with one dash
// or two): those that take the next argument as their value, and those that stand alone. An
// option may also carry its value after "=".
const char *const qtOptionsWithValue[] = {"platform",
                                          "platformpluginpath",
                                          "platformtheme",
                                          "plugin",
                                          "qwindowgeometry",
                                          "qwindowicon",
                                          "qwindowtitle",
                                          "session",
                                          "display",
                                          "geometry",
                                          "style",
                                          "stylesheet",
                                          "name",
                                          "title",
                                          "icon",
                                          "visual",
                                          "ncols",
                                          "cmap",
                                          "font",
                                          "fn",
                                          "bg",
                                          "background",
                                          "fg",
                                          "foreground",
                                          "btn",
                                          "button",
                                          "im",
                                          "inputstyle",
                                          "fontengine",
                                          "dialogs"};
const char *const qtOptionsAlone[] = {"reverse", "widgetcount", "nograb",        "dograb",
                                      "sync",    "testability", "qmljsdebugger", "nativeui"};

// How many arguments a Qt option at arguments[i] takes (itself and its value); 0 when it is
// none of Qt's.
int qtOptionLength(const QStringList &arguments, int i)
{
    QString name = arguments.at(i);
    if (!name.startsWith(QLatin1Char('-')))
        return 0;
    name.remove(0, name.startsWith(QLatin1String("--")) ? 2 : 1);
    const int equals = name.indexOf(QLatin1Char('='));
    const bool inlineValue = equals >= 0;
    if (inlineValue)
        name.truncate(equals);
    for (const char *option : qtOptionsWithValue) {
        if (name == QLatin1String(option))
            return inlineValue || i + 1 >= arguments.size() ? 1 : 2;
    }
    for (const char *option : qtOptionsAlone) {
        if (name == QLatin1String(option))
            return 1;
    }
    return 0;
}

} // namespace

StartOptions parseStartOptions(const QStringList &arguments)
{
    StartOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (const int length = qtOptionLength(arguments, i)) {
            i += length - 1;
            continue;
        }
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")
            || arg == QLatin1String("-?"))
            options.help = true;
        else if (arg == QLatin1String("-V") || arg == QLatin1String("-v")
                 || arg == QLatin1String("--version"))
            options.version = true;
        else if (arg == QLatin1String("--data-folder"))
            options.dataFolder = true;
        else if (options.unknown.isEmpty())
            options.unknown = arg;
    }
    return options;
}

QString startHelpText()
{
    return QStringLiteral(
            "Usage: korlex-tool [--data-folder] [Qt options]\n"
            "\n"
            "Service tool for korlex e-cigarettes: device information, firmware upgrade,\n"
            "parameters, curves and LCD pictures over USB HID. Needs a desktop session.\n"
            "\n"
            "Options:\n"
            "  --data-folder  work in the per-user data folder ($XDG_DATA_HOME/korlex-tool,\n"
            "                 normally ~/.local/share/korlex-tool), created when missing;\n"
            "                 the desktop menu entry starts the program this way. Without\n"
            "                 it the program works in the current directory.\n"
            "  -h, --help     show this help and exit\n"
            "  -V, --version  show the version and the licence and exit\n"
            "\n"
            "Files in the working folder: <serial number>/1.bmp ... 12.bmp (the pictures of\n"
            "each device), dev/device (optional device model table).\n"
            "\n"
            "Environment: KORLEX_VIRTUAL_DEVICE=1 (or 2001, 3000) talks to an emulated\n"
            "device instead of USB.\n"
            "\n"
            "The user guide opens from the Help menu; see also korlex-tool(1), korlex-cli(1).\n");
}

QString startVersionText()
{
    return QStringLiteral("korlex-tool " KORLEX_VERSION "\n"
                          "Copyright (C) 2026 the korlex-tool developers\n"
                          "License GPL-3.0-or-later: GNU GPL version 3 or later "
                          "<https://www.gnu.org/licenses/gpl-3.0.html>.\n"
                          "This is free software: you are free to change and redistribute it.\n"
                          "There is NO WARRANTY, to the extent permitted by law.\n");
}

bool enterDataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    return QDir::setCurrent(folder);
}
