#include "ResultGridView.h"

#include "ResultGridModel.h"
#include "SystemLog.h"
#include "TimeOfDay.h"

#include <array>

namespace {

constexpr std::array<int, ResultCells::ColumnCount> kColumnWidths{200, 200, 90, 90, 90, 280};
constexpr int kTimePadding = 8; // pixels beside a centred time text

// Width of the Start Time and End Time columns: the grid's usual 90 pixels,
// or more where the widest time of day of `locale` needs it ("12:58:58.888 PM").
int TimeColumnWidth(const QFontMetrics& metrics, const QLocale& locale) {
    // 8 is the widest digit in common fonts; the hours cover both halves of a
    // 12-hour clock and one- and two-digit hours.
    int widest = 0;
    for (int hour = 0; hour < 24; ++hour) {
        const QString text = TimeOfDayText(QTime(hour, 58, 58, 888), locale);
        widest = std::max(widest, metrics.horizontalAdvance(text));
    }
    return std::max(kColumnWidths[ResultCells::StartTime], widest + kTimePadding);
}

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

void SetUpResultGrid(ResultGridView* grid, const QLocale& locale) {
    grid->setColumnWidths(kColumnWidths);
    const int timeWidth = TimeColumnWidth(grid->fontMetrics(), locale);
    grid->setColumnWidth(ResultCells::StartTime, timeWidth);
    grid->setColumnWidth(ResultCells::EndTime, timeWidth);
    static_cast<ResultGridModel*>(grid->model())->retranslate();
    grid->selectGridRow(1);
}
