#include "ResultGridModel.h"

#include "Phrases.h"
#include "SystemLog.h"

#include <algorithm>
#include <array>

namespace {

// Phrase rows of the six column headers.
constexpr std::array<PhraseId, ResultCells::ColumnCount> kHeaderPhrases{
    PhraseId::HeaderTestName, PhraseId::HeaderTestParameter, PhraseId::HeaderStartTime,
    PhraseId::HeaderEndTime,  PhraseId::HeaderResult,        PhraseId::HeaderRemarks};

} // namespace

ResultGridModel::ResultGridModel(ResultCells& cells, QObject* parent)
    : QAbstractTableModel(parent), cells_(cells), rows_(cells.rowCount() - 1) {
    cells_.takeChangedRows();
    // Runs on the writing thread with the cells locked: only posts the refresh.
    cells_.setChangeNotifier([this] {
        QMetaObject::invokeMethod(this, &ResultGridModel::refresh, Qt::QueuedConnection);
    });
}

ResultGridModel::~ResultGridModel() {
    cells_.setChangeNotifier({});
}

int ResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ResultCells::ColumnCount;
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        try {
            return cells_.cell(index.column(), index.row() + 1);
        } catch (const std::out_of_range&) {
            SystemLogf(
                "TntStringGrid_TestResultDrawCell#2 Error! RowCount(%d) ARow = %d, ACol = %d",
                cells_.rowCount(), index.row() + 1, index.column());
            return QString();
        }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    default:
        return {};
    }
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= ResultCells::ColumnCount)
        return {};
    return Phrase(kHeaderPhrases[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags ResultGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ResultGridModel::refresh() {
    const auto [first, last] = cells_.takeChangedRows();
    const int rows = cells_.rowCount() - 1;
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
    const int top = std::max(first - 1, 0);
    const int bottom = std::min(last - 1, rows_ - 1);
    if (top <= bottom)
        emit dataChanged(index(top, 0), index(bottom, ResultCells::ColumnCount - 1));
}

void ResultGridModel::retranslate() {
    emit headerDataChanged(Qt::Horizontal, 0, ResultCells::ColumnCount - 1);
}
