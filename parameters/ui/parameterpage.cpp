#include "parameters/ui/parameterpage.h"

#include "device/device.h"
#include "device/devicejobs.h"
#include "parameters/widgets/mygroupbox.h"
#include "parameters/widgets/myslider.h"
#include "shell/texts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

QString taskText()
{
    return QStringLiteral(" [") + QCoreApplication::translate("main", "写用户资源作业")
           + QLatin1Char(']');
}

} // namespace

ParameterPage::ParameterPage(QWidget *tab, QObject *parent)
    : DevicePage(parent)
    , m_coils(formWidget<MyGroupBox>(tab, "wenkongGroupBox"))
    , m_brightness(formWidget<MySlider>(tab, "lcdBrightSlider"))
    , m_puff(formWidget<MySlider>(tab, "smokeSlider"))
    , m_brightnessValue(formWidget<QLabel>(tab, "lcdBrightValueLabel"))
    , m_puffValue(formWidget<QLabel>(tab, "smokeValueLabel"))
    , m_brightnessCaption(formWidget<QLabel>(tab, "lightLlabel"))
    , m_puffCaption(formWidget<QLabel>(tab, "smokeLabel"))
    , m_coilDefaults(formWidget<QPushButton>(tab, "paraButton"))
    , m_setClock(formWidget<QPushButton>(tab, "setTimePushButton"))
    , m_readClock(formWidget<QPushButton>(tab, "readTimePushbutton"))
    , m_factoryReset(formWidget<QPushButton>(tab, "setTimeDefaultButton"))
    , m_clockGroup(formWidget<QGroupBox>(tab, "timeGroup"))
{
    m_coils->setDefaultValueSlots();
    m_puff->setValueSuffix(QStringLiteral(" s"));
    m_brightness->setValueSuffix(QStringLiteral(" nit"));
    retranslate();

    // The page's own Default button restores the coil table only, not the sliders.
    connect(m_coilDefaults, &QPushButton::clicked, m_coils, &MyGroupBox::setDefaultValueSlots);
    connect(m_brightness, &MySlider::valueChanged, this, &ParameterPage::showBrightness);
    connect(m_puff, &MySlider::valueChanged, this, &ParameterPage::showPuffTime);
    connect(m_setClock, &QPushButton::clicked, this, &ParameterPage::writeClock);
    connect(m_readClock, &QPushButton::clicked, this, &ParameterPage::readClock);
    connect(m_factoryReset, &QPushButton::clicked, this, &ParameterPage::restoreFactorySettings);

    // Shown again for the colour screen format (see the customisation page).
    m_clockGroup->hide();
}

void ParameterPage::retranslate()
{
    m_brightnessCaption->setText(trWindow("屏幕亮度"));
    m_puffCaption->setText(trWindow("最大吸烟时间"));
    m_coilDefaults->setText(trMain("恢复本页默认值(&B)"));
    m_coils->retranslateGroup();
    // The form's re-translation puts its design-time numbers into the value labels; they show
    // what the sliders hold instead.
    showBrightness(m_brightness->value());
    showPuffTime(m_puff->value());
}

void ParameterPage::showBrightness(int value)
{
    m_brightnessValue->setText(QString::number(value));
}

void ParameterPage::showPuffTime(int seconds)
{
    m_puffValue->setText(QString::number(seconds));
}

void ParameterPage::showDevice()
{
    if (device() && device()->hasRecord())
        showParameters(device()->parameters(), false);
}

void ParameterPage::followDevice(Device *device, QObject *context)
{
    connect(device, &Device::connectFinished, context, [this, device](ConnectStatus status) {
        if (status == ConnectStatus::Connected && device->hasRecord())
            showParameters(device->parameters(), true);
    });
}

