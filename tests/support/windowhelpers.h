#ifndef TESTS_SUPPORT_WINDOWHELPERS_H
#define TESTS_SUPPORT_WINDOWHELPERS_H

#include "app/mainwindow.h"
#include "ui_mainwindow.h"
#include "widgets/msgbox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QObject>
#include <QRegularExpression>
#include <QStringList>
#include <QTextEdit>
#include <QTimer>

// The log panel's lines without their time stamps ("[hh-mm-ss]"); a line without one is marked.
inline QStringList logTexts(const MainWindow &window)
{
    static const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d-\\d\\d-\\d\\d\\]"));
    QStringList texts;
    const QString log = window.ui->rizhiTextEdit->toPlainText();
    for (const QString &line : log.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
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
