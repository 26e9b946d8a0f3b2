#pragma once
// A recorded bus trace on disk, as the simulator's replay reads it: a regular
// file of at most kMaxTraceFileBytes, read line by line so that memory
// follows what the caller keeps, not the file. Free of Qt.

#include "CandumpLog.h"

#include <cstdint>
#include <string>

inline constexpr uint64_t kMaxTraceFileBytes = 16ull << 20;

// Hands every frame of the trace at `path` to `visit` and counts the frames a
// classic bus cannot carry in `skips`. False with `error` set to
// "PATH: why" (a folder, a device, unreadable, too large) or "PATH line N: why".
bool readTraceFile(const std::string& path, const TraceVisitor& visit, TraceSkips& skips,
                   std::string& error);
