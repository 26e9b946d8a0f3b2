#include "TrendSignals.h"

#include "DbcDecode.h"
#include "DbcFile.h"

std::shared_ptr<const dbc::Database> LoadTrendDatabase(const QString& path) {
    return std::make_shared<const dbc::Database>(dbc::loadDbcFile(path));
}

TrendSignal FindTrendSignal(const std::shared_ptr<const dbc::Database>& database,
                            const QString& name) {
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (!database || dot < 0)
        return {};
    const dbc::Message* message = database->findByName(name.left(dot).toStdString());
    const dbc::Signal* signal =
        message ? message->findSignal(name.mid(dot + 1).toStdString()) : nullptr;
    if (signal == nullptr)
        return {};
    return {database, message, signal};
}

QString TrendSignalName(const dbc::Message& message, const dbc::Signal& signal) {
    return QString::fromStdString(message.name + "." + signal.name);
}

QString TrendValueText(double value) {
    return QString::fromStdString(dbc::formatPhysical(value));
}

QString TrendShortValueText(double value) {
    return QString::number(value, 'g', 10);
}
