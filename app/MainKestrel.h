#pragma once
// Kestrel's main window: tool panel, result grid and status line, the menus,
// and the commands that load and save the test configuration, change the
// language, show the About window and end the program. UI thread only, apart
// from the slots marked as called across threads.

#include "AppPaths.h"
#include "ConfigFile.h"
#include "RunView.h"
#include "SystemLog.h"
#include "Verdict.h"
#include "ZarvoApi.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QMenu;
class QTimer;
class QToolButton;
class MainRunView;
class ResultGridModel;
class RunController;
class ResultGridView;
class StatusLamp;
class UserDialogs;

// The object and member names (Panel1, N1 ... N14, Tnt..., Shape_...) are the
// window's historic ones: stored layouts and the tests find controls by them.
class TForm_MainKestrel : public QMainWindow {
    Q_OBJECT
public:
    // `programFolder` holds Zarvo.ini and the language marker files; the daily
    // log files go to `logFolder`; runs and port commands go through `driver`.
    // Throws when Zarvo.ini holds a value that is not a number: the program
    // cannot start with it.
    TForm_MainKestrel(UserDialogs& dialogs, const QString& programFolder, const QString& logFolder,
                      const ZarvoBinding& driver = builtinZarvoBinding());
    ~TForm_MainKestrel() override;

    UserDialogs& dialogs() const { return dialogs_; }

    // The refresh: status line, reload of the current configuration and the
    // driver settings, captions, result grid. Also run by the editor when it
    // returns. Throws what the readers throw.
    void FormShow();

    // --- for the run control
    // Enables Stop alone while a run is active (not even Stop while it ends by
    // itself), and the other run-related tool controls while none is. The
    // commands that change the table or the port (Test Items, Zarvo Port and
    // its tool button, Save As Test File, and the languages, whose refresh
    // reloads the table and empties the result columns) are disabled during a
    // run, so the table is never edited under the running threads.
    void applyRunControls(RunControls state);
    void setRunTimer(RunTimer timer, bool enabled);
    // Paints the CAN bus status lamp.
    void paintCanStatus(LampColour colour);
    // Shows TntLabel_SearchAgain with the text it last received, or hides it.
    void setSearchAgainVisible(bool visible);
    // Shows TntLabel_SearchAgain with `text`, or with the text it last had when `text` is empty.
    void showSearchAgain(const QString& text);
    // The selected data row of the result grid (item number + 1), 0 when none.
    int selectedGridRow() const;
    void selectGridRow(int row);
    // The status line adds how the last run's items fared, until another file is loaded.
    void showRunSummary(const VerdictCounts& counts);

public slots:
    // Commands of the menus and tool buttons.
    void TntSpeedButton_LoadConfigClick();
    void N1Click(); // Parameters Setting → Save As Test File
    void Menu_AboutClick();
    void Menu_ExitSystemClick();
    void Lang_EngClick(int language);
    void Menu_ConfigTestItemsClick();
    void Menu_ConfigZarvoClick();
    void TntSpeedButton_ViewTrendClick();
    void TntSpeedButton_BusMonitorClick();

    // Run commands and their end-of-run timers.
    void TntSpeedButton_TestAllItemsClick(); // Multiple Tests
    void TntSpeedButton_ManualTestClick();   // Single Test
    void SpeedButton_StopClick();
    void Timer_TestAllItemsTimer();
    void Timer_TestSingleItemTimer();

signals:
    // The main window closed: the program ends.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Construction (MainKestrelControls.cpp).
    void createControls();
    QWidget* createToolPanel();
    QToolButton* addToolButton(const QString& name, const QString& icon, const QString& hint,
                               void (TForm_MainKestrel::*handler)());
    void createMenus();
    bool openWatchedPort();
    void keepMenuBarHeight();
    void bindKeys();
    QAction* addMenuItem(QMenu* menu, const QString& name, bool enabled);
    void createTimers();

