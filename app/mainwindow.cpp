#include "app/mainwindow.h"

#include "app/framelesswindow.h"
#include "catalogue/devicemodels.h"
#include "device/device.h"
#include "device/devicemanager.h"
#include "device/ui/connectionbar.h"
#include "device/ui/deviceinfopage.h"
#include "device/ui/jobdialog.h"
#include "pictures/ui/customisationpage.h"
#include "shell/about.h"
#include "shell/help.h"
#include "shell/texts.h"
#include "upgrade/ui/upgradepage.h"
#include "widgets/msgbox.h"

#include "ui_mainwindow.h"

#include <QAction>
#include <QCloseEvent>
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
#include <QTranslator>

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

const char *const menuSheet = "border:2px solid rgb(85,255,255)";

const char *const navigationSheet = "QListWidget{background-color: rgb(80, 90, 100);color:white;}"
                                    "QListWidget::Item:hover{background:skyblue; }"
                                    "QListWidget::item:selected{background:rgb(85, 255, 255);}";

// The navigation rows, one per page of the stack.
enum : int { WelcomeRow = 0, DeviceRow = 1, UpgradeRow = 2, CustomisationRow = 3, RowCount = 4 };

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
    loadDeviceModels();
    currentLanguage = storedLanguage();

    m_frame = new FramelessWindow(this, ui->showMaxButton);
    connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->showMinButton, &QPushButton::clicked, this, &QWidget::showMinimized);

    m_devices = new DeviceManager(hidBackend(), this);
    buildTitleBar();
    buildNavigation();
    buildPages();

    // The pages whose contents can outgrow a small window (a 1280 x 720 screen) scroll; the
    // picture tab has its own scroll area.
    for (QWidget *page : {ui->page_2, ui->page_3, ui->tab_2, ui->tab_3, ui->tab_4})
        makeScrollable(page);

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(available.width() * 7 / 8, available.height() * 7 / 8);
    }

    updateLanguageChecks(currentLanguage);
    installLanguage(currentLanguage);

    appendLog(tr(" 准备就绪"));
    // A device already plugged in is connected now, and every one plugged in later as it comes.
    m_bar->start();
}

MainWindow::~MainWindow()
{
    // Every device's job is stopped and its worker joined while the pages that follow the jobs
    // still exist.
    delete m_devices;
    m_devices = nullptr;
    delete ui;
}

void MainWindow::buildTitleBar()
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
    m_english = new QAction(QStringLiteral("English(英文)"), this);
    m_english->setObjectName(QStringLiteral("englishAction"));
    m_simplifiedChinese = new QAction(QStringLiteral("Simplified Chinese(简体中文)"), this);
    m_simplifiedChinese->setObjectName(QStringLiteral("simplifiedChineseAction"));
    m_traditionalChinese = new QAction(QStringLiteral("Traditional Chinese(繁体中文)"), this);
    m_traditionalChinese->setObjectName(QStringLiteral("traditionalChineseAction"));
    for (QAction *action : {m_english, m_simplifiedChinese, m_traditionalChinese}) {
        setPointSize(action, 10);
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, action]() { selectLanguage(action); });
    }

    auto *systemMenu = new QMenu(this);
    systemMenu->setObjectName(QStringLiteral("systemMenu"));
    m_languageMenu = new QMenu(systemMenu);
    m_languageMenu->setObjectName(QStringLiteral("languageMenu"));
    setPointSize(m_languageMenu, 20);
    m_languageMenu->addAction(m_english);
    m_languageMenu->addSeparator();
    m_languageMenu->addAction(m_simplifiedChinese);
    m_languageMenu->addSeparator();
    // Traditional Chinese is in no menu: only a stored setting selects it.

    m_quit = new QAction(this);
    m_quit->setObjectName(QStringLiteral("quitAction"));
    setPointSize(m_quit, 10);
    connect(m_quit, &QAction::triggered, this, &QWidget::close);
    systemMenu->addMenu(m_languageMenu);
    systemMenu->addSeparator();
    systemMenu->addAction(m_quit);
    ui->languageToolButton->setMenu(systemMenu);

    m_help = new QAction(this);
    m_help->setObjectName(QStringLiteral("helpAction"));
    m_about = new QAction(this);
    m_about->setObjectName(QStringLiteral("aboutAction"));
    setPointSize(m_help, 10);
    setPointSize(m_about, 10);
    connect(m_help, &QAction::triggered, this, &MainWindow::openHelp);
    connect(m_about, &QAction::triggered, this, &MainWindow::showAbout);
    auto *helpMenu = new QMenu(this);
    helpMenu->setObjectName(QStringLiteral("helpMenu"));
    helpMenu->addAction(m_help);
    helpMenu->addAction(m_about);
    ui->helpToolButton->setMenu(helpMenu);

    systemMenu->setStyleSheet(QLatin1String(menuSheet));
    helpMenu->setStyleSheet(QLatin1String(menuSheet));
    setTitleBarTexts();
}

