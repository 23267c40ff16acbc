#ifndef APP_CLI_CLISIGNALS_H
#define APP_CLI_CLISIGNALS_H

#include <functional>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into calls of a function on the main thread's event loop:
// the handler only writes the signal's number into a pipe, which a socket notifier reads. The
// signals stay caught for as long as the watcher lives; nothing polls for them.
class SignalWatcher
{
public:
    explicit SignalWatcher(std::function<void(int signal)> received);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher &) = delete;
    SignalWatcher &operator=(const SignalWatcher &) = delete;

    // "SIGINT", "SIGTERM", "SIGHUP".
    static const char *name(int signal);

private:
    void readPipe();

    std::function<void(int)> m_received;
    QSocketNotifier *m_notifier = nullptr;
};

#endif // APP_CLI_CLISIGNALS_H
