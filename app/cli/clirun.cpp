#include "app/cli/clirun.h"

#include "app/cli/climessages.h"
#include "app/cli/clioutput.h"
#include "app/cli/clisignals.h"
#include "device/devicemonitor.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QString modeOf(const QString &product)
{
    switch (productKindOf(product)) {
    case ProductKind::Firmware:
        return QStringLiteral("firmware");
    case ProductKind::BootLoader:
        return QStringLiteral("bootloader");
    case ProductKind::Foreign:
        return QStringLiteral("foreign");
    case ProductKind::Other:
        break;
    }
    return QStringLiteral("other");
}

bool inputIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(0) != 0;
#else
    return false;
#endif
}

// The upgrade phases from the erase on: stopping there leaves the device without firmware.
bool pastTheErase(JobPhase phase)
{
    return phase == JobPhase::Erasing || phase == JobPhase::Writing || phase == JobPhase::Finishing
           || phase == JobPhase::Restarting;
}

QString capitalized(const QString &text)
{
    return text.isEmpty() ? text : text.left(1).toUpper() + text.mid(1);
}

} // namespace

// --- Task ----------------------------------------------------------------------------------------

Task::Task(Runner &runner, Device *device)
    : m_runner(runner)
    , m_device(device)
    , m_place(device ? device->place() : QString())
{
    if (device) {
        m_fields.insert(QStringLiteral("device"), Runner::deviceJson(device->entry()));
    }
}

Task::~Task()
{
    // The jobs go first: each is stopped and its worker joined while the device still exists.
    m_jobs.clear();
}

QString Task::prefixed(const QString &line) const
{
    return m_runner.several() ? m_place + QStringLiteral(": ") + line : line;
}

void Task::result(const QString &line)
{
    m_runner.out().result(prefixed(line));
}

void Task::info(const QString &line)
{
    m_runner.out().info(prefixed(line));
}

void Task::note(const QString &line)
{
    m_runner.out().message(prefixed(line));
}

int Task::fail(int status, const QString &message)
{
    if (m_error.isEmpty())
        m_error = message;
    m_runner.out().message(prefixed(message));
    return status;
}

void Task::recordCause(const JobResult &result)
{
    if (result.cause == JobCause::None)
        return;
    m_fields.insert(QStringLiteral("cause"), jobCauseKey(result.cause));
    m_fields.insert(QStringLiteral("step"), jobStepKey(result.step));
    if (result.detail > 0)
        m_fields.insert(QStringLiteral("stepNumber"), result.detail);
}

void Task::finishFailed(const JobResult &result, const QString &message)
{
    recordCause(result);
    if (result.cause == JobCause::Stopped && m_signal) {
        finish(ExitSuccess);
        return;
    }
    finish(fail(exitStatusOf(result.cause), message));
}

QString Task::resultWord() const
{
    if (!m_resultWord.isEmpty())
        return m_resultWord;
    if (m_signal)
        return QStringLiteral("interrupted");
    return m_status == ExitSuccess ? QStringLiteral("ok") : QStringLiteral("failed");
}

