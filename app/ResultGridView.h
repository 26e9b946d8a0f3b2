#pragma once
// The look of the result grid: the view over ResultGridModel and the drawing
// of its cells. UI thread only.

#include "GridView.h"
#include "ResultCells.h"

class ResultGridModel;

// Fill of a Result cell: green for "0" (every compared field matched), yellow
// for "--" (not judged yet, or nothing compared), red for any other code; no
// colour (invalid) for an empty cell, which keeps the row's background.
QColor ResultCellColour(const QString& text);

// Draws one cell the grid way, with the two name columns fixed and the Result
// colour over the Result cells.
class ResultCellDelegate : public GridCellDelegate {
    Q_OBJECT
public:
    ResultCellDelegate(ResultCells& cells, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    QColor cellFill(const QModelIndex& index, const QString& text) const override;

private:
    ResultCells& cells_;
};

// The grid view `TntStringGrid_TestResult`.
class ResultGridView : public GridView {
    Q_OBJECT
public:
    ResultGridView(ResultGridModel* model, QWidget* parent);
};

// The grid set-up of every refresh: column widths, header texts, row 1 selected.
void SetUpResultGrid(ResultGridView* grid);
