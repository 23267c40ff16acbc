#ifndef DEVICE_UI_JOBDIALOG_H
#define DEVICE_UI_JOBDIALOG_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class Job;
class SendDataMsgBox;

// The task status dialog of one running job. It follows the job's progress signal, shows the
// result when the page that started the job hands it over, and closes a moment later, deleting
// itself. It does not block the window: a job on one device goes on while the user works with
// another.
class JobDialog : public QObject
{
    Q_OBJECT

public:
    // Opens the dialog of a job that has started: its task name, the device it runs on (empty:
    // no device line) and the range of its progress bar, 0 to progressMaximum. With a job the
    // bar follows the job's progress.
    JobDialog(Job *job, const QString &taskName, int progressMaximum, const QString &deviceName,
              QObject *parent = nullptr);
    ~JobDialog() override;

    SendDataMsgBox *box() const { return m_box; }
    void setState(const QString &text);
    // Shows the result: the text as the state, the bar full when complete, the OK button
    // enabled. The dialog closes pauseMs later (scaled, see setPauseScale).
    void finish(const QString &resultText, int pauseMs, bool complete);
    // Closes the dialog at once.
    void closeNow();

    // Shortens the pause that shows a result (tests); 1 is the real time.
    static void setPauseScale(double scale);

signals:
    void closed();

private:
    void showElapsed();

    SendDataMsgBox *m_box = nullptr;
    QElapsedTimer m_clock;
    // The elapsed time is the one thing the dialog shows that no signal of the job brings.
    QTimer m_elapsedClock;
    bool m_finished = false;
    bool m_closed = false;
};

#endif // DEVICE_UI_JOBDIALOG_H
