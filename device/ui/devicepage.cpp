#include "device/ui/devicepage.h"

#include "device/device.h"
#include "device/devicemanager.h"
#include "device/job.h"
#include "device/ui/jobtexts.h"
#include "shell/texts.h"
#include "widgets/msgbox.h"

#include <QTimer>

DevicePage::DevicePage(QObject *parent)
    : QObject(parent)
{ }

void DevicePage::setDevice(Device *device)
{
    if (device && m_device == device)
        return;
    if (m_device)
        releaseDevice();
    delete m_context; // takes the connections to the device before with it
    m_context = nullptr;
    m_device = device;
    if (device) {
        m_context = new QObject(this);
        followDevice(device, m_context);
    }
    showDevice();
}

void DevicePage::followDevice(Device *device, QObject *context)
{
    Q_UNUSED(device)
    Q_UNUSED(context)
}

bool DevicePage::deviceConnected() const
{
    return m_device && m_device->isConnected();
}

bool DevicePage::startJob(Job *job, std::initializer_list<JobCause> quietCauses)
{
    if (job->start())
        return true;
    const JobCause cause = job->result().cause;
    delete job;
    for (JobCause quiet : quietCauses) {
        if (cause == quiet)
            return false;
    }
    showMessage(jobRefusalText(cause));
    return false;
}

void DevicePage::showMessage(const QString &text, int ms)
{
    showMessage(trMain(" 提示 "), text, ms);
}

void DevicePage::showMessage(const QString &title, const QString &text, int ms)
{
    delete new MsgBox(title, text, ms);
}

void DevicePage::showMessageLater(const QString &title, const QString &text, int ms)
{
    QTimer::singleShot(0, [title, text, ms]() { showMessage(title, text, ms); });
}

QString DevicePage::taskDeviceName(Device *device) const
{
    const auto *manager = device ? qobject_cast<const DeviceManager *>(device->parent()) : nullptr;
    if (!manager || manager->devices().size() < 2)
        return QString();
    return device->displayName();
}
