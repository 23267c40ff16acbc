// korlex-cli: every device job of korlex-tool from the command line.

#include "app/cli/clicommands.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korlex-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORLEX_VERSION));
    return runCli(QCoreApplication::arguments().mid(1));
}
