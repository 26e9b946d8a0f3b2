#pragma once
// The control of a test run: the two worker threads, Test all items, Test the
// selected item, Stop and the two 100 ms end-of-run checks. The main window
// and kestrel-cli drive the same controller through their RunView.
//
// UI thread only (the thread that owns the view), except where the view's
// runOnUiThread() is called from the receive thread.

#include "ResultCells.h"
#include "RunReport.h"
#include "RunTrace.h"
#include "RunView.h"
#include "Tthread_rxcan.h"
#include "Tthread_txcan.h"
#include "Verdict.h"

#include <QString>
#include <optional>
#include <vector>

// The port check before a port is opened: the driver's port table lists `port`.
bool PortInTable(uint8_t port, const ZarvoBinding& driver);

class RunController {
public:
    // Creates the receive thread and then the transmit thread, both suspended.
    // Each run that ends leaves its results as a CSV report in `reportFolder`
    // (none when it is empty), and beside it the run's bus trace (same name,
    // ".log"). The port, its groups and its trace go through `driver`.
    explicit RunController(RunView& view, QString reportFolder = DefaultReportFolder(),
                           const ZarvoBinding& driver = builtinZarvoBinding());
    // Stops the receive thread's polling, serving its calls until it is idle,
    // before the threads end.
    ~RunController();
    RunController(const RunController&) = delete;
    RunController& operator=(const RunController&) = delete;

    // Test all items; `groupSend` is the state of "Multiple Sent".
    void testAllItems(bool groupSend);
    // Test the item in grid row `row` (SelectItemToTest when it is not a data row of an item).
    void testSelectedItem(int row);
    // Stop; `traceNote`, when given, closes the run's trace as a comment line.
    void stop(const QString& traceNote = {});
    // The handlers of the two 100 ms timers.
    void testAllItemsTimer();
    void testSingleItemTimer();

    bool isRunning() const { return running_; }
    // Grid rows 1 and on as the last run left them, before they were cleared.
    const std::vector<ResultCells::Row>& lastResults() const { return lastResults_; }
    // The verdict of each row of lastResults(); none for an item the run did not test.
    const std::vector<std::optional<Verdict>>& lastVerdicts() const { return lastVerdicts_; }
    // The report of the last run; empty when none was written.
    const QString& lastReportPath() const { return lastReportPath_; }
    // The runs from now on also write their bus trace to `path` (none when empty).
    void setTraceFile(const QString& path) { traceFile_ = path; }
    // The trace of the last run (the trace file, or else the one beside the
    // report); empty when none was written.
    const QString& lastTracePath() const { return lastTracePath_; }

private:
    // Zarvo_GetPortTable's count must be above ZarvoPort; else PortError.
    bool portCheck();
    // Every identifier of the run (grid row `row`, or all items for 0) fits
    // its item's mode; else an error box names the first that does not.
    bool idsFit(int row);
    void startThreads();
    // The end of a run whose items all have their End Time: Stop is disabled,
    // the receive thread finishes the responses it holds, the completion
    // message shows over the results, then the results are kept, judged and
    // cleared, the lamp turns blue and the controls return.
    void finishByItself();
    void waitForReceiveThread();
    void clearResults();
    // Copies the results for lastResults() and the report, judges them for
    // lastVerdicts() and the run summary, then clears them.
    void keepAndClearResults(const QString& traceNote = {});
    void judgeResults();
    void writeReport();
    void startTrace();
    // Ends the trace; a trace beside the report takes the report's name.
    void finishTrace(const QString& note);
    // A --trace file also goes beside the report, as every report has its trace.
    void copyTraceBesideReport();

    RunView& view_;
    QString reportFolder_;
    const ZarvoBinding& driver_;
    bool running_ = false;
    std::vector<ResultCells::Row> lastResults_;
    std::vector<std::optional<Verdict>> lastVerdicts_;
    QString lastReportPath_;
    QString traceFile_;
    QString lastTracePath_;
    RunTrace trace_;
    bool tracingToFolder_ = false; // the trace goes beside the report, not to traceFile_
    TThread_RxCAN RxThread;
    TThread_TxCAN TxThread;
};
