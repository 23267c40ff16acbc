#ifndef WIDGETS_MSGBOX_H
#define WIDGETS_MSGBOX_H

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

// A small frameless dialog with a title strip, a centred message and a quit button.
//
// The three-argument constructor is the timed form: it runs the dialog modally and returns once
// the dialog has closed, either after the given number of milliseconds or when the user presses
// the button. The caller deletes the box right afterwards.
class MsgBox : public QDialog
{
    Q_OBJECT

public:
    explicit MsgBox(QWidget *parent = nullptr);
    MsgBox(const QString &title, const QString &text);
    MsgBox(const QString &title, const QString &text, int ms);

    // Sets the message; its font size follows the interface language at the time of the call.
    void setMessageText(const QString &text);

private:
    void setupLayout();

    QLabel *titleLabel = nullptr;
    QLabel *messageLabel = nullptr;
    QPushButton *quitButton = nullptr;
};

// Status window of a running transfer job: task name, state, progress bar, percentage, elapsed
// time and an OK button that the job enables once its result is shown.
class SendDataMsgBox : public QDialog
{
    Q_OBJECT

public:
    explicit SendDataMsgBox(QWidget *parent = nullptr);

    void setTaskName(const QString &name);
    // The device the task runs on, in a row of its own; an empty name hides the row.
    void setDeviceName(const QString &name);
    void setTaskState(const QString &state);
    void setProgressRange(int min, int max);
    void setProgressValue(int value);
    // Shows value as a share of the progress range, in whole percent, at most 100.
    void setProgressPercent(int value);
    void setElapsedTime(int ms);
    void setButtonEnabled(bool enabled);
    void setDialogSize(int w, int h);
    int progressMaximum() const;

    // The texts shown in the percent and elapsed rows.
    static QString percentText(int value, int min, int max);
    static QString elapsedText(int ms);

private:
    friend class TestWidgets; // reaches the title label

    void setupLayout();
    void setTitleText(const QString &text, int px);

    QLabel *titleLabel = nullptr;
    QLabel *taskNameLabel = nullptr;
    QLabel *deviceLabel = nullptr;
    QLabel *deviceCaption = nullptr;
    QLabel *stateLabel = nullptr;
    QProgressBar *progressBar = nullptr;
    QLabel *percentLabel = nullptr;
    QLabel *elapsedLabel = nullptr;
    QPushButton *okButton = nullptr;
};

// A question in the style of the message box: a title strip, the question and two buttons.
// ask() runs it modally and tells whether the first button was pressed; closing it any other
// way answers no.
class QuestionBox : public QDialog
{
    Q_OBJECT

public:
    QuestionBox(const QString &title, const QString &text, const QString &yesText,
                const QString &noText, QWidget *parent = nullptr);

    static bool ask(const QString &title, const QString &text, const QString &yesText,
                    const QString &noText, QWidget *parent = nullptr);

private:
    QLabel *titleLabel = nullptr;
    QLabel *messageLabel = nullptr;
    QPushButton *yesButton = nullptr;
    QPushButton *noButton = nullptr;
};

#endif // WIDGETS_MSGBOX_H
