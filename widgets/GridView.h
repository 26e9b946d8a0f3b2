#pragma once
// The grid look that Kestrel's windows share: silver fixed cells, a bold header
// row on orange, one-line centred text, 20-pixel rows, and whole rows selected
// by the mouse. UI thread only.

#include <QColor>
#include <QFont>
#include <QStyledItemDelegate>
#include <QTableView>
#include <span>

// Backgrounds of the grids: the fixed cells, and every other cell and the
// space beyond the cells.
inline constexpr QColor kFixedCellColour{192, 192, 192};
inline constexpr QColor kGridColour{242, 248, 248};
inline constexpr int kGridRowHeight = 20;

// Arial 13 pixels where it is installed, else a metric-compatible sans font.
QFont GridFont();

// Draws one cell: silver in the fixed columns (never drawn as selected), the
// selection colours in the selected row, else the grid colour; an extra fill
// of the window's own over that; the text centred on one line.
class GridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    GridCellDelegate(int fixedColumns, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    // A fill drawn over the background with black text (invalid: none).
    virtual QColor cellFill(const QModelIndex& index, const QString& text) const;

private:
    int fixedColumns_;
};

// A grid: the header row is the view's horizontal header, data row r (1
// upwards) is model row r - 1. Pressing or releasing the mouse over a data cell
// selects its whole row; presses on the header or beside the columns change
// nothing; dragging selects nothing. With ExtendedSelection, Ctrl and Shift
// clicks add rows to the selection. From the keyboard, the row the arrow,
// page, Home and End keys move to is selected as if it were clicked, and Tab
// and Shift+Tab leave the grid for the window's next or previous control.
class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent);

    void setColumnWidths(std::span<const int> widths);
    // Keeps the first `count` columns in view when the grid scrolls sideways;
    // call once, after the model and the delegate are set.
    void setFrozenColumns(int count);
    // Selects data row `row` as a whole; other rows are ignored.
    void selectGridRow(int row);
    // The highlighted data row, 0 when none.
    int selectedGridRow() const;

signals:
    // A press or release of the mouse over data row `row`, or below the last
    // row (0), or a keyboard move onto data row `row`; the row is already
    // selected.
    void gridRowClicked(int row);
    // A double click anywhere on the cells.
    void gridDoubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void selectRowUnderMouse(QMouseEvent* event);
    bool extendsSelection(const QMouseEvent& event) const;
    void showFrozenColumnsOnly();
    void placeFrozenColumns();

    // Drawn over the left edge: the frozen columns, which do not scroll sideways.
    GridView* frozen_ = nullptr;
    int frozenCount_ = 0;
};
