// The application shell: start-up, language switching and its stored setting, help paths, the
// hand-made window frame, the About dialog and the end of a job's status dialog.

#include "app/framelesswindow.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "device/ui/jobdialog.h"
#include "parameters/widgets/mygroupbox.h"
#include "parameters/widgets/myslider.h"
#include "parameters/widgets/qcurve.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"
#include "shell/about.h"
#include "support/testsupport.h"
#include "ui_mainwindow.h"
#include "widgets/msgbox.h"
#include "widgets/myframe.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHoverEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QUrl>

#include <memory>

namespace {

void storeLanguage(const QVariant &flag, const QVariant &lg)
{
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    settings.clear();
    if (flag.isValid())
        settings.setValue(QStringLiteral("flag"), flag);
    if (lg.isValid())
        settings.setValue(QStringLiteral("lg"), lg);
}

template<typename T = QWidget>
T *named(const QObject &root, const char *name)
{
    return root.findChild<T *>(QLatin1String(name));
}

QStringList logLines(const MainWindow &window)
{
    const QString text = named<QTextEdit>(window, "rizhiTextEdit")->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

// Checks "[hh-mm-ss]" + text, with a time stamp taken within the last few seconds.
void verifyLogLine(const QString &line, const QString &text)
{
    static const QRegularExpression stamp(QStringLiteral("^\\[(\\d\\d)-(\\d\\d)-(\\d\\d)\\]"));
    const QRegularExpressionMatch match = stamp.match(line);
    QVERIFY2(match.hasMatch(), qPrintable(line));
    QCOMPARE(line.mid(10), text);
    const QTime logged(match.captured(1).toInt(), match.captured(2).toInt(),
                       match.captured(3).toInt());
    QVERIFY(logged.isValid());
    const int age = logged.secsTo(QTime::currentTime());
    QVERIFY2((age >= 0 && age <= 5) || age < -86000, qPrintable(line)); // or across midnight
}

std::unique_ptr<MainWindow> newWindow()
{
    auto window = std::make_unique<MainWindow>();
    window->setResultPauseScale(0.0);
    return window;
}

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &pos,
               Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

void sendHover(QWidget *target, const QPoint &pos)
{
    QHoverEvent event(QEvent::HoverMove, pos, pos);
    QCoreApplication::sendEvent(target, &event);
}

// The captions that the window builds in code, by a name for the failure message.
QList<QPair<QString, QString>> codeBuiltCaptions(const MainWindow &w)
{
    QList<QPair<QString, QString>> captions;
    for (const char *name :
         {"languageToolButton", "helpToolButton", "freshButton", "connnectButton",
          "unconnectButton", "runButton", "openBinFileButton", "downloadButton", "backupCheckBox",
          "backupsButton", "readFromDeviceButton", "writeToDeviceButton", "loadConfigButton",
          "saveConfigButton", "resetDefaultButton", "setTimePushButton", "readTimePushbutton",
          "setTimeDefaultButton"})
        captions.append({QLatin1String(name), named<QAbstractButton>(w, name)->text()});
    for (const char *name : {"deviceNameLabel", "binFileLabel", "textLabel"})
        captions.append({QLatin1String(name), named<QLabel>(w, name)->text()});
    for (const char *name : {"quitAction", "helpAction", "aboutAction"})
        captions.append({QLatin1String(name), named<QAction>(w, name)->text()});
    captions.append({QStringLiteral("languageMenu"), named<QMenu>(w, "languageMenu")->title()});
    const auto *navigation = named<QListWidget>(w, "listWidget");
    for (int row = 0; row < 4; ++row)
        captions.append({QStringLiteral("nav%1").arg(row), navigation->item(row)->text()});
    captions.append(
            {QStringLiteral("rizhiGroupBox"), named<QGroupBox>(w, "rizhiGroupBox")->title()});
    const auto *tabs = named<QTabWidget>(w, "tabWidget");
    for (int tab = 0; tab < 4; ++tab)
        captions.append({QStringLiteral("tab%1").arg(tab), tabs->tabText(tab)});
    captions.append({QStringLiteral("timeGroup"), named<QGroupBox>(w, "timeGroup")->title()});
    return captions;
}

FramelessWindow *frameOf(const MainWindow &window)
{
    return window.findChild<FramelessWindow *>();
}

QAction *action(const MainWindow &window, const char *name)
{
    return named<QAction>(window, name);
}

// Stands in for the desktop's browser: QDesktopServices hands it the URLs to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void formAsDesigned();
    void startUpLogLine_data();
    void startUpLogLine();
    void languageSwitchRetranslatesEverything();
    void storedLanguage_data();
    void storedLanguage();
    void helpFilePerLanguage();
    void helpOpensGuideOrSaysWhatIsMissing();
    void workingFolder();
    void helpAndVersionNeedNoDisplay();
    void wholeWindowStartsAndCloses();

    void titleAreaStartsMove_data();
    void titleAreaStartsMove();
    void moveFollowsMouse();
    void edgeRegions();
    void leftEdgeResizeKeepsMinimum();
    void doubleClickTogglesMaximised();

    void aboutDialog();
    void aboutDialogFromSlot();

    void finishTaskDialogAfterPause();
    void finishTaskDialogAtOnce();

private:
    QTemporaryDir workDir;
    QTemporaryDir emptyDataDir;
};

void TestShell::initTestCase()
{
    initArtResources();
    initTranslationResources();
    QVERIFY(workDir.isValid());
    // Help files and the model file are looked up under the working directory.
    QVERIFY(QDir::setCurrent(workDir.path()));
    // No guide installed on this machine is found by the help tests.
    QVERIFY(emptyDataDir.isValid());
    qputenv("XDG_DATA_DIRS", emptyDataDir.path().toLocal8Bit());
    QTranslator probe;
    QVERIFY2(probe.load(QStringLiteral(":/lg/english.qm")), "English translation missing");
}

void TestShell::init()
{
    storeLanguage(QVariant(), QVariant());
    currentLanguage = English;
}

void TestShell::formAsDesigned()
{
    // The form on a bare window, before any code of the window touches it.
    QMainWindow host;
    Ui::MainWindow form;
    form.setupUi(&host);

    QCOMPARE(host.size(), QSize(1192, 791));
    QVERIFY(host.windowTitle().isEmpty());
    QCOMPARE(host.tabShape(), QTabWidget::Rounded);
    QCOMPARE(form.stackedWidget->count(), 4);
    QCOMPARE(form.stackedWidget->currentIndex(), 2);
    QCOMPARE(form.tabWidget->count(), 4);
    QCOMPARE(form.tabWidget->currentIndex(), 0);

    // The promoted widgets are of the classes the pages use.
    QVERIFY(qobject_cast<MyFrame *>(form.deviceInfoFrame));
    QVERIFY(qobject_cast<MyGroupBox *>(form.wenkongGroupBox));
    QVERIFY(qobject_cast<QCurve *>(form.wkWidget));
    QVERIFY(qobject_cast<QCurve *>(form.powerWidget));
    QVERIFY(qobject_cast<MySlider *>(form.lcdBrightSlider));
    QVERIFY(qobject_cast<MySlider *>(form.smokeSlider));

    QCOMPARE(form.lcdBrightSlider->minimum(), 0);
    QCOMPARE(form.lcdBrightSlider->maximum(), 255);
    QCOMPARE(form.lcdBrightSlider->value(), 255);
    QCOMPARE(form.smokeSlider->minimum(), 3);
    QCOMPARE(form.smokeSlider->maximum(), 10);
    QCOMPARE(form.smokeSlider->value(), 10);

    QCOMPARE(form.tempUnitComboBox->count(), 2);
    QCOMPARE(form.tempUnitComboBox->itemText(0), QStringLiteral("℃"));
    QCOMPARE(form.tempUnitComboBox->itemText(1), QStringLiteral("℉"));
    QCOMPARE(form.tempUnitComboBox->currentIndex(), 0);
    QCOMPARE(form.wkRadioButton3->text(), QStringLiteral("M3"));
    QCOMPARE(form.powerRadioButton5->text(), QStringLiteral("M5"));

    // The form carries only the clock group's captions and the two value labels.
    QCOMPARE(form.timeGroup->title(), QStringLiteral("时间设置"));
    QCOMPARE(form.setTimeDefaultButton->text(), QStringLiteral("恢复出厂设置"));
    QCOMPARE(form.lcdBrightValueLabel->text(), QStringLiteral("255"));
    QCOMPARE(form.smokeValueLabel->text(), QStringLiteral("10"));
    QVERIFY(form.connnectButton->text().isEmpty());
    QVERIFY(form.rizhiGroupBox->title().isEmpty());
    QVERIFY(form.tabWidget->tabText(1).isEmpty());
}

void TestShell::startUpLogLine_data()
{
    QTest::addColumn<QVariant>("storedLanguage");
    QTest::addColumn<QString>("readyText");
    QTest::newRow("no setting: English") << QVariant() << QStringLiteral(" ready");
    QTest::newRow("Simplified Chinese") << QVariant(1) << QStringLiteral(" 准备就绪");
}

void TestShell::startUpLogLine()
{
    QFETCH(QVariant, storedLanguage);
    QFETCH(QString, readyText);
    if (storedLanguage.isValid())
        storeLanguage(85, storedLanguage);

    auto window = newWindow();
    const QStringList lines = logLines(*window);
    QVERIFY(!lines.isEmpty());
    verifyLogLine(lines.first(), readyText);
}

void TestShell::languageSwitchRetranslatesEverything()
{
    auto window = newWindow();
    QVERIFY(action(*window, "englishAction")->isChecked());
    const auto english = codeBuiltCaptions(*window);
    for (const auto &caption : english)
        QVERIFY2(!caption.second.trimmed().isEmpty(), qPrintable(caption.first));
    QCOMPARE(named<QToolButton>(*window, "languageToolButton")->text(), QStringLiteral("&System"));
    QCOMPARE(named<QPushButton>(*window, "connnectButton")->text(), QStringLiteral("&Connect"));
    QCOMPARE(named<QListWidget>(*window, "listWidget")->item(3)->text(),
             QStringLiteral(" Customize"));
    QCOMPARE(named<QTabWidget>(*window, "tabWidget")->tabText(1),
             QStringLiteral("    paremeter    "));
    QCOMPARE(named<QGroupBox>(*window, "rizhiGroupBox")->title(), QStringLiteral("Log"));
    QCOMPARE(named<QPushButton>(*window, "setTimePushButton")->text(),
             QStringLiteral("calibration"));

    window->appendLog(QStringLiteral(" something earlier"));
    action(*window, "simplifiedChineseAction")->trigger();

    QStringList lines = logLines(*window);
    QCOMPARE(lines.size(), 1);
    verifyLogLine(lines.first(), QStringLiteral(" 切换语言至简体中文"));
    QCOMPARE(currentLanguage, SimplifiedChinese);
    QVERIFY(action(*window, "simplifiedChineseAction")->isChecked());
    QVERIFY(!action(*window, "englishAction")->isChecked());
    {
        QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
        QCOMPARE(settings.value(QStringLiteral("flag")).toInt(), 85);
        QCOMPARE(settings.value(QStringLiteral("lg")).toInt(), 1);
    }

    const auto chinese = codeBuiltCaptions(*window);
    QCOMPARE(chinese.size(), english.size());
    for (int i = 0; i < chinese.size(); ++i) {
        QVERIFY2(!chinese[i].second.trimmed().isEmpty(), qPrintable(chinese[i].first));
        QVERIFY2(chinese[i].second != english[i].second, qPrintable(chinese[i].first));
    }
    QCOMPARE(named<QToolButton>(*window, "languageToolButton")->text(), QStringLiteral("系统(&S)"));
    QCOMPARE(named<QMenu>(*window, "languageMenu")->title(), QStringLiteral("语言选择"));
    QCOMPARE(named<QListWidget>(*window, "listWidget")->item(0)->text(),
             QStringLiteral(" 欢迎界面"));
    QCOMPARE(named<QPushButton>(*window, "loadConfigButton")->text(),
             QStringLiteral("加载配置文件(&3)"));
    QCOMPARE(named<QTabWidget>(*window, "tabWidget")->tabText(2),
             QStringLiteral("   温度曲线    "));
    QCOMPARE(named<QLabel>(*window, "deviceNameLabel")->text(), QStringLiteral("当前设备:"));

    // Switching back restores the English captions exactly, and picking the active language
    // again still clears the log and rewrites the setting.
    action(*window, "englishAction")->trigger();
    QCOMPARE(codeBuiltCaptions(*window), english);
    action(*window, "englishAction")->trigger();
    lines = logLines(*window);
    QCOMPARE(lines.size(), 1);
    verifyLogLine(lines.first(), QStringLiteral(" Switch language to English"));
    QVERIFY(action(*window, "englishAction")->isChecked());
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    QCOMPARE(settings.value(QStringLiteral("lg")).toInt(), 0);
}

void TestShell::storedLanguage_data()
{
    QTest::addColumn<QVariant>("flag");
    QTest::addColumn<QVariant>("lg");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("connectCaption");
    QTest::newRow("nothing stored")
            << QVariant() << QVariant() << int(English) << QStringLiteral("&Connect");
    QTest::newRow("flag 85, lg 1")
            << QVariant(85) << QVariant(1) << int(SimplifiedChinese) << QStringLiteral("连接(&C)");
    QTest::newRow("flag 341 counts")
            << QVariant(341) << QVariant(1) << int(SimplifiedChinese) << QStringLiteral("连接(&C)");
    QTest::newRow("flag 84 ignored")
            << QVariant(84) << QVariant(1) << int(English) << QStringLiteral("&Connect");
    QTest::newRow("flag without lg")
            << QVariant(85) << QVariant() << int(English) << QStringLiteral("&Connect");
    QTest::newRow("lg 2: source texts")
            << QVariant(85) << QVariant(2) << int(TraditionalChinese) << QStringLiteral("连接(&C)");
    QTest::newRow("lg 7 falls back")
            << QVariant(85) << QVariant(7) << int(English) << QStringLiteral("&Connect");
    QTest::newRow("lg -1 falls back")
            << QVariant(85) << QVariant(-1) << int(English) << QStringLiteral("&Connect");
}

void TestShell::storedLanguage()
{
    QFETCH(QVariant, flag);
    QFETCH(QVariant, lg);
    QFETCH(int, expected);
    QFETCH(QString, connectCaption);
    storeLanguage(flag, lg);

    auto window = newWindow();
    QCOMPARE(int(currentLanguage), expected);
    QCOMPARE(action(*window, "englishAction")->isChecked(), expected == English);
    QCOMPARE(action(*window, "simplifiedChineseAction")->isChecked(),
             expected == SimplifiedChinese);
    QCOMPARE(action(*window, "traditionalChineseAction")->isChecked(),
             expected == TraditionalChinese);
    QCOMPARE(named<QPushButton>(*window, "connnectButton")->text(), connectCaption);
    QVERIFY(!window->helpFilePath().isEmpty());

    // Starting does not write the setting; only picking a language does.
    QSettings settings(QStringLiteral("lgInfo"), QStringLiteral("lg"));
    QCOMPARE(settings.value(QStringLiteral("lg")), lg);
}

void TestShell::helpFilePerLanguage()
{
    auto window = newWindow();
#ifdef Q_OS_WIN
    const QString base = QDir::currentPath();
    QCOMPARE(window->helpFilePath(), base + QStringLiteral("/chm/3.chm"));
    action(*window, "simplifiedChineseAction")->trigger();
    QCOMPARE(window->helpFilePath(), base + QStringLiteral("/chm/1.chm"));
    action(*window, "traditionalChineseAction")->trigger();
    QCOMPARE(window->helpFilePath(), base + QStringLiteral("/chm/2.chm"));
#else
    // Without a guide anywhere, the path reported is the one beside the program.
    const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                           + QStringLiteral("/../share/korlex-tool/guide/"));
    QCOMPARE(window->helpFilePath(), beside + QStringLiteral("/en/index.html"));
    action(*window, "simplifiedChineseAction")->trigger();
    QCOMPARE(window->helpFilePath(), beside + QStringLiteral("/zh_CN/index.html"));
    // Traditional Chinese readers get the Simplified Chinese guide.
    action(*window, "traditionalChineseAction")->trigger();
    QCOMPARE(window->helpFilePath(), beside + QStringLiteral("/zh_CN/index.html"));

