// korlex-virtualbus SOCKET SETTING...
//
// Hosts virtual devices for other processes: programs started with
// KORLEX_VIRTUAL_DEVICE=bus:SOCKET all see these devices, each in its own port. Each SETTING is
// a device setting as KORLEX_VIRTUAL_DEVICE takes it ("1005", "2001,delay=1", ...); several
// devices may also be given in one setting, separated by semicolons. Runs until it is ended
// (Ctrl-C, SIGTERM), then removes the socket.

#include "virtualdevice/virtualbusserver.h"
#include "virtualdevice/virtualdevice.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t endRequested = 0;

void requestEnd(int)
{
    endRequested = 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2 || args.first().startsWith(QLatin1Char('-'))) {
        std::fprintf(
                stderr,
                "usage: korlex-virtualbus SOCKET SETTING...\n"
                "  serves the virtual devices of the settings (as KORLEX_VIRTUAL_DEVICE takes\n"
                "  them, e.g. 1005 2001,delay=1) to programs started with\n"
                "  KORLEX_VIRTUAL_DEVICE=bus:SOCKET\n");
        return 1;
    }
    const QString socketPath = args.first();
    QString problem;
    const auto bus = VirtualBus::fromEnvironment(args.mid(1).join(QLatin1Char(';')), &problem);
    if (!bus) {
        std::fprintf(stderr, "korlex-virtualbus: %s\n", qPrintable(problem));
        return 1;
    }
    VirtualBusServer server(bus);
    QString error;
    if (!server.listen(socketPath, &error)) {
        std::fprintf(stderr, "korlex-virtualbus: cannot serve on %s: %s\n", qPrintable(socketPath),
                     qPrintable(error));
        return 1;
    }
    std::signal(SIGINT, requestEnd);
    std::signal(SIGTERM, requestEnd);
    std::printf("korlex-virtualbus: %d device(s) on %s\n", int(bus->devices().size()),
                qPrintable(socketPath));
    std::fflush(stdout);
    while (!endRequested)
        QThread::msleep(50);
    server.stop();
    return 0;
}
