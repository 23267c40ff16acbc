#include "device/ui/connectionbar.h"

#include "device/device.h"
#include "device/devicemanager.h"
#include "device/ui/devicepage.h"
#include "device/ui/monitorprogram.h"
#include "shell/texts.h"

#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

const char *const deviceButtonSheet
        = "QPushButton{background-color:white;border-radius: 5px;color:black}"
          "QPushButton:disabled{background-color:gray;}QPushButton:hover{border: 1px solid red;}"
          "QPushButton:pressed{border: 1px solid red;}";

void setPointSize(QWidget *widget, int points)
{
    QFont font = widget->font();
    font.setPointSize(points);
    widget->setFont(font);
}

bool isUpgrading(const Device *device)
{
    const Job *job = device->currentJob();
    return job && job->kind() == JobKind::Upgrade;
}

// The device bar's name of a device: the product string and, when its information read says
// what it runs now, the software version (" KORLEX-V12"); the boot loader it restarted into
// during an upgrade shows without one.
QString barName(const Device *device)
{
    if (!device || !device->isConnected())
        return QString();
    const HidDeviceInfo entry = device->entry();
    const DeviceIdentity &identity = device->identity();
    QString name = QLatin1Char(' ') + entry.product;
    if (identity.answered && productKindOf(entry.product) == identity.kind)
        name += QStringLiteral("-V") + identity.softwareVersion;
    return name;
}

} // namespace

ConnectionBar::ConnectionBar(DeviceManager *manager, QWidget *deviceBar, QObject *parent)
    : QObject(parent)
    , m_manager(manager)
    , m_caption(DevicePage::formWidget<QLabel>(deviceBar, "deviceNameLabel"))
    , m_name(DevicePage::formWidget<QLabel>(deviceBar, "nameLabel"))
    , m_refresh(DevicePage::formWidget<QPushButton>(deviceBar, "freshButton"))
    , m_connect(DevicePage::formWidget<QPushButton>(deviceBar, "connnectButton"))
    , m_disconnect(DevicePage::formWidget<QPushButton>(deviceBar, "unconnectButton"))
    , m_run(DevicePage::formWidget<QPushButton>(deviceBar, "runButton"))
{
    for (QPushButton *button : {m_refresh, m_connect, m_disconnect, m_run}) {
        button->setStyleSheet(QLatin1String(deviceButtonSheet));
        setPointSize(button, 11);
    }
    setPointSize(m_caption, 12);
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setStyleSheet(QStringLiteral("color:white"));

    // The list of devices sits beside the name, in the name's cell of the bar; it shows only
    // while several devices are plugged in.
    m_list = new QComboBox(deviceBar);
    m_list->setObjectName(QStringLiteral("deviceComboBox"));
    m_list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_list->setStyleSheet(QStringLiteral("background-color: rgb(255, 255, 255);"));
    m_list->setFixedHeight(m_name->maximumHeight());
    m_list->hide();
    if (auto *grid = qobject_cast<QGridLayout *>(deviceBar->layout())) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(grid->indexOf(m_name), &row, &column, &rowSpan, &columnSpan);
        grid->removeWidget(m_name);
        auto *cell = new QHBoxLayout;
        cell->setContentsMargins(0, 0, 0, 0);
        cell->setSpacing(grid->horizontalSpacing());
        cell->addWidget(m_name);
        cell->addWidget(m_list);
        grid->addLayout(cell, row, column, rowSpan, columnSpan);
    }

    connect(m_refresh, &QPushButton::clicked, this, &ConnectionBar::connectDevices);
    connect(m_connect, &QPushButton::clicked, this, &ConnectionBar::connectDevices);
    connect(m_disconnect, &QPushButton::clicked, this, &ConnectionBar::disconnectChosen);
    connect(m_run, &QPushButton::clicked, m_run, [this]() { m_run->setEnabled(false); });
    connect(m_list, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        const QVector<Device *> devices = m_manager->devices();
        if (index >= 0 && index < devices.size())
            choose(devices.at(index));
    });

    retranslate();
    setDeviceButtons(false);
}

void ConnectionBar::retranslate()
{
    m_refresh->setText(trWindow("刷新列表(&F)"));
    m_connect->setText(trWindow("连接(&C)"));
    m_disconnect->setText(trWindow("断开(&D)"));
    m_run->setText(trWindow("运行设备(&R)"));
    m_caption->setText(trWindow("当前设备:"));
}

void ConnectionBar::start()
{
    connect(m_manager, &DeviceManager::deviceAdded, this, &ConnectionBar::addDevice);
    connect(m_manager, &DeviceManager::deviceRemoved, this, &ConnectionBar::removeDevice);
    connect(m_manager, &DeviceManager::foreignDeviceFound, this,
            &ConnectionBar::handOverToMonitorProgram);
    m_manager->start();
    connectDevices();
    // The pages show that there is no device, as well as the first one found.
    if (!m_chosen)
        emit deviceChosen(nullptr);
    // Every change of the plugged devices, as the system reports it, connects again.
    connect(m_manager, &DeviceManager::devicesChanged, this, &ConnectionBar::connectDevices);
}

