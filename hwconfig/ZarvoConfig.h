#pragma once
// TForm_ZarvoConfig: the CAN hardware configuration window. The user searches
// for CAN interface modules, sees how the driver maps them to virtual ports,
// and chooses the port and bit rate Kestrel uses (ZarvoPort, ZarvoBaudRate),
// which Save writes to Zarvo.ini. What the views show is built by
// ZarvoDevices; this window only puts it on screen. UI thread only.

#include "ZarvoApi.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QTableWidget;
class QTimer;
class QToolButton;
class QTreeWidget;
class UserDialogs;

class TForm_ZarvoConfig : public QDialog {
    Q_OBJECT
public:
    // `programFolder` holds Zarvo.ini; the port table and the search come from `driver`.
    TForm_ZarvoConfig(UserDialogs& dialogs, const QString& programFolder,
                      const ZarvoBinding& driver = builtinZarvoBinding(),
                      QWidget* parent = nullptr);

    // Empties Memo_About and puts `line` into it as its one line.
    void setDriverInfo(const QString& line);
    // Shows the window modally, centred on `mainWindow`.
    void execCentredOn(const QWidget& mainWindow);

    // Rebuilds the tree and the mapping table from the driver's port table.
    void RebuildDeviceViews();

public slots:
    void SpeedButton_SearchZarvoClick();
    void Timer_IsSearchOKTimer();
    void TntSpeedButton_SaveRangeClick();
    void TntSpeedButton_PrevPageClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Escape and the window system's close go the way of Return.
    void reject() override;

private:
    void createControls();
    QWidget* createSettingsColumn();
    QWidget* createDevicesColumn();
    void FormShow();
    void FormActivate();
    // Lets the port list hold every reported port and entry `selected`.
    void resizePortList(int reportedPorts, int selected);
    void ListChange();

    UserDialogs& dialogs_;
    const QString programFolder_;
    const ZarvoBinding& driver_;
    // A search this window started has not reached 100 yet.
    bool searching_ = false;

    QLineEdit* TntEdit_Title = nullptr;
    QLabel* TntLabel_SearchCAN = nullptr;
    QToolButton* SpeedButton_SearchZarvo = nullptr;
    QLabel* TntLabel_ZarvoPort = nullptr;
    QComboBox* ComboBox_ZarvoPort = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBox_BaudRate = nullptr;
    QToolButton* TntSpeedButton_SaveRange = nullptr;
    QProgressBar* ProgressBar_Status = nullptr;
    QLabel* Label_Percent = nullptr;
    QLabel* Label1 = nullptr;
    QTreeWidget* TreeView_SearchCAN = nullptr;
    QLabel* Label5 = nullptr;
    QTableWidget* ListView_Zarvo = nullptr;
    QPlainTextEdit* Memo_About = nullptr;
    QLabel* TntLabel_UnSaveAlarm = nullptr;
    QToolButton* TntSpeedButton_PrevPage = nullptr;
    QLabel* TntLabel_CurrentConfigurationFile = nullptr;
    QTimer* Timer_IsSearchOK = nullptr;
};

// The single instance, while the program's windows exist.
extern TForm_ZarvoConfig* Form_ZarvoConfig;
