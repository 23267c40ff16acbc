#ifndef PARAMETERS_UI_PARAMETERPAGE_H
#define PARAMETERS_UI_PARAMETERPAGE_H

#include "device/ui/devicepage.h"
#include "parameters/parameterrecord.h"

class MyGroupBox;
class MySlider;
class QGroupBox;
class QLabel;
class QPushButton;

// The parameter tab of the customisation page: the coil material table, the screen brightness,
// the longest puff, and the clock group (set and read the device clock, restore the factory
// settings). The controls hold the user's edits; a write sends what they show. A connection
// that read the device's parameters shows them.
class ParameterPage : public DevicePage
{
    Q_OBJECT

public:
    // tab is the parameter tab of the window's form.
    explicit ParameterPage(QWidget *tab, QObject *parent = nullptr);

    // The parameters as the controls show them: what a write sends.
    ParameterRecord shownParameters() const;
    // The page-level write on this tab.
    void writeParameters();
    // The parameters' share of restoring all defaults: the coil table's defaults with its first
    // three rows selected, a puff of 10 s and brightness 200. Nothing is sent.
    void restoreDefaults();

    void retranslate() override;

protected:
    void showDevice() override;
    void followDevice(Device *device, QObject *context) override;

private:
    // Shows a record read from the device; a puff time the slider cannot show is shown at its
    // nearest end, and said so in the log when reportRange is set.
    void showParameters(const ParameterRecord &record, bool reportRange);
    void showBrightness(int value);
    void showPuffTime(int seconds);
    void writeClock();
    void readClock();
    void restoreFactorySettings();

    MyGroupBox *m_coils;
    MySlider *m_brightness;
    MySlider *m_puff;
    QLabel *m_brightnessValue;
    QLabel *m_puffValue;
    QLabel *m_brightnessCaption;
    QLabel *m_puffCaption;
    QPushButton *m_coilDefaults;
    QPushButton *m_setClock;
    QPushButton *m_readClock;
    QPushButton *m_factoryReset;
    QGroupBox *m_clockGroup;
};

#endif // PARAMETERS_UI_PARAMETERPAGE_H