void Task::connect(bool bootLoaderWelcome, std::function<void()> then)
{
    Device *target = device();
    if (m_signal) {
        finish(ExitSuccess);
        return;
    }
    if (!target) {
        finish(fail(ExitNoDevice, QStringLiteral("the device has gone")));
        return;
    }
    m_connecting = true;
    m_runner.out().trace(prefixed(QStringLiteral("connecting")));
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(
            target, &Device::connectFinished, &m_guard,
            [this, connection, bootLoaderWelcome, then](ConnectStatus status) {
                QObject::disconnect(*connection);
                m_connecting = false;
                m_runner.out().trace(
                        prefixed(QStringLiteral("connected: ")
                                 + (status == ConnectStatus::Connected ? QStringLiteral("answered")
                                    : status == ConnectStatus::BootLoaderWaiting
                                            ? QStringLiteral("boot loader")
                                            : QStringLiteral("no"))));
                Device *target = device();
                if (m_signal || !target) {
                    finish(target ? ExitSuccess
                                  : fail(ExitNoDevice, QStringLiteral("the device has gone")));
                    return;
                }
                m_fields.insert(QStringLiteral("device"), Runner::deviceJson(target->entry()));
                switch (status) {
                case ConnectStatus::Connected:
                case ConnectStatus::BootLoaderWaiting:
                    if (target->identity().isBootLoader() && !bootLoaderWelcome) {
                        finish(fail(ExitRefused,
                                    QStringLiteral("the device at %1 is in its boot loader and "
                                                   "waits for firmware: recover it with "
                                                   "'korlex-cli upgrade FILE'")
                                            .arg(m_place)));
                        return;
                    }
                    then();
                    return;
                case ConnectStatus::NoAnswer:
                    m_fields.insert(QStringLiteral("cause"), jobCauseKey(JobCause::NoAnswer));
                    finish(fail(ExitNoAnswer, QStringLiteral("the device at %1 does not answer the "
                                                             "information request")
                                                      .arg(m_place)));
                    return;
                case ConnectStatus::Denied:
                    m_fields.insert(QStringLiteral("cause"), jobCauseKey(JobCause::Denied));
                    finish(fail(ExitNoDevice,
                                QStringLiteral("the device at %1 cannot be opened: permission "
                                               "denied (install the udev rule, see korlex-cli(1))")
                                        .arg(m_place)));
                    return;
                case ConnectStatus::Foreign:
                case ConnectStatus::NotFound:
                case ConnectStatus::Stopped:
                    m_fields.insert(QStringLiteral("cause"), jobCauseKey(JobCause::Unplugged));
                    finish(fail(ExitNoDevice,
                                QStringLiteral("the device at %1 has gone").arg(m_place)));
                    return;
                }
            });
    target->requestConnect();
}

void Task::confirm(const QString &question, std::function<void()> then)
{
    if (m_signal) {
        finish(ExitSuccess);
        return;
    }
    const CliOptions &o = m_runner.options();
    if (o.yes || o.dryRun || !commandConfirms(o.command) || !inputIsTerminal()) {
        then();
        return;
    }
    m_question = question;
    m_afterConfirmation = std::move(then);
    m_runner.taskAwaitsConfirmation();
}

void Task::run(Job *job, const ProgressText &progressText,
               std::function<void(const JobResult &)> then)
{
    m_jobs.emplace_back(job);
    if (m_signal) {
        finish(ExitSuccess);
        return;
    }
    m_job = job;
    m_jobsStarted = true;
    CliOutput &out = m_runner.out();
    const int line = progressText ? out.addProgress(m_runner.several() ? m_place : QString()) : -1;
    auto done = std::make_shared<int>(0);
    auto total = std::make_shared<int>(0);
    auto phase = std::make_shared<JobPhase>(JobPhase::Idle);
    const QString label = m_runner.several() ? m_place + QStringLiteral(": ") : QString();
    // A job reports on this thread, in the order it reported, its end last.
    QObject::connect(job, &Job::phaseChanged, job,
                     [this, kind = job->kind(), line, done, total, phase, progressText,
                      label](JobPhase now) {
                         *phase = now;
                         m_runner.out().trace(label + jobKindKey(kind) + QStringLiteral(": ")
                                              + phaseText(now));
                         if (line >= 0 && now != JobPhase::Idle) {
                             const int percent = *total > 0 ? *done * 100 / *total : 0;
                             m_runner.out().progress(line, percent,
                                                     progressText(now, *done, *total));
                         }
                     });
    QObject::connect(job, &Job::progress, job,
                     [this, line, done, total, phase, progressText](int now, int of) {
                         *done = now;
                         *total = of;
                         if (line >= 0 && of > 0)
                             m_runner.out().progress(line, now * 100 / of,
                                                     progressText(*phase, now, of));
                     });
    QObject::connect(job, &Job::finished, job, [this, line, then](const JobResult &result) {
        m_job = nullptr;
        m_lastResult = result;
        if (line >= 0)
            m_runner.out().endProgress(line, result.succeeded());
        then(result);
    });
    if (!job->start()) {
        m_job = nullptr;
        m_lastResult = job->result();
        if (line >= 0)
            out.endProgress(line, false);
        then(job->result());
    }
}

