#pragma once
// A grid of texts as a table model: one list of cell texts per data row and
// one header text per column. The grids of the editing windows hold nothing
// else. UI thread only.

#include <QAbstractTableModel>
#include <QStringList>

class TextGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TextGridModel(int columns, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Replaces every row; a missing cell text is empty.
    void setRows(const QList<QStringList>& rows);
    void setHeaders(const QStringList& headers);
    // The text of data row `row` (1 upwards), column `column`.
    QString cell(int row, int column) const;

private:
    int columns_;
    QList<QStringList> rows_;
    QStringList headers_;
};
