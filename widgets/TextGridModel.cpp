#include "TextGridModel.h"

TextGridModel::TextGridModel(int columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(columns) {}

int TextGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TextGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant TextGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return cell(index.row() + 1, index.column());
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return headers_.value(section);
}

Qt::ItemFlags TextGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TextGridModel::setRows(const QList<QStringList>& rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
}

void TextGridModel::setHeaders(const QStringList& headers) {
    headers_ = headers;
    emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

QString TextGridModel::cell(int row, int column) const {
    return rows_.value(row - 1).value(column);
}
