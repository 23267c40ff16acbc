#ifndef DEVICE_UI_CONNECTIONBAR_H
#define DEVICE_UI_CONNECTIONBAR_H

#include "device/device.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

class DeviceManager;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

// The device bar: the plugged devices of the family and the one the user works with, and the
// connect, refresh, disconnect and run buttons. Devices are connected as they arrive. With
// several devices a list beside the name chooses one; the window's pages show the chosen one.
//
// The connect operation runs at start-up, for the Connect and Refresh buttons and for every
// change of the plugged devices; it connects every device not connected yet and again the
// chosen one (a device running an upgrade is left to its job). Its result lines go to the log
// on every other run only, the first, third, and so on.
class ConnectionBar : public QObject
{
    Q_OBJECT

public:
    // deviceBar holds the bar's widgets of the window's form.
    ConnectionBar(DeviceManager *manager, QWidget *deviceBar, QObject *parent = nullptr);

    // Watches the devices and runs the connect operation once.
    void start();
    Device *chosenDevice() const { return m_chosen; }
    // How many connect operations have run.
    int connectOperations() const { return m_connectOperations; }
    void retranslate();

    // The connect operation.
    void connectDevices();

signals:
    // The user (or the arrival or departure of a device) chose another device; null: none.
    void deviceChosen(Device *device);
    void logLine(const QString &text);
    // The foreign device was found and its own program started: the window makes way for it.
    void handOverRequested();

private:
    void disconnectChosen();
    void addDevice(Device *device);
    void removeDevice(Device *device);
    void connectionFinished(Device *device, ConnectStatus status);
    void choose(Device *device);
    void showChosen();
    void fillDeviceList();
    void setDeviceButtons(bool connected);
    void handOverToMonitorProgram();

    DeviceManager *m_manager;
    QLabel *m_caption;
    QLabel *m_name;
    QComboBox *m_list;
    QPushButton *m_refresh;
    QPushButton *m_connect;
    QPushButton *m_disconnect;
    QPushButton *m_run;

    QPointer<Device> m_chosen;
    int m_connectOperations = 0;
    // The devices whose connection a connect operation asked for, and whether that operation
    // logs its result.
    QHash<Device *, bool> m_logResult;
};

#endif // DEVICE_UI_CONNECTIONBAR_H