    // An installed guide in the desktop's data folders is found there.
    QTemporaryDir data;
    const QString installed = data.filePath(QStringLiteral("korlex-tool/guide/zh_CN/index.html"));
    QVERIFY(QDir().mkpath(QFileInfo(installed).absolutePath()));
    QFile page(installed);
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", data.path().toLocal8Bit());
    const QString found = window->helpFilePath();
    qputenv("XDG_DATA_DIRS", dataDirs);
    QCOMPARE(found, installed);
#endif
    // With no language checked there is no guide to open.
    QVERIFY(action(*window, "traditionalChineseAction")->isChecked());
    action(*window, "traditionalChineseAction")->setChecked(false);
    QVERIFY(window->helpFilePath().isEmpty());
}

void TestShell::helpOpensGuideOrSaysWhatIsMissing()
{
    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "open");
    auto window = newWindow();
    named<QTextEdit>(*window, "rizhiTextEdit")->clear();

    // Missing: a message names the file looked for, and the log keeps it.
    const QString missing = window->helpFilePath();
    QVERIFY(!QFileInfo::exists(missing));
    QString shown;
    QTimer::singleShot(50, [&shown]() {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<MsgBox *>(top);
            if (!box || !box->isVisible())
                continue;
            for (QLabel *label : box->findChildren<QLabel *>())
                shown += label->text() + QLatin1Char('|');
            box->close();
        }
    });
    action(*window, "helpAction")->trigger();
    QVERIFY2(shown.contains(QStringLiteral("Help document not found:\n")
                            + QDir::toNativeSeparators(missing)),
             qPrintable(shown));
    QVERIFY(browser.urls.isEmpty());
    const QStringList lines = logLines(*window);
    QCOMPARE(lines.size(), 1);
    verifyLogLine(lines.first(),
                  QStringLiteral(" Help document not found: ") + QDir::toNativeSeparators(missing));

    // Present: the desktop's handler gets the file, and nothing is reported.
    QTemporaryDir data;
    const QString guide = data.filePath(QStringLiteral("korlex-tool/guide/en/index.html"));
    QVERIFY(QDir().mkpath(QFileInfo(guide).absolutePath()));
    QFile page(guide);
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();
    const QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", data.path().toLocal8Bit());
    action(*window, "helpAction")->trigger();
    qputenv("XDG_DATA_DIRS", dataDirs);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(browser.urls, QList<QUrl>{QUrl::fromLocalFile(guide)});
    QCOMPARE(logLines(*window).size(), 1);
}