void ConnectionBar::connectDevices()
{
    ++m_connectOperations;
    const bool logged = m_connectOperations % 2 == 1;
    m_manager->scan();
    const QVector<Device *> devices = m_manager->devices();
    if (devices.isEmpty()) {
        showChosen();
        if (logged)
            emit logLine(trMain(" USB设备未连接 "));
        return;
    }
    for (Device *device : devices) {
        if ((device != m_chosen && device->isConnected()) || isUpgrading(device))
            continue;
        // A device busy with a job connects once the job has ended.
        m_logResult.insert(device, logged);
        device->requestConnect();
    }
}

void ConnectionBar::disconnectChosen()
{
    if (!m_chosen)
        return;
    m_logResult.remove(m_chosen);
    m_chosen->disconnectDevice();
    showChosen();
}

void ConnectionBar::addDevice(Device *device)
{
    connect(device, &Device::connectFinished, this,
            [this, device](ConnectStatus status) { connectionFinished(device, status); });
    connect(device, &Device::connectionChanged, this, [this, device]() {
        if (device == m_chosen)
            showChosen();
    });
    connect(device, &Device::entryChanged, this, [this, device]() {
        fillDeviceList();
        if (device == m_chosen)
            showChosen();
    });
    fillDeviceList();
    if (!m_chosen)
        choose(device);
}

void ConnectionBar::removeDevice(Device *device)
{
    m_logResult.remove(device);
    device->disconnect(this);
    if (device == m_chosen) {
        const QVector<Device *> devices = m_manager->devices();
        choose(devices.isEmpty() ? nullptr : devices.first());
    }
    fillDeviceList();
}

void ConnectionBar::connectionFinished(Device *device, ConnectStatus status)
{
    // Only a connection a connect operation asked for has a result line; the one a job makes
    // when it ends (an upgrade's, a factory reset's) shows in the bar alone.
    const bool logged = m_logResult.take(device);

    const QString bootLoaderLine
            = trMain(" 设备处于引导程序中, 正在等待固件: 请选择正确的升级文件并按下载按钮恢复设备");
    switch (status) {
    case ConnectStatus::Connected:
        if (logged)
            emit logLine(trMain(" USB设备已连接 "));
        if (device->identity().isBootLoader())
            emit logLine(bootLoaderLine);
        break;
    case ConnectStatus::BootLoaderWaiting:
        emit logLine(bootLoaderLine);
        break;
    case ConnectStatus::NotFound:
        if (logged)
            emit logLine(trMain(" USB设备未连接 "));
        break;
    case ConnectStatus::Denied:
        if (logged)
            emit logLine(trMain(" 发现USB设备, 但没有权限打开它: 请安装udev规则后重新插入设备 "));
        break;
    case ConnectStatus::Foreign:
        handOverToMonitorProgram();
        break;
    case ConnectStatus::NoAnswer:
    case ConnectStatus::Stopped:
        break; // the device stays as it was; nothing in the window changes
    }
    fillDeviceList();
    if (device == m_chosen)
        showChosen();
}

void ConnectionBar::choose(Device *device)
{
    m_chosen = device;
    fillDeviceList();
    showChosen();
    emit deviceChosen(device);
}

void ConnectionBar::showChosen()
{
    m_name->setText(barName(m_chosen));
    setDeviceButtons(m_chosen && m_chosen->isConnected());
}

void ConnectionBar::fillDeviceList()
{
    const QVector<Device *> devices = m_manager->devices();
    QStringList names;
    for (const Device *device : devices)
        names << device->displayName();
    QStringList shown;
    for (int i = 0; i < m_list->count(); ++i)
        shown << m_list->itemText(i);
    if (shown != names) {
        m_list->clear();
        m_list->addItems(names);
    }
    m_list->setCurrentIndex(devices.indexOf(m_chosen.data()));
    m_list->setVisible(devices.size() > 1);
}

void ConnectionBar::setDeviceButtons(bool connected)
{
    m_refresh->setEnabled(!connected);
    m_connect->setEnabled(!connected);
    m_disconnect->setEnabled(connected);
    m_run->setEnabled(connected);
}

void ConnectionBar::handOverToMonitorProgram()
{
    // The foreign device belongs to the monitor program: start it unless it runs already, then
    // make way for it. When it cannot be started the tool stays, so the user is not left with
    // nothing.
    if (!MonitorProgram::isRunning()) {
        QString error;
        if (!MonitorProgram::start(&error)) {
            emit logLine(trMain(" 未能启动监控程序: ") + error);
            return;
        }
    }
    emit handOverRequested();
}
