#include "app/cli/clioutput.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QMutexLocker>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

namespace {

bool isTerminal(FILE *stream)
{
#ifdef Q_OS_UNIX
    return ::isatty(::fileno(stream)) != 0;
#elif defined(Q_OS_WIN)
    return ::_isatty(::_fileno(stream)) != 0;
#else
    Q_UNUSED(stream);
    return false;
#endif
}

constexpr int BarWidth = 30;

} // namespace

CliOutput::CliOutput()
{
    m_out.file = stdout;
    m_err.file = stderr;
    m_terminal = isTerminal(stderr);
    m_clock.start();
}

CliOutput::~CliOutput()
{
    m_log.close();
}

void CliOutput::setMode(bool json, bool quiet, int verbose)
{
    m_json = json;
    m_quiet = quiet;
    m_verbose = verbose;
}

bool CliOutput::openLog(const QString &path, QString *error)
{
    QMutexLocker locker(&m_mutex);
    m_log.setFileName(path);
    errno = 0;
    if (!m_log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        *error = errno ? QString::fromLocal8Bit(std::strerror(errno)) : m_log.errorString();
        return false;
    }
    return true;
}

QString CliOutput::stamp() const
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

void CliOutput::logLocked(const QString &line)
{
    if (!m_log.isOpen() || m_logFailed)
        return;
    const QByteArray bytes = (stamp() + QLatin1Char(' ') + line + QLatin1Char('\n')).toUtf8();
    errno = 0;
    if (m_log.write(bytes) != bytes.size() || !m_log.flush()) {
        m_logFailed = true;
        m_logError = errno ? QString::fromLocal8Bit(std::strerror(errno)) : m_log.errorString();
    }
}

void CliOutput::logLine(const QString &line)
{
    QMutexLocker locker(&m_mutex);
    logLocked(line);
}

void CliOutput::write(Stream &stream, const QString &text)
{
    if (stream.failed)
        return;
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream.file);
    const bool flushed = std::fflush(stream.file) == 0;
    if (written != size_t(bytes.size()) || !flushed) {
        stream.failed = true;
        stream.error = errno ? QString::fromLocal8Bit(std::strerror(errno))
                             : QStringLiteral("write error");
    }
}

void CliOutput::result(const QString &line)
{
    QMutexLocker locker(&m_mutex);
    logLocked(line);
    if (!m_json)
        write(m_out, line + QLatin1Char('\n'));
}

void CliOutput::plain(const QString &text)
{
    QMutexLocker locker(&m_mutex);
    write(m_out, text);
}

void CliOutput::message(const QString &line)
{
    QMutexLocker locker(&m_mutex);
    logLocked(line);
    leaveBoardLocked();
    write(m_err, QStringLiteral("korlex-cli: ") + line + QLatin1Char('\n'));
}

void CliOutput::info(const QString &line)
{
    QMutexLocker locker(&m_mutex);
    logLocked(line);
    if (m_quiet || m_json)
        return;
    leaveBoardLocked();
    write(m_err, line + QLatin1Char('\n'));
}

void CliOutput::trace(const QString &line)
{
    QMutexLocker locker(&m_mutex);
    const QString text
            = QStringLiteral("[%1 s] ").arg(double(m_clock.elapsed()) / 1000.0, 0, 'f', 3) + line;
    logLocked(text);
    if (m_verbose <= 0)
        return;
    leaveBoardLocked();
    write(m_err, text + QLatin1Char('\n'));
}

void CliOutput::stderrText(const QString &text)
{
    QMutexLocker locker(&m_mutex);
    logLocked(text.trimmed());
    leaveBoardLocked();
    write(m_err, text);
}

void CliOutput::document(const QJsonObject &document)
{
    QMutexLocker locker(&m_mutex);
    write(m_out, QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
}

bool CliOutput::failed() const
{
    QMutexLocker locker(&m_mutex);
    return m_out.failed || m_err.failed || m_logFailed;
}

QString CliOutput::failure() const
{
    QMutexLocker locker(&m_mutex);
    if (m_out.failed)
        return QStringLiteral("cannot write the output: %1").arg(m_out.error);
    if (m_err.failed)
        return QStringLiteral("cannot write the messages: %1").arg(m_err.error);
    if (m_logFailed)
        return QStringLiteral("cannot write the log %1: %2").arg(m_log.fileName(), m_logError);
    return QString();
}

// --- progress ------------------------------------------------------------------------------------

int CliOutput::addProgress(const QString &label)
{
    QMutexLocker locker(&m_mutex);
    m_lines.append(ProgressLine{label, -1, -1, QString(), false, false});
    return m_lines.size() - 1;
}

QString CliOutput::barText(const ProgressLine &line) const
{
    const int percent = qMax(0, line.percent);
    const int filled = percent * BarWidth / 100;
    QString text;
    if (!line.label.isEmpty())
        text = line.label + QStringLiteral("  ");
    return text
           + QStringLiteral("[%1%2] %3%  %4")
                     .arg(QString(filled, QLatin1Char('#')),
                          QString(BarWidth - filled, QLatin1Char('-')))
                     .arg(percent, 3)
                     .arg(line.phase);
}

void CliOutput::drawBoardLocked()
{
    QString text;
    if (m_drawn > 0)
        text += QStringLiteral("\033[%1A").arg(m_drawn);
    int drawn = 0;
    for (const ProgressLine &line : qAsConst(m_lines)) {
        if (line.past)
            continue;
        text += QLatin1Char('\r') + barText(line) + QStringLiteral("\033[K\n");
        ++drawn;
    }
    m_drawn = drawn;
    write(m_err, text);
}

void CliOutput::leaveBoardLocked()
{
    m_drawn = 0;
    // When every line has ended, the board stays where it is: a job after it (the restore after
    // an upgrade) starts a board of its own below the text.
    bool allEnded = true;
    for (const ProgressLine &line : qAsConst(m_lines))
        allEnded = allEnded && line.ended;
    if (allEnded) {
        for (ProgressLine &line : m_lines)
            line.past = true;
    }
}

void CliOutput::progress(int index, int percent, const QString &phase)
{
    QMutexLocker locker(&m_mutex);
    if (index < 0 || index >= m_lines.size())
        return;
    ProgressLine &line = m_lines[index];
    if (line.ended)
        return;
    percent = qBound(0, percent, 100);
    const bool changed = percent != line.percent || phase != line.phase;
    line.percent = qMax(line.percent, percent);
    line.phase = phase;
    // Every tenth reached, also those a step jumped over, with the phase of the moment.
    const int decile = line.percent / 10;
    while (line.decile < decile) {
        ++line.decile;
        const QString text = (line.label.isEmpty() ? QString() : line.label + QStringLiteral("  "))
                             + QStringLiteral("%1%  %2").arg(line.decile * 10, 3).arg(phase);
        logLocked(text);
        if (!m_quiet && !m_terminal)
            write(m_err, stamp() + QLatin1Char(' ') + text + QLatin1Char('\n'));
    }
    if (!m_quiet && m_terminal && changed)
        drawBoardLocked();
}

void CliOutput::endProgress(int index, bool complete)
{
    if (complete) {
        QString phase;
        {
            QMutexLocker locker(&m_mutex);
            if (index < 0 || index >= m_lines.size())
                return;
            phase = m_lines[index].phase;
        }
        progress(index, 100, phase);
    }
    QMutexLocker locker(&m_mutex);
    if (index >= 0 && index < m_lines.size())
        m_lines[index].ended = true;
}
