#ifndef APP_CLI_CLIOUTPUT_H
#define APP_CLI_CLIOUTPUT_H

#include <QJsonObject>
#include <QString>

#include <cstdio>

// What a command prints. In text mode its result lines go to standard output as they come and
// errors to standard error; with --json one document goes to standard output at the end,
// holding "command", "ok", "exitStatus", "error" (on failure) and the command's own fields.
class CliOutput
{
public:
    void setMode(bool json, bool quiet)
    {
        m_json = json;
        m_quiet = quiet;
    }
    void setCommand(const QString &command) { m_command = command; }
    bool json() const { return m_json; }
    bool quiet() const { return m_quiet; }

    // A line of the command's result (text mode only).
    void data(const QString &line);
    // A line that tells what is going on (text mode, not with --quiet).
    void info(const QString &line);
    // A note on standard error that does not make the command fail.
    void note(const QString &line);

    // The command's fields of the JSON document.
    QJsonObject &fields() { return m_fields; }

    // Reports a failure on standard error (and in the document); returns status.
    int fail(int status, const QString &message);
    // Prints the document (JSON mode) and returns the exit status.
    int finish(int status);

    // Where progress goes: standard output in text mode, standard error with --json; null with
    // --quiet.
    FILE *progressStream() const;

private:
    bool m_json = false;
    bool m_quiet = false;
    QString m_command;
    QString m_error;
    QJsonObject m_fields;
};

// A long job's progress: on a terminal one line with a bar, the percentage and the phase,
// redrawn in place; elsewhere one line per 10 %.
class CliProgress
{
public:
    explicit CliProgress(const CliOutput &output);
    ~CliProgress();
    void update(int percent, const QString &phase);
    // Ends the bar's line (on a terminal).
    void done();

private:
    FILE *m_stream = nullptr;
    bool m_terminal = false;
    int m_lastDecile = -1;
    QString m_lastLine;
    bool m_open = false;
};

// Writes text to a stream as UTF-8 and flushes it.
void writeText(FILE *stream, const QString &text);

#endif // APP_CLI_CLIOUTPUT_H
