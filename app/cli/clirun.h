#ifndef APP_CLI_CLIRUN_H
#define APP_CLI_CLIRUN_H

#include "app/cli/clioptions.h"
#include "device/device.h"
#include "device/devicemanager.h"
#include "device/job.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class CliOutput;
class QEventLoop;
class QSocketNotifier;
class Runner;

// The command's work on one device: its connection, its checks, the confirmation, its jobs and
// its result. Everything runs on the main thread's event loop: each step starts a job and goes
// on when the job's finished() arrives, so that with --all the devices work at the same time.
class Task
{
public:
    Task(Runner &runner, Device *device);
    ~Task();

    Device *device() const { return m_device.data(); }
    // Where the device was when the command began (the port, else the path).
    QString place() const { return m_place; }
    QObject *guard() { return &m_guard; }

    // --- output on behalf of this device (with --all each line names the device) -------------
    void result(const QString &line);
    void info(const QString &line);
    void note(const QString &line);
    // Records the failure (the first message stays) and says it on standard error; returns
    // status.
    int fail(int status, const QString &message);
    // Ends the task after a failed job: the cause in the fields, the message on standard error
    // with the job's exit status. A job stopped by an interrupt ends with the interrupt's
    // status and line alone.
    void finishFailed(const JobResult &result, const QString &message);
    QJsonObject &fields() { return m_fields; }
    const QJsonObject &fields() const { return m_fields; }
    // The cause, step and step number of a failed job in the fields.
    void recordCause(const JobResult &result);

    // --- the steps ---------------------------------------------------------------------------
    // Opens the device and reads its information; then() runs when it is connected (a boot
    // loader only when bootLoaderWelcome), else the task ends with the reason.
    void connect(bool bootLoaderWelcome, std::function<void()> then);
    // Asks before the device is changed (once for every device, when standard input is a
    // terminal and neither --yes nor --dry-run was given); then() runs when the answer is yes
    // or nothing is asked.
    void confirm(const QString &question, std::function<void()> then);
    // Starts the job (which the task then owns) and follows it; progressText names the phase
    // of a job that shows a progress line (null: no progress line). then() gets the result,
    // also when the job was refused.
    using ProgressText = std::function<QString(JobPhase phase, int done, int total)>;
    void run(Job *job, const ProgressText &progressText,
             std::function<void(const JobResult &)> then);
    // Ends the task with its exit status; an interrupted task ends with 128 + the signal and
    // a line that says what state the device is in.
    void finish(int status);

    bool isFinished() const { return m_finished; }
    int status() const { return m_status; }
    QString error() const { return m_error; }
    QString causeKey() const { return m_fields.value(QStringLiteral("cause")).toString(); }
    // A word for the summary of --all ("unverified" for an upgrade that was not verified).
    void setResultWord(const QString &word) { m_resultWord = word; }
    QString resultWord() const;
    const JobResult &lastResult() const { return m_lastResult; }
    bool jobsStarted() const { return m_jobsStarted; }

    // --- interrupts --------------------------------------------------------------------------
    // What the device's state is after an interrupt, and what to do next; set by the command.
    std::function<QString()> stateAfterInterrupt;
    // A signal arrived. True when the task keeps going for now (an upgrade that has begun to
    // erase runs to its end unless a second signal comes).
    bool interrupt(int signal);
    int signal() const { return m_signal; }

private:
    friend class Runner;
    QString prefixed(const QString &line) const;

    Runner &m_runner;
    QPointer<Device> m_device;
    QString m_place;
    QObject m_guard; // the receiver of this task's connections, gone with it
    QJsonObject m_fields;
    QString m_error;
    int m_status = -1;
    bool m_finished = false;
    QString m_resultWord;
    bool m_connecting = false;
    QPointer<Job> m_job;
    std::vector<std::unique_ptr<Job>> m_jobs;
    JobResult m_lastResult;
    bool m_jobsStarted = false;
    int m_signal = 0;
    int m_signals = 0;
    QString m_question;
    std::function<void()> m_afterConfirmation;
};

// One run of the program on its devices: the device manager, the choice of the devices, the
// tasks, the confirmation, the signals, and the final status.
class Runner
{
public:
    Runner(const CliOptions &options, CliOutput &out, std::shared_ptr<HidBackend> backend);
    ~Runner();

    const CliOptions &options() const { return m_options; }
    CliOutput &out() { return m_out; }
    DeviceManager &manager() { return *m_manager; }
    bool several() const { return m_options.all; }

    // Chooses the devices of the command (--device, --all, else the only one), waiting for
    // them with --wait. Returns the exit status; on success *devices holds them. The fields
    // get the devices present when the choice fails.
    int chooseDevices(QVector<Device *> *devices, QJsonObject *fields);

    // Looks again whenever a device comes or goes, until ready() holds, --wait passes or a
    // signal arrives; with serials, each new device is connected so that its information
    // serial number is known too. Returns ready().
    bool waitUntil(const std::function<bool()> &ready, bool serials = false);

    // Connects the devices (each not busy) and waits until each has answered or not.
    void connectAll(const QVector<Device *> &devices);

    Task *addTask(Device *device);
    const std::vector<std::unique_ptr<Task>> &tasks() const { return m_tasks; }
    // Turns the event loop until every task has finished.
    void runTasks();
    // The status of the run: the task's, or with --all the highest.
    int status() const;

    // A signal arrived (from the signal watcher).
    void signalled(int signal);
    int signal() const { return m_signal; }

    // The JSON object of a device as `list` shows it.
    static QJsonObject deviceJson(const HidDeviceInfo &info);

private:
    friend class Task;
    void taskFinished();
    void taskAwaitsConfirmation();
    void askIfReady();
    void answerRead();

    const CliOptions &m_options;
    CliOutput &m_out;
    std::unique_ptr<DeviceManager> m_manager;
    std::vector<std::unique_ptr<Task>> m_tasks;
    QEventLoop *m_loop = nullptr;
    int m_signal = 0;
    bool m_asking = false;
    QSocketNotifier *m_answer = nullptr;
    QByteArray m_answerText;
};

#endif // APP_CLI_CLIRUN_H
