#include "RunCallbacks.h"

#include "Globals.h"
#include "ResultCells.h"
#include "SystemLog.h"
#include "TimeOfDay.h"

#include <algorithm>
#include <iterator>

namespace {

enum class Candidates { AllItems, Group, Single };

// The first candidate item (table order) for which `qualifies(row)` holds, or -1.
template <typename Predicate>
int FirstCandidate(Candidates mode, uint8_t group, Predicate qualifies) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    if (mode == Candidates::Single) {
        const int item = SingleTestRow - 1;
        return item >= 0 && item < t.CMD_Count && qualifies(item + 1) ? item : -1;
    }
    for (int item = 0; item < t.CMD_Count; ++item) {
        if (mode == Candidates::Group && t.TxCANGroup[item] != group)
            continue;
        if (qualifies(item + 1))
            return item;
    }
    return -1;
}

auto CellEmpty(ResultCells& cells, int column) {
    return [&cells, column](int row) { return cells.cell(column, row).isEmpty(); };
}

void UpdateStartTime(Candidates mode, uint8_t group) {
    try {
        ResultCells& cells = Global_ResultCells();
        const int item = FirstCandidate(mode, group, CellEmpty(cells, ResultCells::StartTime));
        if (item < 0)
            return;
        const QString time = CurrentTimeOfDayText();
        const int32_t response = Global_CustomerCMD.Comp_CANID[item];
        if (mode != Candidates::Group)
            SystemLogf("compareID=%d", response);
        zarvo().Zarvo_SetResponseID(ZarvoPort, group, response);
        cells.setCell(ResultCells::StartTime, item + 1, time);
        cells.setCell(ResultCells::Result, item + 1, QStringLiteral("--"));
    } catch (const std::exception&) {
        SystemLog(QStringLiteral("TThread_TxCAN::UpdateStartTime() Error!"));
    }
}

void UpdateEndTime(Candidates mode, uint8_t group) {
    try {
        ResultCells& cells = Global_ResultCells();
        const int item = FirstCandidate(mode, group, CellEmpty(cells, ResultCells::EndTime));
        if (item >= 0)
            cells.setCell(ResultCells::EndTime, item + 1, CurrentTimeOfDayText());
    } catch (const std::exception&) {
        SystemLog(QStringLiteral("TThread_TxCAN::UpdateEndTime() Error!"));
    }
}

void OnTxState(Candidates mode, uint8_t group, const uint8_t* state) {
    std::lock_guard lock(RunCellsMutex());
    if (!state)
        return;
    if (*state == 0)
        UpdateStartTime(mode, group);
    else if (*state == 1)
        UpdateEndTime(mode, group);
}

// The received value of every compared field, as the system log keeps them:
// one line per field, the data line once per compared byte.
void LogComparedFields(const Expectation& e, const Response& r) {
    const std::pair<int32_t, const char*> fields[] = {
        {e.id, "GRxID"}, {e.mode, "GRxMode"}, {e.rtr, "GRxRTR"}, {e.len, "GRxLen"}};
    const int32_t received[] = {static_cast<int32_t>(r.id), r.mode, r.rtr, r.len};
    for (size_t f = 0; f < std::size(fields); ++f) {
        if (fields[f].first != kCompareWildcard)
            SystemLog(
                QStringLiteral("%1(%2)").arg(QLatin1String(fields[f].second)).arg(received[f]));
    }
    const auto& b = r.data;
    for (int32_t expected : e.data) {
        if (expected != kCompareWildcard)
            SystemLogf("GRxData1=%d, GRxData2=%d, GRxData3=%d, GRxData4=%d, GRxData5=%d, "
                       "GRxData6=%d, GRxData7=%d, GRxData8=%d",
                       b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
    }
}

// The Result cell, and the Remarks cell of a compared response.
void WriteVerdict(int item, const Verdict& v) {
    ResultCells& cells = Global_ResultCells();
    const int row = item + 1;
    const bool compared = v.outcome != Verdict::NotCompared;
    try {
        cells.setCell(ResultCells::Result, row, v.resultText());
        if (compared)
            cells.setCell(ResultCells::Remarks, row, v.remarks());
    } catch (const std::exception&) {
        SystemLogf("Thread_RxCAN(IsNeedCompare = %d) Error! RowCount(%d) [4][%d]", compared ? 1 : 0,
                   cells.rowCount(), row);
    }
}

void JudgeResponse(int item, const Response& response) {
    const Expectation expected = Expectation::ofItem(Global_CustomerCMD, item);
    LogComparedFields(expected, response);
    ReceivedResponses()[static_cast<size_t>(item)] = response;
    WriteVerdict(item, Judge(expected, response));
}

void OnResponse(Candidates mode, uint8_t group, const uint8_t* data, Response response) {
    std::lock_guard lock(RunCellsMutex());
    if (mode == Candidates::Single)
        SystemLogf("_SingleIndex=%d)", SingleTestRow);
    else
        SystemLogf("Msg Group ID = %d", group);
    if (!data)
        return;
    std::copy_n(data, kCanDataBytes, response.data.begin());
    // The single item is judged whatever its cells hold; otherwise the first
    // unfinished candidate, so a late response goes to the next item. A row
    // the grid lacks is never a candidate; writing to it is what fails.
    ResultCells& cells = Global_ResultCells();
    const bool anyState = mode == Candidates::Single;
    const int item = FirstCandidate(mode, group, [&cells, anyState](int row) {
        return anyState ||
               (row < cells.rowCount() && cells.cell(ResultCells::EndTime, row).isEmpty());
    });
    if (item >= 0)
        JudgeResponse(item, response);
}

} // namespace

std::mutex& RunCellsMutex() {
    static std::mutex mutex;
    return mutex;
}

RunResponses& ReceivedResponses() {
    static RunResponses responses;
    return responses;
}

void TxCallback_AllItems(uint32_t, uint8_t group, uint8_t* state) {
    OnTxState(Candidates::AllItems, group, state);
}

void TxCallback_Group(uint32_t, uint8_t group, uint8_t* state) {
    OnTxState(Candidates::Group, group, state);
}

void TxCallback_Single(uint32_t, uint8_t group, uint8_t* state) {
    OnTxState(Candidates::Single, group, state);
}

void RxCallback_AllItems(uint32_t, uint8_t group, uint32_t id, uint8_t mode, uint8_t rtr,
                         uint8_t len, uint8_t* data) {
    OnResponse(Candidates::AllItems, group, data, {id, mode, rtr, len, {}});
}

void RxCallback_Group(uint32_t, uint8_t group, uint32_t id, uint8_t mode, uint8_t rtr, uint8_t len,
                      uint8_t* data) {
    OnResponse(Candidates::Group, group, data, {id, mode, rtr, len, {}});
}

void RxCallback_Single(uint32_t, uint8_t group, uint32_t id, uint8_t mode, uint8_t rtr, uint8_t len,
                       uint8_t* data) {
    OnResponse(Candidates::Single, group, data, {id, mode, rtr, len, {}});
}
