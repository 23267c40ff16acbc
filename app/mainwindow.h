#ifndef APP_MAINWINDOW_H
#define APP_MAINWINDOW_H

#include "shell/language.h"

#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <functional>

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
class QAction;
class QLabel;
class QListWidgetItem;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;
class QTranslator;
QT_END_NAMESPACE

class BmpEditor;
class DeviceMonitor;
class SendDataMsgBox;

// The one window of the program. It carries every user command as a slot; the members of each
// subsystem are defined in that subsystem's folder (app/ for the frame, shell/ for language,
// help and About, device/ for the connection slots, parameters/, pictures/ and upgrade/ for
// their pages).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Appends one time-stamped line to the log panel.
    void appendLog(const QString &text);
    // Translation in the context "main".
    static QString trMain(const char *text);
    void setDeviceButtons(bool connected);
    void retranslateCodeTexts();
    // Names the working folder (picture folders, dev/device) in the log; once, at start-up.
    void logWorkingFolder();

    // The pause that shows a job's result before its dialog closes; tests shorten it.
    void setResultPauseScale(double scale) { resultPauseScale = scale; }

    Ui::MainWindow *ui = nullptr;

signals:
    void picChangeSignals();
    void reopenHidSignals();

public slots:
    void showMaxAndNoraml();
    void setAllPicToDefault();
    void loadCustomerPicSlots();
    void showEditPicGui();
    void recoverToDefaultPic();
    void loadEditPicSlots();
    void loadReadPicSlots();
    void checkWritePicSlots();
    void openBinFileSlots();
    void downloadBinfileSlots();
    void updateProgressBarValue();
    void openUsbDeviceSlots();
    void closeUsbDeviceSlots();
    void freshUsbDeviceSlots();
    void runUsbDeviceSlots();
    void readFromDeviceSlots();
    void writeToDeviceSlots();
    void loadConfigSlots();
    void saveConfigSlots();
    void resetAllSlots();
    void radioButtonSelectSlots();
    void recoverToDefaultValue();
    void tempUnitChangeValue();
    void languageSelectSlots();
    void installLanguageSlots(Language lang);
    void helpSlots();
    void aboutKorlexSlots();
    void lcdBrightValueSlots(int value);
    void smokeValueChangeSlots(int value);
    void setTimeSlots();
    void readTimeSlots();
    void setToDefault();
    // The worker has ended its job: a connection or a job that had to wait runs now.
    void workerFinishedSlots();

protected:
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

