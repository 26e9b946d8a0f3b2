#pragma once
// The table models of the bus monitor's two views. Each reads its rows from
// the BusMonitor and hears about their changes as its RowListener, so that new
// frames insert rows and changed identifiers change cells: the models reset
// only when the filter changes or the capture is cleared. UI thread only.

#include "BusMonitor.h"

#include <QAbstractTableModel>

enum class TimeMode { Absolute, SincePrevious, SinceStart };

// A table model that passes the BusMonitor's row notices on as its own.
class MonitorModel : public QAbstractTableModel, public RowListener {
    Q_OBJECT
public:
    // The header texts come from the window, in its language.
    MonitorModel(const BusMonitor& monitor, int columns, QObject* parent);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void setHeaders(QStringList headers);

    void aboutToInsert(size_t first, size_t last) override;
    void inserted() override;
    void aboutToRemove(size_t first, size_t last) override;
    void removed() override;
    void changed(size_t first, size_t last) override;
    void aboutToReset() override;
    void reset() override;

protected:
    const BusMonitor& monitor_;

private:
    int columns_;
    QStringList headers_;
};

// One row per shown frame: time, direction, identifier, RTR, DLC, data.
class ChronologicalModel final : public MonitorModel {
    Q_OBJECT
public:
    enum Column { Time, Direction, Identifier, Remote, Length, Data, ColumnCount };

    ChronologicalModel(const BusMonitor& monitor, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void setTimeMode(TimeMode mode);

private:
    QString timeText(size_t row) const;

    TimeMode timeMode_ = TimeMode::Absolute;
    mutable qint64 clockSecond_ = -1;
    mutable QString clockText_;
};

// One row per identifier and direction: direction, identifier, RTR, DLC, the
// eight data bytes, count and cycle times. Data cells of a byte that changed
// a moment ago answer kChangedRole with true.
class FixedModel final : public MonitorModel {
    Q_OBJECT
public:
    enum Column {
        Direction,
        Identifier,
        Remote,
        Length,
        FirstByte,
        Count = FirstByte + 8,
        Cycle,
        CycleMin,
        CycleMax,
        ColumnCount
    };
    static constexpr int kChangedRole = Qt::UserRole + 1;

    FixedModel(const BusMonitor& monitor, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
};

// Milliseconds with three decimals ("10.000"); "--" for a negative time (not known yet).
QString millisecondsText(int64_t us);
