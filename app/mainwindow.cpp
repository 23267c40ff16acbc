#include "app/mainwindow.h"

#include "device/usbthread.h"

#include "ui_mainwindow.h"
#include "widgets/msgbox.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFont>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QListWidgetItem>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QtMath>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

const char *const titleToolButtonSheet
        = "QToolButton{color:white;}QToolButton::menu-indicator{image: None;}"
          "QToolButton:hover{background-color: rgb(85,255,255);border: 2px solid red;"
          "background: transparent;}"
          "QToolButton:pressed{background-color: rgb(85,255,255);border: 2px solid red;"
          "background: transparent;}";

const char *const windowButtonHoverSheet
        = "QPushButton:hover{background-color: white;border: 1px solid red;}"
          "QPushButton:pressed{background-color: white;border: 1px solid red;}";

const char *const closeButtonHoverSheet
        = "QPushButton:hover{background-color: red;border: 1px solid red;}"
          "QPushButton:pressed{background-color: white;border: 1px solid red;}";

const char *const deviceButtonSheet
        = "QPushButton{background-color:white;border-radius: 5px;color:black}"
          "QPushButton:disabled{background-color:gray;}QPushButton:hover{border: 1px solid red;}"
          "QPushButton:pressed{border: 1px solid red;}";

const char *const menuSheet = "border:2px solid rgb(85,255,255)";

const char *const navigationSheet = "QListWidget{background-color: rgb(80, 90, 100);color:white;}"
                                    "QListWidget::Item:hover{background:skyblue; }"
                                    "QListWidget::item:selected{background:rgb(85, 255, 255);}";

const char *const tabSheet = "QTabBar::tab:selected{background-color: rgb(85, 255, 255);color:red;}"
                             "QTabBar::tab:disabled{width: 0; color: transparent;}";

const char *const disabledGraySheet = "QPushButton:disabled{background-color:gray;}";

// WM_DEVICECHANGE: a device arrived or went away.
const unsigned int deviceChangeMessage = 0x0219;

void setPointSize(QWidget *widget, int points)
{
    QFont font = widget->font();
    font.setPointSize(points);
    widget->setFont(font);
}

void setPointSize(QAction *action, int points)
{
    QFont font = action->font();
    font.setPointSize(points);
    action->setFont(font);
}

// Moves the contents of a page (its layout with all the widgets in it) into a scroll area that
// fills the page: where the window gives the page less room than its contents need, the page
// scrolls instead of cutting them off, and the window's own minimum size stays small.
void makeScrollable(QWidget *page)
{
    QLayout *contents = page->layout();
    if (!contents)
        return;
    auto *inner = new QWidget;
    inner->setObjectName(page->objectName() + QStringLiteral("Contents"));
    inner->setLayout(contents); // takes the layout and its widgets over from the page
    auto *area = new QScrollArea(page);
    area->setObjectName(page->objectName() + QStringLiteral("ScrollArea"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(inner);
    // The page's own background shows through, as before.
    area->viewport()->setAutoFillBackground(false);
    inner->setAutoFillBackground(false);
    auto *pageLayout = new QGridLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(area, 0, 0);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    loadLanguageSetting();

    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_Hover);

    initConnections();
    initTitleBar();
    initDeviceBar();
    initNavigation();
    initPages();
    initTabs();

    initPicturePage();
    initParameterPage();
    initTempCurvePage();
    initPowerCurvePage();

    // The pages whose contents can outgrow a small window (a 1280 x 720 screen) scroll; the
    // picture tab has its own scroll area.
    for (QWidget *page : {ui->page_2, ui->page_3, ui->tab_2, ui->tab_3, ui->tab_4})
        makeScrollable(page);

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(available.width() * 7 / 8, available.height() * 7 / 8);
    }

    updateLanguageChecks(currentLanguage);
    installLanguageSlots(currentLanguage);

    appendLog(tr(" 准备就绪"));

    openUsbDeviceSlots();
    connect(this, SIGNAL(reopenHidSignals()), this, SLOT(openUsbDeviceSlots()));

    startDeviceMonitor();
}

MainWindow::~MainWindow()
{
    stopUsbThread();
    releasePictureEditor();
    delete taskDialog;
    taskDialog = nullptr;
    // The two title-bar menus have no parent; the tool buttons do not own them.
    delete systemMenu;
    systemMenu = nullptr;
    delete helpMenu;
    helpMenu = nullptr;
    delete ui;
    ui = nullptr;
}

