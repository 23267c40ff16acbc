#ifndef APP_STARTUP_H
#define APP_STARTUP_H

#include <QString>
#include <QStringList>

// The program's own command-line options. They are read before the application object exists,
// so that a wrong argument is reported without a display; Qt's own options (-platform, -style,
// ...) are passed over and left to QApplication.
struct StartOptions
{
    bool help = false;
    bool version = false;
    // Work in the per-user data folder instead of the current directory; the desktop entry
    // starts the program with it.
    bool dataFolder = false;
    // The first argument that is not an option of the program, empty when there is none.
    QString unknown;
};

// Reads the arguments (the program name first). Help and version can be answered before any
// window system is needed.
StartOptions parseStartOptions(const QStringList &arguments);

QString startHelpText();
QString startVersionText();

// Makes the working directory the per-user data folder (QStandardPaths::AppDataLocation),
// created when missing. Returns false, and leaves the working directory alone, when the folder
// can be neither created nor entered.
bool enterDataFolder();

#endif // APP_STARTUP_H
