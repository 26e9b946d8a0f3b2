#pragma once
// The result grid as a Qt table model over the shared result cells.
//
// Model row r is grid row r + 1 (grid row 0, the header, is the horizontal
// header here). The cells are written from the driver's threads; each burst of
// writes posts one queued refresh() to this model's thread, which announces the
// changed rows only. UI thread only, apart from the cells themselves. One
// model per cells object: the model owns the cells' change notifier.

#include "ResultCells.h"

#include <QAbstractTableModel>

class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ResultGridModel(ResultCells& cells, QObject* parent);
    ~ResultGridModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    ResultCells& cells() const { return cells_; }

public slots:
    // Takes the rows changed since the last refresh, follows a change of the
    // row count and announces the changed rows.
    void refresh();
    // The header texts are phrases: announces them after a change of language.
    void retranslate();

private:
    ResultCells& cells_;
    int rows_ = 0; // data rows announced to the views
};
