// The help command: the user guide in the language of the interface, opened in the desktop's
// browser (on Windows the .chm documents under the working directory).

#include "app/mainwindow.h"

#include "widgets/msgbox.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

#ifndef Q_OS_WIN
// The guide's start page for a language folder ("en", "zh_CN"). The program looks beside
// itself first: installed as <prefix>/bin/korlex-tool it finds <prefix>/share/korlex-tool/guide,
// and a build tree has the same layout (<build>/app/korlex-tool, <build>/share/korlex-tool/guide).
// Then it looks in the data folders of the desktop ($XDG_DATA_DIRS). When the guide is nowhere,
// the path beside the program is the one reported as missing.
QString guideIndex(const QString &language)
{
    const QString relative
            = QStringLiteral("korlex-tool/guide/") + language + QStringLiteral("/index.html");
    const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                           + QStringLiteral("/../share/") + relative);
    if (QFileInfo::exists(beside))
        return beside;
    const QString found = QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative);
    return found.isEmpty() ? beside : found;
}
#endif

} // namespace

QString MainWindow::helpFilePath() const
{
#ifdef Q_OS_WIN
    QString name;
    if (englishAction->isChecked())
        name = QStringLiteral("/chm/3.chm");
    else if (simplifiedChineseAction->isChecked())
        name = QStringLiteral("/chm/1.chm");
    else if (traditionalChineseAction->isChecked())
        name = QStringLiteral("/chm/2.chm");
    else
        return QString();
    // The help documents live under the working directory, not beside the program.
    return QDir::currentPath() + name;
#else
    // There is no Traditional Chinese guide; its readers get the Simplified Chinese one.
    if (englishAction->isChecked())
        return guideIndex(QStringLiteral("en"));
    if (simplifiedChineseAction->isChecked() || traditionalChineseAction->isChecked())
        return guideIndex(QStringLiteral("zh_CN"));
    return QString();
#endif
}

void MainWindow::helpSlots()
{
    const QString path = helpFilePath();
    if (path.isEmpty())
        return;

    QString problem;
    if (!QFileInfo(path).isFile())
        problem = tr("找不到帮助文档:");
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        problem = tr("无法打开帮助文档:");
    if (problem.isEmpty())
        return;

    const QString shownPath = QDir::toNativeSeparators(path);
    appendLog(QLatin1Char(' ') + problem + QLatin1Char(' ') + shownPath);
    delete new MsgBox(trMain(" 提示 "), problem + QLatin1Char('\n') + shownPath, 3000);
}
