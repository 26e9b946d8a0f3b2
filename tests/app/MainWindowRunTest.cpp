// Runs from the main window on a simulator port of Kestrel's own driver: the
// run commands, their timers and controls, the completion message, and the
// single transmit dialog changing a repeated item on the bus.

#include "AppPaths.h"
#include "ConfigFile.h"
#include "Dialog_singletxcan.h"
#include "Globals.h"
#include "KestrelWindows.h"
#include "MainKestrel.h"
#include "Phrases.h"
#include "ResultCells.h"
#include "ScriptedDialogs.h"
#include "SimulatorPort.h"
#include "TestItems.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString Cell(int column, int row) {
    return Global_ResultCells().cell(column, row);
}

class MainWindowRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid() && logDir.isValid());
        SetProgramFolderForTesting(programDir.path()); // no SimDevice.ini: the default device
        qputenv("XDG_STATE_HOME", logDir.filePath("state").toUtf8()); // reports go there
        Global_CustomerCMD = type_CustomerCMD{};
        windows = std::make_unique<KestrelWindows>(dialogs, programDir.path(), logDir.path());
        window = Form_MainKestrel;
        window->show();
        // The demo, with its first item ("Read VIN", 0x7E0, byte 0 = 0x03) repeated until Stop.
        CurrentConfigFile = QStringLiteral(KESTREL_EXAMPLES_DIR "/demo.ini");
        ASSERT_EQ(ReadTestConfig(CurrentConfigFile).status, 0);
        CurrentConfigFile = programDir.filePath("demo.ini");
        Global_CustomerCMD.TxLoopTimes[0] = 0;
        WriteTestConfig(CurrentConfigFile);
        window->FormShow();
        const std::optional<uint8_t> port = FirstSimulatorPort();
        ASSERT_TRUE(port.has_value());
        ZarvoPort = *port;
        ZarvoBaudRate = 500000;
    }
    void TearDown() override {
        windows.reset();
        CurrentConfigFile.clear();
        qunsetenv("XDG_STATE_HOME");
    }

    template <typename T> T* child(const QObject* parent, const char* name) {
        T* found = parent->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    bool enabled(const char* name) { return child<QWidget>(window, name)->isEnabled(); }
    bool menuEnabled(const char* name) { return child<QAction>(window, name)->isEnabled(); }

    QTemporaryDir programDir;
    QTemporaryDir logDir;
    ScriptedDialogs dialogs;
    std::unique_ptr<KestrelWindows> windows;
    TForm_MainKestrel* window = nullptr;
};

TEST_F(MainWindowRunTest, TestAllRunsToTheCompletionMessageThenClears) {
    Global_CustomerCMD.TxLoopTimes[0] = 1;
    // The run ends with the last End Time, before the last pause has passed.
    Global_CustomerCMD.TxLoopTerminal[Global_CustomerCMD.CMD_Count - 1] = 1000;
    child<QToolButton>(window, "TntSpeedButton_TestAllItems")->click();
    // The controls of each run state: MainWindowTest.RunControlsFollowTheRunState.
    EXPECT_TRUE(enabled("SpeedButton_Stop"));
    EXPECT_FALSE(enabled("SpeedButton_ZarvoConfig"));
    EXPECT_FALSE(menuEnabled("N1"));

    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.texts("inform").isEmpty(); }, 20000));
    EXPECT_EQ(dialogs.texts("inform"), QStringList({Phrase(PhraseId::RunComplete)}));
    for (int row = 1; row <= Global_CustomerCMD.CMD_Count; ++row)
        EXPECT_EQ(Cell(ResultCells::EndTime, row), "");
    EXPECT_TRUE(child<QLabel>(window, "TntLabel_CurrentConfigurationFile")
                    ->text()
                    .endsWith("demo.ini  |  6 items: 4 passed, 1 failed, 1 without expectation"))
        << qPrintable(child<QLabel>(window, "TntLabel_CurrentConfigurationFile")->text());
    EXPECT_FALSE(enabled("SpeedButton_Stop"));
    EXPECT_TRUE(enabled("SpeedButton_ZarvoConfig"));
    EXPECT_TRUE(menuEnabled("N1"));
    const QDir reports(logDir.filePath("state/Reports"));
    const QStringList csv = reports.entryList({"demo-*.csv"});
    ASSERT_EQ(csv.size(), 1);
    QFile report(reports.filePath(csv[0]));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(report.readAll().contains(",24,\"Len, D1\",failed\r\n"));
    // The run's bus trace lies beside the report, under its name.
    QFile trace(reports.filePath(QFileInfo(csv[0]).completeBaseName() + ".log"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    EXPECT_TRUE(trace.readAll().contains(" 7E0#0322F19000000000 T\n"));

    // A second run started right after the first ends runs to its end too.
    child<QToolButton>(window, "TntSpeedButton_TestAllItems")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs.texts("inform").size() == 2; }, 20000));
}