    // Start-up steps (MainKestrel.cpp).
    void chooseStartupLanguage();
    void FormCreate();

    // Language (MainKestrelLanguage.cpp).
    void applyPhrases();
    void showStatusLine(const QString& file);
    void setTestButtons();
    void setCaptions();

    // Commands (MainKestrelCommands.cpp).
    // Runs a command; an error that reaches it is shown in the standard error box.
    void runCommand(const std::function<void()>& command);
    // Asks for a configuration file until an existing one is chosen; false when cancelled.
    bool chooseConfigFile();
    void loadChosenConfig();
    // Reads CurrentConfigFile. When the read fails, the grid is rebuilt from
    // the table, the status line says the file is not loaded, the test
    // buttons are disabled, and the error goes up.
    ReadResult readCurrentConfig();
    void saveConfigAs(const QString& chosen);

    UserDialogs& dialogs_;
    const QString programFolder_;
    const QString logFolder_;
    const ZarvoBinding& driver_;
    std::optional<VerdictCounts> runSummary_;

    QFrame* Panel1 = nullptr; // the tool panel above the result grid
    QToolButton* SpeedButton_Exit = nullptr;
    QToolButton* SpeedButton_RangeSetup = nullptr;  // opens the test configuration editor
    QToolButton* SpeedButton_ZarvoConfig = nullptr; // opens the CAN port window
    QToolButton* SpeedButton_Stop = nullptr;
    QToolButton* TntSpeedButton_ManualTest = nullptr;
    QToolButton* TntSpeedButton_LoadConfig = nullptr;
    QToolButton* TntSpeedButton_TestAllItems = nullptr;
    QToolButton* TntSpeedButton_ViewTrend = nullptr;
    QToolButton* TntSpeedButton_BusMonitor = nullptr;
    QCheckBox* TntCheckBox_GroupCheck = nullptr; // "Multiple Sent"
    QLabel* TntLabel_SearchAgain = nullptr;
    StatusLamp* Shape_CANStatus = nullptr; // the CAN bus status lamp
    QLabel* Label1 = nullptr;              // "CAN bus" beside the lamp
    ResultGridModel* gridModel_ = nullptr;
    ResultGridView* TntStringGrid_TestResult = nullptr;
    QLabel* TntLabel_CurrentConfigurationFile = nullptr; // the status line

    QMenu* Menu_Person = nullptr; // Login
    QAction* N5 = nullptr;        // Login → Tester Configuration (no function)
    QAction* N6 = nullptr;        // Login → Update Tester (no function)
    QAction* N7 = nullptr;        // Login → Tester Login (no function)
    QAction* N8 = nullptr;        // Login → Delete Tester (no function)
    QAction* Menu_ExitSystem = nullptr;
    QMenu* N10 = nullptr;   // Parameters Setting
    QAction* N11 = nullptr; // Parameters Setting → Maintain Test File (no function)
    QAction* Menu_ConfigTestItems = nullptr;
    QAction* Menu_ConfigZarvo = nullptr;
    QAction* Menu_BusMonitor = nullptr;
    QAction* N1 = nullptr;  // Parameters Setting → Save As Test File
    QAction* N13 = nullptr; // Parameters Setting → Device Management (no function)
    QAction* N14 = nullptr; // Parameters Setting → View Report (no function)
    QAction* Menu_About = nullptr;
    QMenu* N2 = nullptr; // Language
    QAction* Lang_Eng = nullptr;
    QAction* Lang_SC = nullptr;
    QAction* Lang_TC = nullptr;
    QActionGroup* languageGroup_ = nullptr;

    QTimer* Timer_TestAllItems = nullptr;
    QTimer* Timer_TestSingleItem = nullptr;

    // The test run control and its two worker threads (created suspended
    // during construction); the controller goes first when the window ends.
    std::unique_ptr<MainRunView> runView_;
    std::unique_ptr<RunController> runControl_;
};

// The single instance, while the program's windows exist.
extern TForm_MainKestrel* Form_MainKestrel;
