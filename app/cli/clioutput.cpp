#include "app/cli/clioutput.h"

#include <QJsonDocument>

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

constexpr int barWidth = 30;

} // namespace

void writeText(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void CliOutput::data(const QString &line)
{
    if (!m_json)
        writeText(stdout, line + QLatin1Char('\n'));
}

void CliOutput::info(const QString &line)
{
    if (!m_json && !m_quiet)
        writeText(stdout, line + QLatin1Char('\n'));
}

void CliOutput::note(const QString &line)
{
    writeText(stderr, QStringLiteral("korlex-cli: ") + line + QLatin1Char('\n'));
}

int CliOutput::fail(int status, const QString &message)
{
    if (m_error.isEmpty())
        m_error = message;
    writeText(stderr, QStringLiteral("korlex-cli: ") + message + QLatin1Char('\n'));
    return status;
}

int CliOutput::finish(int status)
{
    if (!m_json)
        return status;
    QJsonObject document = m_fields;
    document.insert(QStringLiteral("command"),
                    m_command.isEmpty() ? QJsonValue() : QJsonValue(m_command));
    document.insert(QStringLiteral("ok"), status == 0);
    document.insert(QStringLiteral("exitStatus"), status);
    if (status != 0)
        document.insert(QStringLiteral("error"), m_error);
    writeText(stdout, QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented)));
    return status;
}

FILE *CliOutput::progressStream() const
{
    if (m_quiet)
        return nullptr;
    return m_json ? stderr : stdout;
}

CliProgress::CliProgress(const CliOutput &output)
    : m_stream(output.progressStream())
    , m_terminal(m_stream && isTerminal(m_stream))
{ }

CliProgress::~CliProgress()
{
    done();
}

void CliProgress::update(int percent, const QString &phase)
{
    if (!m_stream)
        return;
    percent = qBound(0, percent, 100);
    if (m_terminal) {
        const int filled = percent * barWidth / 100;
        QString line = QStringLiteral("[%1%2] %3%  %4")
                               .arg(QString(filled, QLatin1Char('#')),
                                    QString(barWidth - filled, QLatin1Char('-')))
                               .arg(percent, 3)
                               .arg(phase);
        if (line == m_lastLine)
            return;
        const int clear = qMax(0, m_lastLine.size() - line.size());
        m_lastLine = line;
        writeText(m_stream, QLatin1Char('\r') + line + QString(clear, QLatin1Char(' ')));
        m_open = true;
        return;
    }
    // One line per 10 %, with the phase of that moment.
    const int decile = percent / 10;
    if (decile <= m_lastDecile)
        return;
    m_lastDecile = decile;
    writeText(m_stream, QStringLiteral("%1%  %2\n").arg(decile * 10, 3).arg(phase));
}

void CliProgress::done()
{
    if (m_open && m_stream)
        writeText(m_stream, QStringLiteral("\n"));
    m_open = false;
}
