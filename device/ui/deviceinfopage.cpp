#include "device/ui/deviceinfopage.h"

#include "device/device.h"
#include "widgets/myframe.h"

DeviceInfoPage::DeviceInfoPage(QWidget *page, QObject *parent)
    : DevicePage(parent)
    , m_panel(formWidget<MyFrame>(page, "deviceInfoFrame"))
{ }

void DeviceInfoPage::showDevice()
{
    if (device() && device()->identity().answered)
        m_panel->showIdentity(device()->identity());
}

void DeviceInfoPage::followDevice(Device *device, QObject *context)
{
    connect(device, &Device::connectFinished, context, [this, device](ConnectStatus status) {
        if (status == ConnectStatus::Connected && device->identity().answered)
            m_panel->showIdentity(device->identity());
    });
}
