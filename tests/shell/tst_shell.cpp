// The application shell: start-up, language switching and its stored setting, help paths, the
// hand-made window frame, the About dialog and the end of a job's status dialog.

#include "app/mainwindow.h"
#include "app/startup.h"
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

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHoverEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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

QStringList logLines(const MainWindow &window)
{
    const QString text = window.ui->rizhiTextEdit->toPlainText();
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
    const Ui::MainWindow *ui = w.ui;
    return {
            {"languageToolButton", ui->languageToolButton->text()},
            {"helpToolButton", ui->helpToolButton->text()},
            {"languageMenu", w.languageMenu->title()},
            {"quitAction", w.quitAction->text()},
            {"helpAction", w.helpAction->text()},
            {"aboutAction", w.aboutAction->text()},
            {"freshButton", ui->freshButton->text()},
            {"connnectButton", ui->connnectButton->text()},
            {"unconnectButton", ui->unconnectButton->text()},
            {"runButton", ui->runButton->text()},
            {"deviceNameLabel", ui->deviceNameLabel->text()},
            {"nav0", w.navItems[0]->text()},
            {"nav1", w.navItems[1]->text()},
            {"nav2", w.navItems[2]->text()},
            {"nav3", w.navItems[3]->text()},
            {"binFileLabel", ui->binFileLabel->text()},
            {"openBinFileButton", ui->openBinFileButton->text()},
            {"downloadButton", ui->downloadButton->text()},
            {"textLabel", ui->textLabel->text()},
            {"readFromDeviceButton", ui->readFromDeviceButton->text()},
            {"writeToDeviceButton", ui->writeToDeviceButton->text()},
            {"loadConfigButton", ui->loadConfigButton->text()},
            {"saveConfigButton", ui->saveConfigButton->text()},
            {"resetDefaultButton", ui->resetDefaultButton->text()},
            {"rizhiGroupBox", ui->rizhiGroupBox->title()},
            {"tab0", ui->tabWidget->tabText(0)},
            {"tab1", ui->tabWidget->tabText(1)},
            {"tab2", ui->tabWidget->tabText(2)},
            {"tab3", ui->tabWidget->tabText(3)},
            {"timeGroup", ui->timeGroup->title()},
            {"setTimePushButton", ui->setTimePushButton->text()},
            {"readTimePushbutton", ui->readTimePushbutton->text()},
            {"setTimeDefaultButton", ui->setTimeDefaultButton->text()},
    };
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
    QVERIFY(window->englishAction->isChecked());
    const auto english = codeBuiltCaptions(*window);
    for (const auto &caption : english)
        QVERIFY2(!caption.second.trimmed().isEmpty(), qPrintable(caption.first));
    QCOMPARE(window->ui->languageToolButton->text(), QStringLiteral("&System"));
    QCOMPARE(window->ui->connnectButton->text(), QStringLiteral("&Connect"));
    QCOMPARE(window->navItems[3]->text(), QStringLiteral(" Customize"));
    QCOMPARE(window->ui->tabWidget->tabText(1), QStringLiteral("    paremeter    "));
    QCOMPARE(window->ui->rizhiGroupBox->title(), QStringLiteral("Log"));
    QCOMPARE(window->ui->setTimePushButton->text(), QStringLiteral("calibration"));

    window->appendLog(QStringLiteral(" something earlier"));
    window->simplifiedChineseAction->trigger();

    QStringList lines = logLines(*window);
    QCOMPARE(lines.size(), 1);
    verifyLogLine(lines.first(), QStringLiteral(" 切换语言至简体中文"));
    QCOMPARE(currentLanguage, SimplifiedChinese);
    QVERIFY(window->simplifiedChineseAction->isChecked());
    QVERIFY(!window->englishAction->isChecked());
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
    QCOMPARE(window->ui->languageToolButton->text(), QStringLiteral("系统(&S)"));
    QCOMPARE(window->languageMenu->title(), QStringLiteral("语言选择"));
    QCOMPARE(window->navItems[0]->text(), QStringLiteral(" 欢迎界面"));
    QCOMPARE(window->ui->loadConfigButton->text(), QStringLiteral("加载配置文件(&3)"));
    QCOMPARE(window->ui->tabWidget->tabText(2), QStringLiteral("   温度曲线    "));
    QCOMPARE(window->ui->deviceNameLabel->text(), QStringLiteral("当前设备:"));

    // Switching back restores the English captions exactly, and picking the active language
    // again still clears the log and rewrites the setting.
    window->englishAction->trigger();
    QCOMPARE(codeBuiltCaptions(*window), english);
    window->englishAction->trigger();
    lines = logLines(*window);
    QCOMPARE(lines.size(), 1);
    verifyLogLine(lines.first(), QStringLiteral(" Switch language to English"));
    QVERIFY(window->englishAction->isChecked());
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
    QCOMPARE(window->englishAction->isChecked(), expected == English);
    QCOMPARE(window->simplifiedChineseAction->isChecked(), expected == SimplifiedChinese);
    QCOMPARE(window->traditionalChineseAction->isChecked(), expected == TraditionalChinese);
    QCOMPARE(window->ui->connnectButton->text(), connectCaption);
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
    window->simplifiedChineseAction->trigger();
    QCOMPARE(window->helpFilePath(), base + QStringLiteral("/chm/1.chm"));
    window->updateLanguageChecks(TraditionalChinese);
    QCOMPARE(window->helpFilePath(), base + QStringLiteral("/chm/2.chm"));
#else
    // Without a guide anywhere, the path reported is the one beside the program.
    const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath()
                                           + QStringLiteral("/../share/korlex-tool/guide/"));
    QCOMPARE(window->helpFilePath(), beside + QStringLiteral("/en/index.html"));
    window->simplifiedChineseAction->trigger();
    QCOMPARE(window->helpFilePath(), beside + QStringLiteral("/zh_CN/index.html"));
    // Traditional Chinese readers get the Simplified Chinese guide.
    window->updateLanguageChecks(TraditionalChinese);
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
    // Values that name no language leave the checks alone.
    window->updateLanguageChecks(Language(5));
    QVERIFY(window->traditionalChineseAction->isChecked());
    window->traditionalChineseAction->setChecked(false);
    QVERIFY(window->helpFilePath().isEmpty());
}