void MainWindow::initConnections()
{
    movingWindow = false;
    resizePressed = false;
    resizing = false;
    maximized = false;

    connect(ui->closeButton, SIGNAL(clicked()), this, SLOT(close()));
    connect(ui->showMaxButton, SIGNAL(clicked()), this, SLOT(showMaxAndNoraml()));
    connect(ui->showMinButton, SIGNAL(clicked()), this, SLOT(showMinimized()));

    upgradeTimer = new QTimer(this);
    readPicTimer = new QTimer(this);
    writePicTimer = new QTimer(this);
    for (QTimer *timer : {upgradeTimer, readPicTimer, writePicTimer})
        timer->setInterval(100);
    connect(upgradeTimer, SIGNAL(timeout()), this, SLOT(updateProgressBarValue()));
    connect(readPicTimer, SIGNAL(timeout()), this, SLOT(loadReadPicSlots()));
    connect(writePicTimer, SIGNAL(timeout()), this, SLOT(checkWritePicSlots()));
    connect(usbThread(), SIGNAL(finished()), this, SLOT(workerFinishedSlots()));
    // At exit the worker is stopped and given the moment it needs to end its exchange.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            []() { destroyUsbThread(); });
}

void MainWindow::initTitleBar()
{
    ui->titleFrame->setStyleSheet(QStringLiteral("background-color:black"));
    // Before the first show the label still has its construction size; its minimum size is
    // the size the layout gives it.
    const QSize logoSize = ui->logLabel->size().expandedTo(ui->logLabel->minimumSize());
    ui->logLabel->setPixmap(
            QPixmap(QStringLiteral(":/log/log/korlex.png"))
                    .scaled(logoSize, Qt::IgnoreAspectRatio, Qt::FastTransformation));

    for (QToolButton *button : {ui->languageToolButton, ui->helpToolButton}) {
        setPointSize(button, 15);
        button->setIconSize(QSize(100, 30));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setStyleSheet(QLatin1String(titleToolButtonSheet));
    }
    ui->languageToolButton->setIcon(QIcon(QStringLiteral(":/list/ico/5.png")));
    ui->helpToolButton->setIcon(QIcon(QStringLiteral(":/list/ico/6.png")));

    ui->showMinButton->setStyleSheet(
            QStringLiteral("QPushButton{background-color:gray;border: 1px solid gray;"
                           "image: url(:/title/pic/showMin.png);}")
            + QLatin1String(windowButtonHoverSheet));
    ui->showMaxButton->setStyleSheet(
            QStringLiteral("QPushButton{background-color:gray;border: 1px solid gray;"
                           "image: url(:/title/pic/showMax.png);}")
            + QLatin1String(windowButtonHoverSheet));
    ui->closeButton->setStyleSheet(
            QStringLiteral("QPushButton{background-color:gray;border: 1px solid gray;"
                           "image: url(:/title/pic/close.png);}")
            + QLatin1String(closeButtonHoverSheet));

    // The language captions name each language in itself and in Chinese; they are never
    // translated.
    englishAction = new QAction(QStringLiteral("English(英文)"), this);
    simplifiedChineseAction = new QAction(QStringLiteral("Simplified Chinese(简体中文)"), this);
    traditionalChineseAction = new QAction(QStringLiteral("Traditional Chinese(繁体中文)"), this);
    for (QAction *action : {englishAction, simplifiedChineseAction, traditionalChineseAction}) {
        setPointSize(action, 10);
        action->setCheckable(true);
        connect(action, SIGNAL(triggered(bool)), this, SLOT(languageSelectSlots()));
    }

    languageMenu = new QMenu(this);
    setPointSize(languageMenu, 20);
    languageMenu->addAction(englishAction);
    languageMenu->addSeparator();
    languageMenu->addAction(simplifiedChineseAction);
    languageMenu->addSeparator();
    // Traditional Chinese is in no menu: only a stored setting selects it.

    quitAction = new QAction(this);
    setPointSize(quitAction, 10);
    connect(quitAction, SIGNAL(triggered()), this, SLOT(close()));

    systemMenu = new QMenu;
    systemMenu->addMenu(languageMenu);
    systemMenu->addSeparator();
    systemMenu->addAction(quitAction);
    ui->languageToolButton->setMenu(systemMenu);

    helpAction = new QAction(this);
    aboutAction = new QAction(this);
    setPointSize(helpAction, 10);
    setPointSize(aboutAction, 10);
    connect(helpAction, SIGNAL(triggered()), this, SLOT(helpSlots()));
    connect(aboutAction, SIGNAL(triggered()), this, SLOT(aboutKorlexSlots()));

    helpMenu = new QMenu;
    helpMenu->addAction(helpAction);
    helpMenu->addAction(aboutAction);
    ui->helpToolButton->setMenu(helpMenu);

    systemMenu->setStyleSheet(QLatin1String(menuSheet));
    helpMenu->setStyleSheet(QLatin1String(menuSheet));

    setTitleBarTexts();
}

