#include "app/mainwindow.h"
#include "app/startup.h"
#include "device/hidbackend.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {

QStringList rawArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// Test-only hook for tools/screenshots.sh: KORLEX_SCREENSHOT_STEP puts the window into the state
// that one screenshot shows, as a user would by clicking. Values: "device" (the device page),
// "upgrade=<file>" (the upgrade page, the file loaded and the upgrade started), "pictures" (the
// picture tab), "editor" (the picture editor of the first picture), "curves" (the temperature
// curve tab). Unset, nothing happens.
void runScreenshotStep(MainWindow &window, const QString &step)
{
    Ui::MainWindow *ui = window.ui;
    if (step == QLatin1String("device")) {
        ui->listWidget->setCurrentRow(1);
    } else if (step.startsWith(QLatin1String("upgrade="))) {
        ui->listWidget->setCurrentRow(2);
        window.loadBinFile(step.mid(8));
        window.downloadBinfileSlots();
    } else if (step == QLatin1String("pictures") || step == QLatin1String("editor")) {
        ui->listWidget->setCurrentRow(3);
        ui->tabWidget->setCurrentIndex(0);
        if (step == QLatin1String("editor")) {
            window.picEditButtons[0]->click();
            // Over the window, where a window manager would put it.
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top != &window && top->isVisible())
                    top->move(window.geometry().center() - top->rect().center());
            }
        }
    } else if (step == QLatin1String("curves")) {
        ui->listWidget->setCurrentRow(3);
        ui->tabWidget->setCurrentIndex(2);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("korlex-tool"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORLEX_VERSION));

    // Help and version need no display, so they are answered before the application object.
    const StartOptions early = parseStartOptions(rawArguments(argc, argv));
    if (early.help || early.version) {
        const QString text = early.help ? startHelpText() : startVersionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!virtualDeviceSettingUsable("korlex-tool"))
        return 1;

    QApplication app(argc, argv);
    const StartOptions options = parseStartOptions(QCoreApplication::arguments());
    if (!options.unknown.isEmpty()) {
        std::fprintf(stderr, "korlex-tool: unknown argument %s (see korlex-tool --help)\n",
                     options.unknown.toLocal8Bit().constData());
        return 1;
    }
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

    const QString step = qEnvironmentVariable("KORLEX_SCREENSHOT_STEP");
    if (!step.isEmpty())
        QTimer::singleShot(0, &window, [&window, step]() { runScreenshotStep(window, step); });
    return app.exec();
}
