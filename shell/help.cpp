// The help command: the user guide in the language of the interface, opened in the desktop's
// browser (on Windows the .chm documents under the working directory).

#include "shell/help.h"

#include "shell/texts.h"
#include "widgets/msgbox.h"

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

QString helpFilePath(Language language)
{
#ifdef Q_OS_WIN
    QString name;
    switch (language) {
    case English:
        name = QStringLiteral("/chm/3.chm");
        break;
    case SimplifiedChinese:
        name = QStringLiteral("/chm/1.chm");
        break;
    case TraditionalChinese:
        name = QStringLiteral("/chm/2.chm");
        break;
    default:
        return QString();
    }
    // The help documents live under the working directory, not beside the program.
    return QDir::currentPath() + name;
#else
    // There is no Traditional Chinese guide; its readers get the Simplified Chinese one.
    switch (language) {
    case English:
        return guideIndex(QStringLiteral("en"));
    case SimplifiedChinese:
    case TraditionalChinese:
        return guideIndex(QStringLiteral("zh_CN"));
    default:
        return QString();
    }
#endif
}

QString openHelpFile(const QString &path)
{
    QString problem;
    if (!QFileInfo(path).isFile())
        problem = trWindow("找不到帮助文档:");
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        problem = trWindow("无法打开帮助文档:");
    if (problem.isEmpty())
        return QString();

    const QString shownPath = QDir::toNativeSeparators(path);
    delete new MsgBox(QCoreApplication::translate("main", " 提示 "),
                      problem + QLatin1Char('\n') + shownPath, 3000);
    return QLatin1Char(' ') + problem + QLatin1Char(' ') + shownPath;
}
