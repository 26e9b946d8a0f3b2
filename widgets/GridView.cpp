#include "GridView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

QFont GridFont() {
    QFont font;
    // fontconfig supplies the CJK glyphs of the Chinese texts.
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(13);
    return font;
}

GridCellDelegate::GridCellDelegate(int fixedColumns, QObject* parent)
    : QStyledItemDelegate(parent), fixedColumns_(fixedColumns) {}

QColor GridCellDelegate::cellFill(const QModelIndex&, const QString&) const {
    return {};
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const bool fixed = index.column() < fixedColumns_;
    const bool selected = (option.state & QStyle::State_Selected) && !fixed;
    const QString text = index.data().toString();
    QColor fill = fixed      ? kFixedCellColour
                  : selected ? option.palette.color(QPalette::Highlight)
                             : kGridColour;
    QColor textColour = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    if (const QColor extra = cellFill(index, text); extra.isValid()) {
        fill = extra;
        textColour = Qt::black;
    }
    painter->fillRect(option.rect, fill);
    painter->setPen(textColour);
    painter->setFont(option.font);
    painter->drawText(option.rect, Qt::AlignCenter | Qt::TextSingleLine, text);
}

GridView::GridView(QWidget* parent) : QTableView(parent) {
    setFont(GridFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Base, kGridColour);
    setPalette(colours);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    // Tab belongs to the window: it leaves the grid instead of moving between cells.
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(kGridRowHeight);
    verticalHeader()->setDefaultSectionSize(kGridRowHeight);
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setFixedHeight(kGridRowHeight + 1);
    QFont headerFont = GridFont();
    headerFont.setBold(true);
    header->setFont(headerFont);
    // The header row is drawn bold on orange, with the grid's lines.
    header->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(255, 153, 51); color: black;"
                       " border: 0px; border-right: 1px solid rgb(128, 128, 128);"
                       " border-bottom: 1px solid rgb(128, 128, 128); }"));
}

void GridView::setColumnWidths(std::span<const int> widths) {
    for (std::size_t column = 0; column < widths.size(); ++column) {
        setColumnWidth(static_cast<int>(column), widths[column]);
        if (frozen_)
            frozen_->setColumnWidth(static_cast<int>(column), widths[column]);
    }
    placeFrozenColumns();
}

void GridView::setFrozenColumns(int count) {
    frozenCount_ = count;
    frozen_ = new GridView(this);
    frozen_->setObjectName(objectName() + QStringLiteral("_Frozen"));
    frozen_->setModel(model());
    frozen_->setSelectionModel(selectionModel());
    frozen_->setItemDelegate(itemDelegate());
    frozen_->setFocusPolicy(Qt::NoFocus);
    frozen_->setFrameStyle(QFrame::NoFrame);
    frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(frozen_, &GridView::gridRowClicked, this, &GridView::gridRowClicked);
    connect(frozen_, &GridView::gridDoubleClicked, this, &GridView::gridDoubleClicked);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(model(), &QAbstractItemModel::modelReset, this, &GridView::showFrozenColumnsOnly);
    showFrozenColumnsOnly();
    placeFrozenColumns();
    frozen_->show();
}

void GridView::showFrozenColumnsOnly() {
    for (int column = 0; column < model()->columnCount(); ++column)
        frozen_->setColumnHidden(column, column >= frozenCount_);
}

void GridView::placeFrozenColumns() {
    if (!frozen_)
        return;
    int width = 0;
    for (int column = 0; column < frozenCount_; ++column)
        width += columnWidth(column);
    frozen_->setGeometry(frameWidth(), frameWidth(), width + 1,
                         viewport()->height() + horizontalHeader()->height());
}

void GridView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    placeFrozenColumns();
}

void GridView::selectGridRow(int row) {
    if (row < 1 || row > model()->rowCount())
        return;
    const QModelIndex first = model()->index(row - 1, 0);
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    selectionModel()->select(first,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int GridView::selectedGridRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void GridView::mousePressEvent(QMouseEvent* event) {
    if (extendsSelection(*event))
        QTableView::mousePressEvent(event);
    else
        selectRowUnderMouse(event);
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
    if (extendsSelection(*event))
        QTableView::mouseReleaseEvent(event);
    else
        selectRowUnderMouse(event);
}

// A grid whose rows may be chosen together takes Ctrl and Shift clicks as any table does.
bool GridView::extendsSelection(const QMouseEvent& event) const {
    return selectionMode() == QAbstractItemView::ExtendedSelection &&
           (event.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier));
}

// Dragging does not extend or move the selection: only presses and releases select.
void GridView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void GridView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit gridDoubleClicked();
}

void GridView::keyPressEvent(QKeyEvent* event) {
    const int before = currentIndex().row();
    // Rows are what the keyboard moves between: Home and End go to the first
    // and the last row, as Ctrl+Home and Ctrl+End do in a table.
    const bool homeOrEnd = event->key() == Qt::Key_Home || event->key() == Qt::Key_End;
    if (homeOrEnd && event->modifiers() == Qt::NoModifier) {
        QKeyEvent rowKey(event->type(), event->key(), Qt::ControlModifier);
        QTableView::keyPressEvent(&rowKey);
        event->setAccepted(rowKey.isAccepted());
    } else {
        QTableView::keyPressEvent(event);
    }
    const int after = currentIndex().row();
    if (after < 0 || after == before)
        return;
    // The keyboard's row is the selected row, also for the window that
    // follows the rows the user chose.
    selectGridRow(after + 1);
    emit gridRowClicked(after + 1);
}

void GridView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    // The view makes the first cell current on entry; without a selected row
    // the keyboard stays on no row, so that the first Down selects row 1.
    if (selectedGridRow() == 0)
        selectionModel()->clearCurrentIndex();
}

void GridView::selectRowUnderMouse(QMouseEvent* event) {
    event->accept();
    const QPoint at = event->position().toPoint();
    // Beside the last column is not below the rows: nothing happens there.
    if (columnAt(at.x()) < 0)
        return;
    const int row = rowAt(at.y()) + 1;
    selectGridRow(row);
    emit gridRowClicked(row);
}
