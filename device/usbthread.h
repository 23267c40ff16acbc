#ifndef DEVICE_USBTHREAD_H
#define DEVICE_USBTHREAD_H

#include <QString>
#include <QThread>

// The worker thread of the long device jobs (firmware upgrade, reading all pictures, writing
// pictures). It runs the job named by DeviceSession::usbJob when it starts and reports only
// through the session's fields; it stops between frames when stopRequested is set.
class MyUsb : public QThread
{
    Q_OBJECT

public:
    using QThread::QThread;

protected:
    void run() override;
};

// The one worker of the program; created on first use.
MyUsb *usbThread();
// Starts the worker at the priority of the calling thread (a running worker is left alone).
void startUsbThread();
bool usbThreadRunning();
// Asks a running job to stop between frames and waits until the worker has finished. The
// thread is never terminated. Returns true when no worker runs any more.
bool stopUsbThread();
// Stops and deletes the worker at program exit.
void destroyUsbThread();

// Runs the job named by usbJob on the calling thread, as the worker does.
void runUsbJob();

// Requests picture pictureNumber (1..12) and saves it as pictureNumber.bmp in the device's
// picture folder under the current directory; false when no usable reply arrived or the file
// could not be written.
bool readPicture(int pictureNumber);

// <current directory>/<serial number>/, the folder of the connected device's pictures.
QString pictureFolderPath();

#endif // DEVICE_USBTHREAD_H
