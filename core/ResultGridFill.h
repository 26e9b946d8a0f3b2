#pragma once
// Filling and clearing the result grid's cells from the test item table.
// Widget-free, so that the main window and the run engine share it. Called on
// the UI thread (the table is only written there); the cells lock themselves.

#include "ResultCells.h"

#include <stdexcept>

// Grid rows for a table of `itemCount` items: the header and one row per item,
// or one empty data row when the table is empty.
int ResultRowCountFor(int itemCount);

// A row of the result grid could not be written while filling after a load.
// what() is the line written to the system log; cause() the original error.
class ResultRowError : public std::runtime_error {
public:
    ResultRowError(const QString& logLine, const QString& cause);
    const QString& cause() const { return cause_; }

private:
    QString cause_;
};

// Sizes the grid for the table and writes the names of every item; Start Time,
// End Time and Result are emptied, Remarks is kept. A row that cannot be
// written is logged ("FormCreate#2 Error! ...") and the next row follows.
void FillResultRows(ResultCells& cells);

// As FillResultRows, but the first row that cannot be written is logged
// ("TestResult Error! ...") and ends the filling with ResultRowError.
void FillResultRowsAfterLoad(ResultCells& cells);

// Writes the names of every item and empties its four result columns. Stops
// at the first row that cannot be written ("ClearGrid_TestResult Error! ...").
void ClearResultColumns(ResultCells& cells);
