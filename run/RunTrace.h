#pragma once
// The bus trace of a run: every frame of the run's port, as a candump log
// (an ASC log when the file's name ends in ".asc"), from the start of the run
// until it ends.
//
// UI thread only.

#include <QString>
#include <cstdint>
#include <optional>

class RunTrace {
public:
    RunTrace() = default;
    ~RunTrace() { stop(); }
    RunTrace(const RunTrace&) = delete;
    RunTrace& operator=(const RunTrace&) = delete;

    // Traces `port` into `path` (cut at 64 MiB). False when the driver in
    // force cannot trace, and (with a line in the system log) when the file
    // cannot be created or the port cannot be traced.
    bool start(uint8_t port, const QString& path);
    // Ends the trace; the file is complete when this returns. Its path, or
    // empty when no trace was running.
    QString stop();

private:
    std::optional<uint8_t> port_;
    QString path_;
};

// The trace beside a report: the report's path with ".log" for ".csv", or
// ".asc" when the trace written (`tracePath`) is an ASC log.
QString TracePathFor(const QString& reportPath, const QString& tracePath = {});
