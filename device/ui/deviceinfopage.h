#ifndef DEVICE_UI_DEVICEINFOPAGE_H
#define DEVICE_UI_DEVICEINFOPAGE_H

#include "device/ui/devicepage.h"

class MyFrame;

// The device information page: the information panel shows what the chosen device's last
// information read said. Disconnecting leaves it as it was.
class DeviceInfoPage : public DevicePage
{
    Q_OBJECT

public:
    // page is the page of the window's form that holds the panel.
    explicit DeviceInfoPage(QWidget *page, QObject *parent = nullptr);

protected:
    void showDevice() override;
    void followDevice(Device *device, QObject *context) override;

private:
    MyFrame *m_panel;
};

#endif // DEVICE_UI_DEVICEINFOPAGE_H
