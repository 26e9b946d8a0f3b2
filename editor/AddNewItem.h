#pragma once
// TForm_AddNewItem: the test item dialog. The editor prepares it (title line,
// OK caption and, for Edit, every field), shows it modally and reads the
// accepted values after OK. Fields carry over from one use to the next.
// UI thread only.

#include "ItemInput.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class UserDialogs;

class TForm_AddNewItem : public QDialog {
    Q_OBJECT
public:
    explicit TForm_AddNewItem(UserDialogs& dialogs, QWidget* parent = nullptr);

    // The title line's text and background, and the OK button's caption.
    void prepare(const QString& title, const QColor& background, const QString& okCaption);
    // Shows `item` in the fields (Edit); the 29-bit switch does not run.
    void fill(const TestItemValues& item);
    // The accepted values, valid after the dialog closed with OK.
    const TestItemValues& values() const { return values_; }

    // What the fields hold now.
    ItemInput input() const;

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    QWidget* createTransmitPanel();
    QWidget* createComparePanel();
    void setTabOrderAsShown();
    void FormShow();
    void ComboBox_CANModeChange(int entry);
    void setIdText(const QString& text);
    void TntSpeedButton_AddClick();

    UserDialogs& dialogs_;
    TestItemValues values_;
    int idLimit_ = 3; // what the user may type into Edit_ID

    QLineEdit* TntEdit_Title = nullptr;
    QLabel* TntPanel_Tx = nullptr;
    QLabel* TntPanel_CompareRx = nullptr;
    QLabel* TntLabel_ItemDescription = nullptr;
    QLabel* TntLabel_ItemParameter = nullptr;
    QLineEdit* TntEdit_CANDescription1 = nullptr;
    QLineEdit* TntEdit_CANDescription2 = nullptr;
    QComboBox* ComboBox_CANMode = nullptr;
    QLineEdit* Edit_ID = nullptr;
    QComboBox* ComboBox_CANRTR = nullptr;
    QComboBox* ComboBox_CANLen = nullptr;
    QLineEdit* Edit_Data[kCanDataBytes] = {};
    QLabel* TntLabel_TimeInterval = nullptr;
    QLabel* TntLabel_TotalTime = nullptr;
    QLabel* TntLabel2 = nullptr;
    QLabel* Label_Second = nullptr;
    QLineEdit* Edit_LoopInterval = nullptr;
    QLineEdit* Edit_LoopTotalTime = nullptr;
    QLineEdit* Edit_LoopTerminal = nullptr;
    QComboBox* ComboBox_Comp_Mode = nullptr;
    QLineEdit* Edit_Comp_ID = nullptr;
    QComboBox* ComboBox_Comp_RTR = nullptr;
    QComboBox* ComboBox_Comp_Len = nullptr;
    QLineEdit* Edit_Comp_Data[kCanDataBytes] = {};
    QCheckBox* CheckBox_Mode = nullptr;
    QCheckBox* CheckBox_ID = nullptr;
    QCheckBox* CheckBox_RTR = nullptr;
    QCheckBox* CheckBox_Len = nullptr;
    QCheckBox* CheckBox_Data[kCanDataBytes] = {};
    QPushButton* TntSpeedButton_Add = nullptr;
    QPushButton* Button_Cancel = nullptr;
};

// The single instance, while the program's windows exist.
extern TForm_AddNewItem* Form_AddNewItem;