void TestShell::helpOpensGuideOrSaysWhatIsMissing()
{
    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "open");
    auto window = newWindow();
    window->ui->rizhiTextEdit->clear();

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
    window->helpAction->trigger();
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
    window->helpAction->trigger();
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
}

void TestShell::wholeWindowStartsAndCloses()
{
    auto window = newWindow();
    QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(window->size(), QSize(available.width() * 7 / 8, available.height() * 7 / 8));

    QCOMPARE(window->ui->listWidget->count(), 4);
    QCOMPARE(window->ui->listWidget->currentRow(), 0);
    QCOMPARE(window->ui->stackedWidget->currentIndex(), 0);
    QVERIFY(window->ui->freshButton->isEnabled());
    QVERIFY(window->ui->connnectButton->isEnabled());
    QVERIFY(!window->ui->unconnectButton->isEnabled());
    QVERIFY(!window->ui->runButton->isEnabled());
    QVERIFY(!window->ui->logLabel->pixmap(Qt::ReturnByValue).isNull());

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->ui->listWidget->setCurrentRow(2);
    QCOMPARE(window->ui->stackedWidget->currentIndex(), 2);
    window->setDeviceButtons(true);
    QVERIFY(!window->ui->connnectButton->isEnabled());
    QVERIFY(window->ui->runButton->isEnabled());

    // A language switch must not wipe what the form's own re-translation would clear.
    window->simplifiedChineseAction->trigger();
    QVERIFY(!window->ui->logLabel->pixmap(Qt::ReturnByValue).isNull());

    QTest::mouseClick(window->ui->closeButton, Qt::LeftButton);
    QTRY_VERIFY(!window->isVisible());

    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->quitAction->trigger();
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
    QVERIFY(!window->movingWindow);
    sendMouse(window.get(), QEvent::MouseButtonRelease, p, Qt::RightButton);

    sendMouse(window.get(), QEvent::MouseButtonPress, p);
    QCOMPARE(window->movingWindow, moves);
    sendMouse(window.get(), QEvent::MouseButtonRelease, p);
    QVERIFY(!window->movingWindow);
    QVERIFY(!window->resizePressed);
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
    QTest::mousePress(window->ui->titleFrame, Qt::LeftButton, Qt::NoModifier,
                      window->ui->titleFrame->mapFrom(window.get(), start));
    QVERIFY(window->movingWindow);

    const QPoint globalStart = window->mapToGlobal(start);
    QMouseEvent move(QEvent::MouseMove, start + QPoint(25, 10), globalStart + QPoint(25, 10),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &move);
    QTRY_COMPARE(window->pos(), QPoint(65, 40));

    QTest::mouseRelease(window->ui->titleFrame, Qt::LeftButton, Qt::NoModifier,
                        window->ui->titleFrame->mapFrom(window.get(), start));
    QVERIFY(!window->movingWindow);
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

    QCOMPARE(window->edgeRegionAt(2, 2), 1);
    QCOMPARE(window->edgeRegionAt(w / 2, 0), 2);
    QCOMPARE(window->edgeRegionAt(w - 1, 0), 3);
    QCOMPARE(window->edgeRegionAt(w - 1, h / 2), 4);
    QCOMPARE(window->edgeRegionAt(w - 1, h - 1), 5);
    QCOMPARE(window->edgeRegionAt(w / 2, h - 5), 6);
    QCOMPARE(window->edgeRegionAt(0, h - 1), 7);
    QCOMPARE(window->edgeRegionAt(2, 10), 8);
    QCOMPARE(window->edgeRegionAt(5, 10), 0);
    QCOMPARE(window->edgeRegionAt(w / 2, h / 2), 0);
    QCOMPARE(window->edgeRegionAt(w, h / 2), 0);

    // Hovering sets the region and its cursor; the bands follow a resize.
    sendHover(window.get(), QPoint(2, 10));
    QCOMPARE(window->edgeRegion, 8);
    QCOMPARE(window->cursor().shape(), Qt::SizeHorCursor);
    sendHover(window.get(), QPoint(w - 2, h - 2));
    QCOMPARE(window->edgeRegion, 5);
    QCOMPARE(window->cursor().shape(), Qt::SizeFDiagCursor);
    sendHover(window.get(), QPoint(w / 2, h / 2));
    QCOMPARE(window->edgeRegion, 0);
    QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);

    window->resize(w + 40, h + 30);
    QTRY_COMPARE(window->width(), w + 40);
    QCOMPARE(window->edgeRegionAt(w + 39, h + 29), 5);
    QCOMPARE(window->edgeRegionAt(w - 1, h - 1), 0);
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
    QCOMPARE(window->edgeRegion, 8);
    sendMouse(window.get(), QEvent::MouseButtonPress, QPoint(2, 200));
    QVERIFY(window->resizePressed && window->resizing);

    // Pull the left edge 50 pixels to the right: the right edge stays.
    sendHover(window.get(), QPoint(52, 200));
    QTRY_COMPARE(window->geometry(), QRect(150, 80, 550, 400));
    QCOMPARE(window->edgeRegion, 8); // the region is kept during the drag

    // Further right than the window is wide, less 100: the left edge stays where the window
    // is now and the width stops at 100.
    sendHover(window.get(), QPoint(530, 200));
    QTRY_COMPARE(window->geometry(), QRect(150, 80, 100, 400));

    sendMouse(window.get(), QEvent::MouseButtonRelease, QPoint(2, 200));
    QVERIFY(!window->resizePressed);
    sendHover(window.get(), QPoint(50, 200));
    QCOMPARE(window->geometry(), QRect(150, 80, 100, 400));
    QCOMPARE(window->edgeRegion, 0);
}

