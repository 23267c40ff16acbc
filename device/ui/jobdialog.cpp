#include "device/ui/jobdialog.h"

#include "device/job.h"
#include "widgets/msgbox.h"

namespace {

double pauseScale = 1.0;
constexpr int ElapsedRefreshMs = 250;

} // namespace

JobDialog::JobDialog(Job *job, const QString &taskName, int progressMaximum,
                     const QString &deviceName, QObject *parent)
    : QObject(parent)
    , m_box(new SendDataMsgBox)
{
    m_box->setWindowModality(Qt::NonModal);
    // The program ends with its window, also while a dialog still shows a result.
    m_box->setAttribute(Qt::WA_QuitOnClose, false);
    m_box->setTaskName(taskName);
    m_box->setDeviceName(deviceName);
    m_box->setProgressRange(0, progressMaximum);
    m_box->setProgressPercent(0);
    m_box->setButtonEnabled(false);
    m_box->show();
    m_clock.start();

    if (job) {
        connect(job, &Job::progress, this, [this](int done, int) {
            if (m_finished)
                return;
            m_box->setProgressValue(done);
            m_box->setProgressPercent(done);
            showElapsed();
        });
    }
    connect(&m_elapsedClock, &QTimer::timeout, this, &JobDialog::showElapsed);
    m_elapsedClock.start(ElapsedRefreshMs);
}

JobDialog::~JobDialog()
{
    delete m_box;
}

void JobDialog::setPauseScale(double scale)
{
    pauseScale = qMax(0.0, scale);
}

void JobDialog::showElapsed()
{
    m_box->setElapsedTime(int(m_clock.elapsed()));
}

void JobDialog::setState(const QString &text)
{
    m_box->setTaskState(text);
}

void JobDialog::finish(const QString &resultText, int pauseMs, bool complete)
{
    m_finished = true;
    m_elapsedClock.stop();
    showElapsed();
    if (complete) {
        m_box->setProgressValue(m_box->progressMaximum());
        m_box->setProgressPercent(m_box->progressMaximum());
    }
    m_box->setTaskState(resultText);
    m_box->setButtonEnabled(true);
    QTimer::singleShot(qRound(pauseMs * pauseScale), this, &JobDialog::closeNow);
}

void JobDialog::closeNow()
{
    if (m_closed)
        return;
    m_closed = true;
    m_finished = true;
    m_elapsedClock.stop();
    m_box->close();
    emit closed();
    deleteLater();
}
