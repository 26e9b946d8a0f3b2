#include "ResultGridView.h"

#include "ResultGridModel.h"
#include "SystemLog.h"
#include "TimeOfDay.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <array>

namespace {

constexpr std::array<int, ResultCells::ColumnCount> kColumnWidths{200, 200, 90, 90, 90, 280};
constexpr int kRowHeight = 20;
constexpr int kTimePadding = 8; // pixels beside a centred time text

QFont gridFont() {
    QFont font;
    // Arial where it is installed, else a metric-compatible or common sans font;
    // fontconfig supplies the CJK glyphs of the Chinese texts.
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(13);
    return font;
}

// Width of the Start Time and End Time columns: as specified, or more where
// the widest time of day of `locale` needs it ("12:58:58.888 PM").
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
    : QStyledItemDelegate(parent), cells_(cells) {
    setObjectName(QStringLiteral("TntStringGrid_TestResultDrawCell"));
}

void ResultCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const int row = index.row() + 1;
    const int column = index.column();
    // The name columns are fixed cells: never drawn as selected.
    const bool selected =
        (option.state & QStyle::State_Selected) && column > ResultCells::TestParameter;
    painter->fillRect(option.rect, selected ? option.palette.color(QPalette::Highlight)
                                            : index.data(Qt::BackgroundRole).value<QColor>());
    const int rows = cells_.rowCount();
    if (row >= rows) {
        SystemLogf("TntStringGrid_TestResultDrawCell#1 Error! RowCount(%d) ARow = %d", rows, row);
        return;
    }
    const QString text = index.data().toString();
    QColor textColour = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    if (column == ResultCells::Result) {
        if (const QColor fill = ResultCellColour(text); fill.isValid()) {
            painter->fillRect(option.rect, fill);
            textColour = Qt::black;
        }
    }
    painter->setPen(textColour);
    painter->setFont(option.font);
    painter->drawText(option.rect, Qt::AlignCenter | Qt::TextSingleLine, text);
}

ResultGridView::ResultGridView(ResultGridModel* model, QWidget* parent) : QTableView(parent) {
    setObjectName(QStringLiteral("TntStringGrid_TestResult"));
    setModel(model);
    setItemDelegate(new ResultCellDelegate(model->cells(), this));
    setFont(gridFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Base, kGridColour);
    setPalette(colours);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(kRowHeight);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setFixedHeight(kRowHeight + 1);
    QFont headerFont = gridFont();
    headerFont.setBold(true);
    header->setFont(headerFont);
    // The header row is drawn bold on orange, with the grid's lines.
    header->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(255, 153, 51); color: black;"
                       " border: 0px; border-right: 1px solid rgb(128, 128, 128);"
                       " border-bottom: 1px solid rgb(128, 128, 128); }"));
}

void ResultGridView::selectGridRow(int row) {
    if (row < 1 || row > model()->rowCount())
        return;
    const QModelIndex first = model()->index(row - 1, 0);
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    selectionModel()->select(first,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int ResultGridView::selectedGridRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void ResultGridView::mousePressEvent(QMouseEvent* event) {
    TntStringGrid_TestResultMouseDown(event);
}

void ResultGridView::mouseReleaseEvent(QMouseEvent* event) {
    TntStringGrid_TestResultMouseDown(event);
}

// Dragging does not extend or move the selection: only presses and releases select.
void ResultGridView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void ResultGridView::TntStringGrid_TestResultMouseDown(QMouseEvent* event) {
    const QModelIndex cell = indexAt(event->position().toPoint());
    if (cell.isValid())
        selectGridRow(cell.row() + 1);
    event->accept();
}

void SetUpResultGrid(ResultGridView* grid, const QLocale& locale) {
    for (int column = 0; column < ResultCells::ColumnCount; ++column)
        grid->setColumnWidth(column, kColumnWidths[static_cast<std::size_t>(column)]);
    const int timeWidth = TimeColumnWidth(grid->fontMetrics(), locale);
    grid->setColumnWidth(ResultCells::StartTime, timeWidth);
    grid->setColumnWidth(ResultCells::EndTime, timeWidth);
    static_cast<ResultGridModel*>(grid->model())->retranslate();
    grid->selectGridRow(1);
}
