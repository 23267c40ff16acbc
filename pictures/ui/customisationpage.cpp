#include "pictures/ui/customisationpage.h"

#include "device/device.h"
#include "parameters/ui/curvepages.h"
#include "parameters/ui/parameterpage.h"
#include "pictures/resourcefile.h"
#include "pictures/resourcejobs.h"
#include "pictures/ui/picturepage.h"
#include "shell/texts.h"
#include "widgets/msgbox.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>

namespace {

enum Tab : int { PictureTab = 0, ParameterTab = 1, TemperatureTab = 2, PowerTab = 3 };

const char *const tabSheet = "QTabBar::tab:selected{background-color: rgb(85, 255, 255);color:red;}"
                             "QTabBar::tab:disabled{width: 0; color: transparent;}";
const char *const disabledGraySheet = "QPushButton:disabled{background-color:gray;}";
const char *const fileFilter = "File(*.ct_user)";

QString desktopFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

// The resource file's messages, shown one after the other once the job's signal is handled.
void showResourceMessages(const QStringList &texts)
{
    if (texts.isEmpty())
        return;
    QTimer::singleShot(0, [texts]() {
        for (const QString &text : texts)
            delete new MsgBox(QCoreApplication::translate("main", " 提示 "), text, 1000);
    });
}

} // namespace

CustomisationPage::CustomisationPage(QWidget *page, QObject *parent)
    : DevicePage(parent)
    , m_tabs(formWidget<QTabWidget>(page, "tabWidget"))
    , m_read(formWidget<QPushButton>(page, "readFromDeviceButton"))
    , m_write(formWidget<QPushButton>(page, "writeToDeviceButton"))
    , m_load(formWidget<QPushButton>(page, "loadConfigButton"))
    , m_save(formWidget<QPushButton>(page, "saveConfigButton"))
    , m_reset(formWidget<QPushButton>(page, "resetDefaultButton"))
    , m_monoOnly{formWidget<QWidget>(page, "wenkongGroupBox"), formWidget<QWidget>(page, "frame_2"),
                 formWidget<QWidget>(page, "frame_3"), formWidget<QWidget>(page, "paraButton")}
    , m_clockGroup(formWidget<QWidget>(page, "timeGroup"))
    , m_setClock(formWidget<QWidget>(page, "setTimePushButton"))
    , m_readClock(formWidget<QWidget>(page, "readTimePushbutton"))
{
    m_pictures = new PicturePage(formWidget<QWidget>(page, "tab"), this);
    m_parameters = new ParameterPage(formWidget<QWidget>(page, "tab_2"), this);
    m_temperature = new TemperatureCurvePage(m_tabs, formWidget<QWidget>(page, "tab_3"), this);
    m_power = new PowerCurvePage(m_tabs, formWidget<QWidget>(page, "tab_4"), this);
    for (DevicePage *part :
         std::initializer_list<DevicePage *>{m_pictures, m_parameters, m_temperature, m_power})
        connect(part, &DevicePage::logLine, this, &DevicePage::logLine);
    connect(m_pictures, &PicturePage::screenFormatShown, this,
            &CustomisationPage::adaptToScreenFormat);

    for (QPushButton *button : {m_read, m_write, m_load, m_save, m_reset})
        button->setStyleSheet(QLatin1String(disabledGraySheet));
    connect(m_read, &QPushButton::clicked, this, &CustomisationPage::readFromDevice);
    connect(m_write, &QPushButton::clicked, this, &CustomisationPage::writeToDevice);
    connect(m_reset, &QPushButton::clicked, this, &CustomisationPage::restoreAllDefaults);
    const auto fileButtons
            = {std::make_pair(m_save, std::make_pair(true, unsigned(ResourceFile::AllSections))),
               std::make_pair(m_load, std::make_pair(false, unsigned(ResourceFile::AllSections))),
               std::make_pair(formWidget<QPushButton>(page, "saveWkConfigButton"),
                              std::make_pair(true, unsigned(ResourceFile::TempSection))),
               std::make_pair(formWidget<QPushButton>(page, "loadWkConfigButton"),
                              std::make_pair(false, unsigned(ResourceFile::TempSection))),
               std::make_pair(formWidget<QPushButton>(page, "savePowerConfigButton"),
                              std::make_pair(true, unsigned(ResourceFile::PowerSection))),
               std::make_pair(formWidget<QPushButton>(page, "loadPowerConfigButton"),
                              std::make_pair(false, unsigned(ResourceFile::PowerSection)))};
    for (const auto &button : fileButtons) {
        const bool save = button.second.first;
        const unsigned sections = button.second.second;
        connect(button.first, &QPushButton::clicked, this, [this, save, sections]() {
            if (save)
                saveResourceFileAs(sections);
            else
                loadResourceFileFrom(sections);
        });
    }

    m_tabs->setStyleSheet(QLatin1String(tabSheet));
    m_tabs->setCurrentIndex(PictureTab);
    retranslate();
}

void CustomisationPage::retranslate()
{
    m_read->setText(trWindow("从设备读取(&1)"));
    m_write->setText(trWindow("写入到设备(&2)"));
    m_load->setText(trMain("加载配置文件") + QStringLiteral("(&3)"));
    m_save->setText(trMain("保存配置文件") + QStringLiteral("(&4)"));
    m_reset->setText(trWindow("全部恢复默认(&5)"));
    m_tabs->setTabText(PictureTab, trWindow("    显示    "));
    m_tabs->setTabText(ParameterTab, trWindow("    参数    "));
    m_tabs->setTabText(TemperatureTab, trWindow("   温度曲线    "));
    m_tabs->setTabText(PowerTab, trWindow("  功率曲线    "));
    for (DevicePage *part :
         std::initializer_list<DevicePage *>{m_pictures, m_parameters, m_temperature, m_power})
        part->retranslate();
}

