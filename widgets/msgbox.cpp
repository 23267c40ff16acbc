#include "widgets/msgbox.h"

#include "widgets/language.h"

#include <QCoreApplication>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char *const dialogStyle
        = "background-color:rgb(190,190,190);border-width:2px;border-color:rgb(50,50,50)";
const char *const titleStyle = "background-color:rgb(50,50,50);color:white";
const char *const buttonStyle = "QPushButton{background-color:rgb(130,130,130);border-radius:3px;}";

QPushButton *makeButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setFixedHeight(25);
    button->setFixedWidth(150);
    button->setStyleSheet(QString::fromLatin1(buttonStyle));
    return button;
}

QHBoxLayout *centredRow(QWidget *widget)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(widget);
    row->addStretch();
    return row;
}

} // namespace

// ------------------------------------------------------------------------------------------------
// MsgBox

MsgBox::MsgBox(QWidget *parent)
    : QDialog(parent)
{
    setupLayout();
}

MsgBox::MsgBox(const QString &title, const QString &text)
    : QDialog(nullptr)
{
    setupLayout();
    titleLabel->setText(title);
    setMessageText(text);
}

MsgBox::MsgBox(const QString &title, const QString &text, int ms)
    : MsgBox(title, text)
{
    // The timer is a child of the dialog, so it can never fire into a deleted box; it is also
    // stopped once the dialog has closed, so a box kept alive is not accepted afterwards.
    auto *closeTimer = new QTimer(this);
    closeTimer->setSingleShot(true);
    connect(closeTimer, &QTimer::timeout, this, &QDialog::accept);
    closeTimer->start(ms);
    exec();
    closeTimer->stop();
}

void MsgBox::setupLayout()
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setStyleSheet(QString::fromLatin1(dialogStyle));
    setAttribute(Qt::WA_ShowModal);

    titleLabel = new QLabel(this);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setFixedHeight(30);
    titleLabel->setStyleSheet(QString::fromLatin1(titleStyle));

    messageLabel = new QLabel(this);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setAlignment(Qt::AlignCenter);

    quitButton = makeButton(QCoreApplication::translate("box", "终止(&Q)"), this);
    quitButton->setObjectName(QStringLiteral("quitButton"));
    connect(quitButton, &QPushButton::clicked, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(titleLabel);
    layout->addWidget(messageLabel);
    layout->addLayout(centredRow(quitButton));

    resize(400, 150);
}

void MsgBox::setMessageText(const QString &text)
{
    QFont font = messageLabel->font();
    font.setPixelSize(currentLanguage == English ? 12 : 16);
    messageLabel->setFont(font);
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setText(text);
}

// ------------------------------------------------------------------------------------------------
// SendDataMsgBox

SendDataMsgBox::SendDataMsgBox(QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setupLayout();
    resize(600, 150);
    setAttribute(Qt::WA_ShowModal);
}

