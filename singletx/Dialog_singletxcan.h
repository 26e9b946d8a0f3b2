#pragma once
// TForm_SingleTxCAN: the single transmit dialog. While a single-item test
// repeats an item until Stop, the user changes its eight data bytes here; every
// accepted change is handed to the driver at once as group 0 again, replacing
// the message the driver repeats. Save stores the bytes in the test
// configuration file. UI thread only.

#include "ZarvoApi.h"

#include <QDialog>
#include <cstdint>

class QLabel;
class QLineEdit;
class QToolButton;
class UserDialogs;

// Up-down buttons beside a decimal box: a click proposes the position one
// above or below; the owner accepts it with setPosition().
class UpDownButtons : public QWidget {
    Q_OBJECT
public:
    explicit UpDownButtons(QWidget* parent = nullptr);
    int position() const { return position_; }
    void setPosition(int position) { position_ = position; }

signals:
    void changing(int newPosition);

private:
    int position_ = 0;
};

// Top edge of a dialog of `dialogHeight` placed directly below a main window,
// moved up so that its bottom edge stays within the work area.
int SingleTxDialogTop(int mainTop, int mainHeight, int dialogHeight, int workAreaHeight);

class TForm_SingleTxCAN : public QDialog {
    Q_OBJECT
public:
    // Hands the changed message to `driver`.
    explicit TForm_SingleTxCAN(UserDialogs& dialogs,
                               const ZarvoBinding& driver = builtinZarvoBinding(),
                               QWidget* parent = nullptr);

    // Takes the item's eight data bytes and its number, and shows them.
    void LoadItemData(const uint8_t (&bytes)[8], uint16_t index);
    // Loads item `item`, names it and shows the dialog directly below `mainWindow`.
    void ShowBelow(const QWidget& mainWindow, int item);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    // Enter in a box, or leaving it.
    void HexEntered(int position);
    void DecimalEntered(int position);
    void UpDownChanging(int position, int newPosition);
    void ApplyPendingText();
    void SetByte(int position, int value);
    void Send();
    void TntSpeedButton_SaveRangeClick();

    UserDialogs& dialogs_;
    const ZarvoBinding& driver_;
    QLabel* TntLabel_TestName = nullptr;
    QLabel* TntLabel_TestParameter = nullptr;
    QLineEdit* Edit_Data[8] = {};
    QLineEdit* Edit[8] = {};
    UpDownButtons* UpDown_Data[8] = {};
    QToolButton* TntSpeedButton_SaveRange = nullptr;

    uint8_t data_[8] = {};
    uint16_t index_ = 0;
    type_ZarvoMsg msg_{};
};

// The single instance, while the program's windows exist.
extern TForm_SingleTxCAN* Form_SingleTxCAN;
