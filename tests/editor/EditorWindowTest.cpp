// The test configuration editor on the real windows, opened from the main
// window, with the modal dialogs answered by queued steps.

#include "AddNewItem.h"
#include "AppFixture.h"
#include "ConfigFile.h"
#include "Globals.h"
#include "GridView.h"
#include "KestrelWindows.h"
#include "ResultCells.h"
#include "ResultGridFill.h"
#include "TestItemEdit.h"
#include "TestItems.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {

// Runs `step` once the next modal window's event loop is running.
void whenOpen(std::function<void()> step) {
    QTimer::singleShot(0, qApp, std::move(step));
}

void click(QWidget* window, const char* button) {
    QAbstractButton* found = window->findChild<QAbstractButton*>(QString::fromLatin1(button));
    ASSERT_NE(found, nullptr) << button;
    found->click();
}

QLineEdit* field(const char* name) {
    return Form_AddNewItem->findChild<QLineEdit*>(QString::fromLatin1(name));
}

GridView* editorGrid() {
    return Form_TestItems->findChild<GridView*>(QStringLiteral("TntStringGrid_RangeSeting"));
}

QString editorCell(int row, int column) {
    GridView* grid = editorGrid();
    return grid->model()->index(row - 1, column).data().toString();
}

bool noticeShown() {
    return !Form_TestItems->findChild<QLabel*>(QStringLiteral("TntLabel_UnSaveAlarm"))->isHidden();
}

// Adds an item through the dialog with `id` and `name`, accepting it.
void addItem(const QString& id, const QString& name) {
    whenOpen([id, name] {
        field("Edit_ID")->setText(id);
        field("TntEdit_CANDescription1")->setText(name);
        click(Form_AddNewItem, "TntSpeedButton_Add");
    });
    click(Form_TestItems, "TntSpeedButton_Add");
}

class EditorWindowTest : public AppFixture {
protected:
    EditorWindowTest() : windows(dialogs, programDir.path(), logDir.path(), driver.binding()) {}

    // Opens the editor from the main window's command and runs `steps` in it.
    void inEditor(std::function<void()> steps) {
        whenOpen([this, steps = std::move(steps)] {
            steps();
            // A test that leaves the editor open closes it here, saying OK.
            if (Form_TestItems->isVisible()) {
                dialogs.confirmAnswers = {true};
                click(Form_TestItems, "TntSpeedButton_PrevPage");
            }
        });
        Form_MainKestrel->Menu_ConfigTestItemsClick();
    }

    KestrelWindows windows;
};

TEST_F(EditorWindowTest, AddSaveAsAndReturnLoadTheNewFileInTheMainWindow) {
    const QString chosen = programPath(QStringLiteral("brake"));
    dialogs.fileAnswers = {chosen};
    TestItemValues added;
    inEditor([&] {
        EXPECT_EQ(Form_TestItems->findChild<QLineEdit*>(QStringLiteral("TntEdit_Title"))->text(),
                  QStringLiteral("Create New CAN Configuration File"));
        addItem(QStringLiteral("100"), QStringLiteral("Brake"));
        addItem(QStringLiteral("200"), QStringLiteral("Lamp"));
        addItem(QStringLiteral("100"), QStringLiteral("Brake again"));
        added = Form_AddNewItem->values();
        EXPECT_TRUE(noticeShown());
        EXPECT_EQ(Form_TestItems->selectedItemRow(), 3);
        EXPECT_EQ(editorCell(3, ENUM_TestItemName), QStringLiteral("Brake again"));
        click(Form_TestItems, "TntSpeedButton_SaveRange"); // no current file: Save as
        EXPECT_FALSE(noticeShown());
        click(Form_TestItems, "TntSpeedButton_PrevPage");
        EXPECT_FALSE(Form_TestItems->isVisible());
    });
    const QString path = chosen + QStringLiteral(".ini");
    EXPECT_EQ(CurrentConfigFile, path);
    EXPECT_EQ(
        dialogs.texts(QStringLiteral("inform")).mid(3),
        (QStringList{QStringLiteral("Save OK"),
                     QStringLiteral("The configuration file has been change to the \r\n") + path}));
    EXPECT_TRUE(dialogs.texts(QStringLiteral("confirm")).isEmpty());
    // The main window reloaded the saved file: the same items and groups.
    EXPECT_TRUE(
        Form_MainKestrel->findChild<QLabel*>(QStringLiteral("TntLabel_CurrentConfigurationFile"))
            ->text()
            .endsWith(path));
    ASSERT_EQ(Global_CustomerCMD.CMD_Count, 3);
    EXPECT_EQ(ItemValues(Global_CustomerCMD, 2), added);
    EXPECT_EQ(Global_CustomerCMD.TxCANGroup[2], 0);
    EXPECT_EQ(Global_CustomerCMD.Group_Count, 2);
    EXPECT_TRUE(logText().contains(QStringLiteral("Edit the configure file")));
}