void CustomisationPage::showDevice()
{
    for (DevicePage *part :
         std::initializer_list<DevicePage *>{m_pictures, m_parameters, m_temperature, m_power})
        part->setDevice(device());
}

void CustomisationPage::readFromDevice()
{
    // The parameters and curves come only with the device's information when it connects; the
    // page-level read fetches the pictures of the monochrome screens.
    if (m_tabs->currentIndex() == PictureTab)
        m_pictures->readPictures();
}

void CustomisationPage::writeToDevice()
{
    if (!deviceConnected())
        return;
    switch (m_tabs->currentIndex()) {
    case PictureTab:
        m_pictures->writePictures();
        break;
    case ParameterTab:
        m_parameters->writeParameters();
        break;
    case TemperatureTab:
        m_temperature->writeCurve();
        break;
    case PowerTab:
        m_power->writeCurve();
        break;
    default:
        break;
    }
}

void CustomisationPage::restoreAllDefaults()
{
    // Nothing is sent: the user writes the restored values with the write command.
    m_pictures->restoreDefaultPictures();
    m_parameters->restoreDefaults();
    m_temperature->restoreAllGroups();
    m_power->restoreAllGroups();
}

void CustomisationPage::adaptToScreenFormat(int format)
{
    const bool mono = format != 2;
    for (QWidget *widget : {static_cast<QWidget *>(m_read), static_cast<QWidget *>(m_load),
                            static_cast<QWidget *>(m_save), static_cast<QWidget *>(m_write),
                            static_cast<QWidget *>(m_reset)})
        widget->setVisible(mono);
    for (QWidget *widget : qAsConst(m_monoOnly))
        widget->setVisible(mono);
    m_clockGroup->setVisible(!mono);
    if (!mono) {
        m_setClock->hide();
        m_readClock->hide();
    }
    for (int tab : {PictureTab, TemperatureTab, PowerTab})
        m_tabs->setTabEnabled(tab, mono);
    m_tabs->setStyleSheet(QLatin1String(tabSheet));
    emit offered(mono);
}

void CustomisationPage::saveResourceFileAs(unsigned sections)
{
    if (!deviceConnected())
        return;
    const QString path = QFileDialog::getSaveFileName(m_save->window(), trMain("保存用户资源文件"),
                                                      desktopFolder() + QStringLiteral("/custom"),
                                                      QLatin1String(fileFilter));
    if (!path.isEmpty())
        saveResourceFile(path, sections);
}

bool CustomisationPage::saveResourceFile(const QString &path, unsigned sections)
{
    // The shown group of each curve tab is its widget, which holds the edits.
    m_temperature->storeShownGroup();
    m_power->storeShownGroup();
    auto *job
            = new ResourceSaveJob(device(), path, sections, ResourcePictures::Set, QString(), this);
    if (!startJob(job))
        return false;
    connect(job, &Job::finished, this, [this, job, path](const JobResult &result) {
        job->deleteLater();
        if (!result.succeeded())
            showResourceMessages({trMain("保存资源文件失败")});
        emit resourceFileSaved(path, result.succeeded());
    });
    return true;
}

void CustomisationPage::loadResourceFileFrom(unsigned sections)
{
    const QString path = QFileDialog::getOpenFileName(m_load->window(), trMain("用户资源文件"),
                                                      desktopFolder(), QLatin1String(fileFilter));
    if (!path.isEmpty())
        loadResourceFile(path, sections);
}

bool CustomisationPage::loadResourceFile(const QString &path, unsigned sections)
{
    log(trMain(" 加载资源文件"));
    // The curves the file does not replace keep the edits of the shown groups.
    m_temperature->storeShownGroup();
    m_power->storeShownGroup();
    auto *job = new ResourceLoadJob(device(), path, sections, this);
    if (!startJob(job))
        return false;
    connect(job, &Job::finished, this, [this, job]() {
        resourceLoadEnded(job);
        job->deleteLater();
    });
    return true;
}

void CustomisationPage::resourceLoadEnded(ResourceLoadJob *job)
{
    const JobResult &result = job->result();
    if (!result.succeeded()) {
        switch (result.cause) {
        case JobCause::Damaged:
            showResourceMessages({trMain(" 文件损坏 ")});
            break;
        case JobCause::WrongDevice:
            showResourceMessages({trMain("资源文件与当前设备不匹配")});
            break;
        default:
            showResourceMessages({trMain("打开文件失败")});
            break;
        }
        return;
    }
    // Every line that passed its checks is loaded; each damaged one is named.
    const QString corrupted = trMain(" 文件损坏 ");
    QStringList messages;
    for (const ResourceLoadEvent &event : job->events()) {
        switch (event.kind) {
        case ResourceLoadEvent::PictureUnwritable: {
            // The slot keeps its file and its mark; the user learns why the picture is missing.
            const QString text
                    = trMain(" 第 %1 张图片无法保存: %2").arg(event.index + 1).arg(event.error);
            messages << text;
            log(text);
            break;
        }
        case ResourceLoadEvent::PowerCorrupted:
            messages << corrupted;
            log(corrupted);
            break;
        case ResourceLoadEvent::PictureCorrupted:
        case ResourceLoadEvent::TempCorrupted:
            messages << corrupted;
            break;
        default:
            break;
        }
    }
    if (job->device() == device()) {
        m_temperature->showLoadedGroups(job->loadedTemperatureGroups());
        m_power->showLoadedGroups(job->loadedPowerGroups());
        if (!job->storedPictures().isEmpty())
            m_pictures->showPictureSet();
    }
    showResourceMessages(messages);
}