void TestShell::workingFolder()
{
    const QString before = QDir::currentPath();
    QTemporaryDir data;
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    const QString appName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("korlex-tool"));
    auto restore = qScopeGuard([&]() {
        qputenv("XDG_DATA_HOME", dataHome);
        QCoreApplication::setApplicationName(appName);
        QDir::setCurrent(before);
    });

    // From a terminal the program keeps the current directory; the desktop entry asks for the
    // data folder, which is created on first use.
    QVERIFY(!parseStartOptions({QStringLiteral("korlex-tool")}).dataFolder);
    const StartOptions fromDesktop
            = parseStartOptions({QStringLiteral("korlex-tool"), QStringLiteral("--data-folder")});
    QVERIFY(fromDesktop.dataFolder && fromDesktop.unknown.isEmpty());
    QCOMPARE(parseStartOptions({QStringLiteral("korlex-tool"), QStringLiteral("--bogus")}).unknown,
             QStringLiteral("--bogus"));
    // Qt's own options, with their values, are passed over, however they are written.
    const StartOptions withQt
            = parseStartOptions({QStringLiteral("korlex-tool"), QStringLiteral("-platform"),
                                 QStringLiteral("offscreen"), QStringLiteral("--style=fusion"),
                                 QStringLiteral("-reverse"), QStringLiteral("--data-folder")});
    QVERIFY(withQt.unknown.isEmpty() && withQt.dataFolder);
    QCOMPARE(parseStartOptions({QStringLiteral("korlex-tool"), QStringLiteral("-style"),
                                QStringLiteral("fusion"), QStringLiteral("fusion")})
                     .unknown,
             QStringLiteral("fusion"));

    qputenv("XDG_DATA_HOME", data.filePath(QStringLiteral("share")).toLocal8Bit());
    QVERIFY(enterDataFolder());
    const QString folder = data.filePath(QStringLiteral("share/korlex-tool"));
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(QDir::currentPath(), folder);

    // The log names it once the window stands.
    auto window = newWindow();
    window->logWorkingFolder();
    QVERIFY(logLines(*window).last().endsWith(QStringLiteral(" Working folder: ") + folder));

    // A data folder that cannot be made leaves the working directory alone.
    QFile blocker(data.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_DATA_HOME", blocker.fileName().toLocal8Bit());
    QVERIFY(!enterDataFolder());
    QCOMPARE(QDir::currentPath(), folder);
}

void TestShell::helpAndVersionNeedNoDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    QProcess program;
    program.setProcessEnvironment(env);

    program.start(QStringLiteral(KORLEX_TOOL_PROGRAM), {QStringLiteral("--version")});
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    const QString version = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(version.startsWith(QStringLiteral("korlex-tool 1.0.18\n")), qPrintable(version));
    QVERIFY(version.contains(QStringLiteral("GPL-3.0-or-later")));

    program.start(QStringLiteral(KORLEX_TOOL_PROGRAM), {QStringLiteral("--help")});
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 0);
    const QString help = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(help.startsWith(QStringLiteral("Usage: korlex-tool")), qPrintable(help));
    QVERIFY(help.contains(QStringLiteral("--data-folder")));

    // A wrong argument is reported, with status 1, before anything needs a display; a Qt
    // option before it is passed over.
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--bogus")},
          QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"),
                      QStringLiteral("--bogus")}}) {
        program.start(QStringLiteral(KORLEX_TOOL_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        const QString error = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(error.contains(QStringLiteral("unknown argument --bogus")), qPrintable(error));
    }
}

void TestShell::wholeWindowStartsAndCloses()
{
    auto window = newWindow();
    QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(window->size(), QSize(available.width() * 7 / 8, available.height() * 7 / 8));

    QCOMPARE(named<QListWidget>(*window, "listWidget")->count(), 4);
    QCOMPARE(named<QListWidget>(*window, "listWidget")->currentRow(), 0);
    QCOMPARE(named<QStackedWidget>(*window, "stackedWidget")->currentIndex(), 0);
    QVERIFY(named(*window, "freshButton")->isEnabled());
    QVERIFY(named(*window, "connnectButton")->isEnabled());
    QVERIFY(!named(*window, "unconnectButton")->isEnabled());
    QVERIFY(!named(*window, "runButton")->isEnabled());
    QVERIFY(!named<QLabel>(*window, "logLabel")->pixmap(Qt::ReturnByValue).isNull());

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    named<QListWidget>(*window, "listWidget")->setCurrentRow(2);
    QCOMPARE(named<QStackedWidget>(*window, "stackedWidget")->currentIndex(), 2);

    // A language switch must not wipe what the form's own re-translation would clear.
    action(*window, "simplifiedChineseAction")->trigger();
    QVERIFY(!named<QLabel>(*window, "logLabel")->pixmap(Qt::ReturnByValue).isNull());

    QTest::mouseClick(named(*window, "closeButton"), Qt::LeftButton);
    QTRY_VERIFY(!window->isVisible());

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    action(*window, "quitAction")->trigger();
    QTRY_VERIFY(!window->isVisible());
}

void TestShell::titleAreaStartsMove_data()
{
    QTest::addColumn<QPoint>("offset"); // negative x counts from the right edge
    QTest::addColumn<bool>("moves");
    QTest::newRow("(5, 5)") << QPoint(5, 5) << true;
    QTest::newRow("(width - 6, 59)") << QPoint(-6, 59) << true;
    QTest::newRow("(4, 30)") << QPoint(4, 30) << false;
    QTest::newRow("(5, 60)") << QPoint(5, 60) << false;
    QTest::newRow("(width - 5, 30)") << QPoint(-5, 30) << false;
}

void TestShell::titleAreaStartsMove()
{
    QFETCH(QPoint, offset);
    QFETCH(bool, moves);
    auto window = newWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QPoint p(offset.x() < 0 ? window->width() + offset.x() : offset.x(), offset.y());

    sendMouse(window.get(), QEvent::MouseButtonPress, p, Qt::RightButton);
    QVERIFY(!frameOf(*window)->isMoving());
    sendMouse(window.get(), QEvent::MouseButtonRelease, p, Qt::RightButton);

    sendMouse(window.get(), QEvent::MouseButtonPress, p);
    QCOMPARE(frameOf(*window)->isMoving(), moves);
    sendMouse(window.get(), QEvent::MouseButtonRelease, p);
    QVERIFY(!frameOf(*window)->isMoving());
    QVERIFY(!frameOf(*window)->isResizePressed());
}

void TestShell::moveFollowsMouse()
{
    auto window = newWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->move(40, 30);
    QTRY_COMPARE(window->pos(), QPoint(40, 30));

    // A press on the logo reaches the window through the title frame.
    const QPoint start(window->width() / 2, 30);
    QTest::mousePress(named(*window, "titleFrame"), Qt::LeftButton, Qt::NoModifier,
                      named(*window, "titleFrame")->mapFrom(window.get(), start));
    QVERIFY(frameOf(*window)->isMoving());

    const QPoint globalStart = window->mapToGlobal(start);
    QMouseEvent move(QEvent::MouseMove, start + QPoint(25, 10), globalStart + QPoint(25, 10),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &move);
    QTRY_COMPARE(window->pos(), QPoint(65, 40));

    QTest::mouseRelease(named(*window, "titleFrame"), Qt::LeftButton, Qt::NoModifier,
                        named(*window, "titleFrame")->mapFrom(window.get(), start));
    QVERIFY(!frameOf(*window)->isMoving());
    QMouseEvent after(QEvent::MouseMove, start, globalStart + QPoint(80, 80), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &after);
    QCOMPARE(window->pos(), QPoint(65, 40));
}

void TestShell::edgeRegions()
{
    auto window = newWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const int w = window->width();
    const int h = window->height();

    QCOMPARE(frameOf(*window)->edgeRegionAt(2, 2), 1);
    QCOMPARE(frameOf(*window)->edgeRegionAt(w / 2, 0), 2);
    QCOMPARE(frameOf(*window)->edgeRegionAt(w - 1, 0), 3);
    QCOMPARE(frameOf(*window)->edgeRegionAt(w - 1, h / 2), 4);
    QCOMPARE(frameOf(*window)->edgeRegionAt(w - 1, h - 1), 5);
    QCOMPARE(frameOf(*window)->edgeRegionAt(w / 2, h - 5), 6);
    QCOMPARE(frameOf(*window)->edgeRegionAt(0, h - 1), 7);
    QCOMPARE(frameOf(*window)->edgeRegionAt(2, 10), 8);
    QCOMPARE(frameOf(*window)->edgeRegionAt(5, 10), 0);
    QCOMPARE(frameOf(*window)->edgeRegionAt(w / 2, h / 2), 0);
    QCOMPARE(frameOf(*window)->edgeRegionAt(w, h / 2), 0);

    // Hovering sets the region and its cursor; the bands follow a resize.
    sendHover(window.get(), QPoint(2, 10));
    QCOMPARE(frameOf(*window)->edgeRegion(), 8);
    QCOMPARE(window->cursor().shape(), Qt::SizeHorCursor);
    sendHover(window.get(), QPoint(w - 2, h - 2));
    QCOMPARE(frameOf(*window)->edgeRegion(), 5);
    QCOMPARE(window->cursor().shape(), Qt::SizeFDiagCursor);
    sendHover(window.get(), QPoint(w / 2, h / 2));
    QCOMPARE(frameOf(*window)->edgeRegion(), 0);
    QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);

    window->resize(w + 40, h + 30);
    QTRY_COMPARE(window->width(), w + 40);
    QCOMPARE(frameOf(*window)->edgeRegionAt(w + 39, h + 29), 5);
    QCOMPARE(frameOf(*window)->edgeRegionAt(w - 1, h - 1), 0);
}

