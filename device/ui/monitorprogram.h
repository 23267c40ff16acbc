#ifndef DEVICE_UI_MONITORPROGRAM_H
#define DEVICE_UI_MONITORPROGRAM_H

#include <QString>

// The separate program that takes over when the foreign HID device is plugged in.
namespace MonitorProgram {

// The program's image name: "monitor.exe" on Windows, "monitor" elsewhere.
QString imageName();

// Whether a process of that image name runs: the output of "tasklist" on Windows, the
// process table (/proc) on Linux.
bool isRunning();

// Starts the program as a process of its own, looked up in the current directory first and then
// like any program name. On failure *error says why.
bool start(QString *error);

} // namespace MonitorProgram

#endif // DEVICE_UI_MONITORPROGRAM_H
