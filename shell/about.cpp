#include "shell/about.h"

#include <QCoreApplication>
#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

About::About(QWidget *parent)
    : QDialog(parent, Qt::WindowFlags())
{
    titleLabel = new QLabel(trAbout(" 关于电子烟"), this);
    QFont titleFont = titleLabel->font();
    titleFont.setPixelSize(12);
    titleLabel->setFont(titleFont);
    titleLabel->setFixedHeight(30);
    titleLabel->setStyleSheet(QStringLiteral("background-color:black;color:white"));

    auto *body = new QFrame(this);
    body->setStyleSheet(QStringLiteral("background-color: rgb(80, 90, 100);color:white"));

    // The first line is empty; every line after it begins with a blank.
    aboutTextLabel = new QLabel(trAbout("\n korlex 电子烟"
                                        "\n 1.0.18.0"
                                        "\n 版权所有 (C) 2015-2021 korlex 保留所有权利"
                                        "\n 技术支持: support@example.com"
                                        "\n 如有任何疑问, 欢迎随时与我们联系。"
                                        "\n 邮箱: info@example.com"
                                        "\n 电话: +00 000 0000 000"),
                                body);

    // The anchor is left open, as the label's rich text allows.
    linkLabel = new QLabel(trAbout("<a href=\"https://www.example.com\">访问korlex官网"), body);
    linkLabel->setMinimumHeight(30);
    linkLabel->setAlignment(Qt::AlignCenter);
    linkLabel->setTextFormat(Qt::RichText);
    linkLabel->setOpenExternalLinks(true);

    auto *textBox = new QVBoxLayout;
    textBox->setContentsMargins(0, 0, 0, 0);
    textBox->addWidget(aboutTextLabel);
    textBox->addWidget(linkLabel);

    aboutCloseButton = new QPushButton(trAbout("关闭(&Q)"), body);
    aboutCloseButton->setFixedSize(100, 30);
    aboutCloseButton->setStyleSheet(QStringLiteral("background-color:gray;border-radius: 5px;"));
    connect(aboutCloseButton, &QPushButton::clicked, this, &QDialog::close);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(aboutCloseButton);

    auto *bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->addLayout(textBox);
    bodyLayout->addLayout(buttonRow);

    auto *dialogLayout = new QVBoxLayout(this);
    dialogLayout->setContentsMargins(0, 0, 0, 0);
    dialogLayout->setSpacing(0);
    dialogLayout->addWidget(titleLabel);
    dialogLayout->addWidget(body);

    setMinimumSize(500, 250);
    setMaximumSize(500, 250);

    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowModal);
}

QString About::trAbout(const char *text)
{
    return QCoreApplication::translate("about", text);
}

void About::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        moving = true;
        lastPos = event->globalPos();
    }
    QDialog::mousePressEvent(event);
}

void About::mouseMoveEvent(QMouseEvent *event)
{
    if (moving) {
        move(pos() + (event->globalPos() - lastPos));
        lastPos = event->globalPos();
    }
    QDialog::mouseMoveEvent(event);
}

void About::mouseReleaseEvent(QMouseEvent *event)
{
    moving = false;
    QDialog::mouseReleaseEvent(event);
}
