#pragma once
// Trace files of either format Kestrel knows, chosen by the file's name: a
// name ending in ".asc" is a Vector ASC log (AscLog.h), any other a candump
// log (CandumpLog.h). Free of Qt.

#include "CandumpLog.h"

#include <memory>
#include <string>
#include <vector>

// Larger trace files are refused rather than read into memory: twice what a
// trace writes by default.
inline constexpr uint64_t kMaxTraceFileBytes = 2 * TraceFileSink::kDefaultCap;

enum class TraceFileFormat { Candump, Asc };

TraceFileFormat traceFormatOf(const std::string& path);

struct TraceFile {
    std::vector<CandumpRecord> records;
    TraceSkips skipped;
};

// Hands every frame of the trace at `path` to `visit`, in file order: by its
// name, or as an ASC log when a file with another name than ".log" starts like
// one. A candump log is read line by line, so that memory follows what
// `visit` keeps. False with `error` set to "PATH line N: ..." ("PATH frame N:
// ..." for a frame `visit` refuses in an ASC log), "PATH cannot be read: why"
// (also a folder or a device) or "PATH is larger than N MiB".
bool readTraceFile(const std::string& path, const TraceVisitor& visit, TraceSkips& skipped,
                   std::string& error, uint64_t maxBytes = kMaxTraceFileBytes);
// The same, keeping every frame in `trace`.
bool readTraceFile(const std::string& path, TraceFile& trace, std::string& error);

// The line format of a file named `path`.
std::unique_ptr<TraceLineFormat> makeTraceLineFormat(const std::string& path);

// A sink that writes `path` in the format its name asks for; see
// TraceFileSink::isOpen() for whether the file could be created.
std::unique_ptr<TraceFileSink> makeTraceFileSink(const std::string& path,
                                                 uint64_t capBytes = TraceFileSink::kDefaultCap);
