#include "BusMonitorModels.h"

#include <QDateTime>

namespace {

QString directionText(const MonitorFrame& frame) {
    return frame.transmitted() ? QStringLiteral("Tx") : QStringLiteral("Rx");
}

QString remoteText(const MonitorFrame& frame) {
    return frame.remote() ? QStringLiteral("RTR") : QString();
}

QString hexByte(uint8_t byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString secondsText(int64_t us) {
    return QString::number(static_cast<double>(us) / 1e6, 'f', 6);
}

} // namespace

QString millisecondsText(int64_t us) {
    if (us < 0)
        return QStringLiteral("--");
    return QString::number(static_cast<double>(us) / 1e3, 'f', 3);
}

MonitorModel::MonitorModel(const BusMonitor& monitor, int columns, QObject* parent)
    : QAbstractTableModel(parent), monitor_(monitor), columns_(columns) {}

int MonitorModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant MonitorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= headers_.size())
        return {};
    return headers_[section];
}

void MonitorModel::setHeaders(QStringList headers) {
    headers_ = std::move(headers);
    emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

void MonitorModel::aboutToInsert(size_t first, size_t last) {
    beginInsertRows({}, static_cast<int>(modelRow(first)),
                    static_cast<int>(modelRow(first) + last - first));
}

void MonitorModel::inserted() {
    endInsertRows();
}

void MonitorModel::aboutToRemove(size_t first, size_t last) {
    beginRemoveRows({}, static_cast<int>(modelRow(first)),
                    static_cast<int>(modelRow(last + 1) - 1));
    removing_[0] = first;
    removing_[1] = last;
}

void MonitorModel::removed() {
    rowsGone(removing_[0], removing_[1]);
    endRemoveRows();
}

void MonitorModel::changed(size_t first, size_t last) {
    emit dataChanged(index(static_cast<int>(modelRow(first)), 0),
                     index(static_cast<int>(modelRow(last + 1) - 1), columnCount() - 1));
}

void MonitorModel::aboutToReset() {
    beginResetModel();
}

void MonitorModel::reset() {
    rowsReset();
    endResetModel();
}

void MonitorModel::setDatabase(std::shared_ptr<const dbc::Database> database) {
    database_ = std::move(database);
}

ChronologicalModel::ChronologicalModel(const BusMonitor& monitor, QObject* parent)
    : MonitorModel(monitor, ColumnCount, parent) {}

int ChronologicalModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0
                            : static_cast<int>(expanded_.rowCount(monitor_.chronologicalRows()));
}

QVariant ChronologicalModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const ExpandedFrames::Place place = expanded_.place(static_cast<size_t>(index.row()));
    if (place.line >= 0)
        return index.column() == Data
                   ? QString::fromStdString((*expanded_.lines(place.frame))[place.line])
                   : QVariant();
    const size_t row = place.frame;
    const MonitorFrame& frame = monitor_.chronologicalFrame(row);
    switch (index.column()) {
    case Time:
        return timeText(row);
    case Direction:
        return directionText(frame);
    case Identifier:
        return QString::fromStdString(identifierText(frame));
    case Remote:
        return remoteText(frame);
    case Length:
        return frame.len;
    case Data:
        return QString::fromStdString(dataText(frame));
    default:
        return {};
    }
}

QString ChronologicalModel::timeText(size_t row) const {
    const uint64_t time = monitor_.chronologicalFrame(row).timeUs;
    switch (timeMode_) {
    case TimeMode::SincePrevious:
        return secondsText(
            row == 0 ? 0
                     : static_cast<int64_t>(time - monitor_.chronologicalFrame(row - 1).timeUs));
    case TimeMode::SinceStart:
        return secondsText(static_cast<int64_t>(time - monitor_.startUs()));
    case TimeMode::Absolute:
        break;
    }
    // Rows on screen mostly share their second: its local clock text is kept,
    // since the conversion to local time is the dearest part of a paint.
    const auto second = static_cast<qint64>(time / 1000000);
    if (second != clockSecond_) {
        clockSecond_ = second;
        clockText_ = QDateTime::fromSecsSinceEpoch(second).toString(QStringLiteral("HH:mm:ss."));
    }
    return clockText_ + QStringLiteral("%1").arg(time % 1000000, 6, 10, QLatin1Char('0'));
}

void ChronologicalModel::setDatabase(std::shared_ptr<const dbc::Database> database) {
    beginResetModel();
    expanded_.clear();
    MonitorModel::setDatabase(std::move(database));
    endResetModel();
}

bool ChronologicalModel::toggleSignals(int row) {
    if (row < 0 || row >= rowCount())
        return false;
    const size_t frame = frameRow(row);
    const auto first = static_cast<int>(expanded_.rowOf(frame)) + 1;
    if (const std::vector<std::string>* lines = expanded_.lines(frame)) {
        beginRemoveRows({}, first, first + static_cast<int>(lines->size()) - 1);
        expanded_.collapse(frame);
        endRemoveRows();
        return true;
    }
    // Decoded now, once: the lines stay with the row while it is expanded.
    std::vector<std::string> lines =
        database_ ? signalLines(*database_, monitor_.chronologicalFrame(frame))
                  : std::vector<std::string>{};
    if (lines.empty())
        return false;
    beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
    expanded_.expand(frame, std::move(lines));
    endInsertRows();
    return true;
}

void ChronologicalModel::setTimeMode(TimeMode mode) {
    timeMode_ = mode;
    if (rowCount() > 0)
        emit dataChanged(index(0, Time), index(rowCount() - 1, Time));
}

FixedModel::FixedModel(const BusMonitor& monitor, QObject* parent)
    : MonitorModel(monitor, ColumnCount, parent) {}

int FixedModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(monitor_.fixedRows());
}

QVariant FixedModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<size_t>(index.row()) >= monitor_.fixedRows())
        return {};
    const FixedRow& row = monitor_.fixedRow(static_cast<size_t>(index.row()));
    const int column = index.column();
    const int byte = column - FirstByte;
    const bool isByte = byte >= 0 && byte < 8;
    if (role == kChangedRole)
        return isByte && row.lit && (row.changed >> byte & 1) != 0;
    if (role != Qt::DisplayRole)
        return {};
    if (isByte)
        return row.last.remote() || byte >= row.last.len ? QString() : hexByte(row.last.data[byte]);
    switch (column) {
    case Direction:
        return directionText(row.last);
    case Identifier:
        return QString::fromStdString(identifierText(row.last));
    case Name: {
        const dbc::Message* message = database_ ? monitorMessage(*database_, row.last) : nullptr;
        return message ? QString::fromStdString(message->name) : QString();
    }
    case Remote:
        return remoteText(row.last);
    case Length:
        return row.last.len;
    case Count:
        return QString::number(row.count);
    case Cycle:
        return millisecondsText(row.cycleUs);
    case CycleMin:
        return millisecondsText(row.cycleMinUs);
    case CycleMax:
        return millisecondsText(row.cycleMaxUs);
    default:
        return {};
    }
}

void FixedModel::setDatabase(std::shared_ptr<const dbc::Database> database) {
    MonitorModel::setDatabase(std::move(database));
    if (rowCount() > 0)
        emit dataChanged(index(0, Name), index(rowCount() - 1, Name));
}
