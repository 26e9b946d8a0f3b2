#pragma once
// The bus trace of a run: every frame of the run's port, as a candump log
// (an ASC log when the file's name ends in ".asc"), from the start of the run
// until it ends. It is written beside its file under a temporary name and
// takes its name only when the run ends, so a trace that fails leaves an
// older file of that name as it was.
//
// UI thread only.

#include "SafeFile.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class RunTrace {
public:
    RunTrace() = default;
    ~RunTrace() { stop(); }
    RunTrace(const RunTrace&) = delete;
    RunTrace& operator=(const RunTrace&) = delete;

    // Traces `port` (cut at 64 MiB) into a file that is to replace `path`.
    // False when the driver in force cannot trace, and (with a line in the
    // system log) when the file cannot be created or the port cannot be traced.
    bool start(uint8_t port, const QString& path);
    // Ends the trace, adds `note` as a last comment line when it is not empty
    // and puts the file in place: over its path, or, when `newName` is given,
    // under that name or a numbered one that no file has yet. The path written,
    // or empty when no trace was running or it could not be written (noted in
    // the system log).
    QString stop(const QString& note = {}, const QString& newName = {});
    // Ends the trace and removes its file.
    void discard();

private:
    bool endTrace();

    std::optional<uint8_t> port_;
    std::shared_ptr<SafeFileWriter> file_;
};

// The trace beside a report: the report's path with ".log" for ".csv", or
// ".asc" when the trace written (`tracePath`) is an ASC log.
QString TracePathFor(const QString& reportPath, const QString& tracePath = {});

// Copies `from` to `to`, or a numbered name beside it that no file has yet
// (see SafeFileWriter::commitAsNew). The path written, or empty with `error` set.
QString CopyToNewFile(const QString& from, const QString& to, QString* error);

// Traces of runs that died in `folder`, left under their temporary names, get
// visible names ending in "-incomplete" and `extension`; each is noted in the
// system log.
void RecoverIncompleteTraces(const QString& folder,
                             const QString& extension = QStringLiteral(".log"));
