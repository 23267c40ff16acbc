#ifndef APP_CLI_CLIOUTPUT_H
#define APP_CLI_CLIOUTPUT_H

#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QMutex>
#include <QString>
#include <QVector>

#include <cstdio>

// Everything the program writes: results on standard output, messages and progress on standard
// error, and the transcript of --log (every line with its time, appended). The device workers
// write too (the frames of -vv), so every write is serialized.
//
// A write that fails (a pipe closed early, a full disk) is remembered with the system's reason;
// nothing more is written to that stream, and the command ends with ExitOutput unless it has a
// worse status of its own.
class CliOutput
{
public:
    CliOutput();
    ~CliOutput();

    void setMode(bool json, bool quiet, int verbose);
    bool json() const { return m_json; }
    bool quiet() const { return m_quiet; }
    int verbose() const { return m_verbose; }

    // Opens the transcript; false with the system's reason.
    bool openLog(const QString &path, QString *error);
    // A line for the transcript only.
    void logLine(const QString &line);

    // A line of the command's result on standard output (text mode only).
    void result(const QString &line);
    // Text on standard output as it is, in every mode (the help).
    void plain(const QString &text);
    // A message on standard error: "korlex-cli: " and the line.
    void message(const QString &line);
    // A message that tells what is going on (not with --quiet).
    void info(const QString &line);
    // With -v: a line on standard error that starts with the time since the program began.
    void trace(const QString &line);
    // Text on standard error as it is (a question, the rows of a list).
    void stderrText(const QString &text);
    // The JSON document on standard output.
    void document(const QJsonObject &document);

    // Whether a write to standard output, standard error or the transcript failed, and why.
    bool failed() const;
    QString failure() const;

    // Progress lines, one per device. On a terminal each is a bar with the percentage and the
    // phase, drawn again in place; otherwise one line with a time stamp per 10 %, every tenth
    // printed whatever the steps, so that a job that completes always prints eleven.
    int addProgress(const QString &label);
    void progress(int line, int percent, const QString &phase);
    // Ends a line: complete makes it reach 100 %.
    void endProgress(int line, bool complete);

private:
    struct Stream
    {
        FILE *file = nullptr;
        bool failed = false;
        QString error;
    };
    struct ProgressLine
    {
        QString label;
        int percent = -1;
        int decile = -1;
        QString phase;
        bool ended = false;
        bool past = false; // ended and left behind in the scrollback: not drawn again
    };

    void write(Stream &stream, const QString &text);
    void logLocked(const QString &line);
    void drawBoardLocked();
    // Something else is written to standard error: the bars start again below it.
    void leaveBoardLocked();
    QString barText(const ProgressLine &line) const;
    QString stamp() const;

    mutable QMutex m_mutex;
    bool m_json = false;
    bool m_quiet = false;
    int m_verbose = 0;
    Stream m_out;
    Stream m_err;
    QFile m_log;
    bool m_logFailed = false;
    QString m_logError;
    QElapsedTimer m_clock;
    bool m_terminal = false;
    QVector<ProgressLine> m_lines;
    int m_drawn = 0; // lines of the board drawn at the bottom of the terminal
};

#endif // APP_CLI_CLIOUTPUT_H
