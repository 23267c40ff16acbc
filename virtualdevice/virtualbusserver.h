#ifndef VIRTUALDEVICE_VIRTUALBUSSERVER_H
#define VIRTUALDEVICE_VIRTUALBUSSERVER_H

#include "device/hidbackend.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class VirtualBus;

// Serves a virtual bus to other processes over a Unix domain socket, so that several programs
// (for instance two command-line upgrades side by side) see the same virtual devices. Each
// opened handle is a connection of its own, served by a thread of its own; a connection that
// only enumerates closes after its answer. The client is the backend that
// KORLEX_VIRTUAL_DEVICE=bus:<socket path> selects (see virtualBusClient()).
//
// The messages are length-prefixed: a 32-bit little-endian body length, then the body, whose
// first byte names the request:
//   'E'                      enumerate   -> count, then path, location, product, serial of each
//   'O' path                 open        -> status (0 or -1), product string
//   'W' bytes                write       -> result (as HidDevice::write)
//   'R' length, timeout ms   read        -> result (as HidDevice::readTimeout), the bytes read
// Numbers are 32-bit little-endian, texts and byte strings a 32-bit length and their bytes
// (texts in UTF-8).
class VirtualBusServer
{
public:
    explicit VirtualBusServer(std::shared_ptr<VirtualBus> bus);
    ~VirtualBusServer(); // stops serving and waits for the connection threads
    VirtualBusServer(const VirtualBusServer &) = delete;
    VirtualBusServer &operator=(const VirtualBusServer &) = delete;

    // Binds the socket (an existing socket file at that path is replaced) and starts accepting.
    bool listen(const QString &socketPath, QString *error = nullptr);
    // Closes the socket, ends every connection and removes the socket file.
    void stop();

    std::shared_ptr<VirtualBus> bus() const { return m_bus; }

private:
    void acceptLoop();
    void serve(int fd);

    std::shared_ptr<VirtualBus> m_bus;
    QString m_path;
    int m_listenFd = -1;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
    std::mutex m_mutex;
    std::condition_variable m_idle;
    int m_connections = 0; // under m_mutex
};

// The backend that talks to a VirtualBusServer at socketPath. A server that is not there or
// has gone makes every call fail at once (no device, -1 from reads and writes), never hang.
std::shared_ptr<HidBackend> virtualBusClient(const QString &socketPath);

// The backend of a KORLEX_VIRTUAL_DEVICE setting: "bus:<socket path>" is a client of a running
// server, anything else an in-process bus (VirtualBus::fromEnvironment). Null, with the reason
// in *error, for a setting that names an unknown device or option.
std::shared_ptr<HidBackend> virtualBackendFromSetting(const QString &setting,
                                                      QString *error = nullptr);

#endif // VIRTUALDEVICE_VIRTUALBUSSERVER_H