void Task::finish(int status)
{
    if (m_finished)
        return;
    if (m_signal) {
        QString state;
        if (stateAfterInterrupt)
            state = stateAfterInterrupt();
        if (state.isEmpty()) {
            state = m_jobsStarted ? QStringLiteral("check the device with korlex-cli info")
                                  : QStringLiteral("nothing was sent to the device");
        }
        status = ExitSignalBase + m_signal;
        m_fields.insert(QStringLiteral("interrupted"),
                        QString::fromLatin1(SignalWatcher::name(m_signal)));
        m_fields.insert(QStringLiteral("deviceState"), state);
        m_error = QStringLiteral("interrupted by %1: %2")
                          .arg(QString::fromLatin1(SignalWatcher::name(m_signal)), state);
        m_runner.out().message(prefixed(m_error));
    }
    m_status = status;
    m_finished = true;
    m_afterConfirmation = nullptr;
    m_runner.taskFinished();
}

bool Task::interrupt(int signal)
{
    if (m_finished)
        return false;
    if (!m_signal)
        m_signal = signal;
    ++m_signals;
    if (m_job) {
        if (m_job->kind() == JobKind::Upgrade && m_signals == 1 && pastTheErase(m_job->phase()))
            return true;
        m_job->cancel();
        return false;
    }
    if (m_connecting && device()) {
        device()->disconnectDevice();
        return false;
    }
    return false;
}

// --- Runner --------------------------------------------------------------------------------------

Runner::Runner(const CliOptions &options, CliOutput &out, std::shared_ptr<HidBackend> backend)
    : m_options(options)
    , m_out(out)
    , m_manager(std::make_unique<DeviceManager>(std::move(backend)))
{
    if (options.verbose >= 2) {
        // -vv: every frame in hexadecimal, as it goes out and as its reply comes in.
        QObject::connect(
                m_manager.get(), &DeviceManager::deviceAdded, m_manager.get(),
                [this](Device *device) {
                    const QString label
                            = several() ? device->place() + QStringLiteral(": ") : QString();
                    CliOutput *out = &m_out;
                    device->link().setFrameObserver([out, label](bool sent,
                                                                 const QByteArray &frame) {
                        out->trace(label + (sent ? QStringLiteral("> ") : QStringLiteral("< "))
                                   + QString::fromLatin1(frame.toHex(' ')));
                    });
                });
    }
}

Runner::~Runner()
{
    delete m_answer;
    // The tasks and their jobs go before the devices.
    m_tasks.clear();
    m_manager.reset();
}

QJsonObject Runner::deviceJson(const HidDeviceInfo &info)
{
    return QJsonObject{{QStringLiteral("path"), info.path},
                       {QStringLiteral("location"), info.location},
                       {QStringLiteral("mode"), modeOf(info.product)},
                       {QStringLiteral("product"), info.product},
                       {QStringLiteral("serial"), info.serial}};
}

void Runner::connectAll(const QVector<Device *> &devices)
{
    QEventLoop loop;
    int pending = 0;
    for (Device *device : devices) {
        if (device->isBusy())
            continue;
        ++pending;
        QObject::connect(device, &Device::connectFinished, &loop, [&pending, &loop]() {
            if (--pending == 0)
                loop.quit();
        });
        device->requestConnect();
    }
    if (pending == 0)
        return;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
}