void SendDataMsgBox::setupLayout()
{
    setStyleSheet(QString::fromLatin1(dialogStyle));

    titleLabel = new QLabel(this);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setFixedHeight(30);
    titleLabel->setStyleSheet(QString::fromLatin1(titleStyle));
    setTitleText(QStringLiteral("The current task status"), 18);

    auto valueLabel = [this](const char *name, const QString &text) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        label->setFixedHeight(25);
        return label;
    };
    taskNameLabel = valueLabel("taskNameLabel", QStringLiteral("Task Name:"));
    deviceLabel = valueLabel("deviceLabel", QString());
    stateLabel = valueLabel("stateLabel", QStringLiteral("The task is running"));

    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setOrientation(Qt::Horizontal);
    progressBar->setTextVisible(false);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);

    percentLabel = valueLabel("percentLabel", QString());
    elapsedLabel = valueLabel("elapsedLabel", QString());
    setProgressPercent(0);
    setElapsedTime(0);

    okButton = makeButton(QStringLiteral("OK(&Q)"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setEnabled(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::close);

    auto row = [this](const QString &caption, QWidget *value, QLabel **captionLabel = nullptr) {
        auto *label = new QLabel(caption, this);
        if (captionLabel)
            *captionLabel = label;
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFixedHeight(25);
        // 80 pixels, or wider when the font needs it for the longest caption.
        label->setFixedWidth(qMax(
                80, label->fontMetrics().horizontalAdvance(QStringLiteral("Elapsed time:")) + 6));
        auto *layout = new QHBoxLayout;
        layout->addWidget(label);
        layout->addWidget(value);
        return layout;
    };

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(titleLabel);
    layout->addLayout(row(QString(), taskNameLabel));
    layout->addLayout(row(QStringLiteral("Device:"), deviceLabel, &deviceCaption));
    deviceCaption->hide();
    deviceLabel->hide();
    layout->addLayout(row(QStringLiteral("State:"), stateLabel));
    layout->addLayout(row(QStringLiteral("indicator:"), progressBar));
    layout->addLayout(row(QCoreApplication::translate("about", "Progress:"), percentLabel));
    layout->addLayout(row(QStringLiteral("Elapsed time:"), elapsedLabel));
    layout->addLayout(centredRow(okButton));
}

void SendDataMsgBox::setTitleText(const QString &text, int px)
{
    QFont font = titleLabel->font();
    font.setPixelSize(qMin(px, 30));
    titleLabel->setFont(font);
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setText(text);
}

void SendDataMsgBox::setTaskName(const QString &name)
{
    taskNameLabel->setText(name);
}

void SendDataMsgBox::setDeviceName(const QString &name)
{
    deviceLabel->setText(name);
    deviceLabel->setVisible(!name.isEmpty());
    deviceCaption->setVisible(!name.isEmpty());
}

void SendDataMsgBox::setTaskState(const QString &state)
{
    stateLabel->setText(state);
}

void SendDataMsgBox::setProgressRange(int min, int max)
{
    progressBar->setRange(min, max);
    update();
}

void SendDataMsgBox::setProgressValue(int value)
{
    progressBar->setValue(value);
    update();
}

void SendDataMsgBox::setProgressPercent(int value)
{
    percentLabel->setText(percentText(value, progressBar->minimum(), progressBar->maximum()));
}

void SendDataMsgBox::setElapsedTime(int ms)
{
    elapsedLabel->setText(elapsedText(ms));
}

void SendDataMsgBox::setButtonEnabled(bool enabled)
{
    okButton->setEnabled(enabled);
}

void SendDataMsgBox::setDialogSize(int w, int h)
{
    resize(w, h);
}

int SendDataMsgBox::progressMaximum() const
{
    return progressBar->maximum();
}

QString SendDataMsgBox::percentText(int value, int min, int max)
{
    // The numerator is the value itself (every job counts from 0). An empty range has no share
    // to show and reads 0%. The span and the product are formed in double so that neither the
    // subtraction nor the conversion back to an integer can overflow.
    const double span = double(max) - double(min);
    qint64 percent = 0;
    if (span > 0) {
        const float share = float(double(value) / span * 100.0);
        percent = share > 100.0f ? 100 : qint64(share);
    }
    return QString::number(percent) + QLatin1Char('%');
}

QString SendDataMsgBox::elapsedText(int ms)
{
    return QString::number(float(ms) / 1000.0f, 'f', 1) + QStringLiteral(" s");
}

// ------------------------------------------------------------------------------------------------
// QuestionBox

QuestionBox::QuestionBox(const QString &title, const QString &text, const QString &yesText,
                         const QString &noText, QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setStyleSheet(QString::fromLatin1(dialogStyle));
    setWindowModality(Qt::ApplicationModal);

    titleLabel = new QLabel(title, this);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setFixedHeight(30);
    titleLabel->setStyleSheet(QString::fromLatin1(titleStyle));

    messageLabel = new QLabel(text, this);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setWordWrap(true);
    QFont font = messageLabel->font();
    font.setPixelSize(currentLanguage == English ? 12 : 16);
    messageLabel->setFont(font);

    yesButton = makeButton(yesText, this);
    yesButton->setObjectName(QStringLiteral("yesButton"));
    noButton = makeButton(noText, this);
    noButton->setObjectName(QStringLiteral("noButton"));
    // A caption longer than the usual button keeps all of its text.
    for (QPushButton *button : {yesButton, noButton})
        button->setFixedWidth(qMax(150, button->sizeHint().width() + 12));
    connect(yesButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(noButton, &QPushButton::clicked, this, &QDialog::reject);
    noButton->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(yesButton);
    buttons->addWidget(noButton);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(titleLabel);
    layout->addWidget(messageLabel, 1);
    layout->addLayout(buttons);

    resize(460, 170);
}

bool QuestionBox::ask(const QString &title, const QString &text, const QString &yesText,
                      const QString &noText, QWidget *parent)
{
    QuestionBox box(title, text, yesText, noText, parent);
    return box.exec() == QDialog::Accepted;
}
