#include "ResultCells.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

void checkIndex(int column, int row, std::size_t rows) {
    if (column < 0 || column >= ResultCells::ColumnCount || row < 0 ||
        static_cast<std::size_t>(row) >= rows)
        throw std::out_of_range("cell [" + std::to_string(column) + "][" + std::to_string(row) +
                                "] outside a grid of " + std::to_string(rows) + " rows");
}

} // namespace

int ResultCells::rowCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(rows_.size());
}

void ResultCells::setRowCount(int rows) {
    const std::size_t count = static_cast<std::size_t>(std::max(rows, 1));
    std::lock_guard lock(mutex_);
    rows_.resize(count);
    markChanged(0, static_cast<int>(count) - 1);
}

QString ResultCells::cell(int column, int row) const {
    std::lock_guard lock(mutex_);
    checkIndex(column, row, rows_.size());
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void ResultCells::setCell(int column, int row, const QString& text) {
    std::lock_guard lock(mutex_);
    checkIndex(column, row, rows_.size());
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
    markChanged(row, row);
}

ResultCells::Row ResultCells::row(int row) const {
    std::lock_guard lock(mutex_);
    checkIndex(0, row, rows_.size());
    return rows_[static_cast<std::size_t>(row)];
}

std::vector<ResultCells::Row> ResultCells::snapshot() const {
    std::lock_guard lock(mutex_);
    return rows_;
}

void ResultCells::setChangeNotifier(std::function<void()> notifier) {
    std::lock_guard lock(mutex_);
    notifier_ = std::move(notifier);
}

ResultCells::RowRange ResultCells::takeChangedRows() {
    std::lock_guard lock(mutex_);
    return std::exchange(changed_, RowRange{1, 0});
}

// Called with the mutex held.
void ResultCells::markChanged(int first, int last) {
    const bool wasClean = changed_.first > changed_.second;
    changed_ = wasClean
                   ? RowRange{first, last}
                   : RowRange{std::min(changed_.first, first), std::max(changed_.second, last)};
    if (wasClean && notifier_)
        notifier_();
}

ResultCells& Global_ResultCells() {
    static ResultCells cells;
    return cells;
}