int Runner::chooseDevices(QVector<Device *> *devices, QJsonObject *fields)
{
    const CliOptions &o = m_options;
    bool several = false;
    const auto choose = [&]() {
        const QVector<Device *> family = m_manager->devices();
        if (!o.device.isEmpty()) {
            if (Device *device = m_manager->find(o.device)) {
                *devices = {device};
                return true;
            }
            return false;
        }
        if (o.all) {
            *devices = family;
            return !family.isEmpty();
        }
        if (family.size() > 1) {
            several = true;
            return true; // nothing to wait for: the choice is the user's
        }
        if (family.size() == 1) {
            *devices = {family.first()};
            return true;
        }
        return false;
    };

    m_manager->scan();
    bool found = choose();
    // A serial number that is no USB serial number is the one the device's information names.
    if (!found && !o.device.isEmpty() && !m_manager->devices().isEmpty()) {
        connectAll(m_manager->devices());
        found = choose();
    }
    if (!found && o.waitSeconds > 0 && !m_signal)
        found = waitUntil(choose, !o.device.isEmpty());

    const QVector<Device *> family = m_manager->devices();
    QJsonArray present;
    QStringList places;
    for (Device *device : family) {
        present.append(deviceJson(device->entry()));
        places << device->place();
    }
    if (m_signal) {
        const QString message = QStringLiteral("interrupted by %1 while looking for the device: "
                                               "nothing was sent to a device")
                                        .arg(QString::fromLatin1(SignalWatcher::name(m_signal)));
        m_out.message(message);
        fields->insert(QStringLiteral("error"), message);
        return ExitSignalBase + m_signal;
    }
    if (several) {
        fields->insert(QStringLiteral("devices"), present);
        const QString message = QStringLiteral("%1 devices present: choose one with --device NAME "
                                               "(its port, path or serial number), or all with "
                                               "--all")
                                        .arg(family.size());
        m_out.message(message);
        fields->insert(QStringLiteral("error"), message);
        for (Device *device : family) {
            const HidDeviceInfo entry = device->entry();
            m_out.stderrText(
                    QStringLiteral("  %1  %2  %3\n")
                            .arg(device->place(), modeOf(entry.product),
                                 entry.serial.isEmpty() ? QStringLiteral("-") : entry.serial));
        }
        return ExitSeveralDevices;
    }
    if (!found) {
        QString message = o.device.isEmpty() ? QStringLiteral("no device found")
                                             : QStringLiteral("no device at %1").arg(o.device);
        if (o.waitSeconds > 0)
            message += QStringLiteral(" within %1 s").arg(o.waitSeconds);
        if (!o.device.isEmpty() && !family.isEmpty()) {
            fields->insert(QStringLiteral("devices"), present);
            message += QStringLiteral(" (present: %1)").arg(places.join(QStringLiteral(", ")));
        }
        m_out.message(message);
        fields->insert(QStringLiteral("error"), message);
        return ExitNoDevice;
    }
    return ExitSuccess;
}

