// korlex-cli: every device job of korlex-tool from the command line.

#include "app/cli/clicommands.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // A reader that goes away (korlex-cli ... | head) makes a failed write to report, never a
    // death in the middle of a job.
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef SIGXFSZ
    // A file that grows past the size limit (a full disk quota) is a failed write to report,
    // not a reason to die.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korlex-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORLEX_VERSION));
    return runCli(QCoreApplication::arguments().mid(1));
}