TEST_F(MainWindowRunTest, ARepeatedItemCanBeChangedOnTheBusUntilStop) {
    window->selectGridRow(1);
    child<QToolButton>(window, "TntSpeedButton_ManualTest")->click();
    ASSERT_NE(Form_SingleTxCAN, nullptr);
    EXPECT_TRUE(Form_SingleTxCAN->isVisible());
    EXPECT_EQ(child<QLabel>(Form_SingleTxCAN, "TntLabel_TestName")->text(), "Read VIN");
    const QRect main = window->frameGeometry();
    const int below = main.top() + main.height();
    const QRect dialog = Form_SingleTxCAN->frameGeometry();
    EXPECT_TRUE(dialog.top() == below ||
                (dialog.top() < below && dialog.top() + dialog.height() == WorkAreaHeight));

    // 0x7E0 with byte 0 = 0x03 is answered with 0x43, as expected.
    ASSERT_TRUE(QTest::qWaitFor([] { return Cell(ResultCells::Result, 1) == "0"; }, 20000));
    QLineEdit* hex = child<QLineEdit>(Form_SingleTxCAN, "Edit_Data0");
    hex->setText("04");
    QTest::keyClick(hex, Qt::Key_Return);
    // Now the device answers 0x44: the changed byte went out on the bus.
    ASSERT_TRUE(QTest::qWaitFor([] { return Cell(ResultCells::Result, 1) == "16"; }, 20000));
    EXPECT_EQ(Cell(ResultCells::Remarks, 1), "D1");
    EXPECT_EQ(Cell(ResultCells::EndTime, 1), "");

    child<QToolButton>(window, "SpeedButton_Stop")->click();
    EXPECT_FALSE(Form_SingleTxCAN->isVisible());
    EXPECT_EQ(Cell(ResultCells::Result, 1), "");
    EXPECT_FALSE(enabled("SpeedButton_Stop"));
    EXPECT_TRUE(enabled("TntSpeedButton_ManualTest"));
    EXPECT_TRUE(enabled("TntCheckBox_GroupCheck"));
    EXPECT_TRUE(dialogs.texts("inform").isEmpty());
}

// A key press where the keyboard is: the focused control, else the active window.
void press(QKeySequence key) {
    QWidget* target =
        QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key[0].key(), key[0].keyboardModifiers());
}

void type(const QString& text) {
    QTest::keyClicks(QApplication::focusWidget(), text);
}

// Runs `steps` once the next modal window is open and has the keyboard.
void whenOpen(std::function<void()> steps) {
    QTimer::singleShot(0, qApp, [steps = std::move(steps)] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        ASSERT_TRUE(QTest::qWaitForWindowActive(QApplication::activeModalWidget()));
        steps();
    });
}

// Headless there is no window manager to give the keyboard back to the window
// under a closed one: the test does.
void activate(QWidget* window) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