void ParameterPage::showParameters(const ParameterRecord &record, bool reportRange)
{
    for (int row = 0; row < ParameterRecord::CoilCount; ++row) {
        m_coils->setCoefficientValue(row, record.coilValues[row]);
        m_coils->setRowSelected(row, record.coilOn[row]);
    }
    m_brightness->setValue(record.brightness);
    // What the slider shows is what a write sends back: a reported time outside its range is
    // shown at the nearest end, and the log says so.
    const int seconds = record.puffSeconds();
    const int shown = qBound(m_puff->minimum(), seconds, m_puff->maximum());
    m_puff->setValue(shown);
    if (shown != seconds && reportRange) {
        log(trMain(" 设备报告的抽吸时间为 %1 秒, 超出范围, 显示为 %2 秒").arg(seconds).arg(shown));
    }
}

ParameterRecord ParameterPage::shownParameters() const
{
    ParameterRecord record = device() ? device()->parameters() : ParameterRecord::defaults();
    for (int row = 0; row < ParameterRecord::CoilCount; ++row) {
        record.coilOn[row] = m_coils->isRowSelected(row);
        record.coilValues[row] = quint16(m_coils->coefficientValue(row));
    }
    record.brightness = quint16(m_brightness->value());
    record.setPuffSeconds(m_puff->value());
    return record;
}

void ParameterPage::writeParameters()
{
    if (!deviceConnected())
        return;
    auto *job = new ParametersWriteJob(device(), shownParameters(), this);
    if (!startJob(job))
        return;
    log(taskText());
    connect(job, &Job::finished, this, [this, job](const JobResult &result) {
        log(taskText() + (result.succeeded() ? trMain(" 成功") : trMain(" 失败")));
        job->deleteLater();
    });
}

void ParameterPage::restoreDefaults()
{
    m_coils->setDefaultValueSlots();
    for (int row = 0; row < ParameterRecord::DefaultCoilsOn; ++row)
        m_coils->setRowSelected(row, true);
    m_puff->setValue(ParameterRecord::DefaultPuffSeconds);
    m_brightness->setValue(ParameterRecord::DefaultBrightness);
}

void ParameterPage::writeClock()
{
    // The two clock lines are fixed texts of the device's own tool and are not translated.
    const QString failed = QStringLiteral("设置时间失败");
    if (!deviceConnected()) {
        log(failed);
        return;
    }
    auto *job = new ClockWriteJob(device(), QDateTime::currentDateTime(), this);
    if (!startJob(job))
        return;
    connect(job, &Job::finished, this, [this, job, failed](const JobResult &result) {
        log(result.succeeded() ? QStringLiteral("设置时间成功") : failed);
        job->deleteLater();
    });
}

void ParameterPage::readClock()
{
    const QString failed = QStringLiteral(" 读取时间失败");
    if (!deviceConnected()) {
        log(failed);
        return;
    }
    auto *job = new ClockReadJob(device(), this);
    if (!startJob(job))
        return;
    connect(job, &Job::finished, this, [this, job, failed](const JobResult &result) {
        job->deleteLater();
        if (!result.succeeded()) {
            log(failed);
            return;
        }
        const std::array<quint8, 6> clock = job->clock();
        log(QStringLiteral(" %1-%2-%3  %4:%5:%6")
                    .arg(clock[0])
                    .arg(clock[1])
                    .arg(clock[2])
                    .arg(clock[3])
                    .arg(clock[4])
                    .arg(clock[5]));
    });
}

void ParameterPage::restoreFactorySettings()
{
    if (!deviceConnected()) {
        log(QStringLiteral(" 设备未连接!"));
        return;
    }
    // The job connects the device again when it has ended, and the page shows the factory
    // settings it then reads.
    auto *job = new FactoryResetJob(device(), this);
    if (!startJob(job))
        return;
    connect(job, &Job::finished, this, [this, job](const JobResult &result) {
        log(result.succeeded() ? QStringLiteral(" 恢复出厂设置成功!")
                               : QStringLiteral(" 恢复出厂设置失败!"));
        job->deleteLater();
    });
}
