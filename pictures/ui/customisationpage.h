#ifndef PICTURES_UI_CUSTOMISATIONPAGE_H
#define PICTURES_UI_CUSTOMISATIONPAGE_H

#include "device/ui/devicepage.h"

class ParameterPage;
class PicturePage;
class PowerCurvePage;
class QPushButton;
class QTabWidget;
class ResourceLoadJob;
class TemperatureCurvePage;

// The customisation page: its tabs (pictures, parameters, temperature and power curves), the
// page-level commands that act on the current tab (read, write, restore all defaults), and the
// user resource file, which its load and save buttons and those of the curve tabs use. The page
// follows the screen format of the chosen device: the colour screen has neither pictures to
// edit here nor curves, and the window does not offer the page for it.
class CustomisationPage : public DevicePage
{
    Q_OBJECT

public:
    // page is the customisation page of the window's form.
    explicit CustomisationPage(QWidget *page, QObject *parent = nullptr);

    PicturePage *picturePage() const { return m_pictures; }
    ParameterPage *parameterPage() const { return m_parameters; }
    TemperatureCurvePage *temperaturePage() const { return m_temperature; }
    PowerCurvePage *powerPage() const { return m_power; }

    // The page-level commands.
    void readFromDevice();
    void writeToDevice();
    void restoreAllDefaults();

    // Saves or loads the user resource file of the chosen device, the sections named (see
    // ResourceFile), as the buttons do once their file dialog has given the file. The job
    // runs on; the signal below tells when a save has ended. False when it did not start.
    bool saveResourceFile(const QString &path, unsigned sections);
    bool loadResourceFile(const QString &path, unsigned sections);

    void retranslate() override;

signals:
    // Whether the window offers the page for the device shown.
    void offered(bool offered);
    void resourceFileSaved(const QString &path, bool saved);

protected:
    void showDevice() override;

private:
    void saveResourceFileAs(unsigned sections);
    void loadResourceFileFrom(unsigned sections);
    void resourceLoadEnded(ResourceLoadJob *job);
    void adaptToScreenFormat(int format);

    QTabWidget *m_tabs;
    QPushButton *m_read;
    QPushButton *m_write;
    QPushButton *m_load;
    QPushButton *m_save;
    QPushButton *m_reset;
    QList<QWidget *> m_monoOnly; // the parameter tab's controls that the colour screen lacks
    QWidget *m_clockGroup;
    QWidget *m_setClock;
    QWidget *m_readClock;

    PicturePage *m_pictures;
    ParameterPage *m_parameters;
    TemperatureCurvePage *m_temperature;
    PowerCurvePage *m_power;
};

#endif // PICTURES_UI_CUSTOMISATIONPAGE_H
