#include "app/screenshotdriver.h"

#include "app/mainwindow.h"
#include "device/device.h"
#include "device/devicemanager.h"
#include "device/ui/jobdialog.h"
#include "upgrade/ui/upgradepage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

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
    } else if (step.startsWith(QLatin1String("restore="))) {
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

void click(MainWindow &window, const char *button)
{
    window.findChild<QPushButton *>(QLatin1String(button))->click();
}

// No job runs and no task dialog is open.
bool windowIdle(const MainWindow &window)
{
    for (const Device *device : window.deviceManager()->devices()) {
        if (device->isBusy())
            return false;
    }
    return window.findChildren<JobDialog *>().isEmpty();
}

// Runs the clicks one after the other, each once the window is idle again.
void clickInTurn(MainWindow &window, std::vector<std::function<void()>> clicks)
{
    auto *look = new QTimer(&window);
    auto next = std::make_shared<size_t>(0);
    QObject::connect(look, &QTimer::timeout, &window, [&window, look, next, clicks]() {
        if (!windowIdle(window))
            return;
        if (*next == clicks.size()) {
            look->deleteLater();
            return;
        }
        clicks.at((*next)++)();
    });
    look->start(LookEveryMs);
}

// The device as a customer brings it: pictures and parameters of its own, written through the
// customisation page. Then its upgrade, after which the device started with the "factory"
// option holds its factory settings again and the window offers to restore its backup.
void customiseThenUpgrade(MainWindow &window)
{
    clickInTurn(window,
                {[&window]() {
                     showPage(window, 3, 0);
                     click(window, "pageDefaultButton");
                     click(window, "writeToDeviceButton");
                 },
                 [&window]() {
                     showPage(window, 3, 1);
                     window.findChild<QSlider *>(QStringLiteral("lcdBrightSlider"))->setValue(120);
                     window.findChild<QSlider *>(QStringLiteral("smokeSlider"))->setValue(5);
                     click(window, "writeToDeviceButton");
                 },
                 [&window]() {
                     showPage(window, 2);
                     click(window, "downloadButton");
                 }});
}

// The step's clicks that act on the connected device.
void runStepOnDevice(MainWindow &window, const QString &step)
{
    if (step.startsWith(QLatin1String("upgrade="))) {
        click(window, "downloadButton");
    } else if (step.startsWith(QLatin1String("restore="))) {
        customiseThenUpgrade(window);
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
