#pragma once
// TForm_BusMonitor: the bus monitor window. Every frame the port of Zarvo.ini
// sends and receives comes from the driver's tap into a MonitorStaging; the
// window takes what waits at most 25 times a second (one queued call per
// batch starts a single-shot timer) and shows it in two views of the same
// capture: chronological and fixed. Pausing freezes the views while the
// capture goes on. With a signal database chosen, the fixed view names each
// identifier's message and a frame of the chronological view expands to its
// decoded signals (decoded then, not as frames arrive). The database, the
// capture's size and the time column's mode are kept in BusMonitor.ini for
// the next start. Non-modal; closing it stops listening and keeps the
// capture. UI thread only.

#include "BusMonitor.h"
#include "MonitorSettings.h"
#include "MonitorStaging.h"
#include "ZarvoApi.h"

#include <QElapsedTimer>
#include <QWidget>
#include <memory>

namespace dbc {
class Database;
}
class ChronologicalModel;
class QAbstractItemModel;
class FixedModel;
class GridView;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QTimer;
class QToolButton;
class UserDialogs;

class TForm_BusMonitor : public QWidget {
    Q_OBJECT
public:
    // Refreshes are at least this far apart.
    static constexpr int kRefreshPeriodMs = 40;

    // Listens through `driver`.
    explicit TForm_BusMonitor(UserDialogs& dialogs,
                              const ZarvoBinding& driver = builtinZarvoBinding(),
                              QWidget* parent = nullptr, const Clock& clock = steadyClock());
    ~TForm_BusMonitor() override;

    // The bus monitor command once the port is open: listens to ZarvoPort
    // (again, when it changed) and shows the window.
    void ShowMonitor();

    // The texts in the current language (also when the language changes).
    void setPhrases();

    // Takes the waiting frames into the capture and the views; the refresh
    // timer calls it.
    void Refresh();
    // The status line and the highlights, every second.
    void Timer_StatusTimer();

    // Commands.
    void Button_PauseClick(bool paused);
    void Button_ClearClick();
    void Button_CopyClick();
    void Button_SaveClick();
    void ApplyFilter();
    // Chooses the signal database (a file dialog); a file that cannot be read
    // is reported and changes nothing.
    void Button_DatabaseClick();
    // Expands the chronological view's row `row` (from 0) to its frame's
    // signals, or collapses it; the grid's double click calls it.
    void ToggleSignals(int row);

    BusMonitor& monitor() { return monitor_; }
    // Where the driver's tap delivers; tests and the benchmark feed it directly.
    MonitorStaging& staging() { return *staging_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    QWidget* createToolRow();
    QWidget* createFilterRow();
    GridView* createGrid(const QString& name, QAbstractItemModel* model, bool highlights);
    std::shared_ptr<MonitorStaging> makeStaging();
    void listen(uint8_t port);
    void stopListening();
    void scheduleRefresh();
    void updateStatus();
    std::vector<MonitorFrame> selectedFrames() const;
    bool saveCapture(const QString& path);
    QString interfaceName() const;
    // The choices of the last start (BusMonitor.ini), and storing each change.
    void applySettings();
    void saveSettings();
    // Shows `database`'s signals (none: null); its path is settings_.database.
    void useDatabase(std::shared_ptr<const dbc::Database> database);

    UserDialogs& dialogs_;
    const ZarvoBinding& driver_;
    BusMonitor monitor_;
    std::shared_ptr<MonitorStaging> staging_;
    MonitorStaging::Batch batch_;
    uint64_t tapId_ = 0; // 0: not listening
    int tappedPort_ = -1;
    int capturedPort_ = -1; // the port whose frames the capture holds
    QString listenError_;
    QElapsedTimer sinceRefresh_;

    ChronologicalModel* chronologicalModel_ = nullptr;
    FixedModel* fixedModel_ = nullptr;
    QTabWidget* PageControl_Views = nullptr;
    GridView* Grid_Chronological = nullptr;
    GridView* Grid_Fixed = nullptr;
    QToolButton* Button_Pause = nullptr;
    QToolButton* Button_Clear = nullptr;
    QToolButton* Button_Copy = nullptr;
    QToolButton* Button_Save = nullptr;
    QToolButton* Button_Database = nullptr;
    QLabel* Label_Database = nullptr; // the database's file name
    MonitorSettings settings_;
    QComboBox* ComboBox_TimeMode = nullptr;
    QSpinBox* SpinBox_Capacity = nullptr;
    QLabel* Label_IdFilter = nullptr;
    QLineEdit* Edit_IdFilter = nullptr;
    QComboBox* ComboBox_Direction = nullptr;
    QLabel* Label_TextFilter = nullptr;
    QLineEdit* Edit_TextFilter = nullptr;
    QLabel* Label_FilterError = nullptr;
    QLabel* Label_Status = nullptr;
    QTimer* Timer_Refresh = nullptr;
    QTimer* Timer_Status = nullptr;
};

// The single instance, while the program's windows exist.
extern TForm_BusMonitor* Form_BusMonitor;
