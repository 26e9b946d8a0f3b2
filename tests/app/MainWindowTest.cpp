// Start-up, the load, save, language and exit commands of the main window.

#include "About.h"
#include "AddNewItem.h"
#include "AppFixture.h"
#include "Dialog_singletxcan.h"
#include "Globals.h"
#include "KestrelWindows.h"
#include "MainRunView.h"
#include "Phrases.h"
#include "ResultCells.h"
#include "TestItems.h"
#include "ViewTrend.h"
#include "WaitMessage.h"
#include "ZarvoConfig.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>

namespace {

const QString kSystemCaption = QStringLiteral("Kestrel System");

QString statusLine(const TForm_MainKestrel& window) {
    return window.findChild<QLabel*>(QStringLiteral("TntLabel_CurrentConfigurationFile"))->text();
}

bool enabled(const TForm_MainKestrel& window, const char* button) {
    return window.findChild<QWidget*>(QString::fromLatin1(button))->isEnabled();
}

QStringList checkedLanguages(const TForm_MainKestrel& window) {
    QStringList checked;
    for (const char* name : {"Lang_Eng", "Lang_SC", "Lang_TC"})
        if (window.findChild<QAction*>(QString::fromLatin1(name))->isChecked())
            checked << QString::fromLatin1(name);
    return checked;
}

QStringList markerFiles(const QString& folder) {
    return QDir(folder).entryList(
        {QStringLiteral("ENG.ENG"), QStringLiteral("SC.SC"), QStringLiteral("TC.TC")}, QDir::Files,
        QDir::Name);
}

QString fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class MainWindowTest : public AppFixture {};

TEST_F(MainWindowTest, FirstStartIsEnglishWithoutConfiguration) {
    const auto window = makeMainWindow();
    EXPECT_EQ(LanguageIndex, 0);
    EXPECT_EQ(checkedLanguages(*window), QStringList{QStringLiteral("Lang_Eng")});
    EXPECT_EQ(statusLine(*window),
              QStringLiteral("Current Configuration File : No configuration file exist!"));
    EXPECT_FALSE(enabled(*window, "TntSpeedButton_TestAllItems"));
    EXPECT_FALSE(enabled(*window, "TntSpeedButton_ManualTest"));
    EXPECT_FALSE(enabled(*window, "SpeedButton_Stop"));
    EXPECT_TRUE(enabled(*window, "TntSpeedButton_LoadConfig"));
    EXPECT_EQ(
        window->findChild<QToolButton*>(QStringLiteral("TntSpeedButton_TestAllItems"))->text(),
        QStringLiteral("Multiple\nTests"));
    EXPECT_TRUE(
        logText().contains(QStringLiteral("Program( Kestrel v2.31 (2015/07/10) )Starting...")));
}

TEST_F(MainWindowTest, MenuItemsWithoutCommandStayDisabled) {
    const auto window = makeMainWindow();
    for (const char* name : {"N5", "N6", "N7", "N8", "N11", "N13", "N14"})
        EXPECT_FALSE(child<QAction>(window.get(), name)->isEnabled()) << name;
    for (const char* name : {"Menu_ExitSystem", "Menu_ConfigTestItems", "Menu_ConfigZarvo", "N1",
                             "Menu_About", "Lang_Eng", "Lang_SC", "Lang_TC"})
        EXPECT_TRUE(child<QAction>(window.get(), name)->isEnabled()) << name;
    window->findChild<QAction*>(QStringLiteral("Lang_TC"))->trigger();
    EXPECT_FALSE(child<QAction>(window.get(), "N5")->isEnabled());
}

// Which marker wins is PhrasesTest.StartUpLanguageFollowsTheMarkers; here the
// window starts in that language.
TEST_F(MainWindowTest, StartupLanguageFollowsMarkerFiles) {
    touch(QStringLiteral("TC.TC"));
    touch(QStringLiteral("SC.SC"));
    const auto window = makeMainWindow();
    EXPECT_EQ(LanguageIndex, 1);
    EXPECT_EQ(checkedLanguages(*window), QStringList{QStringLiteral("Lang_SC")});
    EXPECT_EQ(child<QAction>(window.get(), "Menu_About")->text(), QStringLiteral("关于"));
    EXPECT_EQ(statusLine(*window),
              QStringLiteral("目前配置文件 : ") + Phrase(PhraseId::NoConfigFile));
}

TEST_F(MainWindowTest, TestButtonsNeedAFileNameOfFourCharacters) {
    const auto window = makeMainWindow();
    for (const auto& [name, expected] :
         {std::pair{QStringLiteral("abc"), false}, std::pair{QStringLiteral("abcd"), true},
          std::pair{QStringLiteral("a"), false}}) {
        CurrentConfigFile = name;
        window->FormShow();
        EXPECT_EQ(enabled(*window, "TntSpeedButton_TestAllItems"), expected) << name.toStdString();
        EXPECT_EQ(enabled(*window, "TntSpeedButton_ManualTest"), expected) << name.toStdString();
    }
    // A one-character name is not shown in the status line.
    EXPECT_EQ(statusLine(*window),
              QStringLiteral("Current Configuration File : No configuration file exist!"));
}

TEST_F(MainWindowTest, CancelledLoadChangesNothing) {
    const auto window = makeMainWindow();
    const QString before = statusLine(*window);
    window->TntSpeedButton_LoadConfigClick();
    EXPECT_TRUE(CurrentConfigFile.isEmpty());
    EXPECT_EQ(statusLine(*window), before);
    EXPECT_EQ(dialogs.shown.size(), 1); // the open dialog only
    EXPECT_EQ(dialogs.shown.first().caption, QStringLiteral("请选择配置文件(*.ini)"));
}

TEST_F(MainWindowTest, MissingFileAsksAgainUntilAnExistingOneIsChosen) {
    const QString good = writeConfig(QStringLiteral("good.ini"), 2);
    const auto window = makeMainWindow();
    dialogs.fileAnswers = {programPath(QStringLiteral("missing.ini")), good};
    window->TntSpeedButton_LoadConfigClick();

    ASSERT_EQ(dialogs.texts(QStringLiteral("inform")),
              QStringList{QStringLiteral("The file you selected is not exist!!\nPlease select the "
                                         "configuration file again!!")});
    EXPECT_EQ(dialogs.shown[1].caption, kSystemCaption);
    EXPECT_EQ(dialogs.texts(QStringLiteral("open")).size(), 2);
    EXPECT_EQ(CurrentConfigFile, good);
    EXPECT_EQ(statusLine(*window), QStringLiteral("Current Configuration File : ") + good);
    EXPECT_EQ(Global_CustomerCMD.CMD_Count, 2);
    EXPECT_EQ(Global_ResultCells().rowCount(), 3);
    EXPECT_EQ(Global_ResultCells().cell(ResultCells::TestName, 2), QStringLiteral("Item 1"));
    EXPECT_EQ(window->selectedGridRow(), 1);
    EXPECT_TRUE(enabled(*window, "TntSpeedButton_TestAllItems"));
    EXPECT_EQ(logText().count(QStringLiteral("Load the configuration file!")), 2);
}

TEST_F(MainWindowTest, CancelAfterAMissingFileKeepsTheCurrentFile) {
    const QString good = writeConfig(QStringLiteral("good.ini"), 1);
    const auto window = makeMainWindow();
    dialogs.fileAnswers = {good};
    window->TntSpeedButton_LoadConfigClick();
    dialogs.fileAnswers = {programPath(QStringLiteral("gone.ini"))};
    window->TntSpeedButton_LoadConfigClick();

    EXPECT_EQ(CurrentConfigFile, good);
    EXPECT_EQ(statusLine(*window), QStringLiteral("Current Configuration File : ") + good);
}

TEST_F(MainWindowTest, BadValueShowsTheErrorAndLeavesTheRestOfTheLoadUndone) {
    const QString good = writeConfig(QStringLiteral("good.ini"), 3);
    const QString bad = writeConfig(QStringLiteral("bad.ini"), 2, QStringLiteral("TxLoopTimes=x1"));
    const auto window = makeMainWindow();
    dialogs.fileAnswers = {good, bad};
    window->TntSpeedButton_LoadConfigClick();
    window->TntSpeedButton_LoadConfigClick();

    ASSERT_EQ(dialogs.texts(QStringLiteral("error")),
              QStringList{bad + QStringLiteral(", line 9, TxLoopTimes: 'x1' is not a valid integer "
                                               "value")});
    EXPECT_EQ(dialogs.shown.last().caption, QStringLiteral("Kestrel"));
    EXPECT_EQ(Global_CustomerCMD.CMD_Count, 1); // the item read before the bad value
    // The grid shows the table, not the rows of the file before; nothing is
    // tested as if the file were loaded.
    EXPECT_EQ(Global_ResultCells().rowCount(), 2);
    EXPECT_EQ(Global_ResultCells().cell(ResultCells::TestName, 1), QStringLiteral("Item 0"));
    EXPECT_EQ(statusLine(*window),
              QStringLiteral("Current Configuration File : ") + bad + " (not loaded)");
    EXPECT_FALSE(enabled(*window, "TntSpeedButton_TestAllItems"));
}

TEST_F(MainWindowTest, ImportListsTheValuesTakenOtherThanWrittenInOneBox) {
    const QString odd = writeConfig(QStringLiteral("odd.ini"), 2, QStringLiteral("TxCANLen=300"));
    const auto window = makeMainWindow();
    QFile settings(programPath(QStringLiteral("Zarvo.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[ORBTEC_ZarvoPortConfig]\nZarvoPort=257\n");
    settings.close();
    dialogs.fileAnswers = {odd};
    window->TntSpeedButton_LoadConfigClick();

    ASSERT_EQ(dialogs.texts(QStringLiteral("warn")).size(), 1);
    const QStringList lines = dialogs.texts(QStringLiteral("warn")).first().split('\n');
    EXPECT_EQ(lines, QStringList({QStringLiteral("The files were loaded, but these values were "
                                                 "taken other than as written:"),
                                  odd + QStringLiteral(", line 9: TxCANLen=300 is beyond 0..255; "
                                                       "taken as 44 (its low 8 bits)"),
                                  programPath(QStringLiteral("Zarvo.ini")) +
                                      QStringLiteral(", line 2: ZarvoPort=257 is beyond 0..255; "
                                                     "taken as 1 (its low 8 bits)")}));
    EXPECT_EQ(Global_CustomerCMD.TxCANLen[1], 44);
    EXPECT_EQ(ZarvoPort, 1);
}

TEST_F(MainWindowTest, ItemsBeyondTheTableAreLeftOutAndReported) {
    const QString big = writeConfig(QStringLiteral("big.ini"), kMaxTestItems + 5);
    const auto window = makeMainWindow();
    dialogs.fileAnswers = {big};
    window->TntSpeedButton_LoadConfigClick();

    EXPECT_EQ(Global_CustomerCMD.CMD_Count, kMaxTestItems);
    EXPECT_EQ(Global_ResultCells().rowCount(), kMaxTestItems + 1);
    EXPECT_EQ(statusLine(*window), QStringLiteral("Current Configuration File : ") + big);
    const QStringList warnings = dialogs.texts(QStringLiteral("warn"));
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.first().startsWith(QStringLiteral("5 test items")))
        << warnings.first().toStdString();
}

// The name rule itself: ConfigFileName.IniIsAppendedOnlyWhenNoIniIsInTheName.
TEST_F(MainWindowTest, SaveAsWritesTheChosenNameWithItsExtensionAndKeepsTheCurrentFile) {
    const QString config = writeConfig(QStringLiteral("source.ini"), 2);
    const auto window = makeMainWindow();
    dialogs.fileAnswers = {config};
    window->TntSpeedButton_LoadConfigClick();

    dialogs.fileAnswers = {programPath(QStringLiteral("plain"))};
    window->N1Click();
    EXPECT_TRUE(fileText(programPath(QStringLiteral("plain.ini")))
                    .contains(QStringLiteral("Description1=Item 1")));
    EXPECT_EQ(dialogs.texts(QStringLiteral("inform")).last(), QStringLiteral("Save OK"));
    EXPECT_FALSE(QFile::exists(programPath(QStringLiteral("plain"))));
    EXPECT_EQ(CurrentConfigFile, config); // Save as does not change the current file
}

TEST_F(MainWindowTest, SaveAsOntoAnExistingFileAsksFirst) {
    const QString config = writeConfig(QStringLiteral("source.ini"), 1);
    const auto window = makeMainWindow();
    dialogs.fileAnswers = {config};
    window->TntSpeedButton_LoadConfigClick();
    const QString target = programPath(QStringLiteral("target.ini"));
    for (const bool answer : {false, true}) {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("original");
        file.close();
        dialogs.shown.clear();
        dialogs.fileAnswers = {target};
        dialogs.confirmAnswers = {answer};
        window->N1Click();

        EXPECT_EQ(dialogs.texts(QStringLiteral("confirm")),
                  QStringList{QStringLiteral("The file you selected is already exist!!\nSave As")});
        EXPECT_EQ(fileText(target) == QStringLiteral("original"), !answer);
        EXPECT_EQ(dialogs.texts(QStringLiteral("inform")).contains(QStringLiteral("Save OK")),
                  answer);
    }
}

TEST_F(MainWindowTest, DescriptionThatCannotBeStoredIsReportedAndNothingIsOverwritten) {
    const QString config = writeConfig(QStringLiteral("source.ini"), 1);
    const auto window = makeMainWindow();
    dialogs.fileAnswers = {config};
    window->TntSpeedButton_LoadConfigClick();
    Global_CustomerCMD.Description1[0] = QStringLiteral("Power [on]");
    dialogs.fileAnswers = {config};
    window->N1Click();

    EXPECT_EQ(dialogs.texts(QStringLiteral("error")).size(), 1);
    EXPECT_FALSE(dialogs.texts(QStringLiteral("inform")).contains(QStringLiteral("Save OK")));
    EXPECT_TRUE(fileText(config).contains(QStringLiteral("Description1=Item 0")));
}

TEST_F(MainWindowTest, LanguageSwitchAppliesPhrasesAndRemembersTheChoice) {
    const QString config = writeConfig(QStringLiteral("source.ini"), 2);
    const auto window = makeMainWindow();
    dialogs.fileAnswers = {config};
    window->TntSpeedButton_LoadConfigClick();
    Global_CustomerCMD.Description1[0] = QStringLiteral("changed, not saved");
    const QAbstractItemModel* grid =
        window->findChild<QTableView*>(QStringLiteral("TntStringGrid_TestResult"))->model();

    child<QAction>(window.get(), "Lang_SC")->trigger();
    EXPECT_EQ(LanguageIndex, 1);
    EXPECT_EQ(checkedLanguages(*window), QStringList{QStringLiteral("Lang_SC")});
    EXPECT_EQ(markerFiles(programDir.path()), QStringList{QStringLiteral("SC.SC")});
    EXPECT_EQ(child<QAction>(window.get(), "N1")->text(), QStringLiteral("另存配置文件"));
    EXPECT_EQ(child<QToolButton>(window.get(), "TntSpeedButton_LoadConfig")->text(),
              QStringLiteral("导入\n配置文件"));
    EXPECT_EQ(child<QCheckBox>(window.get(), "TntCheckBox_GroupCheck")->text(),
              QStringLiteral("同时发送"));
    EXPECT_EQ(grid->headerData(5, Qt::Horizontal).toString(), QStringLiteral("备注"));
    EXPECT_EQ(statusLine(*window), QStringLiteral("目前配置文件 : ") + config);
    // The refresh reloaded the file: the unsaved change is gone.
    EXPECT_EQ(Global_ResultCells().cell(ResultCells::TestName, 1), QStringLiteral("Item 0"));

    child<QAction>(window.get(), "Lang_TC")->trigger();
    EXPECT_EQ(markerFiles(programDir.path()), QStringList{QStringLiteral("TC.TC")});
    EXPECT_EQ(grid->headerData(0, Qt::Horizontal).toString(), QStringLiteral("功能描述"));
    EXPECT_EQ(grid->headerData(1, Qt::Horizontal).toString(), QStringLiteral("功能參數"));
    child<QAction>(window.get(), "Lang_Eng")->trigger();
    EXPECT_EQ(markerFiles(programDir.path()), QStringList{QStringLiteral("ENG.ENG")});
    EXPECT_EQ(grid->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Test Parameter"));
    EXPECT_EQ(checkedLanguages(*window), QStringList{QStringLiteral("Lang_Eng")});
}

TEST_F(MainWindowTest, ExitClosesTheTrendWindowAndThePortBeforeTheMainWindow) {
    QFile settings(programPath(QStringLiteral("Zarvo.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[ORBTEC_ZarvoPortConfig]\nZarvoPort=3\n");
    settings.close();
    KestrelWindows windows(dialogs, programDir.path(), logDir.path(), driver.binding());
    Form_MainKestrel->show();
    Form_ViewTrend->show();
    std::vector<FakeZarvoCall> closesWhenClosed;
    bool trendOpenWhenClosed = true;
    QObject::connect(Form_MainKestrel, &TForm_MainKestrel::closed, [&] {
        closesWhenClosed = driver.calls("Zarvo_ClosePort");
        trendOpenWhenClosed = Form_ViewTrend->isVisible();
    });
    child<QToolButton>(Form_MainKestrel, "SpeedButton_Exit")->click();

    ASSERT_EQ(closesWhenClosed.size(), 1u);
    EXPECT_EQ(closesWhenClosed.front().port, 3u);
    EXPECT_FALSE(trendOpenWhenClosed);
    EXPECT_FALSE(Form_MainKestrel->isVisible());
    EXPECT_TRUE(logText().contains(QStringLiteral("Exit the program!\r\n\r\n")));
}

TEST_F(MainWindowTest, ClosingByTheTitleBarSkipsTheExitSteps) {
    const auto window = makeMainWindow();
    window->show();
    QSignalSpy closed(window.get(), &TForm_MainKestrel::closed);
    window->close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(driver.calls("Zarvo_ClosePort").empty());
}

TEST_F(MainWindowTest, BadDriverSettingsStopTheStart) {
    QFile settings(programPath(QStringLiteral("Zarvo.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[ORBTEC_ZarvoPortConfig]\nZarvoBaudRate=fast\n");
    settings.close();
    EXPECT_THROW(makeMainWindow(), std::exception);
}

// Stop is enabled only while a run goes on; the commands that change the table
// or the port (a language change reloads the table and empties the result
// columns) wait, like the other run controls, until the run is over.
TEST_F(MainWindowTest, RunControlsFollowTheRunState) {
    const auto window = makeMainWindow();
    MainRunView view(*window);
    struct State {
        RunControls state;
        bool stop;
        bool idle;
    };
    const State states[] = {
        {RunControls::Running, true, false},       {RunControls::Ending, false, false},
        {RunControls::Stopped, false, true},       {RunControls::Running, true, false},
        {RunControls::EndedByItself, false, true}, {RunControls::Idle, false, true}};
    const char* const idleWidgets[] = {"TntSpeedButton_TestAllItems", "TntSpeedButton_ManualTest",
                                       "TntSpeedButton_LoadConfig",   "SpeedButton_RangeSetup",
                                       "TntSpeedButton_ViewTrend",    "TntCheckBox_GroupCheck",
                                       "SpeedButton_ZarvoConfig"};
    const char* const idleItems[] = {
        "Menu_ConfigTestItems", "Menu_ConfigZarvo", "N1", "Lang_Eng", "Lang_SC", "Lang_TC"};
    for (const State& s : states) {
        SCOPED_TRACE(static_cast<int>(s.state));
        view.setRunControls(s.state);
        EXPECT_EQ(enabled(*window, "SpeedButton_Stop"), s.stop);
        for (const char* name : idleWidgets)
            EXPECT_EQ(enabled(*window, name), s.idle) << name;
        for (const char* name : idleItems)
            EXPECT_EQ(child<QAction>(window.get(), name)->isEnabled(), s.idle) << name;
    }
}

TEST_F(MainWindowTest, EveryWindowIsReachableWhileTheProgramRuns) {
    const auto references = [] {
        return std::vector<const QWidget*>{Form_MainKestrel, Form_TestItems, Form_AddNewItem,
                                           Form_ZarvoConfig, Form_About,     Form_WaitMessage,
                                           Form_SingleTxCAN, Form_ViewTrend};
    };
    {
        KestrelWindows windows(dialogs, programDir.path(), logDir.path(), driver.binding());
        for (const QWidget* window : references())
            EXPECT_NE(window, nullptr);
    }
    for (const QWidget* window : references())
        EXPECT_EQ(window, nullptr);
}
