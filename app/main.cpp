#include "app/mainwindow.h"
#include "app/screenshotdriver.h"
#include "app/startup.h"
#include "device/hidbackend.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

#include <cstdio>

namespace {

QStringList rawArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("korlex-tool"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORLEX_VERSION));

    // The program's own arguments are answered before the application object, which needs a
    // display: help, version and a wrong argument work without one.
    const StartOptions options = parseStartOptions(rawArguments(argc, argv));
    if (options.help || options.version) {
        const QString text = options.help ? startHelpText() : startVersionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!options.unknown.isEmpty()) {
        std::fprintf(stderr, "korlex-tool: unknown argument %s (see korlex-tool --help)\n",
                     options.unknown.toLocal8Bit().constData());
        return 1;
    }
    if (!virtualDeviceSettingUsable("korlex-tool"))
        return 1;

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.korlex.KorlexTool"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.korlex.KorlexTool")));

    // Started from the desktop menu, the picture folders and dev/device belong in the user's
    // data folder, not in whatever folder the desktop started the program in.
    if (options.dataFolder && !enterDataFolder())
        std::fprintf(stderr, "korlex-tool: cannot use the data folder, staying in %s\n",
                     QDir::currentPath().toLocal8Bit().constData());

    initArtResources();
    initTranslationResources();
    selectHidBackendFromEnvironment();

    MainWindow window;
    window.logWorkingFolder();
    window.show();
    ScreenshotDriver::startFromEnvironment(window);
    return app.exec();
}
