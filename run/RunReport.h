#pragma once
// The result table of a run as CSV: the report every run leaves behind when it
// ends, and kestrel-cli's --csv output.

#include "ResultCells.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// "Reports" beside the system log's folder: ${XDG_STATE_HOME:-~/.local/state}/Reports.
QString DefaultReportFolder();

// The six column headers of the result grid in the current language.
QStringList ResultHeaders();

// One header line and one line per row; fields holding a comma, a quote or a
// line break are quoted, quotes doubled. UTF-8, lines ended by CRLF.
QByteArray ResultCsv(const QStringList& headers, const std::vector<ResultCells::Row>& rows);

// Writes ResultCsv to `path`; false with `error` set when it cannot.
bool WriteResultCsv(const QString& path, const QStringList& headers,
                    const std::vector<ResultCells::Row>& rows, QString* error);

// A free path in `folder` named after the configuration file and `when`:
// "<name>-yyyyMMdd-HHmmss.csv", with "-2", "-3", ... added when taken.
QString ReportPath(const QString& folder, const QString& configFile, const QDateTime& when);
