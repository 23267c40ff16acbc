#ifndef DEVICE_UI_DEVICEPAGE_H
#define DEVICE_UI_DEVICEPAGE_H

#include "device/device.h"
#include "device/jobtypes.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <initializer_list>

class Job;

// A part of the window that shows the device the user has chosen and runs its jobs. The window
// hands the chosen device (or none) to every page; a page follows that device's signals only
// while it is the chosen one, while the jobs it started go on to their end whatever is chosen.
class DevicePage : public QObject
{
    Q_OBJECT

public:
    explicit DevicePage(QObject *parent = nullptr);

    Device *device() const { return m_device; }
    // Follows another device (null: none); showDevice() then shows it.
    void setDevice(Device *device);

    // Every caption the page sets itself, in the interface language.
    virtual void retranslate() { }

    // A child widget of the window's form by its object name; the form gives every page its
    // widgets.
    template<class T>
    static T *formWidget(QWidget *root, const char *name);

signals:
    // A line for the window's log panel.
    void logLine(const QString &text);

protected:
    // The chosen device changed (it may be null): show it.
    virtual void showDevice() = 0;
    // The chosen device's signals, for the pages that follow them. The context object lives
    // while the device is the chosen one.
    virtual void followDevice(Device *device, QObject *context);
    // Another device is about to be chosen; device() is still the one before.
    virtual void releaseDevice() { }

    // Whether the chosen device is there and connected.
    bool deviceConnected() const;

    void log(const QString &text) { emit logLine(text); }

    // Starts a job. A job the device refuses is deleted; the user is told why in a short
    // message unless the cause is one of the quiet ones the caller names. False then.
    bool startJob(Job *job, std::initializer_list<JobCause> quietCauses = {});

    // A timed message box with the title " 提示 "; it returns once the box has closed.
    static void showMessage(const QString &text, int ms = 1500);
    static void showMessage(const QString &title, const QString &text, int ms);
    // The same, shown once the current signal has been handled: no nested event loop runs
    // inside a handler of the engine's signals.
    static void showMessageLater(const QString &title, const QString &text, int ms);

    // The name the task dialog of a job gives its device: its display name when several
    // devices are plugged in, else nothing (one device looks as it always did).
    QString taskDeviceName(Device *device) const;

private:
    QPointer<Device> m_device;
    QObject *m_context = nullptr;
};

template<class T>
T *DevicePage::formWidget(QWidget *root, const char *name)
{
    T *widget = root ? root->findChild<T *>(QLatin1String(name)) : nullptr;
    Q_ASSERT_X(widget, "DevicePage::formWidget", name);
    return widget;
}

#endif // DEVICE_UI_DEVICEPAGE_H