void TestShell::doubleClickTogglesMaximised()
{
    auto window = newWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(!window->maximized);

    sendMouse(window.get(), QEvent::MouseButtonDblClick, QPoint(300, 59));
    sendMouse(window.get(), QEvent::MouseButtonRelease, QPoint(300, 59));
    QVERIFY(window->maximized);
    QTRY_VERIFY(window->windowState().testFlag(Qt::WindowMaximized));

    sendMouse(window.get(), QEvent::MouseButtonDblClick, QPoint(300, 60));
    sendMouse(window.get(), QEvent::MouseButtonRelease, QPoint(300, 60));
    QVERIFY(window->maximized);

    sendMouse(window.get(), QEvent::MouseButtonDblClick, QPoint(10, 20), Qt::RightButton);
    QVERIFY(!window->maximized);
    QTRY_VERIFY(!window->windowState().testFlag(Qt::WindowMaximized));

    // The maximise button toggles the same state.
    QTest::mouseClick(window->ui->showMaxButton, Qt::LeftButton);
    QVERIFY(window->maximized);
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
    window->aboutAction->trigger();
    QVERIFY(wasModal);
    QCOMPARE(shownSize, QSize(500, 250));
    QVERIFY(!QApplication::activeModalWidget());
}

void TestShell::finishTaskDialogAfterPause()
{
    auto window = newWindow();
    window->setResultPauseScale(0.1); // 3000 ms become 300 ms
    QCOMPARE(window->scaledPause(3000), 300);

    window->taskDialog = new SendDataMsgBox;
    window->taskDialog->setButtonEnabled(false);
    window->taskDialog->show();
    QPointer<SendDataMsgBox> dialog = window->taskDialog;
    auto *okButton = dialog->findChild<QPushButton *>();
    QVERIFY(okButton && !okButton->isEnabled());

    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&ticks]() { ++ticks; });
    ticker.start(20);

    bool closedRan = false;
    bool dialogGoneWhenRun = false;
    QElapsedTimer clock;
    clock.start();
    window->finishTaskDialog(QStringLiteral("The task is done"), 3000, true, [&]() {
        closedRan = true;
        dialogGoneWhenRun = window->taskDialog == nullptr;
    });

    // The result shows at once and the call returns without waiting.
    QVERIFY(clock.elapsed() < 250);
    QVERIFY(okButton->isEnabled());
    bool stateShown = false;
    for (QLabel *label : dialog->findChildren<QLabel *>())
        stateShown = stateShown || label->text() == QStringLiteral("The task is done");
    QVERIFY(stateShown);
    QVERIFY(!closedRan);

    QTest::qWait(150);
    QVERIFY(dialog);
    QCOMPARE(window->taskDialog, dialog.data());
    QVERIFY(!closedRan);
    QVERIFY(ticks >= 3); // the event loop kept running during the pause

    QTRY_VERIFY(closedRan);
    QVERIFY(clock.elapsed() >= 290);
    QVERIFY(dialog.isNull());
    QVERIFY(dialogGoneWhenRun);
    QVERIFY(!window->taskDialog);

    // A job that opened its own dialog during the pause keeps it.
    window->taskDialog = new SendDataMsgBox;
    QPointer<SendDataMsgBox> first = window->taskDialog;
    window->finishTaskDialog(QStringLiteral("first"), 500, true, nullptr);
    auto *second = new SendDataMsgBox;
    window->taskDialog = second;
    QTRY_VERIFY(first.isNull());
    QCOMPARE(window->taskDialog, second);
    // The window deletes the dialog that is still open.
}

void TestShell::finishTaskDialogAtOnce()
{
    auto window = newWindow();
    window->setResultPauseScale(1.0);
    window->taskDialog = new SendDataMsgBox;
    QPointer<SendDataMsgBox> dialog = window->taskDialog;
    int runs = 0;
    window->finishTaskDialog(QStringLiteral("ignored"), 3000, false, [&runs]() { ++runs; });
    QVERIFY(dialog.isNull());
    QVERIFY(!window->taskDialog);
    QCOMPARE(runs, 1);

    // Without a dialog the caller's step still runs, once.
    window->finishTaskDialog(QStringLiteral("no dialog"), 3000, true, [&runs]() { ++runs; });
    QCOMPARE(runs, 2);
    QTest::qWait(20);
    QCOMPARE(runs, 2);
}

KORLEX_WINDOW_TEST_MAIN(TestShell)

#include "tst_shell.moc"
