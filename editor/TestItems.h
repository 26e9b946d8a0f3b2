#pragma once
// TForm_TestItems: the test configuration editor. Lists the test item table in
// a grid, adds, edits, deletes and moves items (with the test item dialog),
// saves the table and returns to the main window, whose refresh reloads the
// current configuration. The red notice is the only record of unsaved
// changes. UI thread only.

#include <QDialog>
#include <QKeySequence>
#include <exception>
#include <functional>

class GridView;
class QLabel;
class QLineEdit;
class QToolButton;
class TextGridModel;
class UserDialogs;

class TForm_TestItems : public QDialog {
    Q_OBJECT
public:
    // `mainRefresh` is the main window's refresh, run by Return.
    TForm_TestItems(UserDialogs& dialogs, std::function<void()> mainRefresh,
                    QWidget* parent = nullptr);

    // Shows the editor modally; what Return's refresh of the main window threw
    // is thrown again here, once the editor is closed.
    int exec() override;
    // The window closes by Return only.
    void reject() override;

    // The data row the editor itself selected and that shows an item, else 0.
    int selectedItemRow() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    // A tool button running `command`, also on each of `keys`.
    QToolButton* addButton(const QString& name, const QString& picture, const QString& hint,
                           const QList<QKeySequence>& keys, void (TForm_TestItems::*command)());
    void FormShow();
    void showStatusLine();
    // Rebuilds the grid's rows from the table and highlights the selected row again.
    void showTable();
    // Runs a command; an error that reaches it is shown in the standard error box.
    void runCommand(void (TForm_TestItems::*command)());
    void selectRow(int row);
    void markChanged();
    void writeTable(const QString& path);
    // Asks `question` before `path` is overwritten, or, when the table holds
    // only part of that file, a question naming what would be lost.
    bool confirmSave(const QString& path, const QString& question);

    // Save, Save as, Return (TestItems.cpp).
    void TntSpeedButton_SaveRangeClick();
    void TntSpeedButton_SaveAsClick();
    void TntSpeedButton_PrevPageClick();
    // The item commands (TestItemCommands.cpp).
    void TntSpeedButton_AddClick();
    void TntSpeedButton_UpdateClick();
    void TntSpeedButton_RemoveClick();
    void TntSpeedButton_MoveUpClick();
    void TntSpeedButton_MoveDownClick();
    // Exchanges the item of the selected row with the one `step` rows away.
    void moveSelected(int step);

    UserDialogs& dialogs_;
    std::function<void()> mainRefresh_;
    std::exception_ptr pendingError_;
    int selectedRow_ = 0; // the row the editor itself selected, 0 when none

    QLineEdit* TntEdit_Title = nullptr;
    TextGridModel* gridModel_ = nullptr;
    GridView* TntStringGrid_RangeSeting = nullptr;
    QToolButton* TntSpeedButton_Add = nullptr;
    QToolButton* TntSpeedButton_Update = nullptr;
    QToolButton* TntSpeedButton_Remove = nullptr;
    QToolButton* TntSpeedButton_MoveUp = nullptr;
    QToolButton* TntSpeedButton_MoveDown = nullptr;
    QToolButton* TntSpeedButton_SaveAs = nullptr;
    QToolButton* TntSpeedButton_SaveRange = nullptr;
    QToolButton* TntSpeedButton_PrevPage = nullptr;
    QLabel* TntLabel_UnSaveAlarm = nullptr;
    QLabel* TntLabel_CurrentConfigurationFile = nullptr;
};

// The single instance, while the program's windows exist.
extern TForm_TestItems* Form_TestItems;
