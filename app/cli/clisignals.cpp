#include "app/cli/clisignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
int signalPipe[2] = {-1, -1};
const int watched[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[3];

extern "C" void onSignal(int signal)
{
    // Only what is safe in a handler: one write of one byte, errno kept.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (signalPipe[1] >= 0)
        (void)!::write(signalPipe[1], &byte, 1);
    errno = saved;
}
#endif

} // namespace

SignalWatcher::SignalWatcher(std::function<void(int)> received)
    : m_received(std::move(received))
{
#ifdef Q_OS_UNIX
    if (::pipe(signalPipe) != 0)
        return;
    for (int fd : signalPipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, [this]() { readPipe(); });
    for (int i = 0; i < 3; ++i) {
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(watched[i], &action, &previous[i]);
    }
#endif
}

SignalWatcher::~SignalWatcher()
{
#ifdef Q_OS_UNIX
    for (int i = 0; i < 3; ++i)
        ::sigaction(watched[i], &previous[i], nullptr);
    delete m_notifier;
    for (int &fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
#endif
}

void SignalWatcher::readPipe()
{
#ifdef Q_OS_UNIX
    unsigned char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1)
        m_received(byte);
#endif
}

const char *SignalWatcher::name(int signal)
{
    switch (signal) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
#ifdef SIGHUP
    case SIGHUP:
        return "SIGHUP";
#endif
    default:
        return "a signal";
    }
}
