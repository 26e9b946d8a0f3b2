#pragma once
// The table models of the bus monitor's two views. Each reads its rows from
// the BusMonitor and hears about their changes as its RowListener, so that new
// frames insert rows and changed identifiers change cells: the models reset
// only when the filter changes or the capture is cleared. UI thread only.

#include "BusMonitor.h"
#include "MonitorSignals.h"

#include <QAbstractTableModel>
#include <memory>

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

    // The signal database the views decode with; none without.
    virtual void setDatabase(std::shared_ptr<const dbc::Database> database);

protected:
    // The model row of the monitor's view row `row` (also one past the last).
    virtual size_t modelRow(size_t row) const { return row; }
    // The monitor's view rows first..last are gone (between the begin and end calls).
    virtual void rowsGone(size_t, size_t) {}
    // The monitor's view rows are new (between the begin and end calls).
    virtual void rowsReset() {}

    const BusMonitor& monitor_;
    std::shared_ptr<const dbc::Database> database_;

private:
    int columns_;
    QStringList headers_;
    size_t removing_[2] = {};
};

// One row per shown frame: time, direction, identifier, RTR, DLC, data. A
// frame of a message of the database can be expanded: one row per decoded
// signal follows it, its line in the data column.
class ChronologicalModel final : public MonitorModel {
    Q_OBJECT
public:
    enum Column { Time, Direction, Identifier, Remote, Length, Data, ColumnCount };

    ChronologicalModel(const BusMonitor& monitor, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void setTimeMode(TimeMode mode);
    // Collapses every frame.
    void setDatabase(std::shared_ptr<const dbc::Database> database) override;
    // Expands the frame of model row `row` to its signals, or collapses it
    // (also from one of its signal rows). False when the row's frame has no
    // signals to show.
    bool toggleSignals(int row);
    // The frame row (the monitor's) of model row `row`.
    size_t frameRow(int row) const { return expanded_.place(static_cast<size_t>(row)).frame; }

protected:
    size_t modelRow(size_t row) const override { return expanded_.rowOf(row); }
    void rowsGone(size_t first, size_t last) override { expanded_.remove(first, last); }
    void rowsReset() override { expanded_.clear(); }

private:
    QString timeText(size_t row) const;

    ExpandedFrames expanded_;

    TimeMode timeMode_ = TimeMode::Absolute;
    mutable qint64 clockSecond_ = -1;
    mutable QString clockText_;
};

// One row per identifier and direction: direction, identifier, the message's
// name in the database, RTR, DLC, the eight data bytes, count and cycle times. Data cells of a byte
// that changed a moment ago answer kChangedRole with true.
class FixedModel final : public MonitorModel {
    Q_OBJECT
public:
    enum Column {
        Direction,
        Identifier,
        Name,
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
    void setDatabase(std::shared_ptr<const dbc::Database> database) override;
};

// Milliseconds with three decimals ("10.000"); "--" for a negative time (not known yet).
QString millisecondsText(int64_t us);
