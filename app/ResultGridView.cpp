#include "ResultGridView.h"

#include "ResultGridModel.h"
#include "SystemLog.h"

#include <array>

namespace {

constexpr std::array<int, ResultCells::ColumnCount> kColumnWidths{200, 200, 90, 90, 90, 280};

} // namespace

QColor ResultCellColour(const QString& text) {
    if (text.isEmpty())
        return {};
    if (text == QLatin1String("0"))
        return QColor(0, 255, 0);
    if (text == QLatin1String("--"))
        return QColor(255, 255, 0);
    return QColor(255, 0, 0);
}

ResultCellDelegate::ResultCellDelegate(ResultCells& cells, QObject* parent)
    : GridCellDelegate(ResultCells::TestParameter + 1, parent), cells_(cells) {
    setObjectName(QStringLiteral("TntStringGrid_TestResultDrawCell"));
}

void ResultCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const int row = index.row() + 1;
    const int rows = cells_.rowCount();
    if (row >= rows) {
        SystemLogf("TntStringGrid_TestResultDrawCell#1 Error! RowCount(%d) ARow = %d", rows, row);
        return;
    }
    GridCellDelegate::paint(painter, option, index);
}

QColor ResultCellDelegate::cellFill(const QModelIndex& index, const QString& text) const {
    return index.column() == ResultCells::Result ? ResultCellColour(text) : QColor();
}

ResultGridView::ResultGridView(ResultGridModel* model, QWidget* parent) : GridView(parent) {
    setObjectName(QStringLiteral("TntStringGrid_TestResult"));
    setModel(model);
    setItemDelegate(new ResultCellDelegate(model->cells(), this));
}

void SetUpResultGrid(ResultGridView* grid) {
    grid->setColumnWidths(kColumnWidths);
    static_cast<ResultGridModel*>(grid->model())->retranslate();
    grid->selectGridRow(1);
}