void MainWindow::setTitleBarTexts()
{
    ui->languageToolButton->setText(tr("系统(&S)"));
    ui->helpToolButton->setText(tr("帮助(&H)"));
    m_languageMenu->setTitle(tr("语言选择"));
    m_quit->setText(tr("退出(&Q)"));
    m_help->setText(tr("帮助文档(&H)"));
    m_about->setText(tr("关于(&A)"));
}

void MainWindow::buildNavigation()
{
    static const char *const icons[RowCount]
            = {":/list/ico/1.ico", ":/list/ico/2.ico", ":/list/ico/3.ico", ":/list/ico/4.ico"};
    for (const char *icon : icons) {
        auto *item = new QListWidgetItem;
        item->setData(Qt::DecorationRole, QIcon(QLatin1String(icon)));
        item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        item->setSizeHint(QSize(0, 32));
        QFont font = item->font();
        font.setPointSize(12);
        item->setFont(font);
        ui->listWidget->insertItem(ui->listWidget->count(), item);
    }
    setNavigationTexts();

    ui->listWidget->setStyleSheet(QLatin1String(navigationSheet));
    ui->listWidget->setCurrentRow(WelcomeRow);
    ui->stackedWidget->setCurrentIndex(WelcomeRow);
    connect(ui->listWidget, &QListWidget::currentRowChanged, ui->stackedWidget,
            &QStackedWidget::setCurrentIndex);
}

void MainWindow::setNavigationTexts()
{
    static const char *const texts[RowCount]
            = {QT_TRANSLATE_NOOP("main", " 欢迎界面"), QT_TRANSLATE_NOOP("main", " 设备信息"),
               QT_TRANSLATE_NOOP("main", " 程序升级"), QT_TRANSLATE_NOOP("main", " 用户定制")};
    for (int row = 0; row < RowCount; ++row)
        ui->listWidget->item(row)->setData(Qt::DisplayRole, trMain(texts[row]));
}

void MainWindow::buildPages()
{
    ui->welcomeLogLabel->setStyleSheet(
            QStringLiteral("border-image: url(:/log/log/welcomPic.png);"));

    m_bar = new ConnectionBar(m_devices, ui->toolFrame, this);
    m_infoPage = new DeviceInfoPage(ui->page_2, this);
    m_upgradePage = new UpgradePage(ui->page_3, this);
    m_customisation = new CustomisationPage(ui->page_4, this);

    connect(m_bar, &ConnectionBar::logLine, this, &MainWindow::appendLog);
    for (DevicePage *page :
         std::initializer_list<DevicePage *>{m_infoPage, m_upgradePage, m_customisation})
        connect(page, &DevicePage::logLine, this, &MainWindow::appendLog);
    connect(m_bar, &ConnectionBar::deviceChosen, this, &MainWindow::chooseDevice);
    // The foreign device's own program has started: make way for it.
    connect(m_bar, &ConnectionBar::handOverRequested, this,
            [this]() { QTimer::singleShot(1, this, &QWidget::close); });
    connect(m_customisation, &CustomisationPage::offered, this, &MainWindow::offerCustomisation);
    ui->rizhiGroupBox->setTitle(tr("日志"));
}

void MainWindow::retranslateCodeTexts()
{
    setTitleBarTexts();
    m_bar->retranslate();
    setNavigationTexts();
    m_upgradePage->retranslate();
    m_customisation->retranslate();
    ui->rizhiGroupBox->setTitle(tr("日志"));
}

void MainWindow::chooseDevice(Device *device)
{
    m_infoPage->setDevice(device);
    m_upgradePage->setDevice(device);
    m_customisation->setDevice(device);
}