QString focusName() {
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

// The item dialog filled from the keyboard: a name, then ten milliseconds,
// once and ten milliseconds in the timing row; Enter is OK.
void typeItem(const QString& name) {
    EXPECT_EQ(focusName(), "TntEdit_CANDescription1");
    type(name);
    for (int k = 0; k < 14; ++k) // description 2, the frame row's four fields, eight data bytes
        press(Qt::Key_Tab);
    EXPECT_EQ(focusName(), "Edit_LoopInterval");
    for (const char* value : {"10", "1", "10"}) {
        type(QLatin1String(value)); // Tab selects the field's text: typing replaces it
        press(Qt::Key_Tab);
    }
    press(Qt::Key_Return);
}

TEST_F(MainWindowRunTest, EditSaveAndRunWithTheKeyboardOnly) {
    Global_CustomerCMD.TxLoopTimes[0] = 1;
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const int items = Global_CustomerCMD.CMD_Count;
    whenOpen([&] {
        // The keyboard starts in the grid, on no row: Down selects the first,
        // Down again the second, and Del removes it.
        press(Qt::Key_Down);
        EXPECT_EQ(Form_TestItems->selectedItemRow(), 1);
        press(Qt::Key_Down);
        EXPECT_EQ(Form_TestItems->selectedItemRow(), 2);
        press(Qt::Key_Delete);
        // Cancel with Space from the keyboard, then the dialog opens at its first field again.
        whenOpen([] {
            press(Qt::SHIFT | Qt::Key_Tab);
            EXPECT_EQ(focusName(), "Button_Cancel");
            press(Qt::Key_Space);
        });
        press(Qt::Key_Insert);
        activate(Form_TestItems);
        whenOpen([] { typeItem(QStringLiteral("Keyed")); });
        press(Qt::Key_Insert);
        activate(Form_TestItems);
        EXPECT_EQ(Form_TestItems->selectedItemRow(), items);
        // Ctrl+S saves over the current file after its question; Esc returns.
        press(Qt::CTRL | Qt::Key_S);
        activate(Form_TestItems);
        press(Qt::Key_Escape);
    });
    press(Qt::CTRL | Qt::Key_E);
    activate(window);
    EXPECT_FALSE(Form_TestItems->isVisible());
    EXPECT_EQ(dialogs.texts("confirm"),
              QStringList({Phrase(PhraseId::AskDeleteItem), Phrase(PhraseId::AskOverwriteConfig)}));
    EXPECT_EQ(dialogs.texts("inform"),
              QStringList({Phrase(PhraseId::Deleted), Phrase(PhraseId::ItemAdded),
                           Phrase(PhraseId::SaveOk)}));

    // The main window shows the saved table: the new item last, in place of the deleted one.
    ASSERT_EQ(Global_CustomerCMD.CMD_Count, items);
    EXPECT_EQ(Global_CustomerCMD.TxLoopInterval[items - 1], 10);
    press(Qt::Key_F5);
    EXPECT_TRUE(enabled("SpeedButton_Stop"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs.texts("inform").size() == 4; }, 20000));
    EXPECT_EQ(dialogs.texts("inform").last(), Phrase(PhraseId::RunComplete));
    EXPECT_EQ(Cell(ResultCells::TestName, items), "Keyed");
}

TEST_F(MainWindowRunTest, NoPortLeavesTheButtonsEnabled) {
    ZarvoPort = 250;
    child<QToolButton>(window, "TntSpeedButton_TestAllItems")->click();
    EXPECT_EQ(dialogs.texts("error"), QStringList({Phrase(PhraseId::PortError)}));
    EXPECT_TRUE(child<QLabel>(window, "TntLabel_SearchAgain")->isVisible());
    EXPECT_TRUE(enabled("TntSpeedButton_TestAllItems"));
    EXPECT_FALSE(enabled("SpeedButton_Stop"));
}

} // namespace
