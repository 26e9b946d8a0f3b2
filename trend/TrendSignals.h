#pragma once
// Signals of a DBC database as trend entries: the database named in
// TrendCAN.ini, a signal named "MESSAGE.SIGNAL", and a value's text.

#include "Tthread_dataconvert_rxcan.h"

#include <QString>
#include <memory>

// The database at `path`. Throws dbc::DbcError or IniFileError, whose texts
// name the file (and the line).
std::shared_ptr<const dbc::Database> LoadTrendDatabase(const QString& path);

// The signal "MESSAGE.SIGNAL" of `database`; empty when there is none.
TrendSignal FindTrendSignal(const std::shared_ptr<const dbc::Database>& database,
                            const QString& name);

// "MESSAGE.SIGNAL".
QString TrendSignalName(const dbc::Message& message, const dbc::Signal& signal);

// A value as its shortest exact text: "120", "22.5", "-0.25".
QString TrendValueText(double value);
// A value for the eye (chart legend, value boxes): at most 10 significant
// digits, which still shows every 32-bit whole value exactly.
QString TrendShortValueText(double value);
