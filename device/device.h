#ifndef DEVICE_DEVICE_H
#define DEVICE_DEVICE_H

#include "device/deviceidentity.h"
#include "device/devicelink.h"
#include "device/hidbackend.h"
#include "device/job.h"
#include "device/jobtypes.h"
#include "parameters/curveset.h"
#include "parameters/parameterrecord.h"
#include "pictures/pictureset.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class ConnectJob;
class QThread;

// How a connection ended.
enum class ConnectStatus {
    Connected, // a normal-firmware or boot-loader device opened and answered
    BootLoaderWaiting, // a boot loader opened without answering: it waits for firmware
    NoAnswer, // a normal-firmware device opened but did not answer; it stays open
    Foreign, // the foreign device answered at that place (and was let go)
    NotFound, // the device is no longer there
    Denied, // the device is there but could not be opened (permissions)
    Stopped // the connection was cancelled (a disconnect)
};

// One plugged device of the family. It owns its link (handle, lock, worker thread), what is
// known of it (its identity, parameters, curves and picture set) and its running job, and
// shares nothing with another device. It lives on the thread that made it (the window's or the
// command line's main thread); its models are read and changed there only, and the jobs take
// copies of what they need when they start.
//
// The device is found again by its place: its USB port where the system names one, else its
// USB serial number, else its path.
class Device : public QObject
{
    Q_OBJECT

public:
    Device(std::shared_ptr<HidBackend> backend, const HidDeviceInfo &entry,
           const LinkTiming &timing = LinkTiming(), QObject *parent = nullptr);
    // Cancels the running job and waits (briefly) for the worker before anything it uses goes.
    ~Device() override;

    // --- where it is (any thread) -------------------------------------------------------------
    HidDeviceInfo entry() const;
    // What --device and the device picker name it by: the port, else the path.
    QString place() const;
    QString usbSerial() const;
    ProductKind kind() const;
    // "KORLEX-V12 — usb:1-2.3": the product string (with the software version once known) and
    // the place.
    QString displayName() const;
    // Whether the enumerated entry is this device: the same port, else the same path, else the
    // same USB serial number.
    bool isAt(const HidDeviceInfo &entry) const;

    // --- what is known of it (its thread) -----------------------------------------------------
    bool isConnected() const { return m_connected; }
    const DeviceIdentity &identity() const { return m_identity; }
    // Whether the parameters and curves have been read from the device.
    bool hasRecord() const { return m_hasRecord; }
    const ParameterRecord &parameters() const { return m_parameters; }
    void setParameters(const ParameterRecord &record) { m_parameters = record; }
    CurveSet &curves() { return m_curves; }
    const CurveSet &curves() const { return m_curves; }
    PictureSet &pictures() { return m_pictures; }
    const PictureSet &pictures() const { return m_pictures; }

    // --- jobs ---------------------------------------------------------------------------------
    Job *currentJob() const { return m_current; }
    bool isBusy() const { return m_current != nullptr; }
    LinkTiming timing() const;
    void setTiming(const LinkTiming &timing);

    // Connects the device: opens it and reads its information. While a job runs, the
    // connection is made once the job has ended (however often it was asked for meanwhile).
    void requestConnect();
    // Cancels the running job and closes the link. Nothing asked for before runs after it;
    // every job is refused until the device is connected again.
    void disconnectDevice();

    // For the jobs, on the worker thread.
    DeviceLink &link() { return m_link; }
    // For the jobs that read the device's information (on the device's thread): what was found.
    void applyConnection(ConnectStatus status, const DeviceIdentity &identity,
                         const ParameterRecord *record, const CurveSet *curves);
    // A job that follows the device through its restarts tells where it is now.
    void setEntry(const HidDeviceInfo &entry);
    // Runs call on the device's thread, after what was posted before it. The worker hands
    // everything it reports over this way, under a lock of its own, so that the front ends get
    // the job's signals on their thread in the order they were given.
    void post(std::function<void()> call);
    // Whether a job follows the device through a restart just now (the device manager then
    // leaves entries that could be it alone).
    bool isFollowingRestart() const { return m_following; }
    void setFollowingRestart(bool following) { m_following = following; }

signals:
    // The place or the product string changed (the boot loader during an upgrade).
    void entryChanged();
    void connectFinished(ConnectStatus status);
    void connectionChanged(bool connected);
    // The identity, the parameters or the curves were read anew.
    void modelsChanged();
    void jobStarted(Job *job);
    void jobFinished(Job *job);

private:
    friend class Job;
    friend class ConnectJob;
    // Starts the worker on the job; false when another job runs.
    bool begin(Job *job);
    Q_INVOKABLE void runPosted();
    void workerFinished();
    void connectNow();
    bool isDisconnected() const { return m_disconnected; }
    // A running job is being deleted: waits for the worker and drops the job.
    void forgetJob(Job *job);

    mutable QMutex m_entryMutex;
    HidDeviceInfo m_entry; // under m_entryMutex
    LinkTiming m_timing; // under m_entryMutex
    std::atomic<bool> m_following{false};

    DeviceLink m_link;
    QThread *m_worker = nullptr;
    // Taken by the worker as its last step and by this thread once the worker has ended, so
    // that the job's state is handed over under a lock (a thread's end is not one that every
    // checker sees).
    QMutex m_workerDone;
    QMutex m_postedMutex;
    std::vector<std::function<void()>> m_posted; // under m_postedMutex
    QPointer<Job> m_current;
    Job *m_running = nullptr; // the job the worker runs (kept even if it is deleted meanwhile)
    bool m_connectPending = false;
    bool m_disconnected = false;
    ConnectJob *m_connectJob = nullptr;

    bool m_connected = false;
    DeviceIdentity m_identity;
    bool m_hasRecord = false;
    ParameterRecord m_parameters;
    CurveSet m_curves;
    PictureSet m_pictures;
};

Q_DECLARE_METATYPE(ConnectStatus)

#endif // DEVICE_DEVICE_H
