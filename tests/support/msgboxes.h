#ifndef TESTS_SUPPORT_MSGBOXES_H
#define TESTS_SUPPORT_MSGBOXES_H

#include "widgets/msgbox.h"

#include <QApplication>
#include <QLabel>
#include <QStringList>

// Accepts every message box on screen; returns, for each, the texts of its labels joined by "|".
inline QStringList acceptVisibleMessageBoxes()
{
    QStringList messages;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<MsgBox *>(top);
        if (!box || !box->isVisible())
            continue;
        QStringList texts;
        for (QLabel *label : box->findChildren<QLabel *>())
            texts << label->text();
        messages << texts.join(QLatin1Char('|'));
        box->accept();
    }
    return messages;
}

#endif // TESTS_SUPPORT_MSGBOXES_H