void TestShell::leftEdgeResizeKeepsMinimum()
{
    auto window = newWindow();
    // Let the geometry through unchanged, so that the drag itself is what is measured.
    window->layout()->setSizeConstraint(QLayout::SetNoConstraint);
    window->setMinimumSize(0, 0);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->setGeometry(100, 80, 600, 400);
    QTRY_COMPARE(window->geometry(), QRect(100, 80, 600, 400));

    sendHover(window.get(), QPoint(2, 200));
    QCOMPARE(frameOf(*window)->edgeRegion(), 8);
    sendMouse(window.get(), QEvent::MouseButtonPress, QPoint(2, 200));
    QVERIFY(frameOf(*window)->isResizing());

    // Pull the left edge 50 pixels to the right: the right edge stays.
    sendHover(window.get(), QPoint(52, 200));
    QTRY_COMPARE(window->geometry(), QRect(150, 80, 550, 400));
    QCOMPARE(frameOf(*window)->edgeRegion(), 8); // the region is kept during the drag

    // Further right than the window is wide, less 100: the left edge stays where the window
    // is now and the width stops at 100.
    sendHover(window.get(), QPoint(530, 200));
    QTRY_COMPARE(window->geometry(), QRect(150, 80, 100, 400));

    sendMouse(window.get(), QEvent::MouseButtonRelease, QPoint(2, 200));
    QVERIFY(!frameOf(*window)->isResizePressed());
    sendHover(window.get(), QPoint(50, 200));
    QCOMPARE(window->geometry(), QRect(150, 80, 100, 400));
    QCOMPARE(frameOf(*window)->edgeRegion(), 0);
}

