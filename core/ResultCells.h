#pragma once
// The result grid's cells: the only place where a run's results are held.
//
// Thread-safe: every method locks the one mutex, so the driver callbacks write
// cells from their own threads while the UI thread's view and timers read them.
// Rows are numbered as in the grid: row 0 is the header, row i + 1 is item i.

#include <QString>
#include <array>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

class ResultCells {
public:
    enum Column { TestName, TestParameter, StartTime, EndTime, Result, Remarks, ColumnCount };
    using Row = std::array<QString, ColumnCount>;
    // Inclusive range of grid rows changed since the last takeChangedRows(); empty when first >
    // last.
    using RowRange = std::pair<int, int>;

    int rowCount() const;
    // Keeps the cells of the rows that remain; new rows are empty.
    void setRowCount(int rows);

    // Both throw std::out_of_range for a column or row outside the grid.
    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);

    Row row(int row) const;
    std::vector<Row> snapshot() const;

    // Called (from the writing thread) on the first change after the changed
    // rows were last taken, so that a burst of writes produces one notice.
    // The notifier must not call back into this object synchronously.
    void setChangeNotifier(std::function<void()> notifier);
    RowRange takeChangedRows();

private:
    void markChanged(int first, int last);

    mutable std::mutex mutex_;
    std::vector<Row> rows_{1};
    std::function<void()> notifier_;
    RowRange changed_{1, 0};
};

// The result grid of the main window, shared with the run engine.
ResultCells& Global_ResultCells();