void MainWindow::setTitleBarTexts()
{
    ui->languageToolButton->setText(tr("系统(&S)"));
    ui->helpToolButton->setText(tr("帮助(&H)"));
    languageMenu->setTitle(tr("语言选择"));
    quitAction->setText(tr("退出(&Q)"));
    helpAction->setText(tr("帮助文档(&H)"));
    aboutAction->setText(tr("关于(&A)"));
}

void MainWindow::initDeviceBar()
{
    const QString style = QLatin1String(deviceButtonSheet);
    ui->freshButton->setStyleSheet(style);
    ui->connnectButton->setStyleSheet(style);
    ui->unconnectButton->setStyleSheet(style);
    ui->runButton->setStyleSheet(style);
    for (QPushButton *button :
         {ui->freshButton, ui->connnectButton, ui->unconnectButton, ui->runButton})
        setPointSize(button, 11);

    connect(ui->freshButton, SIGNAL(clicked()), this, SLOT(freshUsbDeviceSlots()));
    connect(ui->connnectButton, SIGNAL(clicked()), this, SLOT(openUsbDeviceSlots()));
    connect(ui->unconnectButton, SIGNAL(clicked()), this, SLOT(closeUsbDeviceSlots()));
    connect(ui->runButton, SIGNAL(clicked()), this, SLOT(runUsbDeviceSlots()));

    setPointSize(ui->deviceNameLabel, 12);
    ui->deviceNameLabel->setAlignment(Qt::AlignCenter);
    ui->deviceNameLabel->setStyleSheet(QStringLiteral("color:white"));

    setDeviceBarTexts();
    setDeviceButtons(false);
}

void MainWindow::setDeviceBarTexts()
{
    ui->freshButton->setText(tr("刷新列表(&F)"));
    ui->connnectButton->setText(tr("连接(&C)"));
    ui->unconnectButton->setText(tr("断开(&D)"));
    ui->runButton->setText(tr("运行设备(&R)"));
    ui->deviceNameLabel->setText(tr("当前设备:"));
}

void MainWindow::initNavigation()
{
    static const char *const icons[4]
            = {":/list/ico/1.ico", ":/list/ico/2.ico", ":/list/ico/3.ico", ":/list/ico/4.ico"};
    for (int i = 0; i < int(navItems.size()); ++i) {
        auto *item = new QListWidgetItem;
        item->setData(Qt::DecorationRole, QIcon(QLatin1String(icons[i])));
        item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        item->setSizeHint(QSize(0, 32));
        QFont font = item->font();
        font.setPointSize(12);
        item->setFont(font);
        ui->listWidget->insertItem(ui->listWidget->count(), item);
        navItems[i] = item;
    }
    setNavigationTexts();

    ui->listWidget->setStyleSheet(QLatin1String(navigationSheet));

    ui->listWidget->setCurrentRow(0);
    ui->stackedWidget->setCurrentIndex(0);
    connect(ui->listWidget, SIGNAL(currentRowChanged(int)), ui->stackedWidget,
            SLOT(setCurrentIndex(int)));
}

void MainWindow::setNavigationTexts()
{
    navItems[0]->setData(Qt::DisplayRole, trMain(" 欢迎界面"));
    navItems[1]->setData(Qt::DisplayRole, trMain(" 设备信息"));
    navItems[2]->setData(Qt::DisplayRole, trMain(" 程序升级"));
    navItems[3]->setData(Qt::DisplayRole, trMain(" 用户定制"));
}

void MainWindow::initPages()
{
    ui->welcomeLogLabel->setStyleSheet(
            QStringLiteral("border-image: url(:/log/log/welcomPic.png);"));

    ui->binFileLabel->setAlignment(Qt::AlignCenter);
    ui->binFilePathLineEdit->clear();
    ui->textLabel->setAlignment(Qt::AlignCenter);
    connect(ui->openBinFileButton, SIGNAL(clicked()), this, SLOT(openBinFileSlots()));
    connect(ui->downloadButton, SIGNAL(clicked()), this, SLOT(downloadBinfileSlots()));

    const QString grayWhenDisabled = QLatin1String(disabledGraySheet);
    ui->readFromDeviceButton->setStyleSheet(grayWhenDisabled);
    ui->writeToDeviceButton->setStyleSheet(grayWhenDisabled);
    ui->loadConfigButton->setStyleSheet(grayWhenDisabled);
    ui->saveConfigButton->setStyleSheet(grayWhenDisabled);
    ui->resetDefaultButton->setStyleSheet(grayWhenDisabled);
    connect(ui->readFromDeviceButton, SIGNAL(clicked()), this, SLOT(readFromDeviceSlots()));
    connect(ui->writeToDeviceButton, SIGNAL(clicked()), this, SLOT(writeToDeviceSlots()));
    connect(ui->loadConfigButton, SIGNAL(clicked()), this, SLOT(loadConfigSlots()));
    connect(ui->saveConfigButton, SIGNAL(clicked()), this, SLOT(saveConfigSlots()));
    connect(ui->resetDefaultButton, SIGNAL(clicked()), this, SLOT(resetAllSlots()));

    setPageTexts();
}