TEST_F(EditorWindowTest, ReturnWithUnsavedChangesAndCancelStaysOpen) {
    inEditor([&] {
        addItem(QStringLiteral("7FF"), QStringLiteral("Probe"));
        dialogs.confirmAnswers = {false};
        click(Form_TestItems, "TntSpeedButton_PrevPage");
        EXPECT_TRUE(Form_TestItems->isVisible());
        EXPECT_TRUE(noticeShown());
        EXPECT_EQ(dialogs.texts(QStringLiteral("confirm")),
                  QStringList{QStringLiteral("The setting which you have updated does not save.\r\n"
                                             "Are you sure that you want to ignore the changes and "
                                             "return to the main menu?")});
    });
    EXPECT_FALSE(Form_TestItems->isVisible());
    // Without a current file the unsaved item survives the return.
    EXPECT_EQ(Global_CustomerCMD.CMD_Count, 1);
}

TEST_F(EditorWindowTest, DoubleClickEditsTheClickedRowAndReturnDropsUnsavedEdits) {
    dialogs.fileAnswers = {writeConfig(QStringLiteral("two.ini"), 2)};
    Form_MainKestrel->TntSpeedButton_LoadConfigClick();
    inEditor([&] {
        EXPECT_EQ(Form_TestItems->findChild<QLineEdit*>(QStringLiteral("TntEdit_Title"))->text(),
                  QStringLiteral("two.ini"));
        // The grid's own initial highlight selects no item.
        click(Form_TestItems, "TntSpeedButton_Update");
        EXPECT_EQ(dialogs.texts(QStringLiteral("inform")).value(0),
                  QStringLiteral("Before updating the test item, click the [Main Description] "
                                 "of the item first."));
        QString shownName;
        whenOpen([&] {
            shownName = field("TntEdit_CANDescription1")->text();
            field("TntEdit_CANDescription1")->setText(QStringLiteral("Renamed"));
            click(Form_AddNewItem, "TntSpeedButton_Add");
        });
        GridView* grid = editorGrid();
        const QPoint row2 = grid->visualRect(grid->model()->index(1, 0)).center();
        // A double click: a click, then the double-click event.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row2);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, row2);
        EXPECT_EQ(shownName, QStringLiteral("Item 1"));
        EXPECT_EQ(editorCell(2, ENUM_TestItemName), QStringLiteral("Renamed"));
        EXPECT_EQ(Global_CustomerCMD.Description1[1], QStringLiteral("Renamed"));
        EXPECT_EQ(dialogs.texts(QStringLiteral("inform")).last(), QStringLiteral("Update OK !"));
    });
    // Return reloaded the file: the edit was not saved.
    EXPECT_EQ(Global_CustomerCMD.Description1[1], QStringLiteral("Item 1"));
}

TEST_F(EditorWindowTest, DeleteAndMovesKeepTheSelectedItem) {
    dialogs.fileAnswers = {writeConfig(QStringLiteral("three.ini"), 3)};
    Form_MainKestrel->TntSpeedButton_LoadConfigClick();
    inEditor([&] {
        click(Form_TestItems, "TntSpeedButton_MoveDown");
        EXPECT_EQ(dialogs.texts(QStringLiteral("inform")).value(0),
                  QStringLiteral("Before moving the test item, click the [Main Description] of "
                                 "the item first."));
        // Scrolled to the right, the names stay in view and select their rows.
        GridView* grid = editorGrid();
        grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
        auto* names =
            grid->findChild<GridView*>(QStringLiteral("TntStringGrid_RangeSeting_Frozen"));
        ASSERT_NE(names, nullptr);
        EXPECT_TRUE(names->isVisible());
        QTest::mouseClick(names->viewport(), Qt::LeftButton, {},
                          names->visualRect(names->model()->index(0, 0)).center());
        click(Form_TestItems, "TntSpeedButton_MoveDown");
        EXPECT_EQ(Form_TestItems->selectedItemRow(), 2);
        EXPECT_EQ(editorCell(2, ENUM_TestItemName), QStringLiteral("Item 0"));
        click(Form_TestItems, "TntSpeedButton_Remove");
        EXPECT_EQ(Form_TestItems->selectedItemRow(), 2);
        EXPECT_EQ(editorCell(2, ENUM_TestItemName), QStringLiteral("Item 2"));
        click(Form_TestItems, "TntSpeedButton_Remove");
        EXPECT_EQ(Form_TestItems->selectedItemRow(), 0);
        EXPECT_EQ(Global_CustomerCMD.CMD_Count, 1);
        // Save overwrites the current file after asking.
        dialogs.confirmAnswers = {true};
        click(Form_TestItems, "TntSpeedButton_SaveRange");
    });
    ASSERT_EQ(Global_CustomerCMD.CMD_Count, 1);
    EXPECT_EQ(Global_CustomerCMD.Description1[0], QStringLiteral("Item 1"));
}

} // namespace

