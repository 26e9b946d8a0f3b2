#pragma once
// TForm_ViewTrend: the trend window. Created with the other windows at
// start-up, it starts the trend receive thread at once and lives until the
// program ends; View Trend shows it again, closing only hides it. Three pages:
// the watched identifiers (TrendCAN.ini), the live chart of two of them, and
// the data view with its four formulas. UI thread only.

#include "TrendFormula.h"
#include "TrendSignals.h"
#include "TrendView.h"
#include "Tthread_dataconvert_rxcan.h"

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class GridView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QStandardItemModel;
class QTabWidget;
class QTimer;
class QToolButton;
class StatusLamp;
class TrendChart;
class UserDialogs;

inline constexpr int kFormulaLines = 4;

class TForm_ViewTrend : public QWidget, public TrendView {
    Q_OBJECT
public:
    // The receive thread reads through `driver`.
    explicit TForm_ViewTrend(UserDialogs& dialogs,
                             const ZarvoBinding& driver = builtinZarvoBinding(),
                             QWidget* parent = nullptr);
    ~TForm_ViewTrend() override;

    // The View Trend command once the port is open: the thread polls ZarvoPort,
    // the window shows maximised with the configuration page in front and
    // curve 1 cleared.
    void ShowTrend();

    TThread_DataConvert_RxCAN& thread() { return *thread_; }

    // TrendView
    void runOnUiThread(const std::function<void()>& task) override;
    void processPendingEvents() override;
    void setStatusLamp(LampColour colour) override;
    void showSearchAgain(const QString& text) override;
    void hideSearchAgain() override;

    // Page commands.
    void TntSpeedButton_AddCANIDClick();
    void TntSpeedButton_RemoveClick();
    void TntSpeedButton_SaveTrendCANIDClick();
    // Chooses the signal database (a file dialog); a file that cannot be
    // read is reported and changes nothing.
    void TntSpeedButton_DatabaseClick();
    void TntComboBox_TrendCANChange(int curve, int position);
    void CheckBox_CANID2Click();
    void Timer_ShowCurveTimer();
    void Timer_ShowDataViewTimer();
    void Timer_FormulaTimer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct FormulaLine {
        QCheckBox* check = nullptr;
        QLineEdit* description = nullptr;
        QLineEdit* formula = nullptr;
        QLineEdit* result = nullptr;
        FormulaEntry entry; // what the formula box holds and whose result is shown
    };

    // ViewTrendControls.cpp
    void createControls();
    QWidget* createConfigPage();
    QWidget* createChartPage();
    QWidget* createChartTools(QWidget* parent);
    void setChartToolTexts();
    QWidget* createDataViewPage();
    QWidget* createFormulaLine(int k, QWidget* parent);
    QWidget* createStatusRow(int page, QWidget* parent);
    void setPhrases();

    // The configuration page (ViewTrend.cpp).
    void pageChanged(int page);
    void TabSheet_TrendConfigShow();
    void fillConfigGrid();
    void setConfigRow(int row, int entry, const QString& idText);
    void selectTypeAndRange(int type, int range);
    void ComboBox_DataConvert_DataTypeChange();
    void showByteDiagram();
    void gridRowClicked(int row);
    void showUnsaved(bool shown);
    // The database of Global_TrendCAN.Database, read when the path changed;
    // a database that cannot be read is reported once and leaves none.
    void loadDatabase();
    void fillSignalList();
    TrendSignal entrySignal(int entry) const;

    // The chart page (ViewTrendChart.cpp).
    void TabSheet_TrendShow();
    // Curve `curve` plots entry `position` from now on.
    void followEntry(int curve, int position);
    void dropCurve(int curve);
    void showCurve(int curve, const TrendHistory& history, int length);

    // The data view page (ViewTrendDataView.cpp).
    void TabSheet_DataViewShow();
    std::optional<QString> variableText(int n) const;
    // Shows `text` in formula line `k` as committed, without a result yet.
    void loadFormula(int k, const QString& text);

    UserDialogs& dialogs_;
    std::unique_ptr<TThread_DataConvert_RxCAN> thread_;

    QTabWidget* PageControl1 = nullptr;
    // Configuration page.
    QLineEdit* TntEdit_Title = nullptr;
    GridView* TntStringGrid_TrendCANID = nullptr;
    QStandardItemModel* configModel_ = nullptr;
    QLabel* TntLabel_ItemDescription = nullptr;
    QLabel* TntLabel_ItemParameter = nullptr;
    QLabel* TntLabel_ItemCANID = nullptr;
    QLabel* TntLabel_ItemDataType = nullptr;
    QLabel* TntLabel_ItemDataRange = nullptr;
    QLineEdit* TntEdit_CANDescription1 = nullptr;
    QLineEdit* TntEdit_CANDescription2 = nullptr;
    QLineEdit* Edit_ID = nullptr;
    QComboBox* ComboBox_DataConvert_DataType = nullptr;
    QComboBox* ComboBox_DataConvert_DataRange = nullptr;
    QLabel* Image_CANData = nullptr;
    QLabel* TntLabel_ItemSignal = nullptr;
    QComboBox* ComboBox_Signal = nullptr; // "" (type and range) first, then MESSAGE.SIGNAL
    QToolButton* TntSpeedButton_Database = nullptr;
    std::shared_ptr<const dbc::Database> database_;
    QString databasePath_; // the path database_ was read from (or refused)
    QToolButton* TntSpeedButton_AddCANID = nullptr;
    QToolButton* TntSpeedButton_Remove = nullptr;
    QToolButton* TntSpeedButton_SaveTrendCANID = nullptr;
    QLabel* TntLabel_UnSaveAlarm = nullptr;
    // Chart page.
    std::array<StatusLamp*, 2> lamps_{};
    std::array<QLabel*, 2> searchAgain_{};
    std::array<QCheckBox*, 2> viewBoxes_{};
    std::array<QComboBox*, 2> curveLists_{};
    std::array<QLineEdit*, 2> curveTexts_{};
    std::array<QLabel*, 2> valueLabels_{};
    std::array<QLineEdit*, 2> valueEdits_{};
    TrendChart* Chart_Trend = nullptr;
    QToolButton* TntSpeedButton_Pause = nullptr;
    QToolButton* TntSpeedButton_ResetView = nullptr;
    TrendHistories shown_{};         // the histories the chart shows
    std::array<QString, 2> units_{}; // of the curves' signals; empty for other entries
    bool curve2Shown_ = false;
    // Data view page.
    GridView* TntStringGrid_DataView = nullptr;
    QStandardItemModel* dataModel_ = nullptr;
    QLabel* TntLabel_UnSaveAlarm2 = nullptr;
    QToolButton* TntSpeedButton_SaveFormula = nullptr;
    std::array<FormulaLine, kFormulaLines> formulas_{};

    QTimer* Timer_ShowCurve = nullptr;
    QTimer* Timer_ShowDataView = nullptr;
    QTimer* Timer_Formula = nullptr;
};

// Empties a grid of the window and sets its header row, column widths and one
// row per entry (one empty row without entries): the configuration grid's five
// columns, and with `dataView` the data view's "Value" column after them.
void ResetTrendGrid(GridView& grid, QStandardItemModel& model, bool dataView);

// The single instance, while the program's windows exist.
extern TForm_ViewTrend* Form_ViewTrend;