void MainWindow::offerCustomisation(bool offered)
{
    // The colour screens have no customisation page; the welcome page shows whenever the
    // entry comes or goes.
    QListWidgetItem *item = ui->listWidget->item(CustomisationRow);
    if (offered) {
        if (item->isHidden()) {
            item->setHidden(false);
            ui->listWidget->setCurrentRow(WelcomeRow);
        }
    } else {
        item->setHidden(true);
        if (ui->listWidget->currentRow() == CustomisationRow)
            ui->listWidget->setCurrentRow(WelcomeRow);
    }
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

void MainWindow::setResultPauseScale(double scale)
{
    JobDialog::setPauseScale(scale);
}

void MainWindow::selectLanguage(QAction *action)
{
    ui->rizhiTextEdit->clear();

    // These three lines are written in the language being switched to and never translated.
    Language language = English;
    if (action == m_english) {
        appendLog(QStringLiteral(" Switch language to English"));
        language = English;
    } else if (action == m_simplifiedChinese) {
        appendLog(QStringLiteral(" 切换语言至简体中文"));
        language = SimplifiedChinese;
    } else if (action == m_traditionalChinese) {
        appendLog(QStringLiteral(" 切换语言至繁体中文"));
        language = TraditionalChinese;
    }

    currentLanguage = language;
    storeLanguage(language);
    updateLanguageChecks(language);
    installLanguage(language);
}

void MainWindow::installLanguage(Language language)
{
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator);
        delete m_translator;
        m_translator = nullptr;
    }
    m_translator = new QTranslator(this);
    if (!m_translator->load(translationFile(language)))
        return; // the texts stay as they are

    QCoreApplication::installTranslator(m_translator);
    ui->retranslateUi(this);
    retranslateCodeTexts();
}

void MainWindow::updateLanguageChecks(Language language)
{
    if (!isKnownLanguage(language))
        return;
    m_english->setChecked(language == English);
    m_simplifiedChinese->setChecked(language == SimplifiedChinese);
    m_traditionalChinese->setChecked(language == TraditionalChinese);
}

QString MainWindow::helpFilePath() const
{
    if (m_english->isChecked())
        return ::helpFilePath(English);
    if (m_simplifiedChinese->isChecked())
        return ::helpFilePath(SimplifiedChinese);
    if (m_traditionalChinese->isChecked())
        return ::helpFilePath(TraditionalChinese);
    return QString();
}

void MainWindow::openHelp()
{
    const QString path = helpFilePath();
    if (path.isEmpty())
        return;
    const QString problem = openHelpFile(path);
    if (!problem.isEmpty())
        appendLog(problem);
}

void MainWindow::showAbout()
{
    About about(nullptr);
    about.exec();
}

bool MainWindow::confirmClose()
{
    bool upgrading = false;
    bool writingPictures = false;
    QList<Job *> running;
    for (Device *device : m_devices->devices()) {
        Job *job = device->currentJob();
        if (!job)
            continue;
        running << job;
        upgrading = upgrading || job->kind() == JobKind::Upgrade;
        // A restore writes the pictures of a backup too.
        writingPictures = writingPictures || job->kind() == JobKind::PictureWrite
                          || job->kind() == JobKind::Restore;
    }
    if (upgrading || writingPictures) {
        QStringList consequences;
        if (upgrading)
            consequences << trMain("正在升级固件: 现在关闭会使设备停留在引导程序中, "
                                   "直到再次用升级文件升级。");
        if (writingPictures)
            consequences << trMain("正在向设备写入图片: 现在关闭会使设备上的图片不完整。");
        const bool closing
                = QuestionBox::ask(trMain(" 提示 "), consequences.join(QLatin1Char('\n')),
                                   trMain("强制关闭(&C)"), trMain("继续运行(&K)"), this);
        if (!closing)
            return false;
    }
    // Nothing is asked for after this; the jobs end within a moment, and the device manager
    // joins their workers when the window goes.
    for (Job *job : qAsConst(running))
        job->cancel();
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool MainWindow::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(eventType)
    Q_UNUSED(result)
#ifdef Q_OS_WIN
    const MSG *msg = static_cast<const MSG *>(message);
    if (msg && msg->message == deviceChangeMessage)
        m_bar->connectDevices();
#else
    Q_UNUSED(message)
    Q_UNUSED(deviceChangeMessage)
#endif
    // Qt goes on handling every message.
    return false;
}