void TestShell::doubleClickTogglesMaximised()
{
    auto window = newWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(!frameOf(*window)->isMaximized());

    sendMouse(window.get(), QEvent::MouseButtonDblClick, QPoint(300, 59));
    sendMouse(window.get(), QEvent::MouseButtonRelease, QPoint(300, 59));
    QVERIFY(frameOf(*window)->isMaximized());
    QTRY_VERIFY(window->windowState().testFlag(Qt::WindowMaximized));

    sendMouse(window.get(), QEvent::MouseButtonDblClick, QPoint(300, 60));
    sendMouse(window.get(), QEvent::MouseButtonRelease, QPoint(300, 60));
    QVERIFY(frameOf(*window)->isMaximized());

    sendMouse(window.get(), QEvent::MouseButtonDblClick, QPoint(10, 20), Qt::RightButton);
    QVERIFY(!frameOf(*window)->isMaximized());
    QTRY_VERIFY(!window->windowState().testFlag(Qt::WindowMaximized));

    // The maximise button toggles the same state.
    QTest::mouseClick(named(*window, "showMaxButton"), Qt::LeftButton);
    QVERIFY(frameOf(*window)->isMaximized());
}

void TestShell::aboutDialog()
{
    {
        About about;
        QCOMPARE(about.minimumSize(), QSize(500, 250));
        QCOMPARE(about.maximumSize(), QSize(500, 250));
        QVERIFY(about.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(about.testAttribute(Qt::WA_ShowModal));
        QCOMPARE(about.titleLabel->text(), QStringLiteral(" 关于电子烟"));
        QCOMPARE(about.aboutCloseButton->text(), QStringLiteral("关闭(&Q)"));
        QVERIFY(about.linkLabel->text().contains(QStringLiteral(">访问korlex官网")));
        QVERIFY(about.linkLabel->openExternalLinks());

        const QStringList lines = about.aboutTextLabel->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 8);
        QVERIFY(lines.first().isEmpty());
        QCOMPARE(lines.at(1), QStringLiteral(" korlex 电子烟"));
        QCOMPARE(lines.at(2), QStringLiteral(" 1.0.18.0"));
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY2(lines.at(i).startsWith(QLatin1Char(' ')), qPrintable(lines.at(i)));

        about.resize(800, 600);
        QCOMPARE(about.size(), QSize(500, 250));

        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        about.move(100, 100);
        QTRY_COMPARE(about.pos(), QPoint(100, 100));
        sendMouse(&about, QEvent::MouseButtonPress, QPoint(50, 50), Qt::RightButton);
        QMouseEvent ignored(QEvent::MouseMove, QPoint(60, 60), about.mapToGlobal(QPoint(60, 60)),
                            Qt::NoButton, Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&about, &ignored);
        QCOMPARE(about.pos(), QPoint(100, 100));
        sendMouse(&about, QEvent::MouseButtonRelease, QPoint(50, 50), Qt::RightButton);

        sendMouse(&about, QEvent::MouseButtonPress, QPoint(50, 50));
        const QPoint globalPress = about.mapToGlobal(QPoint(50, 50));
        QMouseEvent drag(QEvent::MouseMove, QPoint(80, 70), globalPress + QPoint(30, 20),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&about, &drag);
        QTRY_COMPARE(about.pos(), QPoint(130, 120));
        sendMouse(&about, QEvent::MouseButtonRelease, QPoint(80, 70));

        QTest::mouseClick(about.aboutCloseButton, Qt::LeftButton);
        QTRY_VERIFY(!about.isVisible());
    }

    // In English: the contact block has one line less.
    QTranslator english;
    QVERIFY(english.load(QStringLiteral(":/lg/english.qm")));
    QCoreApplication::installTranslator(&english);
    About about;
    QCoreApplication::removeTranslator(&english);
    QCOMPARE(about.titleLabel->text(), QStringLiteral(" About E-Cigarette"));
    QCOMPARE(about.aboutCloseButton->text(), QStringLiteral("&Quit"));
    QVERIFY(about.linkLabel->text().contains(QStringLiteral(">korlex website")));
    const QStringList lines = about.aboutTextLabel->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines.at(1), QStringLiteral(" korlex E-Cigarette"));
    QCOMPARE(lines.at(2), QStringLiteral(" 1.0.18.0"));
}

