#include "device/usbthread.h"

#include "device/jobs.h"
#include "device/session.h"

#include <QDeadlineTimer>

namespace {

MyUsb *worker = nullptr;

} // namespace

void MyUsb::run()
{
    runUsbJob();
}

MyUsb *usbThread()
{
    if (!worker)
        worker = new MyUsb;
    return worker;
}

void startUsbThread()
{
    MyUsb *thread = usbThread();
    if (thread->isRunning())
        return;
    deviceSession().stopRequested = false;
    thread->start(QThread::InheritPriority);
}

bool usbThreadRunning()
{
    return worker && worker->isRunning();
}

bool stopUsbThread()
{
    requestJobStop();
    return !usbThreadRunning();
}

void destroyUsbThread()
{
    if (!worker)
        return;
    requestJobStop();
    // The job gives up within one read slice; the bound only guards against a device whose
    // write never returns.
    worker->wait(QDeadlineTimer(5000));
    if (!worker->isRunning()) {
        delete worker;
        worker = nullptr;
    }
}
