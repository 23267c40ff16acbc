#include "device/ui/monitorprogram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace MonitorProgram {

QString imageName()
{
#ifdef Q_OS_WIN
    return QStringLiteral("monitor.exe");
#else
    return QStringLiteral("monitor");
#endif
}

bool isRunning()
{
#ifdef Q_OS_WIN
    QProcess tasklist;
    tasklist.start(QStringLiteral("tasklist"),
                   {QStringLiteral("/FI"), QStringLiteral("imagename eq monitor.exe")});
    if (!tasklist.waitForFinished(30000))
        return false;
    QByteArray output = tasklist.readAllStandardOutput();
    const int zero = output.indexOf('\0');
    if (zero >= 0)
        output.truncate(zero);
    return QString::fromLocal8Bit(output).contains(QLatin1String("monitor"));
#else
    const QString name = imageName();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        entry.toInt(&isPid);
        if (!isPid)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(entry));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        const QString command = QString::fromLocal8Bit(comm.readAll()).trimmed();
        if (command == name || command == name + QStringLiteral(".exe"))
            return true;
    }
    return false;
#endif
}

bool start(QString *error)
{
    const QString name = imageName();
    QString program = QDir::current().absoluteFilePath(name);
    if (!QFileInfo(program).isExecutable())
        program = QStandardPaths::findExecutable(name);
    if (program.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1 was found neither in %2 nor on the search path")
                             .arg(name, QDir::currentPath());
        return false;
    }
    if (!QProcess::startDetached(program, {}, QDir::currentPath())) {
        if (error)
            *error = QStringLiteral("%1 could not be started").arg(program);
        return false;
    }
    return true;
}

} // namespace MonitorProgram
