#ifndef APP_MAINWINDOW_H
#define APP_MAINWINDOW_H

#include "shell/language.h"

#include <QMainWindow>
#include <QString>

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
class QAction;
class QMenu;
class QTranslator;
QT_END_NAMESPACE

class ConnectionBar;
class CustomisationPage;
class Device;
class DeviceInfoPage;
class DeviceManager;
class FramelessWindow;
class UpgradePage;

// The window's frame: the title bar with the System and Help menus, the device bar, the
// navigation list over the pages, and the log panel. It watches the plugged devices through a
// device manager and hands the device the user chose to the pages (see ConnectionBar,
// DeviceInfoPage, UpgradePage, CustomisationPage), which carry the commands.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Appends one time-stamped line to the log panel.
    void appendLog(const QString &text);
    // Names the working folder (picture folders, dev/device) in the log; once, at start-up.
    void logWorkingFolder();
    DeviceManager *deviceManager() const { return m_devices; }
    // The pause that shows a job's result before its dialog closes; tests shorten it.
    void setResultPauseScale(double scale);
    // The user guide of the language checked in the language menu (empty when none is).
    QString helpFilePath() const;

protected:
    // Asks first while an upgrade, a picture write or a restore runs on any device.
    void closeEvent(QCloseEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private:
    void buildTitleBar();
    void setTitleBarTexts();
    void buildNavigation();
    void setNavigationTexts();
    void buildPages();
    void retranslateCodeTexts();
    void selectLanguage(QAction *action);
    void installLanguage(Language language);
    void updateLanguageChecks(Language language);
    void openHelp();
    void showAbout();
    void chooseDevice(Device *device);
    void offerCustomisation(bool offered);
    // Whether the window may close now; cancels the running jobs when it may.
    bool confirmClose();

    Ui::MainWindow *ui;
    DeviceManager *m_devices = nullptr;
    FramelessWindow *m_frame = nullptr;
    ConnectionBar *m_bar = nullptr;
    DeviceInfoPage *m_infoPage = nullptr;
    UpgradePage *m_upgradePage = nullptr;
    CustomisationPage *m_customisation = nullptr;
    QTranslator *m_translator = nullptr;
    QMenu *m_languageMenu = nullptr;
    QAction *m_english = nullptr;
    QAction *m_simplifiedChinese = nullptr;
    QAction *m_traditionalChinese = nullptr;
    QAction *m_quit = nullptr;
    QAction *m_help = nullptr;
    QAction *m_about = nullptr;
};

#endif // APP_MAINWINDOW_H