void TestShell::aboutDialogFromSlot()
{
    auto window = newWindow();
    QSize shownSize;
    bool wasModal = false;
    // The slot runs the dialog modally; close it from inside its own event loop.
    QTimer::singleShot(50, [&]() {
        if (auto *about = qobject_cast<About *>(QApplication::activeModalWidget())) {
            shownSize = about->size();
            wasModal = true;
            about->close();
        }
    });
    action(*window, "aboutAction")->trigger();
    QVERIFY(wasModal);
    QCOMPARE(shownSize, QSize(500, 250));
    QVERIFY(!QApplication::activeModalWidget());
}

void TestShell::finishTaskDialogAfterPause()
{
    JobDialog::setPauseScale(0.1); // 3000 ms become 300 ms
    QPointer<JobDialog> dialog = new JobDialog(nullptr, QStringLiteral("task"), 10, QString());
    SendDataMsgBox *box = dialog->box();
    QVERIFY(box->isVisible());
    auto *okButton = box->findChild<QPushButton *>(QStringLiteral("okButton"));
    QVERIFY(okButton && !okButton->isEnabled());
    QSignalSpy closed(dialog.data(), &JobDialog::closed);

    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks]() { ++ticks; });
    ticker.start(20);

    QElapsedTimer clock;
    clock.start();
    dialog->finish(QStringLiteral("The task is done"), 3000, true);

    // The result shows at once, with the bar full, and the call returns without waiting.
    QVERIFY(clock.elapsed() < 250);
    QVERIFY(okButton->isEnabled());
    bool stateShown = false;
    for (QLabel *label : box->findChildren<QLabel *>())
        stateShown = stateShown || label->text() == QStringLiteral("The task is done");
    QVERIFY(stateShown);
    QCOMPARE(box->progressMaximum(), 10);
    QCOMPARE(box->findChild<QLabel *>(QStringLiteral("percentLabel"))->text(),
             QStringLiteral("100%"));
    QCOMPARE(closed.count(), 0);

    // A second job's dialog opened during the pause stays when the first one goes.
    QPointer<JobDialog> second = new JobDialog(nullptr, QStringLiteral("second"), 5, QString());

    QTest::qWait(150);
    QVERIFY(dialog);
    QCOMPARE(closed.count(), 0);
    QVERIFY(ticks >= 3); // the event loop kept running during the pause

    QTRY_COMPARE(closed.count(), 1);
    QVERIFY(clock.elapsed() >= 290);
    QTRY_VERIFY(dialog.isNull());
    QVERIFY(second);
    QVERIFY(second->box()->isVisible());
    delete second.data();
    JobDialog::setPauseScale(0.0);
}

void TestShell::finishTaskDialogAtOnce()
{
    JobDialog::setPauseScale(1.0);
    QPointer<JobDialog> dialog = new JobDialog(nullptr, QStringLiteral("task"), 10, QString());
    QSignalSpy closed(dialog.data(), &JobDialog::closed);
    SendDataMsgBox *box = dialog->box();
    dialog->closeNow();
    QVERIFY(!box->isVisible());
    QCOMPARE(closed.count(), 1);
    // Closing again, or a result arriving afterwards, does nothing more.
    dialog->closeNow();
    QCOMPARE(closed.count(), 1);
    QTRY_VERIFY(dialog.isNull());
    JobDialog::setPauseScale(0.0);
}

KORLEX_WINDOW_TEST_MAIN(TestShell)

#include "tst_shell.moc"
