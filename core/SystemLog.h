#pragma once
// The system log: lines handed to the separately loaded logger library
// libLanternLogger.so. Without the library, logging does nothing.
//
// Thread-safe: SystemLog() may be called from any thread at any time, also
// while LoadLogger() runs.

#include <QDate>
#include <QString>
#include <cstdint>

// Loads the logger library (default: libLanternLogger.so beside the
// executable). 0 when both exports were found, -1 when the library cannot be
// loaded, -2 without Log_SetFileName, -3 without Log_Write.
int16_t LoadLogger(const QString& libraryPath = {});

// ${XDG_STATE_HOME:-~/.local/state}/LanternLog
QString DefaultLogFolder();

// "SystemLog-YYYY-MM-DD.Log" in `logFolder`.
QString LogFilePath(const QString& logFolder, const QDate& day);

// Names the log file after `today` and deletes the logs of 7 to 17 days before it.
void StartSystemLog(const QDate& today, const QString& logFolder = DefaultLogFolder());

// Writes one line to the system log.
void SystemLog(const QString& line);
// printf-style convenience for SystemLog.
void SystemLogf(const char* format, ...) __attribute__((format(printf, 1, 2)));
