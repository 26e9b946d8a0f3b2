#pragma once
// Shared by the run engine's tests: a RunView without widgets that records
// what the run control shows, and helpers that build the test item table.

#include "Globals.h"
#include "ResultCells.h"
#include "ResultGridFill.h"
#include "RunView.h"
#include "ScriptedDialogs.h"
#include "UiTaskQueue.h"

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

// Records every box, and the result rows as they stood while the completion
// message was open.
class RecordingDialogs : public ScriptedDialogs {
public:
    std::vector<ResultCells::Row> rowsAtInform;
    void inform(const QString& caption, const QString& text) override {
        rowsAtInform = Global_ResultCells().snapshot();
        ScriptedDialogs::inform(caption, text);
    }
};

class TestRunView : public RunView {
public:
    UiTaskQueue queue;
    RecordingDialogs boxes;
    std::vector<RunControls> controls;
    std::vector<LampColour> lamps;
    bool timerEnabled[2] = {false, false};
    std::optional<QString> searchAgain; // caption while shown
    QString searchAgainText;
    int selectedRow = 0;
    QStringList singleTransmit; // "show N" and "hide", in order
    std::vector<VerdictCounts> summaries;

    void runOnUiThread(const std::function<void()>& task) override { queue.runBlocking(task); }
    void processPendingEvents() override { queue.drain(); }
    UserDialogs& dialogs() override { return boxes; }
    void setRunControls(RunControls state) override { controls.push_back(state); }
    void setTimerEnabled(RunTimer timer, bool enabled) override {
        timerEnabled[static_cast<int>(timer)] = enabled;
    }
    void setStatusLamp(LampColour colour) override { lamps.push_back(colour); }
    void showSearchAgain(const QString& text) override {
        if (!text.isEmpty())
            searchAgainText = text;
        searchAgain = searchAgainText;
    }
    void hideSearchAgain() override { searchAgain.reset(); }
    void setSelectedRow(int row) override { selectedRow = row; }
    void showSingleTransmit(int item) override {
        singleTransmit << QStringLiteral("show %1").arg(item);
    }
    void hideSingleTransmit() override { singleTransmit << QStringLiteral("hide"); }
    void showRunSummary(const VerdictCounts& counts) override { summaries.push_back(counts); }

    bool timer(RunTimer t) const { return timerEnabled[static_cast<int>(t)]; }

    // Serves the receive thread's calls until `done` holds; false after 20 s.
    bool serveUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            queue.serveFor(std::chrono::milliseconds(5));
        }
        return true;
    }
};

// One test item; every expectation is the wildcard unless set.
struct TestItem {
    uint32_t id = 0x100;
    uint8_t group = 0;
    int32_t times = 1;
    int32_t compId = kCompareWildcard;
    std::vector<int32_t> compData = {}; // bytes 0.. of the expected data
};

// Replaces the table with `items` and sizes the result cells for it.
inline void SetTable(const std::vector<TestItem>& items) {
    type_CustomerCMD& t = Global_CustomerCMD;
    t = type_CustomerCMD{};
    uint8_t highest = 0;
    for (const TestItem& item : items) {
        const int i = t.CMD_Count++;
        t.Description1[i] = QStringLiteral("item %1").arg(i);
        t.Description2[i] = QStringLiteral("param %1").arg(i);
        t.TxCANID[i] = item.id;
        t.TxCANLen[i] = 8;
        t.TxLoopInterval[i] = 1;
        t.TxLoopTimes[i] = item.times;
        t.TxLoopTerminal[i] = 1;
        t.TxCANGroup[i] = item.group;
        highest = std::max(highest, item.group);
        t.Comp_CANID[i] = item.compId;
        t.Comp_CANMode[i] = t.Comp_CANRTR[i] = t.Comp_CANLen[i] = kCompareWildcard;
        for (int d = 0; d < kCanDataBytes; ++d)
            t.Comp_CANData[i][d] =
                d < static_cast<int>(item.compData.size()) ? item.compData[d] : kCompareWildcard;
    }
    t.Group_Count = items.empty() ? 0 : static_cast<uint8_t>(highest + 1);
    FillResultRows(Global_ResultCells());
}

inline QString Cell(int column, int row) {
    return Global_ResultCells().cell(column, row);
}
