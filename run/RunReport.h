#pragma once
// The result table of a run as CSV: the report every run leaves behind when it
// ends, and kestrel-cli's --csv output.

#include "ResultCells.h"
#include "Verdict.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// "Reports" beside the system log's folder: ${XDG_STATE_HOME:-~/.local/state}/Reports.
QString DefaultReportFolder();

// The six column headers of the result grid in the current language.
QStringList ResultHeaders();

// One header line and one line per row, each closed by a "Verdict" column
// holding Verdict::word() of the row (empty for a row the run did not test);
// fields holding a comma, a quote or a line break are quoted, quotes doubled.
// UTF-8, lines ended by CRLF.
QByteArray ResultCsv(const QStringList& headers, const std::vector<ResultCells::Row>& rows,
                     const std::vector<std::optional<Verdict>>& verdicts);

// Writes ResultCsv over `path` (see SafeFileWriter); false with `error` set
// ("PATH: reason") when it cannot, the old file then being as it was.
bool WriteResultCsv(const QString& path, const QStringList& headers,
                    const std::vector<ResultCells::Row>& rows,
                    const std::vector<std::optional<Verdict>>& verdicts, QString* error);

// The run summary in the current language: "6 items: 4 passed, 1 failed,
// 1 without expectation", and how many did not finish when any did not.
QString RunSummaryText(const VerdictCounts& counts);

// Writes ResultCsv to `path`, or to "-2", "-3", ... of it when that name is
// taken, never over an existing file. The path written, or empty with `error` set.
QString WriteNewResultCsv(const QString& path, const QStringList& headers,
                          const std::vector<ResultCells::Row>& rows,
                          const std::vector<std::optional<Verdict>>& verdicts, QString* error);

// The name a report in `folder` is given first, after the configuration file
// and `when`: "<name>-yyyyMMdd-HHmmss.csv".
QString ReportPath(const QString& folder, const QString& configFile, const QDateTime& when);