public:
    // --- frame (app/) -----------------------------------------------------------------------
    void initConnections();
    void initTitleBar();
    void initDeviceBar();
    void initNavigation();
    void initPages();
    void initTabs();
    // Shows the result of a job in its dialog, then after pauseMs (scaled) closes and deletes
    // the dialog and runs afterClose. With showState false the dialog closes at once.
    void finishTaskDialog(const QString &resultText, int pauseMs, bool showState,
                          const std::function<void()> &afterClose);
    int scaledPause(int ms) const;
    // The captions that the frame builders set and every language switch sets again.
    void setTitleBarTexts();
    void setDeviceBarTexts();
    void setNavigationTexts();
    void setPageTexts();
    void setTabTexts();

    // --- frameless window (app/) ------------------------------------------------------------
    void computeEdgeRegions();
    int edgeRegionAt(int x, int y) const;
    void setEdgeCursor(int region);
    void resizeByMouse();
    // The geometry an edge drag to resizeCurrentPos asks for, kept at least 100 x 100.
    QRect edgeResizeGeometry() const;

    // --- language, settings, help (shell/) --------------------------------------------------
    void loadLanguageSetting();
    void saveLanguageSetting();
    void updateLanguageChecks(Language lang);
    QString helpFilePath() const;

    // --- connection (device/) ---------------------------------------------------------------
    void startDeviceMonitor();
    void handOverToMonitorProgram();
    void setPictureButtonsEnabled(bool enabled);
    // Runs start once the worker has finished the job it is ending (asking it to stop).
    void runWhenWorkerIdle(const std::function<void()> &start);
    // A connection asked for while a job ran; carried out when the worker has finished.
    bool connectPending = false;
    std::function<void()> pendingJobStart;
    // The firmware version after an upgrade is logged once the job has seen the device again.
    bool logUpgradeVersionWhenIdle = false;

    // --- parameters and curves (parameters/) ------------------------------------------------
    void initParameterPage();
    void retranslateParameterPage();
    void initTempCurvePage();
    void initPowerCurvePage();
    void retranslateCurvePages();
    void showDeviceRecord();
    void setTempPageTexts();
    void setPowerPageTexts();
    // Y-axis name and unit of the temperature curve for the current unit.
    void setTempUnitTexts();
    // Checks and shows group 1 of both curves (after a connection).
    void showFirstCurveGroups();
    // The five group buttons of each curve page, group 1 first.
    std::array<QRadioButton *, 5> tempGroupButtons() const;
    std::array<QRadioButton *, 5> powerGroupButtons() const;
    // Title of a curve widget for a 0-based group.
    QString tempCurveTitle(int group) const;
    QString powerCurveTitle(int group) const;

    // --- pictures (pictures/) ---------------------------------------------------------------
    void initPicturePage();
    void retranslatePicturePage();
    int pictureRowOf(QObject *sender) const;
    void adaptPageToScreenFormat();
    // The picture branches of the page-level read and write commands.
    void readPicturesFromDevice();
    void writePicturesToDevice();
    // Re-translates the picture editor after a language switch (only called while it exists).
    void retranslatePictureEditor();
    // Deletes the parentless picture editor when the window goes.
    void releasePictureEditor();
    // Shows the "not yet written" mark of every slot whose bit is set in the write mask.
    void updatePictureWriteMarks();
    void setWriteMarkTexts();
    // The user resource file: the sections (see pictures/resourcefile.h) a save or load button
    // stands for, 0 for any other sender; writing and reading a file once its name is known.
    unsigned resourceSectionsOf(QObject *sender) const;
    bool saveResourceFile(const QString &path, unsigned sections);
    void loadResourceFile(const QString &path, unsigned sections);

    // --- upgrade (upgrade/) -----------------------------------------------------------------
    // The upgrade page's part of openBinFileSlots once the dialog has given a name (empty:
    // cancelled, the loaded file is forgotten).
    void loadBinFile(const QString &fileName);
    // The endings of an upgrade job, run by updateProgressBarValue.
    void endUpgradeWithFailure(bool lowPower);
    void endUpgradeWithSuccess();
    // Looks for the device again once a second while it still runs its normal firmware.
    void reconnectWhileRestarting();

    // --- members ----------------------------------------------------------------------------
    // frameless window state
    std::array<QRect, 8> edgeRects;
    int edgeRegion = 0;
    bool resizePressed = false;
    bool resizing = false;
    QRect resizeStartGeometry;
    QPoint resizePressPos;
    QPoint resizeCurrentPos;
    bool movingWindow = false;
    QPoint moveLastPos;
    bool maximized = false;

    std::array<QListWidgetItem *, 4> navItems{};
    QMenu *languageMenu = nullptr;
    QMenu *systemMenu = nullptr;
    QMenu *helpMenu = nullptr;
    QAction *quitAction = nullptr;
    QAction *helpAction = nullptr;
    QAction *aboutAction = nullptr;
    QAction *englishAction = nullptr;
    QAction *simplifiedChineseAction = nullptr;
    QAction *traditionalChineseAction = nullptr;
    QTranslator *translator = nullptr;

    SendDataMsgBox *taskDialog = nullptr;
    QTimer *upgradeTimer = nullptr;
    QTimer *readPicTimer = nullptr;
    QTimer *writePicTimer = nullptr;
    int upgradeElapsed = 0;
    int upgradeTimeLimit = 0;
    int readPicElapsed = 0;
    int writePicElapsed = 0;
    double resultPauseScale = 1.0;

    // picture page
    std::array<std::array<QString, 12>, 3> defaultPicturePaths;
    std::array<QLabel *, 12> picNameLabels{};
    std::array<QLabel *, 12> picLabels{};
    std::array<QPushButton *, 12> picEditButtons{};
    std::array<QPushButton *, 12> picDefaultButtons{};
    QPushButton *pageDefaultButton = nullptr;
    BmpEditor *picEditor = nullptr;
    std::array<QLabel *, 12> picWriteMarks{};
    QTimer *picWriteMarkTimer = nullptr;
    quint32 shownWriteMarks = 0; // mask, slot count and format the marks show

    // curve pages: the radio button whose group each widget shows (null means group 1)
    QRadioButton *tempGroupButton = nullptr;
    QRadioButton *powerGroupButton = nullptr;

    DeviceMonitor *deviceMonitor = nullptr;
};

#endif // APP_MAINWINDOW_H
