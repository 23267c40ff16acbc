#include "app/screenshotdriver.h"

#include "app/mainwindow.h"
#include "device/device.h"
#include "device/devicemanager.h"
#include "upgrade/ui/upgradepage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <memory>

namespace {

// How long the first device may take to connect before the step runs anyway.
constexpr int ConnectWaitMs = 5000;
constexpr int LookEveryMs = 20;

void showPage(MainWindow &window, int row, int tab = -1)
{
    window.findChild<QListWidget *>(QStringLiteral("listWidget"))->setCurrentRow(row);
    if (tab >= 0)
        window.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(tab);
}

// The step's clicks that need no device: the page, the tab and the upgrade file.
void showStepPage(MainWindow &window, const QString &step)
{
    if (step == QLatin1String("device")) {
        showPage(window, 1);
    } else if (step.startsWith(QLatin1String("upgrade="))) {
        showPage(window, 2);
        window.findChild<UpgradePage *>()->loadFile(step.mid(8));
    } else if (step == QLatin1String("pictures") || step == QLatin1String("editor")) {
        showPage(window, 3, 0);
    } else if (step == QLatin1String("parameters")) {
        showPage(window, 3, 1);
    } else if (step == QLatin1String("curves")) {
        showPage(window, 3, 2);
    } else if (step == QLatin1String("power")) {
        showPage(window, 3, 3);
    }
}

// The step's clicks that act on the connected device.
void runStepOnDevice(MainWindow &window, const QString &step)
{
    if (step.startsWith(QLatin1String("upgrade="))) {
        window.findChild<QPushButton *>(QStringLiteral("downloadButton"))->click();
    } else if (step == QLatin1String("editor")) {
        window.findChild<QPushButton *>(QStringLiteral("picEditButton1"))->click();
        // Over the window, where a window manager would put it.
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top != &window && top->isVisible())
                top->move(window.geometry().center() - top->rect().center());
        }
    }
}

bool firstDeviceConnected(const MainWindow &window)
{
    const QVector<Device *> devices = window.deviceManager()->devices();
    return !devices.isEmpty() && devices.first()->isConnected();
}

} // namespace

namespace ScreenshotDriver {

void startFromEnvironment(MainWindow &window)
{
    const QString step = qEnvironmentVariable("KORLEX_SCREENSHOT_STEP");
    if (step.isEmpty())
        return;
    QTimer::singleShot(0, &window, [&window, step]() { showStepPage(window, step); });
    auto *look = new QTimer(&window);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(look, &QTimer::timeout, &window, [&window, look, clock, step]() {
        if (!firstDeviceConnected(window) && clock->elapsed() < ConnectWaitMs)
            return;
        look->deleteLater();
        runStepOnDevice(window, step);
    });
    look->start(LookEveryMs);
}

} // namespace ScreenshotDriver
