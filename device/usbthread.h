#ifndef DEVICE_USBTHREAD_H
#define DEVICE_USBTHREAD_H

#include <QThread>

// The worker thread of the long device jobs (firmware upgrade, reading all pictures, writing
// pictures; see device/jobs.h). It runs the job named by DeviceSession::usbJob when it starts
// and reports through the session's fields; it stops within one read slice when stopRequested
// is set.
class MyUsb : public QThread
{
    Q_OBJECT

public:
    using QThread::QThread;

protected:
    void run() override;
};

// The one worker of the program; created on first use. Its finished() signal tells a front end
// that the job has ended and the link is free.
MyUsb *usbThread();
// Starts the worker at the priority of the calling thread (a running worker is left alone).
void startUsbThread();
bool usbThreadRunning();
// Asks a running job to stop; it ends within one read slice, as a failure. Never waits: the
// caller learns of the end from finished(). Returns true when no worker runs.
bool stopUsbThread();
// At program exit: stops the worker and waits for it (briefly) before deleting it.
void destroyUsbThread();

#endif // DEVICE_USBTHREAD_H