bool Runner::waitUntil(const std::function<bool()> &ready, bool serials)
{
    if (ready())
        return true;
    if (m_options.waitSeconds <= 0 || m_signal)
        return false;
    QEventLoop loop;
    bool found = false;
    const auto check = [&]() {
        if (!found && ready()) {
            found = true;
            loop.quit();
        }
    };
    QObject::connect(m_manager.get(), &DeviceManager::devicesChanged, &loop, check);
    if (serials) {
        QObject::connect(m_manager.get(), &DeviceManager::deviceAdded, &loop,
                         [&loop, &check](Device *device) {
                             QObject::connect(device, &Device::connectFinished, &loop, check);
                             device->requestConnect();
                         });
    }
    // udev tells of every arrival; without it (other systems, the virtual device) the devices
    // are looked at every 250 ms.
    DeviceMonitor monitor;
    QObject::connect(&monitor, &DeviceMonitor::deviceChanged, &loop, [this, &check]() {
        m_manager->scan();
        check();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [this, &check]() {
        m_manager->scan();
        check();
    });
    poll.start(250);
    QTimer::singleShot(m_options.waitSeconds * 1000, &loop, &QEventLoop::quit);
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    return found || ready();
}

Task *Runner::addTask(Device *device)
{
    m_tasks.push_back(std::make_unique<Task>(*this, device));
    return m_tasks.back().get();
}

void Runner::runTasks()
{
    bool open = false;
    for (const auto &task : m_tasks)
        open = open || !task->isFinished();
    if (!open)
        return;
    QEventLoop loop;
    m_loop = &loop;
    askIfReady();
    loop.exec();
    m_loop = nullptr;
}

int Runner::status() const
{
    int worst = ExitSuccess;
    for (const auto &task : m_tasks)
        worst = qMax(worst, task->status());
    return worst;
}

void Runner::taskFinished()
{
    bool open = false;
    for (const auto &task : m_tasks)
        open = open || !task->isFinished();
    if (!open) {
        if (m_loop)
            m_loop->quit();
        return;
    }
    askIfReady();
}

void Runner::taskAwaitsConfirmation()
{
    askIfReady();
}

void Runner::askIfReady()
{
    if (m_asking)
        return;
    QStringList questions;
    for (const auto &task : m_tasks) {
        if (task->isFinished())
            continue;
        if (!task->m_afterConfirmation)
            return; // a device is still on its way
        questions << task->m_question;
    }
    if (questions.isEmpty())
        return;
    QString prompt;
    if (questions.size() == 1) {
        prompt = capitalized(questions.first()) + QStringLiteral("? [y/N] ");
    } else {
        for (const QString &question : qAsConst(questions))
            prompt += QStringLiteral("  ") + question + QLatin1Char('\n');
        prompt += QStringLiteral("Go on with these %1 devices? [y/N] ").arg(questions.size());
    }
    m_asking = true;
    m_answerText.clear();
    m_out.stderrText(prompt);
#ifdef Q_OS_UNIX
    m_answer = new QSocketNotifier(0, QSocketNotifier::Read);
    QObject::connect(m_answer, &QSocketNotifier::activated, m_answer, [this]() { answerRead(); });
#else
    answerRead();
#endif
}

void Runner::answerRead()
{
    bool complete = false;
#ifdef Q_OS_UNIX
    char buffer[256];
    const ssize_t got = ::read(0, buffer, sizeof buffer);
    if (got > 0)
        m_answerText.append(buffer, int(got));
    complete = got <= 0 || m_answerText.contains('\n');
#else
    complete = true;
#endif
    if (!complete)
        return;
    m_answer->deleteLater();
    m_answer = nullptr;
    m_asking = false;
    const QString answer = QString::fromLocal8Bit(m_answerText).trimmed().toLower();
    m_out.logLine(QStringLiteral("answer: ") + answer);
    const bool yes = answer == QLatin1String("y") || answer == QLatin1String("yes");
    for (const auto &task : m_tasks) {
        if (task->isFinished() || !task->m_afterConfirmation)
            continue;
        std::function<void()> then = std::move(task->m_afterConfirmation);
        task->m_afterConfirmation = nullptr;
        if (yes)
            then();
        else
            task->finish(task->fail(ExitUsage, QStringLiteral("not confirmed: nothing was sent to "
                                                              "the device")));
    }
}

void Runner::signalled(int signal)
{
    if (!m_signal)
        m_signal = signal;
    m_out.logLine(
            QStringLiteral("received %1").arg(QString::fromLatin1(SignalWatcher::name(signal))));
    bool keptGoing = false;
    for (const auto &task : m_tasks)
        keptGoing = task->interrupt(signal) || keptGoing;
    if (keptGoing) {
        m_out.message(QStringLiteral("finishing the upgrade; interrupt again to abandon it, which "
                                     "leaves the device in its boot loader"));
    }
    // A question is not answered any more: the tasks that waited for it end.
    if (m_asking) {
        delete m_answer;
        m_answer = nullptr;
        m_asking = false;
        m_out.stderrText(QStringLiteral("\n"));
    }
    for (const auto &task : m_tasks) {
        if (!task->isFinished() && task->m_afterConfirmation)
            task->finish(ExitSuccess);
    }
    if (m_tasks.empty() && m_loop)
        m_loop->quit(); // still looking for the device
}
