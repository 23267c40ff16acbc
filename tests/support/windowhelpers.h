#ifndef TESTS_SUPPORT_WINDOWHELPERS_H
#define TESTS_SUPPORT_WINDOWHELPERS_H

#include "app/mainwindow.h"
#include "device/device.h"
#include "device/devicemanager.h"
#include "device/ui/jobdialog.h"
#include "widgets/msgbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

// A widget of the window's form (or any child object) by its object name; null when there is
// none, which the caller's check then reports.
template<typename T = QWidget>
T *named(const QObject *root, const QString &name)
{
    return root ? root->findChild<T *>(name) : nullptr;
}

// The log panel's text.
inline QString logText(const MainWindow &window)
{
    const auto *log = named<QTextEdit>(&window, QStringLiteral("rizhiTextEdit"));
    return log ? log->toPlainText() : QString();
}

// The log panel's lines without their time stamps ("[hh-mm-ss]"); a line without one is marked.
inline QStringList logTexts(const MainWindow &window)
{
    static const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d-\\d\\d-\\d\\d\\]"));
    QStringList texts;
    for (const QString &line : logText(window).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        texts << (stamp.match(line).hasMatch() ? line.mid(10)
                                               : QStringLiteral("<no stamp>") + line);
    return texts;
}

template<typename T>
T *visibleTopLevel()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *found = qobject_cast<T *>(widget); found && found->isVisible())
            return found;
    }
    return nullptr;
}

inline QString labelText(const QWidget *dialog, const char *name)
{
    const auto *label = dialog->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

// The first device of the window once it has connected; null when none did within timeoutMs.
inline Device *waitForConnectedDevice(const MainWindow &window, int timeoutMs = 5000)
{
    Device *found = nullptr;
    const bool connected = QTest::qWaitFor(
            [&]() {
                const QVector<Device *> devices = window.deviceManager()->devices();
                found = !devices.isEmpty() && devices.first()->isConnected() ? devices.first()
                                                                             : nullptr;
                return found != nullptr;
            },
            timeoutMs);
    return connected ? found : nullptr;
}

// Whether a job runs on any device of the window or a task dialog is still open.
inline bool windowBusy(const MainWindow &window)
{
    for (const Device *device : window.deviceManager()->devices()) {
        if (device->isBusy())
            return true;
    }
    return !window.findChildren<JobDialog *>().isEmpty();
}

// Waits until no job runs on any device and every task dialog has gone.
inline bool waitForIdle(const MainWindow &window, int timeoutMs = 20000)
{
    return QTest::qWaitFor([&]() { return !windowBusy(window); }, timeoutMs);
}

// Answers the timed message boxes as they come: records "title|message" and closes each one at
// once, so that the tests do not sit through their display time.
class MessageCatcher : public QObject
{
public:
    MessageCatcher()
    {
        connect(&poll, &QTimer::timeout, this, [this]() {
            if (MsgBox *box = visibleTopLevel<MsgBox>()) {
                seen << labelText(box, "titleLabel") + QLatin1Char('|')
                                + labelText(box, "messageLabel");
                box->done(QDialog::Rejected);
            }
        });
        poll.start(5);
    }
    QStringList seen;

private:
    QTimer poll;
};

// Answers the question boxes: records their text and presses the first or the second button.
class QuestionAnswerer : public QObject
{
public:
    explicit QuestionAnswerer(bool yes)
    {
        connect(&poll, &QTimer::timeout, this, [this, yes]() {
            QuestionBox *box = visibleTopLevel<QuestionBox>();
            if (!box)
                return;
            asked << labelText(box, "messageLabel");
            buttons << named<QPushButton>(box, QStringLiteral("yesButton"))->text()
                               + QLatin1Char('|')
                               + named<QPushButton>(box, QStringLiteral("noButton"))->text();
            named<QPushButton>(box, yes ? QStringLiteral("yesButton") : QStringLiteral("noButton"))
                    ->click();
        });
        poll.start(5);
    }
    QStringList asked;
    QStringList buttons;

private:
    QTimer poll;
};

// Measures how long the GUI thread goes without running its event loop: a 10 ms timer notes the
// longest gap between two of its ticks, beyond the interval.
class StallMeter : public QObject
{
public:
    StallMeter()
    {
        connect(&tick, &QTimer::timeout, this, [this]() {
            const qint64 now = clock.elapsed();
            longest = qMax(longest, now - last - interval);
            last = now;
        });
        clock.start();
        tick.start(interval);
    }
    // The longest stall so far, counting the time since the last tick.
    qint64 longestMs() const { return qMax(longest, clock.elapsed() - last - interval); }

private:
    static constexpr int interval = 10;
    QTimer tick;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
};

#endif // TESTS_SUPPORT_WINDOWHELPERS_H
