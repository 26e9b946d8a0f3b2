#pragma once
// The look of the result grid: the view over ResultGridModel and the drawing
// of its cells. UI thread only.

#include "ResultCells.h"

#include <QColor>
#include <QLocale>
#include <QStyledItemDelegate>
#include <QTableView>

class ResultGridModel;

// Fill of a Result cell: green for "0" (every compared field matched), yellow
// for "--" (not judged yet, or nothing compared), red for any other code; no
// colour (invalid) for an empty cell, which keeps the row's background.
QColor ResultCellColour(const QString& text);

// Draws one cell: its background (silver name columns, the selection colour in
// the others, else the grid colour), the Result colour over it, and the text
// centred on one line.
class ResultCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ResultCellDelegate(ResultCells& cells, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    ResultCells& cells_;
};

// The grid view `TntStringGrid_TestResult`: whole rows are selected by
// pressing or releasing the mouse over a data cell; presses on the header or
// outside the cells change nothing.
class ResultGridView : public QTableView {
    Q_OBJECT
public:
    ResultGridView(ResultGridModel* model, QWidget* parent);

    // Selects data row `row` (grid row, 1 upwards) as a whole; other rows are ignored.
    void selectGridRow(int row);
    // The selected data row, 0 when none.
    int selectedGridRow() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void TntStringGrid_TestResultMouseDown(QMouseEvent* event);
};

// The grid set-up of every refresh: column widths, header texts, row 1
// selected. The time columns fit the times of `locale`, the one the run
// writes them in.
void SetUpResultGrid(ResultGridView* grid, const QLocale& locale = QLocale::system());
