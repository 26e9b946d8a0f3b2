#include "ResultGridFill.h"

#include "Globals.h"
#include "SystemLog.h"

namespace {

// Columns 0 and 1 from item `item`; the columns from Start Time to
// `lastEmptied` emptied. Throws std::out_of_range for a row outside the grid.
void writeItemRow(ResultCells& cells, int item, int lastEmptied) {
    const int row = item + 1;
    cells.setCell(ResultCells::TestName, row, Global_CustomerCMD.Description1[item]);
    cells.setCell(ResultCells::TestParameter, row, Global_CustomerCMD.Description2[item]);
    for (int column = ResultCells::StartTime; column <= lastEmptied; ++column)
        cells.setCell(column, row, QString());
}

enum class OnFailure { LogAndGoOn, LogAndThrow };

void fillRows(ResultCells& cells, const QString& logFormat, OnFailure onFailure) {
    cells.setRowCount(ResultRowCountFor(Global_CustomerCMD.CMD_Count));
    for (int item = 0; item < Global_CustomerCMD.CMD_Count; ++item) {
        try {
            writeItemRow(cells, item, ResultCells::Result);
        } catch (const std::exception& e) {
            const QString line = logFormat.arg(cells.rowCount()).arg(item + 1);
            SystemLog(line);
            if (onFailure == OnFailure::LogAndThrow)
                throw ResultRowError(line, QString::fromUtf8(e.what()));
        }
    }
}

} // namespace

int ResultRowCountFor(int itemCount) {
    return itemCount > 0 ? itemCount + 1 : 2;
}

ResultRowError::ResultRowError(const QString& logLine, const QString& cause)
    : std::runtime_error(logLine.toStdString()), cause_(cause) {}

void FillResultRows(ResultCells& cells) {
    fillRows(cells, QStringLiteral("FormCreate#2 Error! RowCount(%1) [x][%2]"),
             OnFailure::LogAndGoOn);
}

void FillResultRowsAfterLoad(ResultCells& cells) {
    fillRows(cells, QStringLiteral("TestResult Error! RowCount(%1) [n][%2]"),
             OnFailure::LogAndThrow);
}

void ClearResultColumns(ResultCells& cells) {
    for (int item = 0; item < Global_CustomerCMD.CMD_Count; ++item) {
        try {
            writeItemRow(cells, item, ResultCells::Remarks);
        } catch (const std::exception&) {
            SystemLogf("ClearGrid_TestResult Error! RowCount(%d) [4][%d]", cells.rowCount(),
                       item + 1);
            return;
        }
    }
}