namespace {

TEST_F(EditorWindowTest, AFullTableRefusesAddBeforeTheDialogOpens) {
    dialogs.fileAnswers = {writeConfig(QStringLiteral("full.ini"), kMaxTestItems)};
    Form_MainKestrel->TntSpeedButton_LoadConfigClick();
    inEditor([&] {
        click(Form_TestItems, "TntSpeedButton_Add");
        EXPECT_FALSE(Form_AddNewItem->isVisible());
        EXPECT_FALSE(noticeShown());
        EXPECT_EQ(dialogs.texts(QStringLiteral("inform")),
                  QStringList{QStringLiteral(
                      "The test configuration is full: it holds at most 100 test items.")});
    });
    EXPECT_EQ(Global_CustomerCMD.CMD_Count, kMaxTestItems);
}

TEST_F(EditorWindowTest, AConfigurationTheMainWindowCannotReloadIsReportedAfterReturn) {
    const QString path = writeConfig(QStringLiteral("spoilt.ini"), 1);
    dialogs.fileAnswers = {path};
    Form_MainKestrel->TntSpeedButton_LoadConfigClick();
    inEditor([&] {
        // Spoilt behind the editor's back: the reload on Return fails.
        writeConfig(QStringLiteral("spoilt.ini"), 1, QStringLiteral("TxLoopTimes=many"));
        click(Form_TestItems, "TntSpeedButton_PrevPage");
        EXPECT_FALSE(Form_TestItems->isVisible());
    });
    EXPECT_EQ(dialogs.texts(QStringLiteral("error")),
              QStringList{path + QStringLiteral(", line 5, TxLoopTimes: 'many' is not a valid "
                                                "integer value")});
}

// What the question names for each way a file is read in part is
// ConfigReadTest.AFileReadInPartIsNamedUntilTheTableIsWrittenOverIt; here a
// file that cannot be read at all, imported after a good one, is neither
// saved over by Save nor by Save as onto it when the question is cancelled.
TEST_F(EditorWindowTest, SaveNeverOverwritesAFileReadOnlyInPartWithoutAsking) {
    const QString utf16 = QStringLiteral("[0..Item 0..P]\nTxCANID=100\n");
    const QByteArray noBom(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2);
    const QString path = programPath(QStringLiteral("partly.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(noBom);
    file.close();
    dialogs.fileAnswers = {writeConfig(QStringLiteral("good.ini"), 2), path};
    while (!dialogs.fileAnswers.empty())
        Form_MainKestrel->TntSpeedButton_LoadConfigClick();
    EXPECT_TRUE(
        Form_MainKestrel->findChild<QLabel*>(QStringLiteral("TntLabel_CurrentConfigurationFile"))
            ->text()
            .endsWith(path + " (not loaded)"));
    // The grid shows what the table holds, not the rows of the file before.
    EXPECT_EQ(Global_ResultCells().rowCount(), ResultRowCountFor(Global_CustomerCMD.CMD_Count));

    const QString leftOut = QStringLiteral("the whole file (Cannot read");
    inEditor([&] {
        dialogs.confirmAnswers = {false}; // the question: Cancel
        click(Form_TestItems, "TntSpeedButton_SaveRange");
        const QStringList questions = dialogs.texts(QStringLiteral("confirm"));
        ASSERT_EQ(questions.size(), 1);
        EXPECT_TRUE(questions[0].contains(leftOut)) << questions[0].toStdString();
        dialogs.confirmAnswers = {false}; // Save as onto the same file: Cancel too
        dialogs.fileAnswers = {path};
        click(Form_TestItems, "TntSpeedButton_SaveAs");
        EXPECT_TRUE(dialogs.texts(QStringLiteral("confirm")).last().contains(leftOut));
    });
    EXPECT_FALSE(dialogs.texts(QStringLiteral("inform")).contains(QStringLiteral("Save OK")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), noBom);
}

TEST_F(EditorWindowTest, SavingAPartlyReadFileAfterOkWritesTheTableAndStopsAsking) {
    const QString path =
        writeConfig(QStringLiteral("five.ini"), 3, QStringLiteral("TxLoopTimes=x1"));
    dialogs.fileAnswers = {path};
    Form_MainKestrel->TntSpeedButton_LoadConfigClick();
    inEditor([&] {
        dialogs.confirmAnswers = {true};
        click(Form_TestItems, "TntSpeedButton_SaveRange");
        click(Form_TestItems, "TntSpeedButton_SaveRange");
    });
    const QStringList questions = dialogs.texts(QStringLiteral("confirm"));
    ASSERT_GE(questions.size(), 2);
    EXPECT_TRUE(questions[0].contains(QStringLiteral("item 2 and every item after it")));
    EXPECT_EQ(questions[1],
              QStringLiteral("Do you want to overwrite the current configuration file?"));
    EXPECT_EQ(ReadTestConfig(path).status, 0);
    EXPECT_EQ(Global_CustomerCMD.CMD_Count, 2);
}

} // namespace
