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

// Writes ResultCsv over `path` (see SafeFileWriter); false with `error` set
// ("PATH: reason") when it cannot, the old file then being as it was.
bool WriteResultCsv(const QString& path, const QStringList& headers,
                    const std::vector<ResultCells::Row>& rows, QString* error);

// Writes ResultCsv to `path`, or to "-2", "-3", ... of it when that name is
// taken, never over an existing file. The path written, or empty with `error` set.
QString WriteNewResultCsv(const QString& path, const QStringList& headers,
                          const std::vector<ResultCells::Row>& rows, QString* error);

// The name a report in `folder` is given first, after the configuration file
// and `when`: "<name>-yyyyMMdd-HHmmss.csv".
QString ReportPath(const QString& folder, const QString& configFile, const QDateTime& when);
