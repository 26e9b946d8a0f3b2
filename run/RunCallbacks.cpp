#include "RunCallbacks.h"

#include "Globals.h"
#include "ResultCells.h"
#include "SystemLog.h"
#include "TimeOfDay.h"

#include <QStringList>

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

struct Response {
    uint32_t id;
    uint8_t mode, rtr, len;
    const uint8_t* data;
};

struct Verdict {
    bool needCompare = false;
    uint32_t mismatchCode = 0;
    QStringList remarks;
};

// One compared field: `expected` -1 skips it; a received 8-bit value is
// compared as an unsigned number, so an expectation above 255 never matches.
void CompareField(Verdict& v, int32_t expected, int64_t received, uint32_t bit,
                  const QString& remark) {
    v.needCompare = true;
    if (received != expected) {
        v.mismatchCode |= bit;
        v.remarks << remark;
    }
}

Verdict Compare(int item, const Response& r) {
    const type_CustomerCMD& t = Global_CustomerCMD;
    Verdict v;
    struct Field {
        int32_t expected;
        int64_t received;
        uint32_t bit;
        const char* logName; // the log line is "<logName>(<received>)"
        const char* remark;
    };
    // The identifier is compared with all 32 bits of the expectation.
    const Field fields[] = {
        {t.Comp_CANID[item], static_cast<int32_t>(r.id), kMismatchID, "GRxID", "ID"},
        {t.Comp_CANMode[item], r.mode, kMismatchMode, "GRxMode", "Mode"},
        {t.Comp_CANRTR[item], r.rtr, kMismatchRTR, "GRxRTR", "RTR"},
        {t.Comp_CANLen[item], r.len, kMismatchLen, "GRxLen", "Len"},
    };
    for (const Field& f : fields) {
        if (f.expected == kCompareWildcard)
            continue;
        SystemLog(QStringLiteral("%1(%2)")
                      .arg(QLatin1String(f.logName))
                      .arg(static_cast<int32_t>(f.received)));
        CompareField(v, f.expected, f.received, f.bit, QString::fromLatin1(f.remark));
    }
    // All eight bytes are compared whatever the received length.
    for (int d = 0; d < kCanDataBytes; ++d) {
        if (t.Comp_CANData[item][d] == kCompareWildcard)
            continue;
        const uint8_t* b = r.data;
        SystemLogf("GRxData1=%d, GRxData2=%d, GRxData3=%d, GRxData4=%d, GRxData5=%d, "
                   "GRxData6=%d, GRxData7=%d, GRxData8=%d",
                   b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
        CompareField(v, t.Comp_CANData[item][d], b[d], kMismatchData0 << d,
                     QStringLiteral("D%1").arg(d + 1));
    }
    return v;
}

void WriteVerdict(int item, const Verdict& v) {
    ResultCells& cells = Global_ResultCells();
    const int row = item + 1;
    try {
        if (v.needCompare) {
            cells.setCell(ResultCells::Result, row, QString::number(v.mismatchCode));
            cells.setCell(ResultCells::Remarks, row, v.remarks.join(QLatin1String(", ")));
        } else {
            cells.setCell(ResultCells::Result, row, QStringLiteral("--"));
        }
    } catch (const std::exception&) {
        SystemLogf("Thread_RxCAN(IsNeedCompare = %d) Error! RowCount(%d) [4][%d]",
                   v.needCompare ? 1 : 0, cells.rowCount(), row);
    }
}

void OnResponse(Candidates mode, uint8_t group, const Response& response) {
    std::lock_guard lock(RunCellsMutex());
    if (mode == Candidates::Single)
        SystemLogf("_SingleIndex=%d)", SingleTestRow);
    else
        SystemLogf("Msg Group ID = %d", group);
    if (!response.data)
        return;
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
        WriteVerdict(item, Compare(item, response));
}

} // namespace

std::mutex& RunCellsMutex() {
    static std::mutex mutex;
    return mutex;
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
    OnResponse(Candidates::AllItems, group, {id, mode, rtr, len, data});
}

void RxCallback_Group(uint32_t, uint8_t group, uint32_t id, uint8_t mode, uint8_t rtr, uint8_t len,
                      uint8_t* data) {
    OnResponse(Candidates::Group, group, {id, mode, rtr, len, data});
}

void RxCallback_Single(uint32_t, uint8_t group, uint32_t id, uint8_t mode, uint8_t rtr, uint8_t len,
                       uint8_t* data) {
    OnResponse(Candidates::Single, group, {id, mode, rtr, len, data});
}