void MainWindow::setPageTexts()
{
    ui->binFileLabel->setText(tr("选择文件"));
    ui->openBinFileButton->setText(tr("选择(&C)"));
    ui->downloadButton->setText(tr("下载(&U)"));
    ui->textLabel->setText(tr("文本信息"));

    ui->readFromDeviceButton->setText(tr("从设备读取(&1)"));
    ui->writeToDeviceButton->setText(tr("写入到设备(&2)"));
    ui->loadConfigButton->setText(trMain("加载配置文件") + QStringLiteral("(&3)"));
    ui->saveConfigButton->setText(trMain("保存配置文件") + QStringLiteral("(&4)"));
    ui->resetDefaultButton->setText(tr("全部恢复默认(&5)"));

    ui->rizhiGroupBox->setTitle(tr("日志"));
}

void MainWindow::initTabs()
{
    setTabTexts();
    ui->tabWidget->setStyleSheet(QLatin1String(tabSheet));
    ui->tabWidget->setCurrentIndex(0);
}

void MainWindow::setTabTexts()
{
    ui->tabWidget->setTabText(0, tr("    显示    "));
    ui->tabWidget->setTabText(1, tr("    参数    "));
    ui->tabWidget->setTabText(2, tr("   温度曲线    "));
    ui->tabWidget->setTabText(3, tr("  功率曲线    "));
}

void MainWindow::retranslateCodeTexts()
{
    setTitleBarTexts();
    setDeviceBarTexts();
    setNavigationTexts();
    setPageTexts();
    setTabTexts();

    retranslatePicturePage();
    ui->wenkongGroupBox->retranslateGroup();
    retranslateParameterPage();
    retranslateCurvePages();
}

void MainWindow::appendLog(const QString &text)
{
    // The line goes in as plain text: file names and device texts never turn into markup, and
    // the leading blanks of the messages are kept.
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("[hh-mm-ss]")) + text;
    QTextDocument *document = ui->rizhiTextEdit->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    if (!document->isEmpty())
        cursor.insertBlock();
    cursor.insertText(line);
    QScrollBar *bar = ui->rizhiTextEdit->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void MainWindow::logWorkingFolder()
{
    appendLog(tr(" 工作文件夹: ") + QDir::toNativeSeparators(QDir::currentPath()));
}

QString MainWindow::trMain(const char *text)
{
    return QCoreApplication::translate("main", text);
}

void MainWindow::setDeviceButtons(bool connected)
{
    ui->freshButton->setEnabled(!connected);
    ui->connnectButton->setEnabled(!connected);
    ui->unconnectButton->setEnabled(connected);
    ui->runButton->setEnabled(connected);
}

bool MainWindow::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(eventType)
    Q_UNUSED(result)
#ifdef Q_OS_WIN
    const MSG *msg = static_cast<const MSG *>(message);
    if (msg && msg->message == deviceChangeMessage)
        openUsbDeviceSlots();
#else
    Q_UNUSED(message)
    Q_UNUSED(deviceChangeMessage)
#endif
    // Qt goes on handling every message.
    return false;
}

int MainWindow::scaledPause(int ms) const
{
    return qMax(0, qRound(ms * resultPauseScale));
}

void MainWindow::finishTaskDialog(const QString &resultText, int pauseMs, bool showState,
                                  const std::function<void()> &afterClose)
{
    SendDataMsgBox *dialog = taskDialog;
    // Closes and deletes the dialog this call was made for. A new job may have opened its own
    // dialog in the meantime; that one stays.
    auto closeDialog = [this, dialog, afterClose]() {
        if (taskDialog == dialog)
            taskDialog = nullptr;
        if (dialog) {
            dialog->close();
            delete dialog;
        }
        if (afterClose)
            afterClose();
    };

    if (!showState || !dialog) {
        closeDialog();
        return;
    }
    dialog->setTaskState(resultText);
    dialog->setButtonEnabled(true);
    // The result stays visible for the pause while the event loop keeps running; the timer
    // dies with the window, whose destructor deletes a dialog still shown.
    QTimer::singleShot(scaledPause(pauseMs), this, closeDialog);
}
