#include "shell/texts.h"

#include <QCoreApplication>

QString trMain(const char *text)
{
    return QCoreApplication::translate("main", text);
}

QString trWindow(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}
